// The encoder's engines on the installed MEncoder and FFmpeg and on stand-ins that are
// missing, hang or crash; time-outs, consoles, settings and the output target.

#include "encodertesting.h"
#include "encoder/records/enginetype.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTest>

class EncoderEnginesTest : public QObject
{
    Q_OBJECT

private slots:
    void freshEncoderHasNoEngine()
    {
        ConsoleEncoder e;
        QVERIFY(!e->enginesReady());
        for (int type : {EngineType::MEncoder, EngineType::FFmpeg}) {
            QVERIFY(!e->isEngineReady(type));
            QVERIFY(!e->jobData(type));
            QCOMPARE(e->engineBinary(type), QString());
            int start = 0, finish = 0, kill = 0;
            e->timeouts(type, start, finish, kill);
            QCOMPARE(QList<int>({start, finish, kill}), QList<int>({3000, 3000, 5000}));
        }
        QCOMPARE(e->startTimeout(7) + e->finishTimeout(7) + e->killTimeout(7), 11000);
        QCOMPARE(e.errText().count("encoder interface (type 7) unknown"), 3);
    }

    void realEnginesAreReady()
    {
        ConsoleEncoder e;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        QCOMPARE(e->engineVersion(EngineType::MEncoder),
                 engineBannerVersion("mencoder", {}, "MEncoder (\\S+)"));
        const EngineCapabilities *mencoder = e->capabilities(EngineType::MEncoder);
        QVERIFY(mencoder && mencoder->videoCodecMap->contains("xvid"));
        QVERIFY(mencoder->lavfMuxerMap && !mencoder->lavfMuxerMap->value("lavf").isEmpty());
        QVERIFY(e.logText().contains("Encoder: MEncoder engine is ready."));
        QVERIFY(e.stdIn.toPlainText().startsWith("mencoder -ovc help -oac help -of help"));
        QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
        QVERIFY(e->enginesReady());
        QCOMPARE(e->engineVersion(EngineType::FFmpeg),
                 engineBannerVersion("ffmpeg", {"-version"}, "ffmpeg version (\\S+)"));
        const EngineCapabilities *ffmpeg = e->capabilities(EngineType::FFmpeg);
        QVERIFY(ffmpeg && ffmpeg->videoCodecMap->contains("libx264"));
        QVERIFY(!ffmpeg->lavcVideoCodecMap && !ffmpeg->lavfMuxerMap);
        QCOMPARE(e.stdIn.toPlainText().split('\n').filter(QRegularExpression("^ffmpeg ")),
                 QStringList({"ffmpeg -version", "ffmpeg -codecs", "ffmpeg -formats"}));
        QVERIFY2(timer.elapsed() < 4 * (3000 + 3000), "the resets run under the time-outs");
        QVERIFY(!e.errText().contains("encoder interface")); // only the engines' own output
    }

    void faultyEngineIsNotReady_data()
    {
        addColumns<int, QString, int, QStringList, QStringList>({"type", "binary", "state", "messages", "absent"});
        // A program that is not there, or cannot run, is said to be so: the start time-out has
        // nothing to do with it.
        QTest::newRow("missing") << 1 << TestMedia::folder() + "/no-such-engine" << 0 << QStringList{"Encoder: MEncoder process failed to start: " + TestMedia::folder() + "/no-such-engine not found."} << QStringList{"reset completed", "failed initialization", "milliseconds"};
        QTest::newRow("not executable") << 1 << writeEngineFile("noexec-mencoder", "#!/bin/sh\n") << 0 << QStringList{"Encoder: MEncoder process failed to start: " + TestMedia::folder() + "/engines/noexec-mencoder is not executable."} << QStringList{"milliseconds"};
        // Stopped at its time-out, it did not crash.
        QTest::newRow("hanging") << 1 << fakeEngineAs("hang-engine", "hang") << 2 << QStringList{"Encoder: MEncoder process being killed.", "Encoder: MEncoder process killed.", "Encoder: MEncoder engine binary is", "Encoder: MEncoder engine failed initialization."} << QStringList{"engine is ready", "crashed", "process finished"};
        // Its start holds the window three times its latencies at most, however it keeps busy:
        // working without a word (asked again once that went on too long), or printing on.
        QTest::newRow("spinning without a word") << 1 << fakeEngineAs("spin-engine", "burn 600000 true") << 2 << QStringList{"Encoder: MEncoder did not answer in time; it is asked again", "Encoder: MEncoder process killed."} << QStringList{"engine is ready", "crashed"};
        QTest::newRow("printing without end") << 1 << fakeEngineAs("chatty-engine", "progress 100000") << 2 << QStringList{"Encoder: MEncoder process killed."} << QStringList{"engine is ready", "crashed", "asked again"};
        QTest::newRow("crashing") << 1 << fakeEngineAs("crash-engine", "crash") << 2 << QStringList{"Warning: MEncoder process crashed.", "Encoder: MEncoder engine reset completed.", "Encoder: MEncoder engine failed initialization."} << QStringList{"engine is ready", "being killed"};
        // FFmpeg: a missing engine stops at the version query; the others run all three.
        QTest::newRow("FFmpeg missing") << 2 << TestMedia::folder() + "/no-such-ffmpeg" << 0 << QStringList{"Encoder: FFmpeg process failed to start: " + TestMedia::folder() + "/no-such-ffmpeg not found."} << QStringList{"reset completed", "failed initialization", "milliseconds"};
        QTest::newRow("FFmpeg without banner") << 2 << fakeEngineAs("other-ffmpeg", "print 'no banner'") << 2 << QStringList{"Encoder: FFmpeg engine reset completed.", "Encoder: FFmpeg engine binary is", "Encoder: FFmpeg engine failed initialization."} << QStringList{"engine is ready", "crashed"};
    }

    void faultyEngineIsNotReady()
    {
        QFETCH(int, type);
        QFETCH(QString, binary);
        QFETCH(int, state);
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
        e->setTimeouts(type, 1000, 500, 1000);
        e.clear();
        QElapsedTimer timer;
        timer.start();
        e->setEngineBinary(type, binary);
        QVERIFY(timer.elapsed() < 3 * (1000 + 500 + 1000) + 500);
        QVERIFY(!e->isEngineReady(type));
        QVERIFY(!e->enginesReady());
        const int other = 3 - type;
        QVERIFY(e->isEngineReady(other)); // the other engine stays ready
        QCOMPARE(e->interfaceStatus(type)->state, state);
        QCOMPARE(e->engineBinary(type), binary);
        // What the engine reported before is gone (FFmpeg's parser keeps its pseudo entries).
        QVERIFY(!e->capabilities(type)->videoCodecMap->contains(type == 1 ? "xvid" : "libx264"));
        QVERIFY(e->capabilities(other)->videoCodecMap->contains(other == 1 ? "xvid" : "libx264"));
        if (state == InterfaceStatus::Reset) // the reset ends at the first query that cannot start
            QCOMPARE(e.logText().count("process starts."), 1);
        for (const QString &message : fetched<QStringList>("messages"))
            QVERIFY2(e.logText().contains(message), qPrintable(message + " in:\n" + e.logText()));
        for (const QString &message : fetched<QStringList>("absent"))
            QVERIFY2(!e.logText().contains(message), qPrintable(message + " in:\n" + e.logText()));
    }

    void failedResetDropsCapabilities()
    {
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        // A second, good reset refills what the first found.
        const QStringList muxers = e->capabilities(EngineType::MEncoder)->muxerMap->keys();
        e->resetEngine(EngineType::MEncoder);
        QVERIFY(e->isEngineReady(EngineType::MEncoder));
        QCOMPARE(e->capabilities(EngineType::MEncoder)->muxerMap->keys(), muxers);
        // Initialising again makes new records.
        EncodingJob *job = e->jobData(EngineType::MEncoder);
        job->target.muxer = "mkv";
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        QCOMPARE(e->jobData(EngineType::MEncoder)->target.muxer, QString());
    }

    void unknownTypeIsReported()
    {
        ConsoleEncoder e;
        QVERIFY(!e->initEngine(3, "x264"));
        QVERIFY(!e->isEngineReady(3));
        e->setEngineBinary(0, "mencoder");
        e->resetEngine(3);
        QCOMPARE(e.errText().count(QRegularExpression("encoder interface \\(type [03]\\) unknown")), 4);
        QVERIFY(e.logText().contains("Encoder: unknown engine reset begins."));
        QVERIFY(!e.logText().contains("completed"));
        QVERIFY(!e->capabilities(3) && !e->interfaceStatus(3) && !e->jobData(0));
        QCOMPARE(Encoder::engineName(4), QString("unknown"));
    }

    void consolesFilterByLevel()
    {
        ConsoleEncoder e;
        e->setVerbosity(LogLevel::Normal);
        e->logMessage("normal", LogLevel::Normal);
        e->logMessage("verbose", LogLevel::Verbose);
        e->logStdIn("in", LogLevel::Quiet);
        e->logStdOut("out", LogLevel::Normal);
        e->logStdErr("err", LogLevel::Verbose);
        QCOMPARE(e.logText(), QString("normal"));
        QCOMPARE(e.stdIn.toPlainText(), QString("in"));
        QCOMPARE(e.stdOut.toPlainText(), QString("out"));
        QCOMPARE(e.errText(), QString());
    }

    void settingsUseProgramStore()
    {
        QSettings program; // the store that start-up named
        program.remove("Encoder");
        {
            ConsoleEncoder e;
            e->setTargetMuxer("mkv");
            e->loadSettings();
            QCOMPARE(e->outputTarget().extension, QString(".avi"));
            QCOMPARE(e->targetMuxer(), QString("avi"));
            e->setTargetMuxer("ogg");
            e->saveSettings();
        }
        program.sync();
        QCOMPARE(program.value("Encoder/target muxer").toString(), QString("ogg"));
        QCOMPARE(program.value("Encoder/target ext").toString(), QString(".ogg"));
        ConsoleEncoder other;
        other->loadSettings();
        QCOMPARE(other->targetMuxer(), QString("ogg"));
        QVERIFY(!QSettings(QString(), QString()).contains("Encoder/target muxer"));
        program.remove("Encoder");
    }

    void outputTarget()
    {
        ConsoleEncoder e;
        e->setTargetMuxer("ipod");
        QCOMPARE(e->outputTarget().extension, QString(".m4a")); // a fresh source has no video
        setClipSource(e.encoder, "clip.avi");
        QCOMPARE(e->setTarget("/tmp/out/", "movie"), QString(".m4v"));
        QCOMPARE(e->outputFile(), QString("/tmp/out/movie.m4v"));
        e->setTargetMuxer("mpeg_vcd");
        QCOMPARE(e->outputFile(), QString("/tmp/out/movie.mpg"));
        QCOMPARE(e->outputTarget().fileName(), QString("movie.mpg"));
        QVERIFY(e->hasVideoAndAudio());
        QCOMPARE(e->audioStreamCount(), 1);
        QCOMPARE(e->subtitleStreamCount(), 0);
        // The file's other audio stream listed beside the chosen one: still one to encode.
        e->source().audioStreams = {mp3Tone(1), mp3Tone(2)};
        QCOMPARE(e->audioStreamCount(), 1);
        e->setSourceStreams(VideoInfo(), false, AudioInfo(), true, SubtitleInfo(), false);
        QCOMPARE(e->audioStreamCount(), 0);
        QCOMPARE(e->subtitleStreamCount(), 1);
    }

    void audioCodecAvailability()
    {
        ConsoleEncoder e;
        QVERIFY(!e->isAudioCodecAvailable("avi", "mp3")); // no engine yet
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        QVERIFY(e->isAudioCodecAvailable("avi", "mp3"));
        QVERIFY(!e->isAudioCodecAvailable("avi", "vorbis"));
        QVERIFY(e->isAudioCodecSupported(EngineType::MEncoder, "avi", "ac3_copy"));
        setDvdSource(e.encoder, "/dvd");
        QVERIFY(!e->isAudioCodecAvailable("mov", "ac3"));
        QVERIFY(!e->isAudioCodecAvailable("mov", "ac3_copy"));
        QVERIFY(e->isAudioCodecAvailable("avi", "mp3"));
        QVERIFY(!e->isMuxerSupported(5, "avi"));
    }
};

VEXO_TEST_CLASS(EncoderEnginesTest)
#include "tst_encoderengines.moc"
