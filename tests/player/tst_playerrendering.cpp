// MPlayer drawing into the panel's renderer, and the back-end readiness with the font
// cache run, on the real MPlayer and on stand-ins for its faults.

#include "player/progresswidget.h"

#include "engines/player.h"
#include "enginetesting.h"
#include "gui4/gui4resources.h"
#include "opendescriptors.h"
#include "outputreport.h"
#include "panelprobe.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QLabel>
#include <QProcess>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QLoggingCategory>
#include <QTest>

#include <memory>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
// A stand-in MPlayer: a normal status answer, and a font-cache run that prints the given
// number of "Scanning file" lines and then waits for a minute.
QString scanningMPlayer(int lines)
{
    return writeEngineScript(
        QString("mplayer-scanning-%1").arg(lines),
        QString("case \"$*\" in\n"
                // All lines in one write, so that they arrive together and the bar settles.
                "  *-fontconfig*) text=$(i=0; while [ $i -lt %1 ]; do echo \"Scanning file /fonts/f$i.ttf\"; "
                "i=$((i+1)); done); printf '%s\\n' \"$text\"; exec sleep 60 ;;\n"
                "  *) printf 'MPlayer 1.5-test (C) 2000-2023 MPlayer Team\\nAvailable video output drivers:\\n"
                "\\tx11\\tX11\\nAvailable audio output drivers:\\n\\tnull\\tNull audio output\\n' ;;\n"
                "esac")
            .arg(lines));
}
// A panel shown on screen with the clip opened as the user opens it; null where it failed.
std::unique_ptr<PanelProbe> panelWith(PanelConsoles &consoles, const QString &clip)
{
    std::unique_ptr<PanelProbe> panel(makePanel(&consoles));
    panel->show();
    if (!QTest::qWaitForWindowExposed(panel.get()) || !panel->setInput(clip, 1))
        return nullptr;
    return panel;
}
} // namespace

class TestPlayerRendering : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initGui4Resources(); }

    // MPlayer started with the renderer's window id draws the clip inside the panel; the
    // area is black before and after.
    void mplayerDrawsIntoRenderer()
    {
        if (!onX11())
            QSKIP("MPlayer needs an X display to draw into");
        const QString clip = TestMedia::standardAvi();
        QVERIFY(!clip.isEmpty());
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        panel->setZoom(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(colourShare(grabNative(panel->renderer), Qt::black) > 0.99, kScreenWait);

        panel->player->setSourceFile(clip, 1, false);
        panel->player->disableAudio();
        QString program;
        QStringList arguments;
        panel->player->cliPlay(&program, &arguments, 0, 0, 0, 0);
        QVERIFY(arguments.contains(QString::number(panel->renderer->winId())));
        panel->playbackProcess->start(program, arguments, QIODevice::ReadWrite | QIODevice::Unbuffered);
        QVERIFY(panel->playbackProcess->waitForStarted());
        panel->playing = true;
        panel->setRendererActive(true);

        QImage frame;
        QVERIFY(waitFor([&] {
            frame = grabNative(panel->renderer);
            return nonBlackShare(frame) > 0.5;
        }, kScreenWait));
        saveScreenshot(frame, "player-renderer-playing");
        const QImage shot = grabNative(panel.get());
        saveScreenshot(shot, "player-panel-playing");
        QCOMPARE(frame.size(), QSize(512, 288));
        QVERIFY(distinctColours(frame) > 8); // a picture, not a plain background
        QVERIFY(colourShare(shot, Qt::black) < 0.9);

        QSignalSpy state(panel.get(), &PlayerWidget::stateChanged);
        QVERIFY(panel->stopPlayback());
        QVERIFY(!panel->playing);
        QCOMPARE(panel->playbackProcess->state(), QProcess::NotRunning);
        QCOMPARE(state.count(), 1);
        QVERIFY(consoles.log.toPlainText().contains("Playback ended."));
        QTRY_VERIFY_WITH_TIMEOUT(colourShare(grabNative(panel->renderer), Qt::black) > 0.99, kScreenWait);

        // A source without video shows the audio picture on the renderer's black.
        panel->audioPicture->show();
        QTRY_VERIFY_WITH_TIMEOUT(colourShare(grabNative(panel->renderer), QColor(200, 205, 215), 12) > 0.005, kScreenWait);
        saveScreenshot(grabNative(panel.get()), "player-panel-audio");
    }

    // A picture stored wide with a turn to show it at (as phones store portrait videos), opened
    // as the user opens it: the panel plays it turned as players show it, at its upright size.
    void turnedPictureIsShownUpright_data()
    {
        QTest::addColumn<QString>("rotate"); // the flag FFmpeg writes: counterclockwise
        QTest::addColumn<QSize>("display");
        QTest::newRow("turned 90 degrees") << "270" << QSize(180, 320);
        QTest::newRow("turned 180 degrees") << "180" << QSize(320, 180);
        QTest::newRow("turned 270 degrees") << "90" << QSize(180, 320);
    }
    void turnedPictureIsShownUpright()
    {
        QFETCH(QString, rotate);
        QFETCH(QSize, display);
        if (!onX11())
            QSKIP("MPlayer needs an X display to draw into");
        const QString clip = TestMedia::clip("rendering-turned" + rotate + ".mp4",
            {"-f", "lavfi", "-i", "testsrc2=size=320x180:rate=25:duration=10", "-c:v", "libx264", "-preset",
             "ultrafast", "-pix_fmt", "yuv420p", "THEN", "-c", "copy", "-metadata:s:v:0", "rotate=" + rotate});
        QVERIFY(!clip.isEmpty());
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel = panelWith(consoles, clip);
        QVERIFY(panel);
        panel->player->disableAudio();
        panel->play();
        QImage frame;
        QVERIFY(waitFor([&] {
            frame = grabNative(panel->renderer);
            return nonBlackShare(frame) > 0.9;
        }, kScreenWait));
        saveScreenshot(frame, "player-turned-" + rotate);
        QCOMPARE(frame.size(), display);
        QCOMPARE(turnOf(sourcePicture(clip).look, pictureLook(frame)), QString("upright"));
        QVERIFY(panel->stopPlayback());
    }

    // A dark film whose text subtitle shows from 0.5 s to its end, opened as the user opens
    // it: the panel plays the subtitle it lists as chosen, drawn in bright letters, and none
    // where it lists none, also where the file flags one to be shown.
    void chosenTextSubtitleShows_data()
    {
        QTest::addColumn<QString>("codec");       // of the subtitle in Matroska
        QTest::addColumn<QString>("disposition"); // its flags
        QTest::addColumn<int>("chosen");          // the entry of the panel's list, -1 none
        QTest::addColumn<bool>("shown");
        QTest::newRow("SubRip chosen") << "subrip" << "0" << 0 << true;
        QTest::newRow("ASS chosen") << "ass" << "0" << 0 << true;
        QTest::newRow("forced, the panel's own choice") << "ass" << "default+forced" << -2 << true;
        QTest::newRow("forced, chosen away") << "ass" << "default+forced" << -1 << false;
        QTest::newRow("forced alone, the panel's own choice") << "ass" << "forced" << -2 << true;
        QTest::newRow("no flags, the panel's own choice") << "ass" << "0" << -2 << false;
    }
    void chosenTextSubtitleShows()
    {
        QFETCH(QString, codec);
        QFETCH(QString, disposition);
        QFETCH(int, chosen);
        QFETCH(bool, shown);
        if (!onX11())
            QSKIP("MPlayer needs an X display to draw into");
        const QString words = TestMedia::scratch("rendering", "words.srt");
        QFile file(words);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1\n00:00:00,500 --> 00:00:30,000\nHHHH HHHH\n\n");
        file.close();
        const QString clip = TestMedia::clip("rendering-" + codec + "-" + disposition + ".mkv",
            {"-f", "lavfi", "-i", "color=c=0x202020:size=320x180:rate=25:duration=30", "-i", words, "-map", "0:v",
             "-map", "1:s", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:s", codec,
             "-disposition:s:0", disposition});
        QVERIFY(!clip.isEmpty());
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel = panelWith(consoles, clip);
        QVERIFY(panel);
        if (chosen > -2)
            panel->subtitleCombo->setCurrentIndex(panel->subtitleCombo->findData(chosen));
        QCOMPARE(panel->subtitleCombo->currentData().toInt(), shown ? 0 : -1);
        panel->play();
        // The dark picture, played on past the subtitle's start as the player answers.
        QImage frame;
        QVERIFY(waitFor([&] {
            frame = grabNative(panel->renderer);
            return panel->position >= 1.0 && colourShare(frame, QColor(0x20, 0x20, 0x20), 12) > 0.5;
        }, kScreenWait));
        // White letters, a hundred of its pixels or more, where the picture has none.
        const bool lettered = colourShare(frame, Qt::white, 40) > 0.0005;
        saveScreenshot(frame, "player-subtitle-" + QString(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY2(lettered == shown, qPrintable(consoles.stdErr.toPlainText().right(600)));
        QVERIFY(panel->stopPlayback());
    }

    // Readiness follows the status record; with the font cache it also runs MPlayer once.
    void readiness_data()
    {
        QTest::addColumn<QString>("mplayer");
        QTest::addColumn<bool>("updateFontCache");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("fontCacheRun");
        QTest::newRow("Debian's MPlayer") << kMPlayer << false << true << false;
        QTest::newRow("font cache") << kMPlayer << true << true << true;
        QTest::newRow("missing") << kMissingEngine << false << false << false;
        QTest::newRow("missing, font cache") << kMissingEngine << true << false << false;
    }
    void readiness()
    {
        QFETCH(QString, mplayer);
        QFETCH(bool, updateFontCache);
        QFETCH(bool, ready);
        QFETCH(bool, fontCacheRun);
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 1, nullptr, mplayer));
        consoles.stdIn.clear();
        QCOMPARE(panel->isReady(updateFontCache), ready);
        QCOMPARE(consoles.stdIn.toPlainText().contains("-fontconfig"), fontCacheRun);
        QVERIFY(!panel->progressWidget);
    }

    // An MPlayer that was ready but cannot be started for the font cache: false and the
    // level-1 line, on the console or, without one, on the debug output; nothing kept open.
    void fontCacheStartFails_data()
    {
        QTest::addColumn<bool>("withConsoles");
        QTest::newRow("log console") << true;
        QTest::newRow("debug output") << false;
    }
    void fontCacheStartFails()
    {
        QFETCH(bool, withConsoles);
        const QString path = scanningMPlayer(withConsoles ? 1 : 2);
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(withConsoles ? &consoles : nullptr, 1, nullptr, path));
        QVERIFY(panel->isReady(false));
        QVERIFY(QFile::remove(path));
        const QString line = "Failed to update MPlayer font cache (process start timed-out).";
        if (!withConsoles) {
            QLoggingCategory::setFilterRules("vexo.console.debug=true"); // off unless asked for
            QTest::ignoreMessage(QtDebugMsg, qPrintable("PlayerWidget Log: " + line));
        }
        const int descriptors = openDescriptors();
        QVERIFY(!panel->isReady(true));
        QLoggingCategory::setFilterRules(QString());
        if (withConsoles)
            QVERIFY(consoles.log.toPlainText().split('\n').contains(line));
        QCOMPARE(openDescriptors(), descriptors);
    }

    // "Scanning file" lines open a modal progress window that pulses from 1 towards 80 and
    // falls back to 20; closing it ends the wait, kills the run and counts as done.
    void fontCacheProgress_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("value");
        QTest::newRow("climbs to 80") << 78 << 80;
        QTest::newRow("falls back from 80") << 79 << 20;
    }
    void fontCacheProgress()
    {
        QFETCH(int, lines);
        QFETCH(int, value);
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 1, nullptr, scanningMPlayer(lines)));
        ModalAnswerer answerer;
        int seenValue = -1;
        QString title;
        bool modal = false;
        answerer.answerWith([&](QWidget *window) {
            auto *progress = qobject_cast<ProgressWidget *>(window);
            if (!progress || progress->value() != seenValue) {
                seenValue = progress ? progress->value() : -1;
                return false; // lines still arriving
            }
            title = progress->windowTitle();
            modal = progress->windowModality() == Qt::ApplicationModal;
            saveScreenshot(grabNative(progress), "player-font-cache-progress");
            return progress->close();
        });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(panel->isReady(true));
        QVERIFY(clock.elapsed() < 30000);
        QCOMPARE(seenValue, value);
        QCOMPARE(title, QString("Vexo 4.0 - Processing"));
        QVERIFY(modal);
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(!panel->progressWidget);
    }
};

VEXO_TEST_CLASS(TestPlayerRendering)
#include "tst_playerrendering.moc"
