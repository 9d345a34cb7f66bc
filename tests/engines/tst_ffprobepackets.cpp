// Packet lists from FFprobe: the answers of ffprobe 5.1 for the containers a movie split
// meets, and a real run on a generated clip.

#include "engines/ffprobe.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

namespace {
QString describe(const QList<FFprobePacket> &packets)
{
    QStringList lines;
    for (const FFprobePacket &p : packets)
        lines << QString("%1 +%2 %3 %4").arg(p.time).arg(p.duration).arg(p.key ? "key" : "-").arg(p.hash);
    return lines.join('\n');
}
} // namespace

class FFprobePacketsTest : public QObject
{
    Q_OBJECT

private slots:
    void parsePackets_data();
    void parsePackets();
    void readsPacketsOfARealClip();
};

void FFprobePacketsTest::parsePackets_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");

    // An MP4 volume's lead-in: negative times, marked to be discarded ("D").
    QTest::newRow("MP4 lead-in")
        << "[PACKET]\npts_time=-1.000000\ndts_time=-1.080000\nduration_time=0.040000\nflags=KD\n"
           "data_hash=MD5:f7500de365e9d519ea4dabcb35a0ba17\n[/PACKET]\n"
           "[PACKET]\npts_time=-0.960000\ndts_time=-1.040000\nduration_time=0.040000\nflags=_D\n"
           "data_hash=MD5:015e436b35ecfdc5898d4f8fdbe4aa06\n[/PACKET]\n"
        << "-1 +0.04 key MD5:f7500de365e9d519ea4dabcb35a0ba17\n"
           "-0.96 +0.04 - MD5:015e436b35ecfdc5898d4f8fdbe4aa06";
    QTest::newRow("MPEG-TS side data")
        << "[PACKET]\npts_time=1.480000\ndts_time=1.400000\nduration_time=0.040000\nflags=K_\n"
           "[SIDE_DATA]\n[/SIDE_DATA]\ndata_hash=MD5:4a5459cfbedd351b1b9765d69a860a4d\n[/PACKET]\n"
        << "1.48 +0.04 key MD5:4a5459cfbedd351b1b9765d69a860a4d";
    // Matroska gives no decoding times, MPEG-PS B-frames no presentation times; a packet
    // without either is left out.
    QTest::newRow("missing times")
        << "[PACKET]\npts_time=8.023000\ndts_time=N/A\nduration_time=0.040000\nflags=K_\n"
           "data_hash=MD5:0a1db4eb68d021daf77d6389c1105699\n[/PACKET]\n"
           "[PACKET]\npts_time=N/A\ndts_time=39.820000\nduration_time=0.040000\nflags=__\n"
           "data_hash=MD5:311007b7682ac7cc6b1d7cbfab946631\n[/PACKET]\n"
           "[PACKET]\npts_time=N/A\ndts_time=N/A\nduration_time=0.040000\nflags=__\n"
           "data_hash=MD5:58a38301cfcf5d48ad9ddb2dce7dbdf0\n[/PACKET]\n"
        << "8.023 +0.04 key MD5:0a1db4eb68d021daf77d6389c1105699\n"
           "39.82 +0.04 - MD5:311007b7682ac7cc6b1d7cbfab946631";
    QTest::newRow("no duration, CR LF")
        << "[PACKET]\r\npts_time=2.025000\r\ndts_time=2.025000\r\nduration_time=N/A\r\n"
           "flags=K_\r\ndata_hash=MD5:91625edd64444c3ba3037c7cb2032e0f\r\n[/PACKET]\r\n"
        << "2.025 +0 key MD5:91625edd64444c3ba3037c7cb2032e0f";
}

void FFprobePacketsTest::parsePackets()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    QCOMPARE(describe(FFprobe::parsePackets(answer)), expected);
}

void FFprobePacketsTest::readsPacketsOfARealClip()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
    const QString clip = TestMedia::standardAvi();
    QVERIFY(ffprobe.load(clip));
    const QString loadedFormat = ffprobe.formatText();

    // The first three video packets: a key frame at 0, then frames 1/25 s apart.
    QList<FFprobePacket> head;
    QVERIFY(ffprobe.readPackets(head, clip, "V:0", "%+#3"));
    QCOMPARE(head.size(), 3);
    QVERIFY(head.at(0).key);
    QCOMPARE(head.at(0).time, 0.0);
    QCOMPARE(head.at(1).duration, 0.04);
    QVERIFY(head.at(2).time > head.at(1).time);
    static const QRegularExpression md5("^MD5:[0-9a-f]{32}$");
    QVERIFY2(md5.match(head.at(0).hash).hasMatch(), qPrintable(head.at(0).hash));
    QVERIFY(head.at(0).hash != head.at(1).hash);

    // A window: from the key frame at or before its start up to its end, the same packets
    // (with the same times) as in the whole list.
    QList<FFprobePacket> all;
    QVERIFY(ffprobe.readPackets(all, clip, "V:0", "%"));
    QList<FFprobePacket> window;
    QVERIFY(ffprobe.readPackets(window, clip, "V:0", "1.500000%2.500000"));
    QVERIFY(!window.isEmpty() && all.size() > window.size());
    QVERIFY(window.first().time <= 1.5);
    QVERIFY(window.last().time >= 2.4 && window.last().time < 2.5);
    const auto same = std::find_if(all.begin(), all.end(),
                                   [&](const FFprobePacket &p) { return p.hash == window.last().hash; });
    QVERIFY(same != all.end());
    QCOMPARE(same->time, window.last().time);

    // Audio packets of the same file; the loaded analysis is left alone.
    QList<FFprobePacket> audio;
    QVERIFY(ffprobe.readPackets(audio, clip, "a:0", "%+#2"));
    QCOMPARE(audio.size(), 2);
    QVERIFY(audio.at(1).duration > 0.0 && audio.at(1).duration < 0.04);
    QCOMPARE(ffprobe.formatText(), loadedFormat);
}

VEXO_TEST_CLASS(FFprobePacketsTest)
#include "tst_ffprobepackets.moc"
