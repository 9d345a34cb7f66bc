// How long a finished output really plays, measured on real files of every container the
// targets write: the quick look at the packets near the end answers for a whole file, a file
// cut short is measured whole, and picture and sound are measured apart. Jobs of the real
// FFmpeg are then judged by those measures, each stream against the task's source.

#include "engines/outputmeter.h"
#include "enginetesting.h"
#include "testmedia.h"
#include "testregistry.h"

#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/task.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>

#include <cmath>
#include <memory>

namespace {
// Picture and sound of their own lengths, in the container the name says.
QStringList clipOf(double picture, double sound, const QStringList &codecs = {"-c:v", "mpeg4", "-c:a", "libmp3lame"})
{
    return QStringList{"-f", "lavfi", "-i", QString("testsrc=size=160x120:rate=25:duration=%1").arg(picture),
                       "-f", "lavfi", "-i", QString("sine=duration=%1").arg(sound)}
           + codecs;
}

// A VBR MP3 without its header: a second of silence, then loud sound, so that a player that
// takes the length from the first frame's bit rate reads far more than there is.
QStringList vbrMp3Without(double seconds)
{
    return {"-f", "lavfi", "-i",
            QString("aevalsrc='if(lt(t,1),0,0.5*sin(440*2*PI*t)+0.3*random(0)-0.15)':d=%1:s=44100").arg(seconds),
            "-c:a", "libmp3lame", "-q:a", "4", "-write_xing", "0"};
}
// RealVideo and RealAudio of 6 s; the sound's stream says it lasts 0 s.
QStringList realMedia()
{
    return {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=6", "-f", "lavfi", "-i",
            "sine=duration=6:sample_rate=8000", "-c:v", "rv20", "-c:a", "real_144", "-f", "rm"};
}

// An MP4 trimmed at 1.3 s by a stream copy, as phones' quick trims make it: its edit list
// discards the pictures from the key frame before that point, and some sound.
// A TV recording whose sound starts half a second before its picture.
QString soundFirstTs()
{
    return TestMedia::clip("soundfirst.ts", {"-itsoffset", "0.5", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=6",
                                             "-f", "lavfi", "-i", "sine=duration=6", "-c:v", "mpeg2video", "-c:a", "mp2"});
}

QString trimmedMp4()
{
    const QString whole = TestMedia::clip("long-gop.mp4", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=30:duration=8",
                                                           "-f", "lavfi", "-i", "sine=duration=8", "-c:v", "libx264",
                                                           "-preset", "ultrafast", "-g", "120", "-c:a", "aac"});
    return whole.isEmpty() ? whole : TestMedia::clip("trimmed.mp4", {"-ss", "1.3", "-i", whole, "-c", "copy"});
}

// How a task ended that ran as a job of a plain job manager, which judges its output.
struct JudgedEnd
{
    bool ended = false; // within a minute
    QString failure;
    int state = Task::Unset;
};

JudgedEnd runJudged(EncodingTaskData &data, const QString &program, const QStringList &arguments,
                    const QStringList &sources, QTextEdit &log, int soundTrack = -1)
{
    auto *task = new Task;
    task->set(&data, program, arguments, QString(), "judged", "Encoding");
    task->setSources(sources);
    task->setSoundTrack(soundTrack);
    auto *job = new Job;
    job->init(task, "id", "title", "out", nullptr, nullptr, nullptr, &log, 2, 0, 0, 0);
    JobManager manager(nullptr, nullptr, nullptr, &log, 2, 0, 0, 0);
    QSignalSpy ended(&manager, &JobManager::processFinished);
    manager.addJob(job);
    JudgedEnd end;
    end.ended = ended.count() == 1 || ended.wait(60000);
    end.failure = task->failure();
    end.state = task->state;
    return end;
}
} // namespace

class OutputMeterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engines = std::make_unique<RegisteredEngines>();
        QVERIFY(m_engines->started());
    }

    void cleanupTestCase() { m_engines.reset(); }

    void measuresEveryContainer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("codecs");
        // The MPEG program stream is what VCD, SVCD and DVD targets write; its video packets
        // mostly carry no presentation time.
        QTest::newRow("mpeg-ps") << "meter.mpg" << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2"};
        QTest::newRow("avi") << "meter.avi" << QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"};
        QTest::newRow("mp4") << "meter.mp4" << QStringList{"-c:v", "mpeg4", "-c:a", "aac"};
        QTest::newRow("matroska") << "meter.mkv" << QStringList{"-c:v", "mpeg4", "-c:a", "ac3"};
        QTest::newRow("flv") << "meter.flv" << QStringList{"-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100"};
        QTest::newRow("ogg") << "meter.ogg" << QStringList{"-c:v", "libtheora", "-c:a", "libvorbis"};
        QTest::newRow("mp3") << "meter.mp3" << QStringList{"-vn", "-c:a", "libmp3lame"};
        // A transport stream's times start anywhere: here at 100 s.
        QTest::newRow("mpeg-ts from 100 s") << "meter.ts" << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-output_ts_offset", "100"};
    }

    void measuresEveryContainer()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, codecs);
        const QString path = TestMedia::clip(name, clipOf(16, 16, codecs));
        QVERIFY(!path.isEmpty());
        const bool video = !codecs.contains("-vn");
        // A whole file: the quick look answers with the length asked for, for each stream
        // (a whole read answers FFmpeg's own figure, which is not this one).
        const OutputCheck::Lengths whole = OutputMeter::measure(path, 15.5);
        QCOMPARE(whole.video, video ? 15.5 : -1.0);
        QCOMPARE(whole.audio, 15.5);
        // A length a little short of the one asked for does not fall short: answered as asked.
        QCOMPARE(OutputMeter::measure(path, 17.5).audio, 17.5);

        // The same file cut to its first 40 %: measured whole, each stream well short (an MP4
        // without the index it writes last is no file a player opens).
        const QString cut = TestMedia::scratch("meter", "cut-" + name);
        QFile source(path);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile target(cut);
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write(source.read(source.size() * 4 / 10));
        target.close();
        const OutputCheck::Lengths measured = OutputMeter::measure(cut, 16.0);
        const QString said = QString("%1 %2 %3").arg(measured.video).arg(measured.audio).arg(measured.whole);
        if (name.endsWith(".mp4")) {
            QVERIFY2(measured.video < 0.0 && measured.audio < 0.0 && measured.whole == 0.0, qPrintable(said));
            return;
        }
        QVERIFY2(measured.audio >= 0.0 && measured.audio < 9.0 && measured.whole < 0.0, qPrintable(said));
        QVERIFY2(video ? measured.video >= 0.0 && measured.video < 9.0 : measured.video < 0.0, qPrintable(said));
    }

    // Picture and sound each as far as its own packets go: a stream that stops early is not
    // hidden by the other; a cover picture is no picture stream; a length a VBR MP3's
    // container only estimates is not taken for its sound's.
    // The lengths a source's container declares, as FFprobe reads them: Matroska gives its
    // streams' lengths only as tags, "00:02:05.011000000" (hours, minutes, seconds).
    void readsSourceLengths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("video"); // -1: none
        QTest::addColumn<double>("audio");
        const QStringList small{"-c:v", "mpeg4", "-q:v", "31", "-c:a", "mp2", "-b:a", "32k"};
        QTest::newRow("header lengths, AVI") << "declared.avi" << clipOf(2, 3) << 2.0 << 3.0;
        QTest::newRow("tags over a minute, Matroska")
            << "declared-minutes.mkv"
            << QStringList{"-f", "lavfi", "-i", "testsrc=size=32x32:rate=5:duration=125", "-f", "lavfi", "-i",
                           "sine=sample_rate=8000:duration=126"} + small
            << 125.0 << 126.0;
        // FLV declares no stream's length: each is as long as its packets.
        QTest::newRow("sound shorter than the picture, FLV")
            << "declared-none.flv" << clipOf(6, 2, {"-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100"}) << 6.0 << 2.0;
        // RealAudio as FFmpeg writes it declares 0 s, its packets no times of their own.
        QTest::newRow("sound that declares no length, RealMedia")
            << "declared-none.rm" << realMedia() << 6.0 << 6.0;
        QTest::newRow("tag over an hour, Matroska")
            << "declared-hours.mkv"
            << QStringList{"-f", "lavfi", "-i", "testsrc=size=32x32:rate=1:duration=3725", "-c:v", "mpeg4", "-q:v", "31"}
            << 3725.0 << -1.0;
    }

    void readsSourceLengths()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, arguments);
        QFETCH(double, video);
        QFETCH(double, audio);
        const QString source = TestMedia::clip(name, arguments);
        QVERIFY(!source.isEmpty());
        const OutputCheck::SourceLengths lengths = OutputMeter::sourceLengths(source);
        QVERIFY2(qAbs(lengths.declared.video - video) < 0.1, qPrintable(QString::number(lengths.declared.video)));
        QVERIFY2(qAbs(lengths.declared.audio - audio) < 0.1, qPrintable(QString::number(lengths.declared.audio)));
        QVERIFY2(qAbs(lengths.declared.whole - std::max(video, audio)) < 0.1, qPrintable(QString::number(lengths.declared.whole)));
        QVERIFY(!lengths.estimated);
    }

    void measuresEachStream_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("asked");
        QTest::addColumn<double>("video"); // -1: none
        QTest::addColumn<double>("audio");
        QTest::newRow("picture stops at 2 s of 6") << "short-picture.avi" << clipOf(2, 6) << 6.0 << 2.04 << 6.0;
        QTest::newRow("picture stops at 2 s of 6, Matroska")
            << "short-picture.mkv" << clipOf(2, 6, {"-c:v", "mpeg4", "-c:a", "ac3"}) << 6.0 << 2.04 << 6.0;
        QTest::newRow("sound of 0.13 s beside 12 s of picture") << "short-sound.avi" << clipOf(12, 0.13) << 12.0 << 12.0 << 0.16;
        QTest::newRow("sound of 2 s beside 6 s of picture, MPEG")
            << "short-sound.mpg" << clipOf(6, 2, {"-c:v", "mpeg2video", "-c:a", "mp2"}) << 6.0 << 6.0 << 2.0;
        QTest::newRow("cover picture beside the sound")
            << "cover.mp3"
            << QStringList{"-f", "lavfi", "-i", "sine=duration=6", "-f", "lavfi", "-i", "color=size=64x64:duration=0.04",
                           "-map", "0", "-map", "1", "-c:a", "libmp3lame", "-c:v", "mjpeg", "-disposition:v", "attached_pic"}
            << 6.0 << -1.0 << 6.0;
        QTest::newRow("VBR MP3 without a header") << "vbr-no-header.mp3" << vbrMp3Without(12) << 30.0 << -1.0 << 12.0;
    }

    void measuresEachStream()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, arguments);
        QFETCH(double, asked);
        QFETCH(double, video);
        QFETCH(double, audio);
        const QString path = TestMedia::clip(name, arguments);
        QVERIFY(!path.isEmpty());
        const OutputCheck::Lengths measured = OutputMeter::measure(path, asked);
        const QString said = QString("%1 %2 %3").arg(measured.video).arg(measured.audio).arg(measured.whole);
        QVERIFY2(video < 0.0 ? measured.video < 0.0 : qAbs(measured.video - video) < 0.15, qPrintable(said));
        QVERIFY2(qAbs(measured.audio - audio) < 0.15, qPrintable(said));
        QCOMPARE(measured.whole, -1.0);
    }

    // Where picture and sound start as a player decodes them: a transport stream's streams
    // at 1.4 s, an ASF's WMA sound after its picture (its container says before), a second
    // sound track half a second late; nothing of an AVI, which stores no start times.
    void startsAsPlayed_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("track");
        QTest::addColumn<double>("video"); // NaN: not told
        QTest::addColumn<double>("audio");
        const QStringList picture{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2"};
        const QStringList sound{"-f", "lavfi", "-i", "sine=duration=2"};
        QTest::newRow("transport stream") << TestMedia::clip("starts.ts", picture + sound + QStringList{"-c:v", "mpeg2video", "-c:a", "mp2"})
                                          << 0 << 1.44 << 1.43;
        QTest::newRow("ASF") << TestMedia::clip("starts.asf", picture + sound + QStringList{"-c:v", "wmv2", "-c:a", "wmav2"})
                             << 0 << 0.046 << 0.093;
        const QString tracks = TestMedia::clip("starts.mkv", picture + sound + QStringList{"-itsoffset", "0.5"} + sound
                                               + QStringList{"-map", "0", "-map", "1", "-map", "2", "-c:v", "mpeg4", "-c:a", "ac3"});
        QTest::newRow("first of two sound tracks") << tracks << 0 << 0.0 << 0.0;
        QTest::newRow("second sound track, half a second late") << tracks << 1 << 0.0 << 0.5;
        QTest::newRow("MP4 trimmed between key frames") << trimmedMp4() << 0 << 0.0 << 0.0;
        QTest::newRow("AVI") << TestMedia::clip("starts.avi", picture + sound + QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"})
                             << 0 << qQNaN() << qQNaN();
        QTest::newRow("no such sound track") << tracks << 2 << 0.0 << qQNaN();
        // Cut where no key frame is: its first eight pictures decode to nothing.
        const QString recording = TestMedia::clip("starts-whole.ts", {"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25:duration=2",
                                                                     "-c:v", "mpeg2video", "-b:v", "3000k", "-g", "12"});
        QTest::newRow("transport stream cut mid-group") << TestMedia::cutFront("starts-cut.ts", recording, 0.09) << 0 << 1.92
                                                        << qQNaN();
        QTest::newRow("sound alone") << TestMedia::clip("starts.mp3", sound + QStringList{"-c:a", "libmp3lame"}) << 0 << qQNaN()
                                     << qQNaN();
    }

    void startsAsPlayed()
    {
        QFETCH(QString, path);
        QFETCH(int, track);
        QFETCH(double, video);
        QFETCH(double, audio);
        QVERIFY(!path.isEmpty());
        const OutputCheck::Starts starts = OutputMeter::starts(path, track);
        const auto near = [](double measured, double expected) {
            return std::isnan(expected) ? std::isnan(measured) : qAbs(measured - expected) < 0.01;
        };
        const QString said = QString("%1 %2").arg(starts.video).arg(starts.audio);
        QVERIFY2(near(starts.video, video) && near(starts.audio, audio), qPrintable(said));
    }

    // How long the first picture is held, read from the B-pictures coded as nothing between
    // its copies: FFprobe's listing of pictures at 25 fps as shown, each its type and packet
    // size ("B16").
    void readsUncodedHold_data()
    {
        QTest::addColumn<QString>("pictures");
        QTest::addColumn<double>("held");
        // x264 at 64 kbit/s, sound 0.5 s first: the copies sharpened code 21 bytes at most.
        QTest::newRow("held half a second") << "I935 B16 B16 B16 P151 B22 B21 B21 P137 B20 B20 B20 P120 B34 B40 B33 P171" << 0.48;
        QTest::newRow("pictures moving at once, none coded as nothing") << "I935 B60 B70 B65 P151 B60" << 0.0;
        QTest::newRow("first B-pictures as large as uncoded ones are") << "I935 B24 B24 B24 P151 B39 B38" << 0.16;
        QTest::newRow("first B-pictures larger") << "I935 B25 B25 B25 P151 B90 B90" << 0.0;
        QTest::newRow("copies sharpened, then a change") << "I935 B20 B20 B20 P151 B32 B32 B32 P151 B33 B33" << 0.32;
        // Where the picture starts to move, x264 may code no B-picture between P-pictures.
        QTest::newRow("P-pictures in a row") << "I940 B17 B17 B17 P160 B20 B19 P119 P152 P141 B70 B66" << 0.28;
        QTest::newRow("held through the listing") << "I935 B11 B11 B11 P151 B11 B11 B11 P120" << 0.0;
        QTest::newRow("no B-pictures") << "I935 P151 P137 P120" << 0.0;
        QTest::newRow("one picture") << "I935" << 0.0;
        QTest::newRow("a key picture among the copies") << "I935 B11 B11 B11 P151 B11 B11 B11 I935 B40 B40" << 0.32;
    }

    void readsUncodedHold()
    {
        QFETCH(QString, pictures);
        QFETCH(double, held);
        QString listing;
        const QStringList shown = pictures.split(' ');
        for (qsizetype i = 0; i < shown.size(); ++i)
            listing += QString("frame,%1,%2,%3,side_data,\n\n").arg(i * 0.04, 0, 'f', 6).arg(shown[i].mid(1), shown[i].left(1));
        QCOMPARE(qRound(OutputMeter::readUncodedHold(listing) * 100), qRound(held * 100));
    }

    // Real FFmpeg jobs whose output loses part of one stream, or that is as long as its
    // source's streams, judged at their end: each stream against what was asked, lowered to
    // what the source's same stream holds.
    void jobJudgesEachStream_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("arguments"); // %1: the source, %2: the output
        QTest::addColumn<double>("asked");
        QTest::addColumn<QString>("failure");
        const QString clip = TestMedia::clip("judged.avi", clipOf(6, 6));
        const QString longer = TestMedia::clip("judged-long.avi", clipOf(12, 12));
        QTest::newRow("picture cut at 2 s") << clip << QStringList{"-t", "2", "-i", "%1", "-i", "%1", "-map", "0:v", "-map", "1:a", "-c", "copy", "%2.avi"}
                                            << 6.0 << "its picture lasts 2.0 s of the 6.0 s asked for";
        QTest::newRow("sound cut at 0.13 s") << longer << QStringList{"-i", "%1", "-t", "0.13", "-i", "%1", "-map", "0:v", "-map", "1:a", "-c", "copy", "%2.avi"}
                                             << 12.0 << "its sound lasts 0.1 s of the 12.0 s asked for";
        // FLV gives no stream its own length: each lasts as long as the file says it does.
        const QString flv = TestMedia::clip("judged.flv", clipOf(6, 6, {"-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100"}));
        QTest::newRow("picture cut at 2 s, FLV") << flv << QStringList{"-t", "2", "-i", "%1", "-i", "%1", "-map", "0:v", "-map", "1:a", "-c", "copy", "%2.flv"}
                                                 << 6.0 << "its picture lasts 2.0 s of the 6.0 s asked for";
        QTest::newRow("both cut at 2 s") << clip << QStringList{"-t", "2", "-i", "%1", "-c", "copy", "%2.avi"}
                                         << 6.0 << "its output lasts 2.0 s of the 6.0 s asked for";
        QTest::newRow("whole copy") << clip << QStringList{"-i", "%1", "-c", "copy", "%2.mkv"} << 6.0 << "";
        // The source's sound stops at 2 s of 6: a copy of it, and its sound alone, are whole.
        const QString shortSound = TestMedia::clip("judged-short-sound.avi", clipOf(6, 2));
        QTest::newRow("sound as short as the source's") << shortSound << QStringList{"-i", "%1", "-c", "copy", "%2.avi"} << 6.0 << "";
        QTest::newRow("sound alone, as long as the source's")
            << shortSound << QStringList{"-i", "%1", "-vn", "-c:a", "libvorbis", "%2.ogg"} << 6.0 << "";
        QTest::newRow("sound alone, cut shorter than the source's")
            << shortSound << QStringList{"-i", "%1", "-vn", "-t", "0.5", "-c:a", "libvorbis", "%2.ogg"} << 6.0
            << "its output lasts 0.5 s of the 2.0 s asked for";
        // The first of two sounds is the one that stops early: the sound is that one.
        const QString twoSounds = TestMedia::clip("judged-two-sounds.mkv",
            {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=6", "-f", "lavfi", "-i", "sine=duration=2",
             "-f", "lavfi", "-i", "sine=duration=6", "-map", "0", "-map", "1", "-map", "2", "-c:v", "mpeg4", "-c:a", "ac3"});
        QTest::newRow("first of two sounds alone, as long as the source's")
            << twoSounds << QStringList{"-i", "%1", "-map", "0:a:0", "-c:a", "libvorbis", "%2.ogg"} << 6.0 << "";
        // The same from containers that give their streams' lengths otherwise: Matroska as
        // tags, the MPEG program stream by the streams' time stamps.
        const QString shortSoundMkv = TestMedia::clip("judged-short-sound.mkv", clipOf(6, 2, {"-c:v", "mpeg4", "-c:a", "ac3"}));
        QTest::newRow("sound alone, as long as the source's, Matroska")
            << shortSoundMkv << QStringList{"-i", "%1", "-vn", "-c:a", "libvorbis", "%2.ogg"} << 6.0 << "";
        const QString shortSoundMpeg = TestMedia::clip("judged-short-sound.mpg", clipOf(6, 2, {"-c:v", "mpeg2video", "-c:a", "mp2"}));
        QTest::newRow("sound alone, as long as the source's, MPEG")
            << shortSoundMpeg << QStringList{"-i", "%1", "-vn", "-c:a", "libvorbis", "%2.ogg"} << 6.0 << "";
        // Its header claims 3 s; what can be read stops at half of that, every stream alike:
        // the output holds all the source holds.
        QTest::newRow("source cut short") << writeBadMedia("truncated") << QStringList{"-i", "%1", "-c:v", "mpeg4", "-c:a", "libmp3lame", "%2.avi"}
                                          << 3.04 << "";
        // A copied sound is decoded: an LPCM track's bytes in an AC-3 file play as long as
        // their packets, but no player decodes them. A copy without sound has none to decode.
        const QString lpcm = TestMedia::clip("judged-lpcm.mpg", clipOf(6, 6, {"-c:v", "mpeg2video", "-c:a", "pcm_s16be", "-f", "vob"}));
        QTest::newRow("LPCM copied into an AC-3 file") << lpcm << QStringList{"-i", "%1", "-map", "0:a:0", "-acodec", "copy", "-f", "ac3", "%2.ac3"}
                                                       << 6.0 << "its copied sound does not decode";
        QTest::newRow("LPCM copied with every stream into an AC-3 file")
            << lpcm << QStringList{"-i", "%1", "-vn", "-c", "copy", "-f", "ac3", "%2.ac3"} << 6.0 << "its copied sound does not decode";
        // MEncoder copies it through libavformat's reader into AVI under no codec at all.
        QTest::newRow("LPCM copied into AVI by MEncoder")
            << lpcm << QStringList{"mencoder", "-noconfig", "all", "%1", "-demuxer", "lavf", "-ovc", "lavc", "-oac", "copy",
                                   "-of", "avi", "-o", "%2.avi"} << 6.0 << "its copied sound does not decode";
        QTest::newRow("MP3 copied alone") << clip << QStringList{"-i", "%1", "-vn", "-acodec", "copy", "%2.mp3"} << 6.0 << "";
        QTest::newRow("picture copied without sound") << clip << QStringList{"-i", "%1", "-an", "-c", "copy", "%2.mkv"} << 6.0 << "";
        // Picture and sound kept as far apart as in the source, or brought out of step as
        // MEncoder brought a transport stream's: its sound 1.44 s before its picture.
        const QString recording = TestMedia::clip("judged.ts", clipOf(6, 6, {"-c:v", "mpeg2video", "-c:a", "mp2"}));
        QTest::newRow("transport stream copied") << recording << QStringList{"-i", "%1", "-c", "copy", "%2.mkv"} << 6.0 << "";
        QTest::newRow("transport stream's sound brought forward")
            << recording << QStringList{"-i", "%1", "-itsoffset", "1.44", "-i", "%1", "-map", "1:v", "-map", "0:a", "-c", "copy", "%2.mkv"}
            << 6.0 << "its sound comes 1.44 s earlier against its picture than in the source";
        QTest::newRow("transport stream's sound held back")
            << recording << QStringList{"-i", "%1", "-itsoffset", "0.5", "-i", "%1", "-map", "0:v", "-map", "1:a", "-c", "copy", "%2.mkv"}
            << 6.0 << "its sound comes 0.51 s later against its picture than in the source";
        // FFmpeg at a constant rate starts the picture with a sound that comes first, holding
        // the first picture until its time; picture and sound copied, started together, are not.
        QTest::newRow("sound-first transport stream at a constant rate")
            << soundFirstTs() << QStringList{"-i", "%1", "-fps_mode", "cfr", "-c:v", "mpeg4", "-c:a", "mp2", "%2.mkv"} << 6.0 << "";
        QTest::newRow("sound-first transport stream's picture moved to its sound")
            << soundFirstTs() << QStringList{"-itsoffset", "-0.5", "-i", "%1", "-i", "%1", "-map", "0:v", "-map", "1:a", "-c", "copy", "%2.mkv"}
            << 6.0 << "its sound comes 0.50 s later against its picture than in the source";
        // At a PSP's lowest level (x264 at 64 kbit/s, 128x72, with B-pictures) the copies of the
        // held picture sharpen as much as the picture moves; the B-pictures between them code
        // nothing.
        const QStringList lowest{"-r", "25", "-s", "128x72", "-vb", "64k", "-bf", "3", "-bufsize", "2000", "-profile:v",
                                 "main", "-level", "3.0", "-x264opts", "cabac=0:8x8dct=0:weightb=0:mbtree=0", "-pix_fmt",
                                 "yuv420p", "-vcodec", "libx264", "-ar", "16000", "-ab", "32k", "-acodec", "aac", "%2.psp"};
        QTest::newRow("sound-first transport stream at a PSP's lowest level")
            << soundFirstTs() << QStringList{"-i", "%1"} + lowest << 6.0 << "";
        QTest::newRow("sound-first transport stream's picture moved to its sound, at a PSP's lowest level")
            << soundFirstTs() << QStringList{"-itsoffset", "-0.5", "-i", "%1", "-i", "%1", "-map", "0:v", "-map", "1:a"} + lowest
            << 6.0 << "its sound comes 0.53 s later against its picture than in the source";
        const QString asf = TestMedia::clip("judged.asf", clipOf(6, 6, {"-c:v", "wmv2", "-c:a", "wmav2"}));
        QTest::newRow("ASF encoded") << asf << QStringList{"-i", "%1", "-c:v", "mpeg4", "-c:a", "aac", "%2.mp4"} << 6.0 << "";
        // A source's sound that declares no length is as long as its packets, not as its
        // container.
        const QString shortSoundFlv = TestMedia::clip("judged-short-sound.flv", clipOf(6, 2, {"-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100"}));
        QTest::newRow("sound as short as the source's, FLV")
            << shortSoundFlv << QStringList{"-i", "%1", "-c", "copy", "%2.mkv"} << 6.0 << "";
        const QString real = TestMedia::clip("judged.rm", realMedia());
        QTest::newRow("sound cut short, source's sound of no declared length")
            << real << QStringList{"-i", "%1", "-map", "0:v", "-map", "0:a", "-c:v", "mpeg4", "-af", "atrim=end_sample=1040",
                                   "-c:a", "libmp3lame", "%2.avi"}
            << 6.0 << "its sound lasts 0.3 s of the 6.0 s asked for";
        QTest::newRow("whole, source's sound of no declared length")
            << real << QStringList{"-i", "%1", "-c:v", "mpeg4", "-c:a", "libmp3lame", "%2.avi"} << 6.0 << "";
        // A trimmed MP4 starts where its edit does: MEncoder, which reads it without its edit
        // list, starts the picture 1.3 s before the sound.
        const QString trimmed = trimmedMp4();
        QTest::newRow("trimmed MP4 encoded") << trimmed << QStringList{"-i", "%1", "-c:v", "mpeg4", "-c:a", "aac", "%2.mkv"} << 6.0 << "";
        QTest::newRow("trimmed MP4 through MEncoder")
            << trimmed << QStringList{"mencoder", "-noconfig", "all", "%1", "-noskip", "-mc", "0", "-ovc", "lavc", "-lavcopts",
                                      "vcodec=mpeg4", "-oac", "mp3lame", "-of", "lavf", "-lavfopts", "format=matroska", "-o", "%2.mkv"}
            << 6.0 << "its sound comes 1.30 s later against its picture than in the source";
        // A player reads about 30 s from this 12 s VBR MP3's first frame.
        const QString vbr = TestMedia::clip("judged-vbr.mp3", vbrMp3Without(12));
        QTest::newRow("VBR MP3 without a header, whole") << vbr << QStringList{"-i", "%1", "-c:a", "libvorbis", "%2.ogg"} << 30.0 << "";
        QTest::newRow("VBR MP3 without a header, cut")
            << vbr << QStringList{"-t", "4", "-i", "%1", "-c:a", "libvorbis", "%2.ogg"} << 30.0
            << "its output lasts 4.0 s of the 12.0 s asked for";
    }

    void jobJudgesEachStream()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, arguments);
        QFETCH(double, asked);
        QFETCH(QString, failure);
        QVERIFY(!source.isEmpty());
        const QString base = TestMedia::scratch("judged", QTest::currentDataTag());
        QString output;
        for (QString &argument : arguments) {
            argument.replace("%1", source).replace("%2", base);
            if (argument.startsWith(base))
                output = argument;
        }
        // A row may name MEncoder as its program; FFmpeg runs the others.
        QString program = m_engines->ffmpeg()->binary();
        if (arguments.first() == "mencoder")
            program = QStandardPaths::findExecutable(arguments.takeFirst());
        else
            arguments.prepend("-nostdin");
        QFile::remove(output);
        EncodingTaskData data{2, asked, 0, 0.0, 0, output, QString(), false, QVariant()};
        QTextEdit log;
        // The job took the source's first sound, whose start its output's is held against.
        const JudgedEnd end = runJudged(data, program, arguments, {source}, log, 0);
        QVERIFY(end.ended);
        QCOMPARE(end.failure, failure);
        QCOMPARE(end.state, int(failure.isEmpty() ? Task::Terminated : Task::Aborted));
        // A file that failed the check leaves the output's name.
        QCOMPARE(QFile::exists(output), failure.isEmpty());
    }

    // On a busy or cold machine FFprobe's or FFmpeg's start query may outlive its 3 s, and
    // when the start's second asking gets no answer either (here the engine crashes) the
    // engine counts as failed: a 1 s output of a job asked 40 s is still judged, the engines
    // asked again once they are needed. With no engine to measure it, the job says its length
    // was not checked. A meter's engine that dies or stops moving fails no job (only a decode
    // error does): the job says what was not checked.
    void jobJudgedAfterAFailedStart_data()
    {
        QTest::addColumn<QString>("ffprobe"); // "slow", "missing", "hangs on starts" or "" (starts at once)
        QTest::addColumn<QString>("ffmpeg");  // the same, or "killed decoding", "hangs decoding", "silent decoding"
        QTest::addColumn<QString>("engine"); // of the job ("ffmpeg sound": its sound alone)
        QTest::addColumn<double>("asked");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("unchecked"); // what the log says was not checked
        const QString shortOutput = "its output lasts 1.0 s of the 40.0 s asked for";
        const QString length = "its length was not checked, as no engine could measure its output.";
        const QString sound = "its copied sound was not checked, as no engine finished decoding it.";
        QTest::newRow("FFprobe slow to start") << "slow" << "" << "ffmpeg" << 40.0 << shortOutput << QStringList();
        QTest::newRow("FFmpeg slow to start") << "" << "slow" << "ffmpeg" << 40.0 << shortOutput << QStringList();
        QTest::newRow("both slow to start") << "slow" << "slow" << "ffmpeg" << 40.0 << shortOutput << QStringList();
        QTest::newRow("both slow to start, MEncoder's job") << "slow" << "slow" << "mencoder" << 40.0 << shortOutput << QStringList();
        QTest::newRow("FFprobe missing, FFmpeg slow") << "missing" << "slow" << "ffmpeg" << 40.0 << shortOutput << QStringList();
        // FFprobe's quick look tells that a stream falls short, only FFmpeg how far it goes.
        QTest::newRow("FFprobe slow, FFmpeg missing") << "slow" << "missing" << "ffmpeg" << 40.0 << "" << QStringList{length, sound};
        QTest::newRow("neither there") << "missing" << "missing" << "ffmpeg" << 40.0 << "" << QStringList{length, sound};
        // An output without picture is measured all the same.
        QTest::newRow("sound alone, whole") << "" << "" << "ffmpeg sound" << 1.0 << "" << QStringList();
        QTest::newRow("decoder killed") << "" << "killed decoding" << "ffmpeg" << 1.0 << "" << QStringList{sound};
        QTest::newRow("decoder stuck") << "" << "hangs decoding" << "ffmpeg" << 1.0 << "" << QStringList{sound};
        // Stopped from outside, FFmpeg may end with an error code and no word of a decode error.
        QTest::newRow("decoder ends without a word") << "" << "silent decoding" << "ffmpeg" << 1.0 << "" << QStringList{sound};
        QTest::newRow("decoder stuck, MEncoder's job") << "" << "hangs decoding" << "mencoder" << 1.0 << "" << QStringList{sound};
        QTest::newRow("decoder slow to start") << "" << "slow" << "ffmpeg" << 1.0 << "" << QStringList();
        const QString step = "its sound's step with its picture was not checked, as no engine could read where they start.";
        QTest::newRow("start meter stuck") << "hangs on starts" << "" << "ffmpeg to matroska" << 1.0 << "" << QStringList{step};
        QTest::newRow("start meter killed") << "killed on starts" << "" << "ffmpeg to matroska" << 1.0 << "" << QStringList{step};
        QTest::newRow("start meter missing") << "missing" << "" << "ffmpeg to matroska" << 1.0 << "" << QStringList{step};
        QTest::newRow("starts read") << "" << "" << "ffmpeg to matroska" << 1.0 << "" << QStringList();
        // Sound that comes first in the source: the first picture's hold tells the step.
        QTest::newRow("hold meter killed") << "" << "killed holding" << "ffmpeg sound first" << 6.0 << "" << QStringList{step};
        QTest::newRow("hold read") << "" << "" << "ffmpeg sound first" << 6.0 << "" << QStringList();
    }

    void jobJudgedAfterAFailedStart()
    {
        QFETCH(QString, ffprobe);
        QFETCH(QString, ffmpeg);
        QFETCH(QString, engine);
        QFETCH(double, asked);
        QFETCH(QString, failure);
        QFETCH(QStringList, unchecked);
        const QString tag = QString(QTest::currentDataTag()).replace(' ', '-').remove(',').remove('\'');
        // The first run of a slow engine outlives the start query's time, the second fails;
        // later ones answer. A faulty meter runs the real engine for all but the runs its
        // fault names: the sound decode (mapping "0:a:0?"), or the frames read at the
        // streams' start.
        const auto standIn = [&tag](const QString &name, const QString &fault) {
            const QString marker = TestMedia::folder() + "/engines/" + tag + '-' + name + ".started";
            QFile::remove(marker);
            QFile::remove(marker + ".again");
            if (fault == "missing")
                return TestMedia::folder() + "/no-such-" + name;
            const QString real = QStandardPaths::findExecutable(name);
            if (fault.isEmpty())
                return real;
            const QString run = QString("exec '%1' \"$@\"").arg(real);
            const QString stuck = QString("exec '%1' hang").arg(TestMedia::fakeEngine());
            if (fault == "slow")
                return writeEngineScript(tag + '-' + name, QString("if [ ! -e '%1' ]; then : > '%1'; exec sleep 10; fi\n"
                                                                           "if [ ! -e '%1.again' ]; then : > '%1.again'; kill -SEGV $$; fi\n")
                                                                       .arg(marker) + run);
            const QString runs = fault.endsWith("decoding") ? "*0:a:0\\?*" : fault.endsWith("holding") ? "*mpdecimate*" : "*frame=*";
            const QString act = fault.startsWith("hangs") ? stuck : fault.startsWith("silent") ? "exit 255" : "kill -KILL $$";
            return writeEngineScript(tag + '-' + name, QString("case \"$*\" in %1) %2;; esac\n").arg(runs, act) + run);
        };
        ConsoleCapture console;
        FFprobe probeEngine;
        FFmpeg mpegEngine;
        const auto starts = [](const QString &fault) { return fault.isEmpty() || !QStringList{"slow", "missing"}.contains(fault); };
        QCOMPARE(probeEngine.startInterface(standIn("ffprobe", ffprobe), QString()), starts(ffprobe));
        QCOMPARE(mpegEngine.startInterface(standIn("ffmpeg", ffmpeg), QString()), starts(ffmpeg));
        EngineObjects::setEngines(&mpegEngine, &probeEngine, nullptr);
        // A stuck meter is given up after a second without progress (the default for the
        // rest: a busy machine may hold a good one up for longer).
        const bool stuck = ffprobe.startsWith("hangs") || ffmpeg.startsWith("hangs");
        const int patience = OutputMeter::setPatience(stuck ? 1000 : 0);

        const bool soundFirst = engine == "ffmpeg sound first";
        const bool matroska = engine == "ffmpeg to matroska" || soundFirst;
        const QString source = soundFirst ? soundFirstTs() : TestMedia::clip("one-second.avi", clipOf(1, 1));
        const QString output = TestMedia::scratch("judged-after-start", tag) + (matroska ? ".mkv" : ".avi");
        QFile::remove(output);
        const bool mencoder = engine == "mencoder";
        QStringList arguments = mencoder ? QStringList{source, "-ovc", "copy", "-oac", "copy", "-o", output}
                                         : QStringList{"-nostdin", "-i", source, "-c", "copy", output};
        if (engine == "ffmpeg sound")
            arguments.insert(3, "-vn");
        // Its sound encoded: only the starts are read of it.
        if (matroska)
            arguments = QStringList{"-nostdin", "-i", source, "-c:v", "copy", "-c:a", "flac", output};
        if (soundFirst)
            arguments = QStringList{"-nostdin", "-i", source, "-fps_mode", "cfr", "-c:v", "mpeg4", "-c:a", "mp2", output};
        EncodingTaskData data{mencoder ? 1 : 2, asked, 0, 0.0, 0, output, QString(), false, QVariant()};
        QTextEdit log;
        // Into Matroska, picture and sound are held against the source's first sound.
        const JudgedEnd end = runJudged(data, QStandardPaths::findExecutable(mencoder ? "mencoder" : "ffmpeg"),
                                        arguments, matroska ? QStringList{source} : QStringList(), log, matroska ? 0 : -1);
        OutputMeter::setPatience(patience);
        EngineObjects::setEngines(m_engines->ffmpeg(), m_engines->ffprobe(), nullptr);
        QVERIFY(end.ended);
        QCOMPARE(end.failure, failure);
        const QStringList notes = log.toPlainText().split('\n').filter(" was not checked");
        QStringList said;
        for (const QString &note : unchecked)
            said << "Job: judged [id]: " + note;
        QCOMPARE(notes, said);
        // An engine that failed its start is asked again once; a ready one never.
        QCOMPARE(console.log().count("FFprobe: start interface."), starts(ffprobe) ? 1 : 2);
        QCOMPARE(console.log().count("FFmpeg: start interface."), starts(ffmpeg) ? 1 : 2);
    }

private:
    std::unique_ptr<RegisteredEngines> m_engines;
};

VEXO_TEST_CLASS(OutputMeterTest)
#include "tst_outputmeter.moc"
