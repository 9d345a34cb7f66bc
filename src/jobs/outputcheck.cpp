#include "jobs/outputcheck.h"
#include "jobs/jobslogging.h"

#include "jobs/task.h"
#include "jobs/valuetext.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
quint64 s_judgement = 0;
bool s_stopped = false;
int s_running = 0;
OutputCheck::Meter s_meter = nullptr;
OutputCheck::SourceMeter s_sourceMeter = nullptr;
OutputCheck::SoundDecoder s_soundDecoder = nullptr;

// The options by which the engines are told to copy the sound as it is, given the value
// "copy": MEncoder's, and FFmpeg's for the sound alone or for every stream (a merge).
const char *const kSoundCopyOptions[] = {"-oac", "-acodec", "-c"};

bool copiesSound(const QStringList &arguments)
{
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i + 1) != QLatin1String("copy"))
            continue;
        for (const char *option : kSoundCopyOptions)
            if (arguments.at(i) == QLatin1String(option))
                return true;
    }
    return false;
}

// A sound copied from a source into a file of the source's own kind (the volumes of a split)
// holds the source's own packets where the source holds them: it plays as the source plays,
// and decoding it would only cost time.
bool copiedWithinItsContainer(const Task &task, const QString &path)
{
    const QStringList sources = task.sources();
    return sources.size() == 1 && QFileInfo(sources.first()).isFile()
           && QFileInfo(sources.first()).suffix().compare(QFileInfo(path).suffix(), Qt::CaseInsensitive) == 0;
}
OutputCheck::StartMeter s_startMeter = nullptr;
OutputCheck::HoldMeter s_holdMeter = nullptr;

// The streams judged apart, with the words that name them in a failure.
struct JudgedStream
{
    double OutputCheck::Lengths::*length;
    const char *failure;
};
const JudgedStream kJudgedStreams[] = {
    {&OutputCheck::Lengths::video,
     QT_TRANSLATE_NOOP("OutputCheck", "its picture lasts %1 s of the %2 s asked for")},
    {&OutputCheck::Lengths::audio,
     QT_TRANSLATE_NOOP("OutputCheck", "its sound lasts %1 s of the %2 s asked for")},
};
// Said when every stream the output has falls short, or when no stream could be told apart.
const char *const kOutputFailure = QT_TRANSLATE_NOOP("OutputCheck", "its output lasts %1 s of the %2 s asked for");
// Said when picture and sound start further apart, or closer, than in the source: by how
// much the sound comes earlier or later against the picture.
const char *const kEarlySound
    = QT_TRANSLATE_NOOP("OutputCheck", "its sound comes %1 s earlier against its picture than in the source");
const char *const kLateSound
    = QT_TRANSLATE_NOOP("OutputCheck", "its sound comes %1 s later against its picture than in the source");

// A viewer sees lips out of step with sound a tenth of a second late ...
constexpr double kLateSoundSlack = 0.1;
// ... and takes it early by as much, and more where the encoder's first frames are silence
// that the container cannot leave out (MP3 at 11 kHz in FLV starts 0.1 s early so).
constexpr double kEarlySoundSlack = 0.15;

// A stream whose packets stop this much before the length it declares holds less of it; its
// last frame may end a little before.
constexpr double kCutSlack = 0.5;

// How long the output's stream is expected to play: the length asked for, less what the
// task's sources, played one after the other (the parts of a merge), lack of it. A source
// whose container declares its lengths lacks what its stream falls short of its longest
// stream (sound that ends before the picture). One whose length is only estimated plays its
// stream as far as its packets go, and so does, `byPackets`, one whose packets stop short of
// what its container declares (a recording that stopped, a download cut short): an output
// holds no more than its source. Negative when no source has the stream (the job made it
// up): it is not judged. The length asked for when the sources do not tell (no file, as a
// DVD folder, or no engine reads one).
double expectedLength(const Task &task, double OutputCheck::Lengths::*stream, double asked, bool byPackets)
{
    const QStringList sources = task.sources();
    if (sources.isEmpty() || !s_sourceMeter)
        return asked;
    double lacking = 0.0;
    double measured = 0.0;
    bool estimated = false;
    for (const QString &source : sources) {
        if (!QFileInfo(source).isFile())
            return asked;
        const OutputCheck::SourceLengths lengths = s_sourceMeter(source);
        const OutputCheck::Lengths &declared = lengths.declared;
        const double longest = std::max({declared.video, declared.audio, declared.whole});
        if (longest < 0.0)
            return asked;
        const double length = declared.*stream;
        if (length < 0.0)
            return -1.0;
        if (lengths.estimated) {
            estimated = true;
            const double played = s_meter(source, 0.0).*stream;
            if (played < 0.0)
                return asked;
            measured += played;
            continue;
        }
        double held = length;
        double heldLongest = longest;
        if (byPackets && s_meter) {
            // Each stream that declares its own length as far as its packets reach, where they
            // stop well short of it; a stream whose length is the container's has only its
            // declared one (RealAudio's packets tell no times).
            const OutputCheck::Lengths reached = s_meter(source, longest);
            const auto holds = [&](double OutputCheck::Lengths::*which, bool own) {
                const double packets = reached.*which, limit = declared.*which;
                return own && packets >= 0.0 && packets < limit - kCutSlack ? packets : limit;
            };
            held = holds(stream, stream == &OutputCheck::Lengths::video ? lengths.videoOwnLength : lengths.audioOwnLength);
            heldLongest = std::max(holds(&OutputCheck::Lengths::video, lengths.videoOwnLength),
                                   holds(&OutputCheck::Lengths::audio, lengths.audioOwnLength));
            if (heldLongest < 0.0)
                heldLongest = longest;
        }
        lacking += heldLongest - held;
        measured += held;
    }
    return estimated ? std::min(asked, measured) : std::min(asked - lacking, byPackets ? measured : asked);
}

// Below this much room a disk counts as full: the writes an engine lost there were at most a
// few packets larger.
constexpr qint64 FullDiskRoom = 4 * 1024 * 1024;

// The mount point of the disk that holds the file when the disk has no room left, so that a
// short output says why; empty when it has room or cannot tell.
QString fullDisk(const QString &path)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (!disk.isValid() || !disk.isReady() || disk.bytesAvailable() >= FullDiskRoom)
        return QString();
    return QDir::toNativeSeparators(disk.rootPath());
}

QString failureText(const char *text, double measured, double expected, const QString &path)
{
    const QString failure = QCoreApplication::translate("OutputCheck", text)
                                .arg(measured, 0, 'f', 1)
                                .arg(expected, 0, 'f', 1);
    const QString disk = fullDisk(path);
    return disk.isEmpty() ? failure
                          : QCoreApplication::translate("OutputCheck", "the disk %1 is full: %2").arg(disk, failure);
}
} // namespace

OutputCheck::Meter OutputCheck::setMeter(Meter meter)
{
    return std::exchange(s_meter, meter);
}

OutputCheck::SourceMeter OutputCheck::setSourceMeter(SourceMeter meter)
{
    return std::exchange(s_sourceMeter, meter);
}

OutputCheck::SoundDecoder OutputCheck::setSoundDecoder(SoundDecoder decoder)
{
    return std::exchange(s_soundDecoder, decoder);
}

OutputCheck::StartMeter OutputCheck::setStartMeter(StartMeter meter)
{
    return std::exchange(s_startMeter, meter);
}

OutputCheck::HoldMeter OutputCheck::setHoldMeter(HoldMeter meter)
{
    return std::exchange(s_holdMeter, meter);
}

bool OutputCheck::fallsShort(double measured, double expected)
{
    return measured < expected * 0.9 && expected - measured > 1.0;
}

bool OutputCheck::outOfStep(double delay, double sourceDelay)
{
    return delay - sourceDelay > kLateSoundSlack || sourceDelay - delay > kEarlySoundSlack;
}

namespace {
// How much later sound starts than picture (negative: earlier); NaN where either is unknown.
double delayOf(const OutputCheck::Starts &starts)
{
    return starts.audio - starts.video;
}

// Why the output's picture and sound are out of step with its source's; empty when they are
// not, or when the output, the task or its source does not tell. Both are measured alike,
// as a player decodes them: a WMA sound decodes from its third packet on, 0.09 s after its
// container's start. `unread` is set when a start was to be measured but no engine read it.
QString stepFailure(const Task &task, const QString &output, bool &unread)
{
    unread = false;
    const QStringList sources = task.sources();
    if (!s_startMeter || task.soundTrack() < 0 || sources.size() != 1 || !QFileInfo(sources.first()).isFile())
        return QString();
    const OutputCheck::Starts made = s_startMeter(output, 0);
    const double delay = delayOf(made);
    if (std::isnan(delay)) {
        unread = !made.read;
        return QString();
    }
    const OutputCheck::Starts read = s_startMeter(sources.first(), task.soundTrack());
    const double source = delayOf(read);
    qCDebug(lcJobs) << "OutputCheck:" << output << "sound starts" << delay << "after the picture, in the source"
                    << source;
    unread = !read.read;
    if (std::isnan(source) || !OutputCheck::outOfStep(delay, source))
        return QString();
    // FFmpeg at a constant rate starts the picture with a sound that comes first in the
    // source (a transport stream's sound before its picture, or before the first key frame
    // of a recording cut mid-group), showing the first picture until its own time: in step
    // when that picture is held for as long as the sound came first.
    if (s_holdMeter) {
        const double held = s_holdMeter(output, std::abs(delay - source) + 1.0);
        qCDebug(lcJobs) << "OutputCheck:" << output << "holds its first picture" << held << "s";
        // A hold no engine could measure leaves the step unknown, not wrong.
        if (held < 0.0) {
            unread = true;
            return QString();
        }
        if (held > 0.0 && !OutputCheck::outOfStep(delay - held, source))
            return QString();
    }
    return QCoreApplication::translate("OutputCheck", delay < source ? kEarlySound : kLateSound)
        .arg(secondsText(std::abs(delay - source)));
}
} // namespace

quint64 OutputCheck::judgement()
{
    return s_judgement;
}

void OutputCheck::setStopped(bool stopped)
{
    s_stopped = stopped;
}

const bool *OutputCheck::stopFlag()
{
    return &s_stopped;
}

bool OutputCheck::running()
{
    return s_running > 0;
}

QString OutputCheck::shortfall(const Task &task, int *unchecked)
{
    ++s_judgement;
    int notJudged = 0;
    if (!unchecked)
        unchecked = &notJudged;
    const QScopedValueRollback<int> checking(s_running, s_running + 1);
    const auto stopped = qScopeGuard([unchecked] {
        if (s_stopped && *unchecked)
            *unchecked |= CheckStopped;
    });
    *unchecked = 0;
    const QString path = taskDataValue(task.taskData, TaskDataSlot::OutputPath).toString();
    // A first pass writes statistics, not media.
    if (path.endsWith(QLatin1String(".stats")) || !QFileInfo(path).isFile())
        return QString();
    // Sound that does not decode has no length worth measuring. A decoder that could not
    // tell (killed, stuck) fails nothing: the output may well be good. A sound copied within
    // its own container is the source's own: it is not decoded.
    if (s_soundDecoder && copiesSound(task.arguments()) && !copiedWithinItsContainer(task, path)) {
        const Decoding decoding = s_soundDecoder(path);
        if (decoding == Decoding::Fails)
            return QCoreApplication::translate("OutputCheck", "its copied sound does not decode");
        if (decoding == Decoding::Unknown)
            *unchecked |= SoundDecodeUnchecked;
    }
    return lengthShortfall(task, path, unchecked);
}

QString OutputCheck::lengthShortfall(const Task &task, const QString &path, int *unchecked)
{
    const double asked = taskDataValue(task.taskData, TaskDataSlot::Duration).toDouble();
    // A preview encodes a part on purpose.
    if (asked <= 0.0 || taskDataValue(task.taskData, TaskDataSlot::Preview).toBool())
        return QString();
    const Lengths measured = s_meter ? s_meter(path, asked) : Lengths();
    qCDebug(lcJobs) << "OutputCheck:" << path << "picture" << measured.video << "sound"
                    << measured.audio << "whole" << measured.whole << "of" << asked;
    if (measured.video < 0.0 && measured.audio < 0.0 && measured.whole < 0.0)
        *unchecked |= LengthUnchecked;

    int streams = 0;
    QList<std::pair<const JudgedStream *, double>> shortStreams; // with the length expected
    for (const JudgedStream &judged : kJudgedStreams) {
        const double length = measured.*judged.length;
        if (length < 0.0)
            continue;
        if (!fallsShort(length, asked)) {
            ++streams;
            continue;
        }
        double expected = expectedLength(task, judged.length, asked, false);
        if (expected < 0.0)
            continue;
        ++streams;
        // Short of what the source declares: of what it holds, maybe less.
        if (fallsShort(length, expected))
            expected = expectedLength(task, judged.length, asked, true);
        if (fallsShort(length, expected))
            shortStreams.append({&judged, expected});
    }
    if (streams == 0 && measured.whole >= 0.0 && fallsShort(measured.whole, asked))
        return failureText(kOutputFailure, measured.whole, asked, path);
    if (shortStreams.isEmpty()) {
        bool unread = false;
        const QString failure = stepFailure(task, path, unread);
        if (unread)
            *unchecked |= StepUnchecked;
        return failure;
    }
    // One stream of two: which one. All of them: the output as a whole, as far as it goes.
    if (shortStreams.size() < streams) {
        const auto &[judged, expected] = shortStreams.first();
        return failureText(judged->failure, measured.*judged->length, expected, path);
    }
    double reach = 0.0;
    double expected = 0.0;
    for (const auto &[judged, streamExpected] : std::as_const(shortStreams)) {
        reach = std::max(reach, measured.*judged->length);
        expected = std::max(expected, streamExpected);
    }
    return failureText(kOutputFailure, reach, expected, path);
}
