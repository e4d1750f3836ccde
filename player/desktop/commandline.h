#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;
class QTextStream;

namespace player {

// deckmora [FILE|FOLDER|PLAYLIST]...
// deckmora --analyse FILE...
namespace desktop {

struct CommandLine {
    QStringList paths; // absolute, in the order given; with `analyse`, as given
    bool analyse = false;
    bool exit = false; // --help, --version or a mistake: print `output` and end with `exitCode`
    int exitCode = 0;
    QString output;
};

// Declares the program's options on `parser`; the one place a new option is added.
void declareOptions(QCommandLineParser& parser);
// `arguments` as the program received them (the program name first); relative paths are taken from `cwd`.
CommandLine parseCommandLine(const QStringList& arguments, const QString& cwd);
// True when `arguments` ask for the analysis, which runs without a window or a sound device.
bool wantsAnalysis(const QStringList& arguments);
// Analyses each of `paths` in turn and writes one JSON object a line and file to `out`, as soon as it is
// known. 0 when every file was analysed, 1 when any was not.
int analyseFiles(const QStringList& paths, QTextStream& out);

} // namespace desktop

} // namespace player
