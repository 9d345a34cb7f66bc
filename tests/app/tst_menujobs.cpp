// The Job menu's jobs as a user runs them: a loaded file or DVD title encoded to a fixed
// target, the two-pass Xvid encode for one CD, the re-mux, and what is refused before
// anything is queued; checked on the real engines' output with ffprobe. Sources the engines
// describe in part, through the panel and the Job menu.

#include "app/mervomainwindow.h"
#include "encoder/records/encodingsource.h"
#include "encoding/activecombobox.h"
#include "encoding/consoledialog.h"
#include "encoding/encoderwidget.h"
#include "encoding/finalizerules.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "gui4/gui4resources.h"
#include "jobs/encodingtaskdata.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "player/playerwidget.h"
#include "encoder/mervoconfigurator.h"
#include "encoder/mervoencoder.h"
#include "encoding/mervoencoderwidget.h"
#include "engines/outputmeter.h"
#include "enginetesting.h"
#include "outputreport.h"
#include "startswatch.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>
#include <QtEndian>
#include <QMenu>
#include <QHelpEvent>

#include <algorithm>
#include <memory>

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

// The tool tip the menu shows while the pointer rests on the entry.
QString menuToolTip(QMenu *menu, QAction *action)
{
    menu->popup(QPoint(0, 0));
    if (!QTest::qWaitForWindowExposed(menu))
        return QString();
    const QPoint at = menu->actionGeometry(action).center();
    QHelpEvent hover(QEvent::ToolTip, at, menu->mapToGlobal(at));
    QCoreApplication::sendEvent(menu, &hover);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    menu->hide();
    return shown;
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

// A dark Matroska of 2 s with two sound tracks, tones of the given frequencies, and a text
// subtitle, bright and large, that shows the whole time; its streams mapped and coded as given.
QString darkClipWithWords(const QString &name, int firstTone, int secondTone, const QStringList &mapsAndCodecs)
{
    QTemporaryDir folder;
    QFile words(folder.filePath("words.srt")); // another name than the clip's: no player loads it
    if (!words.open(QIODevice::WriteOnly))
        return QString();
    words.write("1\n00:00:00,000 --> 00:00:02,000\nBRIGHT WORDS\n\n");
    words.close();
    return TestMedia::clip(name, QStringList{"-f", "lavfi", "-i", "color=c=0x181818:size=320x180:rate=25:duration=2",
        "-f", "lavfi", "-i", QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=2").arg(firstTone), "-f", "lavfi",
        "-i", QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=2").arg(secondTone), "-i", words.fileName(),
        "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "ac3"} + mapsAndCodecs);
}

// The subtitle stands before the sound tracks: a 5.1 tone of 1320 Hz, then a stereo one of 440 Hz.
QString surroundWithTextSubtitle()
{
    return darkClipWithWords("surround-subtitle.mkv", 1320, 440, {"-map", "0:v", "-map", "3:s", "-map", "1:a", "-map", "2:a",
        "-ac:a:0", "6", "-ac:a:1", "2", "-c:s", "subrip", "-metadata:s:s:0", "language=eng"});
}

// The second sound track and the subtitle flagged to be played (the subtitle forced too): a
// tone of 440 Hz, then the flagged one of 1320 Hz.
QString flaggedTracks()
{
    return darkClipWithWords("flagged-tracks.mkv", 440, 1320, {"-map", "0:v", "-map", "1:a", "-map", "2:a", "-map", "3:s",
        "-ac", "2", "-c:s", "ass", "-disposition:a:0", "0", "-disposition:a:1", "default", "-disposition:s:0",
        "default+forced"});
}

// Chooses an entry of one of the encoder panel's lists as the user does.
void chooseEntry(ActiveComboBox *combo, const QString &id)
{
    const int index = combo->findData(id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// The real analysis of a finished file, with the display aspect reported as 4:3.
MediaInfoData reportedFourThree(const PlayerSetup &setup, const QString &file)
{
    MediaInfoData data = FinalizeRules::mediaInfoAnalysis(setup, file);
    if (data.videoFields.contains("Display aspect ratio"))
        data.videoFields.insert("Display aspect ratio", "4:3");
    return data;
}

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
        // FFprobe never answers for the file (a busy machine): its timing is not known, and
        // MEncoder, which could misread it, is not given it.
        QTest::newRow("Xvid of a file FFprobe did not measure")
            << "FFprobe" << "jobEncodeXvid" << "<b>Encode standard to Xvid/DivX (MPEG-4 Part 2)</b> as failed to start."
            << slowedEngine("ffprobe-unanswering", "ffprobe", "hang", 0, "*show_format*")
            << "the timing of this source could not be measured (FFprobe did not answer in time)";
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
            (engine == "FFmpeg"    ? fixture.window->ffmpegPathAction
             : engine == "FFprobe" ? fixture.window->ffprobePathAction
                                   : fixture.window->mencoderPathAction)
                ->trigger();
        }
        if (engine == "FFprobe") { // the user's player latency: a second before an engine is asked again
            PlayerPreferences quick;
            quick.latencyFinished = 1000;
            fixture.window->playerWidget()->setPreferences(quick);
        }
        if (program.isEmpty() || engine == "FFprobe")
            QVERIFY(fixture.open(TestMedia::standardAvi(), false));
        if (engine == "FFprobe") // the window says what the load could not learn
            QVERIFY2(fixture.status().endsWith("] FFprobe did not answer in time: the picture's turn, fields and frame rate "
                                               "and the streams' start times are unknown, and MEncoder is not used for this file."),
                     qPrintable(fixture.status()));
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
        const StartsWatch starts;
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
        // Its picture and sound were held against the source's.
        QVERIFY2(starts.seen().contains(output + " 0"), qPrintable(starts.seen().join(", ")));
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
        // The second pass's movie is analysed, never the first pass's statistics; each pass
        // closes with its line.
        const QString log = fixture.window->logView()->toPlainText();
        QCOMPARE(log.count("Finalizing..."), 1);
        QCOMPARE(log.count("Encoding completed."), 2);
        const QString output = fixture.target.filePath("standard.avi");
        QCOMPARE(firstStream(output, "video").value("codec_tag_string").toString(), QString("XVID"));
        QVERIFY(qAbs(TestMedia::probeDuration(output) - TestMedia::probeDuration(source)) < 0.5);
        QVERIFY(fixture.progress.value(tasks.at(1)->name()).percent > 0);
    }

    // The Job menu's Xvid encodes are finalised as the encoder panel's are: a movie whose
    // shape the analysis finds other than the source's is corrected by a finalising job shown
    // in the encoding's group, which leaves no intermediate behind. (The engine writes the
    // source's shape already: the analysis reports it as 4:3.)
    void xvidOutputsCorrected_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::newRow("Xvid") << "jobEncodeXvid";
        QTest::newRow("Xvid on one CD") << "jobEncodeXvid1CD";
    }
    void xvidOutputsCorrected()
    {
        QFETCH(QString, slot);
        Fixture fixture;
        const QString source = TestMedia::clip("menu-wide.avi", {"-f", "lavfi", "-i", "testsrc=size=320x180:rate=25:duration=3",
            "-f", "lavfi", "-i", "sine=duration=3", "-c:v", "mpeg4", "-aspect", "16:9", "-c:a", "libmp3lame", "-shortest"});
        QVERIFY(fixture.open(source, false));
        FinalizeRules::setAnalyzer(reportedFourThree);
        QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(slot)));
        const bool done = fixture.jobsDone();
        FinalizeRules::setAnalyzer(nullptr);
        QVERIFY(done);
        const QList<MervoJob *> jobs = fixture.manager()->jobs();
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(jobs.last()->id(), QString("Finalizing"));
        QCOMPARE(jobs.last()->tasks().first()->state, int(Task::Completed));
        QCOMPARE(jobs.last()->container, jobs.first()->container);
        const QString output = fixture.target.filePath("menu-wide.avi");
        QVERIFY(!QFileInfo::exists(fixture.target.filePath("menu-wide (step 0).avi")));
        QCOMPARE(firstStream(output, "video").value("display_aspect_ratio").toString(), QString("16:9"));
        QVERIFY(qAbs(TestMedia::probeDuration(output) - 3.0) < 0.5);
        QVERIFY(fixture.window->logView()->toPlainText().contains("Finalizing completed."));
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
        QTest::addColumn<QString>("frame"); // the shape the disc's frame is shown at
        QTest::newRow("VideoCD") << "jobEncodeVcd" << "mpeg1video" << 352 << "VideoCD (VCD/MPEG-1)" << "4:3";
        QTest::newRow("Super VideoCD") << "jobEncodeSvcd" << "mpeg2video" << 480 << "Super-VideoCD (SVCD/MPEG-2)"
                                       << "16:9";
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
        // The 6 s title's pictures, none dropped on the way, as a player decodes them (an MPEG
        // program stream need not time every packet).
        const QString files = fixture.target.filePath("decoded");
        QString log;
        TestMedia::run("ffmpeg", decodeArguments(output, files, true, false), nullptr, &log);
        const DecodeReport decoded = readDecodeReport(log.toUtf8(), files);
        QCOMPARE(decoded.holes, 0);
        QVERIFY2(qAbs(decoded.videoSeconds - 6.0) < 0.3, qPrintable(QString::number(decoded.videoSeconds)));
        // Its 16:9 picture as a player shows it: MPEG-1 cannot flag 16:9 closely enough at the
        // VideoCD's size, and letterboxes it.
        QFETCH(QString, frame);
        QVERIFY2(qAbs(decoded.displayAspect / (frame == "4:3" ? 4.0 / 3 : 16.0 / 9) - 1) < 0.01,
                 qPrintable(QString::number(decoded.displayAspect)));
        const double shape = double(decoded.picture.width()) / qMax(decoded.picture.height(), 1)
                             * decoded.displayAspect * decoded.videoSize.height() / decoded.videoSize.width();
        QVERIFY2(qAbs(shape / (16.0 / 9) - 1) < 0.02, qPrintable(QString::number(shape)));
        // The MPEG muxer's hundreds of "buffer underflow" lines: one shown, the rest counted.
        ConsoleDialog *console = fixture.manager()->jobs().at(0)->tasks().at(0)->console();
        QVERIFY(console);
        console->flushOutput();
        const QString errors = console->errorView()->toPlainText() + console->standardOutputView()->toPlainText();
        QVERIFY2(errors.count("buffer underflow st=") <= 1, qPrintable(errors.right(400)));
        static const QRegularExpression told("(\\d+) more \"buffer underflow\" lines of the MPEG muxer not shown\\.");
        const QRegularExpressionMatch counted = told.match(errors);
        QCOMPARE(counted.hasMatch(), errors.contains("buffer underflow st="));
        QVERIFY2(!counted.hasMatch() || counted.captured(1).toInt() > 0, qPrintable(counted.captured(0)));
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
        QTest::newRow("two audio tracks")
            << QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f", "lavfi", "-i",
                           "sine=duration=2", "-f", "lavfi", "-i", "sine=frequency=880:duration=2", "-map", "0",
                           "-map", "1", "-map", "2", "-c:v", "mpeg4", "-c:a", "aac"}
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
            const QString suffix = make.contains("srt") ? "mkv" : make.contains("aac") ? "mp4" : "mp3";
            path = TestMedia::clip(QString("entries-%1.%2").arg(QTest::currentDataTag()).arg(suffix).replace(' ', '-'), make);
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
        // A grey entry of a loaded file says why, where the user points at it in the menu.
        for (QAction *action : {w->remuxAction, w->mergeAction, w->splitAction}) {
            if (action->isEnabled())
                continue;
            const QString why = menuToolTip(w->jobMenu, action);
            QVERIFY2(why.startsWith("Not offered: "), qPrintable(action->text() + ": " + why));
            if (QTest::currentDataTag() == QByteArray("two audio tracks"))
                QVERIFY2(why.contains("1 video, 2 audio and 0 subtitle streams"), qPrintable(why));
        }
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

// What every road writes from sources of unusual properties: multichannel sound, subtitles,
// pictures of any shape, sound whose length the container misstates.
class TestMenuJobOutputs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initGui4Resources();
        qRegisterMetaType<MervoProcess *>();
    }

    // A 5.1 source with a subtitle chosen in the player, through the encoder panel (FFmpeg for
    // a file, MEncoder for MPEG and a DVD title) and the Job menu: the sound has the channels
    // the target's players play, in a layout a player reads (more than two where the target
    // takes them, as a copy keeps the source's), and the chosen subtitle shows in the output's
    // pictures; a choice that cannot carry it is refused with the reason. A subtitle placed
    // before the sound does not shift the sound chosen.
    void surroundSoundAndSubtitle_data()
    {
        QTest::addColumn<QString>("source");  // "text" or "picture" subtitle in Matroska, "flagged" tracks, or "dvd"
        QTest::addColumn<bool>("subtitle");   // chosen in the player
        QTest::addColumn<QString>("target");  // the panel's "container video audio level", or a Job menu slot
        QTest::addColumn<QString>("layout");  // of the output's sound, as a player reads it
        QTest::addColumn<QString>("refusal"); // words of the reason, when it is refused
        QTest::newRow("iPod, AAC at the source's rate") << "text" << true << "ipod x264 aac 2" << "stereo" << "";
        QTest::newRow("3G2, AAC at the source's rate") << "text" << true << "3g2 x264 aac 2" << "stereo" << "";
        QTest::newRow("PSP, AAC at the source's rate") << "text" << true << "psp x264_psp aac 2" << "stereo" << "";
        QTest::newRow("3GP, mobile AAC") << "text" << true << "3gp x264 aac_lr 3" << "stereo" << "";
        QTest::newRow("FLV, Flash AAC") << "text" << true << "flv x264 aac_flv 2" << "stereo" << "";
        QTest::newRow("MP4 keeps 5.1") << "text" << true << "mp4 x264 aac 2" << "5.1" << "";
        QTest::newRow("Matroska at the AC-3 copy level") << "text" << true << "matroska x264 ac3 5" << "5.1(side)" << "";
        QTest::newRow("Matroska, AC-3") << "text" << true << "matroska x264 ac3 3" << "5.1(side)" << "";
        QTest::newRow("WebM") << "text" << true << "webm vp8 vorbis 2" << "stereo" << "";
        QTest::newRow("Ogg, FLAC") << "text" << true << "ogg theora flac 3" << "5.1(side)" << "";
        QTest::newRow("AVI, Xvid") << "text" << true << "avi xvid mp3 2" << "stereo" << "";
        QTest::newRow("MPEG by MEncoder") << "text" << true << "mpeg mpeg2video mp2 2" << "stereo" << "";
        QTest::newRow("VideoCD of the Job menu") << "text" << true << "jobEncodeVcd" << "stereo" << "";
        QTest::newRow("Super VideoCD of the Job menu") << "text" << true << "jobEncodeSvcd" << "stereo" << "";
        QTest::newRow("Xvid of the Job menu") << "text" << true << "jobEncodeXvid" << "stereo" << "";
        QTest::newRow("no subtitle chosen, MP4") << "text" << false << "mp4 x264 aac 2" << "5.1" << "";
        QTest::newRow("no subtitle chosen, VideoCD") << "text" << false << "jobEncodeVcd" << "stereo" << "";
        QTest::newRow("picture subtitle, MP4") << "picture" << true << "mp4 x264 aac 2" << "5.1" << "";
        QTest::newRow("picture subtitle, MPEG by MEncoder") << "picture" << true << "mpeg mpeg2video mp2 2" << "stereo" << "";
        QTest::newRow("picture subtitle, VideoCD of the Job menu") << "picture" << true << "jobEncodeVcd" << "stereo" << "";
        QTest::newRow("DVD, AVI by MEncoder") << "dvd" << true << "avi xvid mp3 2" << "stereo" << "";
        QTest::newRow("DVD, MP4 after a copy of the title") << "dvd" << true << "mp4 x264 aac 2" << "5.1" << "";
        QTest::newRow("DVD, MP4 after a copy, no subtitle chosen") << "dvd" << false << "mp4 x264 aac 2" << "5.1" << "";
        QTest::newRow("DVD, VideoCD of the Job menu") << "dvd" << true << "jobEncodeVcd" << "stereo" << "";
        QTest::newRow("DVD, no subtitle chosen") << "dvd" << false << "jobEncodeVcd" << "stereo" << "";
        // The second sound track and the subtitle the file flags, as the panel chooses them;
        // the subtitle chosen away is drawn by no engine.
        QTest::newRow("flagged tracks, MPEG by MEncoder") << "flagged" << true << "mpeg mpeg2video mp2 2" << "stereo" << "";
        QTest::newRow("flagged tracks, VideoCD of the Job menu") << "flagged" << true << "jobEncodeVcd" << "stereo" << "";
        QTest::newRow("flagged tracks, Xvid of the Job menu") << "flagged" << true << "jobEncodeXvid" << "stereo" << "";
        QTest::newRow("flagged subtitle chosen away, MPEG by MEncoder") << "flagged" << false << "mpeg mpeg2video mp2 2"
                                                                        << "stereo" << "";
        QTest::newRow("flagged subtitle chosen away, VideoCD of the Job menu") << "flagged" << false << "jobEncodeVcd"
                                                                               << "stereo" << "";
        QTest::newRow("flagged subtitle chosen away, Xvid of the Job menu") << "flagged" << false << "jobEncodeXvid"
                                                                            << "stereo" << "";
    }
    void surroundSoundAndSubtitle()
    {
        QFETCH(QString, source);
        QFETCH(bool, subtitle);
        QFETCH(QString, target);
        QFETCH(QString, layout);
        QFETCH(QString, refusal);
        const bool dvd = source == "dvd";
        const bool flagged = source == "flagged";
        const QString path = dvd ? TestMedia::subtitledDvdFolder()
                             : flagged ? flaggedTracks()
                             : source == "text" ? surroundWithTextSubtitle() : TestMedia::pictureSubtitleClip();
        QVERIFY(!path.isEmpty());
        Fixture fixture;
        QVERIFY(fixture.open(path, dvd));
        auto *subtitles = fixture.window->playerWidget()->findChild<QComboBox *>("subtitleCombo");
        QVERIFY(subtitles);
        // Flagged, the subtitle is chosen as the list opens.
        if (!flagged || !subtitle)
            subtitles->setCurrentIndex(subtitles->findData(subtitle ? 0 : -1));
        MervoEncoderWidget *panel = fixture.window->mervoEncoderWidget();
        QCOMPARE(panel->encodingSource().noSubtitle, !subtitle);
        // The first sound track, chosen as it stands: the subtitle before it counts as no sound;
        // the flagged second one of a file that flags one.
        const bool twoTracks = source == "text" || flagged;
        QVERIFY(!panel->encodingSource().noAudio);

        QString output, reason;
        const QStringList choice = target.split(' ');
        if (choice.size() == 4) {
            // A choice the lists do not offer says why in their tip.
            for (const auto &[combo, id] : {std::pair{panel->formatCombo(), choice[0]}, {panel->videoCombo(), choice[1]},
                                           {panel->audioCombo(), choice[2]}}) {
                if (combo->findData(id) < 0) {
                    QVERIFY2(!refusal.isEmpty() && combo->toolTip().contains(refusal), qPrintable(combo->toolTip()));
                    return;
                }
                chooseEntry(combo, id);
            }
            // As the configure dialog leaves it when the user picks the level and accepts.
            MervoConfigurator *configurator = panel->mervoConfigurator();
            configurator->clearOptions();
            if (configurator->configure()) {
                configurator->profileGroup().selectedLevel = choice[3].toInt();
                configurator->applySelection();
            }
            panel->loadSettings();
            panel->setTarget(fixture.target.path(), QTest::currentDataTag());
            const EncoderWidget::EncodingCommand command = panel->plannedCommand(reason);
            for (const EncodingStep &step : command.steps) {
                QString err;
                QVERIFY2(TestMedia::run(step.program, step.arguments, nullptr, &err) == 0,
                         qPrintable(step.arguments.join(' ') + '\n' + err.right(600)));
            }
            if (!command.steps.isEmpty())
                output = command.steps.last().output;
        } else {
            QString details;
            ModalAnswerer answerer;
            keepDetails(answerer, &details);
            QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(target)));
            reason = details;
            if (details.isEmpty()) {
                QVERIFY(fixture.jobsDone());
                MervoTask *task = fixture.manager()->jobs().last()->tasks().last();
                QCOMPARE(task->state, int(Task::Completed));
                output = task->taskData->at(TaskDataSlot::OutputPath).toString();
            }
        }
        if (!refusal.isEmpty()) {
            QVERIFY2(output.isEmpty() && reason.contains(refusal), qPrintable(reason));
            return;
        }
        QVERIFY2(!output.isEmpty(), qPrintable(reason));
        const QJsonObject sound = firstStream(output, "audio");
        QCOMPARE(sound.value("channel_layout").toString(), layout);
        if (twoTracks) { // 1320 Hz: the chosen track, not the other
            const double high = meanVolume(output, "highpass=f=660,highpass=f=660");
            const double low = meanVolume(output, "lowpass=f=660,lowpass=f=660");
            QVERIFY2(high > low + 10.0, qPrintable(QString("%1 %2").arg(high).arg(low)));
        }
        // Bright words or a bright box over a dark picture, when chosen.
        const int brightest = brightestLevel(output, 1.0);
        QVERIFY2(subtitle ? brightest > 128 : brightest >= 0 && brightest < 80, qPrintable(QString::number(brightest)));
    }
};

VEXO_TEST_CLASS(TestMenuJobOutputs)

// The shape and length of the outputs of both roads: a class of their own, so that each class
// stays well within the suite's time-out on a slow machine.
class TestMenuJobShapes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initGui4Resources();
        qRegisterMetaType<MervoProcess *>();
    }

    // A picture of any shape keeps it on every road that encodes it anew, through the encoder
    // panel's Start and through the Job menu, on both engines: a fixed frame is shown at a
    // shape its format flags (MPEG-1, MPEG-2, H.263), with black bars beside a narrower picture
    // and above and below a wider one; any other frame has the picture's shape and square
    // pixels. Checked as a player shows each output: the picture inside any bars keeps the
    // source's display shape within 2 %.
    void pictureKeepsItsShape_data()
    {
        QTest::addColumn<QString>("size");  // the source's stored picture
        QTest::addColumn<QString>("sar");   // its sample aspect
        QTest::addColumn<double>("aspect"); // as a player shows it
        QTest::newRow("portrait 9:16") << "180x320" << "1" << 9.0 / 16;
        QTest::newRow("anamorphic 16:9") << "320x240" << "4/3" << 16.0 / 9;
        QTest::newRow("2.35:1") << "376x160" << "1" << 2.35;
    }
    void pictureKeepsItsShape()
    {
        QFETCH(QString, size);
        QFETCH(QString, sar);
        QFETCH(double, aspect);
        // No black in the picture (the test pattern's first bar can be), so that only bars are.
        const QString source = TestMedia::clip(QString("shape-%1.mkv").arg(QTest::currentDataTag()).replace(' ', '-'),
            {"-f", "lavfi", "-i", QString("testsrc=size=%1:rate=25:duration=1,setsar=%2,lutyuv=y=64+val/2").arg(size, sar),
             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=1", "-c:v", "libx264",
             "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "libmp3lame"});
        QVERIFY(!source.isEmpty());
        Fixture fixture;
        QVERIFY(fixture.open(source, false));
        // The panel's containers with a video codec (empty: the list's own), then the menu's
        // targets.
        const struct { const char *muxer, *video; QAction *MervoMainWindow::*action; } roads[] = {
            {"mpeg_vcd", "", nullptr}, {"mpeg", "", nullptr}, {"mp4", "x264", nullptr},
            {"3gp", "h263", nullptr}, {"psp", "", nullptr}, {"avi", "", nullptr},
            {"", "", &MervoMainWindow::encodeVcdAction}, {"", "", &MervoMainWindow::encodeSvcdAction},
            {"", "", &MervoMainWindow::encodeXvidAction}, {"", "", &MervoMainWindow::encodeXvid1CDAction},
        };
        EncoderWidget *panel = fixture.window->encoderWidget();
        QStringList faults;
        for (const auto &road : roads) {
            QString name = road.action ? (fixture.window->*road.action)->text() : QString(road.muxer) + ' ' + road.video;
            if (!road.action) {
                for (auto [combo, id] : {std::pair{panel->formatCombo(), road.muxer}, {panel->videoCombo(), road.video}}) {
                    const int entry = combo->findData(QString(id));
                    if (entry < 0)
                        continue;
                    combo->setCurrentIndex(entry);
                    emit combo->activated(entry);
                }
                panel->startButton()->click();
            } else {
                (fixture.window->*road.action)->trigger();
            }
            QVERIFY(fixture.jobsDone());
            const MervoTask *task = fixture.manager()->jobs().last()->tasks().last();
            const QString output = task->taskData->at(TaskDataSlot::OutputPath).toString();
            name += " (" + Encoder::engineName(task->taskData->at(TaskDataSlot::EngineType).toInt()) + ")";
            if (task->state != Task::Completed) {
                faults << name + ": ended in state " + QString::number(task->state);
                continue;
            }
            const QString files = fixture.target.filePath(QFileInfo(output).completeBaseName());
            QByteArray log;
            {
                QProcess ffmpeg;
                ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
                ffmpeg.start("ffmpeg", decodeArguments(output, files, true, false));
                QVERIFY(ffmpeg.waitForFinished(kJobWait));
                log = ffmpeg.readAll();
            }
            const DecodeReport file = readDecodeReport(log, files);
            const QSize frame = file.videoSize, inside = file.picture;
            // The frame's shape: one the format flags, else that of its pixels.
            const QString codec = file.streams.value(0).section(',', 0, 0);
            const QList<double> flagged = QStringList{"mpeg1video", "mpeg2video", "h263"}.contains(codec)
                ? QList<double>{4.0 / 3, 16.0 / 9} : QList<double>{double(frame.width()) / qMax(frame.height(), 1)};
            const bool flaggedShape = std::any_of(flagged.cbegin(), flagged.cend(), [&](double shape) {
                return qAbs(file.displayAspect / shape - 1) < 0.01;
            });
            const double shape = inside.height() > 0 && frame.width() > 0
                ? double(inside.width()) / inside.height() * file.displayAspect * frame.height() / frame.width() : 0;
            const QString seen = QString("%1 %2x%3 shown at %4, picture %5x%6 of shape %7")
                .arg(codec).arg(frame.width()).arg(frame.height()).arg(file.displayAspect, 0, 'f', 4)
                .arg(inside.width()).arg(inside.height()).arg(shape, 0, 'f', 4);
            qInfo().noquote() << name.leftJustified(36) << seen;
            if (!flaggedShape || qAbs(shape / aspect - 1) > 0.02)
                faults << name + ": " + seen;
        }
        QCOMPARE(faults, QStringList());
    }

    // Sound taken whole ends well: a VBR MP3 without its header (a player guesses its length
    // from the first frame's bit rate, here more than twice the sound; the load reads how far
    // it goes) and a file whose sound stops before its picture (the length shown), converted
    // by the encoder panel to a sound-only target, or by the Job menu's entries with its
    // picture. The output holds the whole sound.
    void wholeSoundEndsWell_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("road"); // a muxer of the encoder panel, or a Job entry
        QTest::addColumn<double>("sound");
        QTest::addColumn<double>("shown"); // the length the panel shows
        const QString vbr = TestMedia::clip("menu-vbr-no-header.mp3", {"-f", "lavfi", "-i",
            "aevalsrc='if(lt(t,1),0,0.5*sin(440*2*PI*t)+0.3*random(0)-0.15)':d=12:s=44100",
            "-c:a", "libmp3lame", "-q:a", "4", "-write_xing", "0"});
        const QString shortSound = TestMedia::clip("menu-short-sound.avi", {"-f", "lavfi", "-i",
            "testsrc=size=160x120:rate=25:duration=6", "-f", "lavfi", "-i", "sine=duration=2",
            "-c:v", "mpeg4", "-c:a", "libmp3lame"});
        QTest::newRow("VBR MP3 without a header to MP3") << vbr << "mp3" << 12.0 << 12.0;
        QTest::newRow("VBR MP3 without a header to WAV") << vbr << "wav" << 12.0 << 12.0;
        QTest::newRow("sound of 2 s beside 6 s of picture to MP3") << shortSound << "mp3" << 2.0 << 6.0;
        QTest::newRow("sound of 2 s beside 6 s of picture to M4A") << shortSound << "m4a" << 2.0 << 6.0;
        QTest::newRow("sound of 2 s beside 6 s of picture, re-mux") << shortSound << "remuxAction" << 2.0 << 6.0;
        QTest::newRow("sound of 2 s beside 6 s of picture, Xvid for one CD") << shortSound << "encodeXvid1CDAction" << 2.0 << 6.0;
    }

    void wholeSoundEndsWell()
    {
        QFETCH(QString, source);
        QFETCH(QString, road);
        QFETCH(double, sound);
        QFETCH(double, shown);
        QVERIFY(!source.isEmpty());
        RegisteredEngines engines; // as start-up registers them: the job engine judges outputs with them
        QVERIFY(engines.started());
        Fixture fixture;
        QVERIFY(fixture.open(source, false));
        EncoderWidget *panel = fixture.window->encoderWidget();
        const double length = panel->encodingSource().video.length;
        QVERIFY2(qAbs(length - shown) < 0.3, qPrintable(QString::number(length)));
        if (road.endsWith("Action")) {
            QAction *action = road == "remuxAction" ? fixture.window->remuxAction : fixture.window->encodeXvid1CDAction;
            QVERIFY(action->isEnabled());
            action->trigger();
        } else {
            const int entry = panel->formatCombo()->findData(road);
            QVERIFY(entry >= 0);
            panel->formatCombo()->setCurrentIndex(entry);
            emit panel->formatCombo()->activated(entry);
            panel->startButton()->click();
        }
        QVERIFY(fixture.jobsDone());
        for (MervoJob *job : fixture.manager()->jobs())
            for (MervoTask *task : job->tasks())
                QVERIFY2(task->state == Task::Completed, qPrintable(task->name() + ": " + task->failure()));
        const QStringList written = QDir(fixture.target.path()).entryList(QDir::Files);
        QCOMPARE(written.size(), 1);
        const QString output = fixture.target.filePath(written.first());
        const double played = OutputMeter::measure(output, 0.0).audio;
        QVERIFY2(qAbs(played - sound) < 0.3, qPrintable(QString::number(played)));
        QCOMPARE(TestMedia::decodeErrors(output), QString());
    }
};

VEXO_TEST_CLASS(TestMenuJobShapes)

// Sources the engines describe in part: an MPEG transport stream of H.264 at 50 frames a
// second, whose picture size and rate only FFprobe reports (MediaInfo gives no rate, MPlayer's
// own reader no stream header), and sound files that carry a cover picture.
namespace {
constexpr double kSeconds = 4.0;

QString transportStream()
{
    return TestMedia::clip("source-h264-50.ts",
        {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=50:duration=4", "-f", "lavfi", "-i",
         "sine=frequency=440:sample_rate=48000:duration=4", "-ac", "2", "-c:v", "libx264", "-preset",
         "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "mp2", "-f", "mpegts"});
}

// A TV recording as FFmpeg writes one by default: MPEG-2 and MPEG layer 2 sound, both from
// 1.44 s on the stream's clock.
QString ordinaryTransportStream()
{
    return TestMedia::clip("source-ordinary.ts",
        {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4", "-f", "lavfi", "-i",
         "sine=frequency=440:sample_rate=48000:duration=4", "-ac", "2"});
}

// Chooses as the user does; false when the list does not offer the entry.
bool choose(ActiveComboBox *combo, const QString &id)
{
    const int index = combo->findData(id);
    if (index < 0)
        return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

// Runs the steps Start would queue, one after the other; the fault of the first that fails.
QString runSteps(const QList<EncodingStep> &steps)
{
    for (const EncodingStep &step : steps) {
        QString err;
        if (TestMedia::run(step.program, step.arguments, nullptr, &err) != 0)
            return step.program + ": " + err.right(300);
    }
    return QString();
}

QStringList entries(const ActiveComboBox *combo)
{
    QStringList ids;
    for (int i = 0; i < combo->count(); ++i)
        ids << combo->itemData(i).toString();
    return ids;
}

// What a player finds decoding the output: a clean decode, the picture's rate, shape and
// length without holes, and the sound's length.
QString pictureFault(const QString &path, double rate, bool sound = true, int channels = 0)
{
    const QString files = TestMedia::folder() + "/checks-" + QFileInfo(path).completeBaseName();
    QString log;
    TestMedia::run("ffmpeg", decodeArguments(path, files, true, sound), nullptr, &log);
    const DecodeReport file = readDecodeReport(log.toUtf8(), files);
    const double shown = file.step > 0 ? 1.0 / file.step : 0;
    if (!file.errors.isEmpty())
        return "decoding: " + file.errors.left(300);
    if (qAbs(shown / rate - 1) > 0.02 || file.holes > 0 || file.pictures < qRound(rate * kSeconds) - 1)
        return QStringLiteral("%1 pictures at %2 fps with %3 holes, expected %4 fps")
            .arg(file.pictures).arg(shown).arg(file.holes).arg(rate);
    if (qAbs(file.videoSeconds - kSeconds) > 0.3 || (sound && qAbs(file.audioSeconds - kSeconds) > 0.3))
        return QStringLiteral("picture %1 s, sound %2 s of %3").arg(file.videoSeconds).arg(file.audioSeconds).arg(kSeconds);
    if (channels > 0 && file.channels != channels)
        return QStringLiteral("%1 channels, expected %2").arg(file.channels).arg(channels);
    if (qAbs(file.displayAspect / (4.0 / 3) - 1) > 0.03)
        return QStringLiteral("%1x%2 shown at %3").arg(file.videoSize.width()).arg(file.videoSize.height())
            .arg(file.displayAspect);
    return QString();
}
// An MP4 whose tags stand before its tracks, as some taggers write it: its cover picture is
// then its first video stream. FFmpeg writes the tags last; they are moved up here.
bool tagsBeforeTracks(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray data = file.readAll();
    const auto box = [&](qsizetype at) { return std::pair{qsizetype(qFromBigEndian<quint32>(data.constData() + at)),
                                                          data.mid(at + 4, 4)}; };
    for (qsizetype at = 0; at + 8 <= data.size() && box(at).first >= 8; at += box(at).first) {
        if (box(at).second != "moov")
            continue;
        QByteArray tags, others;
        for (qsizetype child = at + 8; child + 8 <= at + box(at).first && box(child).first >= 8; child += box(child).first)
            (box(child).second == "udta" ? tags : others) += data.mid(child, box(child).first);
        // The movie header stays first.
        data.replace(at + 8, tags.size() + others.size(), others.left(box(at + 8).first) + tags
                                                               + others.mid(box(at + 8).first));
        return file.seek(0) && file.write(data) == data.size();
    }
    return false;
}

// Sources whose engines disagree about their streams, 4 s of 320x240 (4:3) picture each.
QString unusualSource(const QString &kind)
{
    const QStringList picture50{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=50:duration=4"};
    const QStringList picture25{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4"};
    const QStringList tone{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=4"};
    const QStringList h264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};
    if (kind == "50 fps") // MEncoder at a disc's 25 a second
        return TestMedia::clip("source-50.mp4", picture50 + tone + h264 + QStringList{"-ac", "2", "-c:a", "aac"});
    if (kind == "bare H.264") // MediaInfo and MPlayer count its fields: 100 a second
        return TestMedia::clip("source-50.h264", picture50 + h264 + QStringList{"-f", "h264"});
    if (kind == "second sound track") { // 5.1 at 48000 Hz behind a stereo track at 44100 Hz
        return TestMedia::clip("source-two-tracks.mp4", picture25 + QStringList{"-f", "lavfi", "-i",
            "sine=frequency=440:sample_rate=44100:duration=4"} + tone + QStringList{"-map", "0", "-map", "1", "-map", "2"}
            + h264 + QStringList{"-c:a", "aac", "-ac:a:0", "2", "-ac:a:1", "6"});
    }
    if (kind == "second sound track, late") { // the same, the 5.1 track starting half a second late
        return TestMedia::clip("source-two-tracks-late.mp4", picture25 + QStringList{"-f", "lavfi", "-i",
            "sine=frequency=440:sample_rate=44100:duration=4", "-itsoffset", "0.5"} + tone
            + QStringList{"-map", "0", "-map", "1", "-map", "2"} + h264
            + QStringList{"-c:a", "aac", "-ac:a:0", "2", "-ac:a:1", "6"});
    }
    if (kind == "picture lead-in") // an edit list hides its picture's first half second
        return TestMedia::clip("source-picture-lead-in.mp4", QStringList{"-f", "lavfi", "-i",
            "testsrc=size=320x240:rate=25:duration=4.5", "-itsoffset", "0.5"} + tone + h264
            + QStringList{"-ac", "2", "-c:a", "aac", "-output_ts_offset", "-0.5", "-avoid_negative_ts", "disabled"});
    if (kind == "silent picture lead-in") // the same without sound
        return TestMedia::clip("source-silent-lead-in.mp4", QStringList{"-f", "lavfi", "-i",
            "testsrc=size=320x240:rate=25:duration=4.5"} + h264 + QStringList{"-output_ts_offset", "-0.5",
            "-avoid_negative_ts", "disabled"});
    if (kind == "sound lead-in") // an edit list hides its sound's first half second
        return TestMedia::clip("source-sound-lead-in.mp4", picture25 + QStringList{"-itsoffset", "-0.5", "-f", "lavfi",
            "-i", "sine=frequency=440:sample_rate=48000:duration=4.5"} + h264
            + QStringList{"-ac", "2", "-c:a", "aac", "-avoid_negative_ts", "disabled"});
    if (kind == "cover first") {
        const QString name = TestMedia::folder() + "/source-cover-first.mp4";
        if (QFileInfo::exists(name))
            return name;
        const QString made = TestMedia::clip("source-cover-last.mp4", picture25 + tone + QStringList{"-f", "lavfi",
            "-i", "testsrc=size=200x200:rate=1:duration=1", "-map", "0", "-map", "1", "-map", "2"} + h264
            + QStringList{"-c:v:1", "mjpeg", "-disposition:v:1", "attached_pic", "-ac", "2", "-c:a", "aac"});
        return !made.isEmpty() && QFile::copy(made, name) && tagsBeforeTracks(name) ? name : QString();
    }
    return QString();
}
} // namespace

class TestSourceProperties : public QObject
{
    Q_OBJECT

    // The transport streams, each loaded once for the panel's and the Job menu's rows.
    std::unique_ptr<Fixture> m_transport;
    std::unique_ptr<Fixture> m_recording;

    MervoMainWindow *transportLoaded(bool ordinary = false)
    {
        std::unique_ptr<Fixture> &fixture = ordinary ? m_recording : m_transport;
        if (!fixture) {
            fixture = std::make_unique<Fixture>();
            if (!fixture->open(ordinary ? ordinaryTransportStream() : transportStream(), false))
                fixture.reset();
        }
        return fixture ? fixture->window : nullptr;
    }

private slots:
    void initTestCase()
    {
        initGui4Resources();
        qRegisterMetaType<MervoProcess *>();
        QVERIFY(!transportStream().isEmpty());
    }
    void cleanupTestCase()
    {
        m_transport.reset();
        m_recording.reset();
    }

    // The transport stream through the encoder panel: the size and rate FFprobe reports
    // reach the panel, and every target keeps the source's rate or takes its own (MPEG-4
    // Part 2 at most 30, a device an even share of the source's within 30, a PAL disc 25);
    // where MEncoder's reader would lose the picture's timing, FFmpeg makes the target.
    void transportStreamThroughThePanel_data()
    {
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<QString>("video");
        QTest::addColumn<double>("rate");
        QTest::newRow("3GP MPEG-4") << "3gp" << "mpeg4" << 25.0;
        QTest::newRow("3G2 MPEG-4") << "3g2" << "mpeg4" << 25.0;
        QTest::newRow("iPod MPEG-4") << "ipod" << "mpeg4" << 25.0;
        QTest::newRow("MP4 MPEG-4") << "mp4" << "mpeg4" << 30.0;
        QTest::newRow("MOV MPEG-4") << "mov" << "mpeg4" << 30.0;
        QTest::newRow("MP4 H.264") << "mp4" << "x264" << 50.0;
        QTest::newRow("AVI Xvid") << "avi" << "xvid" << 50.0;
        QTest::newRow("VCD") << "mpeg_vcd" << "mpeg1video" << 25.0;
        QTest::newRow("SVCD") << "mpeg" << "mpeg2video" << 25.0;
    }
    void transportStreamThroughThePanel()
    {
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QFETCH(double, rate);
        MervoMainWindow *w = transportLoaded();
        QVERIFY(w);
        MervoEncoderWidget *panel = w->mervoEncoderWidget();
        const VideoInfo source = panel->encodingSource().video;
        QCOMPARE(source.sourceSize(), QSize(320, 240));
        QCOMPARE(source.frameRate, 50.0);
        QVERIFY2(choose(panel->formatCombo(), muxer), qPrintable(entries(panel->formatCombo()).join(',')));
        QVERIFY2(choose(panel->videoCombo(), video), qPrintable(entries(panel->videoCombo()).join(',')));
        panel->loadSettings();
        panel->setTarget(m_transport->target.path(), QTest::currentDataTag());
        QString refusal;
        const EncoderWidget::EncodingCommand command = panel->plannedCommand(refusal);
        QVERIFY2(!command.steps.isEmpty(), qPrintable(refusal));
        QVERIFY2(command.steps.last().program.endsWith("ffmpeg"), qPrintable(command.steps.last().program));
        const QString fault = runSteps(command.steps);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + "\n" + command.steps.last().arguments.join(' ')));
        const QString seen = pictureFault(command.output, rate);
        QVERIFY2(seen.isEmpty(), qPrintable(seen + "\n" + command.steps.last().arguments.join(' ')));
    }

    // The Job menu's targets of the transport streams: the discs through FFmpeg as for any
    // file; the Xvid targets, which only MEncoder makes, take an ordinary recording, whose
    // picture and sound start together (AVI starts both with the file) and keep them in
    // step; they refuse H.264 with the reason before anything is queued.
    void transportStreamThroughTheJobMenu_data()
    {
        QTest::addColumn<bool>("ordinary"); // MPEG-2, else H.264 at 50 fps
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("refused");
        QTest::newRow("VideoCD") << false << "VideoCD" << false;
        QTest::newRow("Super VideoCD") << false << "Super VideoCD" << false;
        QTest::newRow("Xvid") << false << "Xvid" << true;
        QTest::newRow("Xvid on one CD") << false << "Xvid on one CD" << true;
        QTest::newRow("Xvid of a recording") << true << "Xvid" << false;
        QTest::newRow("Xvid on one CD of a recording") << true << "Xvid on one CD" << false;
    }
    void transportStreamThroughTheJobMenu()
    {
        QFETCH(bool, ordinary);
        QFETCH(QString, entry);
        QFETCH(bool, refused);
        MervoMainWindow *w = transportLoaded(ordinary);
        QVERIFY(w);
        Fixture &fixture = ordinary ? *m_recording : *m_transport;
        const qsizetype queued = fixture.manager()->jobs().size();
        const QMap<QString, QAction *> entries{{"VideoCD", w->encodeVcdAction}, {"Super VideoCD", w->encodeSvcdAction},
                                               {"Xvid", w->encodeXvidAction}, {"Xvid on one CD", w->encodeXvid1CDAction}};
        QAction *action = entries.value(entry);
        QVERIFY(action->isEnabled());
        ModalAnswerer answerer;
        QString detailed;
        keepDetails(answerer, &detailed);
        action->trigger();
        if (refused) {
            QCOMPARE(answerer.seen().size(), 1);
            QVERIFY2(detailed.contains("transport stream"), qPrintable(detailed));
            QCOMPARE(fixture.manager()->jobs().size(), queued);
            return;
        }
        QVERIFY2(answerer.seen().isEmpty(), qPrintable(detailed));
        QVERIFY(fixture.jobsDone());
        const MervoTask *task = fixture.manager()->jobs().last()->tasks().last();
        QVERIFY2(task->state == Task::Completed, qPrintable(task->failure()));
        const QString output = task->taskData->at(TaskDataSlot::OutputPath).toString();
        const QString seen = pictureFault(output, 25.0);
        QVERIFY2(seen.isEmpty(), qPrintable(seen));
        const double delay = soundDelay(output, 0);
        QVERIFY2(qAbs(delay) < 0.1, qPrintable(QString::number(delay)));
    }

    // Sources whose engines disagree about their streams, through the encoder panel, with
    // each engine: the output keeps the picture's length, shape and rate (or the target's)
    // and the chosen sound track's channels.
    void misleadingSourcesThroughThePanel_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");  // "container video [audio]"
        QTest::addColumn<QString>("engine");  // that writes the output
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("channels");    // of the output's sound; 0: no sound
        QTest::newRow("50 fps to SVCD at 25") << "50 fps" << "mpeg mpeg2video mp2" << "mencoder" << 25.0 << 2;
        QTest::newRow("50 fps to AVI Xvid") << "50 fps" << "avi xvid mp3" << "ffmpeg" << 50.0 << 2;
        QTest::newRow("bare H.264 to MP4") << "bare H.264" << "mp4 x264" << "ffmpeg" << 50.0 << 0;
        QTest::newRow("bare H.264 to SVCD") << "bare H.264" << "mpeg mpeg2video" << "mencoder" << 25.0 << 0;
        QTest::newRow("cover first to MP4") << "cover first" << "mp4 x264 aac" << "ffmpeg" << 25.0 << 2;
        QTest::newRow("cover first to SVCD") << "cover first" << "mpeg mpeg2video mp2" << "mencoder" << 25.0 << 2;
        QTest::newRow("second sound track to MP4") << "second sound track" << "mp4 x264 aac" << "ffmpeg" << 25.0 << 6;
        QTest::newRow("second sound track to SVCD") << "second sound track" << "mpeg mpeg2video mp2" << "mencoder" << 25.0 << 2;
        // MEncoder would start the chosen track with the picture, or play the sound an edit
        // list hides: FFmpeg keeps them in step.
        QTest::newRow("picture lead-in to SVCD") << "picture lead-in" << "mpeg mpeg2video mp2" << "ffmpeg" << 25.0 << 2;
        QTest::newRow("sound lead-in to SVCD") << "sound lead-in" << "mpeg mpeg2video mp2" << "ffmpeg" << 25.0 << 2;
        // The picture's lead-in is shown whether there is sound or not.
        QTest::newRow("silent picture lead-in to SVCD") << "silent picture lead-in" << "mpeg mpeg2video" << "ffmpeg" << 25.0 << 0;
        QTest::newRow("late second sound track to SVCD") << "second sound track, late" << "mpeg mpeg2video mp2" << "ffmpeg"
                                                         << 25.0 << 2;
    }
    void misleadingSourcesThroughThePanel()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, engine);
        QFETCH(double, rate);
        QFETCH(int, channels);
        const QString path = unusualSource(source);
        QVERIFY(!path.isEmpty());
        Fixture fixture;
        QVERIFY(fixture.open(path, false));
        MervoEncoderWidget *panel = fixture.window->mervoEncoderWidget();
        if (source.startsWith("second sound track")) {
            auto *tracks = fixture.window->playerWidget()->findChild<QComboBox *>("audioCombo");
            QVERIFY(tracks);
            tracks->setCurrentIndex(tracks->findData(1));
            QVERIFY(waitFor([&] { return panel->encodingSource().audio.aid == tracks->currentData().toInt(); }, kJobWait));
            QCOMPARE(panel->encodingSource().audio.samplingRate, 48000);
            QCOMPARE(panel->encodingSource().audio.channelCount, 6);
        }
        const EncodingSource &input = panel->encodingSource();
        QVERIFY2(input.noAudio == (channels == 0), qPrintable(QString("%1 %2 %3 %4").arg(input.noAudio).arg(input.audio.aid)
            .arg(input.audio.streamNumber).arg(input.audioStreams.size())));
        const QStringList choice = target.split(' ');
        for (const auto &[combo, id] : {std::pair{panel->formatCombo(), choice[0]}, {panel->videoCombo(), choice[1]},
                                       {panel->audioCombo(), choice.value(2)}})
            QVERIFY2(id.isEmpty() || choose(combo, id), qPrintable(entries(combo).join(',')));
        panel->loadSettings();
        panel->setTarget(fixture.target.path(), QString(QTest::currentDataTag()).replace(' ', '-'));
        QString refusal;
        const EncoderWidget::EncodingCommand command = panel->plannedCommand(refusal);
        QVERIFY2(!command.steps.isEmpty(), qPrintable(refusal));
        const QString arguments = command.steps.last().arguments.join(' ');
        QVERIFY2(command.steps.last().program.endsWith(engine), qPrintable(command.steps.last().program));
        const QString fault = runSteps(command.steps);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + "\n" + arguments));
        const QString seen = pictureFault(command.output, rate, channels > 0, channels);
        QVERIFY2(seen.isEmpty(), qPrintable(seen + "\n" + arguments));
    }

    // A sound file with its cover picture is a sound file: the player shows no picture,
    // the panel offers sound containers only, the Job menu no video target, and the command
    // writes the sound alone.
    void coverPictureIsNoVideo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("make");
        const QStringList sound{"-f", "lavfi", "-i", "sine=frequency=440:duration=4", "-f", "lavfi", "-i",
                                "testsrc=size=200x200:duration=1", "-map", "0", "-map", "1", "-frames:v", "1",
                                "-disposition:v", "attached_pic"};
        QTest::newRow("MP3 with a PNG cover") << "cover.mp3" << sound + QStringList{"-c:a", "libmp3lame", "-c:v", "png"};
        // MPlayer reports the picture of these as a video stream of 90000 frames a second.
        QTest::newRow("M4A with a JPEG cover") << "cover.m4a" << sound + QStringList{"-c:a", "aac", "-c:v", "mjpeg"};
        QTest::newRow("FLAC with a PNG cover") << "cover.flac" << sound + QStringList{"-c:a", "flac", "-c:v", "png"};
    }
    void coverPictureIsNoVideo()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, make);
        const QString path = TestMedia::clip(name, make);
        QVERIFY(!path.isEmpty());
        Fixture fixture;
        MervoMainWindow *w = fixture.window;
        MervoEncoderWidget *panel = w->mervoEncoderWidget();
        // Opened through the File menu, then again through the recent list (the extended load).
        for (const char *road : {"File menu", "recent list"}) {
            QSignalSpy loaded(w, &MainWindow::movieLoaded);
            if (road == QLatin1String("File menu"))
                QVERIFY(fixture.open(path, false));
            else
                w->recentActions[0]->trigger();
            QVERIFY(waitFor([&] { return !loaded.isEmpty(); }, kJobWait));
            QVERIFY2(panel->encodingSource().noVideo, road);
            QCOMPARE(panel->encodingSource().video.kind, int(VideoInfo::AudioOnlyFile));
            QVERIFY2(w->playerWidget()->findChild<QLabel *>("audioPicture")->isVisible(), road);
            const QStringList formats = entries(panel->formatCombo());
            for (const QString &format : formats)
                QVERIFY2(QStringList({"wav", "mp3", "m4a", "au", "ac3"}).contains(format), qPrintable(formats.join(',')));
            for (QAction *action : {w->encodeVcdAction, w->encodeSvcdAction, w->encodeXvidAction, w->encodeXvid1CDAction,
                                    w->remuxAction, w->mergeAction, w->splitAction})
                QVERIFY2(!action->isEnabled(), qPrintable(action->text() + " from the " + road));
        }
        panel->setTarget(fixture.target.path(), "sound");
        QString refusal;
        const EncoderWidget::EncodingCommand command = panel->plannedCommand(refusal);
        QVERIFY2(!command.steps.isEmpty(), qPrintable(refusal));
        const QString fault = runSteps(command.steps);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        const OutputReport file = probeOutput(command.output);
        QVERIFY2(file.streams.filter(",video").isEmpty(), qPrintable(file.streams.join(' ')));
        QVERIFY2(qAbs(file.audioSeconds - kSeconds) < 0.3, qPrintable(QString::number(file.audioSeconds)));
    }
};

VEXO_TEST_CLASS(TestSourceProperties)
#include "tst_menujobs.moc"
