// The Job menu's jobs as a user runs them: a loaded file or DVD title encoded to a fixed
// target, the two-pass Xvid encode for one CD, the re-mux, and what is refused before
// anything is queued; checked on the real engines' output with ffprobe.

#include "app/mervomainwindow.h"
#include "encoder/records/encodingsource.h"
#include "encoding/activecombobox.h"
#include "encoding/consoledialog.h"
#include "encoding/encoderwidget.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "gui4/gui4resources.h"
#include "jobs/encodingtaskdata.h"
#include "jobs/mervojobmanager.h"
#include "player/playerwidget.h"
#include "encoder/mervoencoder.h"
#include "encoding/mervoencoderwidget.h"
#include "enginetesting.h"
#include "outputreport.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
constexpr int kJobWait = 180000;

// ffprobe's streams of a file: one object per stream.
QJsonArray probeStreams(const QString &path)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path}, &out);
    return QJsonDocument::fromJson(out.toUtf8()).object().value("streams").toArray();
}

// Answers the start failure box and keeps its detailed text.
void keepDetails(ModalAnswerer &answerer, QString *detailed)
{
    answerer.answerWith([detailed](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        *detailed = box ? box->detailedText() : QString();
        modal->close();
        return true;
    });
}

QJsonObject firstStream(const QString &path, const QString &type)
{
    for (const QJsonValue &stream : probeStreams(path))
        if (stream.toObject().value("codec_type").toString() == type)
            return stream.toObject();
    return QJsonObject();
}

// What the job views showed while the jobs ran: fed by the consoles' own signals.
// (Speed stays out: both engines report 0 frames a second for encodes under a second.)
struct ProgressSeen
{
    int frame = -1;
    int percent = -1;
    int remaining = -1;
};

struct Fixture
{
    QTemporaryDir target;
    MervoMainWindow *window = nullptr;
    QPointer<MervoMainWindow> guard;
    QMap<QString, ProgressSeen> progress; // by task name
    QSet<ConsoleDialog *> watched;

    explicit Fixture(const QString &targetName = "output", const QString &folder = QString())
    {
        WindowTesting::startSettings(folder.isEmpty() ? target.path() : folder, targetName);
        window = new MervoMainWindow;
        guard = window;
        window->initialize();
        window->show();
        // After the window's own connection, which builds the consoles.
        QObject::connect(manager(), &MervoJobManager::jobStarted, [this](MervoJob *job) {
            for (MervoTask *task : job->tasks())
                watch(task);
        });
    }
    ~Fixture()
    {
        if (guard)
            guard->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }
    MervoJobManager *manager() const { return qobject_cast<MervoJobManager *>(window->jobManager()); }
    void watch(MervoTask *task)
    {
        auto *console = qobject_cast<MervoConsoleDialog *>(task->console());
        if (!console || watched.contains(console))
            return;
        watched.insert(console);
        // Only what arrives while the engine runs, not what its end drains.
        QObject::connect(console, qOverload<int, double, int, int, double, double, int>(
                                      &MervoConsoleDialog::progressUpdated),
                         [this, task](int frame, double, int percent, int remaining, double, double, int) {
                             if (task->state != Task::Running)
                                 return;
                             ProgressSeen &seen = progress[task->name()];
                             seen.frame = qMax(seen.frame, frame);
                             seen.percent = qMax(seen.percent, percent);
                             seen.remaining = qMax(seen.remaining, remaining);
                         });
    }
    // Opens a file or a DVD folder as the user does, through the chooser.
    bool open(const QString &path, bool dvd)
    {
        FileChooserScript chooser;
        chooser.answer(path);
        (dvd ? window->openDvdAction : window->openFileAction)->trigger();
        return waitFor([this, dvd] {
            return window->encoderWidget()->encodingSource().kind == (dvd ? 2 : 1);
        }, kJobWait);
    }
    bool jobsDone()
    {
        return waitFor([this] {
            if (!manager()->isIdle() || manager()->jobs().isEmpty())
                return false;
            for (MervoJob *job : manager()->jobs())
                if (!job->isFinished())
                    return false;
            return true;
        }, kJobWait);
    }
    QString status() const { return window->statusBar()->currentMessage(); }
};
} // namespace

class TestMenuJobs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initGui4Resources();
        qRegisterMetaType<MervoProcess *>();
    }

    // A job that cannot even get its output folder names the job in its box as written.
    void unwritableFolderRefusesWithEscapedNames_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("informative");
        QTest::newRow("VideoCD") << "jobEncodeVcd" << "Job "
                                 << "Encode a&lt;b&gt;c to VideoCD (VCD/MPEG-1) (PAL) as failed to start.";
        QTest::newRow("Xvid 1 CD") << "jobEncodeXvid1CD" << "<u>Job "
                                   << "Job <b><i>Encode a&lt;b&gt;c to Xvid (2-pass) (PAL)</i></b> as failed to start.";
    }
    void unwritableFolderRefusesWithEscapedNames()
    {
        QFETCH(QString, slot);
        QFETCH(QString, text);
        QFETCH(QString, informative);
        Fixture fixture("a<b>c", "/proc/vexo-no-folder");
        fixture.window->mervoEncoderWidget()->mervoEncoder()->source().video.standard = "PAL";
        ModalAnswerer answerer;
        QString detailed;
        keepDetails(answerer, &detailed);
        QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(slot)));
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(answerer.seen().at(0).text.startsWith(text));
        QCOMPARE(answerer.seen().at(0).informativeText, informative);
        // The reason, not only that the folder cannot be made.
        QVERIFY2(detailed.contains("/proc/vexo-no-folder") && detailed.contains("cannot be created"),
                 qPrintable(detailed));
        QCOMPARE(fixture.status(), QString("Encoding job has been cancelled (output directory not valid)"));
        QVERIFY(fixture.manager()->jobs().isEmpty());
    }

    // Two jobs queued into one name before the first has written anything: the second takes
    // the next name.
    void queuedJobsKeepTheirNames()
    {
        Fixture fixture;
        {
            FileChooserScript chooser;
            chooser.answer(writeEngineScript("ffmpeg-slow-menu-jobs",
                "case \"$*\" in *\" -fs \"*) ;; *standard*) sleep 2;; esac\nexec /usr/bin/ffmpeg \"$@\""));
            ModalAnswerer readiness;
            fixture.window->ffmpegPathAction->trigger();
        }
        QVERIFY(fixture.open(TestMedia::standardAvi(), false));
        QVERIFY(QMetaObject::invokeMethod(fixture.window, "jobEncodeVcd"));
        QVERIFY(QMetaObject::invokeMethod(fixture.window, "jobEncodeVcd"));
        QStringList outputs;
        for (MervoJob *job : fixture.manager()->jobs())
            outputs << job->tasks().first()->taskData->at(TaskDataSlot::OutputPath).toString();
        QCOMPARE(outputs, QStringList({fixture.target.filePath("standard.mpg"),
                                       fixture.target.filePath("standard (1).mpg")}));
        QVERIFY(fixture.jobsDone());
    }

    // An engine that cannot run the job refuses it with the reason before anything is queued;
    // the box names the engine the job needs.
    // An engine that is ready but whose trial of the job fails refuses it the same way, with
    // what the engine said.
    void missingEngineRefusesUpFront_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("informative");
        QTest::addColumn<QString>("program"); // the engine chosen; "" for the real one whose trial fails
        QTest::addColumn<QString>("said");
        QTest::newRow("Xvid by MEncoder") << "MEncoder" << "jobEncodeXvid"
                                          << "<b>Encode output to Xvid/DivX (MPEG-4 Part 2)</b> as failed to start."
                                          << "/bin/true" << "The MEncoder engine is not ready.";
        QTest::newRow("VideoCD of a file by FFmpeg") << "FFmpeg" << "jobEncodeVcd"
                                                     << "<b>Encode output to VideoCD (VCD/MPEG-1)</b> as failed to start."
                                                     << "/bin/true" << "The FFmpeg engine is not ready.";
        QTest::newRow("VideoCD whose trial fails") << "FFmpeg" << "jobEncodeVcd"
                                                   << "<b>Encode standard to VideoCD (VCD/MPEG-1)</b> as failed to start."
                                                   << "" << "trial refused by the engine";
    }
    void missingEngineRefusesUpFront()
    {
        QFETCH(QString, engine);
        QFETCH(QString, slot);
        QFETCH(QString, informative);
        QFETCH(QString, program);
        QFETCH(QString, said);
        Fixture fixture;
        {
            FileChooserScript chooser;
            // FFmpeg answers its queries; every run of a job (the trial's has a size limit) fails.
            chooser.answer(!program.isEmpty() ? program
                                              : writeEngineScript("ffmpeg-failing-trial",
                                                    "case \"$*\" in *\" -fs \"*) echo 'trial refused by the engine' >&2; exit 1;; esac\n"
                                                    "exec /usr/bin/ffmpeg \"$@\""));
            ModalAnswerer readiness;
            (engine == "FFmpeg" ? fixture.window->ffmpegPathAction : fixture.window->mencoderPathAction)->trigger();
        }
        if (program.isEmpty())
            QVERIFY(fixture.open(TestMedia::standardAvi(), false));
        QString detailed;
        ModalAnswerer answerer;
        keepDetails(answerer, &detailed);
        QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(slot)));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().at(0).informativeText, informative);
        QVERIFY2(detailed.contains(said), qPrintable(detailed));
        QCOMPARE(fixture.status(), QString("Encoding job has been cancelled (command not valid)"));
        QVERIFY(fixture.manager()->jobs().isEmpty());
    }

    // Job > Xvid and Job > VideoCD of a file: the engines' real progress in the job views,
    // "completed" at the end, and the file the target promises.
    void targetJobsOfAFile_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("file"); // a loaded file names the target
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<bool>("errorChannel"); // where the engine's own report goes
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("taken"); // a file already in the target folder
        QTest::newRow("Xvid") << "jobEncodeXvid" << "standard.avi" << "mpeg4" << "XVID" << 512 << 384
                              << "avi" << false << "MEncoder" << "";
        // The clip runs at 25 frames a second: a PAL VideoCD, beside a file of the name.
        QTest::newRow("VideoCD") << "jobEncodeVcd" << "standard (1).mpg" << "mpeg1video" << "" << 352 << 288
                                 << "mpg" << true << "Input #0" << "standard.mpg";
    }
    void targetJobsOfAFile()
    {
        QFETCH(QString, slot);
        QFETCH(QString, file);
        QFETCH(QString, codec);
        QFETCH(QString, tag);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, muxer);
        QFETCH(bool, errorChannel);
        QFETCH(QString, report);
        QFETCH(QString, taken);
        Fixture fixture;
        QVERIFY(fixture.open(TestMedia::standardAvi(), false));
        if (!taken.isEmpty()) {
            QFile other(fixture.target.filePath(taken));
            QVERIFY(other.open(QIODevice::WriteOnly) && other.write("kept") == 4);
        }
        QVERIFY(fixture.window->encodeXvidAction->isEnabled() && fixture.window->encodeVcdAction->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(slot)));
        QCOMPARE(fixture.status(), QString("Encoding job has been queued in the job manager"));
        QVERIFY(fixture.jobsDone());
        QCOMPARE(fixture.manager()->jobs().size(), 1);
        MervoTask *task = fixture.manager()->jobs().at(0)->tasks().at(0);
        QCOMPARE(task->state, int(Task::Completed));
        const EncodingTaskData values = *task->taskData;
        QCOMPARE(values.size(), 9);
        QCOMPARE(values.at(TaskDataSlot::Preview), QVariant(false));
        QCOMPARE(values.at(TaskDataSlot::TestSize).toInt(), 0);
        QCOMPARE(values.at(TaskDataSlot::AspectRatio).toDouble(), 1.33);
        QCOMPARE(values.at(TaskDataSlot::OutputPath).toString(), fixture.target.filePath(file));
        QCOMPARE(values.at(TaskDataSlot::Extension).toString(), muxer);
        // The engine's report on its progress channel is no progress, yet it is shown.
        task->console()->flushOutput();
        const QTextEdit *view = errorChannel ? task->console()->errorView() : task->console()->standardOutputView();
        QVERIFY2(view->toPlainText().contains(report), qPrintable(view->toPlainText().left(300)));
        const ProgressSeen seen = fixture.progress.value(task->name());
        QVERIFY2(seen.frame > 0 && seen.percent > 0 && seen.remaining >= 0,
                 qPrintable(QString("%1 %2 %3").arg(seen.frame).arg(seen.percent).arg(seen.remaining)));
        auto *mini = fixture.window->jobManagerDialog()->findChild<MervoMiniConsoleWidget *>();
        QVERIFY(mini);
        QVERIFY2(mini->label()->toolTip().contains("process completed"), qPrintable(mini->label()->toolTip()));
        // At the end the time left gives way to the task's run time.
        QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(mini->remainingLabel()->text()).hasMatch(),
                 qPrintable(mini->remainingLabel()->text()));
        QVERIFY(task->console()->stateLabel()->toolTip().contains("process completed"));
        const QString output = fixture.target.filePath(file);
        if (!taken.isEmpty())
            QCOMPARE(QFileInfo(fixture.target.filePath(taken)).size(), 4);
        const QJsonObject video = firstStream(output, "video");
        QCOMPARE(video.value("codec_name").toString(), codec);
        if (!tag.isEmpty())
            QCOMPARE(video.value("codec_tag_string").toString(), tag);
        QCOMPARE(video.value("width").toInt(), width);
        QCOMPARE(video.value("height").toInt(), height);
        if (slot == "jobEncodeXvid") {
            QVERIFY(fixture.window->jobManagerDialog()->isVisible());
            const QImage shot = grabWidget(fixture.window->jobManagerDialog());
            saveScreenshot(shot, "menu-jobs-finished-job");
            QVERIFY(nonBlackShare(shot) > 0.5);
            QVERIFY(distinctColours(shot) > 4);
        }
    }

    // Xvid on one CD: one job of two passes, the second waiting until the first has ended
    // well, the statistics gone with the job, and an AVI as long as the source.
    void xvidOnOneCd()
    {
        Fixture fixture;
        const QString source = TestMedia::standardAvi();
        QVERIFY(fixture.open(source, false));
        QVERIFY(fixture.window->encodeXvid1CDAction->isEnabled());
        QStringList order;
        QObject::connect(fixture.manager(), &MervoJobManager::jobStarted, [&](MervoJob *job) {
            for (MervoTask *task : job->tasks())
                order << QString::number(task->state);
        });
        QSignalSpy completed(fixture.window, &MervoMainWindow::encodingComplete);
        fixture.window->encodeXvid1CDAction->trigger();
        QVERIFY(fixture.jobsDone());
        QCOMPARE(completed.size(), 2);
        QCOMPARE(fixture.manager()->jobs().size(), 1);
        const QList<MervoTask *> tasks = fixture.manager()->jobs().at(0)->tasks();
        QCOMPARE(tasks.size(), 2);
        // At the first start the second pass waits; at the second start the first is done.
        QCOMPARE(order.mid(0, 2), QStringList({QString::number(Task::Running), QString::number(Task::Waiting)}));
        QCOMPARE(order.mid(2, 2), QStringList({QString::number(Task::Completed), QString::number(Task::Running)}));
        for (MervoTask *task : tasks)
            QCOMPARE(task->state, int(Task::Completed));
        QCOMPARE(tasks.at(0)->name(), QString("Encoding standard to Xvid 1st pass"));
        QCOMPARE(fixture.manager()->jobs().at(0)->title(), QString("Encode standard to Xvid (2-pass)"));
        // Seven values each (no preview flag); what an abort removes: the statistics, then the movie.
        QVERIFY(!tasks.at(0)->taskData->value(TaskDataSlot::Preview).isValid());
        QCOMPARE(tasks.at(0)->taskData->at(TaskDataSlot::OutputPath).toString(), fixture.target.filePath("standard.stats"));
        QCOMPARE(tasks.at(1)->taskData->at(TaskDataSlot::OutputPath).toString(), fixture.target.filePath("standard.avi"));
        QVERIFY(!QFileInfo::exists(fixture.target.filePath("standard.stats")));
        // The Job menu's jobs are not the encoder panel's: nothing of them is analysed, the
        // first pass's statistics least of all.
        QVERIFY(!fixture.window->logView()->toPlainText().contains("Finalizing..."));
        const QString output = fixture.target.filePath("standard.avi");
        QCOMPARE(firstStream(output, "video").value("codec_tag_string").toString(), QString("XVID"));
        QVERIFY(qAbs(TestMedia::probeDuration(output) - TestMedia::probeDuration(source)) < 0.5);
        QVERIFY(fixture.progress.value(tasks.at(1)->name()).percent > 0);
    }

    // A two-pass job cancelled in its second pass leaves neither its statistics nor a part of
    // its movie.
    void xvidOnOneCdCancelled()
    {
        Fixture fixture;
        QVERIFY(fixture.open(TestMedia::standardAvi(), false));
        fixture.window->encodeXvid1CDAction->trigger();
        QCOMPARE(fixture.manager()->jobs().size(), 1);
        MervoTask *second = fixture.manager()->jobs().at(0)->tasks().at(1);
        QVERIFY(waitFor([&] { return second->state == Task::Running; }, kJobWait));
        second->abort();
        QVERIFY(fixture.jobsDone());
        QCOMPARE(second->state, int(Task::Aborted));
        QVERIFY(!QFileInfo::exists(fixture.target.filePath("standard.stats")));
        QVERIFY(!QFileInfo::exists(fixture.target.filePath("standard.avi")));
    }

    // Re-mux: a stream copy into the file's own container, numbered beside a file of the name,
    // by the engine that writes that container: MEncoder for AVI, FFmpeg for the others.
    void remuxCopiesStreams_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("engine");
        QTest::newRow("MP4") << "mp4" << "ffmpeg";
        QTest::newRow("Matroska") << "mkv" << "ffmpeg";
        QTest::newRow("AVI") << "avi" << "mencoder";
    }
    void remuxCopiesStreams()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, engine);
        QTemporaryDir folder;
        const QString input = folder.filePath("clip." + suffix);
        const QString source = suffix == "mp4" ? TestMedia::standardMp4()
                               : suffix == "avi" ? TestMedia::standardAvi()
                                                 : TestMedia::clip("remux.mkv", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2",
                                                                                 "-f", "lavfi", "-i", "sine=duration=2", "-c:v", "mpeg4", "-c:a", "libvorbis"});
        QVERIFY(QFile::copy(source, input));
        Fixture fixture("output", folder.path());
        QVERIFY(fixture.open(input, false));
        QVERIFY(fixture.window->remuxAction->isEnabled());
        fixture.window->remuxAction->trigger();
        QVERIFY(fixture.jobsDone());
        QCOMPARE(fixture.manager()->jobs().size(), 1);
        const QString program = fixture.manager()->jobs().at(0)->tasks().at(0)->program();
        QVERIFY2(QFileInfo(program).fileName() == engine, qPrintable(program));
        const QString output = folder.filePath("clip (1)." + suffix);
        for (const QString type : {"video", "audio"})
            QCOMPARE(firstStream(output, type).value("codec_name"), firstStream(input, type).value("codec_name"));
        QVERIFY(qAbs(TestMedia::probeDuration(output) - TestMedia::probeDuration(input)) < 0.2);
    }

    // A DVD title with its second audio language: the VideoCD and the Super VideoCD hold
    // that language's tone and every picture of the title, without holes; re-mux and split
    // are not offered for a DVD.
    void dvdTitleWithSecondLanguage_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("target");
        QTest::newRow("VideoCD") << "jobEncodeVcd" << "mpeg1video" << 352 << "VideoCD (VCD/MPEG-1)";
        QTest::newRow("Super VideoCD") << "jobEncodeSvcd" << "mpeg2video" << 480 << "Super-VideoCD (SVCD/MPEG-2)";
    }
    void dvdTitleWithSecondLanguage()
    {
        QFETCH(QString, slot);
        QFETCH(QString, codec);
        QFETCH(int, width);
        QFETCH(QString, target);
        const QString dvd = TestMedia::languagesDvdFolder();
        QVERIFY(!dvd.isEmpty());
        Fixture fixture;
        QVERIFY(fixture.open(dvd, true));
        auto *audio = fixture.window->playerWidget()->findChild<QComboBox *>("audioCombo");
        QVERIFY(audio && audio->count() == 3); // "No audio" first
        QVERIFY(audio->itemText(2).contains("French"));
        audio->setCurrentIndex(2);
        QVERIFY(!fixture.window->remuxAction->isEnabled());
        QVERIFY(!fixture.window->splitAction->isEnabled());
        QVERIFY(fixture.window->encodeVcdAction->isEnabled() && fixture.window->encodeSvcdAction->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(slot)));
        QVERIFY(fixture.jobsDone());
        // The 16:9 title's ratio, snapped for the finalising step.
        QCOMPARE(fixture.manager()->jobs().at(0)->tasks().at(0)->taskData->at(TaskDataSlot::AspectRatio), QVariant(1.78));
        const QString name = fixture.window->targetName() + " Title_1";
        QVERIFY(fixture.manager()->jobs().at(0)->title().startsWith("Encode " + name + " to " + target));
        const QString output = fixture.target.filePath(name + ".mpg");
        const QJsonObject video = firstStream(output, "video");
        QCOMPARE(video.value("codec_name").toString(), codec);
        QCOMPARE(video.value("width").toInt(), width);
        // French is the 880 Hz tone, English the 440 Hz one.
        const double high = meanVolume(output, "highpass=f=660,highpass=f=660");
        const double low = meanVolume(output, "lowpass=f=660,lowpass=f=660");
        QVERIFY2(high > low + 10.0, qPrintable(QString("%1 %2").arg(high).arg(low)));
        // The 6 s title's pictures, none dropped on the way.
        const OutputReport report = probeOutput(output);
        QCOMPARE(report.videoHoles, 0);
        QVERIFY2(qAbs(report.videoSeconds - 6.0) < 0.3, qPrintable(QString::number(report.videoSeconds)));
    }

    // The track chosen in the player reaches the encoder panel's commands on both engines:
    // the second of the two tracks that stand before the picture of an AVI.
    void chosenTrackReachesBothEngines()
    {
        const QString avi = TestMedia::clip("menu-sound-first.avi", {"-f", "lavfi", "-i",
            "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i", "sine=frequency=440:duration=1",
            "-f", "lavfi", "-i", "sine=frequency=880:duration=1", "-map", "1:a", "-map", "2:a", "-map", "0:v",
            "-c:v", "mpeg4", "-c:a", "libmp3lame"});
        QVERIFY(!avi.isEmpty());
        Fixture fixture;
        QVERIFY(fixture.open(avi, false));
        auto *audio = fixture.window->playerWidget()->findChild<QComboBox *>("audioCombo");
        QVERIFY(audio);
        audio->setCurrentIndex(audio->findData(1));
        EncoderWidget *panel = fixture.window->encoderWidget();
        const struct { const char *muxer; const char *engine; QStringList choice; } roads[] = {
            {"mpeg", "mencoder", {"-aid", "1"}}, {"avi", "ffmpeg", {"-map", "0:a:1"}}};
        for (const auto &road : roads) {
            const int entry = panel->formatCombo()->findData(road.muxer);
            panel->formatCombo()->setCurrentIndex(entry);
            emit panel->formatCombo()->activated(entry);
            QString refusal;
            const QList<EncodingStep> steps = panel->plannedCommand(refusal).steps;
            QVERIFY2(steps.size() == 1, qPrintable(refusal));
            QVERIFY2(steps.first().program.endsWith(road.engine), qPrintable(steps.first().program));
            const QString arguments = steps.first().arguments.join(' ');
            QVERIFY2(arguments.contains(road.choice.join(' ')), qPrintable(arguments));
        }
    }

    // The Job entries follow the loaded file's streams.
    void entriesFollowTheStreams_data()
    {
        QTest::addColumn<QStringList>("make");
        QTest::addColumn<QString>("enabled"); // VCD, Xvid 1 CD, re-mux, merge, split
        QTest::addColumn<bool>("x264");
        QTest::newRow("video and audio") << QStringList() << "11111" << true;
        // The extended entries need all four encoding engines; the base ones two.
        QTest::newRow("without x264") << QStringList() << "10001" << false;
        QTest::newRow("with a subtitle")
            << QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f", "lavfi",
                           "-i", "sine=duration=2", "-i", "SUBS", "-c:v", "mpeg4", "-c:a", "libvorbis", "-c:s", "srt"}
            << "11001" << true;
        QTest::newRow("audio only") << QStringList{"-f", "lavfi", "-i", "sine=duration=2", "-c:a", "libmp3lame"}
                                    << "00000" << true;
        // Split, re-mux and merge take a file of one sound at most.
        QTest::newRow("two sounds")
            << QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f", "lavfi", "-i",
                           "sine=duration=2", "-f", "lavfi", "-i", "sine=frequency=880:duration=2", "-map", "0:v",
                           "-map", "1:a", "-map", "2:a", "-c:v", "mpeg4", "-c:a", "libvorbis"}
            << "11000" << true;
    }
    void entriesFollowTheStreams()
    {
        QFETCH(QStringList, make);
        QFETCH(QString, enabled);
        QFETCH(bool, x264);
        QString path = TestMedia::standardMp4();
        if (!make.isEmpty()) {
            QTemporaryDir folder;
            QFile subtitles(folder.filePath("subs.srt"));
            QVERIFY(subtitles.open(QIODevice::WriteOnly));
            subtitles.write("1\n00:00:00,000 --> 00:00:01,000\nHello\n\n");
            subtitles.close();
            make.replaceInStrings("SUBS", subtitles.fileName());
            path = TestMedia::clip(QString("entries-%1.%2").arg(QTest::currentDataTag()).arg(make.contains("-c:v") ? "mkv" : "mp3")
                                       .replace(' ', '-'), make);
        }
        QVERIFY(!path.isEmpty());
        Fixture fixture;
        if (!x264) {
            FileChooserScript chooser;
            chooser.answer("/bin/true");
            ModalAnswerer readiness;
            fixture.window->x264PathAction->trigger();
        }
        QVERIFY(fixture.open(path, false));
        MervoMainWindow *w = fixture.window;
        QString states;
        for (QAction *action : {w->encodeVcdAction, w->encodeXvid1CDAction, w->remuxAction, w->mergeAction, w->splitAction})
            states += action->isEnabled() ? '1' : '0';
        QCOMPARE(states, enabled);
        QCOMPARE(w->encodeSvcdAction->isEnabled(), enabled.at(0) == '1');
        QCOMPARE(w->encodeXvidAction->isEnabled(), enabled.at(0) == '1');
    }

    // "Set target path": a chosen folder becomes the target, a cancel keeps the one set.
    void targetFolder_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::addColumn<QString>("status");
        QTest::newRow("chosen") << true << "Output target folder is set [%1]";
        QTest::newRow("cancelled") << false << "Output target folder unchanged [%1]";
    }
    void targetFolder()
    {
        QFETCH(bool, choose);
        QFETCH(QString, status);
        Fixture fixture;
        QTemporaryDir chosen;
        FileChooserScript chooser;
        if (choose)
            chooser.answer(chosen.path());
        fixture.window->setTargetAction->trigger();
        QCOMPARE(chooser.requests().size(), 1);
        QCOMPARE(chooser.requests().at(0).kind, FileChooser::ExistingFolder);
        QCOMPARE(chooser.requests().at(0).start, fixture.target.path());
        QCOMPARE(chooser.requests().at(0).caption, QString("Select the output target directory"));
        const QString folder = choose ? chosen.path() : fixture.target.path();
        QCOMPARE(fixture.window->targetFolder(), folder);
        QCOMPARE(fixture.status(), status.arg(folder));
        QCOMPARE(fixture.window->encoderWidget()->encoder()->outputTarget().folder, folder);
    }
};

VEXO_TEST_CLASS(TestMenuJobs)
#include "tst_menujobs.moc"
