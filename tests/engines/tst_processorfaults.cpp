// Starting the engine processors on stand-ins that fail: missing, crashing, hanging, or
// answering something the processor cannot use.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

namespace {
int runCount(const QString &counter)
{
    QFile file(counter);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count('\n'));
}

// A script that counts its runs in a file, then does what the fake engine's mode says.
QString countingScript(const QString &name, const QString &mode, QString *counter)
{
    *counter = TestMedia::folder() + "/engines/" + name + ".count";
    QFile::remove(*counter);
    return writeEngineScript(name, QString("echo run >> '%1'\nexec '%2' %3")
                                       .arg(*counter, TestMedia::fakeEngine(), mode));
}

const char *const mencoderHelp = "MEncoder 1.0-test (C) 2000-2023 MPlayer Team\n\n"
                                 "Available codecs:\n   copy     - frame copy\n   xvid     - XviD encoding\n\n"
                                 "Available codecs:\n   mp3lame  - cbr/abr/vbr MP3 using libmp3lame\n\n"
                                 "Available output formats:\n   avi      - Microsoft Audio/Video Interleaved\n";
} // namespace

class ProcessorFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void failedStarts_data();
    void failedStarts();
    void crashWithOutputStillCounts();
    void hangingEngineIsKilledAndItsOutputParsed();
    void readinessQueriesRunNothing();
    void samePathIsNotRetried();
    void mencoderHelpWithoutAllSections();
    void ffmpegAnswersWithoutLists();
};

void ProcessorFaultsTest::failedStarts_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("script"); // empty: no such executable
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("version");

    QTest::newRow("missing MEncoder")
        << "MEncoder" << "" << "MEncoder: process failed to start in 3000 milliseconds." << "";
    QTest::newRow("FFprobe crashing without output")
        << "FFprobe" << QString("exec '%1' crash").arg(TestMedia::fakeEngine())
        << "FFprobe: process crashed with no output." << "";
    QTest::newRow("FFmpeg crashing on its third query")
        << "FFmpeg"
        << QString("case \"$1\" in\n"
                   "  -version) echo 'ffmpeg version 9.9 Copyright' ;;\n"
                   "  -formats) echo ' DE avi             AVI format' ;;\n"
                   "  *) exec '%1' crash ;;\n"
                   "esac")
               .arg(TestMedia::fakeEngine())
        << "FFmpeg: error process crashed with no output." << "9.9";
}

void ProcessorFaultsTest::failedStarts()
{
    QFETCH(QString, engine);
    QFETCH(QString, script);
    QFETCH(QString, message);
    QFETCH(QString, version);
    ConsoleCapture capture;
    std::unique_ptr<Transcoder> transcoder;
    std::unique_ptr<FFprobe> ffprobe;
    IProcessor *processor = nullptr;
    if (engine == "FFprobe") {
        ffprobe = std::make_unique<FFprobe>();
        processor = ffprobe.get();
    } else {
        transcoder = engine == "FFmpeg" ? std::unique_ptr<Transcoder>(new FFmpeg)
                                        : std::unique_ptr<Transcoder>(new MervoMEncoder);
        processor = transcoder.get();
    }
    const QString path = script.isEmpty() ? QString("/nonexistent/engine")
                                          : writeEngineScript("failing-" + engine, script);
    QVERIFY(!processor->startInterface(path, QString()));
    QCOMPARE(processor->state(), int(IProcessor::Failed));
    QCOMPARE(processor->binary(), path);
    QCOMPARE(processor->version(), version);
    QVERIFY2(capture.log().contains(message), qPrintable(capture.log()));
    QVERIFY(!capture.log().contains(engine + ": interface ready."));
    if (transcoder) {
        QVERIFY(transcoder->videoCodecs().isEmpty());
        QVERIFY(transcoder->subtitleCodecs().isEmpty());
    }
}

void ProcessorFaultsTest::crashWithOutputStillCounts()
{
    ConsoleCapture capture;
    const QString script = writeEngineScript(
        "mencoder-crash-after-help",
        QString("printf '%s' '%1'\nexec '%2' crash").arg(mencoderHelp, TestMedia::fakeEngine()));
    MervoMEncoder mencoder;
    QVERIFY(mencoder.startInterface(script, QString()));
    QCOMPARE(mencoder.state(), int(IProcessor::Ready));
    QCOMPARE(mencoder.version(), QString("1.0-test"));
    QCOMPARE(mencoder.videoCodecs().keys(), (QStringList{"copy", "xvid"}));
    QCOMPARE(mencoder.audioCodecs().keys(), QStringList{"mp3lame"});
    QCOMPARE(mencoder.muxers().keys(), QStringList{"avi"});
    QCOMPARE(mencoder.subtitleCodecs().keys(), QStringList{"inlay"});
    QCOMPARE(mencoder.subtitleCodecs().value("inlay"), QString("Inlaid subtitles"));
}

void ProcessorFaultsTest::hangingEngineIsKilledAndItsOutputParsed()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    const QString script = writeEngineScript(
        "probe-hang", QString("exec '%1' partial-hang 'ffprobe version 7.7-hang'").arg(TestMedia::fakeEngine()));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(ffprobe.startInterface(script, QString()));
    const qint64 elapsed = clock.elapsed();
    // Killed once the finish time-out ran out; the kill ends it long before the kill time-out.
    QVERIFY2(elapsed >= ffprobe.finishTimeout() && elapsed < ffprobe.finishTimeout() + 3000,
             qPrintable(QString::number(elapsed)));
    QCOMPARE(ffprobe.state(), int(IProcessor::Ready));
    QCOMPARE(ffprobe.signature(), QString("ffprobe"));
    QCOMPARE(ffprobe.version(), QString("7.7-hang"));
    QVERIFY(capture.stdOut().contains("ffprobe version 7.7-hang"));
}

void ProcessorFaultsTest::readinessQueriesRunNothing()
{
    ConsoleCapture capture;
    QString counter;
    FFprobe fresh;
    QVERIFY(!fresh.startInterface(QString(), QString()));
    QCOMPARE(fresh.state(), int(IProcessor::NotStarted));

    FFprobe failed;
    QVERIFY(!failed.startInterface(countingScript("probe-fails", "crash", &counter), QString()));
    QVERIFY(!failed.startInterface(QString(), QString()));
    QCOMPARE(failed.state(), int(IProcessor::Failed));
    QCOMPARE(runCount(counter), 1);

    // A name outside Latin-1 reaches the system unchanged.
    QString readyCounter;
    FFprobe ready;
    const QString script = countingScript(QString::fromUtf8("probe-ready-Программа"),
                                          "print 'ffprobe version 1.2'", &readyCounter);
    QVERIFY(ready.startInterface(script, QString()));
    QCOMPARE(ready.binary(), script);
    QCOMPARE(ready.version(), QString("1.2"));
    QVERIFY(ready.startInterface(QString(), QString()));
    QVERIFY(ready.startInterface(ready.binary(), QString()));
    QCOMPARE(runCount(readyCounter), 1);
}

void ProcessorFaultsTest::samePathIsNotRetried()
{
    ConsoleCapture capture;
    QString counter;
    MervoMEncoder mencoder;
    const QString script = countingScript("mencoder-crash", "crash", &counter);
    QVERIFY(!mencoder.startInterface(script, QString()));
    QVERIFY(!mencoder.startInterface(script, QString()));
    QCOMPARE(runCount(counter), 1);

    // Another path runs again.
    const QString good = writeEngineScript("mencoder-good", QString("printf '%s' '%1'").arg(mencoderHelp));
    QVERIFY(mencoder.startInterface(good, "/opt/lib"));
    QCOMPARE(mencoder.state(), int(IProcessor::Ready));
    QCOMPARE(mencoder.binary(), good);
    QCOMPARE(mencoder.libraryPath(), QString("/opt/lib"));
}

void ProcessorFaultsTest::mencoderHelpWithoutAllSections()
{
    ConsoleCapture capture;
    MervoMEncoder mencoder;
    const QString good = writeEngineScript("mencoder-full", QString("printf '%s' '%1'").arg(mencoderHelp));
    QVERIFY(mencoder.startInterface(good, QString()));
    QVERIFY(!mencoder.videoCodecs().isEmpty());

    const QString partial = writeEngineScript(
        "mencoder-partial",
        "printf 'MEncoder 2.0 (C) MPlayer Team\\nAvailable codecs:\\n   copy     - frame copy\\n'");
    QVERIFY(!mencoder.startInterface(partial, QString()));
    QCOMPARE(mencoder.state(), int(IProcessor::Failed));
    QCOMPARE(mencoder.version(), QString("2.0"));
    QVERIFY(mencoder.videoCodecs().isEmpty());
    QVERIFY(mencoder.audioCodecs().isEmpty());
    QVERIFY(mencoder.muxers().isEmpty());
    QVERIFY(mencoder.subtitleCodecs().isEmpty());
    QVERIFY(!mencoder.startInterface(QString(), QString()));
}

void ProcessorFaultsTest::ffmpegAnswersWithoutLists()
{
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    const QString script = writeEngineScript("ffmpeg-terse", "echo 'this is not ffmpeg'");
    QVERIFY(ffmpeg.startInterface(script, QString()));
    QCOMPARE(ffmpeg.state(), int(IProcessor::Ready));
    QVERIFY(ffmpeg.signature().isEmpty());
    QVERIFY(capture.log().contains("FFmpeg: failed to parse signature."));
    QVERIFY(capture.log().contains("FFmpeg: interface ready."));
    QCOMPARE(ffmpeg.audioCodecs().keys(), (QStringList{"auto", "copy", "multi"}));
    QCOMPARE(ffmpeg.videoCodecs().keys(), (QStringList{"auto", "copy"}));
    QVERIFY(ffmpeg.muxers().isEmpty());
}

VEXO_TEST_CLASS(ProcessorFaultsTest)
#include "tst_processorfaults.moc"
