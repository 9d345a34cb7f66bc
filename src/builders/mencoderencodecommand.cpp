#include "builders/mencoderencodecommand.h"

#include "builders/sourcefields.h"
#include "builders/sourcestreams.h"
#include "builders/subtitleinlay.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/sourcekind.h"
#include "engines/fileargument.h"
#include "engines/mencoder.h"

#include <QFileInfo>
#include <QSet>

#include <cmath>

namespace {

// MEncoder's encoder for each codec identifier; identifiers not listed go to libavcodec.
struct EncoderName
{
    QStringList codecs;
    const char *encoder;
};
const EncoderName kVideoEncoders[] = {
    {{"", "novideo"}, "frameno"},
    {{"copy"}, "copy"},
    {{"xvid"}, "xvid"},
    {{"x264", "x264_lr", "x264_hd", "x264_psp", "x264_divx"}, "x264"},
};
const EncoderName kAudioEncoders[] = {
    {{"", "noaudio"}, ""},
    {{"ac3", "ac3_copy", "copy"}, "copy"},
    {{"aac", "aac_lr", "aac_hq", "aac_flv"}, "faac"},
    {{"mp3", "mp3_lr", "mp3_flv", "mp3_flv_lr"}, "mp3lame"},
    // MPEG layer 2 and PCM are written by MEncoder's own encoders: every libavcodec audio
    // encoder of today's MEncoder refuses to open ("Specified channel layout '2
    // channels' is not supported").
    {{"mp2", "mp2_vcd"}, "twolame"},
    {{"pcm"}, "pcm"},
};

QString encoderFor(const EncoderName *begin, const EncoderName *end, const QString &codec)
{
    for (const EncoderName *row = begin; row != end; ++row) {
        if (row->codecs.contains(codec))
            return QString::fromLatin1(row->encoder);
    }
    return QStringLiteral("lavc");
}

// Containers whose file the encoder core makes from an intermediate AVI in a later step.
const QStringList kAudioContainers = {"mp3", "ac3", "au", "wav", "m4a"};

// The Xvid profile for the picture size, first match; a larger picture gets none.
struct XvidSizeProfile
{
    bool avi;
    int maxWidth;
    int maxHeight;
    const char *pal;  // also for any standard other than NTSC
    const char *ntsc;
};
const XvidSizeProfile kXvidSizeProfiles[] = {
    {true, 176, 144, "dxnhandheld", "dxnhandheld"},
    {true, 352, 288, "dxnportpal", "dxnportntsc"},
    {true, 352, 576, "dxnhtpal", "dxnhtntsc"},
    {true, 1280, 720, "dxnhdtv", "dxnhdtv"},
    {false, 176, 144, "asp1", "asp1"},
    {false, 352, 288, "sp3", "sp3"},
    {false, 352, 576, "asp4", "asp4"},
    {false, 720, 576, "asp5", "asp5"},
};

// The Xvid quality options of the predefined levels.
const QStringList kXvidLevelOptions[] = {
    {},
    {"turbo", "vhq=0", "nohq_ac", "notrellis", "me_quality=4"},
    {"vhq=1", "nohq_ac"},
    {"chroma_opt", "vhq=4", "hq_ac", "trellis", "me_quality=6"},
};

// The two-channel downmix of a multi-channel source for PCM.
const char kPcmStereoDownmix[] = "pan=2:.32:.32:.39:.06:.06:.39:.17:-.17:-.17:.17:.33:.33";
const char kMonoDownmix[] = "pan=1:0.5:0.5";

// Rates closer than this share are the same rate (29.97 and 30000/1001).
constexpr double kSameRate = 0.001;

} // namespace

MEncoderEncodeCommand::MEncoderEncodeCommand(const EncodingJob &job, int passes, int pass)
    : m_job(job), m_passes(passes), m_pass(pass)
{
}

QString MEncoderEncodeCommand::videoEncoder(const QString &codec)
{
    return encoderFor(std::begin(kVideoEncoders), std::end(kVideoEncoders), codec);
}

QString MEncoderEncodeCommand::audioEncoder(const QString &codec)
{
    return encoderFor(std::begin(kAudioEncoders), std::end(kAudioEncoders), codec);
}

QString MEncoderEncodeCommand::lavcVideoName(const QString &codec)
{
    return codec == QLatin1String("theora") ? QStringLiteral("libtheora") : codec;
}

QString MEncoderEncodeCommand::outputFormat(const QString &muxer)
{
    // MPEG program streams too go through libavformat (see addMpegContainer).
    if (muxer == QLatin1String("avi") || kAudioContainers.contains(muxer))
        return QStringLiteral("avi");
    return QStringLiteral("lavf");
}

QString MEncoderEncodeCommand::number(double value)
{
    return QString::number(value, 'g', 6);
}

QString MEncoderEncodeCommand::bitrate(double kbits)
{
    // MEncoder reads its bit rates as integers: lavc and Xvid refuse "1234.57", x264
    // accepts it and writes an empty file.
    return QString::number(qRound64(kbits));
}

QString MEncoderEncodeCommand::shape(double aspect)
{
    if (aspect == 4.0 / 3.0)
        return QStringLiteral("4/3");
    if (aspect == 16.0 / 9.0)
        return QStringLiteral("16/9");
    return number(aspect);
}

QStringList MEncoderEncodeCommand::boxFilters(const PictureFrame &frame)
{
    // "expand" adds the bars at the shape given, in the picture's own pixels and by its
    // display shape, left and right of a narrower picture, above and below a wider one; the
    // scale after it fits the whole into the frame. Today's MEncoder lets "expand" draw
    // straight into the MPEG-2 decoder's frames, which leaves a single decodable frame from
    // a DVD; a plain "scale" in front hands it copies, at the picture's display size.
    if (!frame.boxed())
        return {};
    return {QStringLiteral("scale"), "expand=:::::" + shape(frame.aspect)};
}

QString MEncoderEncodeCommand::lavfFormat(const QString &muxer)
{
    return MEncoder::lavfFormat(muxer);
}

QStringList MEncoderEncodeCommand::build(const Settings &settings, const QString &output,
                                         int frames, int chapter, int startSeconds)
{
    m_settings = settings;
    m_arguments.clear();
    m_lavcOptions.clear();
    m_output = output;

    addInput(chapter, startSeconds, frames);
    addLimits(frames);
    addContainer();
    addVideo(frames);
    addAudio();
    if (!m_lavcOptions.isEmpty())
        m_arguments << "-lavcopts" << m_lavcOptions.join(':');
    m_arguments << "-o" << m_output;
    return m_arguments;
}

MEncoderEncodeCommand::Aspect MEncoderEncodeCommand::aspectClass() const
{
    const double common = PictureFrame::commonShape(SourceStreams::displayAspect(m_job.source));
    if (common == 4.0 / 3.0)
        return Aspect::FourThree;
    return common > 0.0 ? Aspect::SixteenNine : Aspect::Other;
}

QStringList MEncoderEncodeCommand::dvdAudioChoice(const EncodingSource &source)
{
    if (source.audio.aid > -1)
        return {"-aid", QString::number(source.audio.aid)};
    const QString language = source.audio.language;
    if (!language.isEmpty() && language != QLatin1String("en"))
        return {"-alang", QStringLiteral("%1,en").arg(language)};
    return {"-alang", "en"};
}

QStringList MEncoderEncodeCommand::dvdTitleInput(const QString &device, int title)
{
    // A full-size title's picture runs well ahead of its sound in the stream (FFmpeg's DVD
    // muxer lays 120 kB of picture between two AC-3 packets), and MEncoder's reader, taking
    // that for bad interleaving, ends the sound there: 0.12 s of sound from a title of 1 s
    // or of 10 s. "-ni" has it read on through the picture for the sound.
    return {"-dvd-device", device, QStringLiteral("dvd://%1").arg(title), "-ni"};
}

QStringList MEncoderEncodeCommand::dvdSubtitleChoice(const EncodingSource &source)
{
    if (source.subtitle.sid > -1)
        return {"-sid", QString::number(source.subtitle.sid)};
    const QString language = source.subtitle.language;
    if (language.isEmpty())
        return {"-nosub"};
    if (language == QLatin1String("en"))
        return {"-slang", "en"};
    return {"-slang", QStringLiteral("%1,en").arg(language)};
}

void MEncoderEncodeCommand::addInput(int chapter, int startSeconds, int frames)
{
    const EncodingSource &source = m_job.source;
    if (source.kind == SourceKind::Dvd) {
        m_arguments << dvdTitleInput(source.path, source.video.title);
        // MEncoder's DVD reader hands a copy the title's first AC-3 frame cut short, which
        // players report as broken; libavformat's reader hands it whole, and numbers the
        // audio streams among themselves. It gives the copy no time stamps, so only where
        // the AVI muxer times the sound by its rate. It also copies the whole title's sound
        // whatever "-frames" stops the picture at, so a run of some frames keeps MEncoder's.
        const bool copy = audioEncoder(m_settings.audioCodec) == QLatin1String("copy");
        if (!source.noAudio && copy && frames <= 0
            && outputFormat(m_settings.muxer) == QLatin1String("avi"))
            m_arguments << "-demuxer" << "lavf" << "-aid"
                        << QString::number(SourceStreams::audioIndex(source));
        else
            m_arguments << dvdAudioChoice(source);
        m_arguments << dvdSubtitleChoice(source);
        if (!source.noVideo && source.video.angle > 1)
            m_arguments << "-dvdangle" << QString::number(source.video.angle);
        if (chapter > 0)
            m_arguments << "-chapter" << QString::number(chapter);
        return;
    }

    m_arguments << fileArgument(source.path);
    // A bare stream that the player's reader times at another rate than its own (an H.264
    // stream's field rate) is read at its own.
    if (!source.noVideo && source.video.playerFrameRate > 0.0 && source.video.frameRate > 0.0)
        m_arguments << "-fps" << number(source.video.frameRate);
    // MEncoder's own AVI reader decodes a single frame of AVIs whose MP3 audio FFmpeg
    // wrote (and then ignores "-frames"); its transport stream reader ends the picture of a
    // recording with two sound tracks half a second early (0.48 s of 1 s, 2.48 s of 3 s);
    // its ASF reader (MediaInfo's "Windows Media") starts the picture after the file's
    // preroll, 3.1 s after its sound, and reads a 25 fps picture at the file's clock, 1000
    // fps. libavformat's reads them whole and in step.
    const bool lavf = SourceStreams::isAvi(source) || SourceStreams::isTransportStream(source)
                      || source.video.fileFormat.compare(QLatin1String("Windows Media"), Qt::CaseInsensitive) == 0;
    if (lavf)
        m_arguments << "-demuxer" << "lavf";
    // A program stream (a DVD's VOB, a recording) lays its picture ahead of its sound as a
    // DVD title does, and loses its sound in MEncoder's reader the same way.
    if (!keepsStartTimes(source))
        m_arguments << "-ni";
    if (!source.noAudio && source.audio.streamNumber > -1)
        m_arguments << "-aid"
                    << QString::number(lavf ? SourceStreams::audioIndex(source) : source.audio.aid);
    // libavformat's reader numbers the subtitles from 0, as it does the sound. Left to itself
    // MEncoder draws a subtitle the file flags (a Matroska's default or forced track) into
    // the picture.
    if (!source.noSubtitle && source.subtitle.streamNumber > -1)
        m_arguments << "-sid" << QString::number(lavf ? SubtitleInlay::index(source) : source.subtitle.sid);
    else
        m_arguments << "-nosub";
    if (startSeconds > 0)
        m_arguments << "-ss" << QString::number(startSeconds);
}

void MEncoderEncodeCommand::addLimits(int frames)
{
    if (frames > 0)
        m_arguments << "-frames" << QString::number(frames);
    // Every picture once: MEncoder neither drops nor repeats pictures to follow the sound
    // (a DVD title's picture ran 2 s past its copied AC-3 in 20 s, and lost two of 25
    // frames to MP3 sound in MP4). A change of rate needs the drops and repeats that
    // "-noskip" forbids: every picture of 50 a second shown at 25 lasts twice as long.
    if (keepsSourceRate())
        m_arguments << "-noskip";
    m_arguments << "-mc" << "0";
    const QMap<QString, QString> &extra = m_job.target.extraOptions;
    for (auto it = extra.cbegin(); it != extra.cend(); ++it) {
        m_arguments << it.key();
        if (!it.value().isEmpty())
            m_arguments << it.value();
    }
}

bool MEncoderEncodeCommand::keepsStartTimes(const EncodingSource &source)
{
    // Its own reader of a program stream starts picture and sound together, where each of
    // them starts in the file; libavformat's reader and the Matroska reader keep the
    // picture's time in the file and start the sound with the output.
    return source.video.fileFormat.compare(QLatin1String("MPEG-PS"), Qt::CaseInsensitive) != 0;
}

QString MEncoderEncodeCommand::standardFrameRate(const QString &standard, double sourceRate)
{
    // NTSC's film rate for a source known to run slower than its video rate.
    if (standard == QLatin1String("PAL"))
        return QStringLiteral("25");
    if (standard == QLatin1String("NTSC"))
        return sourceRate > 0.0 && sourceRate < 29.0 ? QStringLiteral("24000/1001")
                                                     : QStringLiteral("30000/1001");
    return QString();
}

double MEncoderEncodeCommand::playableFrameRate(const QString &muxer, double sourceRate)
{
    // The most pictures a second the devices a target is made for show. Given more, the
    // device stutters or refuses the file, and at a device's bit rates the encoder codes many
    // of them as repeats of the picture before.
    struct DeviceRate
    {
        const char *muxer;
        double most;
    };
    static const DeviceRate devices[] = {
        {"psp", 30.0},  // the PSP's H.264 and MPEG-4 players
        {"ipod", 30.0}, // the iPod's video: H.264 and MPEG-4 up to 30 fps
        {"3gp", 30.0},  // phones of 3GPP (15 to 30 fps) and 3GPP2: the faster ones
        {"3g2", 30.0},
    };
    // A share of the pictures keeps an even pace where the source runs at a whole multiple
    // of a rate of film or television: every second picture of 50 fps gives 25, of 59.94
    // 29.97, every fourth of 120 gives 30. Any other faster rate is shown at the device's
    // most: halved, the 30.044 fps a phone records would keep 15 pictures a second.
    static const double evenRates[] = {24000.0 / 1001, 24.0, 25.0, 30000.0 / 1001, 30.0};
    for (const DeviceRate &device : devices) {
        if (muxer != QLatin1String(device.muxer) || sourceRate <= device.most)
            continue;
        const double share = sourceRate / std::ceil(sourceRate / device.most);
        for (double even : evenRates) {
            if (std::abs(share / even - 1.0) < kSameRate)
                return share;
        }
        return device.most;
    }
    return sourceRate;
}

namespace {
// The frame rates MPEG-1 video codes (MPEG-2 codes them too); MEncoder's MPEG-1 encoder
// refuses any other ("MPEG-1/2 does not support 30044/1000 fps"), and a source read at
// its container's clock (1000 or 600 fps) would be refused likewise.
struct MpegRate
{
    const char *text;
    double rate;
};
const MpegRate kMpegRates[] = {
    {"24000/1001", 24000.0 / 1001}, {"24", 24.0}, {"25", 25.0}, {"30000/1001", 30000.0 / 1001},
    {"30", 30.0}, {"50", 50.0}, {"60000/1001", 60000.0 / 1001}, {"60", 60.0},
};

const MpegRate *codedRate(double rate)
{
    for (const MpegRate &row : kMpegRates) {
        if (std::abs(rate / row.rate - 1.0) < kSameRate)
            return &row;
    }
    return nullptr;
}
} // namespace

QString MEncoderEncodeCommand::rateText(double rate)
{
    const MpegRate *coded = codedRate(rate);
    return coded ? QLatin1String(coded->text) : number(rate);
}

QString MEncoderEncodeCommand::mpegFrameRate(double sourceRate)
{
    if (sourceRate <= 0.0 || codedRate(sourceRate))
        return QString();
    // Every second (or n-th) picture keeps an even pace: 120 fps gives 60.
    for (int share = 2; sourceRate / share >= std::begin(kMpegRates)->rate * (1.0 - kSameRate); ++share) {
        if (const MpegRate *row = codedRate(sourceRate / share))
            return QLatin1String(row->text);
    }
    const MpegRate *fastest = std::begin(kMpegRates);
    for (const MpegRate &row : kMpegRates) {
        if (row.rate < sourceRate)
            fastest = &row;
    }
    return QLatin1String(fastest->text);
}

QString MEncoderEncodeCommand::outputFrameRate() const
{
    // MEncoder reads film whose pictures repeat fields at the rate its fields are shown at
    // (29.97), and times every picture so: a DVD title's 144 pictures of 6 s lasted 4.8 s.
    const QString rate = targetFrameRate();
    const double sourceRate = SourceStreams::frameRate(m_job.source);
    return rate.isEmpty() && m_job.source.facts.repeatFields && sourceRate > 0.0 ? rateText(sourceRate) : rate;
}

QString MEncoderEncodeCommand::targetFrameRate() const
{
    const QString &muxer = m_settings.muxer;
    const bool mpeg = muxer == QLatin1String("mpeg") || muxer == QLatin1String("mpeg_vcd");
    const bool lavfContainer = muxer == QLatin1String("asf") || muxer == QLatin1String("mov")
                               || muxer == QLatin1String("qt");
    // An unknown source rate never becomes a number: the source keeps its own.
    const double sourceRate = SourceStreams::frameRate(m_job.source);
    if (!mpeg && !lavfContainer) {
        // A copied stream keeps every picture of the source, which only an encoder could drop.
        if (videoEncoder(m_settings.videoCodec) == QLatin1String("copy"))
            return QString();
        const double playable = playableFrameRate(muxer, sourceRate);
        return playable != sourceRate ? number(playable) : QString();
    }
    const QString rate = standardFrameRate(m_settings.standard, sourceRate);
    if (!rate.isEmpty())
        return rate;
    if (mpeg)
        return mpegFrameRate(sourceRate);
    return lavfContainer && sourceRate > 0.0 ? number(sourceRate) : QString();
}

double MEncoderEncodeCommand::outputRate() const
{
    const QStringList ratio = outputFrameRate().split(QLatin1Char('/'));
    const double rate = ratio.value(0).toDouble() / (ratio.size() > 1 ? ratio.at(1).toDouble() : 1.0);
    return std::isfinite(rate) ? rate : 0.0;
}

bool MEncoderEncodeCommand::keepsSourceRate() const
{
    const double output = outputRate();
    const double sourceRate = SourceStreams::frameRate(m_job.source);
    if (output <= 0.0 || sourceRate <= 0.0)
        return true;
    return qAbs(output - sourceRate) < 0.01;
}

QStringList MEncoderEncodeCommand::repeatFilters() const
{
    // A faster output rate repeats pictures. MEncoder hands the copy "harddup" makes to the
    // encoder with the time of the picture it repeats, and libavformat's muxers keep the
    // times: of a 15 fps FLV's 120 pictures in 8 s an MPEG file at 23.976 held the 120 and
    // 71 gaps (from MEncoder's own AVI reader, whose pictures have no times, it held 191).
    // "fixpts" after "harddup" stamps every picture anew at the output's rate.
    const double output = outputRate();
    const double sourceRate = SourceStreams::frameRate(m_job.source);
    if (sourceRate > 0.0 && output > sourceRate * (1.0 + kSameRate))
        return {"harddup", "fixpts=fps=" + outputFrameRate()};
    return {"harddup"};
}

void MEncoderEncodeCommand::addFrameRateSwitch()
{
    const QString rate = outputFrameRate();
    if (!rate.isEmpty())
        m_arguments << "-ofps" << rate;
}

void MEncoderEncodeCommand::addMpegContainer()
{
    // libavformat's MPEG program stream muxer for each flavour. MEncoder's own MPEG muxer
    // ("-of mpeg -mpegopts format=...") loses the last half second of the sound of every
    // encode, and writes no packet at all when "-frames" stops an encode early, so that
    // a trial run of the command would validate nothing.
    struct MpegFormat
    {
        const char *codec;
        bool wide; // picture width of 704 or more
        const char *lavfFormat;
    };
    static const MpegFormat formats[] = {
        {"mpeg1video", false, "vcd"},
        {"mpeg1video", true, "vcd"},
        {"mpeg2video", false, "svcd"},
        {"mpeg2video", true, "dvd"},
    };
    const bool wide = m_settings.pictureSize.width() >= 704;
    QString format = QStringLiteral("mpeg");
    for (const MpegFormat &row : formats) {
        if (m_settings.videoCodec == QLatin1String(row.codec) && row.wide == wide)
            format = QLatin1String(row.lavfFormat);
    }
    // A Super VideoCD carries MPEG layer 2 sound at 44.1 kHz only; a narrow MPEG-2 picture
    // with other sound (a DVD's AC-3, PCM, 48 kHz) is a DVD-Video stream.
    const bool svcdSound = audioEncoder(m_settings.audioCodec) == QLatin1String("twolame")
                           && m_settings.samplingRate == 44100;
    if (format == QLatin1String("svcd") && !svcdSound)
        format = QStringLiteral("dvd");
    m_arguments << "-of" << "lavf" << "-lavfopts" << "format=" + format;
    addFrameRateSwitch();
}

void MEncoderEncodeCommand::addContainer()
{
    const QString &muxer = m_settings.muxer;
    if (muxer == QLatin1String("avi")) {
        addFrameRateSwitch();
        m_arguments << "-of" << "avi";
        return;
    }
    if (kAudioContainers.contains(muxer)) {
        m_output = intermediatePath(m_output);
        // The end check measures its picture against the source's.
        addFrameRateSwitch();
        m_arguments << "-of" << "avi";
        return;
    }
    if (muxer == QLatin1String("mpeg") || muxer == QLatin1String("mpeg_vcd")) {
        addMpegContainer();
        return;
    }
    addFrameRateSwitch();
    m_arguments << "-of" << "lavf" << "-lavfopts" << "format=" + lavfFormat(muxer);
}

QString MEncoderEncodeCommand::intermediatePath(const QString &output)
{
    // Two jobs for outputs of one name must not share their intermediate file: a name
    // is taken once per run of the program and never while a file holds it.
    static QSet<QString> taken;
    const QFileInfo info(output);
    const QString stem = info.path() + '/' + info.completeBaseName() + " (step 0)";
    QString path = stem + ".avi";
    for (int n = 2; taken.contains(path) || QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1 (%2).avi").arg(stem).arg(n);
    taken.insert(path);
    return path;
}

PictureFrame MEncoderEncodeCommand::frame() const
{
    return PictureFrame::of(m_settings.videoCodec, m_settings.pictureSize,
                            SourceStreams::displayAspect(m_job.source));
}

bool MEncoderEncodeCommand::fieldsKept() const
{
    return SourceFields::kept(m_job.source, m_settings.videoCodec, frame().size.height(), keepsSourceRate());
}

QStringList MEncoderEncodeCommand::firstFilters() const
{
    const bool whole = SourceFields::madeWhole(m_job.source, m_settings.videoCodec, frame().size.height(),
                                               keepsSourceRate());
    return SourceFields::mencoderFilters(m_job.source, whole);
}

QString MEncoderEncodeCommand::scaleFilter() const
{
    const QSize size = frame().size;
    return QStringLiteral("scale=%1:%2").arg(size.width()).arg(size.height());
}

QString MEncoderEncodeCommand::scaledVideoFilters() const
{
    // The finishing step corrects the display aspect of AVI files only. Into any other
    // container the encoder must write it: x264 takes it from the display size that the
    // filters hand on, which without "dsize" is the DVD's stored 720x576 (5:4) whatever
    // the title's aspect; a boxed picture's frame is shown at the frame's shape.
    const PictureFrame frame = this->frame();
    QStringList filters = firstFilters() + boxFilters(frame) << scaleFilter();
    const double aspect = SourceStreams::displayAspect(m_job.source);
    if (outputFormat(m_settings.muxer) != QLatin1String("avi") && aspect > 0.0)
        filters << "dsize=" + (frame.boxed() ? shape(frame.aspect) : number(aspect));
    filters << repeatFilters();
    return filters.join(',');
}

void MEncoderEncodeCommand::addVideo(int frames)
{
    const QString &codec = m_settings.videoCodec;
    const QString encoder = videoEncoder(codec);
    if (encoder == QLatin1String("frameno") || encoder == QLatin1String("copy")) {
        // A stream copy takes no filters and no encoder options.
        m_arguments << "-ovc" << encoder;
    } else if (encoder == QLatin1String("xvid")) {
        addXvid();
    } else if (encoder == QLatin1String("x264")) {
        addX264();
    } else if (codec == QLatin1String("mpeg1video")) {
        const QString rate = bitrate(m_settings.videoBitrate);
        addLetterboxedLavc({"vcodec=" + codec, "keyint=15", "vrc_buf_size=327",
                            "vbitrate=" + rate, "vrc_minrate=" + rate, "vrc_maxrate=" + rate,
                            "aspect=4/3"});
        // The user's level adds only what the options above do not say already.
        if (!m_settings.profileLevel)
            m_lavcOptions << "idct=0";
    } else if (codec == QLatin1String("h263")) {
        // Today's libavcodec no longer knows the H.263 options "obmc" and "umv", and
        // MEncoder stops at an unknown option, so they are left out.
        addLetterboxedLavc({"vcodec=" + codec, "vqmin=8", "aic",
                            "vbitrate=" + bitrate(m_settings.videoBitrate)});
    } else {
        addLavcVideo(frames);
    }
}

QString MEncoderEncodeCommand::xvidSizeProfile() const
{
    const bool avi = m_settings.muxer == QLatin1String("avi");
    const bool ntsc = m_settings.standard == QLatin1String("NTSC");
    const QSize size = m_settings.pictureSize;
    for (const XvidSizeProfile &row : kXvidSizeProfiles) {
        if (row.avi == avi && size.width() <= row.maxWidth && size.height() <= row.maxHeight)
            return QStringLiteral("profile=") + (ntsc ? row.ntsc : row.pal);
    }
    return QString();
}

void MEncoderEncodeCommand::addXvid()
{
    const QString &muxer = m_settings.muxer;
    const bool avi = muxer == QLatin1String("avi");
    if (avi)
        m_arguments << "-ffourcc" << "XVID";
    m_arguments << "-vf" << scaledVideoFilters() << "-ovc" << "xvid";

    QStringList options;
    if (m_passes > 1) {
        if (!m_settings.profileLevel && m_pass < m_passes)
            options << "turbo";
        options << QStringLiteral("pass=%1").arg(m_pass);
    }
    options << "bitrate=" + bitrate(m_settings.videoBitrate);

    switch (aspectClass()) {
    case Aspect::FourThree:
        options << "aspect=4/3";
        if (avi && m_settings.profileLevel)
            m_arguments << "-force-avi-aspect" << "1.33";
        break;
    case Aspect::SixteenNine:
        options << "aspect=16/9";
        if (avi)
            m_arguments << "-force-avi-aspect" << "1.78";
        break;
    default:
        options << "autoaspect";
        break;
    }
    // No B-frames: MEncoder hands libavformat's muxers their time stamps out of order (a
    // Matroska file's decoding times go backwards), and decoded from an AVI the picture
    // starts a frame late and a frame short.
    options << "max_bframes=0";

    if (m_settings.profileLevel) {
        if (m_settings.level >= 1 && m_settings.level <= 3)
            options << kXvidLevelOptions[m_settings.level];
        options << xvidSizeProfile();
    } else if (!m_settings.videoProfile.isEmpty()) {
        options << "profile=" + m_settings.videoProfile;
    } else {
        options << xvidSizeProfile();
    }
    options.removeAll(QString());
    m_arguments << "-xvidencopts" << options.join(':');
}

QStringList MEncoderEncodeCommand::x264CodecOptions() const
{
    const QString &muxer = m_settings.muxer;
    if (m_settings.videoCodec == QLatin1String("x264_divx")) {
        // A key frame every four seconds; x264's own interval where the rate is unknown.
        const int keyint = int(m_job.source.video.frameRate * 4);
        QStringList options{"vbv_bufsize=25000", "vbv_maxrate=20000", "bframes=3", "level_idc=40",
                            "trellis=0", "nomixed_refs", "no8x8dct", "noweight_b", "weightp=0"};
        if (keyint > 0)
            options.prepend(QStringLiteral("keyint=%1").arg(keyint));
        return options;
    }
    if (muxer == QLatin1String("mov") || muxer == QLatin1String("ipod"))
        return {"bframes=1", "nob_adapt", "no8x8dct"};
    if (muxer == QLatin1String("psp"))
        return {"level_idc=30", "bframes=3", "weightp=0", "b_pyramid=0", "no8x8dct", "nocabac",
                "cqm=flat", "vbv_maxrate=2000", "vbv_bufsize=2000"};
    if (muxer == QLatin1String("avi"))
        return {"bframes=3"};
    return {"bframes=0"};
}

QString MEncoderEncodeCommand::x264DefaultProfile() const
{
    const QString &muxer = m_settings.muxer;
    const QSize size = m_settings.pictureSize;
    if (muxer == QLatin1String("mov") || muxer == QLatin1String("psp"))
        return "profile=main";
    if (muxer == QLatin1String("ipod"))
        return size.width() > 640 && size.height() > 480 ? "profile=main" : "profile=baseline";
    if (size.height() < 240)
        return "profile=baseline";
    if (size.width() <= 720 && size.height() <= 480)
        return "profile=main";
    return "profile=high";
}

QString MEncoderEncodeCommand::x264DefaultPreset() const
{
    const QString &codec = m_settings.videoCodec;
    if (codec == QLatin1String("x264_lr"))
        return "preset=medium";
    if (codec == QLatin1String("x264_hd") || codec == QLatin1String("x264_divx"))
        return "preset=ultrafast";
    return "preset=fast";
}

void MEncoderEncodeCommand::addX264()
{
    m_arguments << "-vf" << scaledVideoFilters() << "-ovc" << "x264";

    const QString rate = "bitrate=" + bitrate(m_settings.videoBitrate);
    const QString pass = m_passes > 1 ? QStringLiteral("pass=%1").arg(m_pass) : QString();
    const bool quickTime = m_settings.muxer == QLatin1String("mov")
                           || m_settings.muxer == QLatin1String("ipod");
    QStringList options;
    if (m_settings.profileLevel) {
        options << x264CodecOptions() << pass << rate << x264DefaultProfile();
        if (!quickTime)
            options << x264DefaultPreset();
    } else {
        options << rate << x264CodecOptions() << pass;
        const QString profile = m_settings.videoProfile.mid(5);
        options << (profile.isEmpty() ? x264DefaultProfile() : "profile=" + profile);
        if (!quickTime) {
            options << (m_settings.x264Preset.isEmpty() ? x264DefaultPreset()
                                                        : "preset=" + m_settings.x264Preset);
        }
    }
    options.removeAll(QString());
    m_arguments << "-x264encopts" << options.join(':');
}

void MEncoderEncodeCommand::addLetterboxedLavc(const QStringList &lavcOptions)
{
    // The frame is shown at 4:3: a picture of any other shape is boxed into it.
    QStringList filters = firstFilters() + boxFilters(frame());
    filters << scaleFilter() << repeatFilters();
    m_arguments << "-vf" << filters.join(',') << "-ovc" << "lavc";
    m_lavcOptions << lavcOptions;
}

void MEncoderEncodeCommand::addLavcVideo(int frames)
{
    const QString &codec = m_settings.videoCodec;
    const QString engineCodec = lavcVideoName(codec);
    const QString rate = "vbitrate=" + bitrate(m_settings.videoBitrate);
    m_arguments << "-vf" << scaledVideoFilters() << "-ovc" << "lavc";

    const QString &muxer = m_settings.muxer;
    if (codec == QLatin1String("mpeg4")
        && (muxer == QLatin1String("mov") || muxer == QLatin1String("ipod"))) {
        m_lavcOptions << "vcodec=" + codec << rate << "keyint=300" << "vb_strategy=0"
                      << "trell" << "vmax_b_frames=1";
    } else if (codec == QLatin1String("mpeg2video")) {
        m_lavcOptions << "vcodec=" + codec << rate << "vmax_b_frames=0"
                      << SourceFields::lavcFieldOptions(m_job.source, fieldsKept());
        if (frames >= 1 && frames <= 250)
            m_lavcOptions << QStringLiteral("keyint=%1").arg(frames - 1);
    } else {
        m_lavcOptions << "vcodec=" + engineCodec << rate << "vmax_b_frames=0";
    }

    // MPEG-2 flags only a few shapes: its frame is shown at the one the picture was
    // boxed for.
    const PictureFrame frame = this->frame();
    if (codec == QLatin1String("mpeg2video") && frame.aspect > 0.0) {
        m_lavcOptions << "aspect=" + shape(frame.aspect);
        return;
    }
    switch (aspectClass()) {
    case Aspect::FourThree:
        m_lavcOptions << "aspect=4/3";
        break;
    case Aspect::SixteenNine:
        m_lavcOptions << "aspect=16/9";
        break;
    default:
        m_lavcOptions << "autoaspect";
        break;
    }
}

void MEncoderEncodeCommand::addAudio()
{
    const QString encoder = audioEncoder(m_settings.audioCodec);
    if (encoder.isEmpty())
        // MEncoder has no "null" audio encoder; it leaves the audio out on "-nosound".
        m_arguments << "-nosound";
    else if (encoder == QLatin1String("copy"))
        m_arguments << "-oac" << "copy";
    else if (encoder == QLatin1String("faac"))
        addFaac();
    else if (encoder == QLatin1String("mp3lame"))
        addLame();
    else if (encoder == QLatin1String("twolame"))
        addTwoLame();
    else if (encoder == QLatin1String("pcm"))
        addPcm();
    else
        addLavcAudio();
}

void MEncoderEncodeCommand::addAudioFilters(QStringList filters, const QStringList &last)
{
    if (m_settings.volume != 0)
        filters << QStringLiteral("volume=%1").arg(m_settings.volume);
    if (m_settings.samplingRate > 0)
        filters << QStringLiteral("lavcresample=%1").arg(m_settings.samplingRate);
    filters << last;
    // MEncoder chains audio filters with commas; after a colon it would read the later
    // filters as options of the first and drop them without a word.
    if (!filters.isEmpty())
        m_arguments << "-af" << filters.join(',');
}

void MEncoderEncodeCommand::addFaac()
{
    m_arguments << "-oac" << "faac";
    if (m_settings.samplingRate > 0)
        m_arguments << "-srate" << QString::number(m_settings.samplingRate);
    addAudioFilters({});

    const bool raw = m_settings.muxer == QLatin1String("ipod")
                     || m_settings.muxer == QLatin1String("m4a");
    const QString bitrate = m_settings.audioBitrate > 0
                                ? QStringLiteral("br=%1").arg(int(m_settings.audioBitrate))
                                : QString();
    QStringList options;
    if (m_settings.profileLevel)
        options << (raw ? "raw" : QString()) << bitrate;
    else
        options << bitrate << (raw ? "raw" : QString());
    options.removeAll(QString());
    if (!options.isEmpty())
        m_arguments << "-faacopts" << options.join(':');
}

void MEncoderEncodeCommand::addLame()
{
    m_arguments << "-oac" << "mp3lame";
    if (m_settings.samplingRate > 0)
        m_arguments << "-srate" << QString::number(m_settings.samplingRate);
    addAudioFilters({});
    QStringList options{"mode=0"};
    if (m_settings.audioBitrate > 0)
        options << QStringLiteral("cbr:br=%1").arg(int(m_settings.audioBitrate));
    m_arguments << "-lameopts" << options.join(':');
}

void MEncoderEncodeCommand::addTwoLame()
{
    // Two channels: a multi-channel source is downmixed by its decoder, a mono one is
    // doubled by the filter, since TwoLAME refuses the VideoCD rate for mono.
    m_arguments << "-oac" << "twolame" << "-channels" << "2";
    if (m_settings.samplingRate > 0)
        m_arguments << "-srate" << QString::number(m_settings.samplingRate);
    addAudioFilters({}, {"channels=2"});
    if (m_settings.audioBitrate > 0)
        m_arguments << "-twolameopts" << QStringLiteral("br=%1").arg(int(m_settings.audioBitrate));
}

void MEncoderEncodeCommand::addPcm()
{
    // MEncoder's own PCM encoder writes the 16-bit little-endian samples that libavcodec's
    // pcm_s16le would, with the same mono or stereo downmix.
    m_arguments << "-oac" << "pcm";
    if (m_settings.samplingRate > 0)
        m_arguments << "-srate" << QString::number(m_settings.samplingRate);
    QStringList filters;
    if (m_settings.audioBitrate < 1536)
        filters << kMonoDownmix;
    else if (m_job.source.audio.channelCount > 2)
        filters << kPcmStereoDownmix;
    addAudioFilters(filters);
}

void MEncoderEncodeCommand::addLavcAudio()
{
    const QString &codec = m_settings.audioCodec;
    if (m_settings.samplingRate > 0)
        m_arguments << "-srate" << QString::number(m_settings.samplingRate);
    m_arguments << "-oac" << "lavc";

    QStringList filters;
    if (codec == QLatin1String("amrnb"))
        filters << kMonoDownmix;
    addAudioFilters(filters);

    QString engineCodec = codec;
    if (codec == QLatin1String("amrnb"))
        engineCodec = QStringLiteral("libopencore_amrnb");
    else if (codec == QLatin1String("vorbis"))
        engineCodec = QStringLiteral("libvorbis");
    if (m_settings.audioBitrate > 0 && codec != QLatin1String("flac"))
        m_lavcOptions << QStringLiteral("abitrate=%1").arg(int(m_settings.audioBitrate));
    m_lavcOptions << "acodec=" + engineCodec;
}
