// The extended encoder: x264 and MKVmerge on the installed engines and on stand-ins, its
// per-type dispatch, the profile summary, and the two-pass Xvid target for one CD and the
// re-mux run for real.

#include "encodertesting.h"
#include "encoder/records/enginetype.h"
#include "engines/fileargument.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "testregistry.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {
// A stream's fields as FFprobe prints them, "codec_type=codec_name" per stream.
QStringList streamsOf(const QString &file, const QString &entries = "stream=codec_type,codec_name")
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-show_entries", entries, "-of", "csv=p=0", file}, &out);
    return out.split('\n', Qt::SkipEmptyParts);
}

// Every file named "nul" below a folder.
QStringList nulFiles(const QString &folder)
{
    QStringList found;
    for (QDirIterator it(folder, {"nul"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        found << it.next();
    return found;
}
}

class MervoEncoderTest : public QObject
{
    Q_OBJECT

private slots:
    // Acceptance: both engines ready with their real versions and capability maps.
    void realEngines()
    {
        ConsoleMervoEncoder e;
        QVERIFY(e->initEngine(EngineType::X264, "x264"));
        QVERIFY(e->initEngine(EngineType::MKVmerge, "mkvmerge"));
        QCOMPARE(e->engineVersion(EngineType::X264),
                 engineBannerVersion("x264", {"--fullhelp"}, "x264 (core:[^\\n]*)"));
        QCOMPARE(e->engineVersion(EngineType::MKVmerge),
                 engineBannerVersion("mkvmerge", {"--version"}, "mkvmerge (v\\S+)"));
        QCOMPARE(e->capabilities(EngineType::X264)->muxerMap->keys(), (QStringList{"264", "flv", "mkv"}));
        QCOMPARE(e->capabilities(EngineType::MKVmerge)->muxerMap->keys(), QStringList{"mkv"});
        QVERIFY(e->isMuxerSupported(EngineType::X264, "mkv"));
        QVERIFY(!e->isMuxerSupported(EngineType::X264, "mp4")); // "(no)" in this build
        QVERIFY(!e->isEngineReady(EngineType::MEncoder)); // the base's engines stay the base's
    }

    void faultyEngines_data()
    {
        addColumns<int, QString, int, QString>({"type", "binary", "state", "message"});
        QTest::newRow("missing x264") << EngineType::X264 << "/nonexistent/x264" << 0
                                      << "MervoEncoder: x264 process failed to start: /nonexistent/x264 not found.";
        QTest::newRow("MKVmerge answering something else")
            << EngineType::MKVmerge << writeEngineScript("mkvmerge-other", "echo 'mkvmerge: unknown option'")
            << 2 << "MervoEncoder: MKVmerge engine failed initialization.";
        QTest::newRow("x264 without its output types")
            << EngineType::X264 << writeEngineScript("x264-bare", "echo 'x264 core:164 r3095'") << 2
            << "MervoEncoder: x264 engine failed initialization.";
    }

    void faultyEngines()
    {
        QFETCH(int, type);
        QFETCH(QString, binary);
        QFETCH(int, state);
        QFETCH(QString, message);
        ConsoleMervoEncoder e;
        QVERIFY(!e->initEngine(type, binary));
        QCOMPARE(e->interfaceStatus(type)->state, state);
        QVERIFY2(e.logText().contains(message), qPrintable(e.logText()));
        QCOMPARE(e.logText().contains(QString("engine binary is %1").arg(binary)), state == 2);
        QVERIFY(e->capabilities(type)->muxerMap->isEmpty());
    }

    // The front end sets every engine's path through the encoder it holds as an Encoder.
    void enginePathThroughTheBase()
    {
        ConsoleMervoEncoder e;
        QVERIFY(!e->initEngine(EngineType::MKVmerge, "/nonexistent/mkvmerge"));
        Encoder &base = e.encoder;
        base.setEngineBinary(EngineType::MKVmerge, "mkvmerge");
        QCOMPARE(e->engineBinary(EngineType::MKVmerge), QString("mkvmerge"));
        QVERIFY(e->isEngineReady(EngineType::MKVmerge));
        base.setEngineBinary(EngineType::MKVmerge, "/nonexistent/mkvmerge");
        QVERIFY(!e->isEngineReady(EngineType::MKVmerge));
        QCOMPARE(e.errText(), QString());
        base.setEngineBinary(9, "x");
        QCOMPARE(e.errText().count("encoder interface (type 9) unknown"), 1);
    }

    void unknownAndRefusedTypes()
    {
        ConsoleMervoEncoder e;
        int start = 0, finish = 0, kill = 0;
        e->setTimeouts(7, 1, 2, 3);
        e->timeouts(7, start, finish, kill);
        QCOMPARE(QList<int>({start, finish, kill}), QList<int>({3000, 3000, 5000}));
        e->setTimeouts(EngineType::X264, 10, 20, 30); // kept before the engine exists
        e->timeouts(EngineType::X264, start, finish, kill);
        QCOMPARE(QList<int>({start, finish, kill}), QList<int>({10, 20, 30}));
        QVERIFY(!e->initEngine(7, "x") && !e->isEngineReady(7) && !e->isMuxerSupported(7, "mkv"));
        QVERIFY(!e->jobData(7) && !e->capabilities(7) && !e->interfaceStatus(7));
        QCOMPARE(e.errText().count("encoder interface (type 7) unknown"), 5);
        QCOMPARE(MervoEncoder::engineName(7), QString("unknown"));

        QString program = "kept", program2 = "kept2";
        QStringList arguments{"kept"}, arguments2{"kept2"};
        e.clear();
        e->cliCmdRemux(EngineType::X264, "a.avi", "b.mkv", program, arguments, "mkv");
        e->cliCmdRemux(EngineType::MKVmerge, "a.avi", "b.mkv", program, arguments, "mkv");
        for (int type : {EngineType::FFmpeg, EngineType::X264, EngineType::MKVmerge})
            e->cliCmdTargetXvid(type, program, arguments, program2, arguments2, EncodingSource(), "s");
        QCOMPARE(e.errText().split('\n'),
                 (QStringList{"x264 encoder interface doesn't support remuxing",
                              "MKVmerge encoder interface doesn't support remuxing",
                              "FFmpeg encoder interface doesn't support Xvid target",
                              "x264 encoder interface doesn't support Xvid target",
                              "MKVmerge encoder interface doesn't support Xvid target"}));
        QCOMPARE(program + program2, QString("keptkept2"));
        QCOMPARE(arguments + arguments2, (QStringList{"kept", "kept2"}));
    }

    void xvidCdVideoSize_data()
    {
        addColumns<double, qint64>({"length", "size"});
        QTest::newRow("90 minutes, fraction dropped") << 5400.99 << -qint64(700000 - 16 * 5400);
        QTest::newRow("unknown") << 0.0 << -qint64(700000 - 16 * 6000);
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << -qint64(700000 - 16 * 6000);
        QTest::newRow("last second with room") << 43749.0 << qint64(-16);
        QTest::newRow("sound fills the CD") << 43750.0 << qint64(0);
        QTest::newRow("past 32-bit sound") << 200000000.0 << qint64(0);
    }

    void xvidCdVideoSize()
    {
        QFETCH(double, length);
        QFETCH(qint64, size);
        QCOMPARE(MervoEncoder::xvidCdVideoSize(length), size);
    }

    void xvidCdCommands_data()
    {
        addColumns<double, double, QString, QString>({"aspect", "length", "scale", "bitrate"});
        QTest::newRow("4:3, 90 minutes") << 1.333 << 5400.0 << "scale=512:384" << "bitrate=-613600";
        QTest::newRow("16:9, unknown length") << 1.778 << 0.0 << "scale=624:352" << "bitrate=-604000";
        QTest::newRow("sound fills the CD") << 1.778 << 50000.0 << "" << "";
    }

    void xvidCdCommands()
    {
        QFETCH(double, aspect);
        QFETCH(double, length);
        QFETCH(QString, scale);
        QFETCH(QString, bitrate);
        ConsoleMervoEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        setClipSource(e.encoder, "/media/movie.avi", aspect);
        EncodingSource source = e->source();
        source.video.length = length;
        e->setTargetMuxer("avi");
        e->setTarget("/out", "movie");
        QString first, second;
        QStringList pass1, pass2;
        e->cliCmdTargetXvid(EngineType::MEncoder, first, pass1, second, pass2, source, "/out/movie.stats");
        if (scale.isEmpty()) {
            QVERIFY(first.isEmpty() && pass1.isEmpty() && second.isEmpty() && pass2.isEmpty());
            QVERIFY(e.errText().contains("the sound of a 50000 s source alone fills the CD"));
            return;
        }
        QCOMPARE(first, QString("mencoder"));
        for (const QStringList &pass : {pass1, pass2}) {
            QCOMPARE(pass.at(pass.indexOf("-passlogfile") + 1), QString("/out/movie.stats"));
            QVERIFY2(pass.at(pass.indexOf("-vf") + 1).startsWith(scale), qPrintable(pass.join(' ')));
        }
        const QString xvid1 = pass1.at(pass1.indexOf("-xvidencopts") + 1);
        const QString xvid2 = pass2.at(pass2.indexOf("-xvidencopts") + 1);
        QVERIFY2(xvid1.startsWith("turbo:pass=1:" + bitrate + ":"), qPrintable(xvid1));
        QVERIFY2(xvid2.startsWith("pass=2:" + bitrate + ":"), qPrintable(xvid2));
        QCOMPARE(pass1.mid(pass1.lastIndexOf("-o")), (QStringList{"-o", nullDevice()}));
        QCOMPARE(pass2.mid(pass2.lastIndexOf("-o")), (QStringList{"-o", "/out/movie.avi"}));
        // The one-pass target of the base is still there, and leaves the passes at one.
        e->cliCmdTargetXvid(EngineType::MEncoder, first, pass1, source);
        QVERIFY(pass1.at(pass1.indexOf("-xvidencopts") + 1).startsWith("bitrate=700:"));
    }

    void profileSummary_data()
    {
        addColumns<QString, QString, double, QString>({"video", "audio", "audioBitrate", "summary"});
        QTest::newRow("video and VBR audio") << "xvid" << "mp3" << 0.0 << "Xvid video 640x480 1200 kbps,  MP3 audio 44.1 kHz VBR";
        QTest::newRow("no audio") << "xvid" << "noaudio" << 128.0 << "Xvid video 640x480 1200 kbps";
        QTest::newRow("no video") << "novideo" << "mp3" << 96.5 << "MP3 audio 44.1 kHz 96.5 kbps";
        QTest::newRow("no video, VBR, no copy variants") << "" << "ac3_copy" << 0.0
                                                         << "AC3 (copy) audio 44.1 kHz VBR";
    }

    void profileSummary()
    {
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(double, audioBitrate);
        QFETCH(QString, summary);
        ConsoleMervoEncoder e;
        EncodingTarget target;
        target.video.codec = video;
        target.video.pictureSize = QSize(640, 480);
        target.video.bitrate = 1200.0;
        target.audio.codec = audio;
        target.audio.samplingRate = 44100;
        target.audio.bitrate = audioBitrate;
        QCOMPARE(e->profileSummary(target), summary);
        QCOMPARE(e->profileSummary("avi", target), summary);
    }

    // Acceptance: both passes of the one-CD target as one job of two tasks on a generated clip,
    // the second after the first ended; an XVID AVI with the source's frames, and no "nul" file.
    void twoPassXvidCdRuns()
    {
        QTemporaryDir folder;
        const QString home = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path())); // where a relative "nul" would appear
        ConsoleMervoEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        setClipSource(e.encoder, TestMedia::standardAvi());
        e->setTargetMuxer("avi");
        e->setTarget(folder.path(), "movie");
        const QString stats = folder.filePath("movie.stats");
        QString program1, program2, commandLine, out, err;
        QStringList pass1, pass2;
        e->cliCmdTargetXvid(EngineType::MEncoder, program1, pass1, program2, pass2, e->source(), stats);
        // The front end tries the first pass with the statistics file as its output.
        QVERIFY2(e->checkCommand(EngineType::MEncoder, program1, pass1, stats, commandLine, out, err, 10),
                 qPrintable(commandLine + '\n' + out + err));
        QVERIFY(!QFileInfo::exists(stats));

        EncodingTaskData data1{EngineType::MEncoder, 3.0, 75, 4.0 / 3.0, 0, stats, "avi", false, QVariant()};
        EncodingTaskData data2{EngineType::MEncoder, 3.0, 75, 4.0 / 3.0, 0, e->outputFile(), "avi", false, QVariant()};
        auto *first = new MervoTask;
        auto *second = new MervoTask;
        first->set(&data1, program1, pass1, folder.path(), "pass 1", "Encoding");
        second->set(&data2, program2, pass2, folder.path(), "pass 2", "Encoding");
        second->setPrecedingTasks({first});
        first->setFollowingTasks({second});
        QStringList order;
        for (MervoTask *task : {first, second})
            connect(task, &Task::stateChanged, this, [&order, task] {
                if (task->state == Task::Running || task->state == Task::Terminated)
                    order << task->name() + ':' + QString::number(task->state);
            });
        auto *job = new MervoJob;
        job->init({first, second}, "xvid", "Xvid CD", "movie.avi", nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        QSignalSpy finished(job, &MervoJob::finished);
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        manager.addJob(job);
        QVERIFY(finished.count() == 1 || finished.wait(60000));
        QDir::setCurrent(home);

        QCOMPARE(order, (QStringList{"pass 1:3", "pass 1:4", "pass 2:3", "pass 2:4"}));
        QVERIFY(QFileInfo(stats).size() > 0);
        const QString output = folder.filePath("movie.avi");
        QCOMPARE(streamsOf(output, "stream=codec_type,codec_tag_string,width"),
                 (QStringList{"video,XVID,512", "audio,U[0][0][0]"}));
        QCOMPARE(TestMedia::countVideoFrames(output), TestMedia::countVideoFrames(TestMedia::standardAvi()));
        QCOMPARE(nulFiles(folder.path()), QStringList());
        QCOMPARE(nulFiles(home), QStringList());
    }

    void remuxRuns_data()
    {
        addColumns<int, QString>({"type", "muxer"});
        QTest::newRow("MEncoder, AVI to Matroska") << EngineType::MEncoder << "mkv";
        QTest::newRow("FFmpeg, AVI to Matroska") << EngineType::FFmpeg << "mkv";
    }

    // Acceptance: a re-mux to another container keeps every stream and every picture.
    void remuxRuns()
    {
        QFETCH(int, type);
        QFETCH(QString, muxer);
        QTemporaryDir folder;
        ConsoleMervoEncoder e;
        QVERIFY(e->initEngine(type, type == EngineType::MEncoder ? "mencoder" : "ffmpeg"));
        const QString input = folder.filePath("-clip, \"one\".avi");
        QVERIFY(QFile::copy(TestMedia::standardAvi(), input));
        const QString output = folder.filePath("clip." + muxer);
        QString program;
        QStringList arguments;
        e->cliCmdRemux(type, input, output, program, arguments, muxer);
        QCOMPARE(TestMedia::run(program, arguments), 0);
        QCOMPARE(streamsOf(output), streamsOf(input));
        QCOMPARE(TestMedia::countVideoFrames(output), TestMedia::countVideoFrames(input));
    }
};


VEXO_TEST_CLASS(MervoEncoderTest)
#include "tst_mervoencoder.moc"
