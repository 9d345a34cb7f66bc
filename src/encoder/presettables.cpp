#include "encoder/presettables.h"

#include "encoder/records/encodingsource.h"

#include <QMap>
#include <algorithm>

namespace {
struct VideoRow
{
    const char *codec;
    int level;
    const char *standard;
    int width;
    int height;
    double bitrate;
};

struct AudioRow
{
    const char *codec;
    int level;
    int samplingRate;
    double bitrate;
};

// Within a codec at most one row per level and standard; a level has either one row for
// every standard ("") or one "PAL" and one "NTSC" row.
const VideoRow kVideoRows[] = {
    {"h263", 1, "", 128, 96, 64},
    {"h263", 2, "", 176, 144, 128},
    {"h263", 3, "", 352, 288, 256},
    {"mpeg1video", 2, "NTSC", 352, 240, 1152},
    {"mpeg1video", 2, "PAL", 352, 288, 1152},
    {"mpeg1video", 3, "NTSC", 352, 480, 2376},
    {"mpeg1video", 3, "PAL", 352, 480, 2376},
    {"mpeg2video", 1, "NTSC", 352, 480, 2520},
    {"mpeg2video", 1, "PAL", 352, 576, 2520},
    {"mpeg2video", 2, "NTSC", 480, 480, 2520},
    {"mpeg2video", 2, "PAL", 480, 576, 2520},
    {"mpeg2video", 3, "NTSC", 720, 480, 4900},
    {"mpeg2video", 3, "PAL", 720, 576, 4900},
    {"xvid", 1, "", 480, 272, 768},
    {"xvid", 2, "", 624, 352, 896},
    {"xvid", 3, "", 624, 352, 1024},
    {"mpeg4", 1, "", 480, 272, 768},
    {"mpeg4", 2, "", 624, 352, 896},
    {"mpeg4", 3, "", 624, 352, 1024},
    {"x264", 1, "", 480, 272, 768},
    {"x264", 2, "NTSC", 528, 320, 896},
    {"x264", 2, "PAL", 528, 384, 896},
    {"x264", 3, "NTSC", 528, 320, 1024},
    {"x264", 3, "PAL", 528, 384, 1024},
    {"x264_lr", 1, "", 128, 96, 64},
    {"x264_lr", 2, "", 176, 144, 128},
    {"x264_lr", 3, "NTSC", 352, 240, 256},
    {"x264_lr", 3, "PAL", 352, 288, 256},
    {"x264_hd", 1, "", 960, 544, 2000},
    {"x264_hd", 2, "", 1280, 720, 4000},
    {"x264_hd", 3, "", 1920, 1088, 6000},
    {"x264_psp", 1, "", 384, 240, 800},
    {"x264_psp", 2, "", 480, 272, 1100},
    {"x264_psp", 3, "", 480, 272, 1800},
    {"x264_divx", 1, "", 960, 544, 2000},
    {"x264_divx", 2, "", 1280, 720, 4000},
    {"x264_divx", 3, "", 1920, 1088, 6000},
    {"theora", 1, "", 528, 384, 768},
    {"theora", 2, "", 624, 352, 1024},
    {"theora", 3, "", 1280, 720, 1536},
    {"vp8", 1, "", 480, 272, 768},
    {"vp8", 2, "", 624, 352, 896},
    {"vp8", 3, "", 624, 352, 1024},
};

const AudioRow kAudioRows[] = {
    {"amrnb", 1, 8000, 4.75},     {"amrnb", 2, 8000, 7.95},     {"amrnb", 3, 8000, 12.2},
    {"aac_lr", 1, 16000, 32},     {"aac_lr", 2, 32000, 48},     {"aac_lr", 3, 44100, 64},
    {"aac", 1, 44100, 96},        {"aac", 2, 48000, 128},       {"aac", 3, 48000, 160},
    {"aac_hq", 1, 44100, 160},    {"aac_hq", 2, 48000, 192},    {"aac_hq", 3, 48000, 256},
    {"aac_flv", 1, 22050, 48},    {"aac_flv", 2, 44100, 64},    {"aac_flv", 3, 44100, 96},
    {"mp3", 1, 44100, 112},       {"mp3", 2, 44100, 160},       {"mp3", 3, 48000, 192},
    {"mp3_lr", 1, 16000, 32},     {"mp3_lr", 2, 24000, 48},     {"mp3_lr", 3, 32000, 64},
    {"mp3_flv", 1, 44100, 112},   {"mp3_flv", 2, 44100, 160},   {"mp3_flv", 3, 44100, 192},
    {"mp3_flv_lr", 1, 11025, 24}, {"mp3_flv_lr", 2, 22050, 48}, {"mp3_flv_lr", 3, 22050, 64},
    {"mp2", 1, 44100, 224},       {"mp2", 2, 44100, 224},       {"mp2", 3, 48000, 384},
    {"mp2_vcd", 2, 44100, 224},   {"mp2_vcd", 3, 44100, 224},
    {"ac3", 1, 48000, 192},       {"ac3", 2, 48000, 256},       {"ac3", 3, 48000, 384},
    {"ac3", 5, -1, 0},
    {"ac3_copy", 1, -1, 0},       {"ac3_copy", 2, -1, 0},       {"ac3_copy", 3, -1, 0},
    {"pcm", 1, 48000, 1536},      {"pcm", 2, 96000, 3072},      {"pcm", 3, 96000, 6144},
    {"vorbis", 1, 44100, 128},    {"vorbis", 2, 44100, 160},    {"vorbis", 3, 44100, 192},
    {"alac", 1, 44100, 0},        {"alac", 2, 44100, 0},        {"alac", 3, 48000, 0},
    {"flac", 1, 44100, 0},        {"flac", 2, 44100, 0},        {"flac", 3, 48000, 0},
};

// Smallest height of each band and the 4:3 size it rounds to, tallest band first.
const struct { int minHeight; int width; int height; } kFrameBands[] = {
    {1080, 1440, 1088}, {540, 720, 544}, {480, 640, 480}, {384, 512, 384},
    {360, 480, 360},    {288, 384, 288}, {240, 320, 240},
};

bool strictlyBetween(double value, double low, double high)
{
    return value > low && value < high;
}
} // namespace

void PresetTables::initVideoPresets()
{
    m_video.clear();
    for (const VideoRow &row : kVideoRows) {
        VideoPreset preset;
        preset.codec = QString::fromLatin1(row.codec);
        preset.level = row.level;
        preset.standard = QString::fromLatin1(row.standard);
        preset.pictureSize = QSize(row.width, row.height);
        preset.bitrate = row.bitrate;
        m_video.insert(preset.codec, preset);
    }
}

void PresetTables::initAudioPresets()
{
    m_audio.clear();
    for (const AudioRow &row : kAudioRows) {
        AudioPreset preset;
        preset.codec = QString::fromLatin1(row.codec);
        preset.level = row.level;
        preset.samplingRate = row.samplingRate;
        preset.bitrate = row.bitrate;
        m_audio.insert(preset.codec, preset);
    }
}

QString PresetTables::sourceStandard(const VideoInfo &video)
{
    if (!video.standard.isEmpty())
        return video.standard;
    // Exact rates only: this is the configurator's own rule, looser than the encoder's.
    return video.frameRate == 25.0 || video.frameRate == 50.0 ? QStringLiteral("PAL")
                                                              : QStringLiteral("NTSC");
}

QSize PresetTables::roundFrameSize(const QSize &size)
{
    for (const auto &band : kFrameBands) {
        if (size.height() >= band.minHeight)
            return QSize(band.width, band.height);
    }
    return size;
}

QSize PresetTables::fitToSource(const QSize &preset, const QSize &display)
{
    if (preset.height() == 0 || display.height() == 0)
        return preset;
    const double presetAspect = double(preset.width()) / preset.height();
    const double displayAspect = double(display.width()) / display.height();
    if (strictlyBetween(presetAspect, 1.75, 1.79) && strictlyBetween(displayAspect, 1.31, 1.35))
        return roundFrameSize(preset);
    return preset;
}

EncoderProfile PresetTables::makeProfile(const QString &muxer, const QString &video,
                                         const QString &audio, int level,
                                         const EncodingSource &source) const
{
    const QString standard = sourceStandard(source.video);
    EncoderProfile profile;

    // A row for the source's standard beats a row for every standard.
    VideoPreset forStandard;
    VideoPreset forAny;
    for (const VideoPreset &preset : m_video.values(video)) {
        if (preset.level != level)
            continue;
        if (preset.standard == standard)
            forStandard = preset;
        else if (preset.standard.isEmpty())
            forAny = preset;
    }
    const VideoPreset &videoPreset =
        forStandard.codec.isEmpty() && !forAny.codec.isEmpty() ? forAny : forStandard;

    // A level the codec has no row for takes the row added first.
    AudioPreset audioPreset;
    for (const AudioPreset &preset : m_audio.values(audio)) {
        audioPreset = preset;
        if (preset.level == level)
            break;
    }

    profile.muxer = muxer;
    profile.level = level;
    profile.standard = standard;
    profile.videoCodec = videoPreset.codec;
    if (!videoPreset.codec.isEmpty()) {
        profile.pictureSize = videoPreset.pictureSize;
        profile.videoBitrate = videoPreset.bitrate;
    }
    profile.audioCodec = audioPreset.codec;
    if (!audioPreset.codec.isEmpty()) {
        profile.samplingRate = audioPreset.samplingRate;
        profile.audioBitrate = audioPreset.bitrate;
    }
    profile.pictureSize = fitToSource(profile.pictureSize, source.video.displaySize());
    return profile;
}

QList<EncoderProfile> PresetTables::buildProfiles(const QString &muxer, const QString &video,
                                                  const QString &audio, bool videoSupported,
                                                  bool audioSupported,
                                                  const EncodingSource &source) const
{
    const QString standard = sourceStandard(source.video);
    QMap<int, VideoPreset> videoByLevel;
    QMap<int, AudioPreset> audioByLevel;
    QList<int> levels;
    auto addLevel = [&levels](int level) {
        if (!levels.contains(level))
            levels.append(level);
    };
    if (videoSupported) {
        for (VideoPreset preset : m_video.values(video)) {
            if (!preset.standard.isEmpty() && preset.standard != standard)
                continue;
            preset.pictureSize = fitToSource(preset.pictureSize, source.video.displaySize());
            videoByLevel.insert(preset.level, preset);
            addLevel(preset.level);
        }
    }
    if (audioSupported) {
        for (const AudioPreset &preset : m_audio.values(audio)) {
            // A copy of the source's audio only when the source has that very codec.
            if (preset.level == EncoderProfile::LevelAudioCopy && audio != source.audio.codec)
                continue;
            audioByLevel.insert(preset.level, preset);
            addLevel(preset.level);
        }
    }
    std::sort(levels.begin(), levels.end());

    // One working profile: a level without a video (audio) row only empties that codec and
    // keeps the numbers the level before it left.
    EncoderProfile working;
    working.muxer = muxer;
    working.standard = standard;
    QList<EncoderProfile> profiles;
    for (int level : levels) {
        working.level = level;
        if (videoByLevel.contains(level)) {
            const VideoPreset &preset = videoByLevel[level];
            working.videoCodec = preset.codec;
            working.pictureSize = preset.pictureSize;
            working.videoBitrate = preset.bitrate;
        } else {
            working.videoCodec.clear();
        }
        if (audioByLevel.contains(level)) {
            const AudioPreset &preset = audioByLevel[level];
            working.audioCodec = preset.codec;
            working.samplingRate = preset.samplingRate;
            working.audioBitrate = preset.bitrate;
        } else {
            working.audioCodec.clear();
        }
        profiles.append(working);
    }
    return profiles;
}

bool PresetTables::supportsProfileLevel(const QString &video, const QString &audio,
                                        int level) const
{
    auto hasLevel = [level](const auto &rows) {
        return std::any_of(rows.begin(), rows.end(),
                           [level](const auto &preset) { return preset.level == level; });
    };
    if (video != QLatin1String("novideo") && !hasLevel(m_video.values(video)))
        return false;
    return audio == QLatin1String("noaudio") || hasLevel(m_audio.values(audio));
}
