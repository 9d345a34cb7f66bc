// The player facade on Debian's own MPlayer, MediaInfo and FFprobe: its status runs, and
// its analysis runs on media that the test makes.

#include "engines/diskinfo.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "jobs/console.h"

#include "testmedia.h"
#include "testregistry.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {
QStringList lines(const QTextEdit &console)
{
    return console.toPlainText().split('\n', Qt::SkipEmptyParts);
}

struct Consoles
{
    QTextEdit stdIn;
    QTextEdit stdOut;
    QTextEdit stdErr;
    QTextEdit log;
};

// The driver names of one "Available ... output drivers:" list of MPlayer's help answer:
// each driver line is indented and holds the name, blanks and a description.
QMap<QString, QString> driverList(const QString &help, const QString &heading)
{
    QMap<QString, QString> drivers;
    const QStringList all = help.split('\n');
    const qsizetype first = all.indexOf(heading);
    for (qsizetype i = first + 1; first >= 0 && i < all.size(); ++i) {
        const QString line = all.at(i);
        if (!line.startsWith('\t') && !line.startsWith(' '))
            break;
        const QString name = line.trimmed().section(QRegularExpression("\\s+"), 0, 0);
        drivers.insert(name, line.trimmed().mid(name.size()).trimmed());
    }
    return drivers;
}
} // namespace

class TestPlayerEngines : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void debianEnginesAreReady();
    void missingMediaInfoLeavesTheOthersReady();
    void analysesOfAGeneratedClip();
    void analysesOfAFileThatIsNoMedia();
    void analysesOfADvdFolder();
    void discIdentifyThroughTheFacade();

private:
    std::unique_ptr<Player> makePlayer(Consoles &consoles, const QString &mediaInfo,
                                       int logLevel = LogLevel::Verbose);

    QString m_mplayer;
    QString m_mediaInfo;
    QString m_ffprobe;
};

void TestPlayerEngines::initTestCase()
{
    m_mplayer = QStandardPaths::findExecutable("mplayer");
    m_mediaInfo = QStandardPaths::findExecutable("mediainfo");
    m_ffprobe = QStandardPaths::findExecutable("ffprobe");
    QVERIFY(!m_mplayer.isEmpty() && !m_mediaInfo.isEmpty() && !m_ffprobe.isEmpty());
}

std::unique_ptr<Player> TestPlayerEngines::makePlayer(Consoles &consoles,
                                                      const QString &mediaInfo, int logLevel)
{
    return std::make_unique<Player>(Player::MplayerBackend, m_mplayer, mediaInfo, m_ffprobe,
                                    &consoles.stdIn, &consoles.stdOut, &consoles.stdErr,
                                    &consoles.log, logLevel, 0, 0, 0);
}

void TestPlayerEngines::debianEnginesAreReady()
{
    Consoles consoles;
    auto player = makePlayer(consoles, m_mediaInfo);

    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));

    // The versions, as each engine prints them in its own banner.
    QString help;
    TestMedia::run(m_mplayer, {"-vo", "help", "-ao", "help"}, &help);
    const QString banner = help.section('\n', 0, 0); // "MPlayer UNKNOWN-12 (C) ..."
    QCOMPARE(player->utilityVersion(Player::BackendUtility), banner.section(' ', 1, 1));
    QCOMPARE(player->playerStatus()->signature, QStringLiteral("MPlayer"));
    QString version;
    QCOMPARE(TestMedia::run(m_mediaInfo, {"--version"}, &version), 0);
    QCOMPARE(player->utilityVersion(Player::MediaInfoUtility),
             version.section("MediaInfoLib - ", 1).trimmed());
    QCOMPARE(TestMedia::run(m_ffprobe, {"-version"}, &version), 0);
    QCOMPARE(player->utilityVersion(Player::FFprobeUtility), version.section(' ', 2, 2));

    // The driver lists are the back-end's own, names and descriptions.
    const auto video = driverList(help, "Available video output drivers:");
    const auto audio = driverList(help, "Available audio output drivers:");
    QVERIFY(video.contains("gl") && video.contains("x11") && audio.contains("null"));
    QCOMPARE(*player->playerCapabilities()->videoDrivers, video);
    QCOMPARE(*player->playerCapabilities()->audioDrivers, audio);
    QVERIFY(player->playerStatus()->openGl);
    QVERIFY(player->setVideoOutput("gl"));
    QVERIFY(!player->setVideoOutput("directx"));

    QCOMPARE(player->utilityBinary(Player::BackendUtility), m_mplayer);
    QCOMPARE(player->utilityBinary(Player::MediaInfoUtility), m_mediaInfo);
    QCOMPARE(player->utilityBinary(Player::FFprobeUtility), m_ffprobe);
    const QStringList log = lines(consoles.log);
    QVERIFY(log.contains("Player: MPlayer backend is ready."));
    QVERIFY(log.contains("Player: MediaInfo utility is ready."));
    QVERIFY(log.contains("Player: FFprobe utility is ready."));
    QVERIFY2(!consoles.log.toPlainText().contains("crashed"), qPrintable(consoles.log.toPlainText()));
}

void TestPlayerEngines::missingMediaInfoLeavesTheOthersReady()
{
    Consoles consoles;
    const QString missing = TestMedia::folder() + "/no-such-dir/mediainfo";
    auto player = makePlayer(consoles, missing, LogLevel::Normal);

    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Reset));
    QCOMPARE(player->utilityVersion(Player::MediaInfoUtility), QString());
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MediaInfo process failed to start in 3000 milliseconds."}));
    QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
    QVERIFY(!player->utilityVersion(Player::BackendUtility).isEmpty());
    QVERIFY(!player->playerCapabilities()->videoDrivers->isEmpty());

    // An analysis without MediaInfo leaves its record empty and says so even when quiet.
    player->setLogLevel(LogLevel::Quiet);
    consoles.log.clear();
    player->readMediaInfoData(TestMedia::standardAvi());
    QVERIFY(player->mediaInfoData()->rawText.isEmpty());
    QVERIFY(player->mediaInfoData()->generalFields.isEmpty());
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MediaInfo process failed to start in 3000 milliseconds."}));
}

void TestPlayerEngines::analysesOfAGeneratedClip()
{
    const QString avi = TestMedia::standardAvi();
    QVERIFY(!avi.isEmpty());
    Consoles consoles;
    auto player = makePlayer(consoles, m_mediaInfo);
    consoles.stdIn.clear();
    consoles.stdOut.clear();
    consoles.stdErr.clear();
    consoles.log.clear();

    player->readMediaInfoData(avi);
    const MediaInfoData *report = player->mediaInfoData();
    QCOMPARE(report->generalFields.value("Complete name"), avi);
    QCOMPARE(report->generalFields.value("Format"), QStringLiteral("AVI"));
    QCOMPARE(report->videoFields.value("Format"), QStringLiteral("MPEG-4 Visual"));
    QCOMPARE(report->videoFields.value("Width"), QStringLiteral("320 pixels"));
    QCOMPARE(report->videoFields.value("Height"), QStringLiteral("240 pixels"));
    QCOMPARE(report->videoFields.value("Display aspect ratio"), QStringLiteral("4:3"));
    QCOMPARE(report->audioStreams.size(), 1);
    QCOMPARE(report->audioStreams.first().value("Format"), QStringLiteral("MPEG Audio"));
    QVERIFY(report->rawText.startsWith("General"));

    player->readFFprobeData(avi);
    const FFprobeData *probe = player->ffprobeData();
    QCOMPARE(probe->format_name, QStringLiteral("avi"));
    QCOMPARE(probe->filename, avi);
    QVERIFY(qAbs(probe->duration - TestMedia::probeDuration(avi)) < 0.001);
    QVERIFY(probe->duration > 2.9 && probe->duration < 3.2);
    QCOMPARE(probe->videoStreams.size(), 1);
    QCOMPARE(probe->videoStreams.first().codec_name, QStringLiteral("mpeg4"));
    QCOMPARE(probe->videoStreams.first().size, QSize(320, 240));
    QCOMPARE(probe->videoStreams.first().avg_frame_rate, 25.0);
    QCOMPARE(probe->audioStreams.size(), 1);
    QCOMPARE(probe->audioStreams.first().codec_name, QStringLiteral("mp3"));
    QCOMPARE(probe->audioStreams.first().index, 1);

    // The analyses echo nothing to the process consoles, and log their course.
    QCOMPARE(consoles.stdIn.toPlainText(), QString());
    QCOMPARE(consoles.stdOut.toPlainText(), QString());
    QCOMPARE(consoles.stdErr.toPlainText(), QString());
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MediaInfo read data begins.",
                          "Player: MediaInfo process starts.",
                          "Player: MediaInfo process started.",
                          "Player: MediaInfo process finished.",
                          "Player: MediaInfo read data completed.",
                          "Player: FFprobe read data begins.", "Player: FFprobe process starts.",
                          "Player: FFprobe process started.",
                          "Player: FFprobe process finished.",
                          "Player: FFprobe read data completed."}));

    // The MP4 form of the clip, read by the same facade, replaces the AVI's results.
    const QString mp4 = TestMedia::standardMp4();
    player->readMediaInfoData(mp4);
    QCOMPARE(report->generalFields.value("Format"), QStringLiteral("MPEG-4"));
    QCOMPARE(report->videoFields.value("Format"), QStringLiteral("AVC"));
    QCOMPARE(report->audioStreams.size(), 1);
    player->readFFprobeData(mp4);
    QCOMPARE(probe->format_name, QStringLiteral("isom"));
    QCOMPARE(probe->videoStreams.size(), 1);
    QCOMPARE(probe->videoStreams.first().codec_name, QStringLiteral("h264"));
    QCOMPARE(probe->audioStreams.size(), 1);
    QCOMPARE(probe->audioStreams.first().codec_name, QStringLiteral("aac"));
}

void TestPlayerEngines::analysesOfAFileThatIsNoMedia()
{
    Consoles consoles;
    auto player = makePlayer(consoles, m_mediaInfo);
    player->readMediaInfoData(TestMedia::standardAvi());
    player->readFFprobeData(TestMedia::standardAvi());
    QVERIFY(!player->mediaInfoData()->generalFields.isEmpty());

    // A missing file: both records are emptied before the run and stay empty.
    const QString missing = TestMedia::folder() + "/no such clip é.avi";
    player->readMediaInfoData(missing);
    player->readFFprobeData(missing);
    QVERIFY(player->mediaInfoData()->generalFields.isEmpty());
    QVERIFY(player->mediaInfoData()->videoFields.isEmpty());
    QVERIFY(player->mediaInfoData()->audioStreams.isEmpty());
    QVERIFY(player->ffprobeData()->format_name.isEmpty());
    QVERIFY(player->ffprobeData()->videoStreams.isEmpty());
    QCOMPARE(player->ffprobeData()->duration, 0.0);
    QVERIFY(!consoles.log.toPlainText().contains("crashed"));
}

void TestPlayerEngines::analysesOfADvdFolder()
{
    const QString dvd = TestMedia::dvdFolder();
    QVERIFY(!dvd.isEmpty());
    Consoles consoles;
    auto player = makePlayer(consoles, m_mediaInfo);

    // MediaInfo reads every file of the folder; the main file is the one with the largest
    // video stream: title 1 (8 s, 16:9, two audio tracks).
    player->readMediaInfoData(dvd);
    const MediaInfoData *report = player->mediaInfoData();
    QVERIFY(report->rawText.contains("VTS_02_1.VOB"));
    QVERIFY2(report->generalFields.value("Complete name").endsWith("VTS_01_1.VOB"),
             qPrintable(report->generalFields.value("Complete name")));
    QCOMPARE(report->videoFields.value("Format"), QStringLiteral("MPEG Video"));
    QCOMPARE(report->videoFields.value("Display aspect ratio"), QStringLiteral("16:9"));
    QCOMPARE(report->audioStreams.size(), 2);

    // FFprobe cannot read a folder: the record is left empty.
    player->readFFprobeData(dvd);
    QVERIFY(player->ffprobeData()->format_name.isEmpty());
    QVERIFY(player->ffprobeData()->videoStreams.isEmpty());
}

// The disc pass the player panel makes: the facade's identify command for the folder,
// run as the panel runs it, each output line through the facade's disc parser.
void TestPlayerEngines::discIdentifyThroughTheFacade()
{
    const QString dvd = TestMedia::dvdFolder();
    QVERIFY(!dvd.isEmpty());
    Consoles consoles;
    auto player = makePlayer(consoles, m_mediaInfo);
    player->setSourceDvdTitle(dvd, 2, 1);
    player->disableAudio();
    player->disableVideo();
    player->disableSubtitle();
    QString program;
    QStringList arguments;
    player->cliCmdIdentify(&program, &arguments);
    QCOMPARE(program, m_mplayer);

    QProcess process;
    process.start(program, arguments);
    QVERIFY(process.waitForStarted(5000));
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(30000));

    DiskInfo disk;
    disk.kind = 2;
    QList<int> codes;
    while (process.canReadLine()) {
        int code = -1;
        QVERIFY(player->parseStdoutDisk(process.readLine(), &code, &disk));
        codes.append(code);
    }
    QCOMPARE(disk.titleCount, 2);
    QCOMPARE(disk.titles[0].chapters, 4);
    QCOMPARE(disk.titles[1].chapters, 1);
    QVERIFY(disk.titles[0].length >= 7.0 && disk.titles[0].length <= 8.0);
    QVERIFY(disk.titles[1].length >= 2.0 && disk.titles[1].length <= 3.0);
    QVERIFY(codes.contains(PlayerOutputCode::DvdTitleCount));

    // Its standard error holds no line that the panel would count against the load.
    process.setReadChannel(QProcess::StandardError);
    while (process.canReadLine()) {
        int code = -1;
        QString text;
        const QByteArray line = process.readLine();
        player->parseStderr(line, &code, &text);
        QVERIFY2(code != PlayerOutputCode::FileNotFound && code != PlayerOutputCode::NoDvdStructure,
                 line.constData());
        QVERIFY2(!text.contains("joystick") && !text.contains("LIRC"), line.constData());
    }
}

VEXO_TEST_CLASS(TestPlayerEngines)
#include "tst_playerengines.moc"
