// Starting the engine processors on stand-ins that are missing, crash, hang, or answer
// something the processor cannot use.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

namespace {
const char *const mencoderHelp = "MEncoder 1.0-test (C) 2000-2023 MPlayer Team\n\n"
                                 "Available codecs:\n   copy - frame copy\n   xvid - XviD encoding\n\n"
                                 "Available codecs:\n   mp3lame  - cbr/abr/vbr MP3 using libmp3lame\n\n"
                                 "Available output formats:\n   avi      - Microsoft AVI\n";

std::unique_ptr<IProcessor> makeProcessor(const QString &engine)
{
    if (engine == "FFprobe")
        return std::make_unique<FFprobe>();
    if (engine == "FFmpeg")
        return std::make_unique<FFmpeg>();
    return std::make_unique<MervoMEncoder>();
}

// Runs a script that counts its runs in a file before doing what the fake engine's mode says.
QString countingScript(const QString &name, const QString &mode, QString *counter)
{
    *counter = TestMedia::folder() + "/engines/" + name + ".count";
    QFile::remove(*counter);
    return writeEngineScript(name, QString("echo run >> '%1'\nexec '%2' %3")
                                       .arg(*counter, TestMedia::fakeEngine(), mode));
}

int runCount(const QString &counter)
{
    QFile file(counter);
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}
} // namespace

class ProcessorFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void failedStarts_data();
    void failedStarts();
    void hangingEngineIsKilledAndItsOutputParsed();
    void outcomeIsRememberedPerPath();
};

void ProcessorFaultsTest::failedStarts_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("script"); // empty: no such executable
    QTest::addColumn<QString>("message");

    const QString fake = TestMedia::fakeEngine();
    QTest::newRow("missing MEncoder")
        << "MEncoder" << "" << "MEncoder: process failed to start in 3000 milliseconds.";
    QTest::newRow("FFprobe crashing without output")
        << "FFprobe" << QString("exec '%1' crash").arg(fake) << "FFprobe: process crashed with no output.";
    QTest::newRow("FFmpeg crashing on its third query")
        << "FFmpeg"
        << QString("case \"$1\" in\n  -version) echo 'ffmpeg version 9.9 Copyright' ;;\n"
                   "  -formats) echo ' DE avi             AVI format' ;;\n  *) exec '%1' crash ;;\nesac")
               .arg(fake)
        << "FFmpeg: error process crashed with no output.";
}

void ProcessorFaultsTest::failedStarts()
{
    QFETCH(QString, engine);
    QFETCH(QString, script);
    QFETCH(QString, message);
    ConsoleCapture capture;
    const std::unique_ptr<IProcessor> processor = makeProcessor(engine);
    const QString path = script.isEmpty() ? QString("/nonexistent/engine")
                                          : writeEngineScript("failing-" + engine, script);
    QVERIFY(!processor->startInterface(path, QString()));
    QCOMPARE(processor->state(), int(IProcessor::Failed));
    QVERIFY2(capture.log().contains(message), qPrintable(capture.log()));
    QVERIFY(!capture.log().contains(engine + ": interface ready."));
    if (auto *transcoder = qobject_cast<Transcoder *>(processor.get())) {
        // Nothing half-read survives a failed start.
        QVERIFY(transcoder->videoCodecs().isEmpty());
        QVERIFY(transcoder->subtitleCodecs().isEmpty());
    }
}

void ProcessorFaultsTest::hangingEngineIsKilledAndItsOutputParsed()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    const QString script = writeEngineScript(
        "probe-hang",
        QString("exec '%1' partial-hang 'ffprobe version 7.7-hang'").arg(TestMedia::fakeEngine()));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(ffprobe.startInterface(script, QString()));
    const qint64 elapsed = clock.elapsed();
    // Killed once the finish time-out ran out; the kill ends it long before the kill time-out.
    QVERIFY2(elapsed >= ffprobe.finishTimeout() && elapsed < ffprobe.finishTimeout() + 3000,
             qPrintable(QString::number(elapsed)));
    QCOMPARE(ffprobe.state(), int(IProcessor::Ready));
    QCOMPARE(ffprobe.version(), QString("7.7-hang"));

    // A crash after a complete answer still counts as an answer.
    const QString crashing = writeEngineScript(
        "mencoder-crash-after-help",
        QString("printf '%s' '%1'\nexec '%2' crash").arg(mencoderHelp, TestMedia::fakeEngine()));
    MervoMEncoder mencoder;
    QVERIFY(mencoder.startInterface(crashing, QString()));
    QCOMPARE(mencoder.version(), QString("1.0-test"));
    QCOMPARE(mencoder.videoCodecs().keys(), (QStringList{"copy", "xvid"}));
    QCOMPARE(mencoder.audioCodecs().keys(), QStringList{"mp3lame"});
    QCOMPARE(mencoder.muxers().keys(), QStringList{"avi"});
    QCOMPARE(mencoder.subtitleCodecs().value("inlay"), QString("Inlaid subtitles"));
}

void ProcessorFaultsTest::outcomeIsRememberedPerPath()
{
    ConsoleCapture capture;
    QString counter;
    FFprobe fresh;
    QVERIFY(!fresh.startInterface(QString(), QString()));
    QCOMPARE(fresh.state(), int(IProcessor::NotStarted));

    MervoMEncoder mencoder;
    const QString crashing = countingScript("mencoder-crash", "crash", &counter);
    QVERIFY(!mencoder.startInterface(crashing, QString()));
    QVERIFY(!mencoder.startInterface(crashing, QString()));
    QVERIFY(!mencoder.startInterface(QString(), QString()));
    QCOMPARE(runCount(counter), 1);
    // Another path runs again.
    const QString good = writeEngineScript("mencoder-good", QString("printf '%s' '%1'").arg(mencoderHelp));
    QVERIFY(mencoder.startInterface(good, "/opt/lib"));
    QCOMPARE(mencoder.state(), int(IProcessor::Ready));
    QCOMPARE(mencoder.libraryPath(), QString("/opt/lib"));
    // A later answer without all its sections fails and leaves nothing of the earlier one.
    const QString partial = writeEngineScript(
        "mencoder-partial",
        "printf 'MEncoder 2.0 (C) MPlayer Team\\nAvailable codecs:\\n   copy - frame copy\\n'");
    QVERIFY(!mencoder.startInterface(partial, QString()));
    QCOMPARE(mencoder.state(), int(IProcessor::Failed));
    QVERIFY(mencoder.videoCodecs().isEmpty());
    QVERIFY(mencoder.subtitleCodecs().isEmpty());

    // A ready engine is not run again; a name outside Latin-1 reaches the system unchanged.
    FFprobe ready;
    const QString script = countingScript(QString::fromUtf8("probe-ready-Программа"),
                                          "print 'ffprobe version 1.2'", &counter);
    QVERIFY(ready.startInterface(script, QString()));
    QCOMPARE(ready.binary(), script);
    QVERIFY(ready.startInterface(QString(), QString()));
    QVERIFY(ready.startInterface(script, QString()));
    QCOMPARE(runCount(counter), 1);
}

VEXO_TEST_CLASS(ProcessorFaultsTest)
#include "tst_processorfaults.moc"
