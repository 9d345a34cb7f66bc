#include "encoder/mediamerger.h"
#include "encoder/encoderlogging.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mencoder.h"
#include "jobs/console.h"
#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/mervojob.h"
#include "jobs/mervotask.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// A stream field that must match the reference's for a stream copy; numeric fields are
// ratios that may be written in more than one way (16:9 and 32:18).
struct ComparedKey
{
    const char *key;
    bool numeric;
};

// FFprobe 5 no longer prints "codec_time_base"; the real frame rate ("r_frame_rate") tells
// a difference in frame rate on today's engine and the classic one alike.
const ComparedKey kVideoKeys[] = {
    {"codec_name", false},       {"codec_time_base", false},     {"r_frame_rate", true},
    {"width", false},            {"height", false},              {"sample_aspect_ratio", true},
    {"display_aspect_ratio", true}, {"pix_fmt", false},
};
const ComparedKey kAudioKeys[] = {
    {"codec_name", false},
    {"sample_rate", false},
    {"channels", false},
};

template <std::size_t N>
QStringList keyNames(const ComparedKey (&keys)[N])
{
    QStringList names;
    for (const ComparedKey &key : keys)
        names << QLatin1String(key.key);
    return names;
}

const QStringList kFormatKeys{"format_name", "duration", "bit_rate"};

// The containers MEncoder merges with a muxer of its own, copying every stream. It writes the
// others through libavformat, which refuses to copy AAC sound ("Audio format 0x4134504d is
// incompatible with '-oac copy'") and, by MEncoder's own warning, writes wrong files of
// pictures with B-frames; its MPEG muxer drops pictures at the joins. FFmpeg's concat
// demuxer copies the streams of every container.
const char *const kMEncoderContainers[] = {"avi"};

bool mencoderMerges(const QString &container)
{
    return std::any_of(std::begin(kMEncoderContainers), std::end(kMEncoderContainers),
                       [&container](const char *name) { return container == QLatin1String(name); });
}

// The video keys read from the reference: the compared ones and the FourCC of the command.
QStringList referenceVideoKeys()
{
    return keyNames(kVideoKeys) << QStringLiteral("codec_tag_string");
}

} // namespace

MediaMerger::MediaMerger(JobManager *host)
    : MediaEditor(host)
    , m_ffprobe(EngineObjects::ffprobe())
    , m_mencoder(EngineObjects::mencoder())
    , m_ffmpeg(EngineObjects::ffmpeg())
{
}

void MediaMerger::fail(QString &error, const QString &text)
{
    error = text;
    m_console->log(LogLevel::Quiet, text);
}

QString MediaMerger::containerOf(const QString &formatName, const QString &suffix)
{
    if (!formatName.contains(QLatin1Char(',')))
        return formatName;
    const QStringList names = formatName.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return names.contains(suffix) ? suffix : names.value(0);
}

bool MediaMerger::setReference(const QString &file, QString &error)
{
    m_reference.clear();
    if (!m_ffprobe || !m_ffprobe->startInterface(QString(), QString())) {
        fail(error, tr("Failed to set merge media reference: could not start FFprobe interface"));
        return false;
    }
    if (!m_ffprobe->load(file)) {
        fail(error, tr("Failed to set merge media reference: FFprobe could not load file %1").arg(file));
        return false;
    }
    m_referenceFormatValues.clear();
    m_ffprobe->formatData(m_referenceFormatValues, kFormatKeys);
    if (!m_referenceFormatValues.contains(QStringLiteral("format_name"))) {
        fail(error, tr("Failed to start merge: could not get media format of %1").arg(file));
        return false;
    }
    m_referenceFormat = containerOf(m_referenceFormatValues.value(QStringLiteral("format_name")),
                                    QFileInfo(file).suffix());
    m_duration = FFprobe::toNumber(m_referenceFormatValues.value(QStringLiteral("duration")));
    m_referenceVideo.clear();
    m_referenceAudio.clear();
    if (!m_ffprobe->videoStreams().isEmpty())
        m_ffprobe->streamData(m_ffprobe->videoStreams().first(), m_referenceVideo, referenceVideoKeys());
    if (!m_ffprobe->audioStreams().isEmpty())
        m_ffprobe->streamData(m_ffprobe->audioStreams().first(), m_referenceAudio, keyNames(kAudioKeys));
    // The job runs in the output's folder: a relative name would name another file there.
    m_reference = QFileInfo(file).absoluteFilePath();
    m_files = QStringList{m_reference};
    return true;
}

bool MediaMerger::streamDiffers(int stream, const QHash<QString, QString> &reference, bool video,
                                const QString &file)
{
    const ComparedKey *begin = video ? std::begin(kVideoKeys) : std::begin(kAudioKeys);
    const ComparedKey *end = video ? std::end(kVideoKeys) : std::end(kAudioKeys);
    QHash<QString, QString> values;
    m_ffprobe->streamData(stream, values, video ? keyNames(kVideoKeys) : keyNames(kAudioKeys));
    bool differs = false;
    for (const ComparedKey *key = begin; key != end; ++key) {
        const QString name = QLatin1String(key->key);
        const QString mine = values.value(name);
        const QString theirs = reference.value(name);
        const bool same = key->numeric ? FFprobe::toNumber(mine) == FFprobe::toNumber(theirs)
                                       : mine == theirs;
        if (!same) {
            qCDebug(lcEncoder) << "MediaMerger: not matching field" << name << mine << theirs << file;
            differs = true;
        }
    }
    return differs;
}

int MediaMerger::addFile(const QString &file, QString &error)
{
    if (!m_ffprobe || !m_ffprobe->startInterface(QString(), QString())) {
        fail(error, tr("Couldn't analyze file to merge: could not start FFprobe interface for %1").arg(file));
        return AnalysisFailed;
    }
    if (!m_ffprobe->load(file)) {
        fail(error, tr("Couldn't analyze file to merge: FFprobe could not load file %1").arg(file));
        return AnalysisFailed;
    }
    const QList<int> videoStreams = m_ffprobe->videoStreams();
    const QList<int> audioStreams = m_ffprobe->audioStreams();
    const bool videoDiffers = !videoStreams.isEmpty()
                              && streamDiffers(videoStreams.first(), m_referenceVideo, true, file);
    const bool audioDiffers = !audioStreams.isEmpty()
                              && streamDiffers(audioStreams.first(), m_referenceAudio, false, file);
    if (videoDiffers && audioDiffers) {
        error = tr("Couldn't add file to merge list: audio and video must be transcoded for file %1").arg(file);
        return TranscodeBoth;
    }
    if (videoDiffers) {
        error = tr("Couldn't add file to merge list: video must be transcoded for file %1").arg(file);
        return TranscodeVideo;
    }
    if (audioDiffers) {
        error = tr("Couldn't add file to merge list: audio must be transcoded for file %1").arg(file);
        return TranscodeAudio;
    }
    m_files.append(QFileInfo(file).absoluteFilePath());
    QString duration;
    if (m_ffprobe->formatValue(duration, QStringLiteral("duration")))
        m_duration += FFprobe::toNumber(duration);
    return Accepted;
}

void MediaMerger::setOutput(const QString &folder, const QString &fileName)
{
    m_outputFolder = folder;
    m_outputName = fileName;
}

QString MediaMerger::failure() const
{
    return m_job ? m_job->failure() : QString();
}

bool MediaMerger::mergeCommand(QString &program, QStringList &arguments, QString &engine,
                               QString &listPath, const QString &output, QString &error)
{
    if (mencoderMerges(m_referenceFormat)) {
        engine = m_mencoder->name();
        return m_mencoder->cliCmdMerge(program, arguments, error, m_files, QFileInfo(output).absoluteFilePath(),
                                       m_referenceFormat, m_referenceVideo.value(QStringLiteral("codec_tag_string")));
    }
    // The list must outlive the wait in the queue: the job removes it when it ends.
    QTemporaryFile list(QDir::tempPath() + QStringLiteral("/vexo-merge-XXXXXX.ffconcat"));
    if (!list.open() || list.write(FFmpeg::concatList(m_files)) < 0 || !list.flush()) {
        fail(error, tr("Failed to start merge: could not write the list of files to merge (%1)")
                        .arg(list.errorString()));
        return false;
    }
    list.setAutoRemove(false);
    listPath = list.fileName();
    engine = m_ffmpeg->name();
    return m_ffmpeg->cliCmdMerge(program, arguments, error, listPath, QFileInfo(m_files.first()).absoluteFilePath(),
                                 QFileInfo(output).absoluteFilePath(), m_referenceFormat);
}

bool MediaMerger::startMerge(QString &error)
{
    qCDebug(lcEncoder) << "Start merge job";
    error.clear();
    if (mencoderMerges(m_referenceFormat)) {
        if (!m_mencoder || !m_mencoder->startInterface(QString(), QString())) {
            fail(error, tr("Failed to start merge: could not start Mencoder interface"));
            return false;
        }
    } else if (!m_ffmpeg || !m_ffmpeg->startInterface(QString(), QString())) {
        fail(error, tr("Failed to start merge: could not start FFmpeg interface"));
        return false;
    }
    if (!m_ffprobe || !m_ffprobe->startInterface(QString(), QString())) {
        fail(error, tr("Failed to start merge: could not start FFprobe interface"));
        return false;
    }
    if (m_files.size() < 2) {
        fail(error, tr("Failed to start merge: no file to merge with %1").arg(m_reference));
        return false;
    }
    QStringList names;
    for (const QString &file : std::as_const(m_files))
        names << QFileInfo(file).completeBaseName();

    const QFileInfo reference(m_reference);
    const QString folder = m_outputFolder.isEmpty() ? reference.canonicalPath() : m_outputFolder;
    const QString name = m_outputName.isEmpty()
                             ? reference.completeBaseName() + QStringLiteral(".merge.") + reference.suffix()
                             : m_outputName;
    const QString output = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(output)) {
        fail(error, tr("Failed to start merge: output file %1 already exists in folder %2").arg(name, folder));
        return false;
    }

    QString program, engine, listPath;
    QStringList arguments;
    if (!mergeCommand(program, arguments, engine, listPath, output, error))
        return false;
    m_console->log(LogLevel::Verbose, tr("Start %1 job with %2").arg(engine, arguments.join(QLatin1Char(' '))));
    qCDebug(lcEncoder) << "Start" << engine << "merge job with" << arguments;

    Job *job = m_host->addEngineJob(program, arguments, output, tr("Merging"),
                                    tr("Merge %1").arg(names.join(QStringLiteral(" + "))),
                                    engine, 0, m_duration);
    if (!job) {
        if (!listPath.isEmpty())
            QFile::remove(listPath);
        m_console->log(LogLevel::Quiet, tr("Failed to start merge"));
        emit finished();
        error = tr("Failed to start merge");
        return false;
    }
    m_job = job;
    // The parts, one after the other, are what the output is judged against.
    setSources(job, m_files);
    if (!listPath.isEmpty()) {
        if (job->isFinished())
            QFile::remove(listPath);
        else
            connect(job, &Job::finished, job, [listPath] { QFile::remove(listPath); });
    }
    emit started();
    if (job->isFinished())
        emit finished();
    else
        connect(job, &Job::finished, this, &MediaMerger::finished);
    return true;
}
