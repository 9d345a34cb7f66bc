#include "encoder/mediasplitter.h"
#include "encoder/encoderlogging.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/fileargument.h"
#include "engines/fileclosewatcher.h"
#include "engines/packetlisting.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "jobs/jobmanager.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include <sys/stat.h>

namespace {
// Seconds of the input, before and after a volume's start second, searched for the
// volume's first packet: more than the key-frame distance of common encodings (up to 10 s)
// and more than FFmpeg's seeks stray from the second asked for.
constexpr double InputWindowSeconds = 20.0;
// Seconds before a volume's measured end from which its last packets are read: more than
// B-frames reorder them by.
constexpr double VolumeTailSeconds = 2.0;
// Packets of the input read with its analysis, to find where its reference stream begins:
// more than come before the first video packet in common files (audio, DVD navigation).
constexpr int InputHeadPackets = 32;
// Times of the same packet computed two ways may differ by rounding.
constexpr double TimeTolerance = 0.001;
// Containers (FFprobe's first format name) whose seeks go through an index to the key frame
// at or before the time asked for, and to the last one for a time past the end.
const char *const KeyFrameSeekingFormats[] = {"avi", "mov", "matroska", "flv"};
// Processor time, in bytes of input a packet listing reads in that time: an FFprobe run's
// start (loading its libraries), and a volume's analysis (a start, and its reading).
constexpr qint64 ListingStartBytes = 300LL * 1000 * 1000;
constexpr qint64 VolumeAnalysisBytes = 450LL * 1000 * 1000;
// Packets a listing keeps (read as FFprobe prints them, so the window never holds its events
// for them): some 60 bytes each, 120 MB for 22 hours at 25 pictures a second.
constexpr double MaxListedPackets = 2000000.0;

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

// What a volume is on the disk: its file, its size and the time of its last change to the
// nanosecond, so that a volume written again within a millisecond is told apart.
QString volumeState(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("missing");
    return QStringLiteral("%1 %2 %3.%4")
        .arg(info.st_ino)
        .arg(info.st_size)
        .arg(info.st_mtim.tv_sec)
        .arg(info.st_mtim.tv_nsec);
}
}

MediaSplitter::MediaSplitter(JobManager *host)
    : MediaEditor(host)
    , m_ffmpeg(EngineObjects::ffmpeg())
    , m_ffprobe(EngineObjects::ffprobe())
    , m_partSuffix(QStringLiteral(".part"))
    , m_volumeWatcher(new FileCloseWatcher(this))
{
    connect(m_volumeWatcher, &FileCloseWatcher::closedAfterWriting, this, &MediaSplitter::releaseVolumeAnalysis);
}

QString MediaSplitter::volumeFolder() const
{
    return m_outputFolder.isEmpty() ? QFileInfo(m_input).canonicalPath() : m_outputFolder;
}

int MediaSplitter::chooseDisambiguation(const QString &folder, const QString &baseName) const
{
    if (m_volumeCount < 1)
        return 0;
    // Every number is tested: a folder full of earlier splits gets the next free one.
    for (int n = 0; n < std::numeric_limits<int>::max(); ++n) {
        bool taken = false;
        for (int volume = 1; volume <= m_volumeCount && !taken; ++volume) {
            const QString name =
                n == 0 ? QStringLiteral("%1/%2%3%4.%5")
                             .arg(folder, baseName, m_partSuffix, QString::number(volume), m_inputSuffix)
                       : QStringLiteral("%1/%2 (%6)%3%4.%5")
                             .arg(folder, baseName, m_partSuffix, QString::number(volume),
                                  m_inputSuffix, QString::number(n));
            taken = QFileInfo::exists(name);
        }
        if (!taken)
            return n;
    }
    return std::numeric_limits<int>::max();
}

void MediaSplitter::startSplit(const QString &input, int volumeCount, qint64 volumeSize)
{
    qCDebug(lcEncoder).noquote() << "MediaSplitter::startSplit() Start split jobs:" << volumeCount << volumeSize
                       << input;
    if (!m_ffmpeg || !m_ffmpeg->startInterface(QString(), QString())) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not start FFmpeg interface."));
        return;
    }
    if (!m_ffprobe || !m_ffprobe->startInterface(QString(), QString())) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not start FFprobe interface."));
        return;
    }
    m_input = input;
    m_volumeCount = volumeCount;
    m_volumeSize = volumeSize;
    // The input's first packets come with its analysis: the first volume, copied from the
    // start, begins at the reference stream's first key packet among them.
    QList<FFprobePacket> firstPackets;
    if (!analyseInput(firstPackets)) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not analyze input media file"));
        return;
    }
    QString duration;
    if (!m_ffprobe->formatValue(duration, QStringLiteral("duration"))) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not get input media duration"));
        return;
    }
    m_duration = duration.toDouble();
    QString inputStart;
    m_inputStart = m_ffprobe->formatValue(inputStart, QStringLiteral("start_time"))
                       ? inputStart.toDouble()
                       : 0.0;
    QString formatName;
    m_seeksToKeyFrames = m_ffprobe->formatValue(formatName, QStringLiteral("format_name"))
                         && seeksToKeyFrames(formatName);
    int referenceStream = -1;
    m_referenceStreams = chooseReferenceStreams(referenceStream);
    m_firstBegin = firstCopiedTime(firstPackets, referenceStream, m_inputStart);
    // FFmpeg counts the pictures of the first video stream it writes: the reference stream
    // when that is the input's first.
    const QList<int> video = m_ffprobe->videoStreams();
    dropInputListing();
    m_listing = m_seeksToKeyFrames && !video.isEmpty() && referenceStream == video.first()
                && listingPays(volumeCount, QFileInfo(input).size(), m_duration * frameRate(referenceStream));
    m_keysWhole = false;
    if (m_listing) {
        m_progress = new QTemporaryFile(QDir::tempPath() + QStringLiteral("/vexo-split-XXXXXX.progress"), this);
        m_listing = m_progress->open();
        m_progress->close();
        if (m_listing) {
            m_inputListing = m_ffprobe->startPacketListing(m_input, m_referenceStreams, this);
            m_listing = m_inputListing != nullptr;
        }
    }
    m_position = 0.0;
    m_volumeStartSecond = 0.0;
    m_volumeBegin = 0.0;
    m_volumeKeys.clear();
    m_currentVolume = 0;
    m_currentOutput.clear();
    m_currentJob = nullptr;

    const QFileInfo info(input);
    const QString baseName = info.completeBaseName();
    m_inputSize = info.size();
    m_inputSuffix = info.suffix();
    const int n = chooseDisambiguation(volumeFolder(), baseName);
    m_partBaseName = n == 0 ? baseName + m_partSuffix
                            : QStringLiteral("%1 (%2)%3").arg(baseName, QString::number(n), m_partSuffix);
    startNextJob();
}

QString MediaSplitter::inputHeadIntervals()
{
    return QStringLiteral("%+#%1").arg(InputHeadPackets);
}

void MediaSplitter::prefetchInputAnalysis(const QString &input)
{
    if (FFprobe *ffprobe = EngineObjects::ffprobe())
        ffprobe->prefetchLoadWithPackets(input, QString(), inputHeadIntervals());
}

void MediaSplitter::dropInputAnalysis(const QString &input)
{
    if (FFprobe *ffprobe = EngineObjects::ffprobe())
        ffprobe->dropLoadWithPackets(input, QString(), inputHeadIntervals());
}

// The window handles its events while FFprobe reads the input.
bool MediaSplitter::analyseInput(QList<FFprobePacket> &firstPackets)
{
    const SyncRunner::LoadScope scope;
    return m_ffprobe->loadWithPackets(m_input, firstPackets, QString(), inputHeadIntervals())
           || m_ffprobe->load(m_input);
}

double MediaSplitter::frameRate(int stream)
{
    const QStringList key{QStringLiteral("avg_frame_rate")};
    QHash<QString, QString> data;
    const double rate = m_ffprobe->streamData(stream, data, key) == 1 ? FFprobe::toNumber(data.value(key.first())) : 0.0;
    return rate > 0.0 ? rate : qQNaN();
}

QString MediaSplitter::chooseReferenceStreams(int &index) const
{
    // A cover picture is a video stream of one packet: it cannot tell where a volume ends.
    const QStringList attachedPicture{QStringLiteral("DISPOSITION:attached_pic")};
    for (int stream : m_ffprobe->videoStreams()) {
        QHash<QString, QString> disposition;
        if (m_ffprobe->streamData(stream, disposition, attachedPicture) == 0
            || disposition.value(attachedPicture.first()) != QLatin1String("1")) {
            index = stream;
            return QStringLiteral("V:0");
        }
    }
    const QList<int> audio = m_ffprobe->audioStreams();
    index = audio.isEmpty() ? -1 : audio.first();
    return audio.isEmpty() ? QString() : QStringLiteral("a:0");
}

double MediaSplitter::firstCopiedTime(const QList<FFprobePacket> &packets, int stream, double inputStart)
{
    // A stream copy leaves out the packets before the first key packet; which packet would
    // come first after an unknown one is not known.
    for (const FFprobePacket &packet : packets) {
        if (packet.stream == stream)
            return packet.key ? packet.time - inputStart : qQNaN();
    }
    return qQNaN();
}

QString MediaSplitter::inputWindowIntervals(double second, double inputStart)
{
    const QString end = secondsText(inputStart + second + InputWindowSeconds);
    if (second <= InputWindowSeconds)
        return QLatin1Char('%') + end;
    return secondsText(inputStart + second - InputWindowSeconds) + QLatin1Char('%') + end;
}

QList<FFprobePacket> MediaSplitter::inputWindow(double second)
{
    QList<FFprobePacket> window;
    m_ffprobe->readPackets(window, m_input, m_referenceStreams,
                           inputWindowIntervals(second, m_inputStart));
    return window;
}

bool MediaSplitter::locateVolume(VolumeSpan &span)
{
    if (locateListedVolume(span))
        return true;
    // The volume's length, its first packet of the reference stream and its last ones come
    // in one FFprobe run, started while the volume was copied (prefetchVolumeAnalysis()). The
    // first packet's hash is needed only when the trial copy could not tell where the volume
    // begins.
    const bool beginKnown = qIsFinite(m_queuedBegin);
    // An analysis released at a close of the volume read what was there then: one that the
    // volume changed after is not taken (FFmpeg's end is seen before the watcher's last close).
    if (!m_releasedState.isEmpty() && volumeState(m_currentOutput) != m_releasedState)
        dropVolumeAnalysis();
    QList<FFprobePacket> packets;
    const bool together =
        !m_referenceStreams.isEmpty()
        && m_ffprobe->loadWithPackets(m_currentOutput, packets, m_referenceStreams, m_volumeIntervals, m_volumeHashes);
    dropVolumeAnalysis();
    const QString inputName = QFileInfo(m_input).fileName();
    if (!together && !m_ffprobe->load(m_currentOutput)) {
        fail(tr("Failed to start split part #%1 of %2: could not analyze input media file")
                 .arg(m_currentVolume)
                 .arg(inputName));
        return false;
    }
    QString duration;
    if (!m_ffprobe->formatValue(duration, QStringLiteral("duration"))) {
        fail(tr("Failed to start split part #%1 of %2: could not get input media duration")
                 .arg(m_currentVolume)
                 .arg(inputName));
        return false;
    }
    const double length = duration.toDouble();
    QString start;
    const double volumeStart =
        m_ffprobe->formatValue(start, QStringLiteral("start_time")) ? start.toDouble() : 0.0;

    QList<FFprobePacket> head = packets.mid(0, 1);
    QList<FFprobePacket> tail = packets.mid(1);
    const double tailStart = volumeStart + std::max(0.0, length - VolumeTailSeconds);
    if (m_referenceStreams.isEmpty()) {
        // Nothing to locate by: the volume began at its second.
    } else if (!together) {
        m_ffprobe->readPackets(head, m_currentOutput, m_referenceStreams, QStringLiteral("%+#1"), !beginKnown);
    }
    if (!head.isEmpty() && !tailCovers(tail, tailStart))
        m_ffprobe->readPackets(tail, m_currentOutput, m_referenceStreams,
                               secondsText(tailStart) + QLatin1Char('%'), false);
    // The volume's first packet is looked up in the input around its second.
    const QList<FFprobePacket> window = beginKnown || m_referenceStreams.isEmpty()
                                            ? QList<FFprobePacket>()
                                            : inputWindow(m_volumeStartSecond);
    span = volumeSpan(m_volumeStartSecond, m_inputStart, window, length, volumeStart, head, tail,
                      m_queuedBegin);
    // The key frames of the volume's last packets, in the input's time: where a copy from a
    // second among them begins, in containers whose seeks land on the key frame at or before it.
    m_volumeKeys.clear();
    m_keysWhole = false;
    for (const FFprobePacket &packet : std::as_const(tail)) {
        if (m_seeksToKeyFrames && packet.key && !head.isEmpty())
            m_volumeKeys << span.begin + (packet.time - head.first().time);
    }
    qCDebug(lcEncoder).noquote() << "MediaSplitter::locateVolume() volume" << m_currentVolume - 1
                       << "cut from second" << m_volumeStartSecond << "measures" << length
                       << "and spans" << span.begin << "to" << span.end;
    return true;
}

bool MediaSplitter::locateListedVolume(VolumeSpan &span)
{
    if (!m_listing)
        return false;
    QFile progress(m_progress->fileName());
    const int frames = progress.open(QIODevice::ReadOnly) ? copiedFrames(QString::fromUtf8(progress.readAll())) : -1;
    const double begin = qIsFinite(m_queuedBegin) ? m_queuedBegin : m_volumeStartSecond;
    bool listed = true;
    if (m_inputListing && frames > 0) {
        // FFprobe lists the input beside the copies. It is awaited, while it goes on printing,
        // up to the volume's last packet and so far past it that every key frame a copy from
        // the second after the volume's end may begin at is listed (B-frames reorder packets
        // by far less than that).
        listed = m_inputListing->waitFor(
            [&](const QList<FFprobePacket> &packets) {
                return listedSpan(span, packets, m_inputStart, begin, frames)
                       && packets.last().time - m_inputStart > span.end + 1.0 + InputWindowSeconds;
            },
            m_ffprobe->finishTimeout());
        m_inputPackets = m_inputListing->packets();
        // Every key frame a copy from a second up to the one after the volume's end may begin
        // at is among them.
        m_keysWhole = true;
        m_volumeKeys.clear();
        for (const FFprobePacket &packet : std::as_const(m_inputPackets)) {
            if (packet.key)
                m_volumeKeys << packet.time - m_inputStart;
        }
    }
    if (!listed || !listedSpan(span, m_inputPackets, m_inputStart, begin, frames)) {
        // Analysed from now on, its key frames its own.
        dropInputListing();
        return false;
    }
    qCDebug(lcEncoder).noquote() << "MediaSplitter::locateListedVolume() volume" << m_currentVolume - 1
                       << "cut from second" << m_volumeStartSecond << "holds" << frames << "pictures and spans"
                       << span.begin << "to" << span.end;
    return true;
}

void MediaSplitter::dropInputListing()
{
    delete m_inputListing;
    m_inputListing = nullptr;
    m_listing = false;
    m_keysWhole = false;
    m_inputPackets.clear();
    m_volumeKeys.clear();
    delete m_progress;
    m_progress = nullptr;
}

bool MediaSplitter::listingPays(int volumeCount, qint64 inputSize, double packets)
{
    return qint64(volumeCount - 1) * VolumeAnalysisBytes > ListingStartBytes + inputSize
           && packets <= MaxListedPackets;
}

int MediaSplitter::copiedFrames(const QString &progress)
{
    // Blocks of "key=value" lines, each ending with "progress=continue", the last one with
    // "progress=end"; the count is the last block's.
    const QStringList lines = progress.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.last().trimmed() != QLatin1String("progress=end"))
        return -1;
    for (qsizetype line = lines.size() - 2; line >= 0 && !lines.at(line).startsWith(QLatin1String("progress="));
         --line) {
        if (lines.at(line).startsWith(QLatin1String("frame="))) {
            bool ok = false;
            const int frames = lines.at(line).mid(6).trimmed().toInt(&ok);
            return ok ? frames : -1;
        }
    }
    return -1;
}

bool MediaSplitter::listedSpan(VolumeSpan &span, const QList<FFprobePacket> &inputPackets, double inputStart,
                               double begin, int count)
{
    // The copy begins with the key packet at its beginning (the first of equal times) and
    // goes on with the packets that follow it in the input.
    const auto first = std::find_if(inputPackets.begin(), inputPackets.end(), [&](const FFprobePacket &packet) {
        return packet.key && std::abs(packet.time - inputStart - begin) <= TimeTolerance;
    });
    if (count < 1 || first == inputPackets.end() || inputPackets.end() - first < count)
        return false;
    double reach = 0.0;
    for (auto packet = first; packet != first + count; ++packet)
        reach = std::max(reach, packet->time + packet->duration - first->time);
    span = {first->time - inputStart, first->time - inputStart + reach};
    return true;
}

bool MediaSplitter::seeksToKeyFrames(const QString &formatName)
{
    const QString container = formatName.section(QLatin1Char(','), 0, 0);
    return std::any_of(std::begin(KeyFrameSeekingFormats), std::end(KeyFrameSeekingFormats),
                       [&](const char *name) { return container == QLatin1String(name); });
}

QString MediaSplitter::volumeIntervals(double duration, qint64 volumeSize, qint64 inputSize)
{
    // The last packets are read from a guess of where they lie, after the first packet by the
    // share of the input's length that the volume's size makes, less a margin; a guess that
    // falls short of the end only reads more packets, one past it is read again from the
    // measured length (or, where seeks land on key frames, from the last key frame). Where
    // seeks land on key frames, a tail read from before the end's whole second also tells
    // where the next volume's copy begins (the key frame at or before that second).
    const double share = inputSize > 0 ? double(volumeSize) / double(inputSize) : 0.0;
    const double guess = std::max(0.0, duration * share - 2.0 * VolumeTailSeconds);
    return QStringLiteral("%+#1,+") + secondsText(guess) + QLatin1Char('%');
}

double MediaSplitter::keyFrameAtOrBefore(const QList<double> &keys, double second, double end)
{
    // Keys are known from the first listed one on, up to the volume's end; a key frame exactly
    // at an end on a whole second may follow the volume.
    if (keys.isEmpty() || keys.first() > second + TimeTolerance || second >= end - TimeTolerance)
        return qQNaN();
    double found = keys.first();
    for (double key : keys) {
        if (key <= second + TimeTolerance)
            found = key;
    }
    return found;
}

// The analysis of a volume that is being copied starts now and waits, its engine loaded,
// until the copy has ended: between two volumes only the reading of the new one is left.
void MediaSplitter::prefetchVolumeAnalysis(qint64 expectedSize)
{
    m_volumeIntervals = volumeIntervals(m_duration, expectedSize, m_inputSize);
    m_volumeHashes = !qIsFinite(m_queuedBegin);
    if (m_ffprobe && m_currentVolume < m_volumeCount && !m_referenceStreams.isEmpty() && !m_listing) {
        m_ffprobe->holdLoadWithPackets(m_currentOutput, m_referenceStreams, m_volumeIntervals, m_volumeHashes);
        m_volumeWatcher->watch(m_currentOutput);
    }
}

// FFmpeg has written the volume and closed it: the analysis reads it now, while FFmpeg's
// process ends, before the job is seen to end. A job that then fails drops it.
void MediaSplitter::releaseVolumeAnalysis(const QString &volume)
{
    if (!m_ffprobe || volume != m_currentOutput)
        return;
    // Closed again after writing: the analysis released at the earlier close read a volume
    // that was not done, and starts over.
    if (!m_releasedState.isEmpty())
        m_ffprobe->holdLoadWithPackets(m_currentOutput, m_referenceStreams, m_volumeIntervals, m_volumeHashes);
    m_releasedState = volumeState(m_currentOutput);
    m_ffprobe->releaseLoadWithPackets(m_currentOutput, m_referenceStreams, m_volumeIntervals, m_volumeHashes);
}

void MediaSplitter::dropVolumeAnalysis()
{
    m_releasedState.clear();
    m_volumeWatcher->watch(QString());
    if (m_ffprobe && !m_currentOutput.isEmpty() && !m_referenceStreams.isEmpty())
        m_ffprobe->dropLoadWithPackets(m_currentOutput, m_referenceStreams, m_volumeIntervals, m_volumeHashes);
}

bool MediaSplitter::tailCovers(const QList<FFprobePacket> &tail, double tailStart)
{
    // Packets decoded before a key frame are shown before it: read from a key frame to the
    // end, the tail holds the last packet shown however late the key frame is.
    return !tail.isEmpty() && (tail.first().key || tail.first().time <= tailStart + TimeTolerance);
}

bool MediaSplitter::chooseStartSecond(double &chosen, double end)
{
    const double second = startSecond(end);
    chosen = second;
    m_queuedBegin = qQNaN();
    if (m_currentVolume == 1) {
        QString hash;
        double time = qQNaN();
        if (qIsFinite(m_firstBegin))
            m_queuedBegin = m_firstBegin;
        else if (!m_referenceStreams.isEmpty()
                 && m_ffmpeg->firstCopiedPacket(hash, m_input, startTimeText(0.0), m_referenceStreams, &time))
            m_queuedBegin = time - m_inputStart;
        return true;
    }
    // A copy from the previous volume's own second (or before) would repeat that volume: a
    // volume that ends within the second it was cut from (a position that has not moved,
    // 0.0 after the first volume among them) leaves no second to go on from.
    if (m_referenceStreams.isEmpty())
        return second > m_volumeStartSecond;
    // FFmpeg's copy begins at a key frame: at or before the second in formats with a key-frame
    // index, possibly after it in those without (MPEG program and transport streams seek to
    // any packet, and the copy begins at the next key frame). Earlier seconds are tried until
    // the copy would begin at or before the end, but never the previous volume's second or
    // before; a copy that begins where the previous volume began would only repeat it.
    QList<FFprobePacket> window; // read only when the trial copy gives no time
    const double lowest = std::max(m_volumeStartSecond + 1.0, second - InputWindowSeconds);
    for (double candidate = second; candidate >= lowest; candidate -= 1.0) {
        double begin = qQNaN();
        if (!copyBegin(begin, candidate, window, second, end)) {
            chosen = candidate; // nothing to tell by
            return true;
        }
        const CopyBegin verdict = judgeCopyBegin(begin, m_volumeBegin, end);
        if (verdict == CopyBegin::Fits) {
            chosen = candidate;
            m_queuedBegin = begin;
            return true;
        }
        if (verdict == CopyBegin::Repeats)
            break;
    }
    // A key frame between the end's whole second and the end (key frames a frame after each
    // second) is where a copy from the next second begins, in formats whose seeks land on the
    // key frame at or before the second asked for.
    const double next = second + 1.0;
    double begin = qQNaN();
    if (next > m_volumeStartSecond && copyBegin(begin, next, window, second, end)
        && judgeCopyBegin(begin, m_volumeBegin, end) == CopyBegin::Fits) {
        chosen = next;
        m_queuedBegin = begin;
        return true;
    }
    // Every copy would repeat the previous volume or begin past the end: the pictures between
    // would be lost.
    qCDebug(lcEncoder).noquote() << "MediaSplitter::chooseStartSecond() no second from" << next << "down to"
                       << lowest << "begins after" << m_volumeBegin << "and at or before" << end;
    return false;
}

bool MediaSplitter::copyBegin(double &begin, double candidate, QList<FFprobePacket> &window, double second,
                              double end)
{
    // The input's key frames, listed past the volume's end, tell there too.
    begin = keyFrameAtOrBefore(m_volumeKeys, candidate,
                               m_keysWhole ? std::numeric_limits<double>::infinity() : end);
    return qIsFinite(begin) || trialCopyBegin(begin, candidate, window, second);
}

bool MediaSplitter::trialCopyBegin(double &begin, double candidate, QList<FFprobePacket> &window, double second)
{
    QString hash;
    if (!m_ffmpeg->firstCopiedPacket(hash, m_input, startTimeText(candidate), m_referenceStreams, &begin))
        return false;
    begin -= m_inputStart;
    if (!qIsFinite(begin)) {
        if (window.isEmpty())
            window = inputWindow(second);
        if (!findInInput(begin, hash, window, m_inputStart))
            return false;
    }
    qCDebug(lcEncoder).noquote() << "MediaSplitter::chooseStartSecond() from second" << candidate
                       << "the copy begins at" << begin;
    return true;
}

MediaSplitter::CopyBegin MediaSplitter::judgeCopyBegin(double begin, double previousBegin, double end)
{
    if (begin <= previousBegin + TimeTolerance)
        return CopyBegin::Repeats;
    return begin <= end + TimeTolerance ? CopyBegin::Fits : CopyBegin::TooLate;
}

bool MediaSplitter::findInInput(double &time, const QString &hash,
                                const QList<FFprobePacket> &inputWindow, double inputStart)
{
    if (hash.isEmpty())
        return false;
    // The earliest: a still picture repeats the same key frame.
    for (const FFprobePacket &packet : inputWindow) {
        if (packet.hash == hash) {
            time = packet.time - inputStart;
            return true;
        }
    }
    return false;
}

MediaSplitter::VolumeSpan MediaSplitter::volumeSpan(double startSecond, double inputStart,
                                const QList<FFprobePacket> &inputWindow, double length,
                                double volumeStart, const QList<FFprobePacket> &volumeHead,
                                const QList<FFprobePacket> &volumeTail, double knownBegin)
{
    // Where the volume starts in the input.
    double start = startSecond;
    const FFprobePacket *first = volumeHead.isEmpty() ? nullptr : &volumeHead.first();
    if (qIsFinite(knownBegin)) {
        start = knownBegin;
    } else if (!first || !findInInput(start, first->hash, inputWindow, inputStart)) {
        // FFmpeg seeks to the key frame at or before the second asked for.
        for (const FFprobePacket &packet : inputWindow) {
            if (packet.key && packet.time - inputStart <= startSecond)
                start = packet.time - inputStart;
        }
    }
    if (!first)
        return {start, start + length};

    // How far the volume reaches past its first packet. Its own packet times tell best: a
    // container may hide a lead-in before the second asked for (MP4 edit lists), so that
    // the measured length falls short, and the measured length may count other streams
    // that run on past the reference stream's end. Without them, the measured length
    // counts from the volume's start time, which a hidden lead-in precedes.
    double reach = length + (volumeStart - first->time);
    if (!volumeTail.isEmpty()) {
        reach = 0.0;
        for (const FFprobePacket &packet : volumeTail)
            reach = std::max(reach, packet.time + packet.duration - first->time);
    }
    return {start, start + reach};
}

MediaSplitter::~MediaSplitter()
{
    dropTrialCopies();
    dropVolumeAnalysis();
    dropInputListing();
}

void MediaSplitter::fail(const QString &text)
{
    dropTrialCopies();
    dropVolumeAnalysis();
    dropInputListing();
    m_console->log(LogLevel::Quiet, text);
    emit finished();
}

void MediaSplitter::startNextJob()
{
    // A volume that failed says what happened to it (the last one too).
    if (m_currentJob && !m_currentJob->failure().isEmpty()) {
        fail(tr("Failed to split part #%1 of %2: %3")
                 .arg(m_currentVolume)
                 .arg(QFileInfo(m_input).fileName(), m_currentJob->failure()));
        return;
    }
    // A count below 1 ends here too: nothing else would stop the volumes.
    if (m_currentVolume >= m_volumeCount) {
        dropInputListing();
        emit finished();
        return;
    }
    qCDebug(lcEncoder).noquote() << "MediaSplitter::startNextJob() Start next split:" << m_currentVolume
                       << m_input << m_partBaseName;
    ++m_currentVolume;

    const QString inputName = QFileInfo(m_input).fileName();
    double second = 0.0;
    if (!prepareVolume(second))
        return;
    m_volumeStartSecond = second;

    m_currentOutput = QStringLiteral("%1/%2%3.%4")
                          .arg(volumeFolder(), m_partBaseName, QString::number(m_currentVolume),
                               m_inputSuffix);
    const bool lastVolume = m_currentVolume == m_volumeCount;
    const qint64 sizeLimit = lastVolume ? 0 : m_volumeSize;
    QString program;
    QStringList arguments;
    QString error;
    QStringList options = soundOptions(m_volumeStartSecond, m_queuedBegin, m_seeksToKeyFrames);
    // The pictures a volume holds tell where it ends; what an earlier copy wrote is gone.
    if (m_listing && !lastVolume && m_progress->resize(0))
        options << QStringLiteral("-progress") << fileArgument(m_progress->fileName());
    m_ffmpeg->cliCmdSplit(program, arguments, error, m_input, m_currentOutput,
                          startTimeText(m_volumeStartSecond), sizeLimit, options);
    m_console->log(LogLevel::Verbose, tr("Start FFmpeg job with %1").arg(arguments.join(QLatin1Char(' '))));

    const qint64 expectedSize =
        std::min(m_volumeSize, m_inputSize - qint64(m_currentVolume - 1) * m_volumeSize);
    Job *job = m_host->addEngineJob(program, arguments, m_currentOutput, tr("Splitting"),
                                    tr("Extract volume %1/%2 from %3")
                                        .arg(m_currentVolume)
                                        .arg(m_volumeCount)
                                        .arg(inputName),
                                    m_ffmpeg, expectedSize);
    if (!job) {
        fail(tr("Failed to start split part #%1 of %2").arg(m_currentVolume).arg(inputName));
        return;
    }
    m_currentJob = job;
    prefetchVolumeAnalysis(expectedSize);
    prefetchTrialCopies(expectedSize);
    if (m_currentVolume == 1)
        emit started();
    if (job->isFinished())
        startNextJob();
    else
        connect(job, &Job::finished, this, &MediaSplitter::startNextJob);
}

// Where the new volume starts: the previous volume's end (the input's start for the first).
// The window handles its events while the engines measure; false after failing the split.
bool MediaSplitter::prepareVolume(double &second)
{
    const SyncRunner::LoadScope scope;
    const QString inputName = QFileInfo(m_input).fileName();
    if (!m_currentOutput.isEmpty()) {
        VolumeSpan span;
        if (!locateVolume(span))
            return false;
        m_position = span.end;
        m_volumeBegin = span.begin;
    }
    if (m_position >= m_duration) {
        fail(tr("Warning: done in %1 part instead of %2, terminating split of %3")
                 .arg(m_currentVolume - 1)
                 .arg(m_volumeCount)
                 .arg(inputName));
        return false;
    }
    const bool chosen = chooseStartSecond(second, m_position);
    dropTrialCopies();
    if (!chosen) {
        fail(tr("Failed (position error) to continue split of %1").arg(inputName));
        return false;
    }
    return true;
}

// While a volume is copied, the trial copies for the next one start from the seconds around
// where the volume should end, judged by its share of the input's size: the next volume's
// choice then takes their answers instead of waiting for FFmpeg after the copy.
void MediaSplitter::prefetchTrialCopies(qint64 expectedSize)
{
    // Where seeks land on key frames, the volume's own key frames tell.
    if (m_currentVolume >= m_volumeCount || m_referenceStreams.isEmpty() || m_inputSize <= 0
        || m_seeksToKeyFrames)
        return;
    const double begin = qIsFinite(m_queuedBegin) ? m_queuedBegin : m_volumeStartSecond;
    const double end = begin + m_duration * double(expectedSize) / double(m_inputSize);
    for (int offset : {0, -1, 1}) {
        const double second = startSecond(end) + offset;
        if (second <= m_volumeStartSecond)
            continue;
        m_trialSeconds.append(startTimeText(second));
        m_ffmpeg->prefetchFirstCopiedPacket(m_input, m_trialSeconds.last(), m_referenceStreams);
    }
}

void MediaSplitter::dropTrialCopies()
{
    for (const QString &second : std::as_const(m_trialSeconds))
        m_ffmpeg->dropFirstCopiedPacket(m_input, second, m_referenceStreams);
    m_trialSeconds.clear();
}

QStringList MediaSplitter::soundOptions(double startSecond, double begin, bool seeksToKeyFrames)
{
    // A seek that lands on any packet leaves the sound's parser to find its first frame
    // header in the middle of a frame: what it hands on before it has found one is no sound,
    // and lies with the sound that is muxed ahead of the pictures. The sound before the first
    // picture is left out (it belongs to the previous volume). FFmpeg's times count from the
    // second asked for.
    if (seeksToKeyFrames || !(startSecond > 0.0) || !qIsFinite(begin))
        return {};
    return {QStringLiteral("-bsf:a"),
            QStringLiteral("noise=drop=lt(pts*tb\\,%1)").arg(secondsText(begin - startSecond))};
}

double MediaSplitter::startSecond(double position)
{
    if (!qIsFinite(position) || position < 0.0)
        return 0.0;
    return std::floor(std::fmod(position, 24.0 * 3600.0));
}

QString MediaSplitter::startTimeText(double position)
{
    return QTime(0, 0).addSecs(int(startSecond(position))).toString(QStringLiteral("hh:mm:ss"));
}
