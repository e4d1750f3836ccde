#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QUrl>

namespace player {

namespace desktop {

void declareOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Deckmora, a two-deck song mixer. Songs (MP3, WAV), every song of a folder and the "
                       "songs of a playlist given here are added to the song list; when Deckmora already "
                       "runs, they go to that one."));
    parser.addHelpOption();
    parser.addVersionOption();
    // The sound options are acted on before anything else starts (see main.cpp); here they are only known.
    parser.addOption({QStringLiteral("list-devices"), QStringLiteral("Print the sound outputs and exit.")});
    parser.addOption({QStringLiteral("device"),
                      QStringLiteral("Play through this sound output for this run."),
                      QStringLiteral("NAME")});
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
    const QDir base(cwd);
    for (const QString& p : parser.positionalArguments()) {
        // File managers that hand over addresses rather than paths are understood too.
        const QString path = p.startsWith(QLatin1String("file:")) ? QUrl(p).toLocalFile() : p;
        if (!path.isEmpty())
            result.paths << QDir::cleanPath(base.absoluteFilePath(path));
    }
    return result;
}

} // namespace desktop

} // namespace player
