#include "encoder/mediasplitter.h"
#include "encoder/encoderlogging.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/fileargument.h"
#include "engines/packetlisting.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "jobs/jobmanager.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {
// Packets of the input read with its analysis: the run the split dialog starts ahead.
constexpr int InputHeadPackets = 32;
// Times of the same packet computed two ways may differ by rounding.
constexpr double TimeTolerance = 0.001;

// How the seeks of a container land, by FFprobe's first format name; any other lands on any
// packet.
struct FormatSeeking
{
    const char *format;
    MediaSplitter::Seeking seeking;
};
const FormatSeeking FormatSeekings[] = {
    {"mov", MediaSplitter::Seeking::PresentationTime},
    {"avi", MediaSplitter::Seeking::KeyFrameAtOrBefore},
    {"matroska", MediaSplitter::Seeking::KeyFrameAtOrBefore},
    {"flv", MediaSplitter::Seeking::KeyFrameAtOrBefore},
};
// Containers whose streams a reader numbers in the order their first packets come (FLV): the
// volumes merged by FFmpeg, which matches streams by number, must agree on it, so each begins
// with its picture, the first volume too (the sound before the input's first picture is left
// out).
const char *const PicturesFirstFormats[] = {"flv"};
// A seek this far past a key frame lands on it although FFmpeg moves it 3/23 s earlier (for
// streams with B-frames) and the index may hold decoding times (some 0.1 s earlier): sure
// when the next key frame is at least twice as far. With key frames closer together, a trial
// copy tells.
constexpr double SeekPastKeyFrame = 0.5;
// Where the other streams pass from one volume to the next: this far before the next volume's
// first picture, so that a packet at its very time (sound frames often fall on it) goes to the
// next volume in both commands, whatever their times' rounding to the microsecond; less than any
// packet lasts.
constexpr double BoundaryLead = 0.0005;
// Seconds before a key packet that seeks landing on any packet are tried from, in turn.
const double AnyPacketLeads[] = {0.0, 0.2, 1.0, 3.0};
// How far a listed packet's time may lie outside its stream's start and end as the header
// gives them: a packet without a presentation time is placed by its decoding time, and
// streams end a little apart.
constexpr double ListedTimeSlack = 1.0;
// How far either side of where a part is expected to end its packets are listed, and how much
// of the input's start and end: a hundredth of its length, within these bounds. It holds a
// key packet at or before the part's end and two after it where key frames come at most
// half as far apart.
constexpr double NearCutShare = 0.01;
constexpr double NearCutReachLeast = 4.0;
constexpr double NearCutReachMost = 30.0;
// Windows that would read more of the input than this share: all of it is listed.
constexpr double NearListingShare = 0.75;
// Where a part's end lies in time is first taken from its share of the input's bytes, then
// from where the packets listed put those bytes; after as many listings near the cuts as this,
// all packets are listed.
constexpr int NearListings = 3;
// The containers whose packets of one stream come in the order of their byte positions, so
// that a volume can keep them by position: those whose seeks land on key frames.
bool cutByPosition(MediaSplitter::Seeking seeking)
{
    return seeking != MediaSplitter::Seeking::AnyPacket;
}
// The first bytes of the containers cut by position; another is listed whole.
struct Signature
{
    int offset;
    QByteArray bytes;
};
const Signature PositionCutSignatures[] = {
    {8, "AVI "}, {0, QByteArray::fromHex("1a45dfa3")}, {4, "ftyp"}, {4, "moov"}, {4, "mdat"}, {0, "FLV"},
};
bool cutByPosition(const QString &input)
{
    QFile file(input);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(16) : QByteArray();
    return std::any_of(std::begin(PositionCutSignatures), std::end(PositionCutSignatures),
                       [&](const Signature &signature) {
                           return head.mid(signature.offset, signature.bytes.size()) == signature.bytes;
                       });
}
// The bytes after the last listed packet of a file cut short (that packet, the other streams'
// last packets, the piece of a packet cut off): a few seconds of the input.
constexpr double ListedTailSeconds = 2.0;

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

QString inputHeadIntervals()
{
    return QStringLiteral("%+#%1").arg(InputHeadPackets);
}

// The reference stream of most inputs: the first video stream that is no cover picture.
const QString PicturesStream = QStringLiteral("V:0");

// Listings of inputs that a split may be asked for soon, started when the split dialog opens.
QHash<QString, PacketListing *> &listingsAhead()
{
    static QHash<QString, PacketListing *> listings;
    return listings;
}
} // namespace

MediaSplitter::MediaSplitter(JobManager *host)
    : MediaEditor(host)
    , m_ffmpeg(EngineObjects::ffmpeg())
    , m_ffprobe(EngineObjects::ffprobe())
    , m_partSuffix(QStringLiteral(".part"))
{
}

MediaSplitter::~MediaSplitter()
{
    dropTrialCopies();
    dropListing();
}

QString MediaSplitter::volumeFolder() const
{
    return m_outputFolder.isEmpty() ? QFileInfo(m_input).canonicalPath() : m_outputFolder;
}

void MediaSplitter::startSplit(const QString &input, int volumeCount, qint64 volumeSize, VolumeRule rule)
{
    qCDebug(lcEncoder).noquote() << "MediaSplitter::startSplit() Start split jobs:" << volumeCount << volumeSize
                       << input;
    // An engine whose start queries outlived their time on a busy machine is asked again.
    if (!m_ffmpeg || !m_ffmpeg->startAgain()) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not start FFmpeg interface."));
        return;
    }
    if (!m_ffprobe || !m_ffprobe->startAgain()) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not start FFprobe interface."));
        return;
    }
    m_input = input;
    m_volumeCount = volumeCount;
    m_volumeSize = volumeSize;
    m_rule = rule;
    if (!analyseInput()) {
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
    readContainer();
    m_referenceStreams = chooseReferenceStreams(m_referenceOutput);
    m_coverOptions = coverOptions();
    resetVolumes();
    m_listingFrame = listingFrame(QFileInfo(input).size());
    // The listing reads the input beside the split's start; only a split into volumes needs it.
    if (m_volumeCount > 1 && !m_referenceStreams.isEmpty())
        startListing();

    const QFileInfo info(input);
    const QString baseName = info.completeBaseName();
    m_inputSize = info.size();
    m_inputSuffix = info.suffix();
    // Every volume's name is chosen free, the volumes the size needs beyond those asked too.
    if (!countVolumesNeeded())
        return;
    m_partBaseName = m_names.take(volumeFolder(), baseName, m_partSuffix, m_inputSuffix, m_volumeCount);
    if (m_partBaseName.isEmpty()) {
        fail(tr("Failed to start split of %1: no volume can be made in %2: %3")
                 .arg(info.fileName(), volumeFolder(), m_names.error()));
        return;
    }
    startNextJob();
}

void MediaSplitter::readContainer()
{
    QString formatName;
    m_ffprobe->formatValue(formatName, QStringLiteral("format_name"));
    m_seeking = seekingOf(formatName);
    // An MP4 cannot be read without its index.
    m_seeksTried = m_seeking == Seeking::PresentationTime;
    const QString container = formatName.section(QLatin1Char(','), 0, 0);
    m_timesIn90kHz = container == QLatin1String("mpeg");
    m_picturesFirst = std::any_of(std::begin(PicturesFirstFormats), std::end(PicturesFirstFormats),
                                  [&](const char *name) { return container == QLatin1String(name); });
}

void MediaSplitter::resetVolumes()
{
    dropTrialCopies();
    dropListing();
    delete m_progress;
    m_progress = nullptr;
    m_packets.clear();
    m_listed = false;
    m_nearCuts = false;
    m_nearListings = 0;
    m_windows.clear();
    m_gaps.clear();
    m_seen.clear();
    m_listingFault.clear();
    m_model = SizeModel();
    m_firstKey = m_begin = m_end = -1;
    m_endUntried = false;
    m_beginSeek = m_endSeek = 0.0;
    m_currentVolume = 0;
    m_currentOutput.clear();
    m_currentJob = nullptr;
    m_started = false;
}

void MediaSplitter::startListing()
{
    PacketListing *ahead = listingsAhead().take(m_input);
    if (ahead && m_referenceStreams == PicturesStream) {
        ahead->setParent(this);
        m_listing = ahead;
    } else {
        delete ahead;
        m_nearCuts = m_rule == VolumeRule::EqualParts && cutByPosition(m_seeking) && startNearListing();
        if (!m_nearCuts)
            m_listing = m_ffprobe->startPacketListing(m_input, m_referenceStreams, this);
    }
    // FFmpeg's progress counts the pictures of the first video stream it writes; only a copy
    // held to a size may need to tell how far it came.
    if (m_referenceOutput != QLatin1String("v:0") || m_rule != VolumeRule::WithinSize)
        return;
    m_progress = new QTemporaryFile(QDir::tempPath() + QStringLiteral("/vexo-split-XXXXXX.progress"), this);
    if (m_progress->open()) {
        m_progress->close();
    } else {
        delete m_progress;
        m_progress = nullptr;
    }
}

void MediaSplitter::prefetchInputAnalysis(const QString &input, VolumeRule rule)
{
    FFprobe *ffprobe = EngineObjects::ffprobe();
    if (!ffprobe)
        return;
    ffprobe->prefetchLoadWithPackets(input, QString(), inputHeadIntervals());
    prefetchListing(input, rule);
}

void MediaSplitter::prefetchListing(const QString &input, VolumeRule rule)
{
    FFprobe *ffprobe = EngineObjects::ffprobe();
    // The listing of its pictures, where a split into volumes waits for all of it (equal
    // parts of a container cut by position are listed only near their cuts, once their number
    // is known).
    if (!ffprobe || (rule == VolumeRule::EqualParts && cutByPosition(input)))
        return;
    if (!listingsAhead().contains(input)) {
        if (PacketListing *listing = ffprobe->startPacketListing(input, PicturesStream, nullptr))
            listingsAhead().insert(input, listing);
    }
}

void MediaSplitter::dropInputAnalysis(const QString &input)
{
    if (FFprobe *ffprobe = EngineObjects::ffprobe())
        ffprobe->dropLoadWithPackets(input, QString(), inputHeadIntervals());
    delete listingsAhead().take(input);
}

int MediaSplitter::volumesAhead(const QString &input, qint64 size, qint64 *lastSize)
{
    const PacketListing *listing = listingsAhead().value(input);
    if (!listing || !listing->listedWhole() || size <= 0)
        return 0;
    QList<FFprobePacket> packets = listing->packets();
    const qint64 inputSize = QFileInfo(input).size();
    // The listing's own start and end stand for what the input's analysis would say.
    const ListingFrame frame{packets.isEmpty() ? 0.0 : packets.first().time,
                             packets.isEmpty() ? 0.0 : packets.last().time + packets.last().duration, inputSize};
    if (!listingFault(packets, listing->unreadLines(), frame).isEmpty())
        return 0;
    fillPositions(packets, frame.start, frame.end - frame.start, inputSize);
    const SizeModel model = sizeModel(packets, inputSize);
    int last = 0;
    const int volumes = volumesWithin(packets, firstKeyPacket(packets), size, model, &last);
    if (lastSize && volumes > 0)
        *lastSize = qint64(expectedSize(packets, last, int(packets.size()) - 1, model));
    return volumes;
}

void MediaSplitter::whenListedAhead(const QString &input, QObject *context, const std::function<void()> &ready)
{
    if (PacketListing *listing = listingsAhead().value(input))
        QObject::connect(listing, &PacketListing::listingEnded, context, ready);
}

// The window handles its events while FFprobe reads the input.
bool MediaSplitter::analyseInput()
{
    const SyncRunner::LoadScope scope;
    QList<FFprobePacket> firstPackets;
    // Without its first packets (FFprobe could not seek to them), unless FFprobe did not
    // answer even when asked again.
    return m_ffprobe->loadWithPackets(m_input, firstPackets, QString(), inputHeadIntervals())
           || (!m_ffprobe->lastRunCutShort() && m_ffprobe->load(m_input));
}

QString MediaSplitter::chooseReferenceStreams(QString &output) const
{
    // A cover picture is a video stream of one packet: it cannot tell where a volume ends.
    // The volume's pictures come first among its video streams.
    if (m_ffprobe->videoStreams().size() > attachedPictures().size()) {
        output = QStringLiteral("v:0");
        return PicturesStream;
    }
    output = QStringLiteral("a:0");
    return m_ffprobe->audioStreams().isEmpty() ? QString() : QStringLiteral("a:0");
}

QList<int> MediaSplitter::attachedPictures() const
{
    const QStringList attachedPicture{QStringLiteral("DISPOSITION:attached_pic")};
    QList<int> pictures;
    for (int stream : m_ffprobe->videoStreams()) {
        QHash<QString, QString> disposition;
        if (m_ffprobe->streamData(stream, disposition, attachedPicture) == 1
            && disposition.value(attachedPicture.first()) == QLatin1String("1"))
            pictures << stream;
    }
    return pictures;
}

QStringList MediaSplitter::coverOptions() const
{
    // Cover pictures come after every other stream, each closed after its one packet: FFmpeg
    // ends a copy once each stream is closed (or the first open one has written all it may),
    // and a cover's stream would otherwise stay open, FFmpeg reading the input to its end.
    const QList<int> pictures = attachedPictures();
    const qsizetype films = m_ffprobe->videoStreams().size() - pictures.size();
    QStringList options;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        options << QStringLiteral("-map") << QStringLiteral("0:%1").arg(pictures.at(i))
                << QStringLiteral("-frames:v:%1").arg(films + i) << QStringLiteral("1");
    }
    return options;
}

MediaSplitter::Seeking MediaSplitter::seekingOf(const QString &formatName)
{
    const QString container = formatName.section(QLatin1Char(','), 0, 0);
    for (const FormatSeeking &format : FormatSeekings) {
        if (container == QLatin1String(format.format))
            return format.seeking;
    }
    return Seeking::AnyPacket;
}

QList<double> MediaSplitter::seekCandidates(Seeking seeking, double previous, double cut, double next)
{
    switch (seeking) {
    case Seeking::PresentationTime:
        // Exactly there: a seek past it would make the container hide the pictures before the
        // time asked for (an MP4 edit list), which the volume holds all the same.
        return {cut};
    case Seeking::KeyFrameAtOrBefore:
        return {cut + std::min(SeekPastKeyFrame, (next - cut) / 2.0)};
    case Seeking::AnyPacket:
        break;
    }
    // The copy begins at the first key frame after where the seek lands: from a little before
    // the key packet, further back in turn, but never back to the volume's own first one.
    QList<double> seeks;
    for (double lead : AnyPacketLeads) {
        const double seek = cut - lead;
        if (seek <= previous + TimeTolerance)
            break;
        seeks << seek;
    }
    return seeks;
}

bool MediaSplitter::seekLandsOnCut(Seeking seeking, double cut, double next)
{
    switch (seeking) {
    case Seeking::PresentationTime:
        return true;
    case Seeking::KeyFrameAtOrBefore:
        return next - cut >= 2.0 * SeekPastKeyFrame;
    case Seeking::AnyPacket:
        break;
    }
    return false;
}

MediaSplitter::CopyBegin MediaSplitter::judgeCopyBegin(double begin, double previousBegin, double end)
{
    if (begin <= previousBegin + TimeTolerance)
        return CopyBegin::Repeats;
    return begin <= end + TimeTolerance ? CopyBegin::Fits : CopyBegin::TooLate;
}

void MediaSplitter::fillPositions(QList<FFprobePacket> &packets, double inputStart, double duration,
                                  qint64 inputSize)
{
    const bool anyKnown =
        std::any_of(packets.cbegin(), packets.cend(), [](const FFprobePacket &packet) { return packet.pos >= 0; });
    qint64 last = 0;
    for (FFprobePacket &packet : packets) {
        if (!anyKnown) {
            const double share = duration > 0.0 ? (packet.time - inputStart) / duration : 0.0;
            // Not a number (no length, a start that is none) counts as the input's start.
            packet.pos = share > 0.0 ? qint64(std::min(share, 1.0) * double(std::max<qint64>(inputSize, 0))) : 0;
        } else if (packet.pos < 0) {
            packet.pos = last;
        } else {
            last = std::max(last, packet.pos);
        }
    }
}

MediaSplitter::SizeModel MediaSplitter::sizeModel(const QList<FFprobePacket> &packets, qint64 inputSize,
                                                  int lastWindow)
{
    SizeModel model;
    if (packets.isEmpty())
        return model;
    // What follows the last packet (the index of AVI, Matroska and MP4) counts in the proportion.
    model.header = std::max<qint64>(0, packets.first().pos);
    const double last = double(packets.last().pos);
    const double span = last - double(model.header);
    if (span > 0.0)
        model.ratio = std::max(1.0, (double(inputSize) - double(model.header)) / span);
    model.inputRatio = model.ratio;
    const int first = std::clamp(lastWindow, 0, int(packets.size()) - 1);
    const qsizetype count = packets.size() - first;
    model.end = count > 1 ? last + (last - double(std::max<qint64>(0, packets.at(first).pos))) / double(count - 1)
                          : last;
    return model;
}

double MediaSplitter::expectedSize(const QList<FFprobePacket> &packets, int begin, int end, const SizeModel &model)
{
    // In floating point: positions as a listing gives them may lie anywhere up to 2^63.
    return double(model.header) + (double(packets.at(end).pos) - double(packets.at(begin).pos)) * model.ratio;
}

bool MediaSplitter::restFits(const QList<FFprobePacket> &packets, int begin, qint64 size, const SizeModel &model)
{
    // What follows the input's last packet is mostly its index (AVI, MP4 and Matroska write
    // one at their end), which grows with the packets: the rest's volume holds its share of
    // it, not all of it.
    return expectedSize(packets, begin, int(packets.size()) - 1, model) <= double(size);
}

int MediaSplitter::volumesWithin(const QList<FFprobePacket> &packets, int begin, qint64 size, const SizeModel &model,
                                 int *lastBegin)
{
    int volumes = 1;
    int from = begin;
    for (; !restFits(packets, from, size, model); ++volumes) {
        from = latestCut(packets, from, -1, size, model);
        if (from < 0)
            return 0;
    }
    if (lastBegin)
        *lastBegin = from;
    return volumes;
}

double MediaSplitter::partEnd(const QList<FFprobePacket> &packets, const SizeModel &model, int part, int parts)
{
    if (packets.isEmpty() || parts < 1)
        return 0.0;
    // The packets' bytes, shared alike (each volume's index grows with them).
    const double header = double(model.header);
    return header + (model.end - header) * double(part) / double(parts);
}

int MediaSplitter::nearestCut(const QList<FFprobePacket> &packets, int begin, double target)
{
    int before = -1;
    for (int cut = std::max(begin, -1) + 1; cut < packets.size(); ++cut) {
        if (!packets.at(cut).key)
            continue;
        const double pos = double(packets.at(cut).pos);
        if (pos >= target) {
            // The positions grow with the packets: no later key packet is nearer.
            return before >= 0 && target - double(packets.at(before).pos) <= pos - target ? before : cut;
        }
        before = cut;
    }
    return before;
}

double MediaSplitter::timeAtByte(const QList<FFprobePacket> &seen, const ListingFrame &frame, double byte)
{
    // Between the packets listed (in the order of their positions), and the input's start
    // and end, the bytes are taken as spread evenly over the time.
    double time = frame.start;
    double pos = 0.0;
    for (const FFprobePacket &packet : seen) {
        if (double(packet.pos) >= byte) {
            const double bytes = double(packet.pos) - pos;
            return bytes > 0.0 ? time + (packet.time - time) * (byte - pos) / bytes : time;
        }
        time = packet.time;
        pos = double(packet.pos);
    }
    const double bytes = double(frame.inputSize) - pos;
    return bytes > 0.0 ? time + (frame.end - time) * std::min(1.0, (byte - pos) / bytes) : time;
}

QList<MediaSplitter::Window> MediaSplitter::nearWindows(double start, double end, const QList<double> &cuts)
{
    const double length = end - start;
    if (!(length > 0.0) || cuts.isEmpty())
        return {};
    const double reach = std::clamp(length * NearCutShare, NearCutReachLeast, NearCutReachMost);
    QList<Window> windows{{start, start + reach}};
    const auto add = [&windows](Window window) {
        if (window.from <= windows.last().to)
            windows.last().to = std::max(windows.last().to, window.to);
        else
            windows << window;
    };
    for (double cut : cuts)
        add({cut - reach, cut + reach});
    add({end - reach, std::numeric_limits<double>::infinity()});
    double listed = 0.0;
    for (const Window &window : std::as_const(windows))
        listed += std::min(window.to, end) - window.from;
    return listed <= length * NearListingShare ? windows : QList<Window>();
}

QString MediaSplitter::intervalsText(const QList<Window> &windows)
{
    // The first window from the input's start, the last to its end.
    QStringList intervals;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const QString from = i == 0 ? QString() : secondsText(windows.at(i).from);
        const QString to = qIsFinite(windows.at(i).to) ? secondsText(windows.at(i).to) : QString();
        intervals << from + QLatin1Char('%') + to;
    }
    return intervals.join(QLatin1Char(','));
}

bool MediaSplitter::joinWindows(QList<FFprobePacket> &packets, const QList<Window> &windows, QList<int> &gaps,
                                bool *landed)
{
    QList<FFprobePacket> joined;
    gaps.clear();
    QList<qsizetype> gapWindows;
    QHash<qint64, double> listed;
    qsizetype window = 0;
    for (const FFprobePacket &packet : std::as_const(packets)) {
        if (packet.pos < 0)
            return false;
        if (!joined.isEmpty() && packet.pos <= joined.last().pos) {
            // Listed again by the next window; anything else goes back.
            const auto same = listed.constFind(packet.pos);
            if (same == listed.cend() || std::abs(same.value() - packet.time) > TimeTolerance)
                return false;
            continue;
        }
        // FFprobe ends a window before its first packet at or past the window's end: a packet
        // there is the next window's.
        bool next = false;
        while (window + 1 < windows.size() && packet.time >= windows.at(window).to) {
            ++window;
            next = true;
        }
        if (next && !joined.isEmpty()) {
            gaps << int(joined.size());
            gapWindows << window;
        }
        listed.insert(packet.pos, packet.time);
        joined << packet;
    }
    packets = joined;
    if (landed)
        *landed = seeksLanded(packets, windows, gaps, gapWindows);
    return true;
}

bool MediaSplitter::seeksLanded(const QList<FFprobePacket> &packets, const QList<Window> &windows,
                                const QList<int> &gaps, const QList<qsizetype> &gapWindows)
{
    // FFprobe seeks to a window's start as FFmpeg seeks to a volume's: where the window begins
    // after a gap at the latest key packet at or before its start, the container's seeks land
    // where its key frames are.
    if (gaps.isEmpty())
        return false;
    for (qsizetype i = 0; i < gaps.size(); ++i) {
        // A seek to a time within a picture of a key frame (AVI counts its seeks in pictures)
        // lands on it.
        const FFprobePacket &first = packets.at(gaps.at(i));
        const double from = windows.at(gapWindows.at(i)).from;
        if (!first.key || first.time > from + std::max(TimeTolerance, first.duration))
            return false;
        const int end = i + 1 < gaps.size() ? gaps.at(i + 1) : int(packets.size());
        for (int next = gaps.at(i) + 1; next < end; ++next) {
            if (packets.at(next).key) {
                if (packets.at(next).time <= from + TimeTolerance)
                    return false;
                break;
            }
        }
    }
    return true;
}

bool MediaSplitter::nearCutsHold(const QList<FFprobePacket> &packets, const QList<int> &gaps, const SizeModel &model,
                                 int parts)
{
    // No gap after `a` up to `b`.
    const auto together = [&gaps](int a, int b) {
        return std::none_of(gaps.cbegin(), gaps.cend(), [=](int gap) { return gap > a && gap <= b; });
    };
    const auto nextKey = [&packets](int index) {
        for (int next = index + 1; next < packets.size(); ++next) {
            if (packets.at(next).key)
                return next;
        }
        return -1;
    };
    // The volumes begin at the first key packet, which the input's first window holds.
    int begin = packets.isEmpty() || packets.first().key ? 0 : nextKey(0);
    if (begin < 0 || !together(0, begin))
        return false;
    for (int part = 1; part < parts; ++part) {
        const double target = partEnd(packets, model, part, parts);
        // The first key packet at or past the part's end, and the last one before it.
        int after = nextKey(begin);
        int before = begin;
        while (after >= 0 && double(packets.at(after).pos) < target) {
            before = after;
            after = nextKey(after);
        }
        if (after < 0 || !together(before, after))
            return false;
        const int cut = nearestCut(packets, begin, target);
        const int following = nextKey(cut);
        if (following >= 0 ? !together(cut, following) : !together(cut, int(packets.size()) - 1))
            return false;
        begin = cut;
    }
    return true;
}

bool MediaSplitter::nearCutsMissed(const QList<FFprobePacket> &packets, const QList<int> &gaps,
                                   const SizeModel &model, int parts)
{
    if (packets.isEmpty())
        return false;
    for (int part = 1; part < parts; ++part) {
        const double target = partEnd(packets, model, part, parts);
        bool within = false;
        for (qsizetype window = 0; window <= gaps.size() && !within; ++window) {
            const qsizetype first = window == 0 ? 0 : gaps.at(window - 1);
            const qsizetype last = (window < gaps.size() ? gaps.at(window) : packets.size()) - 1;
            within = double(packets.at(first).pos) <= target && target <= double(packets.at(last).pos);
        }
        if (!within)
            return true;
    }
    return false;
}

QString MediaSplitter::listingFault(const QList<FFprobePacket> &packets, qsizetype unreadLines,
                                    const ListingFrame &frame)
{
    if (unreadLines > 0)
        return tr("FFprobe's listing has lines without a packet's time: %1").arg(unreadLines);
    if (packets.isEmpty())
        return tr("FFprobe listed no packet");
    // A packet's time may precede the stream's start a little (decoding times, where a packet
    // has no presentation time), and exceed its end where the header only estimates it; not
    // by the stream's whole length.
    const double length = std::max(frame.end - frame.start, 0.0);
    const double earliest = frame.start - ListedTimeSlack;
    const double latest = frame.end + std::max(ListedTimeSlack, length);
    double keyTime = -std::numeric_limits<double>::infinity();
    double decoded = -std::numeric_limits<double>::infinity();
    qint64 keyPos = -1;
    double reached = -std::numeric_limits<double>::infinity();
    for (const FFprobePacket &packet : packets) {
        if (!(packet.time >= earliest && packet.time <= latest)) {
            return tr("FFprobe listed a packet at %1 s, outside the input's %2 s to %3 s")
                .arg(packet.time)
                .arg(frame.start)
                .arg(frame.end);
        }
        if (packet.pos > frame.inputSize) {
            return tr("FFprobe listed a packet at byte %1 of an input of %2 bytes")
                .arg(packet.pos)
                .arg(frame.inputSize);
        }
        // Key frames come in the order they are shown, whatever the pictures between them.
        if (packet.key) {
            if (packet.time <= keyTime)
                return tr("FFprobe listed a key packet at %1 s after one at %2 s").arg(packet.time).arg(keyTime);
            keyTime = packet.time;
            // The volumes are cut where the key packets lie in the file (byte positions all 0
            // would put every cut at the input's start).
            if (packet.pos >= 0 && packet.pos <= keyPos)
                return tr("FFprobe listed a key packet at byte %1 after one at byte %2").arg(packet.pos).arg(keyPos);
            keyPos = std::max(keyPos, packet.pos);
        }
        // Packets are stored in the order they are decoded: a listing whose lines are out of
        // that order would have the volumes count packets that are not where it says.
        if (qIsFinite(packet.decodeTime)) {
            if (packet.decodeTime < decoded - TimeTolerance)
                return tr("FFprobe listed a packet decoded at %1 s after one decoded at %2 s")
                    .arg(packet.decodeTime)
                    .arg(decoded);
            decoded = std::max(decoded, packet.decodeTime);
        }
        reached = std::max(reached, packet.time + packet.duration);
    }
    // Stopped short of the stream's end: unless the file itself ends there (cut short, its
    // header still claiming the whole length), what follows was never listed.
    qint64 lastPos = -1;
    for (const FFprobePacket &packet : packets)
        lastPos = std::max(lastPos, packet.pos);
    const double tail = length > 0.0 ? double(frame.inputSize) * ListedTailSeconds / length : 0.0;
    if (reached < frame.end - ListedTimeSlack && (lastPos < 0 || double(frame.inputSize - lastPos) > tail)) {
        return tr("FFprobe's listing stops at %1 s of %2 s").arg(reached).arg(frame.end);
    }
    return QString();
}

int MediaSplitter::latestCut(const QList<FFprobePacket> &packets, int begin, int below, qint64 size,
                             const SizeModel &model)
{
    const qsizetype limit = below < 0 ? packets.size() : std::min<qsizetype>(below, packets.size());
    int found = -1;
    for (int cut = begin + 1; cut < limit && expectedSize(packets, begin, cut, model) <= double(size); ++cut) {
        if (packets.at(cut).key)
            found = cut;
    }
    return found;
}

double MediaSplitter::learnedRatio(double ratio, qint64 written, qint64 header, qint64 span)
{
    return span > 0 ? std::max(ratio, (double(written) - double(header)) / double(span)) : ratio;
}

QStringList MediaSplitter::volumeOptions(const VolumeCut &cut, const QString &reference, bool timesIn90kHz)
{
    const QString time = timesIn90kHz ? QStringLiteral("pts/90000") : QStringLiteral("pts*tb");
    QStringList options;
    // A seek lands before the volume's first picture, or the demuxer gives each stream from
    // its own packet at or before it: what comes before the picture belongs to the volume
    // before. FFmpeg's times count from the seek.
    if (!cut.first) {
        const QString early = QStringLiteral("noise=drop=lt(%1\\,%2)")
                                  .arg(time, secondsText(cut.begin - BoundaryLead - cut.seek));
        options << QStringLiteral("-bsf:a") << early << QStringLiteral("-bsf:s") << early;
    }
    // The reference stream's packets are counted (with B-frames, the next volume's first
    // picture is read before pictures shown ahead of it); the others end at its time, and
    // with them the copy.
    QStringList counted;
    if (cut.skipTo >= 0)
        counted << QStringLiteral("lt(pos\\,%1)").arg(cut.skipTo);
    else if (cut.skip > 0)
        counted << QStringLiteral("lt(n\\,%1)").arg(cut.skip);
    if (qIsFinite(cut.end) && cut.endPos >= 0)
        counted << QStringLiteral("gte(pos\\,%1)").arg(cut.endPos);
    else if (qIsFinite(cut.end))
        counted << QStringLiteral("gte(n\\,%1)").arg(cut.skip + cut.packets);
    if (!counted.isEmpty())
        options << QStringLiteral("-bsf:") + reference << QStringLiteral("noise=drop=") + counted.join(QLatin1Char('+'));
    if (qIsFinite(cut.end))
        options << QStringLiteral("-t") << secondsText(cut.end - BoundaryLead - cut.seek);
    return options;
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

QString MediaSplitter::seekText(double seconds)
{
    const qint64 micro = qIsFinite(seconds) && seconds > 0.0 ? qRound64(seconds * 1e6) : 0;
    const qint64 minute = 60 * 1000000LL;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(micro / (60 * minute), 2, 10, QLatin1Char('0'))
        .arg(micro / minute % 60, 2, 10, QLatin1Char('0'))
        .arg(micro / 1000000 % 60, 2, 10, QLatin1Char('0'))
        .arg(micro % 1000000, 6, 10, QLatin1Char('0'));
}

bool MediaSplitter::awaitListing()
{
    if (m_listed)
        return true;
    if (!m_listing)
        return false;
    // The window handles its events while FFprobe lists the input.
    const SyncRunner::LoadScope scope;
    const bool whole = waitForListing();
    m_packets = m_listing->packets();
    const qsizetype unread = m_listing->unreadLines();
    const bool cutShort = m_listing->cutShort();
    dropListing();
    // Not even asked again: no other listing would answer.
    if (cutShort)
        return false;
    if (m_nearCuts) {
        bool landed = false;
        const bool joined = whole && joinWindows(m_packets, m_windows, m_gaps, &landed);
        if (joined && takeNearListing(unread)) {
            // No trial copy needs to tell it again.
            m_seeksTried = m_seeksTried || landed;
            return true;
        }
        // Not told: the next listing near the cuts puts them where these packets say the
        // bytes lie; packets that cannot be cut by position are listed whole.
        m_nearCuts = joined && m_listingFault.isEmpty() && m_nearListings < NearListings
                     && nearCutsMissed(m_packets, m_gaps, m_model, m_volumeCount) && seeNearListing()
                     && startNearListing();
        m_listingFault.clear();
        return m_nearCuts ? awaitListing() : listWhole();
    }
    if (!whole)
        return false;
    // Before any volume is copied: a volume planned from packets that are not all there
    // would leave pictures out, or take them twice.
    m_listingFault = listingFault(m_packets, unread, m_listingFrame);
    if (!m_listingFault.isEmpty()) {
        m_packets.clear();
        return false;
    }
    fillPositions(m_packets, m_inputStart, m_duration, m_inputSize);
    m_model = sizeModel(m_packets, m_inputSize);
    m_listed = true;
    qCDebug(lcEncoder).noquote() << "MediaSplitter::awaitListing()" << m_packets.size() << "packets, header"
                       << m_model.header << "bytes, proportion" << m_model.ratio;
    return true;
}

bool MediaSplitter::waitForListing()
{
    const int quiet = m_ffprobe->finishTimeout();
    if (m_listing->waitForEnd(quiet))
        return true;
    if (m_listing->cutShort()) {
        m_console->logNormal(tr("FFprobe's listing of %1 was cut short (%2); it is asked again with longer "
                                "time-outs.").arg(QFileInfo(m_input).fileName(), m_listing->failure()));
        m_listing->startAgain();
        if (m_listing->waitForEnd(quiet * SyncRunner::AgainFactor))
            return true;
    }
    if (m_listing->cutShort())
        m_listingFault = tr("FFprobe could not list its packets: %1").arg(m_listing->failure());
    return false;
}

bool MediaSplitter::startNearListing()
{
    // The parts' ends first as shares of the input's bytes.
    QList<double> cuts;
    const SizeModel model = m_seen.isEmpty() ? SizeModel{0, 1.0, 1.0, double(m_listingFrame.inputSize)}
                                             : sizeModel(m_seen, m_listingFrame.inputSize);
    for (int part = 1; part < m_volumeCount; ++part) {
        const double byte = double(model.header) + (model.end - double(model.header)) * part / m_volumeCount;
        cuts << timeAtByte(m_seen, m_listingFrame, byte);
    }
    m_windows = nearWindows(m_listingFrame.start, m_listingFrame.end, cuts);
    if (m_windows.isEmpty())
        return false;
    ++m_nearListings;
    m_packets.clear();
    m_gaps.clear();
    m_listing = m_ffprobe->startPacketListing(m_input, m_referenceStreams, this, intervalsText(m_windows));
    return m_listing;
}

bool MediaSplitter::seeNearListing()
{
    // Where the packets listed so far lie; their order by position is their order in time.
    for (const FFprobePacket &packet : std::as_const(m_packets)) {
        const auto at = std::lower_bound(m_seen.begin(), m_seen.end(), packet.pos,
                                         [](const FFprobePacket &seen, qint64 pos) { return seen.pos < pos; });
        if (at == m_seen.end() || at->pos != packet.pos)
            m_seen.insert(at, packet);
    }
    for (qsizetype i = 1; i < m_seen.size(); ++i) {
        if (m_seen.at(i).time <= m_seen.at(i - 1).time - ListedTimeSlack)
            return false;
    }
    return true;
}

bool MediaSplitter::takeNearListing(qsizetype unreadLines)
{
    m_listingFault = listingFault(m_packets, unreadLines, m_listingFrame);
    if (!m_listingFault.isEmpty())
        return false;
    m_model = sizeModel(m_packets, m_inputSize, m_gaps.isEmpty() ? 0 : m_gaps.last());
    if (!nearCutsHold(m_packets, m_gaps, m_model, m_volumeCount))
        return false;
    m_listed = true;
    qCDebug(lcEncoder).noquote() << "MediaSplitter::takeNearListing()" << m_packets.size() << "packets in"
                                 << m_gaps.size() + 1 << "windows";
    return true;
}

bool MediaSplitter::listWhole()
{
    qCDebug(lcEncoder).noquote() << "MediaSplitter::listWhole() the packets near the cuts do not tell them";
    m_packets.clear();
    m_gaps.clear();
    m_listing = m_ffprobe->startPacketListing(m_input, m_referenceStreams, this);
    return awaitListing();
}

MediaSplitter::ListingFrame MediaSplitter::listingFrame(qint64 inputSize) const
{
    // The reference stream's own start and length where the header gives them (the sound may
    // run on past the pictures), else the input's.
    ListingFrame frame{m_inputStart, m_inputStart + m_duration, inputSize};
    const QList<int> streams = m_referenceOutput == QLatin1String("v:0") ? m_ffprobe->videoStreams()
                                                                          : m_ffprobe->audioStreams();
    const QList<int> covers = attachedPictures();
    for (int stream : streams) {
        if (covers.contains(stream))
            continue;
        QHash<QString, QString> values;
        m_ffprobe->streamData(stream, values, {QStringLiteral("start_time"), QStringLiteral("duration")});
        bool started = false;
        bool lasts = false;
        const double start = values.value(QStringLiteral("start_time")).toDouble(&started);
        const double length = values.value(QStringLiteral("duration")).toDouble(&lasts);
        if (started && lasts && length > 0.0)
            frame = {start, start + length, inputSize};
        break;
    }
    return frame;
}

bool MediaSplitter::countVolumesNeeded()
{
    // A listing that failed is said when the first volume is planned.
    if (m_rule != VolumeRule::WithinSize || !m_listing || !awaitListing())
        return true;
    const int needed = volumesWithin(m_packets, firstKeyPacket(m_packets), m_volumeSize, m_model);
    if (needed == 0) {
        // Key frames further apart somewhere than the size holds: refused before anything is
        // copied, not after the volumes before them.
        fail(tr("Failed (position error) to continue split of %1").arg(QFileInfo(m_input).fileName()));
        return false;
    }
    if (needed <= m_volumeCount)
        return true;
    m_console->log(LogLevel::Normal, tr("Volumes of %1 within %2 bytes: %3 volumes instead of %4")
                                         .arg(QFileInfo(m_input).fileName())
                                         .arg(m_volumeSize)
                                         .arg(needed)
                                         .arg(m_volumeCount));
    m_volumeCount = needed;
    return true;
}

int MediaSplitter::firstKeyPacket(const QList<FFprobePacket> &packets)
{
    // A copy from the start leaves out the packets before the first key packet.
    const auto first = std::find_if(packets.cbegin(), packets.cend(),
                                    [](const FFprobePacket &packet) { return packet.key; });
    return first == packets.cend() ? 0 : int(first - packets.cbegin());
}

double MediaSplitter::timeOf(int index) const
{
    return m_packets.at(index).time - m_inputStart;
}

double MediaSplitter::nextKeyTime(int index) const
{
    for (int next = index + 1; next < m_packets.size(); ++next) {
        if (m_packets.at(next).key)
            return timeOf(next);
    }
    return std::numeric_limits<double>::infinity();
}

int MediaSplitter::keyPacketAt(double time) const
{
    for (int index = std::max(m_begin, 0); index < m_packets.size(); ++index) {
        if (m_packets.at(index).key && std::abs(timeOf(index) - time) <= TimeTolerance)
            return index;
    }
    return -1;
}

bool MediaSplitter::planVolume(int below)
{
    // The window handles its events while the engines answer; what this scope starts ahead and
    // does not take ends with it (the trials for the next volume start once it has ended).
    const SyncRunner::LoadScope scope;
    m_end = -1;
    m_endSeek = 0.0;
    m_endUntried = false;
    const bool equalParts = m_rule == VolumeRule::EqualParts;
    // A single volume takes the whole input, the last of equal parts the rest of it.
    if (m_volumeCount <= 1 || (equalParts && m_currentVolume >= m_volumeCount))
        return true;
    const QString inputName = QFileInfo(m_input).fileName();
    if (!awaitListing()) {
        fail(m_listingFault.isEmpty() ? tr("Failed to start split part #%1 of %2: could not analyze input media file")
                                            .arg(m_currentVolume)
                                            .arg(inputName)
                                      : tr("Failed to start split of %1: %2").arg(inputName, m_listingFault));
        return false;
    }
    if (m_begin < 0)
        m_begin = m_firstKey = firstKeyPacket(m_packets);
    if (equalParts) {
        // No key packet follows: this volume takes the rest, and the split ends early.
        m_end = nearestCut(m_packets, m_begin, partEnd(m_packets, m_model, m_currentVolume, m_volumeCount));
        if (m_end < 0)
            return true;
    } else {
        // The rest of the input fits: this volume is the last one written.
        if (below < 0 && restFits(m_packets, m_begin, m_volumeSize, m_model))
            return true;
        m_end = latestCut(m_packets, m_begin, below, m_volumeSize, m_model);
        if (m_end < 0) {
            // No key packet after the volume's first one is near enough: the volume would be
            // larger than asked.
            fail(tr("Failed (position error) to continue split of %1").arg(inputName));
            return false;
        }
        // A volume copied larger than expected leaves more for the volumes after it.
        if (m_currentVolume >= m_volumeCount) {
            m_volumeCount = m_currentVolume + 1;
            m_console->log(LogLevel::Normal, tr("Volumes of %1 within %2 bytes: %3 volumes")
                                                 .arg(inputName)
                                                 .arg(m_volumeSize)
                                                 .arg(m_volumeCount));
        }
    }
    m_endSeek = seekToCut(m_end);
    qCDebug(lcEncoder).noquote() << "MediaSplitter::planVolume() volume" << m_currentVolume << "from"
                       << timeOf(m_begin) << "to" << timeOf(m_end) << "expected"
                       << expectedSize(m_packets, m_begin, m_end, m_model) << "bytes, next seek" << m_endSeek;
    return true;
}

double MediaSplitter::seekToCut(int &cut)
{
    const double previous = timeOf(m_begin);
    const double at = timeOf(cut);
    const double next = nextKeyTime(cut);
    const QList<double> seeks = seekCandidates(m_seeking, previous, at, next);
    if (!seeks.isEmpty() && seekLandsOnCut(m_seeking, at, next)) {
        // Until one such seek has been seen to land there (a file cut short has no index to
        // seek by), it is tried beside the volume's copy.
        m_endUntried = !m_seeksTried;
        return seeks.first();
    }
    for (double seek : seeks) {
        const int begins = trialCopyBegin(seek);
        if (begins < 0)
            continue;
        const CopyBegin verdict = judgeCopyBegin(timeOf(begins), previous, at);
        if (verdict == CopyBegin::TooLate)
            continue;
        if (verdict == CopyBegin::Repeats)
            break;
        // At the key packet, or an earlier one: the volume ends there. A seek further back
        // would land earlier still.
        cut = begins;
        return seek;
    }
    // No seek lands between the volume's first packet and the cut (a file cut short has no
    // index to seek by): the next volume is copied from the start, its reference stream's
    // packets before the cut left out.
    qCDebug(lcEncoder).noquote() << "MediaSplitter::seekToCut() no seek lands at" << at << "after" << previous;
    return 0.0;
}

void MediaSplitter::takeSeekTrial()
{
    if (!m_endUntried)
        return;
    const SyncRunner::LoadScope scope;
    m_endUntried = false;
    if (trialCopyBegin(m_beginSeek) == m_begin) {
        m_seeksTried = true;
        return;
    }
    // The seek lands before the volume's first packet: it is copied from the start.
    qCDebug(lcEncoder).noquote() << "MediaSplitter::takeSeekTrial() the seek from" << m_beginSeek << "lands elsewhere";
    m_beginSeek = 0.0;
}

int MediaSplitter::trialCopyBegin(double seek)
{
    QString hash;
    double time = qQNaN();
    if (!m_ffmpeg->firstCopiedPacket(hash, m_input, seekText(seek), m_referenceStreams, &time) || !qIsFinite(time))
        return -1;
    const int begins = keyPacketAt(time - m_inputStart);
    qCDebug(lcEncoder).noquote() << "MediaSplitter::trialCopyBegin() from" << seek << "the copy begins at"
                       << time - m_inputStart << "packet" << begins;
    return begins;
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
    const QString inputName = QFileInfo(m_input).fileName();
    int below = -1; // a volume copied again ends before this packet
    if (!m_currentOutput.isEmpty()) {
        if (!volumeFits()) {
            m_console->log(LogLevel::Normal,
                           tr("Volume %1 of %2 holds %3 bytes, more than %4: it is copied again to end earlier")
                               .arg(m_currentVolume)
                               .arg(inputName)
                               .arg(QFileInfo(m_currentOutput).size())
                               .arg(m_volumeSize));
            if (!m_names.empty(m_currentVolume)) {
                fail(tr("Failed to split part #%1 of %2: could not empty %3")
                         .arg(m_currentVolume)
                         .arg(inputName, m_currentOutput));
                return;
            }
            below = m_end < 0 ? int(m_packets.size()) : m_end;
        } else if (m_end < 0) {
            // The volume that took the rest of the input.
            if (m_currentVolume < m_volumeCount)
                m_console->log(LogLevel::Quiet, tr("Warning: done in %1 part instead of %2, terminating split of %3")
                                                    .arg(m_currentVolume)
                                                    .arg(m_volumeCount)
                                                    .arg(inputName));
            finish();
            return;
        } else {
            m_begin = m_end;
            m_beginSeek = m_endSeek;
            takeSeekTrial();
        }
    }
    if (below < 0) {
        // A count below 1 ends here too: nothing else would stop the volumes.
        if (m_currentVolume >= m_volumeCount) {
            finish();
            return;
        }
        ++m_currentVolume;
    }
    qCDebug(lcEncoder).noquote() << "MediaSplitter::startNextJob() Start next split:" << m_currentVolume
                       << m_input << m_partBaseName;
    if (!(m_duration > 0.0)) {
        fail(tr("Warning: done in %1 part instead of %2, terminating split of %3")
                 .arg(m_currentVolume - 1)
                 .arg(m_volumeCount)
                 .arg(inputName));
        return;
    }
    if (planVolume(below)) {
        dropTrialCopies();
        queueVolume();
    }
}

bool MediaSplitter::volumeFits()
{
    // Only a limit is held to, and only where the listing tells where a volume may end.
    if (m_rule != VolumeRule::WithinSize || !m_listed)
        return true;
    const qint64 written = QFileInfo(m_currentOutput).size();
    // A copy stopped by the size limit tells how far it came; the last volume runs to the
    // input's end, and is measured as the rest is expected: to the last packet.
    const int last = int(m_packets.size()) - 1;
    const qint64 endPos = m_packets.at(std::min({m_end < 0 ? last : m_end, m_begin + copiedPictures(), last})).pos;
    m_model.ratio = learnedRatio(m_model.ratio, written, m_model.header, endPos - m_packets.at(m_begin).pos);
    qCDebug(lcEncoder).noquote() << "MediaSplitter::volumeFits() volume" << m_currentVolume << "holds" << written
                       << "bytes of" << m_volumeSize << "; proportion now" << m_model.ratio;
    return written <= m_volumeSize;
}

int MediaSplitter::copiedPictures() const
{
    QFile progress(m_progress ? m_progress->fileName() : QString());
    const int frames = progress.open(QIODevice::ReadOnly) ? copiedFrames(QString::fromUtf8(progress.readAll())) : -1;
    return frames > 0 ? frames : std::numeric_limits<int>::max() / 2;
}

void MediaSplitter::queueVolume()
{
    const QString inputName = QFileInfo(m_input).fileName();
    // Into the empty file made for the volume (a volume the size added beyond those taken
    // takes its name now), which nobody else may have written meanwhile.
    m_currentOutput = m_names.path(m_currentVolume);
    while (m_names.count() < m_currentVolume && m_names.takeNext()) {
    }
    if (!m_names.untouched(m_currentVolume)) {
        fail(tr("Failed to split part #%1 of %2: %3 was made or written by another program")
                 .arg(m_currentVolume)
                 .arg(inputName, QDir::toNativeSeparators(m_currentOutput)));
        return;
    }
    const bool last = m_end < 0;
    const bool limited = m_rule == VolumeRule::WithinSize && m_listed;
    VolumeCut cut;
    cut.first = m_begin == m_firstKey && !m_picturesFirst;
    cut.seek = m_beginSeek;
    cut.begin = m_begin >= 0 ? timeOf(m_begin) : 0.0;
    if (!cut.first && !(m_beginSeek > 0.0)) {
        cut.skip = m_begin - m_firstKey;
        if (m_nearCuts)
            cut.skipTo = m_packets.at(m_begin).pos;
    }
    if (!last) {
        cut.end = timeOf(m_end);
        cut.packets = m_end - m_begin;
        if (m_nearCuts)
            cut.endPos = m_packets.at(m_end).pos;
    }
    QStringList options = volumeOptions(cut, m_referenceOutput, m_timesIn90kHz) + m_coverOptions;
    // What an earlier copy wrote is gone.
    if (limited && m_progress && m_progress->resize(0))
        options << QStringLiteral("-progress") << fileArgument(m_progress->fileName());
    // The size limit only stops a copy that runs past the size asked (it is then copied
    // again): one byte more, so that a copy it stopped is always larger than asked, also in
    // containers that write nothing after their last packet. Equal parts have none.
    const qint64 sizeLimit = limited ? m_volumeSize + 1 : 0;
    QString program;
    QStringList arguments;
    QString error;
    m_ffmpeg->cliCmdSplit(program, arguments, error, m_input, m_currentOutput, seekText(m_beginSeek), sizeLimit,
                          options, true);
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
    // Its sound is the input's own, in the input's own container.
    setSources(job, {m_input});
    prefetchTrialCopies();
    if (!m_started) {
        m_started = true;
        emit started();
    }
    if (job->isFinished())
        startNextJob();
    else
        connect(job, &Job::finished, this, &MediaSplitter::startNextJob);
}

// While a volume is copied, trial copies start for the seek of its end that has not been tried,
// and where the next volume's end is expected, so that the next volume takes their answers
// instead of waiting for FFmpeg.
void MediaSplitter::prefetchTrialCopies()
{
    if (m_endUntried)
        prefetchTrialCopy(m_endSeek);
    if (m_end < 0 || m_currentVolume + 1 >= m_volumeCount || !m_listed)
        return;
    const bool equalParts = m_rule == VolumeRule::EqualParts;
    if (!equalParts && restFits(m_packets, m_end, m_volumeSize, m_model))
        return;
    const int cut = equalParts ? nearestCut(m_packets, m_end, partEnd(m_packets, m_model, m_currentVolume + 1, m_volumeCount))
                               : latestCut(m_packets, m_end, -1, m_volumeSize, m_model);
    if (cut <= m_end)
        return;
    const double next = nextKeyTime(cut);
    const QList<double> seeks = seekCandidates(m_seeking, timeOf(m_end), timeOf(cut), next);
    if (!seeks.isEmpty() && !seekLandsOnCut(m_seeking, timeOf(cut), next))
        prefetchTrialCopy(seeks.first());
}

void MediaSplitter::prefetchTrialCopy(double seek)
{
    m_trialSeeks << seekText(seek);
    qCDebug(lcEncoder).noquote() << "MediaSplitter::prefetchTrialCopy() from" << m_trialSeeks.last();
    m_ffmpeg->prefetchFirstCopiedPacket(m_input, m_trialSeeks.last(), m_referenceStreams);
}

void MediaSplitter::dropTrialCopies()
{
    for (const QString &seek : std::as_const(m_trialSeeks))
        m_ffmpeg->dropFirstCopiedPacket(m_input, seek, m_referenceStreams);
    m_trialSeeks.clear();
}

void MediaSplitter::dropListing()
{
    delete m_listing;
    m_listing = nullptr;
}

void MediaSplitter::finish()
{
    // The volumes never written give their names back.
    m_names.release();
    dropTrialCopies();
    dropListing();
    delete m_progress;
    m_progress = nullptr;
    emit finished();
}

void MediaSplitter::fail(const QString &text)
{
    m_console->log(LogLevel::Quiet, text);
    finish();
}
