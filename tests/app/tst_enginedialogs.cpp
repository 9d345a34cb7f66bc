// The engine status and capability dialogs on the real engines' records, and on records
// made up for the states and maps the engines here never give.

#include "app/encodercapabilitydialog.h"
#include "app/encoderstatusdialog.h"
#include "app/playercapabilitydialog.h"
#include "app/playerstatusdialog.h"
#include "app/radiobox.h"
#include "app/utilitystatusdialog.h"
#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "engines/player.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <memory>

VEXO_TEST_NEEDS_DISPLAY

namespace {

QStringList fieldTexts(QDialog &dialog)
{
    QStringList texts;
    for (QLineEdit *field : dialog.findChildren<QLineEdit *>())
        texts << field->text();
    return texts;
}

QString checkedIndicator(QDialog &dialog)
{
    QString checked;
    for (RadioBox *box : dialog.findChildren<RadioBox *>()) {
        if (box->isChecked())
            checked += box->text();
    }
    return checked;
}

QStringList tabTitles(QDialog &dialog)
{
    QStringList titles;
    QTabWidget *tabs = dialog.findChild<QTabWidget *>();
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

void checkScreenshot(QDialog &dialog, const QString &name)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shot = WindowTesting::grabWidget(&dialog);
    WindowTesting::saveScreenshot(shot, name);
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY(WindowTesting::distinctColours(shot) > 4);
}

QGroupBox *groupTitled(QWidget *page, const QString &title)
{
    for (QGroupBox *group : page->findChildren<QGroupBox *>()) {
        if (group->title() == title)
            return group;
    }
    return nullptr;
}

} // namespace

class EngineDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void realStatus_data();
    void realStatus();
    void stateIndicators_data();
    void stateIndicators();
    void clickingAnIndicatorChangesNothing();
    void realEncoderCapabilities_data();
    void realEncoderCapabilities();
    void realPlayerCapabilities();
    void tabsOfSparseMaps_data();
    void tabsOfSparseMaps();
    void libraryListHeight_data();
    void libraryListHeight();

private:
    QTextEdit m_console;
    std::unique_ptr<Encoder> m_encoder;
    std::unique_ptr<Player> m_player;
};

void EngineDialogsTest::initTestCase()
{
    m_encoder = std::make_unique<Encoder>(&m_console, &m_console, &m_console, &m_console, 1);
    QVERIFY(m_encoder->initEngine(EngineType::MEncoder, QStandardPaths::findExecutable("mencoder")));
    QVERIFY(m_encoder->initEngine(EngineType::FFmpeg, QStandardPaths::findExecutable("ffmpeg")));
    m_player = std::make_unique<Player>(Player::MplayerBackend, QStandardPaths::findExecutable("mplayer"),
                                        QStandardPaths::findExecutable("mediainfo"),
                                        QStandardPaths::findExecutable("ffprobe"), &m_console, &m_console,
                                        &m_console, &m_console, 1, 0, 0, 0);
}

void EngineDialogsTest::cleanupTestCase()
{
    m_player.reset();
    m_encoder.reset();
}

void EngineDialogsTest::realStatus_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("versionArguments");
    QTest::newRow("FFmpeg") << "FFmpeg" << "FFmpeg status" << "ffmpeg" << QStringList{"-version"};
    QTest::newRow("MEncoder") << "MEncoder" << "MEncoder status" << "mencoder" << QStringList{};
    QTest::newRow("MPlayer") << "MPlayer" << "Player status" << "mplayer" << QStringList{};
    QTest::newRow("MediaInfo") << "MediaInfo" << "MediaInfo status" << "mediainfo" << QStringList{"--Version"};
    QTest::newRow("FFprobe") << "FFprobe" << "FFprobe status" << "ffprobe" << QStringList{"-version"};
}

// Each dialog shows its engine's signature and version as the engine prints them, and "Ready".
void EngineDialogsTest::realStatus()
{
    QFETCH(QString, which);
    QFETCH(QString, title);
    QFETCH(QString, program);
    QFETCH(QStringList, versionArguments);
    std::unique_ptr<QDialog> dialog;
    if (which == "FFmpeg" || which == "MEncoder") {
        InterfaceStatus copy = *m_encoder->interfaceStatus(which == "FFmpeg" ? EngineType::FFmpeg : EngineType::MEncoder);
        dialog = std::make_unique<EncoderStatusDialog>(which, &copy);
    } else if (which == "MPlayer") {
        PlayerStatus copy = *m_player->playerStatus();
        dialog = std::make_unique<PlayerStatusDialog>(&copy);
    } else {
        InterfaceStatus copy = which == "MediaInfo" ? *m_player->mediaInfoStatus() : *m_player->ffprobeStatus();
        dialog = std::make_unique<UtilityStatusDialog>(title, &copy);
    }
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(checkedIndicator(*dialog), QString("Ready"));
    const QStringList fields = fieldTexts(*dialog);
    QVERIFY(fields.size() >= 2);
    QVERIFY2(!fields.at(0).isEmpty() && !fields.at(1).isEmpty(), qPrintable(fields.join('|')));
    QString banner;
    TestMedia::run(program, versionArguments, &banner);
    QVERIFY2(banner.contains(fields.at(1)), qPrintable(fields.at(1) + " not in " + banner.left(200)));
    QVERIFY2(banner.contains(fields.at(0), Qt::CaseInsensitive), qPrintable(fields.at(0)));
    if (which == "MPlayer")
        QVERIFY(fields.at(2) == "supported" || fields.at(2) == "not supported");
    checkScreenshot(*dialog, "status-" + which);
}

void EngineDialogsTest::stateIndicators_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("openGl");
    QTest::addColumn<QString>("indicator");
    QTest::addColumn<QString>("openGlText");
    QTest::newRow("reset") << 0 << true << "Not defined" << "";
    QTest::newRow("output captured") << 1 << true << "Not ready" << "";
    QTest::newRow("parse failed") << 2 << false << "Not ready" << "";
    QTest::newRow("ready with OpenGL") << 3 << true << "Ready" << "supported";
    QTest::newRow("ready without OpenGL") << 3 << false << "Ready" << "not supported";
    QTest::newRow("out of range") << 7 << true << "Not ready" << "";
}

void EngineDialogsTest::stateIndicators()
{
    QFETCH(int, state);
    QFETCH(bool, openGl);
    QFETCH(QString, indicator);
    QFETCH(QString, openGlText);
    PlayerStatus status;
    status.state = state;
    status.openGl = openGl;
    status.signature = "x264";
    status.version = "0.164";
    PlayerStatusDialog player(&status);
    QCOMPARE(checkedIndicator(player), indicator);
    QCOMPARE(fieldTexts(player).value(2), openGlText);
    QCOMPARE(player.findChildren<QLineEdit *>().value(2)->toolTip().contains("color space"),
             openGlText == "not supported");
    EncoderStatusDialog encoder("x264", &status);
    QCOMPARE(encoder.windowTitle(), QString("x264 status"));
    QCOMPARE(checkedIndicator(encoder), indicator);
    QCOMPARE(fieldTexts(encoder), QStringList({"x264", "0.164"}));
    UtilityStatusDialog utility("FFprobe status", &status);
    QCOMPARE(checkedIndicator(utility), indicator);
}

void EngineDialogsTest::clickingAnIndicatorChangesNothing()
{
    InterfaceStatus status;
    status.state = InterfaceStatus::Ready;
    EncoderStatusDialog dialog("FFmpeg", &status);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (RadioBox *box : dialog.findChildren<RadioBox *>()) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QTest::keyClick(box, Qt::Key_Space);
    }
    QCOMPARE(checkedIndicator(dialog), QString("Ready"));
    QVERIFY(dialog.isVisible());
}

void EngineDialogsTest::realEncoderCapabilities_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("FFmpeg") << EngineType::FFmpeg << "FFmpeg";
    QTest::newRow("MEncoder") << EngineType::MEncoder << "MEncoder";
}

// The real maps in the usual tabs: every entry once, " - " before its name, its description
// as tool tip, and MEncoder's libavcodec names in library groups.
void EngineDialogsTest::realEncoderCapabilities()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    EngineCapabilities copy = *m_encoder->capabilities(type);
    EncoderCapabilityDialog dialog(name, &copy);
    QCOMPARE(dialog.windowTitle(), name + " engine capabilities");
    QCOMPARE(tabTitles(dialog), QStringList({"Format", "Video", "Audio", "Subtitle"}).mid(0, tabTitles(dialog).size()));
    QVERIFY(tabTitles(dialog).size() >= 3);
    QTabWidget *tabs = dialog.findChild<QTabWidget *>();
    const QMap<QString, QString> *maps[] = {copy.muxerMap, copy.videoCodecMap, copy.audioCodecMap};
    const char *titles[] = {"Available file formats", "Available video codecs", "Available audio codecs"};
    for (int tab = 0; tab < 3; ++tab) {
        QGroupBox *group = groupTitled(tabs->widget(tab), titles[tab]);
        QVERIFY(group);
        QListWidget *list = group->findChild<QListWidget *>();
        QCOMPARE(list->count(), maps[tab]->size());
        const QString first = maps[tab]->firstKey();
        const QList<QListWidgetItem *> items = list->findItems(" - " + first, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->toolTip(), maps[tab]->value(first));
        for (int i = 1; i < list->count(); ++i)
            QVERIFY(!(*list->item(i) < *list->item(i - 1)));
    }
    const bool libraries = copy.lavcVideoCodecMap && !copy.lavcVideoCodecMap->isEmpty();
    QCOMPARE(libraries, type == EngineType::MEncoder);
    if (libraries) {
        const QString library = copy.lavcVideoCodecMap->firstKey();
        QGroupBox *group = groupTitled(tabs->widget(1), "Supported library - " + library);
        QVERIFY(group);
        QCOMPARE(group->findChild<QListWidget *>()->count(), copy.lavcVideoCodecMap->first().size());
    } else {
        for (QGroupBox *group : dialog.findChildren<QGroupBox *>())
            QVERIFY(!group->title().startsWith("Supported library"));
    }
    checkScreenshot(dialog, "capabilities-" + name);
}

void EngineDialogsTest::realPlayerCapabilities()
{
    PlayerCapabilities copy = *m_player->playerCapabilities();
    QVERIFY(copy.videoDrivers && !copy.videoDrivers->isEmpty());
    PlayerCapabilityDialog dialog(&copy);
    QCOMPARE(dialog.windowTitle(), QString("Player backend capabilities"));
    QCOMPARE(tabTitles(dialog), QStringList({"Video", "Audio"}));
    QListWidget *list = groupTitled(&dialog, "Available video drivers")->findChild<QListWidget *>();
    QCOMPARE(list->count(), copy.videoDrivers->size());
    QVERIFY(!list->findItems(" - x11", Qt::MatchExactly).isEmpty());
    checkScreenshot(dialog, "capabilities-player");
}

void EngineDialogsTest::tabsOfSparseMaps_data()
{
    QTest::addColumn<bool>("formats");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<QStringList>("playerTabs");
    QTest::newRow("nothing reported") << false << false << QStringList{"Video"} << QStringList{"Video"};
    QTest::newRow("formats only") << true << false << QStringList{"Format"} << QStringList{"Video"};
    QTest::newRow("audio only") << false << true << QStringList{"Audio"} << QStringList{"Video", "Audio"};
    QTest::newRow("formats and audio") << true << true << QStringList{"Format", "Audio"}
                                       << QStringList{"Video", "Audio"};
}

void EngineDialogsTest::tabsOfSparseMaps()
{
    QFETCH(bool, formats);
    QFETCH(bool, audio);
    QFETCH(QStringList, tabs);
    QFETCH(QStringList, playerTabs);
    QMap<QString, QString> empty, video, audioMap, formatMap;
    if (formats)
        formatMap.insert("avi", "AVI");
    if (audio)
        audioMap.insert("mp3", "MPEG layer 3");
    // Library names alone never make a tab.
    QMap<QString, QStringList> libraries{{"lavc", {"mpeg4"}}};
    EngineCapabilities caps;
    caps.videoCodecMap = &video;
    caps.audioCodecMap = &audioMap;
    caps.subtitleCodecMap = &empty;
    caps.muxerMap = &formatMap;
    caps.lavcVideoCodecMap = &libraries;
    EncoderCapabilityDialog dialog("MEncoder", &caps);
    QCOMPARE(tabTitles(dialog), tabs);
    PlayerCapabilities player{&video, &audioMap};
    PlayerCapabilityDialog playerDialog(&player);
    QCOMPARE(tabTitles(playerDialog), playerTabs);
}

void EngineDialogsTest::libraryListHeight_data()
{
    QTest::addColumn<int>("mainCount");
    QTest::addColumn<int>("libraryCount");
    QTest::addColumn<int>("lines");
    QTest::newRow("10 main, 40 in the library: 12 lines") << 10 << 40 << 12;
    QTest::newRow("3 in the library: 5 lines") << 10 << 3 << 5;
    QTest::newRow("19 main, 1 in the library: 3 lines") << 19 << 1 << 3;
    QTest::newRow("25 main: below zero gives 0") << 25 << 5 << 0;
}

void EngineDialogsTest::libraryListHeight()
{
    QFETCH(int, mainCount);
    QFETCH(int, libraryCount);
    QFETCH(int, lines);
    QMap<QString, QString> empty, video;
    for (int i = 0; i < mainCount; ++i)
        video.insert(QString("codec%1").arg(i), "description");
    QStringList names;
    for (int i = 0; i < libraryCount; ++i)
        names << QString("name%1").arg(i);
    QMap<QString, QStringList> libraries{{"lavc", names}};
    EngineCapabilities caps{&video, &empty, &empty, &empty, &libraries, nullptr, nullptr, nullptr};
    EncoderCapabilityDialog dialog("MEncoder", &caps);
    QListWidget *list = groupTitled(&dialog, "Supported library - lavc")->findChild<QListWidget *>();
    QCOMPARE(list->count(), libraryCount);
    QCOMPARE(list->maximumHeight(), qMax(0, int(lines * QFontMetrics(list->font()).lineSpacing() * 1.2)));
}

VEXO_TEST_CLASS(EngineDialogsTest)
#include "tst_enginedialogs.moc"
