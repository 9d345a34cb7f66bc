#include "builders/interfaceffmpeg.h"
#include "builders/builderslogging.h"

#include "builders/ffmpegencodecommand.h"
#include "builders/mencoderencodecommand.h"
#include "builders/picturecolour.h"
#include "builders/sourcefields.h"
#include "builders/sourcestreams.h"
#include "builders/statusfields.h"
#include "builders/subtitleinlay.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "encoder/records/sourcekind.h"
#include "engines/ffmpeg.h"
#include "engines/fileargument.h"
#include "engines/interfacestatus.h"

#include <QDebug>
#include <QRegularExpression>

#include <cmath>

InterfaceFFmpeg::InterfaceFFmpeg()
{
    initVocabulary();
}

void InterfaceFFmpeg::initAudioCodecAliases()
{
    audioCodecAliases.clear();
    addAliases(audioCodecAliases, {
        {"aac", {"libfaac"}},
        {"aac_lr", {"libfaac"}},
        {"aac_flv", {"libfaac"}},
        {"amrnb", {"libopencore_amrnb"}},
        {"gsm", {"libgsm"}},
        {"mp2_vcd", {"mp2"}},
        {"mp3", {"libmp3lame"}},
        {"mp3_flv", {"libmp3lame"}},
        {"vorbis", {"libvorbis"}},
    });
}

void InterfaceFFmpeg::initVocabulary()
{
    initVideoCodecAliases();
    initAudioCodecAliases();
    subtitleCodecAliases.clear();
    initMuxerAliases();

    supportedMuxers = QStringList{
        "3g2", "3gp", "ac3", "adts", "aiff", "amr", "asf", "au", "avi", "avm2", "dts", "dv",
        "dvd", "f64be", "f64le", "filmstrip", "flac", "flv", "h263", "h264", "ipod", "m4a",
        "m4v", "matroska", "mov", "mp2", "mp3", "mp4", "mpeg", "mpeg1video", "mpeg2video",
        "mpegts", "multi", "mxf", "nut", "ogg", "psp", "rawvideo", "rcv", "rm", "RoQ", "s16be",
        "s16le", "s32be", "s32le", "s64be", "s64le", "spdif", "svcd", "swf", "vcd", "vob", "wav",
        "webm"};
    supportedVideoCodecs = QStringList{
        "copy", "dvvideo", "dnxhd", "ffv1", "ffvhuff", "flashsv", "flv", "h263", "huffyuv",
        "libtheora", "libx264", "libxvid", "libvpx", "ljpeg", "mjpeg", "mpeg1video",
        "mpeg2video", "mpeg4", "msmpeg4", "msmpeg4v1", "msmpeg4v2", "novideo", "qtrle",
        "rawvideo", "roqvideo", "rv10", "rv20", "snow", "svq1", "wmv1", "wmv2"};
    // "aac" last: the encode command writes FFmpeg's own AAC encoder for every AAC codec.
    supportedAudioCodecs = QStringList{
        "ac3", "alac", "adpcm_ima_qt", "adpcm_ima_wav", "adpcm_ms", "adpcm_swf", "copy", "flac",
        "g726", "libgsm", "libmp3lame", "libopencore_amrnb", "libvorbis", "mp2", "multi",
        "noaudio", "pcm", "pcm_alaw", "pcm_s16be", "pcm_s16le", "pcm_s32be", "pcm_s32le",
        "pcm_f64be", "pcm_f64le", "roq_dpcm", "sonic", "sonicls", "vorbis", "wmav1", "wmav2",
        "aac"};
    supportedSubtitleCodecs = QStringList{"copy", "dvdsub", "inlay", "nosubtitle", "xsub"};

    for (const QString &muxer : std::as_const(supportedMuxers)) {
        muxerVideoCodecs[muxer] = QStringList();
        muxerAudioCodecs[muxer] = QStringList();
        muxerSubtitleCodecs[muxer] = QStringList();
    }
    // Last although it sorts earlier; it has entries only through its row.
    supportedMuxers << "mpeg_vcd";

    addMuxerRows({
        {"3g2", {"h263", "x264", "x264_lr", "mpeg4", "novideo"},
         {"aac", "aac_lr", "libopencore_amrnb", "noaudio"}, {"inlay", "nosubtitle"}},
        {"3gp", {"h263", "x264", "x264_lr", "mpeg4", "novideo"},
         {"aac_lr", "libopencore_amrnb", "noaudio"}, {"inlay", "nosubtitle"}},
        {"avi", {"xvid"}, {"aac", "ac3", "libfaac", "mp3", "pcm"}, {"inlay"}},
        {"flv", {"x264", "x264_lr", "x264_hd"}, {"aac_flv", "mp3_flv", "mp3_flv_lr"}, {"inlay"}},
        {"ipod", {"copy", "x264", "x264_lr", "x264_hd", "mpeg4"},
         {"copy", "aac", "aac_hq", "aac_lr"}, {"inlay"}},
        {"matroska", {"x264", "x264_hd", "x264_divx", "vp8", "libvpx", "theora", "xvid"},
         {"ac3", "flac", "libmp3lame", "mp2", "pcm", "pcm_s32be", "pcm_s32le", "pcm_f64be",
          "pcm_f64le", "vorbis"},
         {"inlay"}},
        {"mov", {"copy", "x264", "x264_lr", "x264_hd", "mpeg4"},
         {"copy", "aac", "aac_hq", "aac_lr", "alac", "amrnb", "libopencore_amrnb", "libmp3lame",
          "mp3", "mp3_lr", "pcm", "pcm_s16le", "pcm_s32le", "pcm_s64le", "pcm_alaw"},
         {"inlay"}},
        {"mp4", {"h263", "x264", "x264_lr", "x264_hd", "mpeg4"},
         {"aac", "aac_hq", "ac3", "libmp3lame", "mp3_lr", "mp2"}, {"inlay"}},
        {"mpeg", {"mpeg2video"}, {"mp2", "pcm", "pcm_s16be", "pcm_s32be"}, {"inlay"}},
        {"mpeg_vcd", {"mpeg1video"}, {"mp2_vcd"}, {"inlay"}},
        {"ogg", {"theora"}, {"flac", "vorbis"}, {"inlay"}},
        {"psp", {"x264_psp", "x264_lr"}, {"aac", "aac_lr"}, {"inlay"}},
        {"webm", {"vp8", "libvpx"}, {"vorbis"}, {"inlay"}},
        {"ac3", {}, {"ac3"}, {}},
        {"au", {}, {"pcm", "pcm_s16be", "pcm_s16le", "pcm_s32be", "pcm_s32le"}, {}},
        {"mp3", {}, {"libmp3lame", "mp3_lr"}, {}},
        {"m4a", {}, {"aac", "alac"}, {}},
        {"wav", {}, {"adpcm_ms", "adpcm_ima_wav", "libmp3lame", "pcm"}, {}},
    });
}

// ---------------------------------------------------------------------------------------
// Engine checks. The vocabulary says what the program drives FFmpeg with; the capability
// parsers say which encoders and muxers this FFmpeg has. Beyond both, a few pairs that
// today's FFmpeg lists it cannot write; those are refused here by name.

namespace {

// Muxers of the vocabulary that today's FFmpeg knows under another name: the MPEG-4 audio
// file is written by the iPod muxer, and two muxers were renamed.
struct MuxerName
{
    const char *muxer;
    const char *engineName;
};
const MuxerName kEngineMuxers[] = {
    {"mpeg_vcd", "mpeg"}, // the VideoCD profile's file is an MPEG program stream
    {"m4a", "ipod"},
    {"RoQ", "roq"},
    {"rcv", "vc1test"},
};

// Pairs of codec and container that today's FFmpeg lists but cannot write.
using CodecLimit = CommandBuilder::CodecLimit;
const CodecLimit kVideoLimits[] = {
    {"h263", {"mp4"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg", "FFmpeg's MP4 muxer takes no H.263 video")},
};
const CodecLimit kAudioLimits[] = {
    {"pcm_f64be", {"matroska", "mkv"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg", "Matroska takes no big-endian floating-point PCM")},
    {"pcm_s64le", {"mov"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg",
                       "FFmpeg's QuickTime muxer writes 64-bit PCM that reads back as 16-bit")},
    {"pcm_s32be", {"mpeg"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg", "FFmpeg's MPEG muxer takes only 16-bit PCM")},
    {"pcm_s16le", {"au"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg", "Sun AU files take no little-endian PCM")},
    {"pcm_s32le", {"au"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg", "Sun AU files take no little-endian PCM")},
};

// A container that takes only some codecs: a stream copy into it needs a source stream of
// one of them (the source's format as the player names it, in any case).
struct CopyNeed
{
    const char *muxer;
    QStringList formats;
    const char *reason;
};
const CopyNeed kVideoCopyNeeds[] = {
    {"ipod", {"h264", "avc", "x264", "mpeg4", "mp4v", "xvid", "divx", "fmp4"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg",
                       "the iPod format takes only H.264 or MPEG-4 video, the source's is %1")},
};
const CopyNeed kAudioCopyNeeds[] = {
    {"ipod", {"aac", "mp4a", "alac", "ac3", "a52"},
     QT_TRANSLATE_NOOP("InterfaceFFmpeg",
                       "the iPod format takes only AAC, ALAC or AC-3 audio, the source's is %1")},
};

template <std::size_t N>
const char *copyNeed(const CopyNeed (&needs)[N], const QString &muxer, const QString &format)
{
    for (const CopyNeed &need : needs) {
        if (muxer != QLatin1String(need.muxer))
            continue;
        for (const QString &name : need.formats) {
            if (format.contains(name, Qt::CaseInsensitive))
                return nullptr;
        }
        return need.reason;
    }
    return nullptr;
}

const char kDvdReason[] = QT_TRANSLATE_NOOP(
    "InterfaceFFmpeg", "FFmpeg cannot read a DVD title by its number; DVD titles are encoded "
                       "with MEncoder");

} // namespace

bool InterfaceFFmpeg::engineKnown() const
{
    return status && status->state == InterfaceStatus::Ready && capabilities
           && capabilities->videoCodecMap && capabilities->audioCodecMap
           && capabilities->muxerMap;
}

QString InterfaceFFmpeg::sourceRefusal() const
{
    if (data && data->source.kind == SourceKind::Dvd)
        return tr(kDvdReason);
    return QString();
}

QString InterfaceFFmpeg::engineMuxer(const QString &muxer) const
{
    for (const MuxerName &name : kEngineMuxers) {
        if (muxer == QLatin1String(name.muxer))
            return QString::fromLatin1(name.engineName);
    }
    const QStringList aliases = muxerAliases.values(muxer);
    return aliases.isEmpty() ? muxer : aliases.first();
}

QString InterfaceFFmpeg::muxerRefusal(const QString &muxer) const
{
    const QString source = sourceRefusal();
    if (!source.isEmpty() || !engineKnown())
        return source;
    const QString name = engineMuxer(muxer);
    if (!m_engineMuxers.contains(name))
        return tr("this FFmpeg has no %1 muxer").arg(name);
    return QString();
}

QString InterfaceFFmpeg::videoCodecRefusal(const QString &muxer, const QString &codec) const
{
    const QString refusal = muxerRefusal(muxer);
    if (!refusal.isEmpty() || !engineKnown())
        return refusal;
    if (codec == QLatin1String("copy")) {
        const QString format = data ? data->source.video.videoFormat : QString();
        if (const char *reason = copyNeed(kVideoCopyNeeds, muxer, format))
            return tr(reason).arg(format.isEmpty() ? tr("unknown") : format);
    }
    const QString encoder = FFmpegEncodeCommand::videoEncoder(codec);
    if (codec != QLatin1String("novideo") && !m_engineVideoEncoders.contains(encoder))
        return tr("this FFmpeg has no %1 video encoder").arg(encoder);
    if (data) {
        const QString inlay = SubtitleInlay::copyRefusal(data->source, encoder);
        if (!inlay.isEmpty())
            return inlay;
    }
    if (const char *reason = limitReason(kVideoLimits, muxer, {codec, encoder}))
        return tr(reason);
    return QString();
}

QString InterfaceFFmpeg::audioCodecRefusal(const QString &muxer, const QString &codec) const
{
    const QString refusal = muxerRefusal(muxer);
    if (!refusal.isEmpty() || !engineKnown())
        return refusal;
    if (codec == QLatin1String("copy")) {
        const QString format =
            data ? QStringList{data->source.audio.format, data->source.audio.codec}.join(' ').trimmed()
                 : QString();
        if (const char *reason = copyNeed(kAudioCopyNeeds, muxer, format))
            return tr(reason).arg(format.isEmpty() ? tr("unknown") : format);
    }
    const QString encoder = FFmpegEncodeCommand::audioEncoder(codec, muxer);
    if (codec != QLatin1String("noaudio") && !m_engineAudioEncoders.contains(encoder))
        return tr("this FFmpeg has no %1 audio encoder").arg(encoder);
    if (const char *reason = limitReason(kAudioLimits, muxer, {codec, encoder}))
        return tr(reason);
    return QString();
}

// ---------------------------------------------------------------------------------------
// Capability queries. The answers are read by the FFmpeg engine processor's parsers, which
// know both the classic tables and today's; this builder keeps what its vocabulary drives.

void InterfaceFFmpeg::cliCmdGetVersion(QString &program, QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"-version"};
    logCommand("InterfaceFFmpeg::cliCmdGetVersion() returns command:", program, arguments);
}

void InterfaceFFmpeg::cliCmdGetCodecs(QString &program, QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"-codecs"};
    logCommand("InterfaceFFmpeg::cliCmdGetCodecs() returns command:", program, arguments);
}

void InterfaceFFmpeg::cliCmdGetMuxers(QString &program, QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"-formats"};
    logCommand("InterfaceFFmpeg::cliCmdGetMuxers() returns command:", program, arguments);
}

void InterfaceFFmpeg::parseVersion()
{
    qCDebug(lcBuilders) << "InterfaceFFmpeg::parseVersion() starts parsing version raw data";
    if (!status)
        return;
    FFmpeg reader;
    reader.parseSignature(QString::fromUtf8(status->stdOut));
    if (reader.signature().isEmpty() || reader.version().isEmpty()) {
        qCDebug(lcBuilders) << "InterfaceFFmpeg::parseVersion() - Failed to parse FFmpeg standard output (signature)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    status->signature = reader.signature();
    status->version = reader.version();
}

namespace {

// The names a codec map keeps besides the vocabulary's: the engine processor's pseudo rows.
const QStringList kPseudoCodecs = {"auto", "copy", "multi"};

// Keeps the engine's entries that the vocabulary drives; logs the others.
void keepSupported(const QMap<QString, QString> &engine, const QStringList &supported,
                   QMap<QString, QString> *map, const char *kind)
{
    map->clear();
    for (auto it = engine.cbegin(); it != engine.cend(); ++it) {
        if (supported.contains(it.key()) || kPseudoCodecs.contains(it.key())) {
            map->insert(it.key(), it.value());
            qCDebug(lcBuilders) << "InterfaceFFmpeg::parseCodecs() - found" << kind
                                << "codec available:" << it.key() << it.value();
        } else {
            qCDebug(lcBuilders) << "InterfaceFFmpeg::parseCodecs() - ignore" << kind
                                << "codec available (not supported):" << it.key() << it.value();
        }
    }
}

} // namespace

void InterfaceFFmpeg::parseCodecs()
{
    qCDebug(lcBuilders) << "InterfaceFFmpeg::parseCodecs() starts parsing status raw data";
    if (!status || !capabilities || !capabilities->videoCodecMap || !capabilities->audioCodecMap
        || !capabilities->subtitleCodecMap)
        return;
    if (status->state != InterfaceStatus::OutputCaptured) {
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    qCDebug(lcBuilders) << "InterfaceFFmpeg::parseCodecs() - available codecs:" << status->stdOut;
    FFmpeg reader;
    reader.parseCodecs(QString::fromUtf8(status->stdOut));
    keepSupported(reader.videoCodecs(), supportedVideoCodecs, capabilities->videoCodecMap, "video");
    keepSupported(reader.audioCodecs(), supportedAudioCodecs, capabilities->audioCodecMap, "audio");
    keepSupported(reader.subtitleCodecs(), supportedSubtitleCodecs,
                  capabilities->subtitleCodecMap, "subtitle");
    m_engineVideoEncoders = reader.videoCodecs().keys();
    m_engineAudioEncoders = reader.audioCodecs().keys();
}

void InterfaceFFmpeg::parseMuxers()
{
    qCDebug(lcBuilders) << "InterfaceFFmpeg::parseMuxers() starts parsing status raw data";
    if (!status || !capabilities || !capabilities->muxerMap)
        return;
    if (status->state != InterfaceStatus::OutputCaptured) {
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    qCDebug(lcBuilders) << "InterfaceFFmpeg::parseMuxers() - available muxers:" << status->stdOut;
    FFmpeg reader;
    reader.parseMuxers(QString::fromUtf8(status->stdOut));
    const QMap<QString, QString> &engine = reader.muxers();
    m_engineMuxers = engine.keys();
    capabilities->muxerMap->clear();
    for (auto it = engine.cbegin(); it != engine.cend(); ++it) {
        if (supportedMuxers.contains(it.key())) {
            capabilities->muxerMap->insert(it.key(), it.value());
            qCDebug(lcBuilders) << "InterfaceFFmpeg::parseMuxers() - found muxer available:"
                                << it.key() << it.value();
        } else {
            qCDebug(lcBuilders) << "InterfaceFFmpeg::parseMuxers() - ignore muxer available (not supported):"
                                << it.key() << it.value();
        }
    }
    // A muxer that today's FFmpeg knows under another name is filed under the vocabulary's.
    for (const MuxerName &renamed : kEngineMuxers) {
        const QString muxer = QLatin1String(renamed.muxer);
        if (supportedMuxers.contains(muxer) && !capabilities->muxerMap->contains(muxer)
            && engine.contains(renamed.engineName) && muxer != QLatin1String("mpeg_vcd"))
            capabilities->muxerMap->insert(muxer, engine.value(renamed.engineName));
    }
}

// ---------------------------------------------------------------------------------------
// Encode commands.

void InterfaceFFmpeg::cliCmdEncode(QString &program, QStringList &arguments,
                                   const QString &output, int frames, int start) const
{
    program.clear();
    arguments.clear();
    if (!data || !sourceRefusal().isEmpty()) {
        // Queued, the command would fail on its first read: the support checks refuse it.
        qCDebug(lcBuilders) << "InterfaceFFmpeg::cliCmdEncode() has no job or a DVD title to read";
        return;
    }
    program = this->program();
    const EncodingTarget &target = data->target;
    const int level = target.profile.level;
    if (level != EncoderProfile::LevelNone && level != EncoderProfile::LevelUser) {
        arguments = cliCmdEncodeProfile(target.profile, output, frames, start);
    } else {
        arguments = FFmpegEncodeCommand(*data, passes, pass)
                        .build(EncodeSettings::ofTarget(target), output, frames, start);
    }
    logCommand("InterfaceFFmpeg::cliCmdEncode() returns command:", program, arguments);
}

QStringList InterfaceFFmpeg::cliCmdEncodeProfile(const EncoderProfile &profile,
                                                 const QString &output, int frames,
                                                 int start) const
{
    if (!data)
        return QStringList();
    return FFmpegEncodeCommand(*data, passes, pass)
        .build(EncodeSettings::ofProfile(profile, data->target.audio.volume), output, frames, start);
}

void InterfaceFFmpeg::cliCmdEncode(QString &program, QStringList &arguments,
                                   const QString &input, const QString &output,
                                   double aspect) const
{
    program = this->program();
    arguments = QStringList{"-i", fileArgument(input), "-aspect", FFmpegEncodeCommand::aspectValue(aspect),
                            "-vcodec", "copy", "-acodec", "copy", "-y",
                            fileArgument(output)};
    logCommand("InterfaceFFmpeg::cliCmdEncode() returns command:", program, arguments);
}

void InterfaceFFmpeg::cliCmdEncode(QString &program, QStringList &arguments,
                                   const QString &input, const QString &output) const
{
    program = this->program();
    arguments = QStringList{"-i", fileArgument(input), "-vn", "-acodec",
                            "copy", "-y", fileArgument(output)};
    logCommand("InterfaceFFmpeg::cliCmdEncode() returns command:", program, arguments);
}

namespace {
// The "-target" of a disc by TV standard (exact text); any other gives FFmpeg's default,
// which it takes from the source's frame rate. The frames of the two discs by standard.
struct DiscStandard
{
    const char *standard;
    const char *prefix;
    QSize videoCd;
    QSize superVideoCd;
};
const DiscStandard kDiscStandards[] = {{"NTSC", "ntsc-", {352, 240}, {480, 480}},
                                       {"PAL", "pal-", {352, 288}, {480, 576}}};
} // namespace

void InterfaceFFmpeg::cliCmdTargetVcd(QString &program, QStringList &arguments,
                                      const QString &input, const QString &output,
                                      const QString &standard) const
{
    cliCmdTarget("vcd", "InterfaceFFmpeg::cliCmdTargetVcd() returns command:", program,
                 arguments, input, output, standard);
}

void InterfaceFFmpeg::cliCmdTargetSvcd(QString &program, QStringList &arguments,
                                       const QString &input, const QString &output,
                                       const QString &standard) const
{
    cliCmdTarget("svcd", "InterfaceFFmpeg::cliCmdTargetSvcd() returns command:", program,
                 arguments, input, output, standard);
}

void InterfaceFFmpeg::cliCmdTarget(const char *kind, const char *logText, QString &program,
                                   QStringList &arguments, const QString &input,
                                   const QString &output, const QString &standard) const
{
    program = this->program();
    const bool known = data && data->source.path == input;
    QString target = QLatin1String(kind);
    // FFmpeg's own choice of standard: PAL at 25 frames a second only.
    const DiscStandard *disc = known && data->source.video.frameRate == 25.0 ? &kDiscStandards[1]
                                                                             : &kDiscStandards[0];
    for (const DiscStandard &row : kDiscStandards) {
        if (standard == QLatin1String(row.standard)) {
            target.prepend(QLatin1String(row.prefix));
            disc = &row;
        }
    }
    arguments = QStringList{"-i", fileArgument(input)};
    // The disc takes the picture, the sound and the subtitle the user chose in the player,
    // each picture at its own shape: "-target" alone stretches it over the frame.
    if (known) {
        const bool superVideoCd = target.endsWith(QLatin1String("svcd"));
        const QString codec = superVideoCd ? QStringLiteral("mpeg2video") : QStringLiteral("mpeg1video");
        const PictureFrame frame = PictureFrame::of(codec, superVideoCd ? disc->superVideoCd : disc->videoCd,
                                                    SourceStreams::displayAspect(data->source));
        const bool sameRate = SourceFields::sameRate(data->source, disc == &kDiscStandards[1] ? 25.0 : 30000.0 / 1001);
        const int lines = frame.size.height();
        const bool kept = SourceFields::kept(data->source, codec, lines, sameRate);
        const QStringList first = FFmpegEncodeCommand::firstFilters(
            data->source, SourceFields::madeWhole(data->source, codec, lines, sameRate), true);
        arguments << FFmpegEncodeCommand::inlaidStreamMaps(data->source, first, frame.ffmpegFit(kept))
                  << FFmpegEncodeCommand::heldPictureMuxing(data->source);
        // Flagged in every case: a source that tells no sample aspect (RealMedia's) leaves the
        // scaled frame square, 352x288 shown at 1.22 where the picture is 4:3.
        if (frame.aspect > 0.0)
            arguments << "-aspect" << FFmpegEncodeCommand::aspectValue(frame.aspect);
        arguments << SourceFields::ffmpegFieldOptions(data->source, kept) << PictureColour::ffmpegTags(data->source.facts);
        const QString timing = FFmpegEncodeCommand::soundTiming(data->source);
        if (!timing.isEmpty() && !data->source.noAudio)
            arguments << "-af" << timing;
    }
    arguments << "-target" << target << "-y";
    if (target.endsWith(QLatin1String("svcd")))
        arguments << "-y"; // as the Super VideoCD command always wrote it
    arguments << fileArgument(output);
    logCommand(logText, program, arguments);
}

void InterfaceFFmpeg::cliCmdRemux(const QString &input, const QString &output, QString &program,
                                  QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"-i", fileArgument(input), "-vcodec", "copy",
                            "-acodec", "copy", "-y", fileArgument(output)};
    logCommand("InterfaceFFmpeg::cliCmdRemux() returns command:", program, arguments);
}

qint64 InterfaceFFmpeg::estimatedSize(int frames) const
{
    if (!data || data->source.video.frameRate <= 0.0)
        return 0;
    const EncodingTarget &target = data->target;
    const int level = target.profile.level;
    QString videoCodec, audioCodec;
    double videoBitrate = 0.0, audioBitrate = 0.0;
    if (level == EncoderProfile::LevelUser) {
        videoCodec = target.video.codec;
        videoBitrate = target.video.bitrate;
        audioCodec = target.audio.codec;
        audioBitrate = target.audio.bitrate;
    } else if (level != EncoderProfile::LevelNone) {
        videoCodec = target.profile.videoCodec;
        videoBitrate = target.profile.videoBitrate;
        audioCodec = target.profile.audioCodec;
        audioBitrate = target.profile.audioBitrate;
    }
    double kbits = 0.0;
    if (!videoCodec.isEmpty() && videoCodec != QLatin1String("novideo"))
        kbits = std::trunc(videoBitrate);
    if (!audioCodec.isEmpty() && audioCodec != QLatin1String("noaudio"))
        kbits = std::trunc(kbits + audioBitrate);
    const double bytes = frames / data->source.video.frameRate * kbits * 0.125 * 1000;
    // Computed in floating point: a long preview at a high bit rate passes 2 GiB, and a
    // source's frame rate read from a damaged file can make it any size. Beyond what a
    // 64-bit count holds it is no estimate at all.
    if (!std::isfinite(bytes) || bytes < 0.0 || bytes >= 9e18)
        return 0;
    return qint64(bytes);
}

// ---------------------------------------------------------------------------------------
// Output readers.

namespace {

bool isStatusLine(QStringView line)
{
    static const char *const starts[] = {"frame=", "size=", "video:", "audio:"};
    for (const char *start : starts) {
        if (line.startsWith(QLatin1String(start)))
            return true;
    }
    return false;
}

// The text after "word=" and its blanks: digits and points (and colons where allowed).
QStringView valueAfter(QStringView line, qsizetype at, qsizetype wordSize, bool colons = false)
{
    const qsizetype from = StatusFields::skipBlanks(line, at + wordSize);
    qsizetype end = StatusFields::skipNumber(line, from, true, colons);
    // FFmpeg never writes an exponent; a number that has one ("fps=1.8e308") is read whole,
    // so that its true size rules it out instead of the digits before the "e" passing.
    if (end > from && end < line.size() && (line[end] == QLatin1Char('e') || line[end] == QLatin1Char('E'))) {
        qsizetype digits = end + 1;
        if (digits < line.size() && (line[digits] == QLatin1Char('+') || line[digits] == QLatin1Char('-')))
            ++digits;
        if (digits < line.size() && StatusFields::isDigit(line[digits]))
            end = StatusFields::skipNumber(line, digits, false);
    }
    return line.mid(from, end - from);
}

// The fields of a video status line, "frame=... fps=... size=... time=...", in this order
// with anything between them: the frame from the first "frame=", the others from the last
// "fps=", "size=" and "time=" that still stand in that order.
struct VideoStatus
{
    QStringView frame, fps, size, time;
};

bool readVideoStatus(QStringView line, VideoStatus &status)
{
    using SF = StatusFields;
    const qsizetype frame = SF::find(line, QLatin1String("frame="), 0, line.size());
    if (frame < 0)
        return false;
    const qsizetype time = SF::find(line, QLatin1String("time="), frame + 6, line.size(), true);
    const qsizetype size = time < 0 ? -1 : SF::find(line, QLatin1String("size="), frame + 6, time, true);
    const qsizetype fps = size < 0 ? -1 : SF::find(line, QLatin1String("fps="), frame + 6, size, true);
    if (fps < 0)
        return false;
    status.frame = valueAfter(line, frame, 6);
    status.fps = valueAfter(line, fps, 4);
    status.size = valueAfter(line, size, 5);
    status.time = valueAfter(line, time, 5, true);
    return true;
}

// An audio status line, "size=... time=... bitrate=...": the size from the first "size=",
// the time from the last "time=" before the last "bitrate=".
struct AudioStatus
{
    QStringView size, time;
};

bool readAudioStatus(QStringView line, AudioStatus &status)
{
    using SF = StatusFields;
    const qsizetype size = SF::find(line, QLatin1String("size="), 0, line.size());
    const qsizetype bitrate = size < 0 ? -1 : SF::find(line, QLatin1String("bitrate="), size + 5, line.size(), true);
    const qsizetype time = bitrate < 0 ? -1 : SF::find(line, QLatin1String("time="), size + 5, bitrate, true);
    if (time < 0)
        return false;
    status.size = valueAfter(line, size, 5);
    status.time = valueAfter(line, time, 5, true);
    return true;
}

// Calls `visit` with each non-empty piece of the text between separators.
template<typename Visit>
void forEachPiece(QStringView text, QChar separator, Visit visit)
{
    for (qsizetype begin = 0; begin < text.size();) {
        qsizetype end = text.indexOf(separator, begin);
        if (end < 0)
            end = text.size();
        if (end > begin)
            visit(text.mid(begin, end - begin));
        begin = end + 1;
    }
}

} // namespace

bool InterfaceFFmpeg::parseProgress(const QString &text, QString &rest, int &frame,
                                    double &position, int &percent, int &minutesLeft,
                                    double &fps, int &size)
{
    Q_UNUSED(minutesLeft)
    QStringView statusLine;
    QStringView summary; // the closing one: "video:... global headers:..."
    QString others;
    forEachPiece(text, QLatin1Char('\n'), [&](QStringView line) {
        if (!isStatusLine(line)) {
            others += line;
            return;
        }
        // FFmpeg rewrites its status line after a carriage return: of several updates
        // joined so, the last one holds the values. The closing summary, which today's
        // FFmpeg writes in the same breath as the last update, keeps that update's values.
        forEachPiece(line, QLatin1Char('\r'), [&](QStringView update) {
            if (!isStatusLine(update))
                return;
            if (StatusFields::find(update, QLatin1String("global headers:"), 0, update.size()) >= 0)
                summary = update;
            else
                statusLine = update;
        });
    });
    if (statusLine.isEmpty() && summary.isEmpty() && others.isEmpty())
        return false;

    // "frame=   75 fps=0.0 q=-1.0 Lsize=     120kB time=00:00:03.00 bitrate= 327.7kbits/s";
    // an audio encode has no frames: "size=     120kB time=00:00:03.00 bitrate= 327.7kbits/s".
    using Field = StatusFields::Field;
    VideoStatus video;
    AudioStatus audio;
    if (readVideoStatus(statusLine, video) && !video.frame.isEmpty()) {
        StatusFields::storeInt(video.frame, Field::Frame, frame);
        StatusFields::storeReal(video.fps, Field::Fps, fps);
        StatusFields::storeInt(video.size, Field::SizeKb, size);
        StatusFields::storeSeconds(video.time, position);
    } else if (readAudioStatus(statusLine, audio) && !audio.size.isEmpty()) {
        StatusFields::storeInt(audio.size, Field::SizeKb, size);
        StatusFields::storeSeconds(audio.time, position);
    }
    if (!summary.isEmpty()) {
        percent = 100;
        others += summary;
    }
    rest = others;
    return true;
}

bool InterfaceFFmpeg::parseCommandCheck(const QByteArray &stdOut, const QByteArray &stdErr)
{
    Q_UNUSED(stdOut)
    qCDebug(lcBuilders) << "InterfaceFFmpeg::parseCommandCheck() starts parsing standard error";
    qCDebug(lcBuilders) << stdErr;
    const QString text = QString::fromUtf8(stdErr);
    // A status line: "size=", something, "time=", then "bitrate=", in either case.
    using SF = StatusFields;
    const qsizetype size = SF::find(text, QLatin1String("size="), 0, text.size(), false, true);
    const qsizetype bitrate = size < 0 ? -1 : SF::find(text, QLatin1String("bitrate="), 0, text.size(), true, true);
    const qsizetype time = bitrate < 0 ? -1 : SF::find(text, QLatin1String("time="), size + 5, bitrate, false, true);
    if (time <= size + 5)
        return false;
    // A run that encoded but could not write or finish its file says so after its status
    // lines, and today's FFmpeg still ends it with exit code 0 (a full disk, a muxer that
    // refuses a stream at its end).
    static const QRegularExpression failed(
        QStringLiteral("^(Conversion failed!|Error writing trailer|Error closing file|"
                       "av_interleaved_write_frame\\(\\):)"),
        QRegularExpression::MultilineOption);
    return !failed.match(text).hasMatch();
}
