#include "builders/ffmpegencodecommand.h"

#include "builders/audiochannels.h"
#include "builders/mencoderencodecommand.h"
#include "builders/picturecolour.h"
#include "builders/sourcefields.h"
#include "builders/sourcestreams.h"
#include "builders/subtitleinlay.h"
#include "encoder/records/encodingjob.h"
#include "engines/fileargument.h"

#include <QtMath>

#include <algorithm>

namespace {

// FFmpeg's encoder for each codec identifier; identifiers not listed are FFmpeg's names.
struct EncoderName
{
    QStringList codecs;
    const char *encoder;
};
const QStringList kX264Family = {"x264", "x264_lr", "x264_hd", "x264_psp", "x264_divx"};
const EncoderName kVideoEncoders[] = {
    {kX264Family, "libx264"},
    {{"xvid"}, "libxvid"},
    {{"theora"}, "libtheora"},
    {{"vp8"}, "libvpx"},
};
const EncoderName kAudioEncoders[] = {
    {{"mp3", "mp3_lr", "mp3_flv", "mp3_flv_lr"}, "libmp3lame"},
    {{"mp2_vcd"}, "mp2"},
    {{"vorbis"}, "libvorbis"},
    // Today's FFmpeg has no libfaac; its own AAC encoder writes the same AAC.
    {{"aac", "aac_lr", "aac_hq", "aac_flv", "libfaac"}, "aac"},
    {{"amrnb"}, "libopencore_amrnb"},
};

QString encoderFor(const EncoderName *begin, const EncoderName *end, const QString &codec)
{
    for (const EncoderName *row = begin; row != end; ++row) {
        if (row->codecs.contains(codec))
            return QString::fromLatin1(row->encoder);
    }
    return codec;
}

// PCM is written big-endian where the container wants it so; at the predefined levels the
// best level keeps 32 bits.
const QStringList kBigEndianPcmMuxers = {"au", "mpeg"};

// The "-r" that MPEG-4 video gets, snapped from the source frame rate up to the first of
// these rates that is no slower: snapped down, an old phone's 14.985 fps became 10 and a
// phone's 20 fps in the dark 15, a third and a quarter of their pictures dropped. A slower
// rate repeats pictures, which shows each at its time.
struct SnappedRate
{
    double rate;
    const char *text;
};
const SnappedRate kMpeg4Rates[] = {
    {10.0, "10"}, {15.0, "15"}, {24000.0 / 1001, "24000/1001"}, {24.0, "24"},
    {25.0, "25"}, {30000.0 / 1001, "30000/1001"},
};
const char kMpeg4TopRate[] = "30";
// A rate counted over the whole file lies a hair beside the one it was filmed at (25.001 fps
// for 25), which it still takes.
constexpr double kSnapSlack = 1e-4;

// The Xvid speed and quality options of the levels 1 to 3. The classic "-me_method"
// (phods, epzs, hex) is ignored by today's libxvid, which takes "-me_quality" (0 to 6)
// instead; the classic "+mv0+umv" flags are refused, "+mv4" alone is kept. Today's FFmpeg
// writes libxvid's B-frames with broken times: decoded from AVI the picture starts three
// frames late and two frames short, from Matroska its decoding times go backwards; the
// classic two B-frames became none.
const QStringList kXvidLevels[] = {
    {"-g", "250", "-bf", "0", "-me_quality", "2", "-qmin", "2", "-qmax", "15"},
    {"-g", "250", "-flags", "+mv4", "-bf", "0", "-me_quality", "4", "-qmax", "6"},
    {"-g", "250", "-qmin", "2", "-qmax", "8", "-bf", "0", "-mbd", "rd", "-me_quality", "6"},
};

// The x264 presets of the predefined levels: levels 1, 2, 3 and any other.
struct LevelPresets
{
    QStringList codecs;
    const char *presets[4];
};
const LevelPresets kX264Presets[] = {
    {{"x264_lr"}, {"ultrafast", "superfast", "fast", "medium"}},
    {{"x264_hd", "x264_divx"}, {"ultrafast", "ultrafast", "superfast", "ultrafast"}},
    {{"x264", "x264_psp"}, {"ultrafast", "superfast", "fast", "fast"}},
};

// The PSP's H.264: main profile at level 3.0 without CABAC, weighted prediction, mixed
// references, 8x8 transform or macroblock tree. Today's FFmpeg has no "-flags2" for these
// (and gave them to the audio stream as well, whose encoder refuses them): they are x264
// options now.
const QStringList kPspOptions = {
    "-bf", "3", "-bufsize", "2000", "-profile:v", "main", "-level", "3.0", "-wpredp", "0",
    "-x264opts",
    "cqm=flat:cabac=0:b_pyramid=0:8x8dct=0:weightb=0:mixed_refs=0:fast_pskip=1:mbtree=0"};

constexpr double kFrameLimitRate = 25.0;

// The program streams of the disc targets, which MEncoder makes by preference.
const QStringList kDiscMuxers = {"mpeg", "mpeg_vcd"};

bool isX264(const QString &codec)
{
    return kX264Family.contains(codec);
}

bool noStream(const QString &codec, const char *none)
{
    return codec.isEmpty() || codec == QLatin1String(none);
}

} // namespace

FFmpegEncodeCommand::FFmpegEncodeCommand(const EncodingJob &job, int passes, int pass)
    : m_job(job), m_passes(passes), m_pass(pass)
{
}

QString FFmpegEncodeCommand::videoEncoder(const QString &codec)
{
    return encoderFor(std::begin(kVideoEncoders), std::end(kVideoEncoders), codec);
}

QString FFmpegEncodeCommand::audioEncoder(const QString &codec, const QString &muxer, int level)
{
    if (codec != QLatin1String("pcm"))
        return encoderFor(std::begin(kAudioEncoders), std::end(kAudioEncoders), codec);
    if (kBigEndianPcmMuxers.contains(muxer))
        return QStringLiteral("pcm_s16be");
    // Bare "pcm" names no encoder of today's FFmpeg: any other level is 16 bits.
    return level == 3 ? QStringLiteral("pcm_s32le") : QStringLiteral("pcm_s16le");
}

QString FFmpegEncodeCommand::aspectValue(double aspect)
{
    return PictureFrame::shapeName(aspect);
}

QStringList FFmpegEncodeCommand::firstFilters(const EncodingSource &source, bool whole, bool encoded)
{
    QStringList filters = QStringList{heldPicture(source)} + SourceFields::ffmpegFilters(whole);
    if (encoded)
        filters << PictureColour::ffmpegFilters(source.facts);
    filters.removeAll(QString());
    return filters;
}

QString FFmpegEncodeCommand::duration(int frames)
{
    const double seconds = frames / kFrameLimitRate;
    const qint64 whole = qint64(seconds);
    // The fraction as decimal digits: 1001 frames last 40.04 s, not 40.4 s.
    const int milliseconds = qRound((seconds - whole) * 1000.0);
    QString fraction = QStringLiteral("%1").arg(milliseconds, 3, 10, QLatin1Char('0'));
    while (fraction.size() > 1 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(whole / 3600, 2, 10, QLatin1Char('0'))
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'))
        .arg(fraction);
}

QStringList FFmpegEncodeCommand::build(const Settings &settings, const QString &output,
                                       int frames, int start)
{
    m_settings = settings;
    m_arguments.clear();
    addInput();
    addStreamMaps();
    if (m_settings.profileLevel) {
        addFormat();
        addAspect();
        addFrameRate();
        addLimits(frames, start);
        addExtraOptions();
    } else {
        addExtraOptions();
        addFormat();
        addAspect();
        addLimits(frames, start);
        addFrameRate();
    }
    addVideo();
    addAudio();
    m_arguments << fileArgument(output);
    return m_arguments;
}

void FFmpegEncodeCommand::addInput()
{
    m_arguments << "-y" << "-i" << fileArgument(m_job.source.path);
}

QStringList FFmpegEncodeCommand::streamMaps(const EncodingSource &source, bool video, bool audio)
{
    // Left to itself FFmpeg takes the file's "best" audio stream, whichever the user chose
    // in the player, and adds the file's subtitles to containers that take them.
    QStringList maps;
    if (video && !source.noVideo)
        maps << "-map" << SourceStreams::videoSpecifier(source);
    if (audio && !source.noAudio)
        maps << "-map" << SourceStreams::audioSpecifier(source);
    return maps;
}

void FFmpegEncodeCommand::addStreamMaps()
{
    const bool video = !noStream(m_settings.videoCodec, "novideo");
    const bool audio = !noStream(m_settings.audioCodec, "noaudio");
    if (!inlaysPicture()) {
        m_arguments << streamMaps(m_job.source, video, audio);
        return;
    }
    // A picture subtitle's picture is encoded: a copy is refused with it.
    m_arguments << overlayMaps(m_job.source, audio, firstFilters(m_job.source, fieldsMadeWhole(), true),
                               frame().ffmpegFit(fieldsKept()));
}

QStringList FFmpegEncodeCommand::overlayMaps(const EncodingSource &source, bool audio, const QStringList &first,
                                             const QString &fit)
{
    // The picture the output takes is the overlay's, drawn through the frame's filters.
    return QStringList{"-filter_complex",
                       SubtitleInlay::ffmpegOverlayGraph(source, first.join(QLatin1Char(',')), fit),
                       "-map", SubtitleInlay::ffmpegVideoLabel()}
           + streamMaps(source, false, audio);
}

QStringList FFmpegEncodeCommand::inlaidStreamMaps(const EncodingSource &source, const QStringList &first,
                                                  const QString &fit)
{
    if (SubtitleInlay::chosen(source) && SubtitleInlay::isPicture(source.subtitle))
        return overlayMaps(source, true, first, fit);
    QStringList filters = first;
    if (SubtitleInlay::chosen(source))
        filters << SubtitleInlay::ffmpegTextFilter(source);
    filters << fit;
    filters.removeAll(QString());
    QStringList maps = streamMaps(source, true, true);
    if (!filters.isEmpty())
        maps << "-vf" << filters.join(QLatin1Char(','));
    return maps;
}

bool FFmpegEncodeCommand::inlaysSubtitle() const
{
    // A copied picture is refused with a chosen subtitle (SubtitleInlay::copyRefusal).
    return SubtitleInlay::chosen(m_job.source) && !m_job.source.noVideo
           && !noStream(m_settings.videoCodec, "novideo");
}

bool FFmpegEncodeCommand::inlaysPicture() const
{
    return inlaysSubtitle() && SubtitleInlay::isPicture(m_job.source.subtitle);
}

void FFmpegEncodeCommand::addExtraOptions()
{
    const QMap<QString, QString> &options = m_job.target.extraOptions;
    for (auto it = options.cbegin(); it != options.cend(); ++it) {
        m_arguments << it.key();
        if (!it.value().isEmpty())
            m_arguments << it.value();
    }
}

void FFmpegEncodeCommand::addFormat()
{
    const QString &muxer = m_settings.muxer;
    if (muxer == QLatin1String("ipod")
        || (m_settings.profileLevel && muxer == QLatin1String("webm")))
        m_arguments << "-f" << muxer;
    // The MP3 and AAC encoders start their sound a little before 0; moving the whole file
    // later by that, the AVI muxer's fixed frame rate puts the second picture a frame late
    // and the first one shows twice. AVI stores no start times, so nothing is lost.
    // A source whose picture starts between two frames of that rate would leave the
    // second one out: repeated frames keep the rate.
    if (muxer == QLatin1String("avi"))
        m_arguments << "-avoid_negative_ts" << "disabled" << "-fps_mode" << "cfr";
}

void FFmpegEncodeCommand::addAspect()
{
    // The frame's shape: a boxed picture's frame flagged with the source's own would be shown
    // stretched. Any other frame has the source's shape, also when the container stored none
    // (FLV) or a shape between the two common ones: left out, the scaled size's own shape
    // would distort it.
    const double aspect = frame().aspect;
    if (aspect > 0.0)
        m_arguments << "-aspect" << aspectValue(aspect);
}

void FFmpegEncodeCommand::addLimits(int frames, int start)
{
    if (frames > 0) {
        m_arguments << "-t" << duration(frames);
        if (!m_job.source.noVideo)
            m_arguments << "-vframes" << QString::number(frames);
        else if (!m_job.source.noAudio)
            m_arguments << "-aframes" << QString::number(frames);
    }
    if (start > 0)
        m_arguments << "-ss" << QString::number(start);
}

void FFmpegEncodeCommand::addFrameRate()
{
    const double target = m_job.target.video.frameRate;
    const double source = SourceStreams::frameRate(m_job.source);
    // The disc program streams take their TV standard's rate, as MEncoder writes them: a
    // VideoCD of a 50 fps source at 50 fps is no VideoCD.
    const QString disc = kDiscMuxers.contains(m_settings.muxer)
                             ? MEncoderEncodeCommand::standardFrameRate(m_settings.standard, source)
                             : QString();
    if (target > 0.0)
        m_arguments << "-r" << MEncoderEncodeCommand::number(target);
    else if (!disc.isEmpty())
        m_arguments << "-r" << disc;
    else if (source > 0.0)
        m_arguments << "-r" << MEncoderEncodeCommand::number(encodedRate(source));
}

double FFmpegEncodeCommand::encodedRate(double sourceRate) const
{
    // A copied stream keeps every picture of the source, which only an encoder could drop.
    if (m_settings.videoCodec == QLatin1String("copy"))
        return sourceRate;
    return MEncoderEncodeCommand::playableFrameRate(m_settings.muxer, sourceRate);
}

double FFmpegEncodeCommand::outputRate() const
{
    const double target = m_job.target.video.frameRate;
    if (target > 0.0)
        return target;
    const QString disc = kDiscMuxers.contains(m_settings.muxer)
                             ? MEncoderEncodeCommand::standardFrameRate(m_settings.standard, m_job.source.video.frameRate)
                             : QString();
    if (disc.isEmpty())
        return encodedRate(m_job.source.video.frameRate);
    const QStringList ratio = disc.split(QLatin1Char('/'));
    return ratio.value(0).toDouble() / (ratio.size() > 1 ? ratio.at(1).toDouble() : 1.0);
}

bool FFmpegEncodeCommand::fieldsKept() const
{
    return SourceFields::kept(m_job.source, m_settings.videoCodec, frame().size.height(),
                              SourceFields::sameRate(m_job.source, outputRate()));
}

bool FFmpegEncodeCommand::fieldsMadeWhole() const
{
    return SourceFields::madeWhole(m_job.source, m_settings.videoCodec, frame().size.height(),
                                   SourceFields::sameRate(m_job.source, outputRate()));
}

PictureFrame FFmpegEncodeCommand::frame() const
{
    return PictureFrame::of(m_settings.videoCodec, m_settings.pictureSize,
                            SourceStreams::displayAspect(m_job.source));
}

void FFmpegEncodeCommand::addVideo()
{
    const QString &codec = m_settings.videoCodec;
    if (noStream(codec, "novideo")) {
        m_arguments << "-vn";
        return;
    }
    // Each picture encoded is fitted into the frame by its own shape; a copy keeps the
    // stream's pictures as they are.
    const bool encoded = codec != QLatin1String("copy");
    const PictureFrame frame = this->frame();
    const QString fit = encoded ? frame.ffmpegFit(fieldsKept()) : QString();
    if (fit.isEmpty())
        m_arguments << "-s" << QStringLiteral("%1x%2").arg(frame.size.width()).arg(frame.size.height());
    // A text subtitle is drawn on the source's picture, before it is scaled into the frame;
    // a picture subtitle's overlay went with the stream maps.
    // The fields are made whole, and the colours converted, before anything is drawn on them.
    if (!inlaysPicture()) {
        QStringList filters = firstFilters(m_job.source, fieldsMadeWhole(), encoded);
        if (inlaysSubtitle())
            filters << SubtitleInlay::ffmpegTextFilter(m_job.source);
        if (!fit.isEmpty())
            filters << fit;
        if (!filters.isEmpty())
            m_arguments << "-vf" << filters.join(QLatin1Char(','));
    }
    m_arguments << heldPictureMuxing(m_job.source);
    m_arguments << "-vb" << MEncoderEncodeCommand::number(m_settings.videoBitrate) + "k";
    m_arguments << SourceFields::ffmpegFieldOptions(m_job.source, fieldsKept());

    if (codec == QLatin1String("h263")) {
        // Overlapped block motion compensation is no flag of today's FFmpeg but an option
        // of its H.263 encoder; "+obmc" made the whole command fail.
        m_arguments << "-flags" << "+aic" << "-obmc" << "1";
    } else if (codec == QLatin1String("mpeg4")) {
        if (m_settings.muxer == QLatin1String("avi"))
            m_arguments << "-vtag" << "XVID";
        // An unknown source rate stays the source's: snapped from 0 it became the first row's.
        // A device's rate is snapped from the share of the pictures it shows.
        const double f = encodedRate(SourceStreams::frameRate(m_job.source));
        const char *rate = kMpeg4TopRate;
        for (const SnappedRate &row : kMpeg4Rates) {
            if (row.rate >= f * (1.0 - kSnapSlack)) {
                rate = row.text;
                break;
            }
        }
        if (f > 0.0)
            m_arguments << "-r" << rate;
        m_arguments << "-mbd" << "rd" << "-flags" << "+mv4+aic" << "-trellis" << "2" << "-cmp"
                    << "2" << "-subcmp" << "2" << "-g" << "300";
    } else if (codec == QLatin1String("xvid")) {
        m_arguments << "-vtag" << "XVID";
        addXvidLevel();
    } else if (isX264(codec)) {
        addX264();
    }
    // The players of every target (disc players, phones, browsers) decode 4:2:0 pictures of
    // 8 bits. Left to the source's format, the MPEG-2 and Theora encoders keep 4:2:2 (an
    // editor's ProRes, a 10-bit camera's file; DV's 4:1:1 becomes 4:2:2, MPEG-2's 4:2:2
    // profile), libx264 keeps 4:4:4 or RGB. A copy keeps the stream as it is.
    if (encoded)
        m_arguments << "-pix_fmt" << "yuv420p" << PictureColour::ffmpegTags(m_job.source.facts);
    m_arguments << "-vcodec" << videoEncoder(codec);
}

void FFmpegEncodeCommand::addXvidLevel()
{
    const int level = m_settings.level;
    if (!m_settings.profileLevel || level < 1 || level > 3)
        return;
    m_arguments << kXvidLevels[level - 1];
}

QString FFmpegEncodeCommand::x264Preset() const
{
    if (!m_settings.profileLevel)
        return m_settings.x264Preset.isEmpty() ? QStringLiteral("ultrafast") : m_settings.x264Preset;
    const int column = m_settings.level >= 1 && m_settings.level <= 3 ? m_settings.level - 1 : 3;
    for (const LevelPresets &row : kX264Presets) {
        if (row.codecs.contains(m_settings.videoCodec))
            return QString::fromLatin1(row.presets[column]);
    }
    return QString();
}

QString FFmpegEncodeCommand::x264Profile() const
{
    if (!m_settings.profileLevel)
        return m_settings.videoProfile.mid(5);
    const QSize size = m_settings.pictureSize;
    if (m_settings.muxer == QLatin1String("ipod") && size.width() <= 640 && size.height() <= 480)
        return QStringLiteral("baseline");
    if (m_settings.muxer == QLatin1String("psp"))
        return QStringLiteral("main");
    if (size.height() > 480)
        return QStringLiteral("high");
    if (m_settings.level == 1)
        return QStringLiteral("baseline");
    if (m_settings.level == 2)
        return QStringLiteral("main");
    return QString();
}

void FFmpegEncodeCommand::addX264()
{
    const QString &codec = m_settings.videoCodec;
    const QString &muxer = m_settings.muxer;
    // At the user's settings the PSP options follow the codec, at a level the container.
    const bool psp = m_settings.profileLevel ? muxer == QLatin1String("psp")
                                             : codec == QLatin1String("x264_psp");
    if (codec == QLatin1String("x264_divx"))
        m_arguments << "-bufsize" << "25000" << "-bf" << "3";
    else if (muxer == QLatin1String("mov") || muxer == QLatin1String("ipod"))
        m_arguments << "-bf" << "1";
    else if (psp)
        m_arguments << kPspOptions;
    // FLV times its frames in whole milliseconds: reordered frames at a rate such as
    // 29.97 come back from a decoder with two frames on one time stamp.
    else if (muxer == QLatin1String("flv"))
        m_arguments << "-bf" << "0";

    // The classic "-fpre" preset files are not installed with today's FFmpeg: x264's own
    // presets carry the same names. There is no "_firstpass" preset: libx264 already runs
    // a first pass with fast settings ("-fastfirstpass", on by default).
    const bool pspLevel = m_settings.profileLevel && muxer == QLatin1String("psp");
    const QString preset = x264Preset();
    if (!pspLevel && !preset.isEmpty())
        m_arguments << "-preset" << preset;

    // "-profile" alone is given to the audio encoder as well: the profile is the video's.
    const QString profile = x264Profile();
    if (!pspLevel && !profile.isEmpty()
        && (!m_settings.profileLevel || profile != QLatin1String("high")))
        m_arguments << "-profile:v" << profile;
}

bool FFmpegEncodeCommand::sourceHasAc3() const
{
    // As the player names it: a codec name, or the WAVE format tag 0x2000.
    static const QStringList names = {"ac3", "a52", "8192", "0x2000"};
    const AudioInfo &audio = m_job.source.audio;
    for (const QString &name : names) {
        if (audio.format.contains(name, Qt::CaseInsensitive)
            || audio.codec.contains(name, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void FFmpegEncodeCommand::addAudio()
{
    const QString &codec = m_settings.audioCodec;
    if (noStream(codec, "noaudio")) {
        m_arguments << "-an";
        return;
    }
    // Level 5 keeps the source's AC-3 sound (its profile sets no rate and no bitrate): as
    // written, FFmpeg re-encoded it and mixed it down to two channels.
    if (m_settings.profileLevel && m_settings.level == EncoderProfile::LevelAudioCopy
        && codec == QLatin1String("ac3") && sourceHasAc3()) {
        m_arguments << "-acodec" << "copy";
        return;
    }
    if (m_settings.volume != 0)
        m_arguments << "-vol"
                    << QString::number(int(256.0 * qPow(10.0, m_settings.volume / 20.0)));

    const double bitrate = m_settings.audioBitrate;
    const int rate = m_settings.samplingRate;
    const qsizetype before = m_arguments.size();
    if (codec == QLatin1String("amrnb"))
        m_arguments << "-ac" << "1";
    else if (codec == QLatin1String("pcm"))
        m_arguments << "-ac" << (bitrate < 1536 ? "1" : "2");
    else if (codec == QLatin1String("ac3") && bitrate <= 256)
        m_arguments << "-ac" << "2";
    else if (rate != m_job.source.audio.samplingRate)
        m_arguments << "-ac" << "2";
    const bool channelsSet = m_arguments.size() > before;

    if (rate > 0)
        m_arguments << "-ar" << QString::number(rate);
    if (bitrate > 0.0)
        m_arguments << "-ab" << MEncoderEncodeCommand::number(bitrate) + "k";
    const QString encoder =
        audioEncoder(codec, m_settings.muxer, m_settings.profileLevel ? m_settings.level : 0);
    // A copy keeps the sound's frames as they are: FFmpeg filters none of them.
    const bool copied = encoder == QLatin1String("copy");
    QStringList filters;
    if (!copied)
        filters << soundTiming(m_job.source);
    // Silence from the file's start keeps a sound that starts later in step: a WMA sound
    // decodes from 0.09 s of an ASF whose picture starts at 0.05 s.
    // FFmpeg builds its filters anew where the sound's rate changes, and a filter that pads
    // from the file's start pads again there (half a second of silence in a second of a
    // recording that goes from 48 kHz to 44.1 kHz). FFmpeg's own "-async" pads in the first
    // filters only, so it is right whatever the sound holds, seen at the load or not; but it
    // pads before any filter, so a picture that starts after the input's earliest stream
    // needs the sound on its clock first, which is kept to a sound whose rate was measured
    // plain (left without, a sound that starts after its picture started with it).
    // A sound of no times is laid out from the start by its samples alone: "-async" would
    // squeeze it onto its one time first.
    if (!copied && !soundUntimed(m_job.source) && soundStartsWithFile(m_settings.muxer, codec)) {
        const QString pictureClock = soundOnPictureClock();
        const bool plainRate = !soundRateChanges(m_job.source)
                               && !(m_job.source.facts.unknown & SourceFacts::SoundRatesUnknown);
        if (pictureClock.isEmpty() || !plainRate)
            m_arguments << "-async" << "1" << "-adrift_threshold" << "0.01";
        else
            filters << pictureClock << soundFromStart();
    }
    // Left to the source, the channels are those the target plays, in a layout the encoder
    // writes so that players read it.
    if (!channelsSet)
        filters << AudioChannels::ffmpegLayoutFilter(m_settings.muxer, codec, encoder);
    filters << pcmFramesFilter(codec, rate > 0 ? rate : m_job.source.audio.samplingRate);
    filters.removeAll(QString());
    if (!filters.isEmpty())
        m_arguments << "-af" << filters.join(QLatin1Char(','));
    if (encoder == QLatin1String("aac"))
        m_arguments << "-strict" << "experimental";
    m_arguments << "-acodec" << encoder;
}

bool FFmpegEncodeCommand::soundUntimed(const EncodingSource &source)
{
    const int sound = SourceStreams::audioIndex(source);
    const QList<SourceFacts::Sound> &sounds = source.facts.sounds;
    return sound >= 0 && sound < sounds.size() && sounds.at(sound).untimed;
}

QString FFmpegEncodeCommand::soundTiming(const EncodingSource &source)
{
    // FFmpeg keeps the packet times: of RealAudio's second (every packet at 0) it kept 0.04 s.
    if (soundUntimed(source))
        return QStringLiteral("asetpts=N/SR/TB");
    // Where the rate changes, FFmpeg builds its filters anew, and the first frames of the new
    // ones do not follow on from the last of the old; where a joined recording's times go
    // back, its frames overlap as they come. PCM and Vorbis in Matroska got two packets of one
    // time there, which a decoder refuses. Laid out by their times to the hundredth of a
    // second (the resampler's own bound, a tenth, lets them be), they follow on.
    // So for every sound, whether the load saw its rate change or not: between the points it
    // read, or where its reads failed, a change may still come.
    return QStringLiteral("aresample=async=1:min_hard_comp=0.01");
}

bool FFmpegEncodeCommand::soundRateChanges(const EncodingSource &source)
{
    const int sound = SourceStreams::audioIndex(source);
    const QList<SourceFacts::Sound> &sounds = source.facts.sounds;
    return sound >= 0 && sound < sounds.size() && sounds.at(sound).rateChanges();
}

QString FFmpegEncodeCommand::soundFromStart()
{
    return QStringLiteral("aresample=async=1:first_pts=0");
}

bool FFmpegEncodeCommand::soundStartsWithFile(const QString &muxer, const QString &codec)
{
    // AVI stores no start times: the muxer puts empty chunks before a sound that starts
    // after the picture, which players skip (the sound comes that much early) and the AAC
    // decoder refuses. FFmpeg's Ogg muxer numbers FLAC's samples from 0: a sound 0.5 s after
    // its picture came 0.5 s early, where Vorbis and Opus keep their start. Empty: any codec.
    static const struct
    {
        const char *muxer, *codec;
    } kFromFile[] = {{"avi", ""}, {"ogg", "flac"}};
    for (const auto &row : kFromFile)
        if (muxer == QLatin1String(row.muxer) && (!*row.codec || codec == QLatin1String(row.codec)))
            return true;
    return false;
}

QString FFmpegEncodeCommand::soundOnPictureClock() const
{
    // FFmpeg times every stream from the input's earliest start; a container that starts
    // both with the file shows the first picture at its start, that much early against the
    // sound where the picture starts later (a Matroska picture 0.023 s after its other
    // sound track: with an AAC encoder's delay, its own late sound came 0.11 s late).
    const SourceFacts &facts = m_job.source.facts;
    if (noStream(m_settings.videoCodec, "novideo") || m_job.source.noVideo || !facts.measured)
        return QString();
    double earliest = facts.pictureStart;
    for (const SourceFacts::Sound &sound : facts.sounds)
        earliest = std::min(earliest, sound.start);
    // A chosen sound that starts before the picture keeps its lead: the output's picture is
    // held from the sound's start (a TV recording's sound before its first key picture).
    const int chosen = SourceStreams::audioIndex(m_job.source);
    const double start = chosen >= 0 && chosen < facts.sounds.size()
                             ? std::min(facts.pictureStart, facts.sounds.at(chosen).start) : facts.pictureStart;
    const double lead = start - earliest;
    return lead >= 0.001 ? QStringLiteral("asetpts=PTS-%1/TB").arg(lead, 0, 'f', 3) : QString();
}

QString FFmpegEncodeCommand::heldPicture(const EncodingSource &source)
{
    // FFmpeg ends the picture with its last one: a song's one picture was shown for a
    // frame's time, the rest of the song without a picture (MP4), or the file's end check
    // found 0.04 s of the 30 s picture a Matroska file declares.
    // The picture lasts to the source's end: its own frame and the copies after it.
    const SourceFacts &facts = source.facts;
    const double rest = facts.length - facts.pictureStart;
    if (!facts.stillPicture || !(rest > 0.0))
        return QString();
    const double rate = SourceStreams::frameRate(source);
    if (rate > 0.0)
        return QStringLiteral("tpad=stop_mode=clone:stop=%1").arg(std::max(qRound(rest * rate) - 1, 0));
    return QStringLiteral("tpad=stop_mode=clone:stop_duration=%1").arg(rest, 0, 'f', 3);
}

QStringList FFmpegEncodeCommand::heldPictureMuxing(const EncodingSource &source)
{
    if (heldPicture(source).isEmpty())
        return {};
    return {QStringLiteral("-max_interleave_delta"), QStringLiteral("0")};
}

QString FFmpegEncodeCommand::pcmFramesFilter(const QString &codec, int rate) const
{
    // The PCM encoder takes its frames as the decoder gives them: an AC-3 frame resampled to
    // 96 kHz is 12 KB, three times the MPEG muxer's sound buffer. The muxer then reports
    // buffer underflows and stamps its packets with times up to a packet off, two of them
    // with one time, which a player's demuxer reads as sound going backwards. Frames of
    // 1/600 s (at most 1.3 KB) fit the buffer and begin in every packet.
    if (codec != QLatin1String("pcm") || m_settings.muxer != QLatin1String("mpeg") || rate < 600)
        return QString();
    return QStringLiteral("asetnsamples=n=%1:p=0").arg(rate / 600);
}
