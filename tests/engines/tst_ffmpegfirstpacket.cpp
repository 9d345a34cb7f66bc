// Where a stream copy from a start second would begin: FFmpeg's one-packet copy, checked
// against FFprobe's packet list of the same generated clip.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QStandardPaths>
#include <QTest>

#include <algorithm>

class FFmpegFirstPacketTest : public QObject
{
    Q_OBJECT

private slots:
    void firstCopiedPacket_data();
    void firstCopiedPacket();
    void nothingToCopy();
};

void FFmpegFirstPacketTest::firstCopiedPacket_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QString>("start");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");

    // The standard clip's key frames lie about every half second; an AVI copy begins at the
    // key frame at or before the second asked for.
    QTest::newRow("video") << "V:0" << "00:00:02" << 1.5 << 2.0;
    QTest::newRow("audio") << "a:0" << "00:00:02" << 1.9 << 2.0;
}

void FFmpegFirstPacketTest::firstCopiedPacket()
{
    QFETCH(QString, stream);
    QFETCH(QString, start);
    QFETCH(double, from);
    QFETCH(double, to);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    QVERIFY(ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), QString()));
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
    const QString clip = TestMedia::standardAvi();

    QString hash;
    QVERIFY(ffmpeg.firstCopiedPacket(hash, clip, start, stream));
    QList<FFprobePacket> packets;
    QVERIFY(ffprobe.readPackets(packets, clip, stream, "%"));
    const auto found = std::find_if(packets.begin(), packets.end(),
                                    [&](const FFprobePacket &p) { return p.hash == hash; });
    QVERIFY2(found != packets.end(), qPrintable(hash));
    QVERIFY(found->key);
    QVERIFY2(found->time >= from && found->time <= to, qPrintable(QString::number(found->time)));
}

void FFmpegFirstPacketTest::nothingToCopy()
{
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    QVERIFY(ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), QString()));
    QString hash = "stale";
    QVERIFY(!ffmpeg.firstCopiedPacket(hash, TestMedia::standardAvi(), "00:00:00", "s:0"));
    QVERIFY(hash.isEmpty());
    QVERIFY(!ffmpeg.firstCopiedPacket(hash, TestMedia::folder() + "/no such file.avi", "00:00:00", "V:0"));
}

VEXO_TEST_CLASS(FFmpegFirstPacketTest)
#include "tst_ffmpegfirstpacket.moc"
