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
    void freshEncoderHasNoEngine();
    void realEnginesAreReady();
    void faultyEngineIsNotReady_data();
    void faultyEngineIsNotReady();
    void failedResetDropsCapabilities();
    void unknownTypeIsReported();
    void consolesFilterByLevel();
    void settingsUseProgramStore();
    void outputTarget();
    void audioCodecAvailability();
};

void EncoderEnginesTest::freshEncoderHasNoEngine()
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
    QCOMPARE(e.errText(), QString());
    QCOMPARE(e->startTimeout(7), 3000);
    QCOMPARE(e->finishTimeout(7), 3000);
    QCOMPARE(e->killTimeout(7), 5000);
    QCOMPARE(e.errText().count("encoder interface (type 7) unknown"), 3);
}

void EncoderEnginesTest::realEnginesAreReady()
{
    ConsoleEncoder e;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
    QCOMPARE(e->engineVersion(EngineType::MEncoder),
             engineBannerVersion("mencoder", {}, "MEncoder (\\S+)"));
    QVERIFY(!e->engineVersion(EngineType::MEncoder).isEmpty());
    const EngineCapabilities *mencoder = e->capabilities(EngineType::MEncoder);
    QVERIFY(mencoder && mencoder->videoCodecMap->contains("xvid"));
    QVERIFY(mencoder->audioCodecMap->contains("mp3lame"));
    QVERIFY(mencoder->muxerMap->contains("avi"));
    QVERIFY(mencoder->lavfMuxerMap && !mencoder->lavfMuxerMap->value("lavf").isEmpty());
    QCOMPARE(e->interfaceStatus(EngineType::MEncoder)->state, int(InterfaceStatus::Ready));
    QVERIFY(e.logText().contains("Encoder: MEncoder engine is ready."));
    QVERIFY(e.stdIn.toPlainText().startsWith("mencoder -ovc help -oac help -of help"));
    QCOMPARE(e->engineBinary(EngineType::MEncoder), QString("mencoder"));
    QVERIFY2(timer.elapsed() < 3000 + 3000, "the reset runs under the time-outs");
    QCOMPARE(e.errText(), QString());
}

void EncoderEnginesTest::faultyEngineIsNotReady_data()
{
    QTest::addColumn<QString>("binary");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("missing") << TestMedia::folder() + "/no-such-engine" << 0
                             << QStringList{"Encoder: MEncoder process failed to start in 1000 milliseconds."}
                             << QStringList{"reset completed", "failed initialization"};
    QTest::newRow("hanging") << fakeEngineAs("hang-engine", "hang") << 2
                             << QStringList{"Encoder: MEncoder process being killed.",
                                            "Encoder: MEncoder process killed.",
                                            "Encoder: MEncoder engine binary is",
                                            "Encoder: MEncoder engine failed initialization."}
                             << QStringList{"engine is ready"};
    QTest::newRow("crashing") << fakeEngineAs("crash-engine", "crash") << 2
                              << QStringList{"Warning: MEncoder process crashed.",
                                             "Encoder: MEncoder engine reset completed.",
                                             "Encoder: MEncoder engine failed initialization."}
                              << QStringList{"engine is ready", "being killed"};
    QTest::newRow("not MEncoder") << fakeEngineAs("other-engine", "print 'no banner'") << 2
                                  << QStringList{"Encoder: MEncoder process finished.",
                                                 "Encoder: MEncoder engine failed initialization."}
                                  << QStringList{"engine is ready", "crashed"};
}

void EncoderEnginesTest::faultyEngineIsNotReady()
{
    QFETCH(QString, binary);
    QFETCH(int, state);
    ConsoleEncoder e;
    QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
    e->setTimeouts(EngineType::MEncoder, 1000, 500, 1000);
    e.clear();
    QElapsedTimer timer;
    timer.start();
    e->setEngineBinary(EngineType::MEncoder, binary);
    QVERIFY(timer.elapsed() < 1000 + 500 + 1000 + 500);
    QVERIFY(!e->isEngineReady(EngineType::MEncoder));
    QCOMPARE(e->interfaceStatus(EngineType::MEncoder)->state, state);
    QCOMPARE(e->engineBinary(EngineType::MEncoder), binary);
    QVERIFY(e->capabilities(EngineType::MEncoder)->videoCodecMap->isEmpty());
    for (const QString &message : *static_cast<QStringList *>(QTest::qData("messages", qMetaTypeId<QStringList>())))
        QVERIFY2(e.logText().contains(message), qPrintable(message + " in:\n" + e.logText()));
    for (const QString &message : *static_cast<QStringList *>(QTest::qData("absent", qMetaTypeId<QStringList>())))
        QVERIFY2(!e.logText().contains(message), qPrintable(message + " in:\n" + e.logText()));
}

void EncoderEnginesTest::failedResetDropsCapabilities()
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

void EncoderEnginesTest::unknownTypeIsReported()
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
    QCOMPARE(Encoder::engineName(1), QString("MEncoder"));
    QCOMPARE(Encoder::engineName(2), QString("FFmpeg"));
    QCOMPARE(Encoder::engineName(4), QString("unknown"));
}

void EncoderEnginesTest::consolesFilterByLevel()
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

void EncoderEnginesTest::settingsUseProgramStore()
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
        QVERIFY(e->setSaveSettingsOnExit(true));
        QVERIFY(!e->setSaveSettingsOnExit(false));
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

void EncoderEnginesTest::outputTarget()
{
    ConsoleEncoder e;
    e->setTargetMuxer("ipod");
    QCOMPARE(e->outputTarget().extension, QString(".m4a")); // a fresh source has no video
    setClipSource(e.encoder, "clip.avi");
    QCOMPARE(e->setTarget("/tmp/out/", "movie"), QString(".m4v"));
    QCOMPARE(e->outputFile(), QString("/tmp/out/movie.m4v"));
    QCOMPARE(e->outputTarget().fileName(), QString("movie.m4v"));
    e->setTargetMuxer("mpeg_vcd");
    QCOMPARE(e->outputFile(), QString("/tmp/out/movie.mpg"));
    QVERIFY(e->hasVideoAndAudio());
    QCOMPARE(e->sourcePath(), QString("clip.avi"));
    QCOMPARE(e->audioStreamCount(), 1);
    QCOMPARE(e->subtitleStreamCount(), 0);
    e->source().audioStreams.append(AudioInfo());
    QCOMPARE(e->audioStreamCount(), 2);
}

void EncoderEnginesTest::audioCodecAvailability()
{
    ConsoleEncoder e;
    QVERIFY(!e->isAudioCodecAvailable("avi", "mp3")); // no engine yet
    QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
    QVERIFY(e->isAudioCodecAvailable("avi", "mp3"));
    QVERIFY(!e->isAudioCodecAvailable("avi", "vorbis"));
    QVERIFY(e->isAudioCodecSupported(EngineType::MEncoder, "avi", "ac3_copy"));
    QVERIFY(e->isAudioCodecAvailable("mov", "ac3_copy") == e->isAudioCodecSupported(1, "mov", "ac3_copy"));
    setDvdSource(e.encoder, "/dvd");
    QVERIFY(!e->isAudioCodecAvailable("mov", "ac3"));
    QVERIFY(!e->isAudioCodecAvailable("mov", "ac3_copy"));
    QVERIFY(e->isAudioCodecAvailable("avi", "mp3"));
    QVERIFY(!e->isMuxerSupported(5, "avi"));
    QVERIFY(e->isMuxerSupported(EngineType::MEncoder, "avi"));
}

VEXO_TEST_CLASS(EncoderEnginesTest)
#include "tst_encoderengines.moc"
