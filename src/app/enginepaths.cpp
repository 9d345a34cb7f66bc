#include "app/enginepaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
// Indexed by EnginePaths::Engine.
constexpr EnginePaths::Location kLocations[EnginePaths::EngineCount] = {
    {"ffmpeg", "ffmpeg"},       {"ffmpeg", "ffprobe"},   {"mplayer", "mencoder"},
    {"mplayer", "mplayer"},     {"mediainfo", "mediainfo"}, {"x264", "x264"},
    {"mkvmerge", "mkvmerge"},
};

bool isProgram(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}
} // namespace

EnginePaths::Location EnginePaths::location(Engine engine)
{
    return kLocations[engine];
}

QString EnginePaths::defaultPath(Engine engine, const QString &programFolder,
                                 const QStringList &searchPath)
{
    const Location where = location(engine);
    const QString beside = QStringLiteral("%1/%2/%3")
                               .arg(programFolder, QLatin1String(where.folder),
                                    QLatin1String(where.program));
    if (isProgram(beside))
        return beside;
    const QString found = QStandardPaths::findExecutable(QLatin1String(where.program), searchPath);
    return found.isEmpty() ? beside : found;
}

const EnginePaths::ExternalsRow EnginePaths::kExternals[EngineCount] = {
    {"Encoder/ffmpeg binary", FFmpeg},
    {"Encoder/mencoder binary", MEncoder},
    {"Player/mplayer binary", MPlayer},
    {"Player/mediainfo binary", MediaInfo},
    {"Player/ffprobe binary", FFprobe},
    {"Encoder/x264 binary", X264},
    {"Encoder/mkvmerge binary", MKVmerge},
};

QString EnginePaths::defaultPath(Engine engine)
{
    return defaultPath(engine, QCoreApplication::applicationDirPath());
}

QString EnginePaths::executableFilter()
{
    return QCoreApplication::translate("EnginePaths", "Executable (*);;Scripts (*.sh)");
}

bool EnginePaths::filterAccepts(const QString &filter, const QString &fileName)
{
    // "Name (pattern pattern);;Other (...)": the patterns of the first filter.
    static const QRegularExpression patterns(QStringLiteral("\\(([^)]*)\\)"));
    const QString first = filter.section(QStringLiteral(";;"), 0, 0);
    const QRegularExpressionMatch match = patterns.match(first);
    if (!match.hasMatch())
        return false;
    const QStringList globs = match.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &glob : globs) {
        const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(glob));
        if (wildcard.match(fileName).hasMatch())
            return true;
    }
    return false;
}
