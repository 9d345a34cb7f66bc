// Which engine, or which two engines one after the other, give the user the current target,
// and why none can when no road leads there.

#include "encoder/encoder.h"
#include "encoder/encoderlogging.h"
#include "builders/interfaceffmpeg.h"

#include "builders/interfacemencoder.h"
#include "builders/mencoderencodecommand.h"
#include "builders/subtitleinlay.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "jobs/console.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

bool isPresent(const QString &codec, const char *none)
{
    return !codec.isEmpty() && codec != QLatin1String(none);
}

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
    if (isPresent(video, "novideo")
        && !any([&](const QString &name) { return builder.isVideoCodecSupported(name, video); })) {
        const QString reason = builder.videoCodecRefusal(muxer, video);
        return !reason.isEmpty() ? reason
                                 : Encoder::tr("%1 does not write %2 video into %3 files")
                                       .arg(engine, video, muxer);
    }
    if (isPresent(audio, "noaudio")
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
    if (to && m_source.kind == SourceKind::Dvd && other == EngineType::FFmpeg
        && isEngineReady(EngineType::MEncoder)) {
        to->source = intermediateSource(intermediate);
        // The copy holds the title's picture and sound only: FFmpeg would lose the subtitle.
        const QString ffmpegReason = SubtitleInlay::chosen(m_source)
            ? tr("the copy of the title holds no subtitle to inlay")
            : targetRefusal(EngineType::FFmpeg);
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
        EncodingStep step{type, QString(), QStringList(), output};
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
        EncodingStep copy{EngineType::MEncoder, QString(), QStringList(), intermediate};
        dvdTitleCopy(copy.program, copy.arguments, intermediate, testFrames, testChapter,
                     testPosition);
        EncodingStep encode{EngineType::FFmpeg, QString(), QStringList(), output};
        // The copy starts where the trial asked; the encode reads the whole copy.
        ffmpegEncode(encode.program, encode.arguments, output, testFrames, 0);
        layOutOnConstantClock(encode.arguments);
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

QString Encoder::intermediateFile(const QString &output)
{
    return intermediateOf(output);
}

// The DVD title as the intermediate file holds it: one video and the chosen audio stream
// in an MPEG program stream, read as a media file.
EncodingSource Encoder::intermediateSource(const QString &path) const
{
    EncodingSource source = m_source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::MediaFile;
    source.video.fileFormat = QStringLiteral("MPEG-PS");
    source.video.videoFormat = QStringLiteral("mpeg2video");
    source.noSubtitle = true;
    source.subtitle = SubtitleInfo();
    if (!source.noAudio) {
        source.audio.streamNumber = 0;
        source.audio.aid = 0;
    }
    return source;
}

// MEncoder's copy of a DVD title starts where the title's data does, often with a sound
// frame cut short and a damaged picture, and its MPEG muxer leaves holes where it dropped
// pictures (451 of a 20 s title's 500): FFmpeg passes those times on into the output, so
// its sound's times go backwards (every player's demuxer complains) and its pictures show
// holes. (libavformat's DVD muxer keeps every picture but stretches the title's times, an
// 8 s title to 8.7 s.) What is encoded from the copy is laid out on a constant clock
// instead: silence fills a gap in the sound, an overlap is cut, a missing picture is
// repeated. The sound starts with the file too: a title's first sound frame is often damaged,
// the sound then starts a few frames late, and AVI fills such a late start with empty sound
// chunks that decoders refuse. A copied stream keeps its frames as they are.
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
    // FFmpeg keeps only the last "-af": a filter the command already has follows this one.
    const QString async = QStringLiteral("aresample=async=1:first_pts=0");
    const qsizetype filter = arguments.indexOf(QLatin1String("-af"));
    if (filter >= 0 && filter + 1 < arguments.size())
        arguments[filter + 1].prepend(async + QLatin1Char(','));
    else
        addBeforeOutput(QStringLiteral("-af"), async);
}

// MEncoder's stream copy of the source's DVD title, with its chosen audio stream, into an
// MPEG program stream. MEncoder's re-mux builder takes one input argument, so the DVD
// device and the audio choice follow it here.
void Encoder::dvdTitleCopy(QString &program, QStringList &arguments, const QString &output,
                           int frames, int chapter, int startSeconds)
{
    m_mencoderEngine.job->source = m_source;
    m_mencoder->cliCmdRemux(QStringLiteral("dvd://%1").arg(m_source.video.title), output,
                            program, arguments, QStringLiteral("mpeg"));
    arguments << QStringLiteral("-dvd-device") << m_source.path;
    if (!m_source.noAudio)
        arguments << MEncoderEncodeCommand::dvdAudioChoice(m_source);
    else
        arguments << QStringLiteral("-nosound");
    if (chapter > 0)
        arguments << QStringLiteral("-chapter") << QString::number(chapter);
    if (startSeconds > 0)
        arguments << QStringLiteral("-ss") << QString::number(startSeconds);
    if (frames > 0)
        arguments << QStringLiteral("-frames") << QString::number(frames);
}

bool Encoder::checkSteps(const QList<EncodingStep> &steps, QString &commandLine,
                         QString &stdOut, QString &stdErr, int frameLimit, int sizeLimit)
{
    QStringList intermediates;
    bool valid = !steps.isEmpty();
    for (qsizetype i = 0; valid && i < steps.size(); ++i) {
        const EncodingStep &step = steps.at(i);
        const bool last = i == steps.size() - 1;
        const int limit = step.type == EngineType::MEncoder ? frameLimit : sizeLimit;
        valid = trialRun(step.type, step.program, step.arguments, step.output, commandLine,
                         stdOut, stdErr, limit, !last);
        if (!last)
            intermediates << step.output;
    }
    for (const QString &file : std::as_const(intermediates))
        removeTrialOutput(file);
    return valid;
}
