#include "encoder/mervoencoder.h"
#include "encoder/encoderlogging.h"

#include "builders/interfaceffmpeg.h"
#include "builders/interfacemencoder.h"
#include "builders/interfacemkvmerge.h"
#include "builders/interfacex264.h"
#include "encoder/records/enginetype.h"
#include "engines/fileargument.h"
#include "engines/syncrunner.h"
#include "jobs/processend.h"
#include "jobs/console.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace {
// The CD's budget in kilobytes, and the kilobytes that one second of 128 kbit/s sound takes.
constexpr qint64 CdKilobytes = 700000;
constexpr qint64 SoundKilobytesPerSecond = 16;
// The length taken for a source whose length is unknown.
constexpr qint64 UnknownLengthSeconds = 6000;
}

MervoEncoder::MervoEncoder(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                           int verbosity, QObject *parent)
    : Encoder(stdIn, stdOut, stdErr, log, verbosity, parent)
{
}

MervoEncoder::~MervoEncoder() = default;

// --- records ---------------------------------------------------------------------------

Encoder::EngineRecord *MervoEncoder::ownRecord(int type) const
{
    auto *self = const_cast<MervoEncoder *>(this);
    return type == EngineType::X264       ? &self->m_x264Engine
           : type == EngineType::MKVmerge ? &self->m_mkvmergeEngine
                                          : nullptr;
}

Encoder::EngineRecord *MervoEncoder::record(int type) const
{
    EngineRecord *own = ownRecord(type);
    return own ? own : Encoder::record(type);
}

CommandBuilder *MervoEncoder::builder(int type) const
{
    if (type == EngineType::X264)
        return m_x264.get();
    if (type == EngineType::MKVmerge)
        return m_mkvmerge.get();
    return nullptr;
}

bool MervoEncoder::initEngine(int type, const QString &binary)
{
    EngineRecord *own = ownRecord(type);
    if (!own)
        return type == EngineType::MEncoder || type == EngineType::FFmpeg
                   ? Encoder::initEngine(type, binary)
                   : (reportUnknown(type), false);
    own->create();
    EngineCapabilities *view = own->capabilities.get();
    if (type == EngineType::X264) {
        m_x264 = std::make_unique<InterfaceX264>();
        m_x264->init(binary, view, own->job.get(), own->status.get());
    } else {
        m_mkvmerge = std::make_unique<InterfaceMKVmerge>();
        m_mkvmerge->init(binary, view, own->job.get(), own->status.get());
    }
    // The time-outs stay as the owner set them (see Encoder::initEngine).
    resetEngine(type);
    return isEngineReady(type);
}

void MervoEncoder::setEngineBinary(int type, const QString &binary)
{
    CommandBuilder *interface = builder(type);
    if (!interface) {
        // Types 1 and 2, and the unknown-type message for any other.
        Encoder::setEngineBinary(type, binary);
        return;
    }
    interface->setBinary(binary);
    resetEngine(type);
}

bool MervoEncoder::isMuxerSupported(int type, const QString &muxer)
{
    if (type == EngineType::X264)
        return m_x264 && m_x264->isMuxerSupported(muxer);
    if (type == EngineType::MKVmerge)
        return m_mkvmerge && m_mkvmerge->isMuxerSupported(muxer);
    return Encoder::isMuxerSupported(type, muxer);
}

QString MervoEncoder::engineBinary(int type) const
{
    if (ownRecord(type))
        return builder(type) ? builder(type)->binary() : QString();
    return Encoder::engineBinary(type);
}

QString MervoEncoder::engineName(int type)
{
    switch (type) {
    case EngineType::X264:
        return QStringLiteral("x264");
    case EngineType::MKVmerge:
        return QStringLiteral("MKVmerge");
    default:
        return Encoder::engineName(type);
    }
}

// --- engine reset ----------------------------------------------------------------------

void MervoEncoder::resetEngine(int type)
{
    qCDebug(lcEncoder) << "MervoEncoder: begin reset engine type" << type;
    const QString name = engineName(type);
    logMessage(tr("MervoEncoder: %1 engine reset begins.").arg(name), LogLevel::Verbose);
    EngineRecord *own = ownRecord(type);
    if (!own) {
        Encoder::resetEngine(type);
        return;
    }
    // An engine that was never initialised has nothing to query.
    if (!own->status || !builder(type))
        return;
    const QString binary = builder(type)->binary();
    const auto query = [this, type, own] {
        own->status->clear();
        for (QMap<QString, QString> *map : {&own->muxers, &own->videoCodecs, &own->audioCodecs, &own->subtitleCodecs})
            map->clear();
        return runStatusQuery(type);
    };
    if (!askEngine(type, name, *own, query))
        return;

    logMessage(tr("MervoEncoder: %1 engine reset completed.").arg(name), LogLevel::Verbose);
    if (own->status->state == InterfaceStatus::Ready) {
        logMessage(tr("MervoEncoder: %1 engine is ready.").arg(name), LogLevel::Verbose);
    } else {
        logMessage(tr("MervoEncoder: %1 engine binary is %2").arg(name, binary), LogLevel::Quiet);
        logMessage(tr("MervoEncoder: %1 engine failed initialization.").arg(name), LogLevel::Quiet);
    }
    qCDebug(lcEncoder) << "MervoEncoder: engine reset completed.";
}

bool MervoEncoder::runStatusQuery(int type)
{
    const QString name = engineName(type);
    QString program;
    QStringList arguments;
    if (type == EngineType::X264)
        m_x264->cliCmdGetStatus(program, arguments);
    else
        m_mkvmerge->cliCmdGetStatus(program, arguments);
    logStdIn(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')), LogLevel::Normal);
    qCDebug(lcEncoder).noquote() << "MervoEncoder: start process" << ('"' + program + '"') << arguments;
    logMessage(tr("MervoEncoder: %1 process starts.").arg(name), LogLevel::Verbose);

    SyncRunner::Timeouts limits;
    const SyncRunner::Result run = runStatusRun(type, program, arguments, "MervoEncoder", limits);
    if (!run.started) {
        qCDebug(lcEncoder) << "MervoEncoder: process failed to start:" << run.startFailure;
        logMessage(startFailureText("MervoEncoder", name, run, limits.start), LogLevel::Normal);
        return false;
    }
    qCDebug(lcEncoder) << "MervoEncoder: process started.";
    logMessage(tr("MervoEncoder: %1 process started.").arg(name), LogLevel::Verbose);
    if (run.killed) {
        qCDebug(lcEncoder) << "MervoEncoder: process didn't end by itself.";
        logMessage(tr("MervoEncoder: %1 process being killed.").arg(name), LogLevel::Verbose);
        logMessage(run.stillRunning ? tr("Warning: %1 process still running.").arg(name)
                                    : tr("MervoEncoder: %1 process killed.").arg(name),
                   LogLevel::Verbose);
    }
    if (run.crashedByItself()) {
        qCDebug(lcEncoder) << "Warning: encoder process crashed.";
        logMessage(ProcessEnd::crashWarning(name, run.exitCode), LogLevel::Normal);
    } else if (!run.crashed) {
        qCDebug(lcEncoder) << "MervoEncoder: process finished.";
        logMessage(tr("MervoEncoder: %1 process finished.").arg(name), LogLevel::Verbose);
    }

    captureStatus(*ownRecord(type), run.stdOut, run.stdErr);
    if (type == EngineType::X264)
        m_x264->parseStatus();
    else
        m_mkvmerge->parseStatus();
    return true;
}

// --- commands --------------------------------------------------------------------------

void MervoEncoder::cliCmdRemux(int type, const QString &input, const QString &output,
                               QString &program, QStringList &arguments, const QString &muxer)
{
    switch (type) {
    case EngineType::MEncoder:
        if (InterfaceMEncoder *mencoder = mencoderBuilder())
            mencoder->cliCmdRemux(input, output, program, arguments, muxer);
        return;
    case EngineType::FFmpeg:
        if (InterfaceFFmpeg *ffmpeg = ffmpegBuilder())
            ffmpeg->cliCmdRemux(input, output, program, arguments);
        return;
    case EngineType::X264:
        logStdErr(tr("x264 encoder interface doesn't support remuxing"), LogLevel::Normal);
        return;
    case EngineType::MKVmerge:
        logStdErr(tr("MKVmerge encoder interface doesn't support remuxing"), LogLevel::Normal);
        return;
    default:
        reportUnknown(type);
    }
}

QString MervoEncoder::profileSummary(const QString &muxer, const EncodingTarget &target) const
{
    Q_UNUSED(muxer) // the target names its own codecs; the container adds nothing here
    return profileSummary(target);
}

QString MervoEncoder::profileSummary(const EncodingTarget &target) const
{
    const VideoTarget &video = target.video;
    const AudioTarget &audio = target.audio;
    const bool hasVideo = !video.codec.isEmpty() && video.codec != QLatin1String("novideo");
    const bool hasAudio = !audio.codec.isEmpty() && audio.codec != QLatin1String("noaudio");
    const bool audioRate = audio.bitrate > 0.0;
    const QString kHz = QString::number(audio.samplingRate / 1000.0);
    const QString audioText = audioRate ? tr("%1 audio %2 kHz %3 kbps")
                                              .arg(audioCodecShortName(audio.codec), kHz)
                                              .arg(audio.bitrate)
                                        : tr("%1 audio %2 kHz VBR").arg(audioCodecShortName(audio.codec), kHz);
    if (!hasVideo)
        return audioText;
    const QString videoText = tr("%1 video %2x%3 %4 kbps")
                                  .arg(videoCodecShortName(video.codec))
                                  .arg(video.pictureSize.width())
                                  .arg(video.pictureSize.height())
                                  .arg(video.bitrate);
    return hasAudio ? videoText + QStringLiteral(",  ") + audioText : videoText;
}

qint64 MervoEncoder::xvidCdVideoSize(double length)
{
    // Whole seconds, counted in 64 bits: a length past what fits in 32 bits must not wrap
    // round to a small or negative count. Past the CD itself nothing is left.
    const double seconds = length > 0.0 ? std::floor(length) : double(UnknownLengthSeconds);
    const double soundKilobytes = std::min(seconds, double(CdKilobytes)) * SoundKilobytesPerSecond;
    return -std::max<qint64>(0, CdKilobytes - qint64(soundKilobytes));
}

void MervoEncoder::cliCmdTargetXvid(int type, QString &firstProgram, QStringList &firstArguments,
                                    QString &secondProgram, QStringList &secondArguments,
                                    const EncodingSource &source, const QString &statsFile)
{
    switch (type) {
    case EngineType::MEncoder:
        break;
    case EngineType::FFmpeg:
        logStdErr(tr("FFmpeg encoder interface doesn't support Xvid target"), LogLevel::Normal);
        return;
    case EngineType::X264:
        logStdErr(tr("x264 encoder interface doesn't support Xvid target"), LogLevel::Normal);
        return;
    case EngineType::MKVmerge:
        logStdErr(tr("MKVmerge encoder interface doesn't support Xvid target"), LogLevel::Normal);
        return;
    default:
        reportUnknown(type);
        return;
    }
    if (!mencoderBuilder())
        return;
    const qint64 videoSize = xvidCdVideoSize(source.video.length);
    if (videoSize == 0) {
        // Xvid would read a bit rate of 0 as its default rate: the file would not fit.
        logStdErr(tr("Xvid target: the sound of a %1 s source alone fills the CD")
                      .arg(qint64(source.video.length)),
                  LogLevel::Normal);
        return;
    }
    EncodingJob &job = prepareXvidTarget(source);
    job.target.extraOptions.insert(QStringLiteral("-passlogfile"), statsFile);
    // A negative bit rate is Xvid's target size in kilobytes.
    job.target.video.bitrate = double(videoSize);
    mencoderXvidPass(firstProgram, firstArguments, nullDevice(), 2, 1);
    mencoderXvidPass(secondProgram, secondArguments, outputFile(), 2, 2);
}
