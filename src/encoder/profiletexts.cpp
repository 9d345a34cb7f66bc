#include "encoder/profiletexts.h"

#include "encoder/records/encoderprofile.h"
#include "jobs/valuetext.h"

namespace {
// The disc formats: a container, a video codec and an audio codec, with the title and the
// label of levels 1 to 4 (an empty text for a level the format does not name).
struct DiscFormat
{
    const char *muxer;
    const char *video;
    const char *audio;
    const char *titles[4];
    const char *labels[4];
};

const DiscFormat kDiscFormats[] = {
    {"mpeg_vcd", "mpeg1video", "mp2_vcd",
     {"", "VideoCD (VCD)", "eXtended-VCD (XVCD)", ""},
     {"", "VideoCD", "eXtended-VCD", "MPEG-1"}},
    {"mpeg", "mpeg2video", "mp2",
     {"China Video Disc (CVD/CVCD)", "Super Video Disc (SVCD)", "DVD-Video (DVD)", ""},
     {"China-VideoCD", "Super-VideoCD", "DVD-Video", "MPEG-2"}},
};

const DiscFormat *discFormat(const QString &muxer, const QString &video, const QString &audio)
{
    for (const DiscFormat &format : kDiscFormats) {
        if (muxer == QLatin1String(format.muxer) && video == QLatin1String(format.video)
            && audio == QLatin1String(format.audio))
            return &format;
    }
    return nullptr;
}

QString levelText(const char *const (&texts)[4], int level)
{
    return level >= 1 && level <= 4 ? QString::fromLatin1(texts[level - 1]) : QString();
}

// A DVD-Video stream: MPEG-2 in MPEG-PS with PCM or copied audio.
bool isDvdVideo(const QString &muxer, const QString &video, const QString &audio)
{
    return muxer == QLatin1String("mpeg") && video == QLatin1String("mpeg2video")
           && (audio.startsWith(QLatin1String("pcm")) || audio == QLatin1String("copy"));
}

QString withStandard(const QString &label, const QString &standard)
{
    return standard.isEmpty() ? label : label + QLatin1String(" (") + standard + QLatin1Char(')');
}
} // namespace

QString ProfileTexts::title(const EncoderProfile &profile)
{
    if (const DiscFormat *format =
            discFormat(profile.muxer, profile.videoCodec, profile.audioCodec))
        return levelText(format->titles, profile.level);
    if (isDvdVideo(profile.muxer, profile.videoCodec, profile.audioCodec))
        return QStringLiteral("DVD-Video");
    if (profile.muxer == QLatin1String("ac3") && profile.samplingRate == -1)
        return tr("Source copy");
    return qualityLabel(profile.level);
}

QString ProfileTexts::label(int level, const QString &standard, const QString &muxer,
                            const QString &video, const QString &audio,
                            const QString &muxerShortName)
{
    if (const DiscFormat *format = discFormat(muxer, video, audio))
        return withStandard(levelText(format->labels, level), standard);
    if (isDvdVideo(muxer, video, audio))
        return withStandard(QStringLiteral("DVD-Video (DVD)"), standard);
    if (muxer == QLatin1String("ac3") && level == EncoderProfile::LevelAudioCopy)
        return tr("Audio AC3 source copy");
    return muxerShortName + QLatin1Char(' ') + qualityKeyword(level) + QLatin1String(" profile");
}
