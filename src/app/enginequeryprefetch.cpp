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
void prefetch(const Builder &builder, void (Builder::*command)(QString &, QStringList &) const)
{
    QString program;
    QStringList arguments;
    (builder.*command)(program, arguments);
    SyncRunner::prefetchQuery(program, arguments);
}

template <class Builder>
Builder at(const QString &path)
{
    Builder builder;
    builder.setBinary(path);
    return builder;
}
} // namespace

void EngineQueryPrefetch::start()
{
    const auto ffmpeg = at<InterfaceFFmpeg>(configuredPath(EnginePaths::FFmpeg));
    prefetch(ffmpeg, &InterfaceFFmpeg::cliCmdGetVersion);
    prefetch(ffmpeg, &InterfaceFFmpeg::cliCmdGetCodecs);
    prefetch(ffmpeg, &InterfaceFFmpeg::cliCmdGetMuxers);
    prefetch(at<InterfaceMEncoder>(configuredPath(EnginePaths::MEncoder)), &InterfaceMEncoder::cliCmdGetStatus);
    prefetch(at<InterfaceFFprobe>(configuredPath(EnginePaths::FFprobe)), &InterfaceFFprobe::cliCmdGetStatus);
    prefetch(at<InterfaceMediaInfo>(configuredPath(EnginePaths::MediaInfo)), &InterfaceMediaInfo::cliCmdGetStatus);
    prefetch(at<InterfaceX264>(configuredPath(EnginePaths::X264)), &InterfaceX264::cliCmdGetStatus);
    prefetch(at<InterfaceMKVmerge>(configuredPath(EnginePaths::MKVmerge)), &InterfaceMKVmerge::cliCmdGetStatus);
    InterfaceMplayer mplayer;
    mplayer.setBinary(configuredPath(EnginePaths::MPlayer));
    QString program;
    QStringList arguments;
    mplayer.cliCmdGetStatus(&program, &arguments);
    SyncRunner::prefetchQuery(program, arguments);
}

void EngineQueryPrefetch::stop()
{
    SyncRunner::dropPrefetched();
}
