// The MPlayer command lines and slave commands as InterfaceMplayer builds them.

#include "testregistry.h"

#include "engines/interfacemplayer.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kBinary = QStringLiteral("/opt/vexo/mplayer/mplayer");
const QString kMovie = QStringLiteral("/media/My Movie (2010).avi");
const QString kDvd = QStringLiteral("/media/DVD folder");

// What every playback starts with on Linux: no "-priority" (rejected here), and joystick
// and LIRC off so that their failures never reach standard error.
const QString kPlayHead = "-slave -nofs -nomouseinput -nolirc -nojoystick -nokeepaspect -nocache "
                          "-noconfig all -nofontconfig -framedrop -nodr -double "
                          "-monitorpixelaspect 1 -osdlevel 0 -softvol -softvol-max 110 -quiet";
const QString kIdentifyHead = "-noconfig all -noquiet -nocache -nofs -nomouseinput -nolirc "
                              "-nojoystick -slave -nofontconfig -vo null -ao null -frames 1";

// An expected command line written as one text; MOVIE, DVD and TITLE stand for arguments
// that hold blanks, so that each must arrive as one argument.
QStringList expectedArguments(QString text)
{
    text.replace("PLAY", kPlayHead).replace("IDENTIFY", kIdentifyHead);
    QStringList arguments;
    for (const QString &word : text.split(' ', Qt::SkipEmptyParts)) {
        if (word == "MOVIE")
            arguments << kMovie;
        else if (word == "DVD")
            arguments << kDvd;
        else if (word == "TITLE")
            arguments << "-title" << "Vexo 4 - WebM video player";
        else
            arguments << word;
    }
    return arguments;
}

// Applies the settings of a row in their order, e.g. "dvd=3 aid=129 size=512x288"; the
// playback arguments (frames, chapter, start, volume) go to `play`.
void apply(const QString &setup, InterfaceMplayer &mplayer, int play[4])
{
    mplayer.setSourceFile(kMovie, false);
    for (const QString &word : setup.split(' ', Qt::SkipEmptyParts)) {
        const QString key = word.section('=', 0, 0);
        const QString value = word.section('=', 1);
        const QStringList numbers = value.split(QRegularExpression("[x,]"), Qt::SkipEmptyParts);
        const int n = numbers.value(0).toInt();
        if (key == "dvd") mplayer.setSourceDvd(kDvd, n);
        else if (key == "audioOnly") mplayer.setSourceFile(kMovie, true);
        else if (key == "title") mplayer.setDvdTitle(n);
        else if (key == "videoOff") mplayer.disableVideo();
        else if (key == "audioOff") mplayer.disableAudio();
        else if (key == "subsOff") mplayer.disableSubtitle();
        else if (key == "aid") mplayer.setAudioId(n);
        else if (key == "sid") mplayer.setSubtitleId(n);
        else if (key == "angle") mplayer.setDvdAngle(n);
        else if (key == "chapters") mplayer.setChapterList({n, numbers.value(1).toInt()});
        else if (key == "size") mplayer.setDisplaySize(n, numbers.value(1).toInt());
        else if (key == "vo") mplayer.setVideoOutput(value);
        else if (key == "wid") mplayer.setWid(value);
        else if (key == "frames") play[0] = n;
        else if (key == "chapter") play[1] = n;
        else if (key == "start") play[2] = n;
        else if (key == "volume") play[3] = n;
        else QFAIL(qPrintable("unknown setting " + word));
    }
}

} // namespace

class TestInterfaceMplayerCommands : public QObject
{
    Q_OBJECT

private:
    QMap<QString, QString> m_videoDrivers{{"gl", "OpenGL"}, {"x11", "X11 ( XImage/Shm )"}};
    QMap<QString, QString> m_audioDrivers{{"null", "Null audio output"}};
    PlayerCapabilities m_capabilities{&m_videoDrivers, &m_audioDrivers};
    PlayerStatus m_status;

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *command, const char *setup, const char *expected) {
            QTest::newRow(name) << command << setup << expected;
        };
        row("file, nothing chosen", "play", "", "PLAY TITLE MOVIE");
        row("file in a window", "play", "wid=12345 size=512x288 vo=gl volume=5",
            "PLAY -vo gl -vf scale=512:288 -geometry 512x288 -af volume=5 -wid 12345 MOVIE");
        row("a driver MPlayer did not list is refused", "play", "vo=xv", "PLAY TITLE MOVIE");
        row("video off ignores driver and size", "play", "videoOff vo=gl size=512x288",
            "PLAY -vo null TITLE MOVIE");
        row("audio-only file gets no video option", "play", "audioOnly vo=x11 size=512x288",
            "PLAY TITLE MOVIE");
        row("audio off drops volume and audio id", "play", "audioOff volume=3 aid=2",
            "PLAY -ao null TITLE MOVIE");
        row("file: audio id, start, frames; chapter is for DVDs", "play",
            "aid=2 start=30 frames=100 chapter=3", "PLAY -aid 2 -ss 30 -frames 100 TITLE MOVIE");
        row("file: a subtitle id drops the start", "play", "sid=1 start=30", "PLAY -sid 1 TITLE MOVIE");
        row("file: subtitles off keep the start", "play", "sid=1 subsOff start=30",
            "PLAY -ss 30 TITLE MOVIE");
        row("DVD: audio id, no subtitle", "play", "dvd=3 aid=129 start=30",
            "PLAY -aid 129 -nosub -dvdangle 1 TITLE -dvd-device DVD dvd://3");
        row("DVD: one chapter wins over the list", "play",
            "dvd=1 sid=0 angle=2 chapter=3 chapters=1,2 wid=77",
            "PLAY -sid 0 -dvdangle 2 -chapter 3 -wid 77 -dvd-device DVD dvd://1");
        row("DVD: chapter list", "play", "dvd=1 chapters=2,4 frames=50",
            "PLAY -nosub -dvdangle 1 -chapter 2 -chapter 4 -frames 50 TITLE -dvd-device DVD dvd://1");
        row("DVD: subtitles and audio off with ids chosen", "play", "dvd=1 sid=1 subsOff audioOff aid=128",
            "PLAY -ao null -dvdangle 1 TITLE -dvd-device DVD dvd://1");
        row("a new source resets the selection", "play",
            "dvd=2 aid=129 sid=1 angle=3 chapters=2,3 audioOnly dvd=5 title=6 size=320x240",
            "PLAY -vf scale=320:240 -geometry 320x240 -nosub -dvdangle 1 TITLE -dvd-device DVD dvd://6");

        row("identify file, playback options ignored", "identify", "videoOff aid=3",
            "IDENTIFY -msglevel identify=4 MOVIE");
        row("identify file in a window", "identify", "wid=4242",
            "IDENTIFY -wid 4242 -msglevel identify=4 MOVIE");
        row("identify DVD title always reads angle 1", "identify", "dvd=2 angle=3",
            "IDENTIFY -msglevel identify=6 -dvd-device DVD dvd://2 -dvdangle 1");
        row("status", "status", "dvd=4", "-noconfig all -noquiet -nocache -nofs -nomouseinput "
                                         "-vo help -ao help");
        row("font cache reads the null device", "fontcache", "dvd=4",
            "-fontconfig -noquiet -slave -vo null -ao null -frames 0 /dev/null");
    }

    void commandLine()
    {
        QFETCH(QString, command);
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        InterfaceMplayer mplayer;
        mplayer.init(kBinary, &m_capabilities, &m_status);
        int play[4] = {0, 0, 0, 0};
        apply(setup, mplayer, play);
        if (QTest::currentTestFailed())
            return;

        QString program = "stale";
        QStringList arguments{"stale"};
        if (command == "play")
            mplayer.cliPlay(&program, &arguments, play[0], play[1], play[2], play[3]);
        else if (command == "identify")
            mplayer.cliCmdIdentify(&program, &arguments);
        else if (command == "status")
            mplayer.cliCmdGetStatus(&program, &arguments);
        else
            mplayer.cliCmdUpdateFontCache(&program, &arguments);
        QCOMPARE(program, kBinary);
        QCOMPARE(arguments, expectedArguments(expected));
    }

    void slaveCommands_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        InterfaceMplayer m;
        QTest::newRow("quit") << m.cliQuit() << "quit\n";
        QTest::newRow("pause") << m.cliPause() << "pause\n";
        QTest::newRow("seek 95") << m.cliSeek(95) << "seek 95 2\n";
        QTest::newRow("seek before the start") << m.cliSeek(-5) << "seek 0 2\n";
        QTest::newRow("previous chapter") << m.cliPrevChapter(0) << "seek_chapter -1 0\n";
        QTest::newRow("back -30") << m.cliPrevChapter(-30) << "seek -30 0\n";
        QTest::newRow("next chapter") << m.cliNextChapter(0) << "seek_chapter +1 0\n";
        QTest::newRow("forward lowest int")
            << m.cliNextChapter(std::numeric_limits<int>::min()) << "seek +2147483648 0\n";
        QTest::newRow("faster") << m.cliFaster() << "speed_mult 2\n";
        QTest::newRow("slower") << m.cliSlower() << "speed_mult 0.5\n";
        QTest::newRow("normal speed") << m.cliNormalSpeed() << "speed_set 1\n";
        QTest::newRow("time position") << m.cliGetTimePos() << "get_time_pos\n";
        QTest::newRow("chapter") << m.cliGetChapter() << "get_property chapter\n";
        QTest::newRow("deinterlace") << m.cliGetDeinterlace() << "get_property deinterlace\n";
        QTest::newRow("speed") << m.cliGetSpeed() << "get_property speed\n";
        QTest::newRow("osd text: no placeholders filled, no command smuggled")
            << m.cliOsdShowText("50%1 %2\nquit\r\n", 7) << "osd_show_text \"50%1 %2 quit  \" 7\n";
        QTest::newRow("osd progression") << m.cliOsdShowProgression() << "osd_show_progression\n";
        QTest::newRow("select audio 129") << m.cliSelectAudio(129) << "mute 0\nswitch_audio 129\n";
        QTest::newRow("no audio") << m.cliSelectAudio(-1) << "mute 1\n";
        QTest::newRow("subtitle 2") << m.cliSelectSubtitle(2) << "sub_demux 2\n";
    }

    void slaveCommands()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    // A DVD build of MPlayer beside the configured executable (or the one found on PATH)
    // plays the DVDs once it is executable; identify runs and files use the configured one.
    void dvdPlaysThroughTheDvdBuildWhenPresent()
    {
        QTemporaryDir dir;
        const QString player = dir.filePath("mplayer");
        const QString dvdBuild = dir.filePath("mplayer-dvd");
        QVERIFY(QFile(player).open(QIODevice::WriteOnly) && QFile(dvdBuild).open(QIODevice::WriteOnly));
        QFile::setPermissions(player, QFile::ReadOwner | QFile::ExeOwner);
        InterfaceMplayer mplayer;
        mplayer.init(player, &m_capabilities, &m_status);
        mplayer.setSourceDvd(kDvd, 1);
        QString program;
        QStringList arguments;
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(program, player);
        QFile::setPermissions(dvdBuild, QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()));
        for (const QString &binary : {player, QStringLiteral("mplayer")}) {
            mplayer.setBinary(binary);
            mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
            QCOMPARE(program, dvdBuild);
            mplayer.cliCmdIdentify(&program, &arguments);
            QCOMPARE(program, binary);
        }
        qputenv("PATH", path);
        mplayer.setSourceFile(kMovie, false);
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(program, QStringLiteral("mplayer"));
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerCommands)
#include "tst_interfacemplayer_commands.moc"
