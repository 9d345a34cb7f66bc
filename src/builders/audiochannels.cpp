#include "builders/audiochannels.h"

#include <QStringList>

namespace {

// The targets that play at most two channels, by container and by codec variant.
const QStringList kStereoMuxers = {"3gp", "3g2", "ipod", "psp", "flv"};
const QStringList kStereoCodecs = {"aac_lr", "aac_flv", "mp3_lr", "mp3_flv", "mp3_flv_lr", "mp2_vcd"};

// Given a list, FFmpeg picks the layout nearest the source's.
const char kStereoLayouts[] = "mono|stereo";
// The layouts FFmpeg's AAC encoder writes as a channel configuration of the standard.
const char kAacLayouts[] = "mono|stereo|3.0|4.0|5.0|5.1|7.1";

} // namespace

bool AudioChannels::stereoAtMost(const QString &muxer, const QString &codec)
{
    return kStereoMuxers.contains(muxer) || kStereoCodecs.contains(codec);
}

QString AudioChannels::ffmpegLayoutFilter(const QString &muxer, const QString &codec,
                                          const QString &encoder)
{
    const char *layouts = stereoAtMost(muxer, codec) ? kStereoLayouts
                          : encoder == QLatin1String("aac") ? kAacLayouts
                                                            : nullptr;
    return layouts ? QStringLiteral("aformat=channel_layouts=") + QLatin1String(layouts)
                   : QString();
}
