#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QUrl>

#include "analysis/songanalysis.h"

namespace player {

namespace desktop {

void declareOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Deckmora, a two-deck song mixer. Songs (MP3, WAV, FLAC, Ogg Vorbis, Opus, AAC/M4A, ALAC, "
        "WMA, AIFF), every song of a folder and the "
        "songs of a playlist given here are added to the song list; when Deckmora already "
        "runs, they go to that one."));
    parser.addHelpOption();
    parser.addVersionOption();
    // The sound options are acted on before anything else starts (see main.cpp); here they are only known.
    parser.addOption({QStringLiteral("list-devices"), QStringLiteral("Print the sound outputs and exit.")});
    parser.addOption({QStringLiteral("device"),
                      QStringLiteral("Play through this sound output for this run."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("analyse"),
                      QStringLiteral("Print what is learned from each song file given (its exact length in "
                                     "seconds) as one JSON object a line, and exit.")});
    parser.addPositionalArgument(QStringLiteral("paths"),
                                 QStringLiteral("Songs, folders or playlists to add."),
                                 QStringLiteral("[FILE|FOLDER|PLAYLIST]..."));
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& cwd) {
    CommandLine result;
    QCommandLineParser parser;
    declareOptions(parser);
    if (!parser.parse(arguments)) {
        result.exit = true;
        result.exitCode = 2;
        result.output = parser.errorText() + QLatin1Char('\n') + parser.helpText();
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        result.exit = true;
        result.output = parser.helpText();
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.exit = true;
        result.output = QStringLiteral("deckmora %1\n").arg(QCoreApplication::applicationVersion());
        return result;
    }
    result.analyse = parser.isSet(QStringLiteral("analyse"));
    const QDir base(cwd);
    for (const QString& p : parser.positionalArguments()) {
        // File managers that hand over addresses rather than paths are understood too.
        const QString path = p.startsWith(QLatin1String("file:")) ? QUrl(p).toLocalFile() : p;
        // The analysis answers under the name it was asked about, so a script can match its lines.
        if (result.analyse)
            result.paths << (path.isEmpty() ? p : path);
        else if (!path.isEmpty())
            result.paths << QDir::cleanPath(base.absoluteFilePath(path));
    }
    return result;
}

bool wantsAnalysis(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--"))
            return false;
        if (arguments[i] == QLatin1String("--analyse"))
            return true;
    }
    return false;
}

int analyseFiles(const QStringList& paths, QTextStream& out) {
    int status = 0;
    for (const QString& path : paths) {
        const QJsonObject result = platform::analysis::analyseFile(path);
        if (result.contains(QLatin1String("error")))
            status = 1;
        out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
        out.flush();
    }
    return status;
}

} // namespace desktop

} // namespace player
