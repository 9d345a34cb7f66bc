#pragma once

#include "encoder/mediaeditor.h"
#include "encoder/volumenames.h"

#include "engines/ffprobepacket.h"

#include <QList>
#include <QPointer>
#include <QtNumeric>

#include <functional>
#include <QString>
#include <QStringList>

class PacketListing;
class FFmpeg;
class FFprobe;
class Job;
class QTemporaryFile;

// Cuts one movie file into volumes of a chosen size with FFmpeg stream copies: one job per
// volume, each queued when the previous one has ended.
//
// The input's packets of one reference stream (its pictures, or its sound when it has none)
// are listed once, with their byte positions. A volume runs from one key packet of that
// stream to the one the next volume begins with, so that the volumes, one after the other,
// hold the input's pictures once each: none repeated, none left out. The other streams are
// cut at the time of that key packet: the next volume holds what comes from there.
//
// Where a volume ends is chosen before it is copied, against the whole input: of equal
// parts, at the key packet nearest to where its part of the input's bytes ends; within a
// size, at the latest key packet up to which the input's bytes, in the proportion the input's
// size bears to the bytes its packets span, stay within the size asked. (FFmpeg's own size
// limit stops before the index a container writes at its end, and mid-way between key
// frames.) A volume larger than the size all the same, the last too, is copied again, ending
// at an earlier key packet, and the proportion is learnt from it. The listing is trusted only
// when it lists every packet with a time and reaches the input's end.
//
// FFmpeg copies a volume from a seek that lands on its first key packet and keeps as many
// packets of the reference stream as the volume holds; the other streams end at the next
// volume's first picture (-t), and in a volume after the first begin there. Where the
// container's seeks land on a key frame by the listing, the seek is chosen from it; where they
// land on any packet, a trial copy of one packet tells where a copy from a seek begins.
class MediaSplitter : public MediaEditor
{
    Q_OBJECT

public:
    explicit MediaSplitter(JobManager *host);
    ~MediaSplitter() override;

    // What the volume size asks for. Equal parts: the size of each of volumeCount equal parts
    // of the input (the split dialog's "Split in %1 volumes"); volume k then ends at the key
    // frame nearest to k parts of the input, so that the volumes are as equal as the key
    // frames allow, the last one too. Within the size: a limit no volume, the last included,
    // exceeds (a disc's size); volumeCount is only what the input needs at the least, and
    // more volumes are made where the key frames leave the rest larger than the size.
    enum class VolumeRule { EqualParts, WithinSize };
    // Failures are reported on the console only.
    void startSplit(const QString &input, int volumeCount, qint64 volumeSize,
                    VolumeRule rule = VolumeRule::WithinSize);
    // Starts the analysis of an input that a split may be asked for soon (while the user
    // chooses its volumes), so that startSplit() takes its answer; one not taken is ended by
    // dropInputAnalysis().
    // The listing of all its packets too, where the split may need it: within a size, or
    // for a container whose packets are not cut by position.
    static void prefetchInputAnalysis(const QString &input, VolumeRule rule);
    // That listing alone, once the rule chosen needs it.
    static void prefetchListing(const QString &input, VolumeRule rule);
    static void dropInputAnalysis(const QString &input);
    // How many volumes a split of the input within `size` makes, planned from the listing
    // started ahead once it has listed the whole input; 0 while it runs, or where there is
    // none, or none to trust. `lastSize`: the last volume's expected size.
    static int volumesAhead(const QString &input, qint64 size, qint64 *lastSize = nullptr);
    // Calls `ready` (in the context's thread, while it lives) when the listing started ahead
    // for the input ends; nothing where none runs.
    static void whenListedAhead(const QString &input, QObject *context, const std::function<void()> &ready);

    QString partBaseName() const { return m_partBaseName; }
    QString currentOutput() const { return m_currentOutput; }
    int currentVolume() const { return m_currentVolume; }

    // FFmpeg's seek position, "hh:mm:ss.ffffff" (hours beyond 23 as they are); a position
    // that is no number, or below 0, is 0.
    static QString seekText(double seconds);

    // How a container's seeks land (by FFprobe's format name): on the key frame whose time is
    // the one asked for or before it (MP4 compares presentation times), on a key frame at or
    // before the time asked for, FFmpeg moving the time 3/23 s earlier for streams with
    // B-frames (AVI, Matroska, FLV), or on any packet, the copy then beginning at the next
    // key frame (MPEG program and transport streams, sound files).
    enum class Seeking { PresentationTime, KeyFrameAtOrBefore, AnyPacket };
    static Seeking seekingOf(const QString &formatName);
    // The seeks, from the input's start, to try for a copy that begins at a key packet at
    // `cut` (from the input's start), after one at `previous` and before the next at `next`
    // (infinite when none follows); the first lands there for sure when seekLandsOnCut().
    static QList<double> seekCandidates(Seeking seeking, double previous, double cut, double next);
    static bool seekLandsOnCut(Seeking seeking, double cut, double next);

    // Where a copy from a seek begins, for a volume that would begin at `begin` after one
    // that began at `previousBegin`, and end at the cut `end`: it would repeat the previous
    // volume, it fits, or it begins too late (pictures between would be lost).
    enum class CopyBegin { Repeats, Fits, TooLate };
    static CopyBegin judgeCopyBegin(double begin, double previousBegin, double end);

    // Gives each listed packet without a byte position the one of the packet before it (the
    // demuxer gives none to pictures it put together from several pieces), and every packet a
    // share of the input's size by its time when none has one.
    static void fillPositions(QList<FFprobePacket> &packets, double inputStart, double duration, qint64 inputSize);
    // How large a volume of the input's packets from `begin` to `end` (indices into the filled
    // listing) is expected: the input's bytes before its first packet (the container's
    // header), and the bytes between the two packets in a proportion learnt from the input
    // (its size to the bytes its packets span), then from the volumes written.
    struct SizeModel
    {
        qint64 header = 0;
        double ratio = 1.0;
        // The proportion learnt from the input alone: the volumes written may teach more.
        double inputRatio = 1.0;
        // Where the packets' bytes end: the last packet taken as large as those before it.
        double end = 0.0;
    };
    // `lastWindow`: the first packet of the last stretch listed without a gap (0: the whole
    // input was listed), over which the packets are as large as the last one is taken.
    static SizeModel sizeModel(const QList<FFprobePacket> &packets, qint64 inputSize, int lastWindow = 0);
    static double expectedSize(const QList<FFprobePacket> &packets, int begin, int end, const SizeModel &model);
    // The latest key packet after `begin` and before `below` (-1: the listing's end) at which a
    // volume from `begin` is expected within `size` bytes; -1 when there is none.
    static int latestCut(const QList<FFprobePacket> &packets, int begin, int below, qint64 size,
                         const SizeModel &model);
    // A volume from the packet `begin` to the input's end, expected as any other volume (its
    // header, and its packets' bytes in the proportion, which spreads what follows the last
    // packet over the packets), is within `size`.
    static bool restFits(const QList<FFprobePacket> &packets, int begin, qint64 size, const SizeModel &model);
    // How many volumes within `size` the input needs from the packet `begin` on, each as
    // large as the key packets allow; 0 when a volume finds no key packet to end at.
    // `lastBegin`: the packet the last of them begins at.
    static int volumesWithin(const QList<FFprobePacket> &packets, int begin, qint64 size, const SizeModel &model,
                             int *lastBegin = nullptr);
    // Where `part` of `parts` equal parts of the input's packets end, as a byte position.
    // The key packets near it are all a listing of the input's packets near its cuts needs.
    static double partEnd(const QList<FFprobePacket> &packets, const SizeModel &model, int part, int parts);
    // The key packet after `begin` whose byte position is nearest to `target` (the earlier of
    // two as near); -1 when no key packet follows `begin`.
    static int nearestCut(const QList<FFprobePacket> &packets, int begin, double target);

    // Equal parts of a long input are planned from its packets near where they are expected
    // to end, its first and its last: FFprobe reads a small part of it, not all of it. A
    // window of the input's times (seconds, as its packets give them) to list; `to` infinite:
    // to the input's end.
    struct Window
    {
        double from = 0.0;
        double to = 0.0;
    };
    // The windows around the times where the parts are expected to end (`cuts`), for an input
    // whose packets run from `start` to `end`, in time order and apart; empty when they would
    // read most of the input (then all of it is listed).
    static QList<Window> nearWindows(double start, double end, const QList<double> &cuts);
    // FFprobe's read intervals for them ("%4.000000,9.333333%17.333333,36.000000%").
    static QString intervalsText(const QList<Window> &windows);
    // The packets listed from the windows, in the input's order: a packet listed again (a
    // window's seek lands on a key frame the window before listed) is dropped. Gives the
    // indices at which a window's packets begin after a gap; false when a position is unknown
    // or goes back (then packets cannot be cut by position). `landed`: each window after a gap
    // began at the latest key packet at or before its start (FFprobe's seeks, as FFmpeg's,
    // landed on key frames).
    static bool joinWindows(QList<FFprobePacket> &packets, const QList<Window> &windows, QList<int> &gaps,
                            bool *landed = nullptr);
    static bool seeksLanded(const QList<FFprobePacket> &packets, const QList<Window> &windows,
                            const QList<int> &gaps, const QList<qsizetype> &gapWindows);
    // Every cut of `parts` equal parts is planned from packets listed without a gap between:
    // the key packets either side of where each part ends, and the one after the cut (a seek
    // past a key frame is judged by it).
    static bool nearCutsHold(const QList<FFprobePacket> &packets, const QList<int> &gaps, const SizeModel &model,
                             int parts);
    // Some part ends where no window was listed: the next windows are put where the packets
    // listed say its bytes lie. (Where a window holds it, its key frames are too far apart.)
    static bool nearCutsMissed(const QList<FFprobePacket> &packets, const QList<int> &gaps, const SizeModel &model,
                               int parts);

    // What the input's header says of the reference stream's listing: it runs from `start`
    // to `end` (seconds) in a file of `inputSize` bytes.
    struct ListingFrame
    {
        double start = 0.0;
        double end = 0.0;
        qint64 inputSize = 0;
    };
    // Where in time the input reaches `byte`, by the packets listed so far (in the order of
    // their positions) and its start and end.
    static double timeAtByte(const QList<FFprobePacket> &seen, const ListingFrame &frame, double byte);
    // Why a listing of the reference stream cannot be planned from, in words for the user;
    // empty when it can. Not every line a packet with a time (the volumes would count
    // packets that are not there), times no file of that length holds, key packets out of
    // order in time or in the file, packets out of their decoding order, byte positions past
    // the input's end, or a listing that stops short of both the stream's end and the input's
    // last bytes.
    static QString listingFault(const QList<FFprobePacket> &packets, qsizetype unreadLines,
                                const ListingFrame &frame);
    // The proportion after a volume of `written` bytes held input packets that span `span`
    // bytes: it only grows, so that the volumes that follow are not expected smaller.
    static double learnedRatio(double ratio, qint64 written, qint64 header, qint64 span);

    // FFmpeg's output options for one volume, copied from a seek at `seek` (0: from the
    // input's start) and holding the input from `begin` to `end` (not a number: the input's
    // end), `packets` packets of the reference stream (the output stream `reference`, "v:0",
    // "a:0") after the first `skip` (a volume after the first copied from the start, where
    // seeks do not land where they should). The `first` volume keeps the other streams'
    // packets before its first picture. `timesIn90kHz`: FFmpeg 5.1's program-stream muxer
    // tells the bit-stream filters the sound's sample rate as time base while the packets'
    // times count in 90 kHz.
    // Where only the packets near the cuts were listed, the reference stream's packets are
    // kept by their byte positions instead: from `skipTo`, before `endPos` (-1: not so).
    struct VolumeCut
    {
        bool first = true;
        double seek = 0.0;
        double begin = 0.0;
        double end = qQNaN();
        int skip = 0;
        int packets = -1;
        qint64 skipTo = -1;
        qint64 endPos = -1;
    };
    static QStringList volumeOptions(const VolumeCut &cut, const QString &reference, bool timesIn90kHz);

    // The pictures FFmpeg wrote, by the last block of its progress file ("frame=N" ...
    // "progress=end"); -1 when the copy did not end (or wrote no such block).
    static int copiedFrames(const QString &progress);

signals:
    void finished();
    void started();

public slots:
    void startNextJob();

private:
    QString volumeFolder() const;
    bool analyseInput();
    // How the loaded input's container seeks, times its packets and numbers its streams.
    void readContainer();
    void resetVolumes();
    // Starts listing the input's reference stream (or takes the listing started with the
    // split dialog), and makes the file of the copies' progress.
    void startListing();
    // The input's packets were not listed near its cuts after all: all of them are.
    bool listWhole();
    // Starts listing the packets near where the parts are expected to end; false when that
    // would read most of the input.
    bool startNearListing();
    // Keeps where the packets just listed lie; false when their times do not follow their
    // positions.
    bool seeNearListing();
    // The packets listed near the cuts, joined: false when they do not tell every cut.
    bool takeNearListing(qsizetype unreadLines);
    // Also gives the stream's output specifier ("v:0", "a:0"); empty without such a stream.
    QString chooseReferenceStreams(QString &output) const;
    // The input's video streams that are cover pictures, and the options that map them.
    QList<int> attachedPictures() const;
    QStringList coverOptions() const;
    // The whole listing of the input, its positions filled and its proportion learnt; false
    // when FFprobe could not list it, or listed what cannot be trusted (m_listingFault says
    // why).
    bool awaitListing();
    // Waits for the listing to end, asking FFprobe again, with longer time-outs, where it was
    // cut short (m_listingFault says why when even that fails); true when it listed all.
    bool waitForListing();
    // What the loaded input's header says of its reference stream.
    ListingFrame listingFrame(qint64 inputSize) const;
    static int firstKeyPacket(const QList<FFprobePacket> &packets);
    // Within the size: the volumes the listing needs, when more than asked; false after
    // failing the split when no key frames let the volumes be within the size.
    bool countVolumesNeeded();
    // Where the volume being planned ends: the input's end for the last volume, or one that
    // holds the rest; else a cut before `below` (-1: anywhere) that a copy can begin at.
    // False after failing the split.
    bool planVolume(int below);
    // A seek from which FFmpeg's copy begins at the key packet `cut` (for sure, or as trial
    // copies tell), or at one between the volume's first packet and it (then in `cut`); 0 (a
    // copy from the start) when none does.
    double seekToCut(int &cut);
    // The copy from `seek` begins at this listed key packet; -1 when it cannot tell.
    int trialCopyBegin(double seek);
    // The volume about to be planned begins at a seek not tried before: its trial (run beside
    // the previous volume's copy) tells whether it lands there, else it is copied from the start.
    void takeSeekTrial();
    double timeOf(int index) const;
    // The time of the first key packet after this one; infinite when none follows.
    double nextKeyTime(int index) const;
    int keyPacketAt(double time) const;
    void queueVolume();
    // The volume just written: false (the proportion learnt) when it is larger than asked.
    bool volumeFits();
    // The pictures the last copy wrote, as its progress tells; very many when it does not.
    int copiedPictures() const;
    void prefetchTrialCopies();
    void prefetchTrialCopy(double seek);
    void dropTrialCopies();
    void dropListing();
    void finish();
    void fail(const QString &text);

    FFmpeg *m_ffmpeg;
    FFprobe *m_ffprobe;
    QString m_currentOutput;
    // The job of the volume most recently queued: a volume that failed ends the split with
    // what happened to it.
    QPointer<Job> m_currentJob;
    int m_currentVolume = 0;
    double m_duration = 0.0;
    // The input's FORMAT start_time: FFmpeg's seeks count from there.
    double m_inputStart = 0.0;
    qint64 m_inputSize = 0;
    QString m_input;
    QString m_partBaseName;
    // The volumes' names, taken from the split's plan to each volume's copy.
    VolumeNames m_names;
    QString m_inputSuffix;
    QString m_partSuffix;
    int m_volumeCount = 0;
    qint64 m_volumeSize = 0;
    VolumeRule m_rule = VolumeRule::WithinSize;
    // FFprobe's selection of the reference stream ("V:0", "a:0") and its place among the
    // volume's output streams ("v:0", "a:0").
    QString m_referenceStreams;
    QString m_referenceOutput;
    Seeking m_seeking = Seeking::AnyPacket;
    bool m_timesIn90kHz = false;
    // The first volume too begins with its first picture.
    bool m_picturesFirst = false;
    // A seek that lands on a key frame for sure has been seen to (the first is tried: a file
    // cut short has no index to seek by); the seek to the next volume is such a seek not
    // tried yet.
    bool m_seeksTried = false;
    bool m_endUntried = false;
    QStringList m_coverOptions;
    // The input's packets of the reference stream, as far as listed.
    PacketListing *m_listing = nullptr;
    QList<FFprobePacket> m_packets;
    bool m_listed = false;
    // Listed near the cuts only: the windows, and where their packets begin after a gap.
    bool m_nearCuts = false;
    int m_nearListings = 0;
    QList<Window> m_windows;
    QList<int> m_gaps;
    // The packets listed near the cuts so far, in the order of their positions.
    QList<FFprobePacket> m_seen;
    QString m_listingFault;
    ListingFrame m_listingFrame;
    SizeModel m_model;
    // The volume being written: its first packet (an index into the listing; -1 before the
    // listing is read), the seek its copy starts from, and where the next volume begins (-1:
    // this volume runs to the input's end) from which seek.
    int m_firstKey = -1;
    int m_begin = -1;
    double m_beginSeek = 0.0;
    int m_end = -1;
    double m_endSeek = 0.0;
    // Receives the progress of a copy whose pictures are the reference stream.
    QTemporaryFile *m_progress = nullptr;
    // The seeks of the trial copies started while the current volume is copied.
    QStringList m_trialSeeks;
    // started() is emitted once, with the first volume's job.
    bool m_started = false;
};
