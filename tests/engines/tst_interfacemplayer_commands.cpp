// The MPlayer command lines and slave commands as InterfaceMplayer builds them.

#include "testregistry.h"

#include "engines/interfacemplayer.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kBinary = QStringLiteral("/opt/vexo/mplayer/mplayer");
const QString kMovie = QStringLiteral("/media/My Movie (2010).avi");
const QString kDvd = QStringLiteral("/media/DVD folder");

// Options that every playback carries before the stream options, as this platform's
// MPlayer takes them (no "-priority"; joystick and LIRC off).
const QStringList kPlayHead = {"-slave", "-nofs", "-nomouseinput", "-nolirc", "-nojoystick",
                               "-nokeepaspect", "-nocache", "-noconfig", "all", "-nofontconfig",
                               "-framedrop", "-nodr", "-double", "-monitorpixelaspect", "1",
                               "-osdlevel", "0", "-softvol", "-softvol-max", "110", "-quiet"};
const QStringList kIdentifyHead = {"-noconfig", "all", "-noquiet", "-nocache", "-nofs",
                                   "-nomouseinput", "-nolirc", "-nojoystick", "-slave",
                                   "-nofontconfig", "-vo", "null", "-ao", "null", "-frames", "1"};
const QStringList kTitle = {"-title", "Vexo 4 - WebM video player"};

// Everything a playback command line depends on.
struct PlaySetup
{
    int sourceType = InterfaceMplayer::MediaFile;
    QString path = kMovie;
    int title = 1;
    bool audioOnly = false;
    bool videoOff = false;
    bool audioOff = false;
    bool subtitlesOff = false;
    int aid = -1;
    int sid = -1;
    int angle = 0;
    QList<int> chapterList;
    int width = -1;
    int height = -1;
    QString driver;
    QString wid;
    int frames = 0;
    int chapter = 0;
    int start = 0;
    int volume = 0;
};

void apply(const PlaySetup &setup, InterfaceMplayer &mplayer)
{
    if (setup.sourceType == InterfaceMplayer::Dvd)
        mplayer.setSourceDvd(setup.path, setup.title);
    else
        mplayer.setSourceFile(setup.path, setup.audioOnly);
    setup.videoOff ? mplayer.disableVideo() : mplayer.enableVideo();
    setup.audioOff ? mplayer.disableAudio() : mplayer.enableAudio();
    setup.subtitlesOff ? mplayer.disableSubtitle() : mplayer.enableSubtitle();
    mplayer.setAudioId(setup.aid);
    mplayer.setSubtitleId(setup.sid);
    mplayer.setDvdAngle(setup.angle);
    mplayer.setChapterList(setup.chapterList);
    mplayer.setDisplaySize(setup.width, setup.height);
    if (!setup.driver.isEmpty())
        QVERIFY(mplayer.setVideoOutput(setup.driver));
    mplayer.setWid(setup.wid);
}

} // namespace

Q_DECLARE_METATYPE(PlaySetup)

class TestInterfaceMplayerCommands : public QObject
{
    Q_OBJECT

private:
    QMap<QString, QString> m_videoDrivers{{"gl", "OpenGL"}, {"x11", "X11 ( XImage/Shm )"}};
    QMap<QString, QString> m_audioDrivers{{"null", "Null audio output"}};
    PlayerCapabilities m_capabilities{&m_videoDrivers, &m_audioDrivers};
    PlayerStatus m_status;

    void initInterface(InterfaceMplayer &mplayer)
    {
        mplayer.init(kBinary, &m_capabilities, &m_status);
    }

private slots:
    void playCommand_data()
    {
        QTest::addColumn<PlaySetup>("setup");
        QTest::addColumn<QStringList>("expected");

        PlaySetup s;
        QTest::newRow("file, nothing chosen") << s << kPlayHead + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.wid = "12345";
        s.width = 512;
        s.height = 288;
        s.driver = "gl";
        s.volume = 5;
        QTest::newRow("file in a window, driver, size, volume")
            << s
            << kPlayHead + QStringList{"-vo", "gl", "-vf", "scale=512:288", "-geometry", "512x288",
                                       "-af", "volume=5", "-wid", "12345", kMovie};

        s = PlaySetup();
        s.videoOff = true;
        s.driver = "gl";
        s.width = 512;
        s.height = 288;
        QTest::newRow("video off ignores driver and size")
            << s << kPlayHead + QStringList{"-vo", "null"} + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.audioOnly = true;
        s.driver = "x11";
        s.width = 512;
        s.height = 288;
        QTest::newRow("audio-only file gets no video option")
            << s << kPlayHead + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.audioOnly = true;
        s.videoOff = true;
        QTest::newRow("audio-only file with video off")
            << s << kPlayHead + QStringList{"-vo", "null"} + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.audioOff = true;
        s.volume = 3;
        s.aid = 2;
        QTest::newRow("audio off drops volume and audio id")
            << s << kPlayHead + QStringList{"-ao", "null"} + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.width = 0;
        s.height = 288;
        QTest::newRow("display size 0x288 is no size")
            << s << kPlayHead + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.volume = -4;
        QTest::newRow("negative volume")
            << s << kPlayHead + QStringList{"-af", "volume=-4"} + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.aid = 2;
        s.start = 30;
        s.frames = 100;
        s.chapter = 3;
        QTest::newRow("file: audio id, start, frames; chapter is for DVDs")
            << s
            << kPlayHead + QStringList{"-aid", "2", "-ss", "30", "-frames", "100"} + kTitle
                   + QStringList{kMovie};

        s = PlaySetup();
        s.sid = 1;
        s.start = 30;
        QTest::newRow("file: a subtitle id drops the start")
            << s << kPlayHead + QStringList{"-sid", "1"} + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.sid = 1;
        s.subtitlesOff = true;
        s.start = 30;
        QTest::newRow("file: subtitles off keep the start")
            << s << kPlayHead + QStringList{"-ss", "30"} + kTitle + QStringList{kMovie};

        s = PlaySetup();
        s.sourceType = InterfaceMplayer::Dvd;
        s.path = kDvd;
        s.title = 3;
        s.aid = 129;
        s.start = 30;
        QTest::newRow("DVD: audio id, no subtitle")
            << s
            << kPlayHead + QStringList{"-aid", "129", "-nosub", "-dvdangle", "1"} + kTitle
                   + QStringList{"-dvd-device", kDvd, "dvd://3"};

        s = PlaySetup();
        s.sourceType = InterfaceMplayer::Dvd;
        s.path = kDvd;
        s.sid = 0;
        s.angle = 2;
        s.chapter = 3;
        s.chapterList = {1, 2};
        s.wid = "77";
        QTest::newRow("DVD: subtitle, angle 2, one chapter wins over the list")
            << s
            << kPlayHead + QStringList{"-sid", "0", "-dvdangle", "2", "-chapter", "3", "-wid", "77",
                                       "-dvd-device", kDvd, "dvd://1"};

        s = PlaySetup();
        s.sourceType = InterfaceMplayer::Dvd;
        s.path = kDvd;
        s.chapterList = {2, 4};
        s.frames = 50;
        QTest::newRow("DVD: chapter list")
            << s
            << kPlayHead + QStringList{"-nosub", "-dvdangle", "1", "-chapter", "2", "-chapter", "4",
                                       "-frames", "50"} + kTitle
                   + QStringList{"-dvd-device", kDvd, "dvd://1"};

        s = PlaySetup();
        s.sourceType = InterfaceMplayer::Dvd;
        s.path = kDvd;
        s.sid = 1;
        s.subtitlesOff = true;
        s.audioOff = true;
        s.aid = 128;
        QTest::newRow("DVD: subtitles and audio off with ids chosen")
            << s
            << kPlayHead + QStringList{"-ao", "null", "-dvdangle", "1"} + kTitle
                   + QStringList{"-dvd-device", kDvd, "dvd://1"};

        s = PlaySetup();
        s.sourceType = InterfaceMplayer::Dvd;
        s.path = kDvd;
        s.subtitlesOff = true;
        QTest::newRow("DVD: subtitles off without id still -nosub")
            << s
            << kPlayHead + QStringList{"-nosub", "-dvdangle", "1"} + kTitle
                   + QStringList{"-dvd-device", kDvd, "dvd://1"};
    }

    void playCommand()
    {
        QFETCH(PlaySetup, setup);
        QFETCH(QStringList, expected);
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        apply(setup, mplayer);

        QString program = "stale";
        QStringList arguments{"stale"};
        mplayer.cliPlay(&program, &arguments, setup.frames, setup.chapter, setup.start, setup.volume);
        QCOMPARE(program, kBinary);
        QCOMPARE(arguments, expected);
    }

    void identifyCommand_data()
    {
        QTest::addColumn<PlaySetup>("setup");
        QTest::addColumn<QStringList>("expected");

        PlaySetup s;
        s.videoOff = true; // the identify pass ignores the playback options
        s.aid = 3;
        QTest::newRow("file") << s << kIdentifyHead + QStringList{"-msglevel", "identify=4", kMovie};

        s = PlaySetup();
        s.wid = "4242";
        QTest::newRow("file in a window")
            << s << kIdentifyHead + QStringList{"-wid", "4242", "-msglevel", "identify=4", kMovie};

        s = PlaySetup();
        s.sourceType = InterfaceMplayer::Dvd;
        s.path = kDvd;
        s.title = 2;
        s.angle = 3;
        QTest::newRow("DVD title always reads angle 1")
            << s
            << kIdentifyHead + QStringList{"-msglevel", "identify=6", "-dvd-device", kDvd, "dvd://2",
                                           "-dvdangle", "1"};
    }

    void identifyCommand()
    {
        QFETCH(PlaySetup, setup);
        QFETCH(QStringList, expected);
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        apply(setup, mplayer);

        QString program;
        QStringList arguments{"stale"};
        mplayer.cliCmdIdentify(&program, &arguments);
        QCOMPARE(program, kBinary);
        QCOMPARE(arguments, expected);
    }

    void statusAndFontCacheCommands()
    {
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceDvd(kDvd, 4); // neither command depends on the source
        QString program;
        QStringList arguments{"stale"};

        mplayer.cliCmdGetStatus(&program, &arguments);
        QCOMPARE(program, kBinary);
        QCOMPARE(arguments, (QStringList{"-noconfig", "all", "-noquiet", "-nocache", "-nofs",
                                         "-nomouseinput", "-vo", "help", "-ao", "help"}));

        program.clear();
        mplayer.cliCmdUpdateFontCache(&program, &arguments);
        QCOMPARE(program, kBinary);
        QCOMPARE(arguments, (QStringList{"-fontconfig", "-noquiet", "-slave", "-vo", "null", "-ao",
                                         "null", "-frames", "0", "/dev/null"}));
    }

    void slaveCommands_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        InterfaceMplayer m;
        QTest::newRow("quit") << m.cliQuit() << "quit\n";
        QTest::newRow("pause") << m.cliPause() << "pause\n";
        QTest::newRow("seek 95") << m.cliSeek(95) << "seek 95 2\n";
        QTest::newRow("seek 0") << m.cliSeek(0) << "seek 0 2\n";
        QTest::newRow("seek -5") << m.cliSeek(-5) << "seek 0 2\n";
        QTest::newRow("previous chapter") << m.cliPrevChapter(0) << "seek_chapter -1 0\n";
        QTest::newRow("back 30") << m.cliPrevChapter(30) << "seek -30 0\n";
        QTest::newRow("back -30") << m.cliPrevChapter(-30) << "seek -30 0\n";
        QTest::newRow("next chapter") << m.cliNextChapter(0) << "seek_chapter +1 0\n";
        QTest::newRow("forward 30") << m.cliNextChapter(30) << "seek +30 0\n";
        QTest::newRow("forward -30") << m.cliNextChapter(-30) << "seek +30 0\n";
        QTest::newRow("forward lowest int")
            << m.cliNextChapter(std::numeric_limits<int>::min()) << "seek +2147483648 0\n";
        QTest::newRow("faster") << m.cliFaster() << "speed_mult 2\n";
        QTest::newRow("slower") << m.cliSlower() << "speed_mult 0.5\n";
        QTest::newRow("normal speed") << m.cliNormalSpeed() << "speed_set 1\n";
        QTest::newRow("time position") << m.cliGetTimePos() << "get_time_pos\n";
        QTest::newRow("chapter") << m.cliGetChapter() << "get_property chapter\n";
        QTest::newRow("deinterlace") << m.cliGetDeinterlace() << "get_property deinterlace\n";
        QTest::newRow("speed") << m.cliGetSpeed() << "get_property speed\n";
        QTest::newRow("osd text") << m.cliOsdShowText("Preview mode", 3)
                                  << "osd_show_text \"Preview mode\" 3\n";
        QTest::newRow("osd text with placeholders")
            << m.cliOsdShowText("50%1 %2", 7) << "osd_show_text \"50%1 %2\" 7\n";
        QTest::newRow("osd text cannot smuggle a command")
            << m.cliOsdShowText("a\nquit\r\nb", 3) << "osd_show_text \"a quit  b\" 3\n";
        QTest::newRow("osd progression") << m.cliOsdShowProgression() << "osd_show_progression\n";
        QTest::newRow("select audio 129") << m.cliSelectAudio(129) << "mute 0\nswitch_audio 129\n";
        QTest::newRow("select audio 0") << m.cliSelectAudio(0) << "mute 0\nswitch_audio 0\n";
        QTest::newRow("no audio") << m.cliSelectAudio(-1) << "mute 1\n";
        QTest::newRow("subtitle 2") << m.cliSelectSubtitle(2) << "sub_demux 2\n";
        QTest::newRow("no subtitle") << m.cliSelectSubtitle(-1) << "sub_demux -1\n";
    }

    void slaveCommands()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void videoOutputMustBeListed()
    {
        InterfaceMplayer mplayer;
        QVERIFY(!mplayer.setVideoOutput("gl")); // no status run, no drivers
        initInterface(mplayer);
        mplayer.setSourceFile(kMovie, false);
        QVERIFY(mplayer.setVideoOutput("gl"));
        QVERIFY(!mplayer.setVideoOutput("xv"));
        QVERIFY(!mplayer.setVideoOutput(QString()));

        QString program;
        QStringList arguments;
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(arguments.mid(kPlayHead.size(), 2), (QStringList{"-vo", "gl"}));
    }

    void sourceSettersResetTheSelection()
    {
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceDvd(kDvd, 2);
        mplayer.setAudioId(129);
        mplayer.setSubtitleId(1);
        mplayer.setDvdAngle(3);
        mplayer.setChapterList({2, 3});
        mplayer.setSourceFile(kMovie, true);
        mplayer.setSourceDvd(kDvd, 5); // also clears the audio-only flag of the file

        QString program;
        QStringList arguments;
        mplayer.setDisplaySize(320, 240);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        const QStringList expected = kPlayHead
                                     + QStringList{"-vf", "scale=320:240", "-geometry", "320x240",
                                                   "-nosub", "-dvdangle", "1"}
                                     + kTitle + QStringList{"-dvd-device", kDvd, "dvd://5"};
        QCOMPARE(arguments, expected);

        mplayer.setDvdTitle(6);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(arguments.last(), QStringLiteral("dvd://6"));
    }

    // A DVD build of MPlayer beside the configured executable plays the DVDs.
    void dvdPlaysThroughTheDvdBuildWhenPresent()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString player = dir.filePath("mplayer");
        const QString dvdBuild = dir.filePath("mplayer-dvd");
        for (const QString &path : {player, dvdBuild}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
        }
        QFile::setPermissions(player, QFile::ReadOwner | QFile::ExeOwner);

        InterfaceMplayer mplayer;
        mplayer.init(player, &m_capabilities, &m_status);
        QString program;
        QStringList arguments;

        mplayer.setSourceDvd(kDvd, 1);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(program, player); // the DVD build is not executable yet

        QFile::setPermissions(dvdBuild, QFile::ReadOwner | QFile::ExeOwner);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(program, dvdBuild);

        mplayer.cliCmdIdentify(&program, &arguments);
        QCOMPARE(program, player); // identify runs use the configured one

        mplayer.setSourceFile(kMovie, false);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(program, player);

        // A bare name is looked up on PATH, and so is its DVD build.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()));
        mplayer.setBinary("mplayer");
        mplayer.setSourceDvd(kDvd, 1);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        qputenv("PATH", path);
        QCOMPARE(program, dvdBuild);

        QVERIFY(QFile::remove(dvdBuild));
        mplayer.setBinary(player);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(program, player);
    }

    void nullOutputsAreRefused()
    {
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        QString program;
        QStringList arguments;
        mplayer.cliPlay(nullptr, &arguments, 0, 0, 0, 0);
        mplayer.cliCmdIdentify(&program, nullptr);
        mplayer.cliCmdGetStatus(nullptr, nullptr);
        mplayer.cliCmdUpdateFontCache(nullptr, &arguments);
        QVERIFY(program.isEmpty());
        QVERIFY(arguments.isEmpty());
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerCommands)
#include "tst_interfacemplayer_commands.moc"
