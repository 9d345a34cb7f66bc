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

class TestPlayerEngines : public QObject
{
    Q_OBJECT

    QString m_mplayer, m_mediaInfo, m_ffprobe;
    QTextEdit m_log, m_processes; // the log, and the echoed command lines and outputs

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

        // Each driver line of the help answer ("\tname\tdescription") is in one of the lists.
        const PlayerCapabilities *capabilities = player->playerCapabilities();
        const auto *video = capabilities->videoDrivers, *audio = capabilities->audioDrivers;
        QVERIFY(video->contains("gl") && video->contains("x11") && audio->contains("null"));
        QCOMPARE(help.count(QRegularExpression("^\\t", QRegularExpression::MultilineOption)),
                 video->size() + audio->size());
        for (const auto *drivers : {video, audio})
            for (auto it = drivers->cbegin(); it != drivers->cend(); ++it)
                QVERIFY2(help.contains('\t' + it.key() + '\t' + it.value() + '\n'), qPrintable(it.key()));
        QVERIFY(player->playerStatus()->openGl);
        QVERIFY(player->setVideoOutput("gl"));
        QVERIFY(!player->setVideoOutput("directx"));
    }

    void missingMediaInfoLeavesTheOthersReady()
    {
        auto player = make(TestMedia::folder() + "/no-such-dir/mediainfo", LogLevel::Normal);
        QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Reset));
        QCOMPARE(player->utilityVersion(Player::MediaInfoUtility), QString());
        QCOMPARE(log(), QStringList{"Player: MediaInfo process failed to start in 3000 milliseconds."});
        QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
        QVERIFY(!player->playerCapabilities()->videoDrivers->isEmpty());

    }

    // Both analyses of a generated clip fill their records; a missing file empties them again.
    void analysesOfAGeneratedClip()
    {
        const QString avi = TestMedia::standardAvi();
        QVERIFY(!avi.isEmpty());
        auto player = make(m_mediaInfo, LogLevel::Normal);
        player->readMediaInfoData(avi);
        player->readFFprobeData(avi);
        const MediaInfoData *report = player->mediaInfoData();
        const FFprobeData *probe = player->ffprobeData();
        QCOMPARE(report->generalFields.value("Format") + ' ' + report->videoFields.value("Width"),
                 QString("AVI 320 pixels"));
        QCOMPARE(report->audioStreams.size(), 1);
        QCOMPARE(probe->format_name + ' ' + probe->audioStreams.value(0).codec_name, QString("avi mp3"));
        QVERIFY(qAbs(probe->duration - TestMedia::probeDuration(avi)) < 0.001);
        QCOMPARE(probe->videoStreams.value(0).size, QSize(320, 240));
        QVERIFY2(log().isEmpty(), qPrintable(m_log.toPlainText()));

        // A file that cannot be analysed says so, and the utility stays ready for the next.
        const QString missing = TestMedia::folder() + "/no such clip é.avi";
        const QString empty = TestMedia::folder() + "/empty clip.avi";
        QFile(empty).open(QIODevice::WriteOnly);
        for (const QString &bad : {missing, empty}) {
            player->readMediaInfoData(bad);
            player->readFFprobeData(bad);
            QVERIFY(report->videoFields.isEmpty() && report->audioStreams.isEmpty());
            QVERIFY(probe->format_name.isEmpty() && probe->videoStreams.isEmpty());
            QCOMPARE(log().last(), "Player: MediaInfo could not analyse " + bad + ".");
            QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
        }
        player->readMediaInfoData(avi);
        QCOMPARE(report->videoFields.value("Width"), QString("320 pixels"));
    }
};

VEXO_TEST_CLASS(TestPlayerEngines)
#include "tst_playerengines.moc"
