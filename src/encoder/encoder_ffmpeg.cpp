// Every call of the encoder into the FFmpeg command builder.

#include "encoder/encoder.h"
#include "builders/interfaceffmpeg.h"

#include "builders/interfacemencoder.h"

Encoder::~Encoder() = default;

void Encoder::createFFmpegBuilder(const QString &binary, Engine &record)
{
    m_ffmpeg = std::make_unique<InterfaceFFmpeg>();
    m_ffmpeg->init(binary, record.capabilities.get(), record.job.get(), record.status.get());
}

QString Encoder::ffmpegBinary() const { return m_ffmpeg->binary(); }
void Encoder::setFFmpegBinary(const QString &binary) { m_ffmpeg->setBinary(binary); }

bool Encoder::ffmpegMuxerSupported(const QString &muxer) const
{
    return m_ffmpeg->isMuxerSupported(muxer);
}

bool Encoder::ffmpegVideoCodecSupported(const QString &muxer, const QString &codec) const
{
    return m_ffmpeg && m_ffmpeg->isVideoCodecSupported(muxer, codec);
}

bool Encoder::ffmpegAudioCodecSupported(const QString &muxer, const QString &codec) const
{
    return m_ffmpeg && m_ffmpeg->isAudioCodecSupported(muxer, codec);
}

void Encoder::ffmpegVersionCommand(QString &program, QStringList &arguments) const
{
    m_ffmpeg->cliCmdGetVersion(program, arguments);
}

void Encoder::ffmpegCodecsCommand(QString &program, QStringList &arguments) const
{
    m_ffmpeg->cliCmdGetCodecs(program, arguments);
}

void Encoder::ffmpegMuxersCommand(QString &program, QStringList &arguments) const
{
    m_ffmpeg->cliCmdGetMuxers(program, arguments);
}

void Encoder::parseFFmpegVersion() { m_ffmpeg->parseVersion(); }
void Encoder::parseFFmpegCodecs() { m_ffmpeg->parseCodecs(); }
void Encoder::parseFFmpegMuxers() { m_ffmpeg->parseMuxers(); }

bool Encoder::ffmpegCommandCheck(const QString &stdOut, const QString &stdErr)
{
    return InterfaceFFmpeg::parseCommandCheck(stdOut.toUtf8(), stdErr.toUtf8());
}

bool Encoder::ffmpegProgress(const QString &text, QString &rest, int &frame, double &position,
                             int &percent, int &minutesLeft, double &fps, int &size)
{
    return InterfaceFFmpeg::parseProgress(text, rest, frame, position, percent, minutesLeft, fps,
                                          size);
}

void Encoder::ffmpegEncode(QString &program, QStringList &arguments, const QString &output,
                           int frames, int startSeconds)
{
    m_ffmpeg->passes = m_ffmpeg->pass = 1;
    m_ffmpeg->cliCmdEncode(program, arguments, output, frames, startSeconds);
}

void Encoder::ffmpegTargetDisc(bool superVideoCd, QString &program, QStringList &arguments,
                               const QString &input, const QString &output,
                               const QString &standard)
{
    m_ffmpeg->passes = m_ffmpeg->pass = 1;
    if (superVideoCd)
        m_ffmpeg->cliCmdTargetSvcd(program, arguments, input, output, standard);
    else
        m_ffmpeg->cliCmdTargetVcd(program, arguments, input, output, standard);
}

void Encoder::ffmpegAspectCorrection(QString &program, QStringList &arguments,
                                     const QString &input, const QString &output, double aspect)
{
    m_ffmpeg->cliCmdEncode(program, arguments, input, output, aspect);
}

void Encoder::ffmpegExtractAudio(QString &program, QStringList &arguments, const QString &input,
                                 const QString &output)
{
    m_ffmpeg->cliCmdEncode(program, arguments, input, output);
}

qint64 Encoder::ffmpegEstimatedSize(int frames) const
{
    return m_ffmpeg->estimatedSize(frames);
}
