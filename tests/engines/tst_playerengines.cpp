// The player facade on Debian's own MPlayer, MediaInfo and FFprobe: its status runs, and
// its analysis runs on media that the test makes.

#include "engines/player.h"
#include "jobs/console.h"

#include "testmedia.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {
// The drivers of one "Available ... output drivers:" list of MPlayer's help answer: each
// indented line holds the name, blanks and a description.
QMap<QString, QString> driverList(const QString &help, const QString &heading)
{
    QMap<QString, QString> drivers;
    const QStringList all = help.split('\n');
    for (qsizetype i = all.indexOf(heading) + 1; i > 0 && i < all.size() && all[i].startsWith('\t'); ++i) {
        const QStringList parts = all[i].trimmed().split(QRegularExpression("\\s+"));
        drivers.insert(parts.first(), parts.mid(1).join(' '));
    }
    return drivers;
}
} // namespace

class TestPlayerEngines : public QObject
{
    Q_OBJECT

    QString m_mplayer;
    QString m_mediaInfo;
    QString m_ffprobe;
    QTextEdit m_log;
    QTextEdit m_processes; // the echoed command lines and outputs

    std::unique_ptr<Player> make(const QString &mediaInfo, int logLevel)
    {
        m_log.clear();
        return std::make_unique<Player>(Player::MplayerBackend, m_mplayer, mediaInfo, m_ffprobe,
                                        &m_processes, &m_processes, &m_processes, &m_log, logLevel,
                                        0, 0, 0);
    }

    QStringList log() const { return m_log.toPlainText().split('\n', Qt::SkipEmptyParts); }

private slots:
    void initTestCase()
    {
        m_mplayer = QStandardPaths::findExecutable("mplayer");
        m_mediaInfo = QStandardPaths::findExecutable("mediainfo");
        m_ffprobe = QStandardPaths::findExecutable("ffprobe");
        QVERIFY(!m_mplayer.isEmpty() && !m_mediaInfo.isEmpty() && !m_ffprobe.isEmpty());
    }

    // All three ready, with versions, and the back-end's version and driver lists as its
    // help answer gives them.
    void debianEnginesAreReady()
    {
        auto player = make(m_mediaInfo, LogLevel::Normal);
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
        QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
        QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));
        QVERIFY2(log().isEmpty(), qPrintable(m_log.toPlainText()));

        QString help;
        TestMedia::run(m_mplayer, {"-vo", "help", "-ao", "help"}, &help);
        QCOMPARE(player->utilityVersion(Player::BackendUtility), help.section(' ', 1, 1));
        QVERIFY(!player->utilityVersion(Player::MediaInfoUtility).isEmpty());
        QVERIFY(!player->utilityVersion(Player::FFprobeUtility).isEmpty());

        const auto video = driverList(help, "Available video output drivers:");
        QVERIFY(video.contains("gl") && video.contains("x11"));
        QCOMPARE(*player->playerCapabilities()->videoDrivers, video);
        QCOMPARE(*player->playerCapabilities()->audioDrivers,
                 driverList(help, "Available audio output drivers:"));
        QVERIFY(player->playerStatus()->openGl);
        QVERIFY(player->setVideoOutput("gl"));
        QVERIFY(!player->setVideoOutput("directx"));
    }

    void missingMediaInfoLeavesTheOthersReady()
    {
        auto player = make(TestMedia::folder() + "/no-such-dir/mediainfo", LogLevel::Normal);
        const QStringList failed{"Player: MediaInfo process failed to start in 3000 milliseconds."};
        QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Reset));
        QCOMPARE(player->utilityVersion(Player::MediaInfoUtility), QString());
        QCOMPARE(log(), failed);
        QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
        QVERIFY(!player->playerCapabilities()->videoDrivers->isEmpty());

        // An analysis without MediaInfo leaves its record empty and says so even when quiet.
        player->setLogLevel(LogLevel::Quiet);
        m_log.clear();
        player->readMediaInfoData(TestMedia::standardAvi());
        QVERIFY(player->mediaInfoData()->generalFields.isEmpty());
        QCOMPARE(log(), failed);
    }

    // Both analyses of a generated clip fill their records and log their course; a file
    // that is missing empties them again.
    void analysesOfAGeneratedClip()
    {
        const QString avi = TestMedia::standardAvi();
        QVERIFY(!avi.isEmpty());
        auto player = make(m_mediaInfo, LogLevel::Verbose);
        m_log.clear();
        player->readMediaInfoData(avi);
        const MediaInfoData *report = player->mediaInfoData();
        QCOMPARE(report->generalFields.value("Format"), QStringLiteral("AVI"));
        QCOMPARE(report->videoFields.value("Width"), QStringLiteral("320 pixels"));
        QCOMPARE(report->audioStreams.size(), 1);
        player->readFFprobeData(avi);
        const FFprobeData *probe = player->ffprobeData();
        QCOMPARE(probe->format_name, QStringLiteral("avi"));
        QVERIFY(qAbs(probe->duration - TestMedia::probeDuration(avi)) < 0.001);
        QCOMPARE(probe->videoStreams.value(0).size, QSize(320, 240));
        QCOMPARE(probe->audioStreams.value(0).codec_name, QStringLiteral("mp3"));
        QStringList expected;
        for (const char *tool : {"MediaInfo", "FFprobe"}) {
            for (const char *step : {"%1 read data begins.", "%1 process starts.", "%1 process started.",
                                     "%1 process finished.", "%1 read data completed."})
                expected << "Player: " + QString(step).arg(tool);
        }
        QCOMPARE(log(), expected);

        const QString missing = TestMedia::folder() + "/no such clip é.avi";
        player->readMediaInfoData(missing);
        player->readFFprobeData(missing);
        QVERIFY(report->generalFields.isEmpty() && report->audioStreams.isEmpty());
        QVERIFY(probe->format_name.isEmpty() && probe->videoStreams.isEmpty());
    }
};

VEXO_TEST_CLASS(TestPlayerEngines)
#include "tst_playerengines.moc"
