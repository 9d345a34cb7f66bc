#include "encoder/encoder.h"
#include "encoder/encoderlogging.h"
#include "builders/interfaceffmpeg.h"

#include "builders/interfacemencoder.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "jobs/console.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QSettings>

#include <tuple>

Encoder::Encoder(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                 int verbosity, QObject *parent)
    : QObject(parent)
    // The program's own settings store, as start-up named it.
    , m_settingsOrganization(QCoreApplication::organizationName())
    , m_settingsApplication(QCoreApplication::applicationName())
    , m_verbosity(verbosity)
    , m_logView(log)
    , m_stdInView(stdIn)
    , m_stdOutView(stdOut)
    , m_stdErrView(stdErr)
{
    initVideoCodecDescriptions();
    initAudioCodecDescriptions();
    initSubtitleDescriptions();
    initMuxerDescriptions();
    initMuxerLongDescriptions();
    initVideoCodecShortNames();
    initAudioCodecShortNames();
    initSubtitleShortNames();
    initMuxerShortNames();
    initVideoCodecAliases();
    m_subtitleAliases.clear();
    initMuxerAliases();
    initDefaultVideoCodecs();
    initDefaultAudioCodecs();
    initDefaultSubtitles();
}

// --- engines ---------------------------------------------------------------------------

Encoder::Engine *Encoder::engine(int type) const
{
    auto *self = const_cast<Encoder *>(this);
    return type == EngineType::MEncoder ? &self->m_mencoderEngine
           : type == EngineType::FFmpeg ? &self->m_ffmpegEngine
                                        : nullptr;
}

Encoder::EngineRecord *Encoder::record(int type) const
{
    return engine(type);
}

Encoder::Engine *Encoder::knownEngine(int type)
{
    Engine *record = engine(type);
    if (!record)
        reportUnknown(type);
    return record;
}

Encoder::EngineRecord *Encoder::knownRecord(int type)
{
    EngineRecord *found = record(type);
    if (!found)
        reportUnknown(type);
    return found;
}

void Encoder::EngineRecord::create()
{
    job = std::make_unique<EncodingJob>();
    status = std::make_unique<InterfaceStatus>();
    capabilities = std::make_unique<EngineCapabilities>();
    capabilities->videoCodecMap = &videoCodecs;
    capabilities->audioCodecMap = &audioCodecs;
    capabilities->subtitleCodecMap = &subtitleCodecs;
    capabilities->muxerMap = &muxers;
    // The time-outs stay: they are the user's latencies, which the engine's first queries
    // already run with.
}

void Encoder::reportUnknown(int type)
{
    logStdErr(tr("encoder interface (type %1) unknown").arg(type), LogLevel::Normal);
}

void Encoder::reportUnsupported(int type, const QString &what)
{
    logStdErr(tr("encoder interface (type %1) doesn't support %2").arg(type).arg(what),
              LogLevel::Normal);
}

bool Encoder::initEngine(int type, const QString &binary)
{
    Engine *record = knownEngine(type);
    if (!record)
        return false;
    record->create();
    if (type == EngineType::MEncoder) {
        EngineCapabilities &view = *record->capabilities;
        view.lavcVideoCodecMap = &record->lavcVideoCodecs;
        view.lavcAudioCodecMap = &record->lavcAudioCodecs;
        view.lavcSubtitleCodecMap = &record->lavcSubtitleCodecs;
        view.lavfMuxerMap = &record->lavfMuxers;
        m_mencoder = std::make_unique<InterfaceMEncoder>();
        m_mencoder->init(binary, &view, record->job.get(), record->status.get());
    } else {
        createFFmpegBuilder(binary, *record);
    }
    // The engine's time-outs stay as they are: a new encoder's are 3000, 3000 and 5000 ms, and
    // an owner that set the user's latencies before (the encoder panel) has the engine's first
    // queries run with them, as every later run is; setting the defaults here would undo the
    // user's choice until the preferences were applied again.
    resetEngine(type);
    return isEngineReady(type);
}

void Encoder::setEngineBinary(int type, const QString &binary)
{
    if (!knownEngine(type))
        return;
    if (type == EngineType::MEncoder && m_mencoder)
        m_mencoder->setBinary(binary);
    else if (type == EngineType::FFmpeg && m_ffmpeg)
        setFFmpegBinary(binary);
    resetEngine(type);
}

bool Encoder::isEngineReady(int type)
{
    const EngineRecord *found = knownRecord(type);
    return found && found->status && found->status->state == InterfaceStatus::Ready;
}

bool Encoder::enginesReady()
{
    return isEngineReady(EngineType::MEncoder) && isEngineReady(EngineType::FFmpeg);
}

QString Encoder::engineName(int type)
{
    return EngineType::name(type);
}

QString Encoder::engineBinary(int type) const
{
    if (type == EngineType::MEncoder && m_mencoder)
        return m_mencoder->binary();
    if (type == EngineType::FFmpeg && m_ffmpeg)
        return ffmpegBinary();
    return QString();
}

QString Encoder::engineVersion(int type) const
{
    const EngineRecord *found = record(type);
    return found && found->status ? found->status->version : QString();
}

EncodingJob *Encoder::jobData(int type) const
{
    const EngineRecord *found = record(type);
    return found ? found->job.get() : nullptr;
}

EngineCapabilities *Encoder::capabilities(int type) const
{
    const EngineRecord *found = record(type);
    return found ? found->capabilities.get() : nullptr;
}

InterfaceStatus *Encoder::interfaceStatus(int type) const
{
    const EngineRecord *found = record(type);
    return found ? found->status.get() : nullptr;
}

// --- time-outs -------------------------------------------------------------------------

void Encoder::setTimeouts(int type, int start, int finish, int kill)
{
    if (EngineRecord *found = knownRecord(type)) {
        found->startTimeout = start;
        found->finishTimeout = finish;
        found->killTimeout = kill;
    }
}

void Encoder::timeouts(int type, int &start, int &finish, int &kill)
{
    const EngineRecord fallback;
    // The player's copy of a DVD title keeps the time-outs of MEncoder, which comes with it.
    const EngineRecord *found = type == EngineType::MPlayer ? record(EngineType::MEncoder)
                                                            : knownRecord(type);
    if (!found)
        found = &fallback;
    start = found->startTimeout;
    finish = found->finishTimeout;
    kill = found->killTimeout;
}

int Encoder::startTimeout(int type)
{
    int start, finish, kill;
    timeouts(type, start, finish, kill);
    return start;
}

int Encoder::finishTimeout(int type)
{
    int start, finish, kill;
    timeouts(type, start, finish, kill);
    return finish;
}

int Encoder::killTimeout(int type)
{
    int start, finish, kill;
    timeouts(type, start, finish, kill);
    return kill;
}

// --- source, target and output ---------------------------------------------------------

void Encoder::setSource(const QString &path, int kind)
{
    m_source.path = path;
    m_source.kind = kind;
}

void Encoder::setSourceStreams(VideoInfo video, bool noVideo, AudioInfo audio, bool noAudio,
                               SubtitleInfo subtitle, bool noSubtitle)
{
    m_source.video = video;
    m_source.noVideo = noVideo;
    m_source.audio = audio;
    m_source.noAudio = noAudio;
    m_source.subtitle = subtitle;
    m_source.noSubtitle = noSubtitle;
    // The stream counts read the markers: a source without audio or subtitles offers none.
    m_audioStreamMarker = noAudio ? -1 : 0;
    m_subtitleStreamMarker = noSubtitle ? -1 : 0;
}

void Encoder::setSourceStreams(const EncodingSource &chosen)
{
    const QString path = m_source.path;
    const int kind = m_source.kind;
    m_source = chosen;
    m_source.path = path;
    m_source.kind = kind;
    setSourceStreams(chosen.video, chosen.noVideo, chosen.audio, chosen.noAudio, chosen.subtitle,
                     chosen.noSubtitle);
}

void Encoder::setVideoCodec(const QString &codec)
{
    for (EncodingJob *job : {jobData(EngineType::FFmpeg), jobData(EngineType::MEncoder)})
        if (job)
            job->target.video.codec = codec;
}

void Encoder::setAudioCodec(const QString &codec)
{
    for (EncodingJob *job : {jobData(EngineType::FFmpeg), jobData(EngineType::MEncoder)})
        if (job)
            job->target.audio.codec = codec;
}

void Encoder::setSubtitleCodec(const QString &codec)
{
    for (EncodingJob *job : {jobData(EngineType::FFmpeg), jobData(EngineType::MEncoder)})
        if (job)
            job->target.subtitleCodec = codec;
}

void Encoder::setAudioVolume(int volume)
{
    for (EncodingJob *job : {jobData(EngineType::FFmpeg), jobData(EngineType::MEncoder)})
        if (job)
            job->target.audio.volume = volume;
}

QString Encoder::videoCodec() const
{
    const EncodingJob *job = jobData(EngineType::FFmpeg);
    return job ? job->target.video.codec : QString();
}

QString Encoder::audioCodec() const
{
    const EncodingJob *job = jobData(EngineType::FFmpeg);
    return job ? job->target.audio.codec : QString();
}

QString Encoder::subtitleCodec() const
{
    const EncodingJob *job = jobData(EngineType::FFmpeg);
    return job ? job->target.subtitleCodec : QString();
}

void Encoder::setTargetMuxer(const QString &muxer)
{
    m_output.muxer = muxer;
    m_output.extension = muxerExtension(muxer, m_source.noVideo);
}

QString Encoder::setTarget(const QString &folder, const QString &baseName)
{
    m_output.folder = folder;
    m_output.baseName = baseName;
    m_output.extension = muxerExtension(m_output.muxer, m_source.noVideo);
    return m_output.extension;
}

QString Encoder::outputFile() const
{
    return QStringLiteral("%1/%2%3")
        .arg(QDir::cleanPath(m_output.folder), m_output.baseName, m_output.extension);
}

int Encoder::audioStreamCount() const
{
    // The source's list holds every audio stream of the file or title, for the engines to
    // find the chosen one among them; the encoding takes the chosen stream alone. Counted
    // as several, the list would leave the panel nothing to offer but "multi", which no
    // engine writes.
    return m_audioStreamMarker == -1 ? 0 : 1;
}

int Encoder::subtitleStreamCount() const
{
    // As the audio list: the engines find the chosen subtitle among the source's, and the
    // encoding draws that one alone into the picture.
    return m_subtitleStreamMarker == -1 ? 0 : 1;
}

// --- availability ----------------------------------------------------------------------

QStringList Encoder::availableMuxers() const
{
    // MEncoder's containers come from its vocabulary, not from what the engine reported:
    // before the engine is set up, a builder of our own gives the same list.
    QStringList muxers = m_mencoder ? m_mencoder->muxers() : InterfaceMEncoder().muxers();
    static const QStringList audioOnly = {"wav", "mp3", "m4a", "au", "ac3"};
    const bool loaded = m_source.kind != SourceKind::Unset;
    if (m_source.noVideo && loaded) {
        muxers.removeIf([](const QString &muxer) { return !audioOnly.contains(muxer); });
    } else if (m_source.noAudio && loaded) {
        // A picture without sound fills no sound file, nor a PSP movie: libavformat's PSP
        // muxer refuses a file without sound ("PSP mode need one video and one audio
        // stream"). A source still counts as without both until its streams are known.
        static const QStringList needSound = audioOnly + QStringList{"psp"};
        muxers.removeIf([](const QString &muxer) { return needSound.contains(muxer); });
    }
    if (m_source.kind == SourceKind::Dvd)
        muxers.removeIf([](const QString &muxer) {
            return muxer == QLatin1String("ogg") || muxer == QLatin1String("webm");
        });
    return muxers;
}

bool Encoder::isMuxerSupported(int type, const QString &muxer)
{
    if (!knownEngine(type))
        return false;
    if (type == EngineType::MEncoder)
        return m_mencoder && m_mencoder->isMuxerSupported(muxer);
    return m_ffmpeg && ffmpegMuxerSupported(muxer);
}

bool Encoder::isVideoCodecSupported(int type, const QString &muxer, const QString &codec)
{
    if (!knownEngine(type))
        return false;
    if (type == EngineType::MEncoder)
        return m_mencoder && m_mencoder->isVideoCodecSupported(muxer, codec);
    return m_ffmpeg && ffmpegVideoCodecSupported(muxer, codec);
}

bool Encoder::isAudioCodecSupported(int type, const QString &muxer, const QString &codec)
{
    if (!knownEngine(type))
        return false;
    if (type == EngineType::MEncoder)
        return m_mencoder && m_mencoder->isAudioCodecSupported(muxer, codec);
    return m_ffmpeg && ffmpegAudioCodecSupported(muxer, codec);
}

bool Encoder::isVideoCodecAvailable(const QString &muxer, const QString &codec)
{
    const int type = preferredEngine();
    if (type != EngineType::MEncoder && type != EngineType::FFmpeg)
        return false;
    return m_ffmpeg && isEngineReady(type)
           && ffmpegAnswer([&] { return ffmpegVideoCodecSupported(muxer, codec); });
}

Encoder::OfferInputs Encoder::offerInputs() const
{
    OfferInputs inputs;
    inputs.source = m_source;
    inputs.preferredEngine = preferredEngine();
    inputs.engineAnswers = m_engineAnswers;
    if (m_mencoderEngine.job)
        inputs.mencoderJobSource = m_mencoderEngine.job->source;
    for (const Engine *found : {&m_mencoderEngine, &m_ffmpegEngine})
        inputs.states << (found->status ? found->status->state : -1);
    return inputs;
}

bool Encoder::OfferInputs::operator==(const OfferInputs &other) const
{
    const auto fields = [](const OfferInputs &i) {
        return std::tie(i.source, i.mencoderJobSource, i.preferredEngine, i.engineAnswers, i.states);
    };
    return fields(*this) == fields(other);
}

bool Encoder::isAudioCodecAvailable(const QString &muxer, const QString &codec)
{
    if (m_source.kind == SourceKind::Dvd && muxer == QLatin1String("mov")
        && (codec == QLatin1String("ac3") || codec == QLatin1String("ac3_copy")))
        return false;
    const bool ffmpeg = m_ffmpeg && isEngineReady(EngineType::FFmpeg)
                        && ffmpegAnswer([&] { return ffmpegAudioCodecSupported(muxer, codec); });
    const bool mencoder = m_mencoder && isEngineReady(EngineType::MEncoder)
                          && m_mencoder->isAudioCodecSupported(muxer, codec);
    return ffmpeg || mencoder;
}

// --- consoles --------------------------------------------------------------------------

void Encoder::logMessage(const QString &text, int level)
{
    Console::writeLine(m_logView, m_verbosity, level, "Encoder Log:", text);
}

void Encoder::logStdIn(const QString &text, int level)
{
    Console::writeLine(m_stdInView, m_verbosity, level, "Encoder stdIn:", text);
}

void Encoder::logStdOut(const QString &text, int level)
{
    Console::writeLine(m_stdOutView, m_verbosity, level, "Encoder stdOut:", text);
}

void Encoder::logStdErr(const QString &text, int level)
{
    Console::writeLine(m_stdErrView, m_verbosity, level, "Encoder stdErr:", text);
}

// --- settings --------------------------------------------------------------------------

void Encoder::loadSettings()
{
    QSettings settings(m_settingsOrganization, m_settingsApplication);
    settings.beginGroup(QStringLiteral("Encoder"));
    m_output.extension = settings.value(QStringLiteral("target ext"), QStringLiteral(".avi")).toString();
    m_output.muxer = settings.value(QStringLiteral("target muxer"), QStringLiteral("avi")).toString();
    settings.endGroup();
}

void Encoder::saveSettings()
{
    QSettings settings(m_settingsOrganization, m_settingsApplication);
    settings.beginGroup(QStringLiteral("Encoder"));
    settings.setValue(QStringLiteral("target ext"), m_output.extension);
    settings.setValue(QStringLiteral("target muxer"), m_output.muxer);
    settings.endGroup();
}
