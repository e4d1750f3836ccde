#pragma once

#include <QApplication>
#include <QSize>
#include <QString>
#include <cstdlib>
#include <optional>

#include "component/controlerror.h"
#include "component/propertybag.h"
#include "ui/prompts.h"

// What the widget fuzzers share: one offscreen application for the whole run, and a prompt seam that answers
// at once, so that no input can leave a modal box waiting for a person.
namespace fuzzsupport {

class SilentPrompts : public platform::Prompts {
public:
    platform::Answer message(const QString&, platform::Buttons buttons, platform::Icon,
                             const QString&) override {
        return buttons == platform::Buttons::YesNo || buttons == platform::Buttons::YesNoCancel
                   ? platform::Answer::No
                   : platform::Answer::Ok;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    platform::FileDialogResult openFile(const platform::FileDialogRequest&) override { return {}; }
    platform::FileDialogResult saveFile(const platform::FileDialogRequest&) override { return {}; }
};

inline void startApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    static SilentPrompts prompts;
    platform::setPrompts(&prompts);
}

// A control's input: the first two bytes size its face (`scale` pixels a step across, one per `scale` steps
// down), the rest is the text of its property set. None when the input is short or the text no set.
struct ControlInput {
    QSize size;
    platform::component::PropertyBag bag;
};
inline std::optional<ControlInput> controlInput(const unsigned char* data, size_t size, int scale) {
    if (size < 2)
        return std::nullopt;
    auto bag = platform::component::PropertyBag::fromText(
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2)));
    if (!bag)
        return std::nullopt;
    return ControlInput{QSize(1 + data[0] * scale, 1 + data[1] / scale), std::move(*bag)};
}

// Runs `f`; an error the control reports to its host is an answer, not a fault.
template <class F> void tolerate(F&& f) {
    try {
        f();
    } catch (const platform::component::ControlError&) {
    }
}

} // namespace fuzzsupport
