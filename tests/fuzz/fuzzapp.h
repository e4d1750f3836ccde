#pragma once

#include <QApplication>
#include <QString>
#include <cstdlib>

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

} // namespace fuzzsupport
