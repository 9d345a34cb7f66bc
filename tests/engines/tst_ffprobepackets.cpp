// Packet lists from FFprobe: the answers of ffprobe 5.1 for the containers a movie split
// meets, and a real run on a generated clip.

#include "engines/ffprobe.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(QList<FFprobePacket>)

namespace {
FFprobePacket packet(double time, double duration, bool key, const QString &hash)
{
    FFprobePacket result;
    result.time = time;
    result.duration = duration;
    result.key = key;
    result.hash = hash;
    return result;
}

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
    void notReady();
};

void FFprobePacketsTest::parsePackets_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QList<FFprobePacket>>("expected");

    // A volume of an MP4: the lead-in before the start second has negative times and is
    // marked to be discarded ("D").
    const QString mp4Volume =
        "[PACKET]\npts_time=-1.000000\ndts_time=-1.080000\nduration_time=0.040000\nflags=KD\n"
        "data_hash=MD5:f7500de365e9d519ea4dabcb35a0ba17\n[/PACKET]\n"
        "[PACKET]\npts_time=-0.960000\ndts_time=-1.040000\nduration_time=0.040000\nflags=_D\n"
        "data_hash=MD5:015e436b35ecfdc5898d4f8fdbe4aa06\n[/PACKET]\n";
    QTest::newRow("MP4 lead-in") << mp4Volume
                                 << QList<FFprobePacket>{
                                        packet(-1.0, 0.04, true, "MD5:f7500de365e9d519ea4dabcb35a0ba17"),
                                        packet(-0.96, 0.04, false, "MD5:015e436b35ecfdc5898d4f8fdbe4aa06")};

    // MPEG-TS packets carry (empty) side data blocks.
    QTest::newRow("MPEG-TS side data")
        << QString("[PACKET]\npts_time=1.480000\ndts_time=1.400000\nduration_time=0.040000\nflags=K_\n"
                   "[SIDE_DATA]\n[/SIDE_DATA]\ndata_hash=MD5:4a5459cfbedd351b1b9765d69a860a4d\n"
                   "[/PACKET]\n")
        << QList<FFprobePacket>{packet(1.48, 0.04, true, "MD5:4a5459cfbedd351b1b9765d69a860a4d")};

    // Matroska gives no decoding times; MPEG-PS B-frames no presentation times, and a
    // packet without either is left out.
    QTest::newRow("missing times")
        << QString("[PACKET]\npts_time=8.023000\ndts_time=N/A\nduration_time=0.040000\nflags=K_\n"
                   "data_hash=MD5:0a1db4eb68d021daf77d6389c1105699\n[/PACKET]\n"
                   "[PACKET]\npts_time=N/A\ndts_time=39.820000\nduration_time=0.040000\nflags=__\n"
                   "data_hash=MD5:311007b7682ac7cc6b1d7cbfab946631\n[/PACKET]\n"
                   "[PACKET]\npts_time=N/A\ndts_time=N/A\nduration_time=0.040000\nflags=__\n"
                   "data_hash=MD5:58a38301cfcf5d48ad9ddb2dce7dbdf0\n[/PACKET]\n")
        << QList<FFprobePacket>{packet(8.023, 0.04, true, "MD5:0a1db4eb68d021daf77d6389c1105699"),
                                packet(39.82, 0.04, false, "MD5:311007b7682ac7cc6b1d7cbfab946631")};

    QTest::newRow("no duration, CR LF")
        << QString("[PACKET]\r\npts_time=2.025000\r\ndts_time=2.025000\r\nduration_time=N/A\r\n"
                   "flags=K_\r\ndata_hash=MD5:91625edd64444c3ba3037c7cb2032e0f\r\n[/PACKET]\r\n")
        << QList<FFprobePacket>{packet(2.025, 0.0, true, "MD5:91625edd64444c3ba3037c7cb2032e0f")};

    QTest::newRow("no packets") << QString("[FORMAT]\nduration=3.000000\n[/FORMAT]\n")
                                << QList<FFprobePacket>{};
}

void FFprobePacketsTest::parsePackets()
{
    QFETCH(QString, answer);
    QFETCH(QList<FFprobePacket>, expected);
    const QList<FFprobePacket> packets = FFprobe::parsePackets(answer);
    const QString got = describe(packets);
    const QString want = describe(expected);
    QCOMPARE(got, want);
    for (int i = 0; i < packets.size(); ++i) {
        QCOMPARE(packets.at(i).time, expected.at(i).time);
        QCOMPARE(packets.at(i).duration, expected.at(i).duration);
    }
}

void FFprobePacketsTest::readsPacketsOfARealClip()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
    const QString clip = TestMedia::standardAvi();
    QVERIFY(!clip.isEmpty());
    QVERIFY(ffprobe.load(clip));
    const QString loadedFormat = ffprobe.formatText();

    // The first three video packets: a key frame at 0, then frames 1/25 s apart.
    QList<FFprobePacket> head;
    QVERIFY(ffprobe.readPackets(head, clip, "V:0", "%+#3"));
    QCOMPARE(head.size(), 3);
    QVERIFY(head.at(0).key);
    QCOMPARE(head.at(0).time, 0.0);
    QVERIFY(head.at(2).time > head.at(1).time);
    QCOMPARE(head.at(1).duration, 0.04);
    for (const FFprobePacket &p : head)
        QVERIFY2(QRegularExpression("^MD5:[0-9a-f]{32}$").match(p.hash).hasMatch(), qPrintable(p.hash));
    QVERIFY(head.at(0).hash != head.at(1).hash);

    // A window: from the key frame at or before its start up to its end, the same packets
    // (with the same times) as in the whole list.
    QList<FFprobePacket> all;
    QVERIFY(ffprobe.readPackets(all, clip, "V:0", "%"));
    QVERIFY(all.size() >= 70);
    QList<FFprobePacket> window;
    QVERIFY(ffprobe.readPackets(window, clip, "V:0", "1.500000%2.500000"));
    QVERIFY(!window.isEmpty());
    QVERIFY(window.first().time <= 1.5);
    QVERIFY(window.last().time >= 2.4 && window.last().time < 2.5);
    const auto same = std::find_if(all.begin(), all.end(), [&](const FFprobePacket &p) {
        return p.hash == window.last().hash;
    });
    QVERIFY(same != all.end());
    QCOMPARE(same->time, window.last().time);

    // Audio packets of the same file; the loaded analysis is left alone.
    QList<FFprobePacket> audio;
    QVERIFY(ffprobe.readPackets(audio, clip, "a:0", "%+#2"));
    QCOMPARE(audio.size(), 2);
    QVERIFY(audio.at(1).duration > 0.0 && audio.at(1).duration < 0.04);
    QCOMPARE(ffprobe.formatText(), loadedFormat);
    QVERIFY(ffprobe.isLoaded());
}

void FFprobePacketsTest::notReady()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    QList<FFprobePacket> packets{FFprobePacket()};
    QVERIFY(!ffprobe.readPackets(packets, TestMedia::standardAvi(), "V:0", "%"));
    QVERIFY(packets.isEmpty());
}

VEXO_TEST_CLASS(FFprobePacketsTest)
#include "tst_ffprobepackets.moc"
