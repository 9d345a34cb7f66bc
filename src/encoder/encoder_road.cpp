// Which engine, or which two engines one after the other, give the user the current target,
// and why none can when no road leads there.

#include "encoder/encoder.h"
#include "encoder/encoderlogging.h"
#include "builders/interfaceffmpeg.h"

#include "builders/dvdtitledump.h"
#include "builders/ffmpegencodecommand.h"
#include "builders/interfacemencoder.h"
#include "builders/mencoderencodecommand.h"
#include "builders/subtitleinlay.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "jobs/console.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <limits>

namespace {

// Why the builder cannot write the codecs into the container under any of its names; an
// empty text when it can. The builder's own reason comes first, else a plain one.
template<typename Builder>
QString refusalOf(const Builder &builder, const QString &engine, const QStringList &muxers,
                  const QString &video, const QString &audio)
{
    const QString &muxer = muxers.first();
    auto any = [&](auto supported) {
        for (const QString &name : muxers)
            if (supported(name))
                return true;
        return false;
    };
    if (!any([&](const QString &name) { return builder.isMuxerSupported(name); })) {
        const QString reason = builder.muxerRefusal(muxer);
        return !reason.isEmpty() ? reason : Encoder::tr("%1 does not write %2 files").arg(engine, muxer);
    }
    if (Encoder::isCodecPresent(video, "novideo")
        && !any([&](const QString &name) { return builder.isVideoCodecSupported(name, video); })) {
        const QString reason = builder.videoCodecRefusal(muxer, video);
        return !reason.isEmpty() ? reason
                                 : Encoder::tr("%1 does not write %2 video into %3 files")
                                       .arg(engine, video, muxer);
    }
    if (Encoder::isCodecPresent(audio, "noaudio")
        && !any([&](const QString &name) { return builder.isAudioCodecSupported(name, audio); })) {
        const QString reason = builder.audioCodecRefusal(muxer, audio);
        return !reason.isEmpty() ? reason
                                 : Encoder::tr("%1 does not write %2 audio into %3 files")
                                       .arg(engine, audio, muxer);
    }
    return QString();
}

// The intermediate file of a two-step encoding, beside the output: its base name followed
// by " (step 0)" and MPEG's extension.
QString intermediateOf(const QString &output)
{
    const QFileInfo info(output);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(" (step 0).mpg");
}

} // namespace

QString Encoder::targetMuxerOf(const EncodingTarget &target) const
{
    return target.muxer.isEmpty() ? m_output.muxer : target.muxer;
}

QString Encoder::targetRefusal(int type)
{
    const Engine *record = engine(type);
    if (!record || !record->job || engineBuilderMissing(type) || !isEngineReady(type))
        return tr("the %1 engine is not ready").arg(engineName(type));
    const EncodingTarget &target = record->job->target;
    // The codecs the user chose; a predefined level's profile may name a variant of them
    // ("mp3_flv" for "mp3") that the builder maps to the same encoder but the vocabulary
    // does not list for every container. Without a choice, the profile's.
    const bool profile = target.profile.level != EncoderProfile::LevelNone
                         && target.profile.level != EncoderProfile::LevelUser;
    const QString video = profile && target.video.codec.isEmpty() ? target.profile.videoCodec
                                                                   : target.video.codec;
    const QString audio = profile && target.audio.codec.isEmpty() ? target.profile.audioCodec
                                                                   : target.audio.codec;
    const QStringList muxers = engineMuxerNames(targetMuxerOf(target));
    if (type == EngineType::MEncoder)
        return refusalOf(*m_mencoder, engineName(type), muxers, video, audio);
    return refusalOf(*m_ffmpeg, engineName(type), muxers, video, audio);
}

Encoder::Road Encoder::planRoad(const QString &intermediate, QString &refusal)
{
    refusal.clear();
    const int preferred = preferredEngine();
    const int other = preferred == EngineType::MEncoder ? EngineType::FFmpeg : EngineType::MEncoder;
    // The builders judge the target against the source they are to read.
    for (int type : {preferred, other})
        if (EncodingJob *job = jobData(type))
            job->source = m_source;
    const QString preferredReason = targetRefusal(preferred);
    if (preferredReason.isEmpty())
        return Road::Preferred;

    // The other engine gets the target that was set up for the preferred one.
    EncodingJob *from = jobData(preferred);
    EncodingJob *to = jobData(other);
    if (from && to)
        to->target = from->target;
    // A file the other engine reads as well; FFmpeg refuses a DVD title itself.
    if (to && targetRefusal(other).isEmpty()) {
        qCDebug(lcEncoder) << "Encoder: target taken by the other engine:" << other;
        return Road::Other;
    }
    if (to && m_source.kind == SourceKind::Dvd && other == EngineType::FFmpeg && isPlayerReady()) {
        to->source = intermediateSource(intermediate);
        const QString ffmpegReason = targetRefusal(EngineType::FFmpeg);
        if (ffmpegReason.isEmpty())
            return Road::DvdCopyThenFFmpeg;
        refusal = tr("%1: %2; %3 after a copy of the DVD title: %4")
                      .arg(engineName(preferred), preferredReason, engineName(other), ffmpegReason);
        return Road::None;
    }
    refusal = tr("%1: %2").arg(engineName(preferred), preferredReason);
    if (to)
        refusal += tr("; %1: %2").arg(engineName(other), targetRefusal(other));
    return Road::None;
}

QList<EncodingStep> Encoder::cliCmdEncodeSteps(const QString &output, int testFrames,
                                               int testChapter, int testPosition,
                                               QString &refusal)
{
    const int preferred = preferredEngine();
    const int other = preferred == EngineType::MEncoder ? EngineType::FFmpeg : EngineType::MEncoder;
    auto oneStep = [&](int type) {
        EncodingStep step{type, QString(), QStringList(), output, {}};
        cliCmdEncode(step.type, step.program, step.arguments, output, testFrames, testChapter,
                     testPosition, true);
        return QList<EncodingStep>{step};
    };
    const QString intermediate = intermediateOf(output);
    switch (planRoad(intermediate, refusal)) {
    case Road::Preferred:
        return oneStep(preferred);
    case Road::Other:
        return oneStep(other);
    case Road::DvdCopyThenFFmpeg: {
        // A trial copies its chapter of the title, as MEncoder reads a title from a chapter
        // but from no position; the encode reads the copy from its start.
        const EncodingStep copy{EngineType::MPlayer, playerBinary(),
                                DvdTitleDump::arguments(m_source, intermediate, testChapter),
                                intermediate, {}};
        EncodingStep encode{EngineType::FFmpeg, QString(), QStringList(), output, {}};
        ffmpegEncode(encode.program, encode.arguments, output, testFrames, 0);
        layOutOnConstantClock(encode.arguments);
        if (SubtitleInlay::chosen(m_source)) {
            encode.trialArguments = encodeWithoutSubtitle(output, testFrames);
            findStreamsInWholeCopy(encode.arguments);
        }
        return {copy, encode};
    }
    case Road::None:
        break;
    }
    logStdErr(refusal, LogLevel::Normal);
    return {};
}

QString Encoder::roadRefusal(const QString &muxer, const QString &video, const QString &audio)
{
    // The question must leave the jobs and the target as they were.
    const QString savedMuxer = m_output.muxer;
    QList<std::pair<EncodingJob *, EncodingJob>> saved;
    for (int type : {int(EngineType::MEncoder), int(EngineType::FFmpeg)}) {
        EncodingJob *job = jobData(type);
        if (!job)
            continue;
        saved.append({job, *job});
        EncodingTarget &target = job->target;
        target.muxer = muxer;
        target.profile.level = EncoderProfile::LevelNone;
        target.video.codec = video;
        target.audio.codec = audio;
    }
    m_output.muxer = muxer;
    QString refusal;
    planRoad(intermediateOf(QDir::tempPath() + QStringLiteral("/offer")), refusal);
    m_output.muxer = savedMuxer;
    for (const auto &[job, copy] : std::as_const(saved))
        *job = copy;
    return refusal;
}

bool Encoder::ffmpegAnswer(const std::function<bool()> &question)
{
    EncodingJob *job = jobData(EngineType::FFmpeg);
    if (!job)
        return question();
    // Whatever the last road left in the job: FFmpeg refuses a DVD title itself, so the
    // lists would lose every codec once a DVD's command had been built.
    const EncodingSource saved = job->source;
    job->source = m_source.kind == SourceKind::Dvd
                      ? intermediateSource(intermediateOf(QDir::tempPath() + QStringLiteral("/offer")))
                      : m_source;
    const bool answer = question();
    job->source = saved;
    return answer;
}

void Encoder::setPlayerBinary(const QString &binary)
{
    m_playerBinary = binary;
}

QString Encoder::playerBinary() const
{
    if (!m_playerBinary.isEmpty())
        return m_playerBinary;
    const QString mencoder = engineBinary(EngineType::MEncoder);
    const QFileInfo info(mencoder);
    const QString name = QStringLiteral("mplayer")
                         + (info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix());
    return mencoder.contains(QLatin1Char('/')) ? info.dir().filePath(name) : name;
}

bool Encoder::isPlayerReady() const
{
    const QString binary = playerBinary();
    if (!binary.contains(QLatin1Char('/')))
        return !QStandardPaths::findExecutable(binary).isEmpty();
    const QFileInfo info(binary);
    return info.isFile() && info.isExecutable();
}

QString Encoder::intermediateFile(const QString &output)
{
    return intermediateOf(output);
}

// The DVD title as the player's copy holds it: its stream as it is on the disc, read as a
// media file in MPEG program stream. Its streams are still the title's: the chosen audio
// and subtitle streams are found by the ids the player named them by. A DVD's subtitles
// are pictures.
EncodingSource Encoder::intermediateSource(const QString &path) const
{
    EncodingSource source = m_source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::DvdTitle;
    source.video.fileFormat = QStringLiteral("MPEG-PS");
    source.video.videoFormat = QStringLiteral("mpeg2video");
    if (source.subtitle.format.isEmpty())
        source.subtitle.format = QStringLiteral("dvdsub");
    return source;
}

// The trial of a road's encode that inlays a subtitle: the trial copies a few seconds of the
// title, which need hold none of the subtitle's pictures, so it encodes picture and sound.
QStringList Encoder::encodeWithoutSubtitle(const QString &output, int testFrames)
{
    EncodingJob *job = jobData(EngineType::FFmpeg);
    const EncodingSource copy = job->source;
    job->source.noSubtitle = true;
    QString program;
    QStringList arguments;
    ffmpegEncode(program, arguments, output, testFrames, 0);
    layOutOnConstantClock(arguments);
    job->source = copy;
    return arguments;
}

// A program stream declares no streams: FFmpeg knows those whose packets it meets in its
// first seconds, and a subtitle that first shows later in the title would be missing. It
// reads the whole copy for its streams, keeping none of what it read (the packets of a whole
// title would fill the memory), then reads it again from its start to encode it.
void Encoder::findStreamsInWholeCopy(QStringList &arguments)
{
    const qsizetype input = arguments.indexOf(QLatin1String("-i"));
    if (input < 0)
        return;
    const QString whole = QString::number(std::numeric_limits<qint64>::max());
    const QStringList reading{QStringLiteral("-fflags"), QStringLiteral("nobuffer"),
                              QStringLiteral("-probesize"), whole, QStringLiteral("-analyzeduration"),
                              whole, QStringLiteral("-ss"), QStringLiteral("0")};
    arguments = arguments.mid(0, input) + reading + arguments.mid(input);
}

// What is encoded from the copy of a DVD title is laid out on a constant clock: the copy
// keeps the disc's times, whose clock may start again where a title's cells join, and a
// gap or overlap left there is filled with silence or cut, a missing picture repeated (a
// copy of every picture leaves none to repeat). The sound starts with the file too: a
// title's sound often starts a few frames after its picture, and AVI fills such a late
// start with empty sound chunks that decoders refuse. A copied stream keeps its frames as
// they are.
void Encoder::layOutOnConstantClock(QStringList &arguments)
{
    const auto encodes = [&](const char *codecOption) {
        const qsizetype codec = arguments.indexOf(QLatin1String(codecOption));
        return codec >= 0 && codec + 1 < arguments.size()
               && arguments.at(codec + 1) != QLatin1String("copy");
    };
    // Before the output file, the last argument.
    const auto addBeforeOutput = [&](const QString &option, const QString &value) {
        arguments.insert(arguments.size() - 1, option);
        arguments.insert(arguments.size() - 1, value);
    };
    if (encodes("-vcodec") && !arguments.contains(QLatin1String("-fps_mode")))
        addBeforeOutput(QStringLiteral("-fps_mode"), QStringLiteral("cfr"));
    if (!encodes("-acodec"))
        return;
    // FFmpeg keeps only the last "-af": a filter the command already has follows this one
    // (an AVI's command lays its sound out so already).
    const QString async = FFmpegEncodeCommand::soundFromStart();
    const qsizetype filter = arguments.indexOf(QLatin1String("-af"));
    if (filter >= 0 && filter + 1 < arguments.size() && arguments.at(filter + 1).startsWith(async))
        return;
    if (filter >= 0 && filter + 1 < arguments.size())
        arguments[filter + 1].prepend(async + QLatin1Char(','));
    else
        addBeforeOutput(QStringLiteral("-af"), async);
}

bool Encoder::checkSteps(const QList<EncodingStep> &steps, QString &commandLine,
                         QString &stdOut, QString &stdErr, int frameLimit, int sizeLimit)
{
    QStringList intermediates;
    bool valid = !steps.isEmpty();
    for (qsizetype i = 0; valid && i < steps.size(); ++i) {
        const EncodingStep &step = steps.at(i);
        const bool last = i == steps.size() - 1;
        // FFmpeg's limit is a size; MEncoder's and the player's a number of frames.
        const int limit = step.type == EngineType::FFmpeg ? sizeLimit : frameLimit;
        const QStringList &arguments = step.trialArguments.isEmpty() ? step.arguments : step.trialArguments;
        valid = trialRun(step.type, step.program, arguments, step.output, commandLine, stdOut,
                         stdErr, limit, !last);
        if (!last)
            intermediates << step.output;
    }
    for (const QString &file : std::as_const(intermediates))
        removeTrialOutput(file);
    return valid;
}
