// The library's four component entry points, serving its one class.
#include "component/servermodule.h"
#include "lumaband/lumaband.h"
#include "lumaband/lumabandinterface.h"

namespace {

platform::component::Control* createLumaband(QWidget* parent) {
    return new Lumaband(parent);
}

const platform::component::ServerClass kClasses[] = {
    {lumaband::kClassId, lumaband::kProgId, "Lumaband gradient progress bar", &createLumaband},
};

} // namespace

DECKMORA_CONTROL_SERVER(kClasses)
