#include "builders/audiochannels.h"

#include <QStringList>

namespace {

// Targets by container and by codec variant, with the channels their players play.
struct ChannelLimit
{
    QStringList names;
    int channels;
};
const ChannelLimit kMuxerLimits[] = {
    {{"3gp", "3g2", "ipod", "psp", "flv"}, 2},
};
const ChannelLimit kCodecLimits[] = {
    {{"amrnb", "libopencore_amrnb"}, 1},
    {{"aac_lr", "aac_flv", "mp3_lr", "mp3_flv", "mp3_flv_lr", "mp2_vcd"}, 2},
};

// The layouts of the first channels, one channel more each; a filter given the first N lets
// FFmpeg pick the nearest of them, never one with more channels than the source's.
const char *const kLayoutsUpTo[] = {"mono", "stereo"};
// The layouts FFmpeg's AAC encoder writes as a channel configuration of the standard.
const char kAacLayouts[] = "mono|stereo|3.0|4.0|5.0|5.1|7.1";

int limitOf(const ChannelLimit *begin, const ChannelLimit *end, const QString &name)
{
    for (const ChannelLimit *row = begin; row != end; ++row) {
        if (row->names.contains(name))
            return row->channels;
    }
    return 0;
}

} // namespace

int AudioChannels::targetLimit(const QString &muxer, const QString &codec)
{
    const int byCodec = limitOf(std::begin(kCodecLimits), std::end(kCodecLimits), codec);
    const int byMuxer = limitOf(std::begin(kMuxerLimits), std::end(kMuxerLimits), muxer);
    if (byCodec > 0 && byMuxer > 0)
        return qMin(byCodec, byMuxer);
    return qMax(byCodec, byMuxer);
}

QString AudioChannels::ffmpegLayoutFilter(const QString &muxer, const QString &codec,
                                          const QString &encoder)
{
    const int limit = targetLimit(muxer, codec);
    if (limit > 0) {
        QStringList layouts;
        for (int i = 0; i < limit && i < int(std::size(kLayoutsUpTo)); ++i)
            layouts << QLatin1String(kLayoutsUpTo[i]);
        return QStringLiteral("aformat=channel_layouts=") + layouts.join(QLatin1Char('|'));
    }
    if (encoder == QLatin1String("aac"))
        return QStringLiteral("aformat=channel_layouts=") + QLatin1String(kAacLayouts);
    return QString();
}
