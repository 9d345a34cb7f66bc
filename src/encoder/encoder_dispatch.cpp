// The encoder's command dispatch: which engine encodes the current source, the general
// encode, the fixed targets, the finishing stream copies, the source's TV standard and the
// one-line summary of a profile.

#include "encoder/encoder.h"
#include "encoder/encoderlogging.h"

#include "builders/interfacemencoder.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "jobs/console.h"

#include <QDebug>
#include <QRegularExpression>

#include <cmath>

namespace {

// Frame-rate windows of the TV standards, open at both ends.
struct RateWindow
{
    double low;
    double high;
    const char *standard;
};
const RateWindow kRateWindows[] = {
    {24.995, 25.005, "PAL"},  {49.995, 50.005, "PAL"},  {23.971, 23.981, "NTSC"},
    {23.995, 24.005, "NTSC"}, {29.965, 29.975, "NTSC"}, {29.995, 30.005, "NTSC"},
    {59.995, 60.005, "NTSC"},
};

struct ChannelName
{
    int count;
    const char *text;
};
const ChannelName kChannelNames[] = {
    {1, "mono"}, {2, "stereo"}, {3, "2.1"}, {6, "5.1"}, {8, "7.1"},
};

// MEncoder's AVI muxer writes the display aspect of the source into its header, not the one
// the command gives the encoder (a 4:3 DVD title scaled to 512 by 384 reads back as 5:4), so
// an AVI gets the encoder's aspect forced into its header.
void forceAviAspect(QStringList &arguments)
{
    const qsizetype format = arguments.indexOf(QStringLiteral("-of"));
    if (format < 0 || arguments.value(format + 1) != QLatin1String("avi")
        || arguments.contains(QStringLiteral("-force-avi-aspect")))
        return;
    static const QRegularExpression aspect(QStringLiteral("(?:^|:)aspect=(\\d+(?:\\.\\d+)?)(?:/(\\d+))?(?::|$)"));
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (!arguments.at(i).endsWith(QLatin1String("opts")))
            continue;
        const QRegularExpressionMatch match = aspect.match(arguments.at(i + 1));
        if (!match.hasMatch())
            continue;
        double value = match.captured(1).toDouble();
        if (!match.captured(2).isEmpty())
            value /= match.captured(2).toDouble();
        if (value > 0.0)
            arguments = QStringList{QStringLiteral("-force-avi-aspect"), QString::number(value, 'g', 6)} + arguments;
        return;
    }
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

bool isLossless(const QString &codec)
{
    return codec == QLatin1String("alac") || codec == QLatin1String("flac");
}

} // namespace

int Encoder::preferredEngine() const
{
    const VideoInfo &video = m_source.video;
    const bool file = m_source.kind == SourceKind::MediaFile;
    const QString &muxer = m_output.muxer;
    if (m_source.kind == SourceKind::Dvd)
        return EngineType::MEncoder;
    if (video.videoFormat == QLatin1String("x264_divx"))
        return EngineType::FFmpeg;
    if (file && video.kind == VideoInfo::AudioOnlyFile)
        return EngineType::FFmpeg;
    if (file && video.videoFormat == QLatin1String("mpeg1video"))
        return EngineType::MEncoder;
    if (file && !m_source.noVideo && muxer == QLatin1String("mpegts"))
        return EngineType::MEncoder;
    if (muxer == QLatin1String("mpeg") || muxer == QLatin1String("mpeg_vcd"))
        return EngineType::MEncoder;
    return EngineType::FFmpeg;
}

void Encoder::cliCmdEncode(int &type, QString &program, QStringList &arguments,
                           const QString &output, int testFrames, int testChapter,
                           int testPosition, bool forced)
{
    if (!forced)
        type = preferredEngine();
    if (type == EngineType::FFmpeg && m_ffmpeg) {
        m_ffmpegEngine.job->source = m_source;
        ffmpegEncode(program, arguments, output, testFrames, testPosition);
    } else if (type == EngineType::MEncoder && m_mencoder) {
        m_mencoderEngine.job->source = m_source;
        m_mencoder->passes = m_mencoder->pass = 1;
        m_mencoder->cliCmdEncode(program, arguments, output, testFrames, testChapter, testPosition);
        // MEncoder takes a DVD title's pixels for square ones (a 4:3 PAL title reads back as
        // 5:4 from Matroska); the title's aspect as the player identified it sets it right.
        if (m_source.kind == SourceKind::Dvd && m_source.video.aspect > 0.0
            && !arguments.contains(QStringLiteral("-aspect")))
            arguments = QStringList{QStringLiteral("-aspect"), number(m_source.video.aspect)} + arguments;
        forceAviAspect(arguments);
    } else {
        reportUnsupported(type, tr("encoding"));
    }
}

void Encoder::cliCmdTargetXvid(int type, QString &program, QStringList &arguments,
                               const EncodingSource &source)
{
    if (type == EngineType::FFmpeg) {
        logStdErr(tr("FFmpeg encoder interface doesn't support Xvid target"), LogLevel::Normal);
        return;
    }
    if (type != EngineType::MEncoder || !m_mencoder) {
        reportUnsupported(type, tr("Xvid target"));
        return;
    }
    prepareXvidTarget(source).target.video.bitrate = 700.0;
    mencoderXvidPass(program, arguments, outputFile(), 1, 1);
}

EncodingJob &Encoder::prepareXvidTarget(const EncodingSource &source)
{
    EncodingJob &job = *m_mencoderEngine.job;
    job.source = source;
    job.target.video.reset();
    job.target.audio.bitrate = 0.0;
    job.target.audio.volume = 0;
    job.target.audio.samplingRate = 0;
    job.target.audio.codec.clear();
    job.target.audio.spareList1.clear();
    job.target.audio.spareList2.clear();
    job.target.subtitleCodec.clear();
    job.target.muxer = QStringLiteral("avi");
    // A 4:3 picture keeps 4:3; anything else, an unknown ratio too, is fitted to 16:9.
    const double aspect = source.video.aspect;
    job.target.video.pictureSize = std::fabs(aspect - 1.33) < 0.1 ? QSize(512, 384) : QSize(624, 352);
    job.target.video.codec = QStringLiteral("xvid");
    job.target.audio.codec = QStringLiteral("mp3");
    job.target.audio.samplingRate = 44100;
    job.target.audio.bitrate = 128.0;
    return job;
}

void Encoder::mencoderXvidPass(QString &program, QStringList &arguments, const QString &output,
                               int passes, int pass)
{
    m_mencoder->passes = passes;
    m_mencoder->pass = pass;
    m_mencoder->cliCmdEncode(program, arguments, output, 0, 0, 0);
    forceAviAspect(arguments);
}

void Encoder::cliCmdTargetVcd(int type, QString &program, QStringList &arguments,
                              const QString &input, const QString &output,
                              const QString &standard)
{
    cliCmdTargetDisc(false, type, program, arguments, input, output, standard);
}

void Encoder::cliCmdTargetSvcd(int type, QString &program, QStringList &arguments,
                               const QString &input, const QString &output,
                               const QString &standard)
{
    cliCmdTargetDisc(true, type, program, arguments, input, output, standard);
}

void Encoder::cliCmdTargetDisc(bool superVideoCd, int type, QString &program,
                               QStringList &arguments, const QString &input,
                               const QString &output, const QString &standard)
{
    QString tv = standard.isEmpty() ? m_source.video.standard : standard;
    if (tv.isEmpty()) {
        const double rate = m_source.video.frameRate;
        tv = rate == 25.0 || rate == 50.0 ? QStringLiteral("PAL") : QStringLiteral("NTSC");
    }
    if (type == EngineType::MEncoder && m_mencoder) {
        m_mencoder->passes = m_mencoder->pass = 1;
        m_mencoderEngine.job->source = m_source;
        if (superVideoCd)
            m_mencoder->cliCmdTargetSvcd(program, arguments, input, output, tv);
        else
            m_mencoder->cliCmdTargetVcd(program, arguments, input, output, tv);
    } else if (type == EngineType::FFmpeg && m_ffmpeg) {
        m_ffmpegEngine.job->source = m_source;
        ffmpegTargetDisc(superVideoCd, program, arguments, input, output, tv);
    } else {
        reportUnsupported(type, superVideoCd ? tr("SVCD target") : tr("VCD target"));
    }
}

void Encoder::cliCmdAspectCorrection(int type, QString &program, QStringList &arguments,
                                     const QString &input, const QString &output, double aspect)
{
    if (type == EngineType::FFmpeg && m_ffmpeg)
        ffmpegAspectCorrection(program, arguments, input, output, aspect);
    else
        reportUnsupported(type, tr("aspect ratio correction"));
}

void Encoder::cliCmdExtractAudio(int type, QString &program, QStringList &arguments,
                                 const QString &input, const QString &output)
{
    if (type == EngineType::FFmpeg && m_ffmpeg)
        ffmpegExtractAudio(program, arguments, input, output);
    else
        reportUnsupported(type, tr("MP3 from AVI extraction"));
}

QString Encoder::tvStandard() const
{
    if (!m_source.video.standard.isEmpty())
        return m_source.video.standard;
    const double rate = m_source.video.frameRate;
    for (const RateWindow &window : kRateWindows) {
        if (window.low < rate && rate < window.high)
            return QString::fromLatin1(window.standard);
    }
    return QString();
}

qint64 Encoder::estimateSize(int type, int frames)
{
    return type == EngineType::FFmpeg && m_ffmpeg ? ffmpegEstimatedSize(frames) : 0;
}

// The source's channel layout: its own text, else named after its channel count.
QString Encoder::channelText() const
{
    const AudioInfo &audio = m_source.audio;
    if (!audio.channels.isEmpty())
        return audio.channels;
    for (const ChannelName &name : kChannelNames) {
        if (audio.channelCount == name.count)
            return QString::fromLatin1(name.text);
    }
    return audio.channelCount > 0 ? QString::number(audio.channelCount) + QStringLiteral(" ch.")
                                  : QString();
}

QString Encoder::profileSummary(const EncoderProfile &profile) const
{
    const bool audioCopy = profile.audioCodec == QLatin1String("ac3_copy");
    const QString kHz = number(profile.samplingRate / 1000.0);
    const QString kbps = number(profile.audioBitrate);
    const QString sourceKHz = number(m_source.audio.samplingRate / 1000.0);
    const QString sourceKbps = number(m_source.audio.bitrate);
    const QString audio = audioCodecShortName(profile.audioCodec);
    const bool lossless = isLossless(profile.audioCodec);

    if (!isCodecPresent(profile.videoCodec, "novideo")) {
        if (audioCopy)
            return tr("AC3 %1 audio (copy) %2 kHz %3 kbps").arg(channelText(), sourceKHz, sourceKbps);
        if (profile.level == EncoderProfile::LevelAudioCopy)
            return tr("%1 %2 audio %3 kHz %4 kbps")
                .arg(audioCodecShortName(profile.audioCodec.toUpper()), channelText(), sourceKHz,
                     sourceKbps);
        if (profile.audioBitrate > 0)
            return tr("%1 audio %2 kHz %3 kbps").arg(audio, kHz, kbps);
        return lossless ? tr("%1 %2 kHz").arg(audio, kHz) : tr("%1 audio %2 kHz VBR").arg(audio, kHz);
    }

    const QString video = videoCodecShortName(profile.videoCodec);
    const QString width = QString::number(profile.pictureSize.width());
    const QString height = QString::number(profile.pictureSize.height());
    const QString videoKbps = number(profile.videoBitrate);
    if (!isCodecPresent(profile.audioCodec, "noaudio"))
        return tr("%1 video %2x%3 %4 kbps").arg(video, width, height, videoKbps);
    if (profile.samplingRate == -1 || audioCopy)
        return tr("%1 video %2x%3 %4 kbps,  AC3 %5 audio (copy) %6 kHz %7 kbps")
            .arg(video, width, height, videoKbps, channelText(), sourceKHz, sourceKbps);
    if (profile.audioBitrate > 0)
        return tr("%1 video %2x%3 %4 kbps,  %5 audio %6 kHz %7 kbps")
            .arg(video, width, height, videoKbps, audio, kHz, kbps);
    if (lossless)
        return tr("%1 video %2x%3 %4 kbps,  %5 %6 kHz").arg(video, width, height, videoKbps, audio, kHz);
    return tr("%1 video %2x%3 %4 kbps,  %5 audio %6 kHz VBR")
        .arg(video, width, height, videoKbps, audio, kHz);
}

bool Encoder::isCodecPresent(const QString &codec, const char *none)
{
    return !codec.isEmpty() && codec != QLatin1String(none);
}
