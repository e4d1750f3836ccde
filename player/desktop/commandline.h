#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace player {

// deckmora [FILE|FOLDER|PLAYLIST]...
namespace desktop {

struct CommandLine {
    QStringList paths; // absolute, in the order given
    bool exit = false; // --help, --version or a mistake: print `output` and end with `exitCode`
    int exitCode = 0;
    QString output;
};

// Declares the program's options on `parser`; the one place a new option is added.
void declareOptions(QCommandLineParser& parser);
// `arguments` as the program received them (the program name first); relative paths are taken from `cwd`.
CommandLine parseCommandLine(const QStringList& arguments, const QString& cwd);

} // namespace desktop

} // namespace player
