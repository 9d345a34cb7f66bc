// Test runs of commands before they are queued, on the installed engines and on stand-ins,
// and progress read from a real encode's output.

#include "encodertesting.h"
#include "encoder/records/enginetype.h"
#include "encoder/trialwatch.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <sys/stat.h>

namespace {

// Ten minutes of the standard clip's kind, made by copying a short clip over and over.
QString longClip()
{
    const QString piece = TestMedia::clip("piece.avi", {"-f", "lavfi", "-i",
        "testsrc=size=160x120:rate=25:duration=10", "-f", "lavfi", "-i",
        "sine=frequency=440:duration=10", "-c:v", "mpeg4", "-c:a", "libmp3lame", "-b:a", "64k"});
    return TestMedia::clip("long.avi", {"-stream_loop", "59", "-i", piece, "-c", "copy"});
}

// The last number an engine's status lines captured with the pattern; -1 when none.
double lastNumber(const QString &text, const char *pattern)
{
    double last = -1;
    for (auto it = QRegularExpression(QLatin1String(pattern)).globalMatch(text); it.hasNext();)
        last = it.next().captured(1).toDouble();
    return last;
}

// The encode of the current source by the engine: MEncoder to Xvid and MP3 in AVI,
// FFmpeg to MPEG-4 and AAC in MP4.
void engineCommand(ConsoleEncoder &e, int type, QString &program, QStringList &arguments,
                   const QString &output)
{
    const bool mencoder = type == EngineType::MEncoder;
    e->setTargetMuxer(mencoder ? "avi" : "mp4");
    EncodingTarget &target = e->jobData(type)->target;
    target.muxer = e->targetMuxer();
    target.profile.level = EncoderProfile::LevelUser;
    target.video.codec = mencoder ? "xvid" : "mpeg4";
    target.video.bitrate = 600;
    target.video.pictureSize = QSize(320, 240);
    target.audio.codec = mencoder ? "mp3" : "aac";
    target.audio.bitrate = 128;
    target.audio.samplingRate = 44100;
    e->cliCmdEncode(type, program, arguments, output, 0, 0, 0, true);
}

// What the engines print while they write and once their file is closed.
const QString mencoderStatus = "echo 'Pos:   1.0s     25f ( 5%)  25.00fps Trem:   0min   0mb'";
const QString mencoderEnd = "echo; echo 'Video stream:  800.000 kbit/s  (100000 B/s)  size: 100000 bytes  1.000 secs  25 frames'";
const QString ffmpegStatus = "echo 'frame=   25 fps=0.0 q=2.0 size=     100kB time=00:00:01.00 bitrate= 800.0kbits/s' >&2";
const QString ffmpegEnd = "echo 'video:90kB audio:10kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: 1.0%' >&2";
const QString playerStatus = "printf 'dump: 2048 bytes written (~50.0%%)\\r'";
const QString playerEnd = "echo \"dump: 4096 bytes written to 'copy.mpg'.\"";

} // namespace

class EncoderTrialsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_clip = TestMedia::standardAvi();
        QVERIFY(!m_clip.isEmpty());
    }

    void trial_data()
    {
        addColumns<int, QString, bool>({"type", "fault", "valid"});
        for (int type : {int(EngineType::MEncoder), int(EngineType::FFmpeg)}) {
            const QString engine = Encoder::engineName(type) + ' ';
            QTest::newRow(qPrintable(engine + "working")) << type << "" << true;
            for (const char *fault : {"bad option", "unreadable input", "silent engine", "missing engine", "fails after its end"})
                QTest::newRow(qPrintable(engine + fault)) << type << fault << false;
        }
    }

    // A trial runs the command limited (MEncoder by frames, FFmpeg by size), judges it by the
    // engine's output and removes what it wrote.
    void trial()
    {
        QFETCH(int, type);
        QFETCH(QString, fault);
        const bool mencoder = type == EngineType::MEncoder;
        const QString name = Encoder::engineName(type);
        ConsoleEncoder e;
        QVERIFY(e->initEngine(type, mencoder ? "mencoder" : "ffmpeg"));
        setClipSource(e.encoder, fault == "unreadable input" ? writeBadMedia("text") : m_clip);
        const QString output = scratch(mencoder ? "trial.avi" : "trial.mp4");
        QString program, commandLine = "untouched", out, err;
        QStringList arguments;
        engineCommand(e, type, program, arguments, output);
        if (fault == "bad option")
            arguments.prepend("-no-such-option");
        else if (fault == "silent engine")
            program = fakeEngineAs("silent-" + name, "exit 0");
        else if (fault == "missing engine")
            program = TestMedia::folder() + "/no-such-" + name;
        else if (fault == "fails after its end") // the real engine's whole run, then an error
            program = writeEngineScript("failing-" + name, QString("'%1' \"$@\"\nexit 1").arg(program));
        e.clear();
        QElapsedTimer timer;
        timer.start();
        // Both limits given: MEncoder takes the frames, FFmpeg the size.
        const bool valid = e->checkSteps({EncodingStep{type, program, arguments, output, {}}}, commandLine,
                                         out, err, 50, 1000000);
        QCOMPARE(valid, fetched<bool>("valid"));
        QVERIFY(timer.elapsed() < 3000 + 3000 + 5000);
        QVERIFY(!QFileInfo::exists(output));
        if (fault == "missing engine") {
            QCOMPARE(commandLine, QString("untouched"));
            QVERIFY(e.logText().contains(name + " process failed to start: " + program + " not found."));
            return;
        }
        // MEncoder's limit goes first, with the seconds it reads (50 frames at 25 a second and
        // one more); FFmpeg's in front of the output file, where it applies.
        QStringList expected = arguments;
        expected.insert(expected.size() - 1, "-fs");
        expected.insert(expected.size() - 1, "1000000");
        QVERIFY2(mencoder ? commandLine.startsWith(program + " -frames 50 -endpos 3 ") && commandLine.endsWith(arguments.join(' '))
                          : commandLine == program + ' ' + expected.join(' '),
                 qPrintable(commandLine));
        QVERIFY(e.logText().contains(valid ? name + " engine check command completed."
                                           : name + " engine checking command: NOT valid"));
        // The trial writes to none of the encoder's own consoles but the log.
        QCOMPARE(e.stdIn.toPlainText() + e.stdOut.toPlainText() + e.errText(), QString());
        if (valid)
            QVERIFY(mencoder ? out.contains("Pos:") : err.contains("time="));
    }

    // MEncoder reads its whole input even after "-frames" has stopped the writing: the trial
    // must end with the frames it needs, not when the source ends.
    void longSourceTrialEndsSoon()
    {
        const QString clip = longClip();
        QVERIFY(!clip.isEmpty());
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        setClipSource(e.encoder, clip);
        e->setTimeouts(EngineType::MEncoder, 3000, 60000, 5000);
        const QString output = scratch("long-trial.avi");
        QString program, commandLine, out, err;
        QStringList arguments;
        // MEncoder's own AVI reader (the builder asks for libavformat's on the AVIs it knows)
        // stops writing after "-frames" but reads on to the end of the source.
        program = "mencoder";
        arguments = QStringList{clip, "-of", "avi", "-ovc", "xvid", "-xvidencopts", "bitrate=600",
                                "-oac", "mp3lame", "-o", output};
        QElapsedTimer timer;
        timer.start();
        QVERIFY(e->checkCommand(EngineType::MEncoder, program, arguments, output, commandLine, out,
                                err, 50));
        // It read a few seconds of the source, not the whole of it (load-independent), and so
        // ended by itself in seconds.
        const double read = lastNumber(out, "Pos:\\s*([\\d.]+)s");
        QVERIFY2(read > 0 && read < 10, qPrintable(out.right(200)));
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!e.logText().contains("killed"));
        // The engine's own count says where it stopped: the whole source is 15000 frames.
        const double frames = lastNumber(out, "(\\d+)f ");
        QVERIFY2(frames >= 0 && frames < 200, qPrintable(out.right(300)));
    }

    void trialRemovesOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"file", "device", "fifo", "folder", "link"})
            QTest::newRow(kind) << kind;
    }

    void trialRemovesOnlyRegularFiles()
    {
        QFETCH(QString, kind);
        QString output = scratch("removal-" + kind);
        // The null device through a link of the test's own: a fault that removed the device
        // would remove only the link, never the system's /dev/null.
        if (kind == "device")
            QVERIFY(QFile::link("/dev/null", output));
        else if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(output).constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(output));
        else if (kind == "link") {
            QFile target(scratch("removal-target"));
            QVERIFY(target.open(QIODevice::WriteOnly));
            target.close();
            QVERIFY(QFile::link(target.fileName(), output));
        }
        ConsoleEncoder e;
        // A stand-in that writes a file at the output path when it is one.
        const QString engine = writeEngineScript("touching-engine",
            "[ -f \"$1\" ] || [ ! -e \"$1\" ] && printf data > \"$1\"\necho 'Pos:   1.0s     25f ( 5%)  25.00fps Trem:   0min   0mb'");
        QString commandLine, out, err;
        e->checkCommand(EngineType::MEncoder, engine, {output}, output, commandLine, out, err, 0);
        // A link to a file that is there would have the engine write into that file: not run.
        QCOMPARE(commandLine, kind == "link" ? QString() : engine + " " + output); // no limit, arguments unchanged
        const QFileInfo after(output);
        if (kind == "file")
            QVERIFY(!after.exists());
        else
            QVERIFY2(kind == "link" ? after.isSymLink() : after.exists() && !after.isFile(), qPrintable(kind + " must stay"));
        if (kind != "file")
            QVERIFY(QFile::remove(output) || QDir(output).removeRecursively());
    }

    void otherTypesAreNotRun()
    {
        ConsoleEncoder e;
        QString commandLine = "untouched", out, err;
        const QString touched = scratch("not-run");
        QVERIFY(e->checkCommand(3, fakeEngineAs("toucher", "touch " + touched), {}, touched,
                                commandLine, out, err, 50));
        QCOMPARE(commandLine, QString("untouched"));
        QVERIFY(!QFileInfo::exists(touched));
        QCOMPARE(e.logText(), QString("Encoder: unknown engine is checking a command."));
        QVERIFY(!e->parseCommandCheck(3, "Pos: 1.0s 1f", ""));
        QVERIFY(e.errText().contains("encoder interface (type 3) unknown"));
    }

    // MEncoder writes an audio target's sound into an intermediate AVI first; its trial removes
    // that file too, but never one that was there before.
    void audioTargetTrialLeavesNoIntermediate()
    {
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        setClipSource(e.encoder, m_clip);
        const QString output = scratch("tone.mp3");
        const QString intermediate = scratch("tone (step 0).avi");
        QString program, commandLine, out, err;
        QStringList arguments;
        engineCommand(e, EngineType::MEncoder, program, arguments, output);
        EncodingTarget &target = e->jobData(EngineType::MEncoder)->target;
        target.muxer = "mp3";
        target.video.codec = "novideo";
        int type = EngineType::MEncoder;
        e->cliCmdEncode(type, program, arguments, output, 0, 0, 0, true);
        QVERIFY(arguments.contains(intermediate));
        QVERIFY(e->checkCommand(type, program, arguments, output, commandLine, out, err, 50));
        QVERIFY(!QFileInfo::exists(intermediate));
        // One that was there before is the user's: the trial neither writes over it nor
        // removes it, and says why it did not run.
        QFile kept(intermediate);
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("mine");
        kept.close();
        QVERIFY(!e->checkCommand(type, program, arguments, output, commandLine, out, err, 50));
        QVERIFY(err.contains("exists already"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
    }

    // What the engine says at its end decides: a crash, or an end without the lines an engine
    // prints once its file is closed, fails whatever status lines came first; an engine that
    // is slow to answer on a loaded machine is given the time, not refused; a file that
    // stands at the output path stays as it was.
    void trialJudgesTheEnd_data()
    {
        addColumns<int, QString, bool>({"type", "script", "valid"});
        const int mencoder = EngineType::MEncoder, ffmpeg = EngineType::FFmpeg;
        QTest::newRow("MEncoder closes its file") << mencoder << mencoderStatus + "\n" + mencoderEnd << true;
        QTest::newRow("MEncoder crashes after the header")
            << mencoder << mencoderStatus + "\necho 'Writing header...'\nkill -SEGV $$" << false;
        QTest::newRow("MEncoder ends without its summary") << mencoder << mencoderStatus << false;
        QTest::newRow("MEncoder crashes after its summary")
            << mencoder << mencoderStatus + "\n" + mencoderEnd + "\nkill -SEGV $$" << false;
        // Killed at the time-out (a minute at least for a trial) while it still moves on: what
        // it printed decides. One that prints nothing for ten seconds is stuck, stopped then
        // and refused; so is one whose status lines repeat the same frame and time.
        QTest::newRow("MEncoder stopped at the time-out")
            << mencoder << "i=0; while :; do i=$((i+1)); echo \"Pos: $i.0s $((i*25))f ( 5%)  25.00fps Trem:   0min   0mb\"; sleep 1; done"
            << true;
        QTest::newRow("MEncoder stuck after a status line") << mencoder << mencoderStatus + "\nexec sleep 600" << false;
        QTest::newRow("MEncoder stuck repeating its status line")
            << mencoder << "while :; do " + mencoderStatus + "; sleep 0.5; done" << false;
        // Slow engines whose status lines move one figure alone, past the ten seconds: the
        // frame count (VP8 holding frames back), the time, the size of a copy.
        QTest::newRow("FFmpeg moving its frame count alone")
            << ffmpeg << "i=0; while [ $i -lt 26 ]; do i=$((i+1)); "
                         "echo \"frame= $i fps=1 q=2.0 size=     4kB time=00:00:00.04 bitrate= 8.0kbits/s\" >&2; sleep 0.5; done\n"
                             + ffmpegEnd
            << true;
        QTest::newRow("MEncoder moving its time alone")
            << mencoder << "i=0; while [ $i -lt 26 ]; do i=$((i+1)); echo \"Pos: $i.0s 25f ( 5%)  25.00fps Trem:   0min   0mb\"; "
                           "sleep 0.5; done\n" + mencoderEnd
            << true;
        QTest::newRow("MPlayer moving its copy's size alone")
            << int(EngineType::MPlayer) << "i=0; while [ $i -lt 26 ]; do i=$((i+1)); printf 'dump: %d bytes written (~50.0%%)\\r' $((i*4096)); "
                                           "sleep 0.5; done\n" + playerEnd
            << true;
        // Its status line stands still while it writes its file (an encoder that holds pictures
        // back, VP8's), past the ten seconds: it works, and is checked to its end.
        QTest::newRow("MEncoder writing while its status line stands still")
            << mencoder << "i=0; while [ $i -lt 24 ]; do i=$((i+1)); " + mencoderStatus + "; printf x >> '"
                               + scratch("ending.out") + "'; sleep 0.5; done\n" + mencoderEnd
            << true;
        QTest::newRow("FFmpeg stuck repeating its status line")
            << ffmpeg << "echo 'Press [q] to stop' >&2; while :; do " + ffmpegStatus + "; echo 'Past duration too large' >&2; sleep 0.5; done"
            << false;
        QTest::newRow("MEncoder slow to answer") << mencoder << "sleep 4\n" + mencoderStatus + "\n" + mencoderEnd << true;
        QTest::newRow("FFmpeg closes its file") << ffmpeg << ffmpegStatus + "\n" + ffmpegEnd << true;
        QTest::newRow("FFmpeg crashes") << ffmpeg << ffmpegStatus + "\nkill -SEGV $$" << false;
        QTest::newRow("FFmpeg ends without its summary") << ffmpeg << ffmpegStatus << false;
        QTest::newRow("FFmpeg slow to answer") << ffmpeg << "sleep 4\n" + ffmpegStatus + "\n" + ffmpegEnd << true;
        // The job would fail on the exit code, whatever the engine printed before.
        QTest::newRow("MEncoder closes its file, then fails") << mencoder << mencoderStatus + "\n" + mencoderEnd + "\nexit 1" << false;
        QTest::newRow("FFmpeg closes its file, then fails") << ffmpeg << ffmpegStatus + "\n" + ffmpegEnd + "\nexit 1" << false;
        const int player = EngineType::MPlayer;
        QTest::newRow("MPlayer closes its copy") << player << playerStatus + "\n" + playerEnd << true;
        QTest::newRow("MPlayer copies nothing") << player << "echo \"dump: 0 bytes written to 'copy.mpg'.\"" << false;
        QTest::newRow("MPlayer finds no title") << player << "echo 'Failed to open dvd://1.'" << false;
        QTest::newRow("MPlayer crashes while copying") << player << playerStatus + "\nkill -SEGV $$" << false;
        // Stopped once it passes what a trial keeps, and judged as one that never ended; on a
        // machine so busy that reading its lines takes longer than the ten seconds, as stuck
        // (it repeats one line): refused either way.
        QTest::newRow("MEncoder prints without end")
            << mencoder << mencoderStatus + QString("\nexec '%1' endless").arg(TestMedia::fakeEngine()) << false;
    }
    void trialJudgesTheEnd()
    {
        QFETCH(int, type);
        QFETCH(QString, script);
        ConsoleEncoder e;
        const QString engine = writeEngineScript(QString("ending-%1").arg(QTest::currentDataTag()).replace(' ', '-'), script);
        QString commandLine, out, err;
        const QString output = scratch("ending.out");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(e->checkCommand(type, engine, {}, output, commandLine, out, err, 0), fetched<bool>("valid"));
        const bool stuck = QString(QTest::currentDataTag()).contains("stuck");
        const bool endless = QString(QTest::currentDataTag()).contains("without end");
        const bool saidStuck =
            err.contains(QString("The %1 engine made no progress for 10 seconds and was stopped.").arg(Encoder::engineName(type)));
        if (!endless)
            QCOMPARE(saidStuck, stuck);
        if (stuck)
            QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));

        QFile mine(output);
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
        mine.close();
        QVERIFY(!e->checkCommand(type, engine, {}, output, commandLine, out, err, 0));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("mine"));
        mine.close();
        QFile::remove(output);
    }

    // A trial that moves on slowly is cancelled by the user (Escape, or a window that closes
    // and cancels it): its engine is stopped at once, the trial is refused as cancelled, not
    // as failed, and the busy cursor goes. A cancel asked while no trial runs leaves the next
    // one alone, as do the other keys while one runs.
    void trialCancelled_data()
    {
        addColumns<QString, bool>({"cancel", "cancelled"});
        QTest::newRow("cancel") << "cancel" << true;
        QTest::newRow("Escape") << "Escape" << true;
        QTest::newRow("another key") << "Space" << false;
        QTest::newRow("cancel before the trial") << "before" << false;
    }
    void trialCancelled()
    {
        QFETCH(QString, cancel);
        ConsoleEncoder e;
        // Ten seconds of moving status lines, then the end of a file written whole.
        const QString engine = writeEngineScript(
            "moving-slowly",
            "i=0; while [ $i -lt 50 ]; do i=$((i+1)); printf 'Pos: %d.0s %df ( 5%%) 25.00fps Trem: 0min 0mb\\r' $i $i; "
            "sleep 0.2; done\n" + mencoderEnd);
        QWidget window;
        auto *after = new QPushButton(QStringLiteral("after"), &window);
        window.show();
        QTimer asker;
        asker.setSingleShot(true);
        connect(&asker, &QTimer::timeout, [&] {
            if (cancel == "cancel")
                TrialWatch::instance()->cancel();
            else
                QTest::keyClick(&window, cancel == "Escape" ? Qt::Key_Escape : Qt::Key_Space);
        });
        if (cancel == "before")
            TrialWatch::instance()->cancel();
        else
            asker.start(1000);
        QString commandLine, out, err;
        const QString output = scratch("cancelled.out");
        QElapsedTimer clock;
        clock.start();
        const bool valid = e->checkCommand(EngineType::MEncoder, engine, {}, output, commandLine, out, err, 0);
        const bool cancelled = fetched<bool>("cancelled");
        QCOMPARE(valid, !cancelled);
        QCOMPARE(e->trialCancelled(), cancelled);
        QCOMPARE(err.contains("The check of the command was cancelled."), cancelled);
        if (cancelled)
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!TrialWatch::instance()->isRunning());
        QVERIFY(!QGuiApplication::overrideCursor());
        // Clicks reach the windows again once it has ended.
        QSignalSpy clicked(after, &QPushButton::clicked);
        QTest::mouseClick(after, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }

    // The steps of a road are tried in turn, each engine with its own limit (MEncoder in
    // frames, the player's copy of a DVD title in seconds from the title's start, FFmpeg in
    // bytes); a step that fails ends the trial there.
    void stepsTriedInTurn_data()
    {
        // "inlay": FFmpeg's encode lays a subtitle over the picture, its trial does not.
        addColumns<int, bool, bool, int, bool>({"first", "firstWorks", "valid", "runs", "inlay"});
        const int mencoder = EngineType::MEncoder, player = EngineType::MPlayer;
        QTest::newRow("both steps work") << mencoder << true << true << 2 << false;
        QTest::newRow("first step fails") << mencoder << false << false << 1 << false;
        QTest::newRow("the player's copy of a chapter, then FFmpeg") << player << true << true << 2 << false;
        QTest::newRow("the player's copy fails") << player << false << false << 1 << false;
        QTest::newRow("the copy, then FFmpeg without the subtitle") << player << true << true << 2 << true;
    }
    void stepsTriedInTurn()
    {
        QFETCH(int, first);
        QFETCH(bool, firstWorks);
        const bool mencoder = first == EngineType::MEncoder;
        const QString calls = scratch("steps.log");
        const QString record = QString("echo \"$0 $*\" >> '%1'\n").arg(calls);
        const QString works = mencoder ? mencoderStatus + "\n" + mencoderEnd : playerStatus + "\n" + playerEnd;
        const QString copier = writeEngineScript(QString("step-%1-%2").arg(first).arg(firstWorks),
                                                 record + (firstWorks ? works : ""));
        const QString ffmpeg = writeEngineScript("step-ffmpeg", record + ffmpegStatus + "\n" + ffmpegEnd);
        const QString middle = scratch("step.avi"), output = scratch("step.mp4");
        ConsoleEncoder e;
        QString commandLine, out, err;
        const QStringList copy = mencoder ? QStringList{"-o", middle}
                                          : QStringList{"dvd://1", "-chapter", "4-4", "-dumpfile", middle};
        EncodingStep encode{EngineType::FFmpeg, ffmpeg, {"-i", middle, output}, output, {}};
        if (fetched<bool>("inlay")) {
            encode.trialArguments = encode.arguments;
            encode.arguments = {"-i", middle, "-filter_complex", "overlay", output};
        }
        QCOMPARE(e->checkSteps({{first, copier, copy, middle, {}}, encode}, commandLine, out, err, 50, 1000000),
                 fetched<bool>("valid"));
        QFile file(calls);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList runs = QString(file.readAll()).split('\n', Qt::SkipEmptyParts);
        const QStringList expected{mencoder ? copier + " -frames 50 -endpos 3 -o " + middle
                                            : copier + " dvd://1 -dumpfile " + middle + " -endpos 3",
                                   ffmpeg + " -i " + middle + " -fs 1000000 " + output};
        QCOMPARE(runs, expected.mid(0, fetched<int>("runs")));
        QCOMPARE(commandLine, runs.last());
        QVERIFY2(!e.errText().contains("unknown"), qPrintable(e.errText())); // every engine known
    }

    void progress_data()
    {
        addColumns<int, QString>({"type", "output"});
        QTest::newRow("MEncoder") << int(EngineType::MEncoder) << "progress.avi";
        QTest::newRow("FFmpeg") << int(EngineType::FFmpeg) << "progress.mp4";
    }

    // Progress of a real encode, read chunk by chunk as the job views hand it over: MEncoder
    // ends each status line with a carriage return, FFmpeg's lines come on standard error.
    void progress()
    {
        QFETCH(int, type);
        const bool mencoder = type == EngineType::MEncoder;
        ConsoleEncoder e;
        QVERIFY(e->initEngine(type, mencoder ? "mencoder" : "ffmpeg"));
        setClipSource(e.encoder, m_clip);
        QString program;
        QStringList arguments;
        engineCommand(e, type, program, arguments, scratch(fetched<QString>("output")));
        QProcess engine;
        engine.start(program, mencoder ? arguments : QStringList{"-stats_period", "0.05"} + arguments);
        QVERIFY(engine.waitForFinished(60000));
        const QString output = QString::fromUtf8(mencoder ? engine.readAllStandardOutput()
                                                          : engine.readAllStandardError());
        int frame = -1, percent = -1, minutes = -1, size = -1;
        double position = -1, fps = -1;
        QString rest, console;
        int reports = 0, lastFrame = -1;
        // MEncoder flushes at the end of each status line, a chunk holds a few; FFmpeg's hold one.
        const QChar end = mencoder ? '\r' : '\n';
        const int perChunk = mencoder ? 5 : 1;
        const QStringList lines = output.split(end);
        for (qsizetype at = 0; at < lines.size(); at += perChunk) {
            const QString chunk = lines.mid(at, perChunk).join(end) + end;
            if (Encoder::parseProgress(type, chunk, rest, frame, position, percent, minutes, fps, size)) {
                ++reports;
                console += rest;
                QVERIFY(frame >= lastFrame);
                lastFrame = frame;
            }
        }
        QVERIFY(reports > 0);
        QVERIFY2(frame >= 70 && frame <= 77, qPrintable(QString::number(frame)));
        QVERIFY2(position > 2.5 && position <= 3.1, qPrintable(QString::number(position)));
        QVERIFY(percent >= 90 && percent <= 100 && size >= 0 && fps >= 0);
        QCOMPARE(minutes, mencoder ? 0 : -1); // FFmpeg reports no time left
        // Status lines stay out of the console text (but for those behind a message line).
        const QString status = mencoder ? "Pos:" : "frame=";
        QVERIFY(console.count(status) < output.count(status) / 2);
        QVERIFY(console.contains(mencoder ? "VIDEO:" : "Input #0"));
    }

    void progressOfUnknownType()
    {
        int frame = -1, percent = -1, minutes = -1, size = -1;
        double position = -1, fps = -1;
        QString rest = "kept";
        QVERIFY(!Encoder::parseProgress(0, "Pos:   1.0s     25f ( 5%)  25.00fps Trem:   0min   0mb\r",
                                        rest, frame, position, percent, minutes, fps, size));
        QCOMPARE(rest, QString("kept"));
        QCOMPARE(QList<double>({double(frame), position, double(percent), double(minutes), fps,
                                double(size)}),
                 QList<double>(6, -1.0));
    }

private:
    QString m_clip;
};

VEXO_TEST_CLASS(EncoderTrialsTest)
#include "tst_encodertrials.moc"
