// The player panel as built, its enable rules and messages, zoom and the consoles, on a
// real X display with screenshots.

#include "player/playerwidget.h"

#include "engines/mervoplayer.h"
#include "gui4/gui4resources.h"
#include "jobs/widgetbridge.h"
#include "panelprobe.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTest>

#include <memory>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
const QColor kPlayGreen(46, 160, 67);

bool sameIcon(const QIcon &icon, const QString &path)
{
    const QImage expected = QIcon(path).pixmap(24).toImage();
    return !icon.isNull() && !expected.isNull() && icon.pixmap(24).toImage() == expected;
}
} // namespace

class TestPlayerPanel : public QObject
{
    Q_OBJECT

    PanelConsoles m_consoles;
    std::unique_ptr<PanelProbe> m_panel; // one extended panel shared by the table tests

private slots:
    void initTestCase()
    {
        initGui4Resources();
        m_panel.reset(makePanel(&m_consoles));
        // The extended panel drives its own facade, with the renderer's window handed to it.
        QVERIFY(qobject_cast<MervoPlayer *>(m_panel->player));
        QString program;
        QStringList arguments;
        m_panel->player->cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(arguments.value(arguments.indexOf("-wid") + 1), QString::number(m_panel->renderer->winId()));
        QCOMPARE(arguments.value(arguments.indexOf("-vo") + 1), QString("gl"));
    }
    void cleanupTestCase() { m_panel.reset(); }

    // A base panel with no preferences, shown: widgets, texts, tool tips, icons and the
    // enable rules of a panel with nothing loaded.
    void construction()
    {
        PlayerWidget panel(nullptr, kMPlayer, kMediaInfo, kFFprobe, nullptr, nullptr, nullptr,
                           nullptr, 1, nullptr);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        QCOMPARE(panel.findChild<QFrame *>("displayFrame")->minimumSize(), QSize(512, 288));
        const struct { const char *name; const char *toolTip; const char *icon; } buttons[] = {
            {"playButton", "Play original source movie", ":/gui4/images/play.png"},
            {"slowerButton", "Slower", ":/gui4/images/slow.png"},
            {"fasterButton", "Faster", ":/gui4/images/fast.png"},
            {"prevChapterButton", "Previous chapter", ":/gui4/images/prev_chapt.png"},
            {"nextChapterButton", "Next chapter", ":/gui4/images/next_chapt.png"},
            {"backwardButton", "Backward", ":/gui4/images/prev.png"},
            {"forwardButton", "Forward", ":/gui4/images/next.png"},
        };
        for (const auto &row : buttons) {
            QPushButton *b = button(&panel, row.name);
            QVERIFY2(b && b->isVisible() && !b->isEnabled() && b->isFlat(), row.name);
            QCOMPARE(b->toolTip(), QString(row.toolTip));
            QVERIFY2(b->text().isEmpty() && sameIcon(b->icon(), row.icon), row.name);
        }
        QPushButton *pause = button(&panel, "pauseButton");
        QVERIFY(!pause->isVisible() && !pause->isEnabled() && !pause->isFlat());
        QCOMPARE(pause->text(), QString("Pause"));
        QVERIFY(!panel.findChild<QComboBox *>("angleCombo")->isVisible());
        QVERIFY(!panel.findChild<QSlider *>("timeLine")->isVisible());
        QVERIFY(!panel.findChild<QLabel *>("audioPicture")->isVisible());
        QVERIFY(!panel.loadStateBox->isVisible());
        QCOMPARE(panel.loadStateBox->checkState(), Qt::Unchecked);

        auto *group = panel.findChild<QGroupBox *>("trackGroup");
        QVERIFY(!group->isEnabled());
        QCOMPARE(group->title(), QString("Stream selection"));
        QCOMPARE(comboTexts(panel.findChild<QComboBox *>("titleCombo")),
                 QStringList{"Video" + QString(53, ' ')});
        QCOMPARE(comboTexts(panel.findChild<QComboBox *>("audioCombo")),
                 QStringList{"Audio" + QString(29, ' ')});
        QCOMPARE(comboTexts(panel.findChild<QComboBox *>("subtitleCombo")), QStringList{"Subtitle"});

        auto *chapter = panel.findChild<QLabel *>("chapterLabel");
        QVERIFY(!chapter->isEnabled());
        QCOMPARE(chapter->text(), QString("_"));
        QCOMPARE(chapter->toolTip(), QString("Chapter"));
        QCOMPARE(chapter->font().pointSize(), 8);
        QCOMPARE(chapter->font().weight(), QFont::Black);
        QVERIFY(!panel.findChild<QWidget *>("timecodeWidget")->isEnabled());

        // On screen: the idle video area is black, and an enabled play button shows its icon.
        QWidget *renderer = panel.findChild<QWidget *>("renderer");
        QTRY_VERIFY_WITH_TIMEOUT(colourShare(grabNative(renderer), Qt::black) > 0.99, kScreenWait);
        panel.setControlsEnabled(true);
        // Repainted however long a busy machine takes: the enabled icon on the screen.
        QTRY_VERIFY_WITH_TIMEOUT(colourShare(grabNative(button(&panel, "playButton")), kPlayGreen, 40) > 0.02, kScreenWait);
        const QImage shot = grabNative(&panel);
        saveScreenshot(shot, "player-panel-idle");
        QVERIFY(nonBlackShare(shot) > 0.2);
        QVERIFY(!button(&panel, "slowerButton")->isEnabled());
    }

    void bridgeMessages_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("excerpt");
        QTest::addColumn<int>("volume");
        QTest::newRow("test mode on") << "changeTestMode" << true << 1 << true << 0;
        QTest::newRow("test mode as int") << "changeTestMode" << false << 1 << false << 0;
        QTest::newRow("volume") << "changeVolume" << false << 7 << false << 7;
        QTest::newRow("volume as bool") << "changeVolume" << true << 1 << false << 0;
        QTest::newRow("other name") << "changeTestModes" << true << 1 << false << 0;
    }
    void bridgeMessages()
    {
        QFETCH(QString, message);
        QFETCH(bool, asBool);
        QFETCH(int, value);
        QFETCH(bool, excerpt);
        QFETCH(int, volume);
        PanelProbe &panel = *m_panel;
        panel.preferences = PlayerPreferences();
        panel.updatePlayIcons();
        if (asBool)
            WidgetBridge::instance()->broadcast(message, bool(value));
        else
            WidgetBridge::instance()->broadcast(message, value);
        QCOMPARE(panel.preferences.testMode, excerpt);
        QCOMPARE(panel.preferences.volume, volume);
        const char *suffix = excerpt ? "_excerpt.png" : ".png";
        QVERIFY(sameIcon(button(&panel, "playButton")->icon(), QString(":/gui4/images/play") + suffix));
        QVERIFY(sameIcon(button(&panel, "fasterButton")->icon(), QString(":/gui4/images/fast") + suffix));
        QCOMPARE(button(&panel, "playButton")->toolTip(),
                 excerpt ? QString("Play source movie excerpt for encoding preview")
                         : QString("Play original source movie"));
        if (excerpt) { // and back
            WidgetBridge::instance()->broadcast(message, false);
            QVERIFY(sameIcon(button(&panel, "playButton")->icon(), ":/gui4/images/play.png"));
            QCOMPARE(button(&panel, "playButton")->toolTip(), QString("Play original source movie"));
        }
    }

    // The enable rule, reached through the load state (and once directly), and the
    // group's title and enabling by source kind.
    void enableRules_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("state"); // load state, or -1: setControlsEnabled(false)
        QTest::addColumn<bool>("playing");
        QTest::addColumn<bool>("testMode");
        QTest::addColumn<QString>("title"); // empty: the group is not looked at
        QTest::addColumn<bool>("groupEnabled");
        QTest::addColumn<QString>("buttons"); // play, pause/slower/faster, the four seek buttons
        QTest::newRow("file loaded") << 1 << 2 << false << false << "Stream selection" << true << "100";
        QTest::newRow("playing") << 1 << 2 << true << false << "Stream selection" << true << "111";
        QTest::newRow("playing a preview") << 1 << 2 << true << true << "Stream selection" << true << "110";
        QTest::newRow("DVD loaded") << 2 << 2 << false << false << "DVD title selection" << true << "100";
        QTest::newRow("unknown kind loaded") << 3 << 2 << false << false << "Stream selection" << false << "100";
        QTest::newRow("DVD loading") << 2 << 1 << true << false << "Stream selection" << false << "000";
        QTest::newRow("disabled while playing") << 1 << -1 << true << false << "" << false << "000";
    }
    void enableRules()
    {
        QFETCH(int, kind);
        QFETCH(int, state);
        QFETCH(bool, playing);
        QFETCH(bool, testMode);
        QFETCH(QString, title);
        QFETCH(bool, groupEnabled);
        QFETCH(QString, buttons);
        PanelProbe &panel = *m_panel;
        panel.mediaKind = kind;
        panel.preferences.testMode = testMode;
        if (state < 0) {
            panel.playing = playing;
            panel.setControlsEnabled(false);
        } else {
            // The lists filled on loading stop a playback; the rule is then applied playing.
            panel.loadStateBox->setCheckState(Qt::CheckState(state));
            panel.playing = playing;
            if (state == Qt::Checked)
                panel.setControlsEnabled(true);
        }
        panel.playing = false;
        const QList<QStringList> groups = {{"playButton"},
                                           {"pauseButton", "slowerButton", "fasterButton"},
                                           {"prevChapterButton", "nextChapterButton", "backwardButton", "forwardButton"}};
        for (int g = 0; g < groups.size(); ++g)
            for (const QString &name : groups[g])
                QVERIFY2(button(&panel, qPrintable(name))->isEnabled() == (buttons[g] == '1'), qPrintable(name));
        if (!title.isEmpty()) {
            QCOMPARE(panel.trackGroup->title(), title);
            QCOMPARE(panel.trackGroup->isEnabled(), groupEnabled);
        }
        panel.loadStateBox->setCheckState(Qt::Unchecked);
        panel.mediaKind = 1;
        panel.preferences = PlayerPreferences();
    }

    // A new MPlayer path: the buttons and the group follow readiness only when loaded.
    void mplayerPath_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("mplayer");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("nothing loaded") << false << kMPlayer << false;
        QTest::newRow("loaded, ready") << true << kMPlayer << true;
        QTest::newRow("loaded, missing") << true << kMissingEngine << false;
    }
    void mplayerPath()
    {
        QFETCH(bool, loaded);
        QFETCH(QString, mplayer);
        QFETCH(bool, enabled);
        PanelProbe &panel = *m_panel;
        panel.loadStateBox->setCheckState(loaded ? Qt::Checked : Qt::Unchecked);
        panel.setMPlayerBinPath(mplayer);
        QCOMPARE(button(&panel, "playButton")->isEnabled(), enabled);
        QCOMPARE(panel.trackGroup->isEnabled(), enabled);
        QVERIFY(!button(&panel, "forwardButton")->isEnabled());
        bool player = false, mediaInfo = false, ffprobe = false;
        panel.enginesReady(&player, &mediaInfo, &ffprobe);
        QCOMPARE(player, mplayer == kMPlayer);
        QVERIFY(mediaInfo && ffprobe);
        panel.setMPlayerBinPath(kMPlayer);
        panel.loadStateBox->setCheckState(Qt::Unchecked);
    }

    void zoom_data()
    {
        QTest::addColumn<QSize>("video");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<bool>("audioOnly");
        QTest::addColumn<QList<double>>("factors");
        QTest::addColumn<QSize>("renderer");
        QTest::addColumn<QString>("zoomText"); // empty: the maximum zoom's log line
        using F = QList<double>;
        const QSize d(512, 288);
        QTest::newRow("half") << QSize(720, 576) << d << false << F{0.5} << QSize(360, 288) << "0.5";
        QTest::newRow("fitted by height") << QSize(720, 576) << d << false << F{0.0} << QSize(360, 288) << "0.5";
        QTest::newRow("fitted, equal heights") << QSize(360, 288) << d << false << F{0.0} << QSize(512, 410) << "1.42222";
        QTest::newRow("automatic stays on") << QSize(720, 576) << d << false << F{0.0, 2.0} << QSize(360, 288) << "0.5";
        QTest::newRow("two is ordinary") << QSize(480, 360) << d << false << F{2.0} << QSize(960, 720) << "2";
        // The renderer keeps within the test's 1280 by 1024 screen (widened to the 1366 of the
        // maximum-zoom box), shrinking with its aspect kept.
        QTest::newRow("two, within the screen") << QSize(720, 576) << d << false << F{2.0} << QSize(1280, 1024) << "2";
        QTest::newRow("a file's 20 million pixels") << QSize(20000000, 240) << d << false << F{1.0} << QSize(1366, 1) << "1";
        QTest::newRow("near the largest int, twice") << QSize(2147483600, 2147483600) << d << false << F{2.0}
                                                     << QSize(1024, 1024) << "2";
        QTest::newRow("maximum from 720x576") << QSize(720, 576) << d << false << F{1.0, 10.0} << QSize(960, 768) << "";
        QTest::newRow("maximum from 1024x576") << QSize(1024, 576) << d << false << F{1.0, 10.0} << QSize(1365, 768) << "";
        QTest::newRow("maximum, wide") << QSize(2000, 500) << d << false << F{1.0, 10.0} << QSize(1366, 341) << "";
        QTest::newRow("audio only") << QSize(720, 576) << d << true << F{1.0} << QSize(512, 288) << "1";
        QTest::newRow("zero video size") << QSize(0, 0) << d << false << F{0.0} << QSize(512, 288) << "1";
        QTest::newRow("zero width") << QSize(0, 576) << d << false << F{1.0} << QSize(512, 288) << "1";
        QTest::newRow("maximum of a zero width") << QSize(720, 576) << QSize(0, 288) << true << F{10.0} << QSize(1366, 768) << "";
        QTest::newRow("maximum of nothing") << QSize(720, 576) << QSize(0, 0) << true << F{10.0} << QSize(1366, 768) << "";
    }
    void zoom()
    {
        QFETCH(QSize, video);
        QFETCH(QSize, display);
        QFETCH(bool, audioOnly);
        QFETCH(QList<double>, factors);
        QFETCH(QSize, renderer);
        QFETCH(QString, zoomText);
        const QString resolution = QString("display resolution: %1x%2)").arg(renderer.width()).arg(renderer.height());
        const QString logLine = zoomText.isEmpty() ? "Set player maximum zoom (" + resolution
                                                   : "Set player zoom " + zoomText + " (" + resolution;
        PanelProbe &panel = *m_panel;
        panel.preferences.displayWidth = display.width();
        panel.preferences.displayHeight = display.height();
        panel.mediaKind = 1;
        panel.movieInfo.audioOnly = audioOnly;
        panel.autoZoom = false;
        panel.videoSize = video;
        QSignalSpy adjusted(&panel, &PlayerWidget::guiSizeAdjustRequest);
        for (double factor : factors)
            panel.setZoom(factor);
        m_consoles.log.clear();
        panel.setZoom(factors.last());
        QCOMPARE(panel.rendererSize, renderer);
        QCOMPARE(panel.renderer->size(), renderer);
        QCOMPARE(panel.displayFrame->minimumSize(), renderer);
        QCOMPARE(panel.audioPicture->size(), renderer);
        QCOMPARE(m_consoles.log.toPlainText(), logLine);
        QCOMPARE(adjusted.count(), factors.size() + 1);
        panel.preferences = PlayerPreferences();
        panel.movieInfo.audioOnly = false;
        panel.autoZoom = false;
    }

    // The renderer sits centred in the video area, never at a negative offset; the audio
    // picture is shown whole when it fits, else scaled down.
    void centring_data()
    {
        QTest::addColumn<QSize>("renderer");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("smaller") << QSize(301, 200) << QPoint(49, 50) << QSize(128, 128);
        QTest::newRow("wider than the area") << QSize(500, 64) << QPoint(0, 118) << QSize(64, 64);
        QTest::newRow("picture exactly fits") << QSize(128, 128) << QPoint(136, 86) << QSize(128, 128);
    }
    void centring()
    {
        QFETCH(QSize, renderer);
        QFETCH(QPoint, offset);
        QFETCH(QSize, picture);
        PanelProbe &panel = *m_panel;
        panel.displayFrame->setMinimumSize(0, 0);
        panel.displayFrame->setFixedSize(400, 300);
        panel.rendererSize = renderer;
        panel.centerRenderer();
        QCOMPARE(panel.renderer->pos(), offset);
        QCOMPARE(panel.audioPicture->pixmap().size(), picture);
        panel.displayFrame->setMinimumSize(0, 0);
        panel.displayFrame->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }

    // A line reaches a present console only up to the verbosity; without the console it
    // goes to the debug output whatever its level.
    void consoles_data()
    {
        QTest::addColumn<bool>("withConsoles");
        QTest::addColumn<int>("verbosity");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("shown");
        QTest::newRow("at the verbosity") << true << 2 << 2 << true;
        QTest::newRow("above it") << true << 2 << 3 << false;
        QTest::newRow("no console, above") << false << 1 << 3 << true;
    }
    void consoles()
    {
        QFETCH(bool, withConsoles);
        QFETCH(int, verbosity);
        QFETCH(int, level);
        QFETCH(bool, shown);
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(withConsoles ? &consoles : nullptr, verbosity));
        consoles.log.clear();
        const struct { void (PlayerWidget::*write)(const QString &, int); QTextEdit *console; const char *prefix; } sinks[] = {
            {&PlayerWidget::log, &consoles.log, "PlayerWidget Log:"},
            {&PlayerWidget::logStdOut, &consoles.stdOut, "PlayerWidget stdOut:"},
            {&PlayerWidget::logStdErr, &consoles.stdErr, "PlayerWidget stdErr:"},
        };
        QLoggingCategory::setFilterRules("vexo.console.debug=true"); // off unless asked for
        const auto quiet = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
        for (const auto &sink : sinks) {
            sink.console->clear();
            if (!withConsoles)
                QTest::ignoreMessage(QtDebugMsg, qPrintable(QString(sink.prefix) + " a line"));
            (panel.get()->*sink.write)("a line", level);
            if (withConsoles)
                QCOMPARE(sink.console->toPlainText(), shown ? QString("a line") : QString());
        }
    }
};

VEXO_TEST_CLASS(TestPlayerPanel)
#include "tst_playerpanel.moc"
