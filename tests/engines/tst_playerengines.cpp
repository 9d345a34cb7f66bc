// The player facade on Debian's own MPlayer, MediaInfo and FFprobe: its status runs, and
// its analysis runs on media that the test makes.

#include "engines/player.h"
#include "jobs/console.h"

#include "enginetesting.h"
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

    // The three engines slowed past the finish latency (1 s here), as on a busy machine or a
    // cold disk: one that works goes on, one that waits is asked again with longer time-outs,
    // and both end ready with their analyses whole. One that never answers is late, not
    // crashed; one that prints without end is named in the notice of its cut answer.
    void slowEngines_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("how");   // "sleep", "burn", "hang" (see slowedEngine), "endless"
        QTest::addColumn<QString>("when");  // the calls slowed
        QTest::addColumn<bool>("ready");    // its status
        QTest::addColumn<bool>("analysed"); // the file's analysis (MediaInfo and FFprobe)
        QTest::newRow("MediaInfo waiting") << "mediainfo" << "sleep" << "*" << true << true;
        QTest::newRow("FFprobe working") << "ffprobe" << "burn" << "*" << true << true;
        QTest::newRow("MPlayer waiting") << "mplayer" << "sleep" << "*" << true << true;
        QTest::newRow("FFprobe never answering for a file") << "ffprobe" << "hang" << "*show_format*" << true << false;
        QTest::newRow("FFprobe never answering") << "ffprobe" << "hang" << "*" << false << false;
        QTest::newRow("FFprobe printing without end for a file") << "ffprobe" << "endless" << "*show_format*" << true << false;
    }
    void slowEngines()
    {
        QFETCH(QString, engine);
        QFETCH(QString, how);
        QFETCH(QString, when);
        QFETCH(bool, ready);
        QFETCH(bool, analysed);
        const QString name = "slowed-" + QString(QTest::currentDataTag()).replace(' ', '-');
        const QString slowed = how == "endless"
            ? writeEngineScript(name, QString("case \"$*\" in\n  %1) exec '%2' endless ;;\n  *) exec %3 \"$@\" ;;\nesac")
                                          .arg(when, TestMedia::fakeEngine(), engine))
            : slowedEngine(name, engine, how, 1500, when);
        const auto path = [&](const QString &which, const QString &real) { return which == engine ? slowed : real; };
        m_log.clear();
        Player player(Player::MplayerBackend, path("mplayer", m_mplayer), path("mediainfo", m_mediaInfo),
                      path("ffprobe", m_ffprobe), &m_processes, &m_processes, &m_processes, &m_log, LogLevel::Normal, 0,
                      1000, 0);
        const InterfaceStatus &status = engine == "mplayer" ? *player.playerStatus()
                                        : engine == "ffprobe" ? *player.ffprobeStatus() : *player.mediaInfoStatus();
        QCOMPARE(status.state == InterfaceStatus::Ready, ready);
        QCOMPARE(status.late, !ready);
        const QString avi = TestMedia::standardAvi();
        player.readMediaInfoData(avi);
        player.readFFprobeData(avi);
        QCOMPARE(player.mediaInfoData()->videoFields.value("Width") == "320 pixels" && player.ffprobeData()->format_name == "avi",
                 analysed);
        const int utility = engine == "mediainfo" ? Player::MediaInfoUtility : Player::FFprobeUtility;
        QCOMPARE(player.analysisLate(utility), how == "hang");
        const QString said = m_log.toPlainText();
        const QString named = engine == "mplayer" ? "MPlayer" : engine == "ffprobe" ? "FFprobe" : "MediaInfo";
        QCOMPARE(said.contains("Player: " + named + " did not answer in time; it is asked again with longer time-outs."),
                 how == "sleep" || how == "hang");
        QVERIFY2(!said.contains("crashed"), qPrintable(said));
        QCOMPARE(said.contains("FFprobe: the engine printed "), how == "endless");
        QVERIFY(!said.contains("MPlayer: the engine printed "));
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
