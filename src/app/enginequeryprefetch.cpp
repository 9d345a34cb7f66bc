#include "app/enginequeryprefetch.h"

#include "app/enginepaths.h"
#include "builders/interfaceffmpeg.h"
#include "builders/interfacemencoder.h"
#include "builders/interfacemkvmerge.h"
#include "builders/interfacex264.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacemplayer.h"
#include "engines/syncrunner.h"

#include <QSettings>

namespace {
using EnginePaths::Engine;

// The path of an engine as the window reads it: "Externals", else the default.
QString configuredPath(Engine engine)
{
    for (const EnginePaths::ExternalsRow &row : EnginePaths::kExternals) {
        if (row.engine != engine)
            continue;
        const QString stored = QSettings().value(QStringLiteral("Externals/") + QLatin1String(row.key)).toString();
        return stored.isEmpty() ? EnginePaths::defaultPath(engine) : stored;
    }
    return EnginePaths::defaultPath(engine);
}

template <class Builder>
EngineQueryPrefetch::Command command(const Builder &builder, void (Builder::*make)(QString &, QStringList &) const)
{
    EngineQueryPrefetch::Command made;
    (builder.*make)(made.program, made.arguments);
    return made;
}

template <class Builder>
Builder at(const QString &path)
{
    Builder builder;
    builder.setBinary(path);
    return builder;
}

InterfaceMplayer mplayerAt(const QString &path)
{
    InterfaceMplayer mplayer;
    mplayer.setBinary(path);
    return mplayer;
}
} // namespace

QList<EngineQueryPrefetch::Command> EngineQueryPrefetch::queries()
{
    const auto ffmpeg = at<InterfaceFFmpeg>(configuredPath(EnginePaths::FFmpeg));
    Command mplayer;
    mplayerAt(configuredPath(EnginePaths::MPlayer)).cliCmdGetStatus(&mplayer.program, &mplayer.arguments);
    return {command(ffmpeg, &InterfaceFFmpeg::cliCmdGetVersion),
            command(ffmpeg, &InterfaceFFmpeg::cliCmdGetCodecs),
            command(ffmpeg, &InterfaceFFmpeg::cliCmdGetMuxers),
            command(at<InterfaceMEncoder>(configuredPath(EnginePaths::MEncoder)), &InterfaceMEncoder::cliCmdGetStatus),
            command(at<InterfaceFFprobe>(configuredPath(EnginePaths::FFprobe)), &InterfaceFFprobe::cliCmdGetStatus),
            command(at<InterfaceMediaInfo>(configuredPath(EnginePaths::MediaInfo)),
                    &InterfaceMediaInfo::cliCmdGetStatus),
            command(at<InterfaceX264>(configuredPath(EnginePaths::X264)), &InterfaceX264::cliCmdGetStatus),
            command(at<InterfaceMKVmerge>(configuredPath(EnginePaths::MKVmerge)), &InterfaceMKVmerge::cliCmdGetStatus),
            mplayer};
}

void EngineQueryPrefetch::start()
{
    for (const Command &query : queries())
        SyncRunner::prefetchQuery(query.program, query.arguments);
}

void EngineQueryPrefetch::stop()
{
    SyncRunner::dropPrefetched();
}
