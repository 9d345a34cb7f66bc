// Packet lists from FFprobe (answers of ffprobe 5.1 and a real run), and where FFmpeg's stream
// copy from a start second begins, checked against FFprobe's packet list of the same clip.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/packetlisting.h"
#include "engines/syncrunner.h"
#include "enginetesting.h"
#include "opendescriptors.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {
QString describe(const QList<FFprobePacket> &packets)
{
    QStringList lines;
    for (const FFprobePacket &p : packets)
        lines << QString("%1 +%2 %3 %4").arg(p.time).arg(p.duration).arg(p.key ? "key" : "-").arg(p.hash);
    return lines.join('\n');
}

// One packet as "ffprobe -show_packets -show_data_hash MD5" prints it.
QString packet(const QString &pts, const QString &dts, const QString &duration, const QString &flags,
               const QString &md5, const QString &sideData = QString())
{
    return QString("[PACKET]\npts_time=%1\ndts_time=%2\nduration_time=%3\nflags=%4\n%5data_hash=MD5:%6\n[/PACKET]\n")
        .arg(pts, dts, duration, flags, sideData, md5);
}

const FFprobePacket *findHash(const QList<FFprobePacket> &packets, const QString &hash)
{
    const auto it = std::find_if(packets.begin(), packets.end(), [&](const FFprobePacket &p) { return p.hash == hash; });
    return it == packets.end() ? nullptr : &*it;
}
} // namespace

class FFprobePacketsTest : public QObject
{
    Q_OBJECT

private slots:
    void parsePackets_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        // An MP4 volume's lead-in: negative times, marked to be discarded ("D").
        QTest::newRow("MP4 lead-in; MPEG-TS side data")
            << packet("-1.000000", "-1.080000", "0.040000", "KD", "f7500de365e9d519ea4dabcb35a0ba17")
                   + packet("1.480000", "1.400000", "0.040000", "K_", "4a5459cfbedd351b1b9765d69a860a4d",
                            "[SIDE_DATA]\n[/SIDE_DATA]\n")
            << "-1 +0.04 key MD5:f7500de365e9d519ea4dabcb35a0ba17\n1.48 +0.04 key MD5:4a5459cfbedd351b1b9765d69a860a4d";
        // Matroska gives no decoding times, MPEG-PS B-frames no presentation times; a packet
        // without either is left out.
        QTest::newRow("missing times")
            << packet("8.023000", "N/A", "0.040000", "K_", "0a1db4eb68d021daf77d6389c1105699")
                   + packet("N/A", "39.820000", "0.040000", "__", "311007b7682ac7cc6b1d7cbfab946631")
                   + packet("N/A", "N/A", "0.040000", "__", "58a38301cfcf5d48ad9ddb2dce7dbdf0")
            << "8.023 +0.04 key MD5:0a1db4eb68d021daf77d6389c1105699\n39.82 +0.04 - MD5:311007b7682ac7cc6b1d7cbfab946631";
        QTest::newRow("no duration, CR LF")
            << packet("2.025000", "2.025000", "N/A", "K_", "91625edd64444c3ba3037c7cb2032e0f").replace("\n", "\r\n")
            << "2.025 +0 key MD5:91625edd64444c3ba3037c7cb2032e0f";
    }

    void parsePackets()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        QCOMPARE(describe(FFprobe::parsePackets(answer)), expected);
    }

    void readsPacketsOfARealClip()
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
        QCOMPARE(describe(head).section(' ', 0, 2), QString("0 +0.04 key"));
        QVERIFY(head.size() == 3 && head.at(2).time > head.at(1).time && head.at(0).hash != head.at(1).hash);
        // A window: from the key frame at or before its start up to its end, the same packets
        // (with the same times) as in the whole list.
        QList<FFprobePacket> all, window;
        QVERIFY(ffprobe.readPackets(all, clip, "V:0", "%"));
        QVERIFY(ffprobe.readPackets(window, clip, "V:0", "1.500000%2.500000"));
        QVERIFY(!window.isEmpty() && all.size() > window.size() && window.first().time <= 1.5);
        QVERIFY(window.last().time >= 2.4 && window.last().time < 2.5);
        const FFprobePacket *same = findHash(all, window.last().hash);
        QVERIFY(same);
        QCOMPARE(same->time, window.last().time);
        QCOMPARE(ffprobe.formatText(), loadedFormat); // the loaded analysis is left alone

        // Analysis and packets in one run: only the selected stream is loaded, the format
        // whole; the same packets as a separate read lists, with their stream.
        QList<FFprobePacket> together;
        QVERIFY(ffprobe.loadWithPackets(clip, together, "V:0", "%+#1,1.500000%2.500000", true));
        QCOMPARE(ffprobe.formatText(), loadedFormat);
        QCOMPARE(ffprobe.videoStreams().size(), 1);
        QVERIFY(ffprobe.audioStreams().isEmpty());
        QCOMPARE(describe(together), describe(head.mid(0, 1) + window));
        QCOMPARE(together.last().stream, ffprobe.videoStreams().first());
        // Without a selection every stream is loaded, and each packet tells its stream.
        QVERIFY(ffprobe.loadWithPackets(clip, together, QString(), "%+#16"));
        QSet<int> streams;
        for (const FFprobePacket &p : std::as_const(together))
            streams.insert(p.stream);
        QCOMPARE(streams, (QSet<int>{ffprobe.videoStreams().first(), ffprobe.audioStreams().first()}));
        // An interval FFprobe refuses: nothing is loaded.
        QVERIFY(!ffprobe.loadWithPackets(clip, together, "V:0", "no interval"));
        QVERIFY(!ffprobe.isLoaded() && together.isEmpty());
    }

    // FFprobe's compact lines, one a packet, as a listing reads them.
    void listingLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected"); // empty: no packet
        QTest::newRow("key packet") << "pts_time=0.000000|dts_time=-0.080000|duration_time=0.040000|flags=K_" << "0 +0.04 key ";
        QTest::newRow("no presentation time") << "pts_time=N/A|dts_time=39.820000|duration_time=0.040000|flags=__" << "39.82 +0.04 - ";
        QTest::newRow("no time at all") << "pts_time=N/A|dts_time=N/A|duration_time=0.040000|flags=K_" << "";
        QTest::newRow("no duration, line end of two characters") << "pts_time=2.025000|dts_time=2.025000|duration_time=N/A|flags=K_\r" << "2.025 +0 key ";
        QTest::newRow("a negative duration counts for none") << "pts_time=1.000000|dts_time=1.000000|duration_time=-0.040000|flags=__" << "1 +0 - ";
        QTest::newRow("a line that is no packet") << "Could not seek to 12" << "";
        // "nan" and "inf" read as numbers, but place no packet.
        QTest::newRow("an infinite presentation time") << "pts_time=inf|dts_time=5.000000|duration_time=inf|flags=__" << "5 +0 - ";
        QTest::newRow("no time that is a number") << "pts_time=nan|dts_time=-inf|duration_time=0.040000|flags=K_" << "";
    }

    void listingLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        FFprobePacket packet;
        const bool read = PacketLines::parseLine(line.toUtf8(), packet);
        QCOMPARE(read ? describe({packet}) : QString(), expected);
        // The same line between two others, arriving a byte at a time as a pipe may hand it
        // on, and last without its line end.
        const QByteArray listing = "pts_time=9|flags=K_\n" + line.toUtf8() + "\npts_time=10|flags=__";
        PacketLines lines;
        for (char byte : listing)
            lines.append(QByteArrayView(&byte, 1));
        lines.finish();
        QCOMPARE(describe(lines.packets()), "9 +0 key \n" + (expected.isEmpty() ? "" : expected + "\n") + "10 +0 - ");
    }

    // The listing read as FFprobe prints it holds the packets a whole read lists, its last
    // line too; an FFprobe that fails, or stops printing, lists nothing whole, and is not waited
    // for past its silence.
    void listsAsFFprobePrints_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("engine"); // what the engine runs for a listing
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("expected"); // empty: the packets FFprobe's whole read lists
        QTest::addColumn<int>("busyMs"); // how long the engine works without printing
        const QString avi = TestMedia::standardAvi();
        const QString real = "exec ffprobe \"$@\"";
        QTest::newRow("the real engine") << avi << real << true << QString() << 0;
        // B-frames in AVI: packets without a presentation time, placed by their decoding time.
        QTest::newRow("the real engine, no presentation times") << TestMedia::clip("listing-bframes.avi", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-c:v", "mpeg4", "-bf", "2", "-q:v", "4"}) << real << true << QString() << 0;
        QTest::newRow("a last line without its end") << avi << "printf 'pts_time=0.5|duration_time=0.04|flags=K_\\npts_time=0.54|flags=__'" << true << "0.5 +0.04 key \n0.54 +0 - " << 0;
        QTest::newRow("exits with 1") << avi << "echo 'pts_time=0.0|flags=K_'; exit 1" << false << "0 +0 key " << 0;
        QTest::newRow("stops printing") << avi << "echo 'pts_time=0.0|flags=K_'; exec sleep 30" << false << "0 +0 key " << 0;
        // As on a busy machine, the next block of lines comes after more than two waits; the
        // engine works all the while (its own process uses the processor).
        QTest::newRow("works a while without printing")
            << avi << "exec bash -c 'f=$(mktemp); ffprobe \"$@\" > \"$f\"; head -n 1 \"$f\"; end=$((${EPOCHREALTIME/./} + 3500000));"
                      " while [ ${EPOCHREALTIME/./} -lt $end ]; do :; done; tail -n +2 \"$f\"; rm \"$f\"' sh \"$@\""
            << true << QString() << 3500;
    }

    void listsAsFFprobePrints()
    {
        QFETCH(QString, clip);
        QFETCH(QString, engine);
        QFETCH(bool, whole);
        QFETCH(QString, expected);
        QFETCH(int, busyMs);
        ConsoleCapture capture;
        FFprobe ffprobe;
        QVERIFY(ffprobe.startInterface(
            writeEngineScript("listing-ffprobe", "case \"$1\" in\n  -version) exec ffprobe \"$@\" ;;\n  *) " + engine + " ;;\nesac"),
            QString()));
        PacketListing *listing = ffprobe.startPacketListing(clip, "V:0", nullptr);
        QVERIFY(listing);
        const SyncRunner::LoadScope scope; // the window's events go on meanwhile
        bool handled = false;
        QTimer handling; // gone with this row
        handling.callOnTimeout([&handled] { handled = true; });
        handling.start(100);
        // An FFprobe that ends is not waited for further; a silent one for one wait or two.
        const int quietMs = 1500;
        QElapsedTimer waited;
        waited.start();
        const bool ends = QTest::currentDataTag() != QLatin1String("stops printing");
        // Once the packets asked for are listed, the wait is over, FFprobe done or not.
        if (!ends) {
            QVERIFY(listing->waitFor([](const QList<FFprobePacket> &packets) { return !packets.isEmpty(); }, quietMs));
            QVERIFY(!listing->ended() && waited.elapsed() < quietMs);
        }
        QCOMPARE(listing->waitForEnd(quietMs), whole);
        QVERIFY(listing->ended());
        QVERIFY2(ends ? waited.elapsed() < quietMs + busyMs : waited.elapsed() < 3 * quietMs,
                 qPrintable(QString::number(waited.elapsed())));
        QVERIFY((ends && busyMs == 0) || handled);
        if (expected.isEmpty()) {
            FFprobe real; // the row's engine may take its time
            QVERIFY(real.startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
            QList<FFprobePacket> all;
            QVERIFY(real.readPackets(all, clip, "V:0", "%", false));
            expected = describe(all);
        }
        QCOMPARE(describe(listing->packets()), expected);
        QCOMPARE(listing->unreadLines(), 0); // every line a packet, the last one's end too
        delete listing; // ends an FFprobe still running
    }

    // An FFprobe gone since its status was asked: the listing fails at once, quietly, and
    // keeps nothing open.
    void listingOfAMissingEngine()
    {
        QTest::failOnWarning(QRegularExpression("."));
        const int before = openDescriptors();
        for (int i = 0; i < 3; ++i) {
            PacketListing listing("/nonexistent/ffprobe", {"-version"}, QString(), nullptr);
            QVERIFY(!listing.waitForEnd(1000));
            QVERIFY(listing.ended() && listing.packets().isEmpty());
        }
        QCOMPARE(openDescriptors(), before);
    }

    // A load started before its file is written waits, FFprobe loaded, until it is asked for,
    // and then reads the file as it is: the same answer as a load started then.
    void heldLoadReadsTheFileWhenTaken()
    {
        ConsoleCapture capture;
        FFprobe ffprobe;
        QVERIFY(ffprobe.startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
        const QTemporaryDir folder(TestMedia::folder() + "/held-XXXXXX");
        const QString file = folder.filePath("volume -1.avi");
        ffprobe.holdLoadWithPackets(file, "V:0", "%+#1,1.500000%", true);
        QTest::qWait(500); // FFprobe has loaded and would have failed on the missing file
        QVERIFY(QFile::copy(TestMedia::standardAvi(), file));
        QList<FFprobePacket> held;
        QVERIFY2(ffprobe.loadWithPackets(file, held, "V:0", "%+#1,1.500000%", true), qPrintable(capture.log()));
        const QString heldFormat = ffprobe.formatText();
        QList<FFprobePacket> plain;
        QVERIFY(ffprobe.loadWithPackets(file, plain, "V:0", "%+#1,1.500000%", true));
        QVERIFY(held.size() > 10);
        QCOMPARE(describe(held), describe(plain));
        QCOMPARE(heldFormat, ffprobe.formatText());
    }

    // FFmpeg's framemd5 answer as the first copied packet is read from it: the hash, and the
    // time in the time base of the stream's "#tb" line.
    void firstCopiedPacketAnswer_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("hash"); // empty: no packet
        QTest::addColumn<double>("time");  // NaN: none known
        const QString line = "0,     108745,     108745,     2351,      503, 05C1C3B0ACE1EE33A644218EF7E098EF\n";
        const QString hash = "MD5:05c1c3b0ace1ee33a644218ef7e098ef";
        QTest::newRow("90 kHz time base") << "#tb 0: 1/90000\n" + line << hash << 108745 / 90000.0;
        QTest::newRow("no presentation time: the decoding time")
            << "#tb 0: 1/1000\n0, 1500, -9223372036854775808, 40, 503, 05c1c3b0ace1ee33a644218ef7e098ef\n" << hash << 1.5;
        QTest::newRow("a time base of nothing") << "#tb 0: 1/0\n" + line << hash << qQNaN();
        QTest::newRow("no time base") << line << hash << qQNaN();
        QTest::newRow("no packet") << QString("#tb 0: 1/90000\n") << QString() << qQNaN();
    }

    void firstCopiedPacketAnswer()
    {
        QFETCH(QString, answer);
        QFETCH(QString, hash);
        QFETCH(double, time);
        QString read = "stale";
        double at = -1.0;
        QCOMPARE(FFmpeg::readFirstCopiedPacket(answer, read, &at), !hash.isEmpty());
        QCOMPARE(read, hash);
        if (hash.isEmpty())
            return;
        QVERIFY2(qIsNaN(time) ? qIsNaN(at) : qAbs(at - time) < 1e-9, qPrintable(QString::number(at)));
    }

    void firstCopiedPacket_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("start");
        QTest::addColumn<double>("from"); // -1: nothing to copy
        QTest::addColumn<double>("to");
        // Key frames lie about every half second; an AVI copy begins at the one at or before the start.
        const QString avi = TestMedia::standardAvi();
        QTest::newRow("video") << avi << "V:0" << "00:00:02" << 1.5 << 2.0;
        QTest::newRow("audio") << avi << "a:0" << "00:00:02" << 1.9 << 2.0;
        QTest::newRow("no such stream") << avi << "s:0" << "00:00:00" << -1.0 << -1.0;
        // With B-frames a key frame is decoded before it is shown: its time is when it is shown.
        QTest::newRow("H.264 with B-frames")
            << TestMedia::clip("b-frames.mp4", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4",
                                                "-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-g", "12",
                                                "-pix_fmt", "yuv420p"})
            << "V:0" << "00:00:02" << 1.5 << 2.0;
        // A seek lands on any packet, the copy begins at the next key frame; the packets of
        // H.264 in a transport stream carry side data, listed after their hash. Times count
        // from the stream's start at 1.4 s.
        QTest::newRow("H.264 in an MPEG transport stream")
            << TestMedia::clip("side-data.ts", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4",
                                                "-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-g", "12",
                                                "-pix_fmt", "yuv420p"})
            << "V:0" << "00:00:02" << 3.4 << 3.9;
    }

    void firstCopiedPacket()
    {
        QFETCH(QString, clip);
        QFETCH(QString, stream);
        QFETCH(QString, start);
        QFETCH(double, from);
        QFETCH(double, to);
        ConsoleCapture capture;
        FFmpeg ffmpeg;
        QVERIFY(ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), QString()));
        FFprobe ffprobe;
        QVERIFY(ffprobe.startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
        QString hash = "stale";
        double time = -1.0;
        QCOMPARE(ffmpeg.firstCopiedPacket(hash, clip, start, stream, &time), from >= 0);
        if (from < 0) {
            QVERIFY(hash.isEmpty());
            QVERIFY(!ffmpeg.firstCopiedPacket(hash, TestMedia::folder() + "/no such file.avi", start, "V:0"));
            return;
        }
        QList<FFprobePacket> packets;
        QVERIFY(ffprobe.readPackets(packets, clip, stream, "%"));
        const FFprobePacket *found = findHash(packets, hash);
        QVERIFY2(found && found->key, qPrintable(hash));
        QVERIFY2(found->time >= from && found->time <= to, qPrintable(QString::number(found->time)));
        QVERIFY2(qAbs(time - found->time) < 1e-5, qPrintable(QString("%1 for %2").arg(time).arg(found->time)));
    }
};

VEXO_TEST_CLASS(FFprobePacketsTest)
#include "tst_ffprobepackets.moc"
