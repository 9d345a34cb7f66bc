// Playback in the player panel on real MPlayer under X, the track choices after a load,
// the player dialog, and the control arithmetic against a process that records what the
// panel writes.

#include "player/playerwidget.h"

#include "engines/player.h"
#include "engines/videoinfo.h"
#include "enginetesting.h"
#include "gui4/gui4resources.h"
#include "opendescriptors.h"
#include "panelprobe.h"
#include "player/playerdialog.h"
#include "player/timecodewidget.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <memory>

#include <unistd.h>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {

int seconds(const QString &timeCode)
{
    const QStringList parts = timeCode.split(':');
    return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt() : -1;
}

} // namespace

class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initGui4Resources(); }

    // A file plays into the renderer; the time code and timeline move; the speed answers
    // drive the play button; a pause holds the position although the poll goes on; stop
    // ends the engine in time and a new play works.
    void filePlayback()
    {
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QVERIFY(panel->setInput(TestMedia::clip("long.avi", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20",
                                                            "-c:v", "mpeg4", "-q:v", "5"}), 1));
        // The file's choices: the video line after "No video", no subtitle, no angle.
        QCOMPARE(comboTexts(panel->titleCombo).first(), QString("No video"));
        QVERIFY(panel->titleCombo->currentText().startsWith("Video - 00:00:20 320x240 4:3 25fps [FMP4"));
        QCOMPARE(panel->selectedTitle, 1);
        QCOMPARE(comboTexts(panel->subtitleCombo), QStringList{"Subtitle"});
        QVERIFY(!panel->subtitleCombo->isEnabled());
        const VideoInfo video = panel->currentVideoInfo();
        QCOMPARE(video.kind, 1);
        QCOMPARE(video.displaySize(), QSize(320, 240));
        QCOMPARE(video.frameRate, 25.0);
        QCOMPARE(video.angle, 1);
        QCOMPARE(video.fileFormat, QString("AVI"));
        QCOMPARE(panel->currentSubtitleInfo().sid, -1);
        QSignalSpy state(panel.get(), &PlayerWidget::stateChanged);
        QTest::mouseClick(panel->playButton, Qt::LeftButton);
        QVERIFY(panel->playing);
        QCOMPARE(state.takeFirst().first().toBool(), true);
        QVERIFY(consoles.stdIn.toPlainText().contains("-slave"));
        QCOMPARE(panel->playButton->toolTip(), QString("Stop playback"));
        // MPlayer is tied to the program as every engine is: it leads a process group of
        // its own (and gets the parent-death signal with it).
        const pid_t mplayer = pid_t(panel->playbackProcess->processId());
        QVERIFY(mplayer > 0);
        QCOMPARE(::getpgid(mplayer), mplayer);
        QTRY_VERIFY_WITH_TIMEOUT(seconds(panel->timecodeWidget->time()) >= 1, kScreenWait);
        QVERIFY(panel->timeLine->value() >= 2);
        QTRY_VERIFY_WITH_TIMEOUT(nonBlackShare(grabNative(panel->renderer)) > 0.3, kScreenWait);
        saveScreenshot(grabNative(panel.get()), "player-playing-file");

        panel->switchFaster();
        QTRY_COMPARE_WITH_TIMEOUT(panel->playButton->toolTip(), QString("Normal speed"), kScreenWait);
        QVERIFY(!panel->normalSpeed);
        QTest::mouseClick(panel->playButton, Qt::LeftButton); // back to normal speed
        QVERIFY(panel->playing && panel->normalSpeed);
        QCOMPARE(panel->playButton->toolTip(), QString("Stop playback"));

        QTest::mouseClick(panel->pauseButton, Qt::LeftButton);
        QTest::qWait(600);
        const QString held = panel->timecodeWidget->time();
        QTest::qWait(1200); // two polls
        QCOMPARE(panel->timecodeWidget->time(), held);
        QTest::mouseClick(panel->pauseButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(panel->timecodeWidget->time() != held, kScreenWait);

        QElapsedTimer clock;
        clock.start();
        state.clear();
        QTest::mouseClick(panel->playButton, Qt::LeftButton);
        QVERIFY(clock.elapsed() < panel->preferences.latencyFinished);
        QVERIFY(!panel->playing);
        QCOMPARE(panel->playbackProcess->state(), QProcess::NotRunning);
        QCOMPARE(state.last().first().toBool(), false);
        QCOMPARE(panel->playButton->toolTip(), QString("Play original source movie"));

        QTest::mouseClick(panel->playButton, Qt::LeftButton);
        QVERIFY(panel->playing);
        panel->stop();
        QVERIFY(!panel->playing);
    }

    // The generated DVD: the lists, the chapter label following the engine, the next
    // chapter, and an audio choice that the engine answers with the stream's id.
    void dvdPlayback()
    {
        PlayerPreferences preferences;
        preferences.titleMinimumLength = 1.0;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QVERIFY(panel->setInput(TestMedia::languagesDvdFolder(), 2));
        QCOMPARE(panel->titleCombo->count(), 2);
        QCOMPARE(panel->titleCombo->currentText(), QString("Title 1 - 00:00:06 720x576 16:9 25fps [MPEG2 9000.0kbps]"));
        QCOMPARE(comboTexts(panel->audioCombo),
                 QStringList({"No audio", "Audio 0 - English 192.0 kbps 48.0 kHz [AC3 stereo]",
                              "Audio 1 - French 96.0 kbps 48.0 kHz [AC3 mono]"}));
        QCOMPARE(panel->audioIndex, 0);
        QCOMPARE(comboTexts(panel->subtitleCombo), QStringList{"No subtitle"});
        QCOMPARE(panel->currentVideoInfo().kind, 2);
        QCOMPARE(panel->currentVideoInfo().angle, -1);
        QCOMPARE(panel->currentAudioInfo().aid, 128);
        QCOMPARE(panel->currentSubtitleInfo().sid, -1);
        QVERIFY(consoles.log.toPlainText().contains("Set player input (DVD title 1): "));

        panel->selectedTitle = 7; // names no title: title 1 plays
        panel->play();
        QVERIFY(panel->playing);
        QVERIFY(consoles.log.toPlainText().contains("Invalid title number 7 forced to 1 for playback."));
        QCOMPARE(panel->selectedTitle, 1);
        QTRY_VERIFY_WITH_TIMEOUT(panel->position > 0, 10000);
        // The engine counts from 0; the label as the disc does, from 1.
        QTRY_COMPARE_WITH_TIMEOUT(panel->chapterLabel->text(), QString("1"), kScreenWait);
        panel->nextChapter();
        QTRY_VERIFY_WITH_TIMEOUT(panel->currentChapter >= 1, kScreenWait);
        QCOMPARE(panel->chapterLabel->text(), QString::number(panel->currentChapter + 1));
        QTRY_VERIFY_WITH_TIMEOUT(seconds(panel->timecodeWidget->time()) >= 1, kScreenWait);

        panel->audioCombo->setCurrentIndex(2);
        QCOMPARE(panel->audioIndex, 1);
        panel->playbackProcess->write("get_property switch_audio\n");
        QTRY_VERIFY_WITH_TIMEOUT(consoles.stdOut.toPlainText().contains("ANS_switch_audio=129"), kScreenWait);
        saveScreenshot(grabNative(panel.get()), "player-playing-dvd");
        panel->stop();
    }

    // A video output MPlayer lists but cannot open on this display ("-vo gl" turned into
    // "-vo xv", which this X server lacks) leaves no picture: the panel says so and plays
    // through the next output, and the picture shows.
    void failingVideoOutput()
    {
        const QString mplayer = writeEngineScript(
            "gl-failing", QStringLiteral("n=$#; i=0\n"
                                         "while [ $i -lt $n ]; do a=$1; shift; [ \"$a\" = gl ] && a=xv; set -- \"$@\" \"$a\"; i=$((i+1)); done\n"
                                         "exec mplayer \"$@\""));
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2, nullptr, mplayer));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QVERIFY(panel->setInput(TestMedia::clip("long.avi", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20",
                                                            "-c:v", "mpeg4", "-q:v", "5"}), 1));
        const auto processes = [&panel] { return panel->findChildren<QProcess *>(Qt::FindDirectChildrenOnly).size(); };
        const qsizetype processesBefore = processes();
        panel->play();
        QTRY_VERIFY_WITH_TIMEOUT(consoles.log.toPlainText().contains(
                                     "Video output gl failed on this display, playing through x11."), kScreenWait);
        QTRY_VERIFY_WITH_TIMEOUT(panel->playing && nonBlackShare(grabNative(panel->renderer)) > 0.3, kScreenWait);
        saveScreenshot(grabNative(panel.get()), "player-video-output-fallback");
        // MPlayer says it twice ("Error opening/initializing..." and "FATAL: ..."): one fallback.
        QCOMPARE(consoles.log.toPlainText().count("Video output gl failed on this display"), 1);
        QCOMPARE(consoles.stdIn.toPlainText().count("-vo x11"), 1);
        QVERIFY(consoles.stdIn.toPlainText().contains("-vo x11"));
        panel->stop();
        // The next playback starts on the output that works.
        consoles.stdIn.clear();
        panel->play();
        QVERIFY(consoles.stdIn.toPlainText().contains("-vo x11"));
        panel->stop();
        // Each run had its own process; the ended ones are gone, not kept for the panel's life.
        QTRY_COMPARE_WITH_TIMEOUT(processes(), processesBefore, kScreenWait);
    }

    // A new load starts from a clean panel: no time code or chapter of the DVD played
    // before, and no picture of a sound file after a load that failed.
    void newLoadStartsClean()
    {
        PlayerPreferences preferences;
        preferences.ignoreShortTitles = false;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2, &preferences));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QVERIFY(panel->setInput(TestMedia::twoTitleDvdFolder(), 2));
        panel->play();
        panel->nextChapter();
        QTRY_VERIFY_WITH_TIMEOUT(seconds(panel->timecodeWidget->time()) >= 1 && panel->chapterLabel->text() == "2",
                                 kScreenWait);
        panel->stop();
        QVERIFY(panel->setInput(TestMedia::standardAvi(), 1));
        QCOMPARE(panel->timecodeWidget->time(), QString("00:00:00"));
        QCOMPARE(panel->chapterLabel->text(), QString("_"));
        QCOMPARE(panel->currentChapter, 0);
        QCOMPARE(panel->position, 0.0);
        QCOMPARE(panel->timeLine->value(), 0);
        saveScreenshot(grabWidget(panel.get()), "player-file-after-dvd");

        QVERIFY(panel->setInput(TestMedia::clip("tone.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=1",
                                                            "-c:a", "libmp3lame", "-b:a", "128k"}), 1));
        QVERIFY(panel->audioPicture->isVisible());
        ModalAnswerer answerer;
        QVERIFY(!panel->setInput(writeEngineFile("not-media.avi", "text"), 1));
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(!panel->audioPicture->isVisible());
        const QImage shown = grabNative(panel->renderer);
        saveScreenshot(shown, "player-after-failed-load");
        QVERIFY(colourShare(shown, QColor(200, 205, 215), 12) < 0.001);
    }

    // Error limits and a crash against a stand-in engine; after a crash a new play works.
    void playbackFaults_data()
    {
        QTest::addColumn<QString>("stderrText");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("box"); // empty: keeps playing
        QTest::newRow("as many lines as allowed") << "decoder error %1" << 6 << "";
        QTest::newRow("one line more") << "decoder error %1" << 7 << "Player received too many palyback errors from.";
        QTest::newRow("a line repeated as allowed") << "same error" << 4 << "";
        QTest::newRow("repeated once more") << "same error" << 5 << "Player received too many palyback errors from.";
        QTest::newRow("crash text") << "MPlayer crashed by bad instruction" << 1
                                    << "Player process crashed, try to change display zoom to lower value.";
        QTest::newRow("lower case") << "mplayer crashed" << 1 << "";
    }
    void playbackFaults()
    {
        QFETCH(QString, stderrText);
        QFETCH(int, lines);
        QFETCH(QString, box);
        QString body = "case \"$*\" in *-slave*-wid*)\n";
        for (int i = 0; i < lines; ++i)
            body += "  printf '%s\\n' '" + QString(stderrText).replace("%1", QString::number(i)) + "' >&2\n";
        body += "  exec sleep 30 ;;\n  *) exec mplayer \"$@\" ;;\nesac";
        const QString fake = writeEngineScript("erring-player", body);
        PlayerPreferences preferences;
        preferences.maxErrorLines = 6;
        preferences.maxErrorRepeats = 4;
        preferences.pollTicks = 100;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2, &preferences));
        QVERIFY(panel->setInput(TestMedia::standardAvi(), 1));
        panel->setMPlayerBinPath(fake);
        ModalAnswerer answerer;
        panel->play();
        QVERIFY(panel->playing);
        // Every line read, then one check of the errors after it: whatever a busy machine
        // takes for them, the box has come by then if it is to come.
        QVERIFY(waitFor([&] { return !answerer.seen().isEmpty() || panel->playbackErrors->size() == lines; }));
        QSignalSpy checked(panel->pollTimer, &QTimer::timeout);
        QVERIFY(waitFor([&] { return !answerer.seen().isEmpty() || !checked.isEmpty(); }));
        QCOMPARE(answerer.seen().size(), box.isEmpty() ? 0 : 1);
        QCOMPARE(panel->playing, box.isEmpty());
        if (!box.isEmpty()) {
            QCOMPARE(answerer.seen().first().text.trimmed(), QString("Playback aborted"));
            QCOMPARE(answerer.seen().first().informativeText, box);
        }
        panel->stop();
    }

    // A playback process killed from outside ends the playback cleanly; a new one starts.
    void killedEngine()
    {
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2));
        QVERIFY(panel->setInput(TestMedia::standardAvi(), 1));
        QSignalSpy state(panel.get(), &PlayerWidget::stateChanged);
        panel->play();
        QVERIFY(panel->playing);
        panel->playbackProcess->kill();
        QTRY_VERIFY_WITH_TIMEOUT(!panel->playing, kScreenWait);
        QCOMPARE(state.last().first().toBool(), false);
        QVERIFY(consoles.log.toPlainText().contains("Playback ended."));
        panel->play();
        QVERIFY(panel->playing);
        panel->stop();
    }

    // A player engine gone since the load: each play fails with the box, and keeps nothing
    // open.
    void engineGoneAtPlay()
    {
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2));
        QVERIFY(panel->setInput(TestMedia::standardAvi(), 1));
        panel->setMPlayerBinPath("/nonexistent/mplayer");
        ModalAnswerer answerer;
        const int before = openDescriptors();
        for (int i = 0; i < 3; ++i) {
            panel->play();
            QVERIFY(!panel->playing);
        }
        QCOMPARE(answerer.seen().size(), 3);
        QCOMPARE(answerer.seen().last().text.trimmed(), QString("Failed to start playback."));
        QTRY_VERIFY(openDescriptors() <= before);
    }
};

class TestPlaybackCommands : public QObject
{
    Q_OBJECT

    // A stand-in playback process that writes what the panel sends it to a file.
    QString startRecorder(PanelProbe &panel)
    {
        const QString file = TestMedia::folder() + "/recorded-commands.txt";
        QFile::remove(file);
        panel.playbackProcess->blockSignals(true);
        panel.playbackProcess->start("sh", {"-c", "cat > '" + file + "'"});
        panel.playbackProcess->waitForStarted();
        panel.playing = true;
        return file;
    }
    QString recorded(PanelProbe &panel, const QString &file)
    {
        panel.playbackProcess->closeWriteChannel();
        panel.playbackProcess->waitForFinished();
        panel.playing = false;
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString("unreadable");
    }

private slots:
    void initTestCase() { initGui4Resources(); }

    void steps_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("position");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("written");
        QTest::newRow("chapter step of 200 s is 30") << 1 << 200.0 << 31.0 << false << "prevChapter" << "seek -30 0\n";
        QTest::newRow("too early to go back") << 1 << 200.0 << 30.0 << false << "prevChapter" << "";
        QTest::newRow("tenth of a long movie") << 1 << 7200.0 << 1000.0 << false << "nextChapter" << "seek +720 0\n";
        QTest::newRow("next chapter at the end") << 1 << 6000.0 << 5400.0 << false << "nextChapter" << "";
        QTest::newRow("just before the end") << 1 << 6000.0 << 5399.0 << false << "nextChapter" << "seek +600 0\n";
        QTest::newRow("seek step of 200 s is 10") << 1 << 200.0 << 100.0 << false << "next" << "seek +10 0\n";
        QTest::newRow("hundredth of 7200 s") << 1 << 7200.0 << 100.0 << false << "prev" << "seek -72 0\n";
        QTest::newRow("DVD backward") << 2 << 3600.0 << 100.0 << false << "prev" << "seek -36 0\n";
        QTest::newRow("DVD chapter") << 2 << 3600.0 << 0.0 << false << "prevChapter" << "seek_chapter -1 0\n";
        QTest::newRow("paused: no seek") << 1 << 200.0 << 100.0 << true << "next" << "";
        QTest::newRow("paused: no speed") << 1 << 200.0 << 100.0 << true << "switchFaster" << "";
        QTest::newRow("faster") << 1 << 200.0 << 100.0 << false << "switchFaster" << "speed_mult 2\nget_property speed\n";
        QTest::newRow("paused poll keeps the pause") << 2 << 200.0 << 100.0 << true << "pollCurrentTime"
                                                     << "pausing_keep_force get_property chapter\npausing_keep_force get_time_pos\n";
        QTest::newRow("poll") << 1 << 200.0 << 100.0 << false << "pollCurrentTime" << "get_time_pos\n";
    }
    void steps()
    {
        QFETCH(int, kind);
        QFETCH(double, length);
        QFETCH(double, position);
        QFETCH(bool, paused);
        QFETCH(QString, slot);
        QFETCH(QString, written);
        std::unique_ptr<PanelProbe> panel(makePanel(nullptr, 1));
        panel->mediaKind = kind;
        panel->movieInfo.length = length;
        TitleInfo title;
        title.length = length;
        panel->titles = {title};
        panel->selectedTitle = 1;
        panel->position = position;
        panel->paused = paused;
        const QString file = startRecorder(*panel);
        QVERIFY(QMetaObject::invokeMethod(panel.get(), qPrintable(slot)));
        QCOMPARE(recorded(*panel, file), written);
    }

    // The DVD time code: a position before the start of the chapter the engine is in counts
    // from a chapter start (older engines); one after it is the engine's own (today's).
    void dvdTimeCode_data()
    {
        QTest::addColumn<double>("previous");
        QTest::addColumn<int>("chapter");
        QTest::addColumn<double>("position");
        QTest::addColumn<QString>("timeCode");
        QTest::newRow("back to the last chapter") << 320.0 << 2 << 5.0 << "00:10:05";
        QTest::newRow("back into chapter 1") << 320.0 << 1 << 5.0 << "00:05:05";
        QTest::newRow("title-relative after a seek back") << 350.0 << 1 << 320.0 << "00:05:20";
        QTest::newRow("title-relative in the last chapter") << 650.0 << 2 << 620.0 << "00:10:20";
        // A title-relative position may lie up to a second before the chapter start.
        QTest::newRow("a second before the chapter start") << 350.0 << 1 << 299.0 << "00:04:59";
        QTest::newRow("more than a second before it") << 350.0 << 1 << 298.9 << "00:09:58";
        QTest::newRow("advancing") << 10.0 << 0 << 12.7 << "00:00:12";
    }
    void dvdTimeCode()
    {
        QFETCH(double, previous);
        QFETCH(int, chapter);
        QFETCH(double, position);
        QFETCH(QString, timeCode);
        std::unique_ptr<PanelProbe> panel(makePanel(nullptr, 1));
        panel->mediaKind = 2;
        TitleInfo title;
        title.chapterTimes = {0.0, 300.0, 600.0};
        panel->titles = {title};
        panel->selectedTitle = 1;
        panel->position = previous;
        panel->currentChapter = chapter;
        panel->timeLine->setMaximum(1000);
        PlaybackAnswer answer;
        answer.position = position;
        panel->applyPlaybackAnswer(27, answer);
        QCOMPARE(panel->timecodeWidget->time(), timeCode);
        QCOMPARE(panel->timeLine->value(), int(position + 1.0));
    }

    // The dialog: a clip titles the window and plays; analysis only plays nothing; a failed
    // load keeps the base title.
    void dialog()
    {
        PlayerSetup setup;
        setup.mplayerBinPath = kMPlayer;
        setup.mediaInfoBinPath = kMediaInfo;
        setup.ffprobeBinPath = kFFprobe;
        {
            PlayerDialog dialog(QString(), setup);
            QCOMPARE(dialog.windowTitle(), QString("Player"));
            dialog.loadMedia(TestMedia::standardAvi());
            QCOMPARE(dialog.windowTitle(), QString("Player - standard.avi"));
            QVERIFY(dialog.panel()->playing);
            QCOMPARE(dialog.panel()->findChild<QComboBox *>("titleCombo")->count(), 1); // no "No video"
        }
        PlayerDialog analysis("No display", setup);
        analysis.setAnalysisOnly(true);
        analysis.loadMedia(TestMedia::standardAvi());
        QVERIFY(!analysis.panel()->playing);
        QVERIFY(analysis.mediaInfoData().generalFields.contains("Format"));
        ModalAnswerer answerer;
        analysis.loadMedia(TestMedia::folder() + "/none.avi");
        QCOMPARE(analysis.windowTitle(), QString("No display"));
        QVERIFY(analysis.path().isEmpty());
        QCOMPARE(answerer.seen().size(), 1);
    }
};

VEXO_TEST_CLASS(TestPlayback)
VEXO_TEST_CLASS(TestPlaybackCommands)
#include "tst_playerplayback.moc"
