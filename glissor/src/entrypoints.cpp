// The library's four component entry points, serving its one class.
#include "component/servermodule.h"
#include "glissor/glissor.h"

namespace {

const platform::component::ServerClass kClasses[] = {
    {Glissor::kClassId, Glissor::kProgId, "Glissor picture slider",
     [](QWidget* parent) -> platform::component::Control* { return new Glissor(parent); }},
};

} // namespace

DECKMORA_CONTROL_SERVER(kClasses)
