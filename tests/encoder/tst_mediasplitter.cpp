// The movie splitter: where a volume ends, and real splits of generated clips with FFmpeg,
// FFprobe and the extended job manager.

#include "encoder/mediasplitter.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "encodertesting.h"
#include "eventgaps.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "testregistry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

Q_DECLARE_METATYPE(QList<FFprobePacket>)

namespace {
// A decoded video frame: the MD5 of its picture and its time in seconds.
struct Frame
{
    QString digest;
    double time = 0.0;
};

QList<Frame> decodedFrames(const QString &file)
{
    QString out;
    TestMedia::run("ffmpeg", {"-v", "error", "-i", file, "-map", "0:v", "-f", "framemd5", "-"}, &out);
    static const QRegularExpression timeBase("^#tb 0: (\\d+)/(\\d+)", QRegularExpression::MultilineOption);
    const QRegularExpressionMatch base = timeBase.match(out);
    const double tick = base.hasMatch() ? base.captured(1).toDouble() / base.captured(2).toDouble() : 0.0;
    QList<Frame> frames;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith('#')) // "0, dts, pts, duration, size, hash"
            frames.append({line.section(',', 5).trimmed(), line.section(',', 2, 2).trimmed().toDouble() * tick});
    }
    return frames;
}

int indexOf(const QList<Frame> &frames, const QString &digest, int from = 0)
{
    for (int i = from; i < frames.size(); ++i) {
        if (frames.at(i).digest == digest)
            return i;
    }
    return -1;
}

QString hashOf(const QString &label)
{
    return "MD5:" + QCryptographicHash::hash(label.toUtf8(), QCryptographicHash::Md5).toHex();
}

FFprobePacket packet(double time, bool key, const QString &hash)
{
    FFprobePacket result;
    result.time = time;
    result.duration = 0.04;
    result.key = key;
    result.hash = hash;
    return result;
}

// Key packets every 10 s of an input that starts at `start`, with a non-key one between.
QList<FFprobePacket> inputPackets(double start)
{
    QList<FFprobePacket> packets;
    for (int second = 0; second <= 40; second += 10) {
        packets << packet(start + second, true, hashOf(QString("key%1").arg(second)))
                << packet(start + second + 5, false, hashOf(QString("frame%1").arg(second + 5)));
    }
    return packets;
}
} // namespace

namespace {
// A 40 s clip (160x120, 25 fps, a tone) in the given container and codecs.
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

// Splits the input into that many volumes of one size and waits for the split's end.
bool splitToEnd(MediaSplitter &splitter, const QString &input, int volumes, int timeoutMs = 30000)
{
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(input, volumes, QFileInfo(input).size() / volumes);
    return finished.count() == 1 || finished.wait(timeoutMs);
}

QString longGopH264()
{
    return fortySeconds("split-long-gop.mp4", {"-c:v", "libx264", "-preset", "ultrafast", "-bf", "2",
                                               "-sc_threshold", "0", "-pix_fmt", "yuv420p", "-c:a", "aac"});
}

// The errors of decoding a file; FFmpeg's complaints about its null output's time stamps,
// which a DVD's own VOB gives too, are no decoding errors.
QString decodeErrors(const QString &file)
{
    QStringList lines = TestMedia::decodeErrors(file).split('\n', Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return line.contains("to muxer"); });
    return lines.join('\n');
}

int audioStreamCount(const QString &file)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", file}, &out);
    return out.count("audio");
}
} // namespace

class MediaSplitterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engines = std::make_unique<RegisteredEngines>();
        QVERIFY(m_engines->started());
        m_ffmpeg = m_engines->ffmpeg();
        m_ffprobe = m_engines->ffprobe();
    }

    void cleanupTestCase() { m_engines.reset(); }

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

    void startTimeText_data()
    {
        addColumns<double, QString>({"position", "text"});
        QTest::newRow("fraction dropped") << 754.4 << "00:12:34";
        QTest::newRow("floored, never rounded") << 59.999 << "00:00:59";
        QTest::newRow("24 hours count again") << 24 * 3600.0 + 5.0 << "00:00:05";
        // A position that is no number must not reach the time arithmetic.
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "00:00:00";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "00:00:00";
        QTest::newRow("negative") << -3.5 << "00:00:00";
    }

    void startTimeText()
    {
        QFETCH(double, position);
        QFETCH(QString, text);
        QCOMPARE(MediaSplitter::startTimeText(position), text);
    }

    void volumeSpan_data()
    {
        addColumns<double, QList<FFprobePacket>, double, QList<FFprobePacket>, QList<FFprobePacket>>({"inputStart", "inputWindow", "length", "head", "tail"});
        QTest::addColumn<double>("known"); // where the trial copy said it begins; NaN: unknown
        addColumns<double, double>({"begin", "end"});

        // Each volume is cut from second 17; its start time is the input's start.
        using Packets = QList<FFprobePacket>;
        const double nan = qQNaN();
        const Packets keyAt10{packet(0.0, true, hashOf("key10"))};
        // FFmpeg began at the key frame of second 10: 10 + 16 s, not 17 + 16; with B-frames the
        // furthest packet counts, not the last listed.
        QTest::newRow("copy from the key frame before the second, B-frames") << 0.0 << inputPackets(0.0) << 16.0 << keyAt10 << Packets{packet(15.96, false, "MD5:b"), packet(15.84, false, "MD5:c")} << nan << 10.0 << 26.0;
        QTest::newRow("input with a start time (MPEG-PS)") << 0.5 << inputPackets(0.5) << 16.2 << Packets{packet(0.5, true, hashOf("key10"))} << Packets{packet(16.46, false, "MD5:b")} << nan << 10.0 << 26.0;
        QTest::newRow("first packet not in the input: key packet at or before the second") << 0.0 << inputPackets(0.0) << 16.0 << Packets{packet(0.0, true, "MD5:changed")} << Packets{packet(15.96, false, "MD5:b")} << nan << 10.0 << 26.0;
        Packets stillPicture = inputPackets(0.0);
        stillPicture[2].hash = stillPicture[0].hash;
        QTest::newRow("identical key frames: the earliest counts") << 0.0 << stillPicture << 26.0 << Packets{packet(0.0, true, hashOf("key0"))} << Packets{packet(25.96, false, "MD5:b")} << nan << 0.0 << 26.0;
        // An MP4 edit list hides the lead-in (-7 s) from the measured length (9 s).
        QTest::newRow("no packets at the end: the length from the volume's start time") << 0.0 << inputPackets(0.0) << 9.0 << Packets{packet(-7.0, true, hashOf("key10"))} << Packets{} << nan << 10.0 << 26.0;
        QTest::newRow("key packet exactly on the second") << 0.0 << Packets{packet(10.0, true, "MD5:k10"), packet(17.0, true, "MD5:k17"), packet(18.0, true, "MD5:k18")} << 16.0 << Packets{packet(0.0, true, "MD5:changed")} << Packets{packet(15.96, false, "MD5:b")} << nan << 17.0 << 33.0;
        // The copy began after the second (MPEG-PS): where it began counts, not the second.
        QTest::newRow("begin known from the trial copy") << 0.0 << Packets{} << 3.0 << Packets{packet(5.0, true, "")} << Packets{packet(7.96, false, "")} << 18.5 << 18.5 << 21.5;
        QTest::newRow("no packets at all: the start second plus the length") << 0.0 << Packets{} << 16.0 << Packets{} << Packets{} << nan << 17.0 << 33.0;
    }

    void volumeSpan()
    {
        QFETCH(double, inputStart);
        QFETCH(QList<FFprobePacket>, inputWindow);
        QFETCH(double, length);
        QFETCH(QList<FFprobePacket>, head);
        QFETCH(QList<FFprobePacket>, tail);
        QFETCH(double, known);
        QFETCH(double, begin);
        QFETCH(double, end);
        const MediaSplitter::VolumeSpan span =
            MediaSplitter::volumeSpan(17.0, inputStart, inputWindow, length, inputStart, head, tail, known);
        QCOMPARE(span.begin, begin);
        QCOMPARE(span.end, end);
    }

    void judgeCopyBegin_data()
    {
        addColumns<double, int>({"begin", "verdict"});
        // The previous volume began at 10 s and ends at 25 s; times within 1 ms are the same.
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

    void firstCopiedTime_data()
    {
        addColumns<QList<FFprobePacket>, double>({"packets", "time"}); // NaN: not known
        auto of = [](int stream, double time, bool key) {
            FFprobePacket result = packet(time, key, QString());
            result.stream = stream;
            return result;
        };
        const double nan = qQNaN();
        // The input starts at 0.5 s; stream 1 is the reference.
        QTest::newRow("other streams first") << QList<FFprobePacket>{of(0, 0.5, true), of(2, 0.52, true), of(1, 0.54, true)} << 0.04;
        QTest::newRow("not a key packet: a later one would be copied first") << QList<FFprobePacket>{of(1, 0.5, false), of(1, 0.9, true)} << nan;
        QTest::newRow("no packet of the stream") << QList<FFprobePacket>{of(0, 0.5, true)} << nan;
    }

    void firstCopiedTime()
    {
        QFETCH(QList<FFprobePacket>, packets);
        QFETCH(double, time);
        const double found = MediaSplitter::firstCopiedTime(packets, 1, 0.5);
        QCOMPARE(qIsFinite(found), qIsFinite(time));
        if (qIsFinite(time))
            QVERIFY(qAbs(found - time) < 1e-9);
    }

    // Where FFprobe reads the input around a second: 20 s either side, in the input's time.
    void inputWindowIntervals_data()
    {
        addColumns<double, double, QString>({"second", "inputStart", "intervals"});
        QTest::newRow("early second: from the beginning") << 16.0 << 0.0 << "%36.000000";
        QTest::newRow("exactly 20 s in") << 20.0 << 0.5 << "%40.500000";
        QTest::newRow("later") << 37.0 << 0.5 << "17.500000%57.500000";
    }
    void inputWindowIntervals()
    {
        QFETCH(double, second);
        QFETCH(double, inputStart);
        QTEST(MediaSplitter::inputWindowIntervals(second, inputStart), "intervals");
    }

    // A volume's last packets are read from where its share of the input ends, less a
    // margin of twice the 2 s searched for them.
    void volumeIntervals_data()
    {
        addColumns<double, qint64, qint64, QString>({"duration", "volumeSize", "inputSize", "intervals"});
        QTest::newRow("a third of 100 s") << 100.0 << qint64(1000) << qint64(3000) << "%+#1,+29.333333%";
        QTest::newRow("a volume shorter than the margin") << 50.0 << qint64(1) << qint64(16) << "%+#1,+0.000000%";
        QTest::newRow("an input of no size") << 100.0 << qint64(1000) << qint64(0) << "%+#1,+0.000000%";
    }

    void volumeIntervals()
    {
        QFETCH(double, duration);
        QFETCH(qint64, volumeSize);
        QFETCH(qint64, inputSize);
        QTEST(MediaSplitter::volumeIntervals(duration, volumeSize, inputSize), "intervals");
    }

    // Where a copy from a second begins, told by the key frames of the previous volume's last
    // packets (at 20, 22 and 24 s; the volume ends at 25 s) instead of a trial copy.
    void keyFrameAtOrBefore_data()
    {
        addColumns<double, double, double>({"second", "end", "begin"}); // NaN: not told
        const double nan = qQNaN();
        QTest::newRow("between two") << 23.0 << 25.0 << 22.0;
        QTest::newRow("on one, within rounding") << 22.0 - 0.001 << 25.0 << 22.0;
        QTest::newRow("just before one") << 22.0 - 0.002 << 25.0 << 20.0;
        QTest::newRow("after the last") << 24.5 << 25.0 << 24.0;
        QTest::newRow("before the first read: not known") << 19.0 << 25.0 << nan;
        QTest::newRow("the end on the second: a key frame may follow") << 25.0 - 0.001 << 25.0 << nan;
    }

    void keyFrameAtOrBefore()
    {
        QFETCH(double, second);
        QFETCH(double, end);
        QFETCH(double, begin);
        const double found = MediaSplitter::keyFrameAtOrBefore({20.0, 22.0, 24.0}, second, end);
        QCOMPARE(qIsFinite(found), qIsFinite(begin));
        if (qIsFinite(begin))
            QCOMPARE(found, begin);
        QVERIFY(!qIsFinite(MediaSplitter::keyFrameAtOrBefore({}, second, end)));
    }

    // A volume told by the pictures its copy wrote, counted in the input's packets from where
    // it began (key packets at 0.5, 10.5, 20.5, ... s of an input starting at 0.5 s, a packet
    // 5 s after each).
    void listedSpan_data()
    {
        addColumns<double, int, bool, double>({"begin", "count", "told", "end"});
        QTest::newRow("from the first packet") << 0.0 << 3 << true << 10.04;
        QTest::newRow("from a later key packet, to the input's last packet") << 30.0 << 4 << true << 45.04;
        QTest::newRow("B-frames: the furthest packet counts, not the last") << 10.0 << 3 << true << 20.08;
        QTest::newRow("key packet within rounding") << 10.0 + 0.001 << 1 << true << 10.04;
        QTest::newRow("more pictures than the input has from there") << 30.0 << 5 << false << 0.0;
        QTest::newRow("no key packet there") << 5.0 << 1 << false << 0.0;
        QTest::newRow("off by more than rounding") << 10.0 + 0.002 << 1 << false << 0.0;
        QTest::newRow("no pictures: the copy did not tell") << 0.0 << -1 << false << 0.0;
        QTest::newRow("none written") << 0.0 << 0 << false << 0.0;
    }

    void listedSpan()
    {
        QFETCH(double, begin);
        QFETCH(int, count);
        QFETCH(bool, told);
        QFETCH(double, end);
        QList<FFprobePacket> input = inputPackets(0.5);
        // B-frames: the packet after the key packet at 10.5 s is shown after the next one.
        input[3].time = 20.54;
        MediaSplitter::VolumeSpan span{-1.0, -1.0};
        QCOMPARE(MediaSplitter::listedSpan(span, input, 0.5, begin, count), told);
        if (told) {
            QCOMPARE(span.begin, std::round(begin));
            QVERIFY2(std::abs(span.end - end) < 1e-9, qPrintable(QString::number(span.end)));
        }
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

    // An FFprobe run costs about what reading 300 MB does, a volume's analysis about 450 MB.
    void listingPays_data()
    {
        addColumns<int, qint64, double, bool>({"volumes", "inputSize", "packets", "pays"});
        QTest::newRow("one volume: nothing analysed") << 1 << qint64(1000) << 100.0 << false;
        QTest::newRow("two volumes of a small input") << 2 << qint64(1000) << 100.0 << true;
        QTest::newRow("two volumes of 1.08 GB") << 2 << qint64(1080000000) << 1250.0 << false;
        QTest::newRow("just less than the analyses") << 3 << qint64(600000000) - 1 << 1250.0 << true;
        QTest::newRow("as much as the analyses") << 3 << qint64(600000000) << 1250.0 << false;
        QTest::newRow("sixteen volumes of 1.08 GB") << 16 << qint64(1080000000) << 1250.0 << true;
        // The listing is read as FFprobe prints it: a film's too, within what a listing keeps.
        QTest::newRow("as many packets as a listing keeps") << 16 << qint64(1000) << 2000000.0 << true;
        QTest::newRow("a packet more") << 16 << qint64(1000) << 2000001.0 << false;
        QTest::newRow("a two-hour film") << 16 << qint64(1080000000) << 180000.0 << true;
        QTest::newRow("packets not known") << 16 << qint64(1000) << qQNaN() << false;
    }

    void listingPays()
    {
        QFETCH(int, volumes);
        QFETCH(qint64, inputSize);
        QFETCH(double, packets);
        QFETCH(bool, pays);
        QCOMPARE(MediaSplitter::listingPays(volumes, inputSize, packets), pays);
    }

    // Only after a seek that lands on any packet is the sound before the first picture left
    // out (FFmpeg's times count from the second asked for).
    void soundOptions_data()
    {
        addColumns<double, double, bool, QStringList>({"second", "begin", "keyFrames", "options"});
        QTest::newRow("pictures begin before the second") << 14.0 << 13.9109 << false << QStringList{"-bsf:a", "noise=drop=lt(pts*tb\\,-0.089100)"};
        QTest::newRow("pictures begin after it") << 14.0 << 14.5 << false << QStringList{"-bsf:a", "noise=drop=lt(pts*tb\\,0.500000)"};
        QTest::newRow("seeks land on key frames") << 14.0 << 13.9 << true << QStringList{};
        QTest::newRow("no seek: the first volume") << 0.0 << 0.0 << false << QStringList{};
        QTest::newRow("begin not known") << 14.0 << qQNaN() << false << QStringList{};
    }

    void soundOptions()
    {
        QFETCH(double, second);
        QFETCH(double, begin);
        QFETCH(bool, keyFrames);
        QTEST(MediaSplitter::soundOptions(second, begin, keyFrames), "options");
    }

    void seeksToKeyFrames_data()
    {
        addColumns<QString, bool>({"formatName", "keyFrames"});
        QTest::newRow("AVI") << "avi" << true;
        QTest::newRow("MP4") << "mov,mp4,m4a,3gp,3g2,mj2" << true;
        QTest::newRow("Matroska") << "matroska,webm" << true;
        QTest::newRow("FLV") << "flv" << true;
        QTest::newRow("MPEG program stream") << "mpeg" << false;
        QTest::newRow("MPEG transport stream") << "mpegts" << false;
        QTest::newRow("a name that only begins alike") << "avisynth" << false;
        QTest::newRow("none") << "" << false;
    }

    void seeksToKeyFrames()
    {
        QFETCH(QString, formatName);
        QTEST(MediaSplitter::seeksToKeyFrames(formatName), "keyFrames");
    }

    void tailCovers_data()
    {
        addColumns<QList<FFprobePacket>, bool>({"tail", "covers"});
        // The last packets are wanted from 23 s on.
        QTest::newRow("read from before") << QList<FFprobePacket>{packet(22.04, true, ""), packet(25.0, false, "")} << true;
        QTest::newRow("read from exactly there") << QList<FFprobePacket>{packet(23.0, true, "")} << true;
        QTest::newRow("read from after, at a key frame") << QList<FFprobePacket>{packet(23.01, true, "")} << true;
        QTest::newRow("read from after, not at a key frame") << QList<FFprobePacket>{packet(23.01, false, ""), packet(23.05, true, "")} << false;
        QTest::newRow("nothing read") << QList<FFprobePacket>{} << false;
    }

    void tailCovers()
    {
        QFETCH(QList<FFprobePacket>, tail);
        QFETCH(bool, covers);
        QCOMPARE(MediaSplitter::tailCovers(tail, 23.0), covers);
    }

    void splitsARealClip_data()
    {
        addColumns<QString, double, int, QString>({"clip", "keyInterval", "audioStreams", "cuts"});

        // Each row is an input that once lost, doubled or repeated pictures between volumes, and
        // the seconds its volumes are cut from.
        const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "64k"};
        QTest::newRow("AVI: the copy starts at the key frame before the second") << aviClip() << 2.0 << 1 << "0 00:00:13 00:00:25";
        // Key frames a frame after each whole second (MP3 delays the pictures), volumes of 1.3 s:
        // the copy from the second a volume ends in begins where that volume began, and the one
        // from the next second at the key frame within the volume.
        QTest::newRow("AVI: key frames just after each second, volumes shorter than two") << TestMedia::clip("split-4s-1s-gop.avi", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4", "-f", "lavfi", "-i", "sine=frequency=440:duration=4", "-g", "25", "-c:v", "mpeg4", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"}) << 1.0 << 1 << "0 00:00:02 00:00:03";
        // No key-frame index: a seek lands on any packet and the copy begins at the next key
        // frame, whole seconds are tried. The start time lies after 0 (half a second, more than
        // the key-frame interval) and the audio runs past the video's end.
        QTest::newRow("MPEG program stream: seeks to any packet") << fortySeconds("split-40s.mpg", {"-g", "12", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}) << 1.5 << 1 << "0 00:00:14 00:00:28";
        // The first video packet is stamped at 25 ms: a seek to second 0 would skip to 2 s.
        QTest::newRow("FLV: first packet after 0, so volume 1 must not seek") << fortySeconds("split-40s.flv", QStringList{"-g", "50", "-c:v", "flv1", "-q:v", "4"} + mp3) << 2.0 << 1 << "0 00:00:13 00:00:25";
        // x264's own key-frame interval, 250 frames (no scene cuts): volumes of 13 s begin 3 s
        // before the end of the one before. B-frames, and an MP4 edit list hiding each volume's
        // lead-in.
        QTest::newRow("H.264 in MP4 with its default long GOP") << longGopH264() << 10.0 << 1 << "0 00:00:14 00:00:24";
        // Each volume's last packets are read from its last key frame: a seek past the last
        // cue makes the demuxer read on to the end.
        QTest::newRow("Matroska with B-frames") << fortySeconds("split-40s.mkv", {"-g", "50", "-c:v", "libx264", "-preset", "ultrafast", "-bf", "3", "-pix_fmt", "yuv420p", "-c:a", "libvorbis"}) << 2.0 << 1 << "0 00:00:14 00:00:26";
        // A DVD's VOB: two audio languages, a data stream of navigation packets.
        const QString dvd = TestMedia::dvdFolder();
        // Key frames every 0.6 s, and the copy begins after the second asked for: whole seconds
        // are tried.
        QTest::newRow("DVD VOB with two languages") << (dvd.isEmpty() ? dvd : dvd + "/VIDEO_TS/VTS_01_1.VOB") << 1.6 << 2 << "0 00:00:04";
    }

    void splitsARealClip()
    {
        QFETCH(QString, clip);
        QFETCH(double, keyInterval);
        QFETCH(int, audioStreams);
        QFETCH(QString, cuts);
        const double frameTime = 0.04;
        QVERIFY(!clip.isEmpty());
        // Blanks, quotes, non-ASCII letters and a shell variable reach the engines unchanged.
        const QString baseName = "Le \"grand\" film d'Ève – 日本 $HOME";
        const QString suffix = QFileInfo(clip).suffix();
        const QString input = m_folder->path() + "/" + baseName + "." + suffix;
        QVERIFY(QFile::copy(clip, input));
        const int volumes = audioStreams == 2 ? 2 : 3;
        // Not a whole number of megabytes: the limit holds to the byte.
        const qint64 volumeSize = QFileInfo(input).size() / volumes;

        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        QSignalSpy started(&splitter, &MediaSplitter::started);
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        splitter.startSplit(input, volumes, volumeSize);
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QCOMPARE(started.count(), 1);
        QCOMPARE(finished.count(), 1);
        QVERIFY2(host.jobs().size() == volumes, qPrintable(m_capture->log()));
        // Each volume is cut from the second it always was.
        QStringList starts;
        for (MervoJob *job : host.jobs()) {
            const QStringList arguments = job->tasks().first()->arguments();
            starts << (arguments.contains("-ss") ? arguments.at(arguments.indexOf("-ss") + 1) : "0");
        }
        QCOMPARE(starts.join(' '), cuts);

        const QList<Frame> inputFrames = decodedFrames(input);
        int previousEnd = -1;
        for (int volume = 1; volume <= volumes; ++volume) {
            const QString part = QString("%1/%2.part%3.%4").arg(m_folder->path(), baseName).arg(volume).arg(suffix);
            QCOMPARE(host.jobs().at(volume - 1)->title(),
                     QString("Extract volume %1/%2 from %3.%4").arg(volume).arg(volumes).arg(baseName, suffix));
            QCOMPARE(host.jobs().at(volume - 1)->output(), QFileInfo(part).fileName());
            QVERIFY2(QFileInfo::exists(part), qPrintable(part));
            // The size limit holds (the MPEG muxer writes the packs it holds after reaching it).
            if (volume < volumes)
                QVERIFY2(QFileInfo(part).size() <= volumeSize + volumeSize / 20 + 160 * 1024,
                         qPrintable(QString("%1 bytes for %2").arg(QFileInfo(part).size()).arg(volumeSize)));
            QCOMPARE(audioStreamCount(part), audioStreams);
            // A player decodes every volume without an error (a seek into an MPEG stream once
            // began the sound in the middle of a frame).
            QCOMPARE(decodeErrors(part), QString());

            // Where the volume's first and last pictures lie in the input.
            const QList<Frame> frames = decodedFrames(part);
            QVERIFY(!frames.isEmpty());
            const int start = indexOf(inputFrames, frames.first().digest);
            const int end = indexOf(inputFrames, frames.last().digest, start);
            QVERIFY2(start >= 0 && end >= start, qPrintable(part));
            qInfo("volume %d: frames %d to %d", volume, start, end);
            if (volume == 1) {
                QCOMPARE(start, 0);
            } else {
                // No picture is left out between volumes, each reaches further than the one
                // before, and the overlap is at most the whole second the previous volume ended
                // in plus one key-frame interval.
                QVERIFY2(start <= previousEnd + 1 && end > previousEnd,
                         qPrintable(QString("%1 to %2 after %3").arg(start).arg(end).arg(previousEnd)));
                const double previousEndTime = inputFrames.at(previousEnd).time + frameTime;
                QVERIFY2(inputFrames.at(start).time >= std::floor(previousEndTime) - keyInterval - frameTime / 2,
                         qPrintable(QString("%1 s after %2 s").arg(inputFrames.at(start).time).arg(previousEndTime)));
            }
            previousEnd = end;
        }
        QCOMPARE(previousEnd, inputFrames.size() - 1);
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
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, nullptr);
        QVERIFY2(gaps.longest() < kWideGapMs, qPrintable(QString::number(gaps.longest())));
        QVERIFY2(host.jobs().size() == 2, qPrintable(m_capture->log()));
        QVERIFY(QFileInfo::exists(m_folder->path() + "/slow.part2.avi"));
    }

    // The input's analysis, started while the user chose the volumes, is the one the split
    // takes. Where seeks land on key frames, the input's packets are listed once and each copy
    // tells how many pictures it wrote: FFprobe reads no volume, and FFmpeg runs only the
    // copies. Elsewhere each volume's analysis starts while the volume is copied and waits,
    // loaded, for the copy's end: FFprobe reads each volume but the last once, as the held run
    // it was started as.
    void analysesStartedAhead_data()
    {
        addColumns<QString, bool, bool>({"clip", "listed", "told"}); // told: FFmpeg writes its progress
        QTest::newRow("AVI: the input's packets listed") << aviClip() << true << true;
        // A volume ends exactly on second 24: the key frame a copy from there begins at is
        // listed too, no trial copy runs.
        QTest::newRow("H.264 in MP4: a volume ends on a whole second") << longGopH264() << true << true;
        // The first volume is analysed once the copy has ended, the others while copied.
        QTest::newRow("AVI: a copy that tells nothing") << aviClip() << false << false;
        QTest::newRow("MPEG program stream: each volume analysed") << fortySeconds("split-40s.mpg", {"-g", "12", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}) << false << true;
    }

    void analysesStartedAhead()
    {
        QFETCH(QString, clip);
        QFETCH(bool, listed);
        QFETCH(bool, told);
        const QString calls = m_folder->path() + "/ffprobe calls.txt";
        FFprobe logging;
        QVERIFY(logging.startInterface(
            // The listing of the input stops for a second after 36 s of pictures: the split
            // waits for it as far as a volume needs it, the listing's end for the last ones.
            writeEngineScript("logging-ffprobe", QString("printf '%s\\n' \"$*\" >> '%1'\n"
                                                         "case \"$*\" in *'-read_intervals % '*)\n"
                                                         "  ffprobe \"$@\" | { i=0; while [ $i -lt 900 ] && IFS= read -r l; do printf '%s\\n' \"$l\"; i=$((i+1)); done\n"
                                                         "    sleep 1; cat; }; exit ;;\nesac\n"
                                                         "exec ffprobe \"$@\"").arg(calls)),
            QString()));
        const QString copies = m_folder->path() + "/ffmpeg calls.txt";
        FFmpeg loggingCopies;
        QVERIFY(loggingCopies.startInterface(
            writeEngineScript(told ? "logging-ffmpeg" : "untold-ffmpeg",
                              QString("printf '%s\\n' \"$*\" >> '%1'\n").arg(copies)
                                  + (told ? "exec ffmpeg \"$@\"" : "skip=\nfor a; do shift; [ -n \"$skip\" ] && { skip=; continue; }\n"
                                                 "  [ \"$a\" = -progress ] && { skip=1; continue; }; set -- \"$@\" \"$a\"; done\n"
                                                 "exec ffmpeg \"$@\"")),
            QString()));
        EngineObjects::setEngines(&loggingCopies, &logging, nullptr);
        const QString input = clip;
        const QString name = QFileInfo(clip).fileName();
        const QString base = QFileInfo(clip).completeBaseName();
        const auto called = [](const QString &list) {
            QFile file(list);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                                  : QStringList();
        };
        MediaSplitter::prefetchInputAnalysis(input);
        QTRY_COMPARE_WITH_TIMEOUT(called(calls).filter(name).size(), 1, 10000);
        QTest::qWait(300); // the analysis has ended before the split asks for it
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        const bool ended = splitToEnd(splitter, input, 3);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, nullptr);
        QVERIFY(ended);
        QVERIFY2(host.jobs().size() == 3, qPrintable(m_capture->log()));
        const QStringList lines = called(calls);
        QCOMPARE(lines.filter(name).filter("%+#32").size(), 1);
        if (listed) {
            // The analysis and the listing of every packet.
            QCOMPARE(lines.filter(name).size(), 2);
            QCOMPARE(lines.filter(QRegularExpression("-read_intervals % .*" + QRegularExpression::escape(name))).size(), 1);
            const QStringList made = called(copies).filter(name);
            QCOMPARE(made.size(), 3); // the volumes' copies alone
            for (int volume = 1; volume <= 3; ++volume)
                QCOMPARE(made.at(volume - 1).contains("-progress"), volume < 3);
            // What the copies told is removed with the split.
            const QString progress = QRegularExpression("-progress (\\S+)").match(made.first()).captured(1);
            QVERIFY(!progress.isEmpty());
            QVERIFY2(!QFileInfo::exists(progress), qPrintable(progress));
        }
        for (int volume = 1; volume <= 3; ++volume) {
            const QStringList reads = lines.filter(QString("%1.part%2.").arg(base).arg(volume));
            QCOMPARE(reads.size(), volume < 3 && !listed ? 1 : 0);
            // The last packets are read from 4 s before the volume's share of the input
            // (13.3 s of 40 s).
            if (!reads.isEmpty())
                QVERIFY2((reads.first().startsWith("-o ") || (!told && volume == 1)) && reads.first().contains(QRegularExpression("%\\+#1,\\+9\\.\\d+%")),
                         qPrintable(reads.first()));
        }
    }

    // An input without pictures is split by its sound: the volumes follow one another
    // and together last as long as the input (a stream copy of MP3 cuts between frames).
    void splitsSoundOnly()
    {
        const QString input = TestMedia::clip("split-40s.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=40",
                                                                "-c:a", "libmp3lame", "-b:a", "128k"});
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QVERIFY(splitToEnd(splitter, input, 3));
        QVERIFY2(host.jobs().size() == 3, qPrintable(m_capture->log()));
        double total = 0.0;
        for (int volume = 1; volume <= 3; ++volume) {
            const double length = TestMedia::probeDuration(m_folder->path() + QString("/split-40s.part%1.mp3").arg(volume));
            QVERIFY2(length > 5.0, qPrintable(QString::number(length)));
            total += length;
        }
        QVERIFY2(total > 39.5 && total < 42.5, qPrintable(QString::number(total)));
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

    // A volume shorter than the key-frame interval leaves no key frame to begin the next one
    // from: the split stops rather than repeat the volume or leave pictures out.
    void volumesShorterThanTheKeyFrameInterval_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::newRow("H.264 with its default long GOP: the next copy would begin at 0 again") << longGopH264();
        QTest::newRow("MPEG-PS with a 10 s GOP: the next copy would begin past the end") << fortySeconds("split-10s-gop.mpg", {"-g", "250", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"});
    }

    void volumesShorterThanTheKeyFrameInterval()
    {
        QFETCH(QString, clip);
        QVERIFY(!clip.isEmpty());
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QVERIFY(splitToEnd(splitter, clip, 8));
        QVERIFY2(m_capture->log().contains("Failed (position error) to continue split of " + QFileInfo(clip).fileName()),
                 qPrintable(m_capture->log()));
        QCOMPARE(host.jobs().size(), 1);
    }

    // Volume analyses from an FFprobe that answers with canned text (FFmpeg writes stand-ins of
    // the volumes and finds no input for its trial copies, which so tell nothing: the split goes
    // on from the whole second).
    void cannedVolumeAnalysis_data()
    {
        addColumns<QString, int, int, QString>({"cases", "volumes", "jobs", "logged"});
        const QString longInput = writeEngineFile("probe-long-input.txt", "{\"format\": {\"duration\": \"100.000000\"}}\n");
        // A volume after the first that measures nothing leaves the position where it was: the
        // split stops. (FFprobe knows no streams and says every first volume is empty.)
        QTest::newRow("volume that measures nothing")
            << QString("  *part1*) cat '%1' ;;\n  *) cat '%2' ;;")
                   .arg(writeEngineFile("probe-empty-volume.txt", "{\"format\": {\"duration\": \"0.000000\"}}\n"), longInput)
            << 3 << 1 << "Failed (position error) to continue split of movie.avi";
        // Last packets read from a guess that lands too late (the volume's analysis lists them from
        // 9 s of 10 s, not at a key frame, as a seek in an MPEG stream lands) are read again from
        // the measured length: one ends at 11.5 s.
        const QByteArray videoInput = "{\"streams\": [{\"index\": 0, \"codec_type\": \"video\"}],"
                                      " \"format\": {\"duration\": \"100.000000\", \"start_time\": \"0.000000\"}}\n";
        const QByteArray volume = "{\"packets\": [{\"stream_index\": 0, \"pts_time\": \"0.000000\", \"flags\": \"K_\"},"
                                  " {\"stream_index\": 0, \"pts_time\": \"9.000000\", \"flags\": \"__\"}],"
                                  " \"format\": {\"duration\": \"10.000000\", \"start_time\": \"0.000000\"}}\n";
        QTest::newRow("last packets guessed too late")
            << QString("  *-show_packets*part1*) cat '%1' ;;\n  *part1*) cat '%2' ;;\n  *) cat '%3' ;;")
                   .arg(writeEngineFile("probe-late-volume.txt", volume),
                        writeEngineFile("probe-late-tail.txt", "[PACKET]\npts_time=11.460000\nduration_time=0.040000\n[/PACKET]\n"),
                        writeEngineFile("probe-video-input.txt", videoInput))
            << 2 << 2 << "Start FFmpeg job with -ss 00:00:11 ";
    }

    void cannedVolumeAnalysis()
    {
        QFETCH(QString, cases);
        QFETCH(int, volumes);
        QFETCH(int, jobs);
        QFETCH(QString, logged);
        const QString script = writeEngineScript(
            QString("probe-%1").arg(QTest::currentDataTag()).replace(' ', '-'),
            "case \"$*\" in\n  -version) echo 'ffprobe version 9.9-test' ;;\n" + cases + "\nesac");
        FFprobe canned;
        QVERIFY(canned.startInterface(script, QString()));
        // The volumes' jobs end well with a file each; the trial copies find no input.
        FFmpeg writer;
        QVERIFY(writer.startInterface(writeEngineScript("ffmpeg-volume-writer",
                                                        "case \"$*\" in\n  -version|-formats|-codecs) exec ffmpeg \"$@\" ;;\n"
                                                        "  *framemd5*) exit 1 ;;\n  *) for last; do :; done; printf volume > \"$last\" ;;\nesac"),
                                      QString()));
        EngineObjects::setEngines(&writer, &canned, nullptr);
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        splitter.setOutputFolder(m_folder->path());
        QSignalSpy finished(&splitter, &MediaSplitter::finished);
        splitter.startSplit(m_folder->path() + "/movie.avi", volumes, 1000000);
        const bool ended = finished.count() == 1 || finished.wait(30000);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, nullptr);
        QVERIFY(ended);
        QVERIFY2(m_capture->log().contains(logged), qPrintable(m_capture->log()));
        QCOMPARE(host.jobs().size(), jobs);
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
        splitter.startSplit(input, 2, QFileInfo(input).size() / 2);
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
        QTest::newRow("second name taken during the split")
            << 0 << "/movie.part" << "Failed to split part #2 of movie.avi: exited with code 1";
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
        MediaSplitter splitter(&host);
        QVERIFY(splitToEnd(splitter, folder + "/movie.avi", 2));

        for (const QString &file : std::as_const(userFiles)) {
            QFile kept(file);
            QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "user's");
        }
        QVERIFY(TestMedia::probeDuration(folder + prefix + "1.avi") > 0.0);
        QVERIFY2(logged.isEmpty() ? TestMedia::probeDuration(folder + prefix + "2.avi") > 0.0 : m_capture->log().contains(logged),
                 qPrintable(m_capture->log()));
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

    // A volume is read as soon as FFmpeg has closed it: here FFmpeg's process lingers two
    // seconds after that, and each volume's analysis has ended before its job does.
    void volumeReadOnceClosed()
    {
        const QString folder = m_folder->path();
        QVERIFY(QFile::copy(fortySeconds("split-40s.mpg", {"-g", "12", "-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}),
                            folder + "/movie.mpg"));
        FFmpeg lingering;
        QVERIFY(lingering.startInterface(
            writeEngineScript("ffmpeg-lingering", "case \"$*\" in\n  *-fs*) ffmpeg \"$@\"; status=$?; sleep 2; exit $status ;;\n"
                                                  "  *) exec ffmpeg \"$@\" ;;\nesac"),
            QString()));
        EngineObjects::setEngines(&lingering, m_ffprobe, nullptr);
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        QStringList readingAtJobEnd;
        // Connected before the splitter connects to the job's end.
        connect(&host, &MervoJobManager::jobStarted, this, [&](MervoJob *job) {
            const QString volume = splitter.currentOutput();
            connect(job, &Job::finished, this, [&, volume] { readingAtJobEnd += TestMedia::processesNaming(volume); });
        });
        const bool ended = splitToEnd(splitter, folder + "/movie.mpg", 3, 60000);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, nullptr);
        QVERIFY(ended);
        QVERIFY2(host.jobs().size() == 3, qPrintable(m_capture->log()));
        QVERIFY2(readingAtJobEnd.isEmpty(), qPrintable(readingAtJobEnd.join('\n')));
    }

    // FFmpeg may close a volume and write it again: here it first writes the volume's first
    // 5 s, closes it, and a second later writes the whole volume, or puts it in its place.
    // The analysis that read the first 5 s is not taken: the next volume follows the whole
    // one, not the 5 s.
    void volumeWrittenAgainAfterClosing_data()
    {
        QTest::addColumn<QString>("lastWrite");
        QTest::newRow("written again") << "cat \"$whole\" > \"$out\"; rm -f \"$whole\"";
        QTest::newRow("replaced, no close seen") << "mv -f \"$whole\" \"$out\"";
    }
    void volumeWrittenAgainAfterClosing()
    {
        QFETCH(QString, lastWrite);
        const QString folder = m_folder->path();
        QVERIFY(QFile::copy(aviClip(), folder + "/movie.avi"));
        FFmpeg rewriting;
        QVERIFY(rewriting.startInterface(
            writeEngineScript("ffmpeg-rewriting",
                              "case \"$*\" in\n  *-fs*) ;;\n  *) exec ffmpeg \"$@\" ;;\nesac\n"
                              "for a; do out=$a; done\nwhole=\"${out%.*}.whole.avi\"\n"
                              "for a; do shift; [ \"$a\" = \"$out\" ] && a=$whole; set -- \"$@\" \"$a\"; done\n"
                              "ffmpeg \"$@\" || exit\n"
                              "ffmpeg -v error -i \"$whole\" -map 0 -c copy -t 5 \"$out\" && sleep 1\n"
                              + lastWrite),
            QString()));
        EngineObjects::setEngines(&rewriting, m_ffprobe, nullptr);
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaSplitter splitter(&host);
        const bool ended = splitToEnd(splitter, folder + "/movie.avi", 2, 60000);
        EngineObjects::setEngines(m_ffmpeg, m_ffprobe, nullptr);
        QVERIFY(ended);
        QVERIFY2(host.jobs().size() == 2 && !m_capture->log().contains("Failed"), qPrintable(m_capture->log()));
        const QList<Frame> input = decodedFrames(folder + "/movie.avi");
        const QList<Frame> first = decodedFrames(folder + "/movie.part1.avi");
        const QList<Frame> second = decodedFrames(folder + "/movie.part2.avi");
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        const int end = indexOf(input, first.last().digest);
        const int start = indexOf(input, second.first().digest);
        QVERIFY2(end > 25 && start >= 0 && start <= end + 1, qPrintable(QString("%1 after %2").arg(start).arg(end)));
        // At most the second volume 1 ended in and one key-frame interval (2 s) again.
        QVERIFY2(input.at(start).time >= std::floor(input.at(end).time + 0.04) - 2.02,
                 qPrintable(QString("%1 s after %2 s").arg(input.at(start).time).arg(input.at(end).time)));
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
    // The engines, started once, log into a console of their own; each test reads the
    // splitter's lines from m_capture.
    std::unique_ptr<RegisteredEngines> m_engines;
    FFmpeg *m_ffmpeg = nullptr;
    FFprobe *m_ffprobe = nullptr;
    std::unique_ptr<ConsoleCapture> m_capture;
    std::unique_ptr<QTemporaryDir> m_folder;
};

VEXO_TEST_CLASS(MediaSplitterTest)
#include "tst_mediasplitter.moc"
