#pragma once

#include "encoder/mediaeditor.h"

#include "engines/ffprobepacket.h"

#include <QList>
#include <QPointer>
#include <QtNumeric>
#include <QString>
#include <QStringList>

class FileCloseWatcher;
class PacketListing;
class FFmpeg;
class FFprobe;
class Job;
class QTemporaryFile;

// Cuts one movie file into volumes of a chosen size with FFmpeg stream copies: one job per
// volume, each prepared only when the previous one has ended, because a volume starts
// where FFprobe says the previous one ended.
//
// A stream copy cannot start between key frames: FFmpeg starts each volume at the key frame
// at or before the whole second asked for (or, in formats without a key-frame index, at the
// first key frame after the packet it seeks to), so a volume covers more, or less, than that
// second plus its measured length. Where a volume really ends in the input is found by
// looking up its first packet in the input (by the hash of its data) and adding the span of
// the volume's own packet times; the next volume is cut from the end's whole second, or the
// latest earlier one, from which FFmpeg's copy begins at or before that end (tried beforehand
// with a one-packet copy), and from the second after the end's only when none does.
// That copy must begin after the previous volume began: a volume shorter than the input's
// key-frame interval leaves no key frame to begin the next one from, and the split stops
// with the position error instead of writing the same pictures again.
//
// The work between two volumes is kept short: while a volume is copied, its FFprobe run is
// started and waits, loaded, for the copy's end, and the trial copies for the next volume
// run from the seconds where the volume should end.
//
// Where seeks land on key frames and the volumes are many, the input's packets of the
// reference stream are listed once instead (beside the first copy): each copy tells how
// many pictures it wrote (FFmpeg's progress file), which are that many packets from where
// it began, and the input's key frames tell where every copy begins; no engine runs between
// two volumes.
class MediaSplitter : public MediaEditor
{
    Q_OBJECT

public:
    explicit MediaSplitter(JobManager *host);
    ~MediaSplitter() override;

    // Failures are reported on the console only.
    void startSplit(const QString &input, int volumeCount, qint64 volumeSize);
    // Starts the analysis of an input that a split may be asked for soon (while the user
    // chooses its volumes), so that startSplit() takes its answer; one not taken is ended by
    // dropInputAnalysis().
    static void prefetchInputAnalysis(const QString &input);
    static void dropInputAnalysis(const QString &input);

    QString partBaseName() const { return m_partBaseName; }
    QString currentOutput() const { return m_currentOutput; }
    int currentVolume() const { return m_currentVolume; }

    // "hh:mm:ss" of a position in seconds, fractions dropped, counting again from
    // 00:00:00 at 24 hours.
    static QString startTimeText(double position);
    // The whole second that startTimeText() writes, as a number.
    static double startSecond(double position);
    // Where, in seconds from the input's start, a volume begins and ends.
    struct VolumeSpan
    {
        double begin = 0.0;
        double end = 0.0;
    };
    // The span of a volume that was cut from the whole second `startSecond`. `inputWindow`: the input's packets of the reference stream around
    // that second; `inputStart`: the input's start time. `length` and `volumeStart`: the
    // volume's measured duration and start time; `volumeHead`: its first packet of the
    // reference stream, `volumeTail`: those at its end. The volume starts where its first
    // packet lies in the input (the earliest identical packet), else at the input's last key
    // packet at or before the start second, else at that second.
    // `knownBegin`, when a number, is where the volume begins (the trial copy told).
    static VolumeSpan volumeSpan(double startSecond, double inputStart,
                                 const QList<FFprobePacket> &inputWindow, double length,
                                 double volumeStart, const QList<FFprobePacket> &volumeHead,
                                 const QList<FFprobePacket> &volumeTail, double knownBegin = qQNaN());

    // Where, from the input's start, a copy from the start begins: at the time of the stream's
    // first packet in `packets` when that is a key packet, else not a number (not known).
    static double firstCopiedTime(const QList<FFprobePacket> &packets, int stream, double inputStart);
    // A trial copy for the next volume that begins at `begin`, after a volume that began at
    // `previousBegin` and ends at `end`: it would repeat the previous volume, it fits, or it
    // begins too late (pictures between would be lost).
    enum class CopyBegin { Repeats, Fits, TooLate };
    static CopyBegin judgeCopyBegin(double begin, double previousBegin, double end);
    // Whether packets read up to a volume's end, `tail`, hold its last packets: they begin at
    // a key frame, or at or before `tailStart`.
    static bool tailCovers(const QList<FFprobePacket> &tail, double tailStart);
    // FFprobe's read intervals for the input's packets around a second (counted from the
    // input's start): 20 s on either side, from the beginning when the second is that early.
    static QString inputWindowIntervals(double second, double inputStart);
    // FFprobe's read intervals for a volume's analysis: its first packet, and the packets
    // from a guess of where its last ones lie, for a volume of that size.
    static QString volumeIntervals(double duration, qint64 volumeSize, qint64 inputSize);
    // Where a copy from `second` begins, by the key frames `keys` (times from the input's
    // start) listed from a volume's last packets, for a volume that ends at `end`: the latest at
    // or before the second; not a number when they cannot tell.
    static double keyFrameAtOrBefore(const QList<double> &keys, double second, double end);
    // FFmpeg's output options for the sound of a volume cut from `startSecond` whose pictures
    // begin at `begin` (not a number when not known), in a container whose seeks land on key
    // frames or not.
    static QStringList soundOptions(double startSecond, double begin, bool seeksToKeyFrames);
    // Whether a container's seeks land on a key frame, by FFprobe's format name.
    static bool seeksToKeyFrames(const QString &formatName);
    // Whether listing the input's packets once costs less than analysing each volume but
    // the last (the listing reads the whole input), and the listing of that many packets (an
    // estimate; not a number when not known) is kept within bounds.
    static bool listingPays(int volumeCount, qint64 inputSize, double packets);
    // The pictures FFmpeg wrote, by the last block of its progress file ("frame=N" ...
    // "progress=end"); -1 when the copy did not end (or wrote no such block).
    static int copiedFrames(const QString &progress);
    // The span of a volume that begins at `begin` (from the input's start) and holds `count`
    // packets of the reference stream, by the input's packets of that stream; false when
    // the input has no key packet there, or fewer packets from it.
    static bool listedSpan(VolumeSpan &span, const QList<FFprobePacket> &inputPackets, double inputStart,
                           double begin, int count);

signals:
    void finished();
    void started();

public slots:
    void startNextJob();

private:
    QString volumeFolder() const;
    int chooseDisambiguation(const QString &folder, const QString &baseName) const;
    // Measures the volume just written and finds where it lies in the input; false (after
    // failing the split) when FFprobe could not measure it.
    bool locateVolume(VolumeSpan &span);
    // The whole second to cut the next volume from, for a previous volume that ends at `end`;
    // false when no second gives a copy that begins after the previous volume began.
    bool chooseStartSecond(double &second, double end);
    // Where, from the input's start, a copy from the whole second `candidate` begins, by its
    // trial copy (the input's packets around `second` looked up when it gives only a hash);
    // false when it cannot tell.
    bool trialCopyBegin(double &begin, double candidate, QList<FFprobePacket> &window, double second);
    // Where a copy from `candidate` begins, by the key frames known, else by a trial copy.
    bool copyBegin(double &begin, double candidate, QList<FFprobePacket> &window, double second, double end);
    // The volume just written, by the input's packets and the pictures its copy wrote; false
    // when they cannot tell (it is then analysed).
    bool locateListedVolume(VolumeSpan &span);
    void dropInputListing();
    QList<FFprobePacket> inputWindow(double second);
    // The time, from the input's start, of the earliest packet in the window with this hash.
    static bool findInInput(double &time, const QString &hash,
                            const QList<FFprobePacket> &inputWindow, double inputStart);
    // The pictures a second of the loaded stream holds; not a number when not known.
    double frameRate(int stream);
    // Also gives the stream's index (-1 with none).
    QString chooseReferenceStreams(int &index) const;
    static QString inputHeadIntervals();
    void fail(const QString &text);
    bool analyseInput(QList<FFprobePacket> &firstPackets);
    bool prepareVolume(double &second);
    void prefetchVolumeAnalysis(qint64 expectedSize);
    void releaseVolumeAnalysis(const QString &volume);
    void dropVolumeAnalysis();
    void prefetchTrialCopies(qint64 expectedSize);
    void dropTrialCopies();

    FFmpeg *m_ffmpeg;
    FFprobe *m_ffprobe;
    QString m_currentOutput;
    // The job of the volume most recently queued: a volume that failed ends the split with
    // what happened to it.
    QPointer<Job> m_currentJob;
    int m_currentVolume = 0;
    double m_position = 0.0;
    double m_duration = 0.0;
    // The input's FORMAT start_time: FFmpeg's start seconds count from there.
    double m_inputStart = 0.0;
    // FFprobe's selection of the stream whose packets locate the volumes ("V:0", "a:0"),
    // empty when the input has neither.
    QString m_referenceStreams;
    // The whole second the most recently queued volume was cut from.
    double m_volumeStartSecond = 0.0;
    // Where the most recently measured volume begins in the input.
    double m_volumeBegin = 0.0;
    // Where FFmpeg's copy for the most recently queued volume begins in the input, as the
    // trial copy told (not a number when it could not tell).
    double m_queuedBegin = 0.0;
    // Where the first volume begins in the input, as its analysis told (not a number when
    // it could not tell).
    double m_firstBegin = 0.0;
    qint64 m_inputSize = 0;
    QString m_input;
    QString m_partBaseName;
    QString m_inputSuffix;
    QString m_partSuffix;
    int m_volumeCount = 0;
    qint64 m_volumeSize = 0;
    // The read intervals of the analysis of the volume most recently queued, and whether it
    // lists the first packet's hash (the trial copy could not tell where the volume begins).
    QString m_volumeIntervals;
    bool m_volumeHashes = false;
    // The volume as it was when its analysis was released (empty before): one that changed
    // since is analysed again.
    QString m_releasedState;
    bool m_seeksToKeyFrames = false;
    // Tells when FFmpeg has closed the volume being copied: its analysis reads it while
    // FFmpeg's process ends.
    FileCloseWatcher *m_volumeWatcher;
    // The key frames among the last packets of the volume most recently measured, from the
    // input's start (none where seeks do not land on key frames).
    QList<double> m_volumeKeys;
    // The start positions of the trial copies started while the current volume is copied.
    QStringList m_trialSeconds;
    // The input's packets of the reference stream are listed (by m_inputListing, as far as
    // it has come), and m_progress receives each copy's progress.
    bool m_listing = false;
    PacketListing *m_inputListing = nullptr;
    QList<FFprobePacket> m_inputPackets;
    QTemporaryFile *m_progress = nullptr;
    // m_volumeKeys holds the input's key frames, all those a copy after the volume may begin
    // at, not only the volume's own.
    bool m_keysWhole = false;
};
