#include "builders/interfacemencoder.h"
#include "builders/encodesettings.h"
#include "builders/builderslogging.h"

#include "builders/mencoderencodecommand.h"
#include "builders/picturecolour.h"
#include "builders/pictureframe.h"
#include "builders/sourcefields.h"
#include "builders/sourcestreams.h"
#include "builders/statusfields.h"
#include "builders/subtitleinlay.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "encoder/records/sourcekind.h"
#include "engines/fileargument.h"
#include "engines/interfacestatus.h"
#include "engines/mencoder.h"
#include "engines/textsections.h"
#include "jobs/valuetext.h"

#include <QDebug>
#include <QRegularExpression>

#include <cmath>

InterfaceMEncoder::InterfaceMEncoder()
{
    initVocabulary();
}

void InterfaceMEncoder::initVocabulary()
{
    initMuxerAliases();
    initVideoCodecAliases();
    addAliases(audioCodecAliases, {
        {"aac", {"faac", "libfaac"}},
        {"aac_lr", {"faac", "libfaac"}},
        {"amrnb", {"libopencore_amrnb"}},
        {"gsm", {"libgsm"}},
        {"mp3", {"libmp3lame", "mp3lame"}},
        {"vorbis", {"libvorbis"}},
    });
    subtitleCodecAliases.clear();

    supportedMuxers = QStringList{"avi", "mpeg", "lavf", "mpeg_vcd"};
    supportedVideoCodecs = QStringList{"copy", "xvid", "frameno", "lavc", "x264"};
    supportedAudioCodecs = QStringList{"copy", "faac", "mp3lame", "lavc"};
    supportedSubtitleCodecs = QStringList{"inlay"};

    libraryNames = {{"muxer", {}}, {"video", {}}, {"audio", {}}, {"subtitle", {}}};
    libraryNames["muxer"] = QStringList{
        "3g2", "3gp", "ac3", "adts", "aiff", "amr", "asf", "au", "avi", "avm2", "dts", "dv",
        "dvd", "f64be", "f64le", "filmstrip", "flac", "flv", "h263", "h264", "ipod", "m4a",
        "m4v", "matroska", "mov", "mp2", "mp3", "mp4", "mpeg", "mpeg1video", "mpeg2video",
        "mpegts", "mxf", "nut", "ogg", "psp", "rawvideo", "rcv", "rm", "RoQ", "s16be", "s16le",
        "s32be", "s32le", "s64be", "s64le", "spdif", "svcd", "swf", "vcd", "vob", "wav", "webm"};
    libraryNames["video"] = QStringList{
        "dvvideo", "dnxhd", "ffv1", "ffvhuff", "flashsv", "flv", "h263", "huffyuv", "libx264",
        "libxvid", "ljpeg", "mjpeg", "mpeg1video", "mpeg2video", "mpeg4", "msmpeg4", "msmpeg4v1",
        "msmpeg4v2", "novideo", "qtrle", "rawvideo", "roqvideo", "rv10", "rv20", "snow", "svq1",
        "wmv1", "wmv2"};
    libraryNames["audio"] = QStringList{
        "adpcm_ima_qt", "adpcm_ima_wav", "adpcm_ms", "adpcm_swf", "copy", "flac", "g726",
        "libgsm", "libmp3lame", "libopencore_amrnb", "libvorbis", "mp2", "multi", "noaudio",
        "roq_dpcm", "sonic", "sonicls", "vorbis", "wmav1", "wmav2"};

    for (const QString &muxer : std::as_const(supportedMuxers)) {
        muxerVideoCodecs[muxer] = QStringList();
        muxerAudioCodecs[muxer] = QStringList();
        muxerSubtitleCodecs[muxer] = QStringList();
    }
    addMuxerRows({
        {"3g2", {"h263", "x264", "libx264", "mpeg4"},
         {"aac", "faac", "libfaac", "noaudio"}, {"inlay", "nosubtitle"}},
        {"3gp", {"h263", "x264", "libx264", "mpeg4"},
         {"aac", "faac", "libfaac", "noaudio"}, {"inlay", "nosubtitle"}},
        {"avi", {"xvid", "libxvid"}, {"aac", "faac", "ac3_copy", "mp3", "pcm"}, {"inlay"}},
        {"flv", {"x264", "libx264"},
         {"aac_flv", "faac", "libfaac", "mp3_flv", "mp3_flv_lr"}, {"inlay"}},
        {"ipod", {"copy", "x264", "x264_lr", "x264_hd", "libxvid", "mpeg4"},
         {"copy", "aac", "aac_hq", "aac_lr"}, {"inlay"}},
        {"matroska", {"x264", "x264_hd", "x264_divx", "vp8", "libvpx", "xvid"},
         {"ac3_copy", "flac", "libmp3lame", "mp3", "mp2", "pcm", "pcm_s16le", "pcm_s32le",
          "pcm_f64le", "libvorbis"},
         {"inlay"}},
        {"mov", {"copy", "x264", "libx264", "mpeg4"},
         {"copy", "aac", "aac_hq", "faac", "libfaac", "alac", "amrnb", "libopencore_amrnb",
          "auto", "libmp3lame", "mp3", "mp3_lr", "pcm", "pcm_s16le", "pcm_s32le", "pcm_s64le",
          "pcm_alaw"},
         {"inlay"}},
        {"mp4", {"h263", "x264", "libx264", "x264_lr", "mpeg4"},
         {"aac", "aac_hq", "faac", "libfaac", "ac3_copy", "libmp3lame", "mp3", "mp3_lr", "mp2"},
         {"inlay"}},
        {"mpeg", {"mpeg2video"}, {"mp2", "ac3_copy", "pcm", "pcm_s16be", "pcm_s32be"}, {"inlay"}},
        {"mpeg_vcd", {"mpeg1video"}, {"mp2_vcd"}, {"inlay"}},
        {"ogg", {"libtheora", "theora"}, {"flac", "libvorbis", "vorbis"}, {"inlay"}},
        {"psp", {"x264_psp", "x264_lr"}, {"aac", "aac_lr"}, {"inlay"}},
        {"webm", {"vp8"}, {"vorbis"}, {"inlay"}},
        {"ac3", {}, {"ac3_copy"}, {}},
        {"mp3", {}, {"mp3lame", "mp3_lr"}, {}},
        {"m4a", {}, {"aac"}, {}},
        {"wav", {}, {"adpcm_ima_wav", "libmp3lame", "mp3"}, {}},
        {"au", {}, {}, {}},
        {"lavf", {}, {}, {}},
    });
}

QStringList InterfaceMEncoder::muxers() const
{
    QStringList result;
    for (const QString &muxer : supportedMuxers) {
        if (muxer == QLatin1String("lavf"))
            result << libraryNames.value("muxer");
        else
            result << muxer;
    }
    // "avi" and "mpeg" are MEncoder's own formats and libavformat's, so each comes twice;
    // the lists offered to the user drop the repeats.
    result.sort(Qt::CaseSensitive);
    return result;
}

// ---------------------------------------------------------------------------------------
// Engine checks. The vocabulary says what the program drives MEncoder with; the status
// parser says which of MEncoder's encoders and formats this build has. Beyond both, some
// cases that today's MEncoder lists it cannot carry out; those are refused here by name
// so that the encoder offers them through another engine or says why not.

namespace {

// A codec that today's MEncoder lists but cannot write into the given containers (any
// container when the list is empty). The codec is the program's name or MEncoder's
// encoder name.
struct CodecLimit
{
    const char *codec;
    QStringList muxers;
    const char *reason;
};

const CodecLimit kVideoLimits[] = {
    {"x264", {"matroska", "mkv"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder crashes when it closes a Matroska file with H.264 video")},
    {"libx264", {},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder cannot open libavcodec's libx264 encoder")},
    {"libxvid", {},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder writes libavcodec's libxvid video under an unusable FourCC")},
    {"copy", {"ipod"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder crashes when a copied stream does not suit the iPod format")},
    {"h263", {"mp4"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "libavformat's MP4 muxer takes no H.263 video (MEncoder crashes)")},
};

const CodecLimit kAudioLimits[] = {
    {"pcm", {"mpeg"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder's MPEG muxer writes an unreadable file with PCM audio")},
    // The libavformat containers of the vocabulary that list MPEG layer 2 audio.
    {"mp2", {"matroska", "mkv", "mp4"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder hands TwoLAME's MPEG layer 2 audio to libavformat as layer 1")},
    {"copy", {"ipod"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder cannot copy AAC audio, the only audio the iPod format takes")},
};

const char *codecLimit(const CodecLimit *begin, const CodecLimit *end, const QString &muxer,
                       const QStringList &names)
{
    for (const CodecLimit *limit = begin; limit != end; ++limit) {
        if (names.contains(QLatin1String(limit->codec))
            && (limit->muxers.isEmpty() || limit->muxers.contains(muxer)))
            return limit->reason;
    }
    return nullptr;
}

// A stream copy that today's MEncoder gets wrong from one kind of source.
struct CopyLimit
{
    int sourceKind;
    QStringList muxers;
    const char *reason;
};
const CopyLimit kAudioCopyLimits[] = {
    // Read through libavformat, as MEncoder reads media files, the copied sound is timed
    // wrongly: AVI gets a rate that ends it after a fraction of the picture (0.004 s of 3
    // from Matroska, and MEncoder drops frames to keep the picture with it), MPEG gets
    // time stamps that end it halfway.
    {SourceKind::MediaFile, {"avi", "mpeg"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder times the copied sound of a media file wrongly in AVI and MPEG "
                       "files, so that players end it far too early")},
    // The DVD reader hands over the sound in packets of two AC-3 frames, which these
    // muxers time as one: the sound lasts half as long as the picture.
    {SourceKind::Dvd, {"mp4", "mov"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder copies DVD sound into MP4 and QuickTime files in packets that "
                       "play for half their length")},
    // MEncoder's DVD reader cuts the title's first AC-3 frame short; libavformat's reader,
    // which the AVI muxer takes the copy from, gives libavformat's muxers no time stamps.
    {SourceKind::Dvd, {"matroska", "mkv", "mpeg"},
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "MEncoder copies DVD sound into Matroska and MPEG files with its first "
                       "frame broken; an AVI file receives it whole")},
};

// A container whose files the engine only writes with a stream of a given encoder.
struct MuxerNeed
{
    const char *muxer;
    const char *audioEncoder;
    const char *reason;
};
const MuxerNeed kMuxerNeeds[] = {
    {"psp", "faac",
     QT_TRANSLATE_NOOP("InterfaceMEncoder",
                       "the PSP format needs AAC audio, which this MEncoder cannot encode")},
};

// Picture and sound that start this far apart are out of step for a viewer.
constexpr double kStartsApart = 0.1;

// Whether the job's output has sound: its target (its level's profile, or the user's own
// choice) may leave it out, whatever the source has.
EncodeSettings settingsOf(const EncodingJob &job)
{
    const EncoderProfile &profile = job.target.profile;
    const bool level = profile.level != EncoderProfile::LevelNone && profile.level != EncoderProfile::LevelUser;
    return level ? EncodeSettings::ofProfile(profile, 0) : EncodeSettings::ofTarget(job.target);
}

bool writesSound(const EncodingJob &job)
{
    return !MEncoderEncodeCommand::audioEncoder(settingsOf(job).audioCodec).isEmpty();
}

// Whether it has a picture: the source's, left out where "frameno" writes none.
bool writesPicture(const EncodingJob &job)
{
    return !job.source.noVideo && MEncoderEncodeCommand::videoEncoder(settingsOf(job).videoCodec) != QLatin1String("frameno");
}

// Audio: every libavcodec audio encoder of today's MEncoder refuses to open ("Specified
// channel layout '2 channels' is not supported"); the encode command gives the codecs it
// can to MEncoder's own encoders instead.
const char kLavcAudioReason[] = QT_TRANSLATE_NOOP(
    "InterfaceMEncoder", "MEncoder's libavcodec audio encoders fail in this build");

} // namespace

bool InterfaceMEncoder::engineKnown() const
{
    return status && status->state == InterfaceStatus::Ready && capabilities
           && capabilities->videoCodecMap && capabilities->audioCodecMap
           && capabilities->muxerMap;
}

QString InterfaceMEncoder::muxerRefusal(const QString &muxer) const
{
    if (!engineKnown())
        return QString();
    const QStringList formats = capabilities->muxerMap->keys();
    for (const MuxerNeed &need : kMuxerNeeds) {
        if (muxer == QLatin1String(need.muxer)
            && !capabilities->audioCodecMap->contains(need.audioEncoder))
            return tr(need.reason);
    }
    const QString format = MEncoderEncodeCommand::outputFormat(muxer);
    if (format != QLatin1String("lavf")) {
        return formats.contains(format)
                   ? QString()
                   : tr("this MEncoder has no %1 output format").arg(format);
    }

    const QStringList lavfFormats =
        capabilities->lavfMuxerMap ? capabilities->lavfMuxerMap->value("lavf") : QStringList();
    if (!formats.contains(format) || lavfFormats.isEmpty())
        return tr("this MEncoder has no libavformat output");
    QStringList names{muxer, MEncoderEncodeCommand::lavfFormat(muxer)};
    names << muxerAliases.values(muxer);
    for (const QString &name : std::as_const(names)) {
        if (lavfFormats.contains(name))
            return QString();
    }
    return tr("MEncoder's libavformat offers no %1 format").arg(muxer);
}

QString InterfaceMEncoder::sourceRefusal(const EncodingSource &source, const QString &muxer, bool withSound)
{
    // MEncoder's own reader of an MPEG transport stream (MediaInfo names it "MPEG-TS", or
    // "BDAV" with a Blu-ray's time codes) reads the frame rate from MPEG-1 and MPEG-2 video
    // headers only; any other video it times by the packets' stamps, an H.264 stream of 50
    // frames a second as 100: its encode drops the picture after 2 s of 6, or runs it twice
    // as fast, while the sound goes on.
    static const QStringList headedVideo = {"mpeg1video", "mpeg2video"};
    const VideoInfo &video = source.video;
    if (!source.noVideo) {
        const QString picture = pictureRefusal(source.facts);
        if (!picture.isEmpty())
            return picture;
    }
    if (source.kind != SourceKind::MediaFile)
        return QString();
    if (source.noVideo)
        return withSound ? soundTimingRefusal(source, muxer, false) : QString();
    if (SourceStreams::isTransportStream(source) && !headedVideo.contains(video.videoFormat))
        return tr("MEncoder does not keep %1 video of an MPEG transport stream in time with its sound")
            .arg(video.videoFormat.isEmpty() ? tr("this") : video.videoFormat);
    return timingRefusal(source, muxer, withSound);
}

QString InterfaceMEncoder::pictureRefusal(const SourceFacts &facts)
{
    // MEncoder's scale and expand filters are set up once, for the shape the picture starts
    // with: a broadcast's 16:9 programme after a 4:3 one came out squeezed to three quarters
    // of its width.
    if (facts.shapeChanges())
        return tr("MEncoder shows every picture of this source at its first shape (%1), which changes "
                  "partway (to %2): those parts would look squeezed or stretched")
            .arg(PictureFrame::shapeName(facts.shapes.first()), PictureFrame::shapeName(facts.shapes.at(1)));
    // A change past the start nobody could look for is no plain shape.
    if (facts.unknown & SourceFacts::ShapesUnknown)
        return tr("the shape of this source's pictures past its start could not be measured, and MEncoder keeps "
                  "the shape it starts with");
    // MEncoder converts no colours: a PQ picture came out washed out, its hues shifted, in an
    // 8-bit file.
    const QString transfer = PictureColour::transferName(facts);
    if (!transfer.isEmpty())
        return tr("MEncoder shows the HDR picture of this source (%1) as if it were of standard range: "
                  "washed out, its hues shifted").arg(transfer);
    if (PictureColour::converted(facts))
        return tr("MEncoder shows the BT.2020 colours of this source as if they were BT.709 ones: pale");
    return QString();
}

QString InterfaceMEncoder::timingRefusal(const EncodingSource &source, const QString &muxer, bool withSound)
{
    const SourceFacts &facts = source.facts;
    // What MEncoder would misread cannot be told: FFprobe did not answer in time at the load.
    // FFmpeg reads any timing whole.
    if (!facts.measured)
        return tr("the timing of this source could not be measured (FFprobe did not answer in time), and "
                  "MEncoder may not read it whole or in step");
    // MEncoder times every picture by the rate it reads first, so a change past the points
    // read would go unseen: a rate is plain only where the whole file was counted or read.
    if (facts.unknown & SourceFacts::RateUnknown)
        return tr("the frame rate of this source could not be measured through the file, and MEncoder keeps the "
                  "rate it reads first");
    // MEncoder times every picture by the rate it reads first: of a phone's 6 s of variable
    // rate it kept 0.3 s, of a screen recording's 8 s it made 12.5 s.
    if (facts.variableRate)
        return tr("MEncoder reads the variable frame rate of this source as a constant one, "
                  "which cuts its picture short or draws it out");
    // MEncoder encodes a song's one picture once: its MPEG files held no picture that
    // decodes, its AVI one picture for 30 s of sound.
    if (facts.stillPicture)
        return tr("MEncoder shows the one picture of this source for a moment, not for as long as its sound plays");
    // MEncoder reads an edit list's discarded lead-in as pictures and sound to keep: of a
    // quick trim's 6.1 s it encoded 8.6 s, a lone cut-away picture 1.3 s ahead of the rest.
    if (facts.pictureLeadIn > 0.0)
        return tr("MEncoder shows the %1 s of picture before this source's start that its edit list "
                  "leaves out")
            .arg(secondsText(facts.pictureLeadIn));
    return withSound ? soundTimingRefusal(source, muxer, true) : QString();
}

QString InterfaceMEncoder::soundTimingRefusal(const EncodingSource &source, const QString &muxer, bool withPicture)
{
    const SourceFacts &facts = source.facts;
    const int place = SourceStreams::audioIndex(source);
    if (source.noAudio || place < 0 || place >= facts.sounds.size())
        return QString();
    // MEncoder keeps the sampling rate its sound starts with.
    if (facts.unknown & SourceFacts::SoundRatesUnknown)
        return tr("the sampling rate of this source's sound through the file could not be measured, and MEncoder "
                  "keeps the rate its sound starts with");
    if (facts.sounds.at(place).leadIn > kStartsApart)
        return tr("MEncoder plays the %1 s of sound before this source's start that its edit list "
                  "leaves out")
            .arg(secondsText(facts.sounds.at(place).leadIn));
    // MEncoder keeps the rate its sound starts with: of a recording whose sound changes from
    // 48 kHz to 44.1 kHz it played the rest a ninth too high, and said the job completed.
    const QList<int> &rates = facts.sounds.at(place).rates;
    if (rates.size() > 1)
        return tr("MEncoder does not follow this source's sound where its sampling rate changes (%1 Hz, then "
                  "%2 Hz): the rest would play at the wrong pitch")
            .arg(rates.first()).arg(rates.at(1));
    if (!withPicture)
        return QString();
    // MEncoder starts picture and sound together, whatever lies between them in the source.
    const double sound = facts.sounds.at(place).start;
    const double apart = sound - facts.pictureStart;
    if (std::abs(apart) > kStartsApart)
        return apart > 0.0 ? tr("MEncoder does not keep the sound of this source, which starts %1 s after its "
                                "picture, in step with it").arg(secondsText(apart))
                           : tr("MEncoder does not keep the sound of this source, which starts %1 s before its "
                                "picture, in step with it").arg(secondsText(-apart));
    // Streams that start together, later than the file: an AVI has no clock of its own, so
    // both start with it. Into a container that keeps times, libavformat's reader and the
    // Matroska reader keep the picture's time in the file but start the sound with the
    // output (MEncoderEncodeCommand::keepsStartTimes): a transport stream's sound would come
    // 1.44 s before its picture. Its own reader of a program stream starts both together.
    const bool clockless = MEncoderEncodeCommand::outputFormat(muxer) == QLatin1String("avi");
    if (!clockless && MEncoderEncodeCommand::keepsStartTimes(source) && std::abs(sound) > kStartsApart)
        return tr("MEncoder would start the sound of this source with the output, %1 s before its picture, "
                  "into a container that keeps their times")
            .arg(secondsText(facts.pictureStart));
    return QString();
}

QString InterfaceMEncoder::videoCodecRefusal(const QString &muxer, const QString &codec) const
{
    if (data && codec != QLatin1String("novideo")) {
        const QString unread = sourceRefusal(data->source, muxer, writesSound(*data));
        if (!unread.isEmpty())
            return unread;
    }
    if (!engineKnown())
        return QString();
    const QString encoder = MEncoderEncodeCommand::videoEncoder(codec);
    if (!capabilities->videoCodecMap->contains(encoder))
        return tr("this MEncoder has no %1 video encoder").arg(encoder);
    if (data) {
        const QString inlay = SubtitleInlay::copyRefusal(data->source, encoder);
        if (!inlay.isEmpty())
            return inlay;
    }

    if (encoder == QLatin1String("lavc")) {
        const QString name = MEncoderEncodeCommand::lavcVideoName(codec);
        const QStringList lavc = capabilities->lavcVideoCodecMap
                                     ? capabilities->lavcVideoCodecMap->value("lavc")
                                     : QStringList();
        if (!lavc.contains(name))
            return tr("MEncoder's libavcodec offers no %1 video encoder").arg(name);
    }
    if (const char *reason = codecLimit(std::begin(kVideoLimits), std::end(kVideoLimits), muxer,
                                        {codec, encoder}))
        return tr(reason);
    return QString();
}

QString InterfaceMEncoder::audioCodecRefusal(const QString &muxer, const QString &codec) const
{
    const QString encoder = MEncoderEncodeCommand::audioEncoder(codec);
    if (encoder.isEmpty())
        return QString();
    // A target without a picture is judged by its sound alone.
    if (data && !writesPicture(*data)) {
        const QString unread =
            data->source.kind == SourceKind::MediaFile ? soundTimingRefusal(data->source, muxer, false) : QString();
        if (!unread.isEmpty())
            return unread;
    }
    if (!engineKnown())
        return QString();
    if (const char *reason = codecLimit(std::begin(kAudioLimits), std::end(kAudioLimits), muxer,
                                        {codec}))
        return tr(reason);
    if (encoder == QLatin1String("copy") && data) {
        for (const CopyLimit &limit : kAudioCopyLimits) {
            if (data->source.kind == limit.sourceKind && limit.muxers.contains(muxer))
                return tr(limit.reason);
        }
    }
    if (encoder == QLatin1String("lavc"))
        return tr(kLavcAudioReason);
    // Only the vocabulary's encoders enter the capability map; MEncoder's own encoders
    // that stand in for libavcodec's are looked up among all that the engine listed.
    if (!capabilities->audioCodecMap->contains(encoder) && !m_engineAudioEncoders.contains(encoder))
        return tr("this MEncoder has no %1 audio encoder").arg(encoder);
    return QString();
}

// ---------------------------------------------------------------------------------------
// Status query.

void InterfaceMEncoder::cliCmdGetStatus(QString &program, QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"-ovc", "help", "-oac", "help", "-of", "help"};
    logCommand("InterfaceMEncoder::cliCmdGetStatus() returns command:", program, arguments);
}

namespace {

// One "name - description" line of a help section.
using HelpEntry = MEncoder::HelpEntry;
QList<HelpEntry> helpEntries(const QString &section)
{
    return MEncoder::helpEntries(section);
}

} // namespace

void InterfaceMEncoder::parseStatus()
{
    static const char where[] = "InterfaceMEncoder::parseStatus() -";
    qCDebug(lcBuilders) << "InterfaceMEncoder::parseStatus() starts parsing status raw data";
    if (!status)
        return;
    if (status->state != InterfaceStatus::OutputCaptured) {
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    const QString text = QString::fromUtf8(status->stdOut);

    // (*COMMIT): when the team's name does not follow the first "mencoder" and its version,
    // it follows no later one either; without it each later "mencoder" of a long answer
    // would be tried again, in quadratic time.
    static const QRegularExpression banner(QStringLiteral("(mencoder\\s+\\S+(*COMMIT).*?MPlayer Team)"),
                                           QRegularExpression::CaseInsensitiveOption
                                               | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch bannerMatch = banner.match(text);
    if (!bannerMatch.hasMatch() || bannerMatch.captured(1).isEmpty()) {
        qCDebug(lcBuilders) << where << "Failed to parse MEncoder standard output (signature)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    qCDebug(lcBuilders) << where << "signature:" << bannerMatch.captured(1);

    static const QRegularExpression parts(QStringLiteral("(mencoder)\\s+(\\S+)(*COMMIT).*?(MPlayer Team)"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch partsMatch = parts.match(text);
    if (partsMatch.captured(1).isEmpty() || partsMatch.captured(2).isEmpty()) {
        qCDebug(lcBuilders) << where << "Failed to parse MEncoder standard output (parsing signature)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    status->signature = partsMatch.captured(1);
    status->version = partsMatch.captured(2);

    const QList<QStringView> sections =
        TextSections::split(text, {QLatin1String("Available codecs:"), QLatin1String("Available codecs:"),
                                   QLatin1String("Available output formats:")},
                            Qt::CaseInsensitive);
    if (sections.isEmpty()) {
        qCDebug(lcBuilders) << where << "Failed to parse MEncoder standard output (-ovc help -oac help)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    const QString videoSection = sections.at(0).toString();
    const QString audioSection = sections.at(1).toString();
    const QString muxerSection = sections.at(2).toString();
    qCDebug(lcBuilders) << where << "available video:" << videoSection;
    qCDebug(lcBuilders) << where << "available audio:" << audioSection;
    qCDebug(lcBuilders) << where << "available muxer:" << muxerSection;

    if (!capabilities || !capabilities->videoCodecMap || !capabilities->audioCodecMap
        || !capabilities->subtitleCodecMap || !capabilities->muxerMap) {
        qCDebug(lcBuilders) << where << "no capability maps to fill";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }

    capabilities->videoCodecMap->clear();
    for (const HelpEntry &entry : helpEntries(videoSection)) {
        if (!supportedVideoCodecs.contains(entry.name)) {
            qCDebug(lcBuilders) << where << "ignore video codec available (not supported):" << entry.name
                     << entry.description;
            continue;
        }
        capabilities->videoCodecMap->insert(entry.name, entry.description);
        qCDebug(lcBuilders) << where << "found video codec available:" << entry.name << entry.description;
        if (entry.name == QLatin1String("lavc") && capabilities->lavcVideoCodecMap) {
            capabilities->lavcVideoCodecMap->insert("lavc", libraryNames.value("video"));
            qCDebug(lcBuilders) << where << "added lavc-video codecs:" << libraryNames.value("video");
        }
    }

    capabilities->audioCodecMap->clear();
    m_engineAudioEncoders.clear();
    for (const HelpEntry &entry : helpEntries(audioSection)) {
        m_engineAudioEncoders << entry.name;
        if (!supportedAudioCodecs.contains(entry.name)) {
            qCDebug(lcBuilders) << where << "ignore audio codec available (not supported):" << entry.name
                     << entry.description;
            continue;
        }
        capabilities->audioCodecMap->insert(entry.name, entry.description);
        qCDebug(lcBuilders) << where << "found audio codec available:" << entry.name << entry.description;
        if (entry.name == QLatin1String("lavc") && capabilities->lavcAudioCodecMap) {
            capabilities->lavcAudioCodecMap->insert("lavc", libraryNames.value("audio"));
            qCDebug(lcBuilders) << where << "added lavc-audio codecs:" << libraryNames.value("audio");
        }
    }

    capabilities->subtitleCodecMap->clear();
    capabilities->muxerMap->clear();
    for (const HelpEntry &entry : helpEntries(muxerSection)) {
        if (!supportedMuxers.contains(entry.name)) {
            qCDebug(lcBuilders) << where << "ignore muxer format available (not supported):" << entry.name
                     << entry.description;
            continue;
        }
        capabilities->muxerMap->insert(entry.name, entry.description);
        qCDebug(lcBuilders) << where << "found muxer format available:" << entry.name << entry.description;
        if (entry.name == QLatin1String("lavf") && capabilities->lavfMuxerMap) {
            capabilities->lavfMuxerMap->insert("lavf", libraryNames.value("muxer"));
            qCDebug(lcBuilders) << where << "added lavf-format muxers:" << libraryNames.value("muxer");
        }
    }
    status->state = InterfaceStatus::Ready;
}

// ---------------------------------------------------------------------------------------
// Encode commands.

void InterfaceMEncoder::cliCmdEncode(QString &program, QStringList &arguments,
                                     const QString &output, int frames, int chapter,
                                     int startSeconds) const
{
    program.clear();
    arguments.clear();
    program = this->program();
    if (!data) {
        logCommand("InterfaceMEncoder::cliCmdEncode() returns command:", program, arguments);
        return;
    }
    const EncodingTarget &target = data->target;
    const int level = target.profile.level;
    if (level != EncoderProfile::LevelNone && level != EncoderProfile::LevelUser) {
        arguments = cliCmdEncodeProfile(target.profile, output, frames, chapter, startSeconds);
    } else {
        arguments = MEncoderEncodeCommand(*data, passes, pass)
                        .build(EncodeSettings::ofTarget(target), output, frames, chapter, startSeconds);
    }
    logCommand("InterfaceMEncoder::cliCmdEncode() returns command:", program, arguments);
}

QStringList InterfaceMEncoder::cliCmdEncodeProfile(const EncoderProfile &profile,
                                                   const QString &output, int frames,
                                                   int chapter, int startSeconds) const
{
    if (!data)
        return QStringList();
    return MEncoderEncodeCommand(*data, passes, pass)
        .build(EncodeSettings::ofProfile(profile, data->target.audio.volume), output, frames, chapter,
               startSeconds);
}

// ---------------------------------------------------------------------------------------
// VideoCD and Super VideoCD.

namespace {

struct DiscTarget
{
    QSize palFrame;
    QSize otherFrame;
    const char *codec; // which shapes the frame is shown at
    QStringList lavcOptions;
    const char *muxFormat;
    const char *dvdOnly;
    const char *logText;
};
const DiscTarget kVideoCd = {
    {352, 288}, {352, 240}, "mpeg1video",
    {"vcodec=mpeg1video", "keyint=15", "vrc_buf_size=327", "vrc_minrate=1152", "vbitrate=1152",
     "vrc_maxrate=1152"},
    "format=vcd", "InterfaceMEncoder::cliCmdTargetVcd() supports only DVD input",
    "InterfaceMEncoder::cliCmdTargetVcd() returns command:"};
const DiscTarget kSuperVideoCd = {
    {480, 576}, {480, 480}, "mpeg2video",
    {"vcodec=mpeg2video", "keyint=15", "mbd=2", "vrc_buf_size=917", "vrc_minrate=600",
     "vbitrate=2500", "vrc_maxrate=2500"},
    "format=svcd", "InterfaceMEncoder::cliCmdTargetSvcd() supports only DVD input",
    "InterfaceMEncoder::cliCmdTargetSvcd() returns command:"};

// The title's frame rate: as the player read it, else by its TV standard; 0 when unknown.
double titleFrameRate(const VideoInfo &video)
{
    if (video.frameRate > 0.0)
        return video.frameRate;
    if (video.standard == QLatin1String("PAL"))
        return 25.0;
    if (video.standard == QLatin1String("NTSC"))
        return 30000.0 / 1001.0;
    return 0.0;
}

// A disc of a higher frame rate than its title needs repeated frames. Today's MEncoder
// hands the frame that "harddup" repeats to libavcodec with the time stamp of the
// original, libavcodec drops it ("Invalid pts (5) <= last (6)"), and the picture runs
// short of the sound: a 25 fps title keeps its 200 frames on an NTSC disc and lasts
// 6.7 s of 8. "fixpts" after "harddup" stamps the frames anew at the disc's rate, so
// that every repeat is encoded. A lower disc rate only drops frames and needs nothing.
bool needsRepeatedFrames(const VideoInfo &video, double discFrameRate)
{
    const double titleRate = titleFrameRate(video);
    return titleRate > 0.0 && titleRate < discFrameRate - 0.01;
}

} // namespace

void InterfaceMEncoder::cliCmdTargetVcd(QString &program, QStringList &arguments,
                                        const QString &dvdDevice, const QString &output,
                                        const QString &standard) const
{
    cliCmdTarget(false, program, arguments, dvdDevice, output, standard);
}

void InterfaceMEncoder::cliCmdTargetSvcd(QString &program, QStringList &arguments,
                                         const QString &dvdDevice, const QString &output,
                                         const QString &standard) const
{
    cliCmdTarget(true, program, arguments, dvdDevice, output, standard);
}

void InterfaceMEncoder::cliCmdTarget(bool superVideoCd, QString &program, QStringList &arguments,
                                     const QString &dvdDevice, const QString &output,
                                     const QString &standard) const
{
    const DiscTarget &disc = superVideoCd ? kSuperVideoCd : kVideoCd;
    program.clear();
    arguments.clear();
    if (!data || data->source.kind != SourceKind::Dvd) {
        qCDebug(lcBuilders) << disc.dvdOnly;
        return;
    }
    program = this->program();
    const bool pal = standard == QLatin1String("PAL");
    // The title's picture keeps its shape, boxed where the disc cannot show it: a VideoCD's
    // MPEG-1 shows 16:9 more than 2 % off at its sizes. A title of no known shape is 4:3.
    const PictureFrame frame =
        PictureFrame::of(QLatin1String(disc.codec), pal ? disc.palFrame : disc.otherFrame,
                         SourceStreams::displayAspect(data->source));
    const QString aspect =
        "aspect=" + MEncoderEncodeCommand::shape(frame.aspect > 0.0 ? frame.aspect : 4.0 / 3.0);
    // The disc's MPEG layer 2 audio (224 kbit/s, 44.1 kHz, two channels) comes from
    // MEncoder's own TwoLAME encoder: libavcodec's fails in today's MEncoder.
    arguments << "-ovc" << "lavc" << "-oac" << "twolame" << "-twolameopts" << "br=224"
              << "-channels" << "2";
    // libavformat's disc muxers, as the encode command's: MEncoder's own MPEG muxer loses
    // the last half second of the sound, and from a title of a second writes no packet.
    arguments << "-of" << "lavf" << "-lavfopts" << disc.muxFormat;
    arguments << "-srate" << "44100" << "-af" << "lavcresample=44100,channels=2";
    // Film whose pictures repeat fields stays at its own rate on an NTSC disc, as the disc
    // standards allow: MEncoder reads its pictures at the rate its fields are shown at, and
    // stamped anew at that rate 57 of 60 pictures filled 2 s.
    const bool film = data->source.facts.repeatFields;
    const QString frameRate = pal ? QStringLiteral("25") : film ? QStringLiteral("24000/1001") : QStringLiteral("30000/1001");
    const double discRate = pal ? 25.0 : film ? 24000.0 / 1001.0 : 30000.0 / 1001.0;
    const QString codec = QLatin1String(disc.codec);
    const int lines = frame.size.height();
    const bool sameRate = SourceFields::sameRate(data->source, discRate);
    const bool keptFields = SourceFields::kept(data->source, codec, lines, sameRate);
    QStringList filters =
        SourceFields::mencoderFilters(data->source, SourceFields::madeWhole(data->source, codec, lines, sameRate))
        + MEncoderEncodeCommand::boxFilters(frame);
    filters << QStringLiteral("scale=%1:%2").arg(frame.size.width()).arg(frame.size.height())
            << "harddup";
    if (needsRepeatedFrames(data->source.video, discRate))
        filters << "fixpts=fps=" + frameRate;
    arguments << "-vf" << filters.join(',') << "-ofps" << frameRate;
    // At the title's own rate, as every other MEncoder encode: without "-noskip" MEncoder
    // drops frames whenever it finds the picture ahead of the sound, and the disc's picture
    // holds holes; without "-mc 0" it still loses a few to the sync correction. A change of
    // rate needs the repeats and drops that "-noskip" forbids.
    const double titleRate = titleFrameRate(data->source.video);
    if (titleRate <= 0.0 || qAbs(titleRate - discRate) < 0.01)
        arguments << "-noskip" << "-mc" << "0";
    arguments << "-lavcopts"
              << (disc.lavcOptions + QStringList{aspect} + SourceFields::lavcFieldOptions(data->source, keptFields))
                     .join(':');
    arguments << "-o" << output;
    arguments << MEncoderEncodeCommand::dvdTitleInput(dvdDevice, data->source.video.title);
    arguments << MEncoderEncodeCommand::dvdAudioChoice(data->source)
              << MEncoderEncodeCommand::dvdSubtitleChoice(data->source);
    logCommand(disc.logText, program, arguments);
}

// ---------------------------------------------------------------------------------------
// Stream copies.

void InterfaceMEncoder::cliCmdRemux(const QString &input, const QString &output,
                                    QString &program, QStringList &arguments,
                                    const QString &container) const
{
    program.clear();
    arguments.clear();
    program = this->program();
    arguments << fileArgument(input) << "-ovc" << "copy" << "-oac" << "copy";
    if (container == QLatin1String("avi"))
        arguments << "-of" << "avi";
    else if (container == QLatin1String("mpeg"))
        arguments << "-of" << "mpeg" << "-mpegopts" << "interleaving2";
    else
        arguments << "-of" << "lavf" << "-lavfopts"
                  << "format=" + MEncoderEncodeCommand::lavfFormat(container);
    arguments << "-o" << output;
    logCommand("InterfaceMEncoder::cliCmdRemux() returns command:", program, arguments);
}

bool InterfaceMEncoder::cliCmdMerge(QString &program, QStringList &arguments, QString &error,
                                    const QStringList &inputs, const QString &output,
                                    const QString &container, const QString &fourcc) const
{
    error.clear();
    arguments = MEncoder::mergeArguments(inputs, output, container, fourcc);
    program = this->program();
    return true;
}

// ---------------------------------------------------------------------------------------
// Output readers.

namespace {

// A status line's fields as the engine spells them.
struct MEncoderStatus
{
    QStringView position;
    QStringView frame;
    QStringView percent;
    QStringView fps;
    QStringView minutesLeft;
    QStringView size;
};

// Reads "Pos:   2.9s     73f (92%) 24.75fps Trem:   1min  10mb" starting at `at` (the
// "Pos:"): blanks may stand between the fields, the size in megabytes may be missing, and
// anything may follow. False when the line does not have that form there.
class MEncoderStatusReader
{
public:
    explicit MEncoderStatusReader(QStringView line) : m_line(line) {}

    bool read(qsizetype at, MEncoderStatus &status)
    {
        m_at = at + 4; // "Pos:"
        if (!number(true, false, status.position) || !literal("s")
            || !number(false, false, status.frame) || !literal("f") || !word("(")
            || !number(false, true, status.percent) || !literal("%)")
            || !number(true, true, status.fps) || !literal("fps") || !word("Trem:")
            || !number(false, true, status.minutesLeft) || !literal("min"))
            return false;
        // The size is optional: without "mb" after its digits there is none.
        const qsizetype from = StatusFields::skipBlanks(m_line, m_at);
        const qsizetype end = StatusFields::skipNumber(m_line, from, false);
        if (end > from && m_line.mid(end).startsWith(QLatin1String("mb")))
            status.size = m_line.mid(from, end - from);
        return true;
    }

private:
    // Blanks, then the number's digits (with points where allowed).
    bool number(bool points, bool required, QStringView &captured)
    {
        const qsizetype from = StatusFields::skipBlanks(m_line, m_at);
        m_at = StatusFields::skipNumber(m_line, from, points);
        captured = m_line.mid(from, m_at - from);
        return !required || m_at > from;
    }
    bool literal(const char *text)
    {
        const QLatin1String expected(text);
        if (!m_line.mid(m_at).startsWith(expected))
            return false;
        m_at += expected.size();
        return true;
    }
    // Blanks, then the text.
    bool word(const char *text)
    {
        m_at = StatusFields::skipBlanks(m_line, m_at);
        return literal(text);
    }

    QStringView m_line;
    qsizetype m_at = 0;
};

// The first place in the line where a whole status line begins.
bool findMEncoderStatus(QStringView line, MEncoderStatus &status)
{
    MEncoderStatusReader reader(line);
    for (qsizetype at = line.indexOf(QLatin1String("Pos:")); at >= 0;
         at = line.indexOf(QLatin1String("Pos:"), at + 1)) {
        status = MEncoderStatus();
        if (reader.read(at, status))
            return true;
    }
    return false;
}

// Whether the text holds "pos:", then "s", "f", "%" and "fps" in this order, in either case,
// with something between the marker and the "s".
bool hasStatusMarkers(QStringView text)
{
    using SF = StatusFields;
    const qsizetype end = text.size();
    // The latest place each piece can stand so that the ones after it still follow.
    const qsizetype fps = SF::find(text, QLatin1String("fps"), 0, end, true, true);
    const qsizetype percent = fps < 0 ? -1 : SF::find(text, QLatin1String("%"), 0, fps, true);
    const qsizetype frames = percent < 0 ? -1 : SF::find(text, QLatin1String("f"), 0, percent, true, true);
    const qsizetype seconds = frames < 0 ? -1 : SF::find(text, QLatin1String("s"), 0, frames, true, true);
    const qsizetype marker = SF::find(text, QLatin1String("pos:"), 0, end, false, true);
    if (seconds < 0 || marker < 0 || marker + 4 > seconds)
        return false;
    // The first "s" after the marker closes the position, which must not be empty.
    return SF::find(text, QLatin1String("s"), marker + 4, end, false, true) > marker + 4;
}

} // namespace

bool InterfaceMEncoder::parseCommandCheck(const QByteArray &stdOut, const QByteArray &stdErr)
{
    Q_UNUSED(stdErr)
    qCDebug(lcBuilders) << "InterfaceMEncoder::parseCommandCheck() starts parsing standard output";
    const QString text = QString::fromUtf8(stdOut);
    // A status line: "Pos:", a position ending in "s", a frame ending in "f", a percentage
    // and "fps" later on.
    if (!hasStatusMarkers(text))
        return false;
    // A run that reached its end must also have closed its file: MEncoder then sums up
    // the streams it wrote. Without that summary it died while finishing the file (it
    // crashes so when a muxer refuses a stream), which leaves an empty or broken file.
    // A run killed while encoding never reached the end and is judged by its status lines.
    static const QRegularExpression finishing(QStringLiteral("^(Flushing video frames\\.|Writing index\\.\\.\\.)"),
                                              QRegularExpression::MultilineOption);
    static const QRegularExpression summary(QStringLiteral("^(Video|Audio) stream:"),
                                            QRegularExpression::MultilineOption);
    if (finishing.match(text).hasMatch() && !summary.match(text).hasMatch())
        return false;
    // MEncoder's MPEG muxer writes nothing until its buffers fill; a run stopped before
    // that sums up the encoded streams all the same, but its overhead line counts no
    // payload written: "Overhead: -nan% (0 / 0)", or "inf% (2324 / 0)" for the headers.
    static const QRegularExpression overhead(QStringLiteral("^Overhead:.*\\(\\s*\\d+\\s*/\\s*0\\s*\\)"),
                                             QRegularExpression::MultilineOption);
    return !overhead.match(text).hasMatch();
}

bool InterfaceMEncoder::parseProgress(const QString &text, QString &rest, int &frame,
                                      double &position, int &percent, int &minutesLeft,
                                      double &fps, int &size)
{
    // MEncoder ends its status line with a carriage return and its other messages (errors,
    // the closing summary) with a line feed; a message ended by a line feed stays part of
    // the segment that follows it. Whatever follows the last carriage return is a message
    // too, and a chunk without any carriage return is one whole.
    QStringView statusLine;
    QString others;
    const QStringView whole(text);
    for (qsizetype begin = 0; begin < whole.size();) {
        qsizetype end = whole.indexOf(QLatin1Char('\r'), begin);
        if (end < 0)
            end = whole.size();
        const QStringView segment = whole.mid(begin, end - begin);
        if (segment.startsWith(QLatin1String("Pos:")))
            statusLine = segment;
        else
            others += segment;
        begin = end + 1;
    }
    if (statusLine.isEmpty() && others.isEmpty())
        return false;

    // "Pos:   2.9s     73f (92%)  0.00fps Trem:   0min  10mb  A-V:0.078 [0:0]"; the size
    // is the estimated output in megabytes, handed on in kilobytes as FFmpeg's.
    MEncoderStatus status;
    if (findMEncoderStatus(statusLine, status)) {
        using Field = StatusFields::Field;
        StatusFields::storeReal(status.position, Field::Position, position);
        StatusFields::storeInt(status.frame, Field::Frame, frame);
        StatusFields::storeInt(status.percent, Field::Percent, percent);
        StatusFields::storeReal(status.fps, Field::Fps, fps);
        StatusFields::storeInt(status.minutesLeft, Field::MinutesLeft, minutesLeft);
        StatusFields::storeInt(status.size, Field::SizeKb, size, 1024);
    }
    rest = others;
    return true;
}
