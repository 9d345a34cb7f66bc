// The movie splitter: where a volume ends, and real splits of generated clips with FFmpeg,
// FFprobe and the extended job manager.

#include "encoder/mediamerger.h"
#include "encoder/mediasplitter.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "encodertesting.h"
#include "eventgaps.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "jobs/uniquebasename.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

Q_DECLARE_METATYPE(MediaSplitter::VolumeCut)

namespace {
// What a player meets decoding a file: the MD5 of each picture its video decodes to, in order,
// and the errors of decoding its picture and sound (one decode for both). FFmpeg's complaints
// about the time stamps its outputs are given, which a DVD's own VOB gives too, are no
// decoding errors.
struct Decoded
{
    QStringList pictures;
    QString errors;
};

Decoded decoded(const QString &file)
{
    QString out;
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", "0:v", "-f", "framemd5", "-", "-f", "null",
                              "/dev/null"}, &out, &err);
    Decoded result;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith('#')) // "0, dts, pts, duration, size, hash"
            result.pictures << line.section(',', 5).trimmed();
    }
    QStringList errors = err.split('\n', Qt::SkipEmptyParts);
    errors.removeIf([](const QString &line) { return line.contains("to muxer"); });
    result.errors = errors.join('\n');
    return result;
}

QStringList pictures(const QString &file)
{
    return decoded(file).pictures;
}

FFprobePacket packet(double time, bool key, qint64 pos)
{
    FFprobePacket result;
    result.time = time;
    result.duration = 0.04;
    result.key = key;
    result.pos = pos;
    return result;
}
} // namespace

namespace {
// A 40 s clip (160x120, 25 fps, a tone) in the given container and codecs.
// 40 s of AVI whose first 20 s hold most of its bytes (noise, then a still colour).
QString heavyStart()
{
    return TestMedia::clip("split-heavy-start.avi",
                           {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=20,noise=alls=80:allf=t", "-f",
                            "lavfi", "-i", "color=c=gray:size=160x120:rate=25:duration=20", "-f", "lavfi", "-i",
                            "sine=frequency=440:duration=40", "-filter_complex", "[0:v][1:v]concat=n=2:v=1:a=0[v]",
                            "-map", "[v]", "-map", "2:a", "-g", "50", "-c:v", "mpeg4", "-q:v", "4", "-c:a",
                            "libmp3lame", "-b:a", "64k"});
}

QString fortySeconds(const QString &name, const QStringList &codecs)
{
    return TestMedia::clip(name, QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=40", "-f",
                                             "lavfi", "-i", "sine=frequency=440:duration=40"}
                                     + codecs);
}

// MPEG-4 pictures with a key frame every 2 s and MP3 sound, in AVI.
QString aviClip()
{
    return fortySeconds("split-40s.avi", {"-g", "50", "-c:v", "mpeg4", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"});
}

// Splits the input into that many equal parts, as the split dialog divides it, or into
// volumes within that share of it, and waits for the split's end.
bool splitToEnd(MediaSplitter &splitter, const QString &input, int volumes, int timeoutMs = 30000,
                MediaSplitter::VolumeRule rule = MediaSplitter::VolumeRule::EqualParts)
{
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    const qint64 size = QFileInfo(input).size();
    splitter.startSplit(input, volumes, size / volumes + (size % volumes != 0 ? 1 : 0), rule);
    return finished.count() == 1 || finished.wait(timeoutMs);
}

// The most bytes the file holds from one key frame of its pictures to the next (or to its
// end): equal parts cut at key frames differ by no more.
qint64 largestGroup(const QString &file)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "V:0", "-show_entries", "packet=pos,flags", "-of",
                               "csv=p=0", file}, &out);
    qint64 largest = 0;
    qint64 previous = -1;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        if (!line.contains('K'))
            continue;
        const qint64 pos = line.section(',', 0, 0).toLongLong();
        if (previous >= 0)
            largest = std::max(largest, pos - previous);
        previous = pos;
    }
    return std::max(largest, QFileInfo(file).size() - previous);
}

// x264 with a key frame every 10 s and B-frames, as a film often comes.
QStringList longGop()
{
    return {"-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-g", "250", "-sc_threshold", "0", "-pix_fmt", "yuv420p"};
}

QString longGopH264()
{
    return fortySeconds("split-long-gop.mp4", {"-c:v", "libx264", "-preset", "ultrafast", "-bf", "2",
                                               "-sc_threshold", "0", "-pix_fmt", "yuv420p", "-c:a", "aac"});
}

// Where two lists of pictures part: empty when they are the same.
QString firstDifference(const QStringList &pictures, const QStringList &expected)
{
    for (qsizetype i = 0; i < std::min(pictures.size(), expected.size()); ++i) {
        if (pictures.at(i) != expected.at(i))
            return QString("picture %1 of %2 differs (%3 expected)").arg(i).arg(pictures.size()).arg(expected.size());
    }
    return pictures.size() == expected.size() ? QString()
                                              : QString("%1 pictures, %2 expected").arg(pictures.size()).arg(expected.size());
}

// The seconds of sound the first sound stream decodes to.
double soundLength(const QString &file)
{
    QString out;
    TestMedia::run("ffmpeg", {"-v", "error", "-i", file, "-map", "0:a:0", "-f", "framemd5", "-"}, &out);
    static const QRegularExpression timeBase("^#tb 0: (\\d+)/(\\d+)", QRegularExpression::MultilineOption);
    const QRegularExpressionMatch base = timeBase.match(out);
    qint64 ticks = 0;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith('#')) // "0, dts, pts, duration, size, hash"
            ticks += line.section(',', 3, 3).trimmed().toLongLong();
    }
    return base.hasMatch() ? double(ticks) * base.captured(1).toDouble() / base.captured(2).toDouble() : 0.0;
}

// A file's sound streams, and the packets of the first, in one reading.
struct Sound
{
    int streams = 0;
    int frames = 0;
};

Sound soundOf(const QString &file)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-count_packets", "-select_streams", "a", "-show_entries",
                               "stream=index,nb_read_packets", "-of", "csv=p=0", file}, &out);
    // "index,packets" a stream; a transport stream lists its streams once more in its program.
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    QSet<QString> indexes;
    for (const QString &line : lines)
        indexes.insert(line.section(',', 0, 0));
    return {int(indexes.size()), lines.value(0).section(',', 1, 1).toInt()};
}

int soundFrames(const QString &file)
{
    return soundOf(file).frames;
}

// The volumes merged as Job > Merge merges them; the merged file, empty when the merge failed.
QString mergeBack(const QStringList &volumes, const QString &output)
{
    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    MediaMerger merger(&host);
    QString error;
    bool accepted = merger.setReference(volumes.first(), error);
    for (qsizetype i = 1; accepted && i < volumes.size(); ++i)
        accepted = merger.addFile(volumes.at(i), error) == MediaMerger::Accepted;
    merger.setOutput(QFileInfo(output).path(), QFileInfo(output).fileName());
    QSignalSpy finished(&merger, &MediaMerger::finished);
    if (!accepted || !merger.startMerge(error) || !(finished.count() == 1 || finished.wait(60000))
        || !merger.failure().isEmpty()) {
        qWarning("merge: %s", qPrintable(error + merger.failure()));
        return QString();
    }
    return output;
}
} // namespace

// What every test of the splitter runs with: the engines, started once and logging into a
// console of their own (each test reads the splitter's lines from m_capture), and a folder of
// each test's own.
class SplitterFixture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engines = std::make_unique<RegisteredEngines>();
        QVERIFY(m_engines->started());
        m_ffmpeg = m_engines->ffmpeg();
        m_ffprobe = m_engines->ffprobe();
        // The volumes of an AVI are merged back by MEncoder.
        m_mencoder = std::make_unique<MervoMEncoder>();
        QVERIFY(m_mencoder->startInterface(QStandardPaths::findExecutable("mencoder"), QString()));
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, m_mencoder.get());
    }

    void cleanupTestCase()
    {
        m_engines.reset();
        m_mencoder.reset();
    }

    void init()
    {
        m_capture = std::make_unique<ConsoleCapture>();
        m_folder = std::make_unique<QTemporaryDir>(TestMedia::folder() + "/split-XXXXXX");
    }

    void cleanup()
    {
        m_capture.reset();
        m_folder.reset();
    }

protected:
    std::unique_ptr<RegisteredEngines> m_engines;
    FFmpeg *m_ffmpeg = nullptr;
    FFprobe *m_ffprobe = nullptr;
    std::unique_ptr<MervoMEncoder> m_mencoder;
    std::unique_ptr<ConsoleCapture> m_capture;
    std::unique_ptr<QTemporaryDir> m_folder;
};

// The planner's helpers, canned listings, the engines' faults, the analyses and names.
class MediaSplitterTest : public SplitterFixture
{
    Q_OBJECT

private slots:
    // FFmpeg's seek: hours, minutes, seconds and microseconds, so that a seek lands on a key
    // frame's own time.
    void seekText_data()
    {
        addColumns<double, QString>({"position", "text"});
        QTest::newRow("none") << 0.0 << "00:00:00.000000";
        QTest::newRow("fraction kept") << 754.4 << "00:12:34.400000";
        QTest::newRow("a key frame's time") << 10.023 << "00:00:10.023000";
        QTest::newRow("rounded to the microsecond") << 59.9999996 << "00:01:00.000000";
        QTest::newRow("past 24 hours") << 25 * 3600.0 + 5.0 << "25:00:05.000000";
        // A position that is no number must not reach the time arithmetic.
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "00:00:00.000000";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "00:00:00.000000";
        QTest::newRow("negative") << -3.5 << "00:00:00.000000";
    }

    void seekText()
    {
        QFETCH(double, position);
        QTEST(MediaSplitter::seekText(position), "text");
    }

    void seekingOf_data()
    {
        addColumns<QString, int>({"formatName", "seeking"});
        using Seeking = MediaSplitter::Seeking;
        QTest::newRow("AVI") << "avi" << int(Seeking::KeyFrameAtOrBefore);
        QTest::newRow("MP4") << "mov,mp4,m4a,3gp,3g2,mj2" << int(Seeking::PresentationTime);
        QTest::newRow("Matroska") << "matroska,webm" << int(Seeking::KeyFrameAtOrBefore);
        QTest::newRow("FLV") << "flv" << int(Seeking::KeyFrameAtOrBefore);
        QTest::newRow("MPEG program stream") << "mpeg" << int(Seeking::AnyPacket);
        QTest::newRow("MPEG transport stream") << "mpegts" << int(Seeking::AnyPacket);
        QTest::newRow("a name that only begins alike") << "avisynth" << int(Seeking::AnyPacket);
        QTest::newRow("none") << "" << int(Seeking::AnyPacket);
    }

    void seekingOf()
    {
        QFETCH(QString, formatName);
        QTEST(int(MediaSplitter::seekingOf(formatName)), "seeking");
    }

    // The seeks tried for a copy that begins at a key packet at 10 s, and whether the first
    // one lands there for sure.
    void seekCandidates_data()
    {
        addColumns<int, double, double, QString, bool>({"seeking", "previous", "next", "seeks", "sure"});
        using Seeking = MediaSplitter::Seeking;
        const double none = std::numeric_limits<double>::infinity();
        // An edit list would hide the pictures between the key frame and a later seek.
        QTest::newRow("MP4: at the key frame") << int(Seeking::PresentationTime) << 0.0 << 20.0 << "10" << true;
        QTest::newRow("AVI: half a second past it") << int(Seeking::KeyFrameAtOrBefore) << 0.0 << 20.0 << "10.5" << true;
        QTest::newRow("AVI: the last key frame") << int(Seeking::KeyFrameAtOrBefore) << 0.0 << none << "10.5" << true;
        QTest::newRow("AVI: the next key frame a second later") << int(Seeking::KeyFrameAtOrBefore) << 0.0 << 11.0 << "10.5" << true;
        // Closer key frames: midway, and a trial copy tells.
        QTest::newRow("AVI: the next key frame sooner") << int(Seeking::KeyFrameAtOrBefore) << 0.0 << 10.98 << "10.49" << false;
        QTest::newRow("MPEG: from the key frame backwards") << int(Seeking::AnyPacket) << 0.0 << 20.0 << "10 9.8 9 7" << false;
        QTest::newRow("MPEG: never back to the volume's first key frame") << int(Seeking::AnyPacket) << 9.0 << 20.0 << "10 9.8" << false;
        QTest::newRow("MPEG: within rounding of it") << int(Seeking::AnyPacket) << 9.7995 << 20.0 << "10" << false;
        QTest::newRow("MPEG: just before it") << int(Seeking::AnyPacket) << 9.798 << 20.0 << "10 9.8" << false;
    }

    void seekCandidates()
    {
        QFETCH(int, seeking);
        QFETCH(double, previous);
        QFETCH(double, next);
        QFETCH(QString, seeks);
        QFETCH(bool, sure);
        QStringList texts;
        for (double seek : MediaSplitter::seekCandidates(MediaSplitter::Seeking(seeking), previous, 10.0, next))
            texts << QString::number(seek);
        QCOMPARE(texts.join(' '), seeks);
        QCOMPARE(MediaSplitter::seekLandsOnCut(MediaSplitter::Seeking(seeking), 10.0, next), sure);
    }

    void judgeCopyBegin_data()
    {
        addColumns<double, int>({"begin", "verdict"});
        // The volume began at 10 s and is to end at 25 s; times within 1 ms are the same.
        using Verdict = MediaSplitter::CopyBegin;
        QTest::newRow("where the previous volume began") << 10.0 + 0.001 << int(Verdict::Repeats);
        QTest::newRow("within the previous volume") << 20.0 << int(Verdict::Fits);
        QTest::newRow("exactly at its end") << 25.0 + 0.001 << int(Verdict::Fits);
        QTest::newRow("past its end") << 25.0 + 0.002 << int(Verdict::TooLate);
    }

    void judgeCopyBegin()
    {
        QFETCH(double, begin);
        QFETCH(int, verdict);
        QCOMPARE(int(MediaSplitter::judgeCopyBegin(begin, 10.0, 25.0)), verdict);
    }

    // Packets without a byte position (a program stream's pictures put together from several
    // pieces) take the one before; without any, a share of the input (4000 bytes, 40 s from
    // 0.5 s) by their time.
    void fillPositions_data()
    {
        addColumns<QList<qint64>, QString>({"positions", "filled"});
        QTest::newRow("all known") << QList<qint64>{30, 6144, 8192} << "30 6144 8192";
        QTest::newRow("pieces of a program stream") << QList<qint64>{30, -1, -1, 6144, -1} << "30 30 30 6144 6144";
        QTest::newRow("none before the first known") << QList<qint64>{-1, 600} << "0 600";
        QTest::newRow("after a position that went back") << QList<qint64>{900, 500, -1} << "900 500 900";
        QTest::newRow("none known: by time") << QList<qint64>{-1, -1, -1} << "0 1000 4000";
    }

    void fillPositions()
    {
        QFETCH(QList<qint64>, positions);
        const QList<double> times{0.5, 10.5, 50.0}; // the last past the input's end
        QList<FFprobePacket> packets;
        for (qsizetype i = 0; i < positions.size(); ++i)
            packets << packet(times.value(i, 1.0), true, positions.at(i));
        MediaSplitter::fillPositions(packets, 0.5, 40.0, 4000);
        QStringList filled;
        for (const FFprobePacket &p : std::as_const(packets))
            filled << QString::number(p.pos);
        QTEST(filled.join(' '), "filled");
    }

    // Where a volume ends, in a listing of a packet a second for 40 s, a key packet every
    // 10 s, 100 bytes a second after a header of 1000 bytes, and `after` bytes from the last
    // packet on (its 100 and an index of 400 make each second expected as 4400 / 3900 of its
    // bytes).
    void latestCut_data()
    {
        addColumns<int, int, qint64, int, qint64>({"begin", "below", "size", "cut", "after"}); // cut -1: none
        QTest::newRow("two key-frame intervals") << 0 << -1 << qint64(3300) << 20 << qint64(500);
        QTest::newRow("a byte short of them") << 0 << -1 << qint64(3256) << 10 << qint64(500);
        QTest::newRow("just them") << 0 << -1 << qint64(3257) << 20 << qint64(500);
        QTest::newRow("less than one interval") << 0 << -1 << qint64(2128) << -1 << qint64(500);
        QTest::newRow("just one") << 0 << -1 << qint64(2129) << 10 << qint64(500);
        // Nothing after the last packet's start: each second is expected as its 100 bytes.
        QTest::newRow("exactly two intervals") << 0 << -1 << qint64(3000) << 20 << qint64(0);
        QTest::newRow("copied again, ending before its end") << 0 << 20 << qint64(5000) << 10 << qint64(500);
        QTest::newRow("from a later key packet") << 10 << -1 << qint64(3300) << 30 << qint64(500);
        QTest::newRow("no key packet after the last") << 30 << -1 << qint64(100000) << -1 << qint64(500);
    }

    void latestCut()
    {
        QFETCH(int, begin);
        QFETCH(int, below);
        QFETCH(qint64, size);
        QFETCH(qint64, after);
        QList<FFprobePacket> packets;
        for (int second = 0; second < 40; ++second)
            packets << packet(second, second % 10 == 0, 1000 + 100 * second);
        const MediaSplitter::SizeModel model = MediaSplitter::sizeModel(packets, 1000 + 3900 + after);
        QCOMPARE(model.header, qint64(1000));
        QVERIFY(qAbs(model.ratio - (3900.0 + after) / 3900.0) < 1e-12);
        QTEST(MediaSplitter::latestCut(packets, begin, below, size, model), "cut");
    }

    // Equal parts of an input are planned from its packets near their cuts where those tell
    // every cut: FFprobe lists its windows (each from the key frame at or before its start),
    // a window's packets listed again by the next are dropped, and a gap lies between
    // windows that do not meet. Input: a packet every `step` s for `length` s, a key packet
    // every `keyEvery`, 1000 bytes a packet (3000 in its first half where `heavy`).
    void nearListing_data()
    {
        // intervals: FFprobe's, empty when the whole input is listed; gaps: -1 when the
        // packets cannot be cut by position; holds: they tell every cut; missed: a part ends
        // outside the windows; landed: every seek landed on the latest key packet at or before
        // its window (FFprobe's seeks are FFmpeg's; `early`: one key packet earlier).
        addColumns<double, double, int, int, QString, int, bool>({"length", "step", "keyEvery", "parts", "intervals", "gaps", "holds"});
        addColumns<bool, bool, bool, bool>({"heavy", "missed", "early", "landed"});
        QTest::newRow("a key frame every 2 s") << 40.0 << 1.0 << 2 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << 3 << true << false << false << false << true;
        QTest::newRow("10 s apart: not told") << 40.0 << 1.0 << 10 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << 3 << false << false << false << false << false;
        QTest::newRow("16 s apart: a window's seek goes back into the one before") << 30.0 << 1.0 << 16 << 2 << "%4.000000,11.000000%19.000000,26.000000%" << 2 << false << false << false << false << false;
        QTest::newRow("a long film, 12 s apart") << 7200.0 << 0.5 << 12 << 3 << "%30.000000,2370.000000%2430.000000,4770.000000%4830.000000,7170.000000%" << 3 << true << false << false << false << true;
        QTest::newRow("a long film, 40 s apart") << 7200.0 << 0.5 << 40 << 3 << "%30.000000,2370.000000%2430.000000,4770.000000%4830.000000,7170.000000%" << 3 << false << false << false << false << true;
        QTest::newRow("most of the input: all of it") << 40.0 << 1.0 << 2 << 8 << "" << 0 << false << false << false << false << false;
        QTest::newRow("more bytes in the first half: missed") << 40.0 << 1.0 << 2 << 2 << "%4.000000,16.000000%24.000000,36.000000%" << 2 << false << true << true << false << true;
        QTest::newRow("a seek landing a key frame early") << 40.0 << 1.0 << 2 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << 3 << true << false << false << true << false;
        QTest::newRow("a seek landing a key frame early, a key frame at its window's start") << 48.0 << 1.0 << 2 << 3 << "%4.000000,12.000000%20.000000,28.000000%36.000000,44.000000%" << 3 << true << false << false << true << false;
        QTest::newRow("a seek rounded to a key frame a picture on") << 41.97 << 1.0 << 2 << 3 << "%4.000000,9.990000%17.990000,23.980000%31.980000,37.970000%" << 3 << true << false << false << false << true;
        QTest::newRow("a seek landing on the key frame after its window's start") << 41.4 << 1.0 << 2 << 3 << "%4.000000,9.800000%17.800000,23.600000%31.600000,37.400000%" << 3 << true << false << false << false << false;
        QTest::newRow("no key frame in the first window") << 40.0 << 1.0 << 2 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << 3 << false << false << false << false << true;
        QTest::newRow("one part") << 40.0 << 1.0 << 2 << 1 << "" << 0 << false << false << false << false << false;
        QTest::newRow("a position unknown") << 40.0 << 1.0 << 2 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << -1 << false << false << false << false << false;
        QTest::newRow("a position listed before, with another time") << 40.0 << 1.0 << 2 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << -1 << false << false << false << false << false;
        QTest::newRow("a position going back") << 40.0 << 1.0 << 2 << 3 << "%4.000000,9.333333%17.333333,22.666667%30.666667,36.000000%" << -1 << false << false << false << false << false;
    }

    void nearListing()
    {
        QFETCH(double, length);
        QFETCH(double, step);
        QFETCH(int, keyEvery);
        QFETCH(int, parts);
        QFETCH(int, gaps);
        QFETCH(bool, heavy);
        QFETCH(bool, early);
        QList<double> cuts;
        for (int part = 1; part < parts; ++part)
            cuts << length * part / parts;
        const QList<MediaSplitter::Window> windows = MediaSplitter::nearWindows(0.0, length, cuts);
        QTEST(MediaSplitter::intervalsText(windows), "intervals");
        const QString row = QTest::currentDataTag();
        // The first key packet 5 s in, or every key packet a picture (0.04 s) after where a
        // seek asks for it: an AVI counts its seeks in pictures, rounded to the nearest.
        const double firstKey = row == QLatin1String("no key frame in the first window") ? 5.0 : 0.0;
        const double rounded = row == QLatin1String("a seek rounded to a key frame a picture on")                ? 0.04
                               : row == QLatin1String("a seek landing on the key frame after its window's start") ? 0.9
                                                                                                                   : 0.0;
        QList<FFprobePacket> input;
        qint64 pos = 1000;
        for (double time = 0.0; time < length; time += step) {
            input << packet(time, time >= firstKey && std::fmod(time - firstKey, keyEvery) == 0.0, pos);
            pos += heavy && time < length / 2 ? 3000 : 1000;
        }
        QList<FFprobePacket> listed;
        for (const MediaSplitter::Window &window : windows) {
            qsizetype from = 0;
            qsizetype before = 0;
            for (qsizetype i = 0; i < input.size() && input.at(i).time <= window.from + rounded; ++i) {
                if (input.at(i).key) {
                    before = from;
                    from = i;
                }
            }
            from = early ? before : from;
            for (qsizetype i = from; i < input.size() && input.at(i).time < window.to; ++i)
                listed << input.at(i);
        }
        if (windows.isEmpty())
            return;
        if (row == QLatin1String("a position unknown"))
            listed[0].pos = -1;
        if (row == QLatin1String("a position going back"))
            std::swap(listed[20].pos, listed[21].pos);
        if (row == QLatin1String("a position listed before, with another time"))
            listed[21].pos = listed[19].pos;
        QList<int> found;
        bool landed = false;
        QCOMPARE(MediaSplitter::joinWindows(listed, windows, found, &landed), gaps >= 0);
        if (gaps < 0)
            return;
        QCOMPARE(found.size(), gaps);
        QTEST(landed, "landed");
        for (qsizetype i = 1; i < listed.size(); ++i)
            QVERIFY(listed.at(i).pos > listed.at(i - 1).pos);
        const MediaSplitter::SizeModel model = MediaSplitter::sizeModel(listed, pos, found.last());
        QCOMPARE(model.end, double(pos));
        QTEST(MediaSplitter::nearCutsHold(listed, found, model, parts), "holds");
        QTEST(MediaSplitter::nearCutsMissed(listed, found, model, parts), "missed");
    }

    // Where a part's end is looked for: the input's bytes spread evenly over the time between
    // the packets listed (at 10 s and 20 s, bytes 1000 and 5000), its start and its end (40 s,
    // 9000 bytes).
    void timeAtByte_data()
    {
        addColumns<double, bool, double>({"byte", "listed", "time"});
        QTest::newRow("before the first listed") << 500.0 << true << 5.0;
        QTest::newRow("between them") << 3000.0 << true << 15.0;
        QTest::newRow("after the last") << 7000.0 << true << 30.0;
        QTest::newRow("the end") << 9000.0 << true << 40.0;
        QTest::newRow("past the end") << 12000.0 << true << 40.0;
        QTest::newRow("none listed") << 4500.0 << false << 20.0;
    }

    void timeAtByte()
    {
        QFETCH(double, byte);
        QFETCH(bool, listed);
        const QList<FFprobePacket> seen = listed ? QList<FFprobePacket>{packet(10.0, true, 1000), packet(20.0, true, 5000)}
                                                 : QList<FFprobePacket>();
        QTEST(MediaSplitter::timeAtByte(seen, {0.0, 40.0, 9000}, byte), "time");
    }

    // What a volume taught: the proportion of its bytes, less the header, to the input bytes
    // it held, never less than before.
    void learnedRatio_data()
    {
        addColumns<qint64, qint64, double>({"written", "span", "ratio"});
        QTest::newRow("larger than expected") << qint64(1000 + 2400) << qint64(2000) << 1.2;
        QTest::newRow("smaller: kept") << qint64(1000 + 2000) << qint64(2000) << 1.1;
        QTest::newRow("no bytes held: kept") << qint64(5000) << qint64(0) << 1.1;
    }

    void learnedRatio()
    {
        QFETCH(qint64, written);
        QFETCH(qint64, span);
        QFETCH(double, ratio);
        QVERIFY(qAbs(MediaSplitter::learnedRatio(1.1, written, 1000, span) - ratio) < 1e-12);
    }

    // A volume keeps its reference stream's packets by count and the other streams up to the
    // next volume's first picture; in a volume after the first, the other streams' packets
    // before its own first picture are left out. FFmpeg's times count from the seek.
    void volumeOptions_data()
    {
        addColumns<MediaSplitter::VolumeCut, QString, bool, QString>({"cut", "reference", "ps", "options"});
        const auto cut = [](bool first, double seek, double begin, double end, int skip, int packets,
                            qint64 skipTo = -1, qint64 endPos = -1) {
            return MediaSplitter::VolumeCut{first, seek, begin, end, skip, packets, skipTo, endPos};
        };
        const double rest = qQNaN();
        QTest::newRow("the first volume") << cut(true, 0.0, 0.023, 10.023, 0, 250) << "v:0" << false << "-bsf:v:0 noise=drop=gte(n\\,250) -t 10.022500";
        QTest::newRow("a seek past the key frame") << cut(false, 10.523, 10.023, 20.023, 0, 250) << "v:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,-0.500500) -bsf:s noise=drop=lt(pts*tb\\,-0.500500) -bsf:v:0 noise=drop=gte(n\\,250) -t 9.499500";
        QTest::newRow("a seek before it, the last volume") << cut(false, 19.8, 20.011, rest, 0, -1) << "v:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,0.210500) -bsf:s noise=drop=lt(pts*tb\\,0.210500)";
        QTest::newRow("a program stream's times") << cut(false, 19.8, 20.011, rest, 0, -1) << "v:0" << true
            << "-bsf:a noise=drop=lt(pts/90000\\,0.210500) -bsf:s noise=drop=lt(pts/90000\\,0.210500)";
        QTest::newRow("one volume") << cut(true, 0.0, 0.0, rest, 0, -1) << "v:0" << false << "";
        // The other streams pass to the next volume half a millisecond before its first picture.
        // The first sound stream's own options come last: FFmpeg takes the last that matches.
        QTest::newRow("sound alone") << cut(false, 13.0, 13.0, 26.0, 0, 500) << "a:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,-0.000500) -bsf:s noise=drop=lt(pts*tb\\,-0.000500) -bsf:a:0 noise=drop=gte(n\\,500) -t 12.999500";
        // Where seeks land before the volume's first picture, it is copied from the start.
        QTest::newRow("from the start") << cut(false, 0.0, 10.0, 20.0, 250, 250) << "v:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,9.999500) -bsf:s noise=drop=lt(pts*tb\\,9.999500) -bsf:v:0 noise=drop=lt(n\\,250)+gte(n\\,500) -t 19.999500";
        QTest::newRow("from the start, the last volume") << cut(false, 0.0, 20.0, rest, 500, -1) << "v:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,19.999500) -bsf:s noise=drop=lt(pts*tb\\,19.999500) -bsf:v:0 noise=drop=lt(n\\,500)";
        // Listed near the cuts only: the packets are kept by their byte positions.
        QTest::newRow("by position") << cut(false, 10.523, 10.023, 20.023, 0, 250, -1, 900000) << "v:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,-0.500500) -bsf:s noise=drop=lt(pts*tb\\,-0.500500) -bsf:v:0 noise=drop=gte(pos\\,900000) -t 9.499500";
        QTest::newRow("from the start, by position") << cut(false, 0.0, 10.0, 20.0, 250, 250, 450000, 900000) << "v:0" << false
            << "-bsf:a noise=drop=lt(pts*tb\\,9.999500) -bsf:s noise=drop=lt(pts*tb\\,9.999500) -bsf:v:0 noise=drop=lt(pos\\,450000)+gte(pos\\,900000) -t 19.999500";
    }

    void volumeOptions()
    {
        QFETCH(MediaSplitter::VolumeCut, cut);
        QFETCH(QString, reference);
        QFETCH(bool, ps);
        QTEST(MediaSplitter::volumeOptions(cut, reference, ps).join(' '), "options");
    }

    void copiedFrames_data()
    {
        addColumns<QString, int>({"progress", "frames"}); // -1: not told
        const QString block = "frame=%1\nfps=0.00\nstream_0_0_q=-1.0\ntotal_size=135429\nout_time=00:00:11.930000\nprogress=%2\n";
        QTest::newRow("ended") << block.arg(351).arg("end") << 351;
        QTest::newRow("the last of several blocks") << block.arg(12).arg("continue") + block.arg(351).arg("end") << 351;
        QTest::newRow("line ends of two characters") << QString(block.arg(7).arg("end")).replace("\n", "\r\n") << 7;
        QTest::newRow("not ended: the copy was stopped") << block.arg(12).arg("continue") << -1;
        QTest::newRow("no pictures in the last block") << block.arg(12).arg("continue") + "total_size=10\nprogress=end\n" << -1;
        QTest::newRow("no number") << block.arg("N/A").arg("end") << -1;
        QTest::newRow("nothing written") << QString() << -1;
    }

    void copiedFrames()
    {
        QFETCH(QString, progress);
        QFETCH(int, frames);
        QCOMPARE(MediaSplitter::copiedFrames(progress), frames);
    }

    // FFprobe takes its time with every file it reads: the window handles its events while
    // the splitter waits for it, and the split ends as it would.
    void windowHandlesEventsWhileAnalysing()
    {
        FFprobe slow;
        QVERIFY(slow.startInterface(writeEngineScript("slow-ffprobe",
                                                      QStringLiteral("case \"$1\" in\n"
                                                                     "  -version) exec ffprobe \"$@\" ;;\n"
                                                                     "  *) exec '%1' slow 1 ffprobe \"$@\" ;;\nesac")
                                                          .arg(TestMedia::fakeEngine())),
                                    QString()));
        EngineObjects::setEngines(m_ffmpeg, &slow, nullptr);
        const QString input = m_folder->path() + "/slow.avi";
        QVERIFY(QFile::copy(aviClip(), input));
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        EventGaps gaps;
        QVERIFY(splitToEnd(splitter, input, 2, 60000));
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, m_mencoder.get());
        QVERIFY2(gaps.longest() < kWideGapMs, qPrintable(QString::number(gaps.longest())));
        QVERIFY2(host.jobs().size() == 2, qPrintable(m_capture->log()));
        QVERIFY(QFileInfo::exists(m_folder->path() + "/slow.part2.avi"));
    }

    // An FFmpeg whose start queries outlived their time (on a busy machine), and whose second
    // asking failed too, is asked again when a split starts, rather than the split refused for
    // an engine that works.
    void slowEngineIsAskedAgain()
    {
        const QString answered = m_folder->path() + "/answered";
        FFmpeg slow;
        QVERIFY(!slow.startInterface(writeEngineScript("ffmpeg-slow-once",
                                                       QString("case \"$1\" in -codecs)\n"
                                                               "  [ -e '%1' ] || { touch '%1'; exec sleep 10; }\n"
                                                               "  [ -e '%1.again' ] || { touch '%1.again'; kill -SEGV $$; } ;;\n"
                                                               "esac\n"
                                                               "exec ffmpeg \"$@\"").arg(answered)),
                                     QString()));
        QVERIFY(splitsInThree(aviClip(), &slow, m_ffprobe));
    }

    // FFprobe's analysis or listing of the input cut short by what may pass (a pause longer
    // than its finish latency, a hang at its end, a kill from outside) is asked again with
    // longer time-outs; one that never answers fails the split with the reason, nothing copied.
    void listingCutShort_data()
    {
        // when: the FFprobe runs (a shell pattern of their arguments) that misbehave as the
        // fake engine's mode `how`, the first one only where `once`; jobs: 0 when the split fails.
        addColumns<QString, QString, bool, QString, int>({"when", "how", "once", "logged", "jobs"});
        const QString listing = "*'-read_intervals % '*";
        const QString again = "; it is asked again with longer time-outs.";
        QTest::newRow("a listing that pauses 3 s") << listing << "pause-after 300 3" << false << "movie.avi was cut short (did not answer in time)" + again << 3;
        QTest::newRow("a listing that hangs at its end") << listing << "pause-after 100000 3600" << true << "(did not answer in time)" + again << 3;
        QTest::newRow("a listing killed from outside") << listing << "crash" << true << "(killed by signal 11 (Segmentation fault))" + again << 3;
        QTest::newRow("an analysis killed from outside") << "*-show_format*" << "crash" << true << "FFprobe: the analysis of" << 3;
        QTest::newRow("an analysis that pauses 2 s") << "*-show_format*" << "slow 2" << false << "it is asked again with longer time-outs" << 3;
        // FFprobe that cannot read the first packets (a seek it cannot make) still tells the rest.
        QTest::newRow("an analysis of the first packets that fails") << "*%+#32*" << "exit 1" << false << "" << 3;
        QTest::newRow("a listing that goes silent") << listing << "hang 3600" << false << "Failed to start split of movie.avi: FFprobe could not list its packets: did not answer in time" << 0;
    }

    void listingCutShort()
    {
        QFETCH(QString, when);
        QFETCH(QString, how);
        QFETCH(bool, once);
        QFETCH(QString, logged);
        QFETCH(int, jobs);
        const QString input = m_folder->path() + "/movie.avi";
        QVERIFY(QFile::copy(aviClip(), input));
        const QString marker = m_folder->path() + "/misbehaved";
        // Waits of a second, asked again of three.
        struct QuickFFprobe : FFprobe
        {
            QuickFFprobe() { m_finishTimeout = 1000; }
        } faulty;
        QVERIFY(faulty.startInterface(writeEngineScript("ffprobe-cut-short", QString("case \"$*\" in %1)\n"
                                                                                     "  [ -e '%2' ] || { %3 exec '%4' %5 ffprobe \"$@\"; } ;;\nesac\n"
                                                                                     "exec ffprobe \"$@\"")
                                                                                 .arg(when, marker, once ? "touch '" + marker + "';" : "",
                                                                                      TestMedia::fakeEngine(), how)),
                                      QString()));
        EngineObjects::setEngines(m_ffmpeg, &faulty, nullptr);
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        splitter.startSplit(input, 3, QFileInfo(input).size() * 2 / 5, MediaSplitter::VolumeRule::WithinSize);
        const bool ended = finished.count() == 1 || finished.wait(60000);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, m_mencoder.get());
        QVERIFY(ended);
        QVERIFY2(m_capture->log().contains(logged), qPrintable(m_capture->log()));
        QCOMPARE(host.jobs().size(), jobs);
        QCOMPARE(QDir(m_folder->path()).entryList({"movie.part*"}).size(), jobs);
    }

    // The input's analysis and the listing of its packets, started while the user chose the
    // volumes, are the ones the split takes: FFprobe reads no volume. Where seeks land on key
    // frames, FFmpeg runs the copies and a trial copy of one packet for the first volume's end
    // (beside the first copy); where they land on any packet, one for each volume's end, the
    // later ones while a volume is copied.
    void analysesStartedAhead_data()
    {
        // told: FFmpeg writes its progress; limit: volumes within two fifths of the input, not
        // equal parts; near: listings of the packets near the cuts; whole: of all packets.
        addColumns<QString, bool, int, bool, int, int>({"clip", "told", "trials", "limit", "near", "whole"});
        // The first seek is tried (beside the first volume's copy): a file cut short has no
        // index to seek by. An MP4 is not read without its index. Equal parts of a container
        // cut by position are listed near their cuts once their number is known, and whole
        // where those packets do not tell the cuts (key frames 10 s apart).
        QTest::newRow("AVI") << aviClip() << true << 1 << true << 0 << 1;
        QTest::newRow("AVI, equal parts") << aviClip() << true << 0 << false << 1 << 0;
        QTest::newRow("AVI, equal parts, most bytes first") << heavyStart() << true << 0 << false << 2 << 0;
        QTest::newRow("H.264 in MP4") << longGopH264() << true << 0 << false << 1 << 1;
        QTest::newRow("AVI: a copy that tells nothing") << aviClip() << false << 1 << true << 0 << 1;
        QTest::newRow("MPEG program stream") << fortySeconds("split-40s.mpg", {"-g", "12", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}) << true << 2 << false << 0 << 1;
    }

    void analysesStartedAhead()
    {
        QFETCH(QString, clip);
        QFETCH(bool, told);
        QFETCH(int, trials);
        QFETCH(bool, limit);
        QFETCH(int, near);
        QFETCH(int, whole);
        const QString calls = m_folder->path() + "/ffprobe calls.txt";
        FFprobe logging;
        QVERIFY(logging.startInterface(
            // The listing of the input stops for a second after 36 s of pictures: the split
            // waits for it.
            writeEngineScript("logging-ffprobe", QString("printf '%s\\n' \"$*\" >> '%1'\n"
                                                         "case \"$*\" in *'-read_intervals % '*)\n"
                                                         "  ffprobe \"$@\" | { i=0; while [ $i -lt 900 ] && IFS= read -r l; do printf '%s\\n' \"$l\"; i=$((i+1)); done\n"
                                                         "    sleep 1; cat; }; exit ;;\nesac\n"
                                                         "exec ffprobe \"$@\"").arg(calls)),
            QString()));
        const QString copies = m_folder->path() + "/ffmpeg calls.txt";
        FFmpeg loggingCopies;
        QVERIFY(loggingCopies.startInterface(
            // Each copy lingers a second after FFmpeg's end, and says when it has ended.
            writeEngineScript(told ? "logging-ffmpeg" : "untold-ffmpeg",
                              QString("printf '%s\\n' \"$*\" >> '%1'\n"
                                      "case \"$*\" in *framemd5*|-version|-formats|-codecs) exec ffmpeg \"$@\" ;; esac\n").arg(copies)
                                  + (told ? "" : "skip=\nfor a; do shift; [ -n \"$skip\" ] && { skip=; continue; }\n"
                                                 "  [ \"$a\" = -progress ] && { skip=1; continue; }; set -- \"$@\" \"$a\"; done\n")
                                  + QString("ffmpeg \"$@\"; status=$?\nsleep 1; echo ended >> '%1'\nexit $status").arg(copies)),
            QString()));
        const QString input = clip;
        const QString name = QFileInfo(clip).fileName();
        const QString base = QFileInfo(clip).completeBaseName();
        const auto called = [](const QString &list) {
            QFile file(list);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                                  : QStringList();
        };
        EngineObjects::setEngines(&loggingCopies, &logging, nullptr); // the window's analysis too
        MediaSplitter::prefetchInputAnalysis(input, limit ? MediaSplitter::VolumeRule::WithinSize
                                                          : MediaSplitter::VolumeRule::EqualParts);
        const int ahead = near == 0 ? 2 : 1; // the whole listing too where no listing near the cuts is made
        QTRY_COMPARE_WITH_TIMEOUT(called(calls).filter(name).size(), ahead, 10000);
        QTest::qWait(300); // the analysis has ended before the split asks for it
        QVERIFY(splitsInThree(input, &loggingCopies, &logging, limit));
        const QStringList lines = called(calls);
        // The analysis and the listings, nothing else.
        QCOMPARE(lines.filter(name).filter("%+#32").size(), 1);
        QCOMPARE(lines.filter(QRegularExpression("-read_intervals % .*" + QRegularExpression::escape(name))).size(), whole);
        QCOMPARE(lines.filter(QRegularExpression("-read_intervals %\\d.*" + QRegularExpression::escape(name))).size(), near);
        QCOMPARE(lines.filter(name).size(), 1 + near + whole);
        QCOMPARE(lines.filter(base + ".part").size(), 0);
        const QStringList made = called(copies).filter(name);
        // One more may have been started beside a copy for a volume that then ended a key
        // frame earlier than planned (a program stream's muxer writes more than the input's).
        const qsizetype tried = made.filter("framemd5").size();
        QVERIFY2(tried >= trials && tried <= trials + 1, qPrintable(QString::number(tried)));
        const QStringList volumes = made.filter(QRegularExpression(" -y \\S*" + QRegularExpression::escape(base) + "\\.part"));
        QCOMPARE(volumes.size(), 3);
        // Within a size, every copy tells how far it came, the last too; equal parts are not
        // copied again.
        for (int volume = 1; volume <= 3; ++volume)
            QCOMPARE(volumes.at(volume - 1).contains("-progress"), limit);
        // Nor does FFmpeg read a volume: its sound is the input's own, and is not decoded.
        QCOMPARE(called(copies).filter(QRegularExpression("-i \\S*" + QRegularExpression::escape(base) + "\\.part")), QStringList());
        // The trial copies run before the first volume's copy has ended, not after it.
        const QStringList all = called(copies);
        const qsizetype ended = all.indexOf("ended");
        QVERIFY(ended > all.indexOf(volumes.first()));
        QCOMPARE(all.mid(0, ended).filter("framemd5").isEmpty(), trials == 0);
        // What the copies told is removed with the split.
        const QString progress = QRegularExpression("-progress (\\S+)").match(volumes.first()).captured(1);
        QCOMPARE(progress.isEmpty(), !limit);
        QVERIFY2(progress.isEmpty() || !QFileInfo::exists(progress), qPrintable(progress));
    }

    // A cover picture's stream, which holds one packet, does not keep FFmpeg reading the input
    // to its end for each volume: each copy reads about its share. The volumes keep the cover.
    void coverPictureDoesNotHoldTheCopy()
    {
        const QString input = TestMedia::clip("split-cover.mp4", {"-f", "lavfi", "-i", "testsrc=size=640x480:rate=25:duration=40", "-f", "lavfi", "-i", "sine=frequency=440:duration=40", "-f", "lavfi", "-i", "color=c=red:size=64x64:duration=0.04", "-map", "0", "-map", "1", "-map", "2", "-c:v:0", "libx264", "-preset", "ultrafast", "-g", "250", "-sc_threshold", "0", "-b:v", "4M", "-pix_fmt", "yuv420p", "-c:a", "aac", "-c:v:1", "png", "-disposition:v:1", "attached_pic"});
        QVERIFY(!input.isEmpty());
        // The bytes each copy read, as its shell counts them once FFmpeg has ended.
        const QString reads = m_folder->path() + "/reads.txt";
        FFmpeg counting;
        QVERIFY(counting.startInterface(writeEngineScript("ffmpeg-counting-reads",
                                                          QString("case \"$*\" in\n  *framemd5*|-version|-formats|-codecs) exec ffmpeg \"$@\" ;;\nesac\n"
                                                                  "ffmpeg \"$@\"; status=$?\nsed -n 's/^rchar: //p' /proc/$$/io >> '%1'\nexit $status").arg(reads)),
                                        QString()));
        QVERIFY(splitsInThree(input, &counting, m_ffprobe));
        QFile file(reads);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> counts = file.readAll().split('\n');
        const qint64 size = QFileInfo(input).size();
        for (int volume = 1; volume <= 2; ++volume)
            QVERIFY2(counts.value(volume - 1).toLongLong() < size * 6 / 10,
                     qPrintable(QString("volume %1 read %2 of %3 bytes").arg(volume).arg(QString(counts.value(volume - 1))).arg(size)));
        for (int volume = 1; volume <= 3; ++volume) {
            QString out;
            TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "v", "-count_packets", "-show_entries",
                                       "stream=nb_read_packets:stream_disposition=attached_pic", "-of", "csv=p=0",
                                       m_folder->path() + QString("/split-cover.part%1.mp4").arg(volume)}, &out);
            // The film's pictures of the volume (a key frame every 10 s), then the cover's one.
            const QStringList streams = out.split('\n', Qt::SkipEmptyParts);
            QCOMPARE(streams.size(), 2);
            QVERIFY2(streams.first().section(',', 0, 0).toInt() >= 250 && streams.first().endsWith(",0"), qPrintable(out));
            QCOMPARE(streams.last(), QString("1,1"));
        }
    }

    // An input without pictures is split by its sound: the volumes follow one another and
    // together hold the input's sound frames (a stream copy of MP3 cuts between frames).
    void splitsSoundOnly()
    {
        const QString input = TestMedia::clip("split-40s.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=40",
                                                                "-c:a", "libmp3lame", "-b:a", "128k"});
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        // As the window does: the listing of pictures started with the dialog lists none here.
        MediaSplitter::prefetchInputAnalysis(input, MediaSplitter::VolumeRule::EqualParts);
        const bool ended = splitToEnd(splitter, input, 3);
        MediaSplitter::dropInputAnalysis(input);
        QVERIFY(ended);
        QVERIFY2(host.jobs().size() == 3, qPrintable(m_capture->log()));
        // Each volume's own first frames may refer to the frames before (MP3's bit reservoir):
        // the frames are counted, not decoded.
        int total = 0;
        for (int volume = 1; volume <= 3; ++volume) {
            const int held = soundFrames(m_folder->path() + QString("/split-40s.part%1.mp3").arg(volume));
            QVERIFY2(held > 190, qPrintable(QString::number(held))); // 5 s
            total += held;
        }
        QCOMPARE(total, soundFrames(input));
    }

    // A relative name that FFmpeg would read as a protocol's address ("clip:…") or an option
    // ("-…") reaches the copy commands and the packet readings as a file.
    void relativeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("colon") << "clip:1.avi";
        QTest::newRow("dash and colon") << "-dvd:.avi";
    }

    void relativeNames()
    {
        QFETCH(QString, name);
        const QString clip = aviClip();
        QVERIFY(QFile::copy(clip, m_folder->path() + "/" + name));
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_folder->path()));
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        const bool ended = splitToEnd(splitter, name, 2);
        QDir::setCurrent(here);
        QVERIFY(ended);
        QVERIFY2(host.jobs().size() == 2, qPrintable(m_capture->log()));
        const QString base = m_folder->path() + "/" + QFileInfo(name).completeBaseName();
        for (const QString &part : {base + ".part1.avi", base + ".part2.avi"})
            QVERIFY2(TestMedia::probeDuration(part) > 15.0, qPrintable(part + "\n" + m_capture->log()));
    }

    // A volume size smaller than the key-frame interval holds leaves no key frame to end at:
    // the split stops before it copies anything, rather than write a volume larger than asked.
    void volumesShorterThanTheKeyFrameInterval_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::newRow("H.264 with its default long GOP") << longGopH264();
        QTest::newRow("MPEG-PS with a 10 s GOP") << fortySeconds("split-10s-gop.mpg", {"-g", "250", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"});
    }

    void volumesShorterThanTheKeyFrameInterval()
    {
        QFETCH(QString, clip);
        QVERIFY(!clip.isEmpty());
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QVERIFY(splitToEnd(splitter, clip, 8, 30000, MediaSplitter::VolumeRule::WithinSize));
        QVERIFY2(m_capture->log().contains("Failed (position error) to continue split of " + QFileInfo(clip).fileName()),
                 qPrintable(m_capture->log()));
        QCOMPARE(host.jobs().size(), 0);
    }

    // A listing of canned text, a packet a second for 40 s, a key packet every `keyEvery`
    // seconds, 1000 bytes a second after a header of `header` bytes, of an input of 40,000
    // bytes and its header: each volume is planned from it, as `damage` (patterns, each followed
    // by what replaces it in the listing and in the input's analysis) leaves it. FFmpeg writes stand-ins of the volumes, `rate` bytes for each
    // second they hold (-t, less the pictures left out at the start; to the input's end from
    // the seek, at `lastRate`, for the last) up to the size limit (then telling the pictures it
    // wrote), and an index of a fiftieth of that after them; its trial copies begin at the key
    // packet `early` key-frame intervals before the one at or before the seek. Both answer
    // their start queries themselves: a real FFmpeg asked for its formats and codecs anew for
    // each row (the script changes, so its answers are never reused) outlived the queries' time
    // on a busy machine, and failed the first rows.
    void cannedListing_data()
    {
        addColumns<int, int, qint64, int, bool, int, QString>({"keyEvery", "volumes", "volumeSize", "rate", "listed", "jobs", "logged"});
        // tail: bytes of the input after its listed packets' 40,000.
        addColumns<int, QStringList, int, bool, int, int>({"early", "damage", "header", "equal", "lastRate", "tail"});
        const auto row = [](const char *name, int keyEvery, int volumes, qint64 volumeSize, int rate, bool listed, int jobs,
                            const QString &logged, int early = 0, const QStringList &damage = {}, int header = 0,
                            bool equal = false, int lastRate = 0, int tail = 0) {
            QTest::newRow(name) << keyEvery << volumes << volumeSize << rate << listed << jobs << logged << early << damage
                                << header << equal << (lastRate > 0 ? lastRate : rate) << tail;
        };
        // Expected: 20 s in 20,513 bytes; written: 24,999 and an index of 499. The first volume
        // is copied again, to 10 s, the others planned by what it taught (1275 bytes a second).
        row("a volume larger than expected", 10, 3, 25000, 1250, true, 4,
            "Volume 1 of movie.avi holds 25498 bytes, more than 25000: it is copied again to end earlier");
        // Stopped after 12 of 20 s: by the pictures it wrote, 2125 bytes a second; copied again
        // to 10 s. The rest then needs two volumes more.
        row("a volume stopped by the size limit", 5, 3, 25000, 2000, true, 5,
            "Volume 1 of movie.avi holds 25501 bytes, more than 25000: it is copied again to end earlier");
        row("the rest within the size before the last volume", 10, 4, 25000, 1000, true, 2,
            "Warning: done in 2 part instead of 4, terminating split of movie.avi");
        row("the rest exactly the size asked", 10, 4, 20000, 1000, true, 3,
            "Warning: done in 3 part instead of 4, terminating split of movie.avi");
        // 19.9995 s of 1250 bytes a second, whole bytes, and an index of a fiftieth: 25,498.
        row("a volume of exactly the size asked", 10, 3, 25498, 1250, true, 2,
            "Warning: done in 2 part instead of 3, terminating split of movie.avi");
        // The last volume, expected within the size, is written larger: copied again to end
        // earlier, and one volume more takes the rest.
        row("the last volume larger than the size", 10, 2, 25000, 1000, true, 4,
            "Volume 2 of movie.avi holds 25501 bytes, more than 25000: it is copied again to end earlier", 0, {}, 0,
            false, 1400);
        // With its header, the rest from 20 s (22,000 bytes) does not fit in 21,000: four volumes.
        row("a volume within the size only without its header", 10, 3, 21000, 1000, true, 4,
            "Volumes of movie.avi within 21000 bytes: 4 volumes instead of 3", 0, {}, 2000);
        // The seek to 15 s lands at 10 s: the second volume is copied from the start, its first
        // 15 pictures left out; so is the third. A seek is trusted only once one has landed
        // where it should.
        row("seeks that land a key frame early", 5, 3, 19000, 1000, true, 3,
            "noise=drop=lt(pts*tb\\,14.999500) -bsf:v:0 noise=drop=lt(n\\,15)+gte(n\\,30) -t 29.999500", 1);
        row("seeks that land a key frame late", 5, 3, 19000, 1000, true, 3,
            "noise=drop=lt(pts*tb\\,14.999500) -bsf:v:0 noise=drop=lt(n\\,15)+gte(n\\,30) -t 29.999500", -1);
        row("no key packet near enough", 10, 3, 10000, 1000, true, 0, "Failed (position error) to continue split of movie.avi");
        // Key frames every 5 s up to 20 s, then none: refused before the volumes up to there
        // are copied.
        row("no key packet near enough after some", 5, 2, 12000, 1000, true, 0, "Failed (position error) to continue split of movie.avi",
            0, {"flags=K_\\|pos=(25|30|35)000", "flags=__|pos=\\1000"});
        row("a listing that fails", 10, 3, 25000, 1000, false, 0,
            "Failed to start split part #1 of movie.avi: could not analyze input media file");
        // Equal parts end at the key frames nearest to each part's end, however large a part.
        row("equal parts as long as a key-frame interval", 10, 4, 10000, 1000, true, 4, "", 0, {}, 0, true);
        row("equal parts of two and a half key-frame intervals", 4, 4, 10000, 1000, true, 4, "", 0, {}, 0, true);
        row("more equal parts than key frames", 10, 8, 5000, 1000, true, 4,
            "Warning: done in 4 part instead of 8, terminating split of movie.avi", 0, {}, 0, true);
        // Halfway through the packets' bytes, to the end of the last one: 20 s, nearer 21 than 18.
        row("equal halves", 3, 2, 20000, 1000, true, 2, "-t 20.999500", 0, {}, 0, true);
        // Halfway lies as far from the key frame at 16 s as from the one at 24 s: the earlier.
        row("equal halves between two key frames", 8, 2, 20000, 1000, true, 2, "-t 15.999500", 0, {}, 0, true);
        // The pictures end at 40 s, 10 s and 20,000 bytes of sound before the input's end, as
        // their own length says.
        row("sound that runs on past the pictures", 10, 3, 25000, 1000, true, 3, "", 0,
            {"\"duration\": \"40\\.000000\"", "\"duration\": \"50.000000\"", "\"codec_type\": \"video\"",
             "\"codec_type\": \"video\", \"start_time\": \"0.000000\", \"duration\": \"40.000000\""}, 0, true, 0, 20000);
        // Streams end a little apart: the pictures half a second before the sound, 20,000 bytes on.
        row("a listing that ends half a second before the input", 10, 3, 25000, 1000, true, 3, "", 0,
            {"\"duration\": \"40\\.000000\"", "\"duration\": \"40.500000\""}, 0, true, 0, 20000);
        // The header claims 50 s; the file ends after 40 s, as far as its packets are listed.
        row("a file cut short", 10, 3, 25000, 1000, true, 3, "", 0,
            {"\"duration\": \"40\\.000000\"", "\"duration\": \"50.000000\""}, 0, true);
        // A decoding time a little before the input's start.
        row("a packet a little before the start", 10, 3, 25000, 1000, true, 3, "", 0,
            {"pts_time=0\\.000000\\|dts_time=0\\.000000", "pts_time=N/A|dts_time=-0.500000"}, 0, true);
        // A listing that cannot be trusted fails the split before any volume is copied.
        const QString untrusted = "Failed to start split of movie.avi: ";
        row("packets without a time", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe's listing has lines without a packet's time: 2", 0,
            {"pts_time=1[23]\\.000000\\|dts_time=1[23]\\.000000", "pts_time=N/A|dts_time=N/A"});
        row("times that are no number", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe's listing has lines without a packet's time: 1", 0,
            {"pts_time=13\\.000000\\|dts_time=13\\.000000", "pts_time=nan|dts_time=inf"}, 0, true);
        row("times far past the input's end", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a packet at 100 s, outside the input's 0 s to 40 s", 0,
            {"pts_time=39\\.000000\\|dts_time=39\\.000000", "pts_time=100.0|dts_time=100.0"});
        row("times far before the input's start", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a packet at -1000 s, outside the input's 0 s to 40 s", 0,
            {"pts_time=1(\\d)\\.000000\\|dts_time=1\\d\\.000000", "pts_time=-1000.0|dts_time=-1000.0"});
        row("two key packets at one time", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a key packet at 10 s after one at 10 s", 0,
            {"pts_time=20\\.000000", "pts_time=10.000000"});
        row("key packets out of order", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a key packet at 5 s after one at 10 s", 0,
            {"pts_time=20\\.000000\\|dts_time=20\\.000000", "pts_time=5.0|dts_time=5.0"});
        row("a listing that stops early", 10, 3, 25000, 1000, true, 0, untrusted + "FFprobe's listing stops at 10 s of 40 s",
            0, {"pts_time=10\\.000000[^$]+", ""}, 0, true);
        // As the row with sound past the pictures, without the pictures' own length.
        row("a listing that stops before the input's end", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe's listing stops at 40 s of 50 s", 0, {"\"duration\": \"40\\.000000\"", "\"duration\": \"50.000000\""},
            0, true, 0, 20000);
        row("lines that are no listing", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe's listing has lines without a packet's time: 2", 0, {"pts_time[^$]+", "Could not\nlist\n"});
        row("a byte position past the input's end", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a packet at byte 40001 of an input of 40000 bytes", 0, {"pos=39000", "pos=40001"});
        row("a byte position near 2^63", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a packet at byte 9223372036854775000 of an input of 40000 bytes", 0,
            {"pos=20000", "pos=9223372036854775000"});
        row("two lines swapped", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a packet decoded at 13 s after one decoded at 14 s", 0,
            {"(pts_time=13[^\n]+)\n(pts_time=14[^\n]+)", "\\2\n\\1"});
        row("a key packet's byte unknown, the next one's going back", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a key packet at byte 5000 after one at byte 10000", 0,
            {"pos=20000", "pos=N/A", "pos=30000", "pos=5000"});
        // Times of the same packet computed two ways differ by rounding; not more, however often.
        row("a decoding time a rounding before the one before", 10, 3, 25000, 1000, true, 2, "", 0,
            {"dts_time=14\\.000000", "dts_time=12.999500"});
        row("decoding times creeping back, each by a rounding", 10, 3, 25000, 1000, true, 0,
            untrusted + "FFprobe listed a packet decoded at 12.9985 s after one decoded at 13 s", 0,
            {"dts_time=14\\.000000", "dts_time=12.999500", "dts_time=15\\.000000", "dts_time=12.998500"});
        // The input ends with its last packet (39,000 bytes), and the volumes written hold no
        // more than their packets: the rest from 20 s is expected as exactly 19,000, within the size.
        row("the rest exactly the size asked, to the byte", 10, 3, 19000, 980, true, 3, "", 0, {}, 0, false, 900, -1000);
        row("byte positions all 0", 10, 4, 10000, 1000, true, 0,
            untrusted + "FFprobe listed a key packet at byte 0 after one at byte 0", 0, {"pos=\\d+", "pos=0"}, 0, true);
    }

    void cannedListing()
    {
        QFETCH(int, keyEvery);
        QFETCH(int, early);
        QFETCH(int, volumes);
        QFETCH(qint64, volumeSize);
        QFETCH(int, rate);
        QFETCH(int, lastRate);
        QFETCH(bool, listed);
        QFETCH(int, jobs);
        QFETCH(QString, logged);
        QFETCH(QStringList, damage);
        QFETCH(int, header);
        QFETCH(bool, equal);
        QFETCH(int, tail);
        QString listing;
        for (int second = 0; second < 40; ++second)
            listing += QString("pts_time=%1.000000|dts_time=%1.000000|duration_time=1.000000|flags=%2|pos=%3\n")
                           .arg(second).arg(second % keyEvery == 0 ? "K_" : "__").arg(header + second * 1000);
        QString answer = "{\"streams\": [{\"index\": 0, \"codec_type\": \"video\"}],"
                         " \"format\": {\"format_name\": \"avi\", \"duration\": \"40.000000\", \"start_time\": \"0.000000\"}}\n";
        for (qsizetype i = 0; i + 1 < damage.size(); i += 2) {
            listing.replace(QRegularExpression(damage.at(i)), damage.at(i + 1));
            answer.replace(QRegularExpression(damage.at(i)), damage.at(i + 1));
        }
        const QString analysis = writeEngineFile("probe-canned-input.txt", answer.toUtf8());
        const QString list = writeEngineFile("probe-canned-listing.txt", listing.toUtf8());
        FFprobe canned;
        QVERIFY(canned.startInterface(writeEngineScript("probe-canned", QString("case \"$*\" in\n  -version) echo 'ffprobe version 9.9-test' ;;\n"
                                                                                "  *'-read_intervals % '*) %1 ;;\n  *) cat '%2' ;;\nesac")
                                                                            .arg(listed ? "cat '" + list + "'" : QString("exit 1"), analysis)),
                                      QString()));
        FFmpeg writer;
        QVERIFY(writer.startInterface(writeEngineScript("ffmpeg-sized-writer",
                                                        QString("seconds() { echo \"$1\" | awk -F: '{print $1*3600+$2*60+$3}'; }\n"
                                                                "case \"$*\" in\n  -version) echo 'ffmpeg version 9.9-test'; exit ;;\n  -formats|-codecs) echo ' E avi AVI'; exit ;;\n"
                                                                "  *framemd5*) for a; do [ \"$next\" ] && ss=$a; next=; [ \"$a\" = -ss ] && next=1; done\n"
                                                                "    echo '#tb 0: 1/1000'; ms=$(seconds \"$ss\" | awk '{print (int($1/%2)-%3)*%2*1000}')\n"
                                                                "    echo \"0, $ms, $ms, 1000, 100, 0123456789abcdef0123456789abcdef\"; exit ;;\nesac\n"
                                                                "t= next= limit= progress= frames=N/A skip=0 ss=0\n"
                                                                "for a; do\n  case $next in t) t=$a ;; ss) ss=$(seconds \"$a\") ;; fs) limit=$a ;; p) progress=$a ;; esac\n"
                                                                "  case $a in *'lt(n\\,'*) skip=${a#*'lt(n\\,'}; skip=${skip%%')'*} ;; esac\n"
                                                                "  case $a in -t) next=t ;; -ss) next=ss ;; -fs) next=fs ;; -progress) next=p ;; *) next= ;; esac; out=$a\ndone\n"
                                                                "if [ -n \"$t\" ]; then r=%1; bytes=$(echo \"($t - $skip) * $r / 1\" | bc)\n"
                                                                "else r=%4; bytes=$(echo \"(40 - $ss - $skip) * $r / 1\" | bc); fi\n"
                                                                "[ -n \"$limit\" ] && [ \"$bytes\" -gt \"$limit\" ] && { frames=$((limit / r)); bytes=$limit; }\n"
                                                                "head -c $((bytes + bytes / 50)) /dev/zero > \"$out\"\n"
                                                                "[ -z \"$progress\" ] || printf 'frame=%s\\nprogress=end\\n' \"$frames\" > \"$progress\"")
                                                            .arg(rate).arg(keyEvery).arg(early).arg(lastRate)),
                                      QString()));
        EngineObjects::setEngines(&writer, &canned, nullptr);
        const QString input = m_folder->path() + "/movie.avi";
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(header + 40000 + tail));
        file.close();
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        splitter.startSplit(input, volumes, volumeSize,
                            equal ? MediaSplitter::VolumeRule::EqualParts : MediaSplitter::VolumeRule::WithinSize);
        const bool ended = finished.count() == 1 || finished.wait(30000);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, m_mencoder.get());
        QVERIFY(ended);
        QVERIFY2(m_capture->log().contains(logged), qPrintable(m_capture->log()));
        QCOMPARE(host.jobs().size(), jobs);
        // Each volume within the size, the last too; equal parts as equal as the key frames let
        // them be. A split that failed leaves nothing half-made.
        const QStringList parts = QDir(m_folder->path()).entryList({"movie.part*"}, QDir::Files, QDir::Name);
        QVERIFY(parts.size() <= jobs);
        qint64 smallest = std::numeric_limits<qint64>::max();
        qint64 largest = 0;
        for (const QString &part : parts) {
            const qint64 size = QFileInfo(m_folder->filePath(part)).size();
            QVERIFY2(equal || size <= volumeSize, qPrintable(QString("%1: %2 bytes").arg(part).arg(size)));
            smallest = std::min(smallest, size);
            largest = std::max(largest, size);
        }
        QVERIFY2(!equal || largest - smallest <= keyEvery * rate * 11 / 10,
                 qPrintable(QString("%1 to %2 bytes").arg(smallest).arg(largest)));
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message"); // empty: the split runs
        const QString notAnalyzed = "Failed to start split: could not analyze input media file";
        QTest::newRow("missing file") << TestMedia::folder() + "/no such movie.avi" << notAnalyzed;
        QTest::newRow("text file named .avi") << writeBadMedia("text") << notAnalyzed;
        QTest::newRow("truncated clip") << writeBadMedia("truncated") << "";
    }

    void badInput()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        // A volume name already taken: every volume gets a number instead of overwriting it.
        const QString taken = m_folder->path() + "/" + QFileInfo(input).completeBaseName() + ".part2.avi";
        QVERIFY(QFile(taken).open(QIODevice::WriteOnly));

        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        splitter.startSplit(input, 2, QFileInfo(input).size() / 2 + 1, MediaSplitter::VolumeRule::EqualParts);
        if (!message.isEmpty()) {
            QVERIFY2(m_capture->log().contains(message), qPrintable(m_capture->log()));
            QVERIFY(host.jobs().isEmpty());
            QCOMPARE(finished.count(), 0);
            return;
        }
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        const QString first = m_folder->path() + "/" + QFileInfo(input).completeBaseName() + " (1).part1.avi";
        QVERIFY2(QFileInfo::exists(first), qPrintable(first));
        QVERIFY(TestMedia::probeDuration(first) > 0.0);
        QCOMPARE(QFileInfo(taken).size(), 0);
        // Cut short, the clip has no index: seeks land at its start, and the second volume is
        // copied from there, its pictures before its own first one left out.
        const QString second = QString(first).replace(".part1.", ".part2.");
        QCOMPARE(firstDifference(pictures(first) + pictures(second), pictures(input)),
                 QString());
        QVERIFY2(!host.jobs().last()->tasks().first()->arguments().contains("-ss"), qPrintable(m_capture->log()));
    }

    // A split never writes over a file it did not make: beside a hundred earlier splits it
    // takes the next free number; a volume name that is taken while the split runs stops the
    // split with what happened, and the file stays as it was.
    void userFilesAreNeverOverwritten_data()
    {
        QTest::addColumn<int>("earlier"); // earlier splits: movie.part1.avi, then " (1)" to " (n-1)"
        QTest::addColumn<QString>("prefix"); // of the volumes written
        QTest::addColumn<QString>("logged");
        QTest::newRow("beside files (1) to (99)") << 100 << "/movie (100).part" << "";
        QTest::newRow("a name held by a queued job") << -1 << "/movie (1).part" << "";
        QTest::newRow("second name taken during the split")
            << 0 << "/movie.part" << "/movie.part2.avi was made or written by another program";
    }

    void userFilesAreNeverOverwritten()
    {
        QFETCH(int, earlier);
        QFETCH(QString, prefix);
        QFETCH(QString, logged);
        const QString folder = m_folder->path();
        QVERIFY(QFile::copy(TestMedia::standardAvi(), folder + "/movie.avi"));
        QStringList userFiles{folder + "/movie.part1.avi"};
        for (int n = 1; n < earlier; ++n)
            userFiles << folder + QString("/movie (%1).part1.avi").arg(n);
        const auto writeUserFile = [](const QString &path) { QFile file(path); return file.open(QIODevice::WriteOnly) && file.write("user's"); };
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        if (earlier == 0) { // made once the first volume runs, before the second is queued
            userFiles = {folder + "/movie.part2.avi"};
            connect(&host, &MervoJobManager::jobStarted, this, [&] { writeUserFile(userFiles.first()); },
                    Qt::SingleShotConnection);
        }
        for (int n = 0; n < earlier; ++n)
            QVERIFY(writeUserFile(userFiles.at(n)));
        if (earlier < 0) { // a job queued to write movie.part2.avi, not yet started
            userFiles.clear();
            reserveOutputName(folder, "movie.part2");
        }
        MediaSplitter splitter(&host);
        const bool ended = splitToEnd(splitter, folder + "/movie.avi", 2);
        if (earlier < 0)
            releaseOutputName(folder, "movie.part2");
        QVERIFY(ended);

        for (const QString &file : std::as_const(userFiles)) {
            QFile kept(file);
            QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "user's");
        }
        QVERIFY(TestMedia::probeDuration(folder + prefix + "1.avi") > 0.0);
        QVERIFY2(logged.isEmpty() ? TestMedia::probeDuration(folder + prefix + "2.avi") > 0.0 : m_capture->log().contains(logged),
                 qPrintable(m_capture->log()));
    }

    // Two splits of one input into one folder at once (two windows, each its own job manager),
    // the first one's copies slow to start: the second takes the next free names, and neither
    // loses or fails a volume.
    void twoSplitsAtOnce()
    {
        const QString folder = m_folder->path();
        QVERIFY(QFile::copy(aviClip(), folder + "/film.avi"));
        FFmpeg slow;
        QVERIFY(slow.startInterface(slowedEngine("ffmpeg-slow-copies", "ffmpeg", "sleep", 1000, "*0:V?*"), QString()));
        MervoJobManager firstHost(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MervoJobManager secondHost(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        EngineObjects::setEngines(&slow, m_ffprobe, nullptr);
        MediaSplitter first(&firstHost);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, m_mencoder.get());
        MediaSplitter second(&secondHost);
        QSignalSpy firstEnded(&first, &MediaSplitter::finished);
        first.startSplit(folder + "/film.avi", 4, QFileInfo(folder + "/film.avi").size() / 4 + 1,
                         MediaSplitter::VolumeRule::EqualParts);
        QVERIFY(splitToEnd(second, folder + "/film.avi", 4) && (firstEnded.count() == 1 || firstEnded.wait(30000)));
        QVERIFY2(!m_capture->log().contains("Failed"), qPrintable(m_capture->log()));
        for (const char *prefix : {"/film.part", "/film (1).part"}) {
            for (int volume = 1; volume <= 4; ++volume)
                QVERIFY2(TestMedia::probeDuration(folder + prefix + QString::number(volume) + ".avi") > 5.0,
                         qPrintable(prefix + QString::number(volume)));
        }
    }

    // A split that stops at a failed volume leaves no engine behind, not even the analysis
    // it had started for that volume.
    void stoppedSplitLeavesNoEngine()
    {
        const QString folder = m_folder->path();
        QVERIFY(QFile::copy(aviClip(), folder + "/movie.avi"));
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        connect(&host, &MervoJobManager::jobStarted, this, [folder] {
            QFile taken(folder + "/movie.part2.avi");
            QVERIFY(taken.open(QIODevice::WriteOnly));
        }, Qt::SingleShotConnection);
        MediaSplitter splitter(&host);
        QVERIFY(splitToEnd(splitter, folder + "/movie.avi", 3));
        QVERIFY2(m_capture->log().contains("Failed to split part #2 of movie.avi"), qPrintable(m_capture->log()));
        QVERIFY2(TestMedia::processesNaming(folder).isEmpty(), qPrintable(TestMedia::processesNaming(folder).join(' ')));
    }

    void volumeCountBelowOne()
    {
        // Nothing else would stop the volumes: the split must end at once.
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        QPointer<MediaSplitter> splitter = new MediaSplitter(&host);
        splitter->setAutoDelete(true);
        QSignalSpy finished(splitter.data(), &MediaSplitter::finished);
        splitter->startSplit(TestMedia::standardAvi(), -1, 1000000);
        QCOMPARE(finished.count(), 1);
        QVERIFY(host.jobs().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!splitter);
    }

private:
    // Splits the input into three volumes, into the test's folder, with these engines: equal
    // parts, or (limit) volumes within two fifths of it, the third holding the rest. True when
    // the split ended with three jobs.
    bool splitsInThree(const QString &input, FFmpeg *ffmpeg, FFprobe *ffprobe, bool limit = false)
    {
        EngineObjects::setEngines(ffmpeg, ffprobe, nullptr);
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        const qint64 size = QFileInfo(input).size();
        splitter.startSplit(input, 3, limit ? size * 2 / 5 : size / 3 + 1,
                            limit ? MediaSplitter::VolumeRule::WithinSize : MediaSplitter::VolumeRule::EqualParts);
        const bool ended = finished.count() == 1 || finished.wait(30000);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, m_mencoder.get());
        if (!ended || host.jobs().size() != 3)
            qWarning("%s", qPrintable(m_capture->log()));
        return ended && host.jobs().size() == 3;
    }
};

VEXO_TEST_CLASS(MediaSplitterTest)

// Real splits of generated clips of every container the splitter writes, merged back. The
// inputs and the seeks their volumes are copied from: each row an input that once lost, doubled
// or repeated pictures between volumes. Two classes, run side by side.
class ClipSplitting : public SplitterFixture
{
    Q_OBJECT

protected:
    static void addClipColumns()
    {
        // copies: jobs; alone: pictures missing from the volumes each decoded alone; limit: the
        // share of the input that is a size no volume exceeds (0: equal parts instead), the
        // volumes asked for being as many as the dialog says for it.
        addColumns<QString, int, QString, int, int>({"clip", "audioStreams", "seeks", "copies", "alone"});
        QTest::addColumn<double>("limit");
    }

    void splitsAndMergesBack()
    {
        QFETCH(QString, clip);
        QFETCH(int, audioStreams);
        QFETCH(QString, seeks);
        QFETCH(int, copies);
        QFETCH(int, alone);
        QFETCH(double, limit);
        QVERIFY(!clip.isEmpty());
        // Blanks, quotes, non-ASCII letters and a shell variable reach the engines unchanged.
        const QString baseName = "Le \"grand\" film d'Ève – 日本 $HOME";
        const QString suffix = QFileInfo(clip).suffix();
        const QString input = m_folder->path() + "/" + baseName + "." + suffix;
        QVERIFY(QFile::copy(clip, input));
        // As the split dialog divides the input: not a whole number of megabytes, the parts
        // rounded up to hold it whole; as a limit, to the byte.
        const qint64 inputSize = QFileInfo(input).size();
        const int asked = limit > 0.0 ? int(std::ceil(1.0 / limit)) : audioStreams == 2 ? 2 : 3;
        const qint64 volumeSize = limit > 0.0 ? qint64(double(inputSize) * limit) : inputSize / asked + 1;
        const int volumes = int(seeks.count(' ')) + 1;

        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        QSignalSpy started(&splitter, &MediaSplitter::started);
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        splitter.startSplit(input, asked, volumeSize,
                            limit > 0.0 ? MediaSplitter::VolumeRule::WithinSize : MediaSplitter::VolumeRule::EqualParts);
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QCOMPARE(started.count(), 1);
        QCOMPARE(finished.count(), 1);
        QVERIFY2(host.jobs().size() == copies, qPrintable(m_capture->log()));
        // A volume copied again: its last job counts.
        QList<MervoJob *> jobs;
        for (MervoJob *job : host.jobs()) {
            if (!jobs.isEmpty() && jobs.last()->title() == job->title())
                jobs.removeLast();
            jobs << job;
        }
        QCOMPARE(jobs.size(), volumes);
        QStringList starts;
        for (MervoJob *job : std::as_const(jobs)) {
            const QStringList arguments = job->tasks().first()->arguments();
            starts << (arguments.contains("-ss") ? arguments.at(arguments.indexOf("-ss") + 1) : "0");
        }
        QCOMPARE(starts.join(' '), seeks);

        QStringList parts;
        QStringList joined;
        int sound = 0;
        for (int volume = 1; volume <= volumes; ++volume) {
            const QString part = QString("%1/%2.part%3.%4").arg(m_folder->path(), baseName).arg(volume).arg(suffix);
            QCOMPARE(jobs.at(volume - 1)->title(),
                     QString("Extract volume %1/%2 from %3.%4").arg(volume).arg(volumes).arg(baseName, suffix));
            QCOMPARE(jobs.at(volume - 1)->output(), QFileInfo(part).fileName());
            QVERIFY2(QFileInfo::exists(part), qPrintable(part));
            // Within the size asked, the container's index included, the last too.
            if (limit > 0.0)
                QVERIFY2(QFileInfo(part).size() <= volumeSize,
                         qPrintable(QString("%1 bytes for %2").arg(QFileInfo(part).size()).arg(volumeSize)));
            const Sound held = soundOf(part);
            QCOMPARE(held.streams, audioStreams);
            sound += held.frames;
            // A player decodes every volume without an error (a seek into an MPEG stream once
            // began the sound in the middle of a frame).
            const Decoded played = decoded(part);
            QCOMPARE(played.errors, QString());
            const QStringList &volumePictures = played.pictures;
            QVERIFY(!volumePictures.isEmpty());
            qInfo("volume %d: %lld pictures, %lld bytes", volume, volumePictures.size(), QFileInfo(part).size());
            joined += volumePictures;
            parts << part;
        }
        // Equal parts differ by a key-frame interval at the most (and what their containers add).
        if (limit == 0.0) {
            qint64 smallest = std::numeric_limits<qint64>::max();
            qint64 largest = 0;
            for (const QString &part : std::as_const(parts)) {
                smallest = std::min(smallest, QFileInfo(part).size());
                largest = std::max(largest, QFileInfo(part).size());
            }
            const qint64 group = largestGroup(input);
            QVERIFY2(largest - smallest <= group + volumeSize / 50,
                     qPrintable(QString("%1 to %2 bytes, %3 between key frames").arg(smallest).arg(largest).arg(group)));
        }
        // They hold its sound frames, give or take one at each join (in an AVI, the frame that
        // straddles the cut may go to both volumes, or to neither).
        const int inputSound = soundFrames(input);
        QVERIFY2(qAbs(sound - inputSound) <= volumes - 1,
                 qPrintable(QString("%1 sound frames, %2 in the input").arg(sound).arg(inputSound)));
        // The volumes, one after the other, hold the input's pictures once each.
        const QStringList inputPictures = pictures(input);
        if (alone == 0)
            QCOMPARE(firstDifference(joined, inputPictures), QString());
        else
            QCOMPARE(joined.size(), inputPictures.size() - alone);

        // Merged back as Job > Merge does: the input's pictures, its length, its sound.
        const QString merged = mergeBack(parts, m_folder->path() + "/merged." + suffix);
        QVERIFY2(!merged.isEmpty(), qPrintable(m_capture->log()));
        const Decoded whole = decoded(merged);
        QCOMPARE(firstDifference(whole.pictures, inputPictures), QString());
        QCOMPARE(whole.errors, QString());
        QCOMPARE(soundOf(merged).streams, audioStreams);
        const double length = TestMedia::probeDuration(merged);
        const double inputLength = TestMedia::probeDuration(input);
        QVERIFY2(qAbs(length - inputLength) < 0.3, qPrintable(QString("%1 s of %2 s").arg(length).arg(inputLength)));
        const double soundPlays = soundLength(merged);
        const double inputSoundPlays = soundLength(input);
        QVERIFY2(qAbs(soundPlays - inputSoundPlays) < 0.1,
                 qPrintable(QString("%1 s of sound, %2 s in the input").arg(soundPlays).arg(inputSoundPlays)));
    }
};

// AVI, whose seeks land on a key frame at or before the time asked for.
class MediaSplitterAviTest : public ClipSplitting
{
    Q_OBJECT

private slots:
    void splitsAnAvi_data()
    {
        addClipColumns();
        const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "64k"};
        QTest::newRow("AVI, a key frame every 2 s") << aviClip() << 1 << "0 00:00:14.540000 00:00:26.540000" << 3 << 0 << 0.0;
        // Volumes of 1.7 s with key frames a second apart (a frame after each second, MP3
        // delays the pictures).
        QTest::newRow("AVI, key frames a second apart, volumes shorter than two") << TestMedia::clip("split-5s-1s-gop.avi", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=5", "-f", "lavfi", "-i", "sine=frequency=440:duration=5", "-g", "25", "-c:v", "mpeg4", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"}) << 1 << "0 00:00:02.540000 00:00:03.540000" << 3 << 0 << 0.0;
        // Long GOPs: key frames 10 s apart, B-frames.
        // Open GOPs: the B-pictures shown before a volume's first key frame need the volume
        // before; merged back, the input's pictures are all there.
        QTest::newRow("AVI with B-frames") << fortySeconds("split-b-frames.avi", {"-g", "50", "-c:v", "mpeg4", "-bf", "2", "-q:v", "4", "-c:a", "libmp3lame"}) << 1 << "0 00:00:13.980000 00:00:27.420000" << 3 << 4 << 0.0;
        QTest::newRow("AVI, most bytes in its first half") << heavyStart() << 1 << "0 00:00:06.540000 00:00:14.540000" << 3 << 0 << 0.0;
        QTest::newRow("long GOP in AVI") << fortySeconds("split-long-gop.avi", longGop() + mp3) << 1 << "0 00:00:10.500000 00:00:30.500000" << 3 << 0 << 0.0;
        // An AVI of small packets, its index a third of the file: FFmpeg's size limit stops
        // before the index.
        QTest::newRow("AVI of small packets") << TestMedia::clip("split-small-packets.avi", {"-f", "lavfi", "-i", "color=c=gray:size=64x48:rate=50:duration=40", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000:duration=40", "-c:v", "mpeg4", "-q:v", "31", "-g", "100", "-c:a", "libmp3lame", "-b:a", "8k", "-ac", "1"}) << 1 << "0 00:00:14.660000 00:00:26.660000" << 3 << 0 << 0.0;
        // Within a third of the input, the last volume too: the key frames leave the first
        // two short of it, and the rest needs one volume more.
        QTest::newRow("AVI within a third of it") << aviClip() << 1 << "0 00:00:12.540000 00:00:24.540000 00:00:36.540000" << 4 << 0 << 1.0 / 3;
        // Within a little over half of it: the rest after the first volume fits in one, its
        // share of the input's index with it (the whole index once made a third volume).
        QTest::newRow("AVI within a little over half of it") << aviClip() << 1 << "0 00:00:20.540000" << 2 << 0 << 0.51;
    }

    void splitsAnAvi()
    {
        splitsAndMergesBack();
    }
};

VEXO_TEST_CLASS(MediaSplitterAviTest)

// FLV, MP4 and Matroska, which index their key frames too.
class MediaSplitterClipsTest : public ClipSplitting
{
    Q_OBJECT

private slots:
    void splitsARealClip_data()
    {
        addClipColumns();
        const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "64k"};
        // The first video packet is stamped at 25 ms: a seek to second 0 would skip to 2 s.
        QTest::newRow("FLV, first packet after 0") << fortySeconds("split-40s.flv", QStringList{"-g", "50", "-c:v", "flv1", "-q:v", "4"} + mp3) << 1 << "0 00:00:14.525000 00:00:26.525000" << 3 << 0 << 0.0;
        // x264's own key-frame interval, 250 frames (no scene cuts), B-frames, and an MP4 edit
        // list that would hide pictures before a seek past the key frame.
        QTest::newRow("H.264 in MP4 with its default long GOP") << longGopH264() << 1 << "0 00:00:10.000000 00:00:30.000000" << 3 << 0 << 0.0;
        QTest::newRow("H.264 in MP4 with B-frames") << fortySeconds("split-40s.mp4", {"-g", "50", "-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-pix_fmt", "yuv420p", "-c:a", "aac"}) << 1 << "0 00:00:14.000000 00:00:26.000000" << 3 << 0 << 0.0;
        QTest::newRow("Matroska with B-frames") << fortySeconds("split-40s.mkv", {"-g", "50", "-c:v", "libx264", "-preset", "ultrafast", "-bf", "3", "-pix_fmt", "yuv420p", "-c:a", "libvorbis"}) << 1 << "0 00:00:14.503000 00:00:26.503000" << 3 << 0 << 0.0;
        // Long GOPs: key frames 10 s apart, B-frames.
        QTest::newRow("long GOP in Matroska") << fortySeconds("split-long-gop.mkv", longGop() + QStringList{"-c:a", "aac"}) << 1 << "0 00:00:10.523000 00:00:30.523000" << 3 << 0 << 0.0;
        QTest::newRow("long GOP in FLV") << fortySeconds("split-long-gop.flv", longGop() + QStringList{"-c:a", "aac"}) << 1 << "0 00:00:10.523000 00:00:30.523000" << 3 << 0 << 0.0;
    }

    void splitsARealClip()
    {
        splitsAndMergesBack();
    }
};

VEXO_TEST_CLASS(MediaSplitterClipsTest)

// MPEG program and transport streams, whose seeks land on any packet, and a DVD's VOB.
class MediaSplitterStreamsTest : public ClipSplitting
{
    Q_OBJECT

private slots:
    void splitsARealStream_data()
    {
        addClipColumns();
        // No key-frame index: a seek lands on any packet and the copy begins at the next key
        // frame. The start time lies after 0 (half a second, more than the key-frame
        // interval) and the audio runs past the video's end.
        QTest::newRow("MPEG program stream, a key frame every 0.48 s") << fortySeconds("split-40s.mpg", {"-g", "12", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}) << 1 << "0 00:00:13.930911 00:00:26.690911" << 3 << 0 << 0.0;
        // Long GOPs: key frames 10 s apart, B-frames.
        QTest::newRow("long GOP in an MPEG transport stream") << fortySeconds("split-long-gop.ts", longGop() + QStringList{"-c:a", "aac"}) << 1 << "0 00:00:10.023222 00:00:30.023222" << 3 << 0 << 0.0;
        QTest::newRow("long GOP in an MPEG program stream") << fortySeconds("split-long-gop.mpg", {"-c:v", "mpeg2video", "-q:v", "4", "-g", "250", "-bf", "2", "-flags", "+cgop", "-sc_threshold", "1000000000", "-c:a", "mp2"}) << 1 << "0 00:00:10.010911 00:00:30.010911" << 3 << 0 << 0.0;
        // MPEG-2 pictures shown before a key frame that refer to the group before it: a volume
        // decoded alone lacks them, the merge has them.
        QTest::newRow("open GOPs in an MPEG program stream") << fortySeconds("split-open-gop.mpg", {"-c:v", "mpeg2video", "-q:v", "4", "-g", "250", "-bf", "2", "-sc_threshold", "1000000000", "-c:a", "mp2"}) << 1 << "0 00:00:09.970911 00:00:29.890911" << 3 << 4 << 0.0;
        // Within a third of the input, the last volume too: one volume more.
        QTest::newRow("MPEG program stream within a third of it") << fortySeconds("split-40s.mpg", {"-g", "12", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}) << 1 << "0 00:00:13.450911 00:00:25.930911 00:00:38.210911" << 4 << 0 << 1.0 / 3;
        // A DVD's VOB: two audio languages, a data stream of navigation packets.
        const QString dvd = TestMedia::dvdFolder();
        QTest::newRow("DVD VOB with two languages") << (dvd.isEmpty() ? dvd : dvd + "/VIDEO_TS/VTS_01_1.VOB") << 2 << "0 00:00:04.205333" << 2 << 0 << 0.0;
    }

    void splitsARealStream()
    {
        splitsAndMergesBack();
    }
};

VEXO_TEST_CLASS(MediaSplitterStreamsTest)
#include "tst_mediasplitter.moc"
