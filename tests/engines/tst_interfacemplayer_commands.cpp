// The MPlayer command lines and slave commands as InterfaceMplayer builds them.

#include "testregistry.h"

#include "engines/interfacemplayer.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"

#include <QRegularExpression>
#include <QTest>

#include <functional>

namespace {

const QString kBinary = QStringLiteral("/opt/vexo/mplayer/mplayer");
const QString kMovie = QStringLiteral("/media/My Movie (2010).avi");
const QString kDvd = QStringLiteral("/media/DVD folder");

// What every playback starts with on Linux: no "-priority" (rejected here), and joystick
// and LIRC off so that their failures never reach standard error.
const QString kPlayHead = "-slave -nofs -nomouseinput -nolirc -nojoystick -nokeepaspect -nocache "
                          "-noconfig all -fontconfig -framedrop -nodr -double "
                          "-monitorpixelaspect 1 -osdlevel 0 -softvol -softvol-max 110 -quiet";
const QString kIdentifyHead = "-noconfig all -noquiet -nocache -nofs -nomouseinput -nolirc "
                              "-nojoystick -slave -nofontconfig -vo null -ao null -frames 1";

// An expected command line written as one text; MOVIE, DVD and TITLE stand for arguments
// that hold blanks, so that each must arrive as one argument.
QStringList expectedArguments(QString text)
{
    text.replace("PLAY", kPlayHead).replace("IDENTIFY", kIdentifyHead);
    const QMap<QString, QStringList> spaced{
        {"MOVIE", {kMovie}}, {"DVD", {kDvd}}, {"TITLE", {"-title", "Vexo 4 - WebM video player"}}};
    QStringList arguments;
    for (const QString &word : text.split(' ', Qt::SkipEmptyParts))
        arguments << spaced.value(word, {word});
    return arguments;
}

// Applies a row's settings in order, e.g. "dvd=3 aid=129 size=512x288"; frames, chapter,
// start and volume go to `play`.
void apply(const QString &setup, InterfaceMplayer &m, int play[4])
{
    m.setSourceFile(kMovie, false);
    for (const QString &word : setup.split(' ', Qt::SkipEmptyParts)) {
        const QString key = word.section('=', 0, 0), value = word.section('=', 1);
        const QStringList numbers = value.split(QRegularExpression("[x,]"), Qt::SkipEmptyParts);
        const int n = numbers.value(0).toInt(), n2 = numbers.value(1).toInt();
        const QMap<QString, std::function<void()>> actions{
            {"dvd", [&] { m.setSourceDvd(kDvd, n); }}, {"file", [&] { m.setSourceFile(value, false); }}, {"audioOnly", [&] { m.setSourceFile(kMovie, true); }},
            {"title", [&] { m.setDvdTitle(n); }}, {"videoOff", [&] { m.disableVideo(); }},
            {"audioOff", [&] { m.disableAudio(); }}, {"subsOff", [&] { m.disableSubtitle(); }},
            {"aid", [&] { m.setAudioId(n); }}, {"sid", [&] { m.setSubtitleId(n); }},
            {"angle", [&] { m.setDvdAngle(n); }}, {"chapters", [&] { m.setChapterList({n, n2}); }},
            {"size", [&] { m.setDisplaySize(n, n2); }}, {"vo", [&] { m.setVideoOutput(value); }},
            {"wid", [&] { m.setWid(value); }}, {"frames", [&] { play[0] = n; }},
            {"chapter", [&] { play[1] = n; }}, {"start", [&] { play[2] = n; }}, {"volume", [&] { play[3] = n; }}};
        QVERIFY2(actions.contains(key), qPrintable("unknown setting " + word));
        actions[key]();
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
        row("file, nothing chosen", "play", "", "PLAY -nosub -noautosub TITLE MOVIE");
        row("file in a window", "play", "wid=12345 size=512x288 vo=gl volume=5",
            "PLAY -vo gl -vf scale=512:288 -geometry 512x288 -af volume=5 -nosub -noautosub -wid 12345 MOVIE");
        row("a driver MPlayer did not list is refused", "play", "vo=xv", "PLAY -nosub -noautosub TITLE MOVIE");
        row("video off ignores driver and size", "play", "videoOff vo=gl size=512x288", "PLAY -vo null -nosub -noautosub TITLE MOVIE");
        row("audio-only: no video option", "play", "audioOnly vo=x11 size=512x288", "PLAY -nosub -noautosub TITLE MOVIE");
        row("audio off drops volume and audio id", "play", "audioOff volume=3 aid=2", "PLAY -ao null -nosub -noautosub TITLE MOVIE");
        row("file: aid, start, frames; no chapter", "play", "aid=2 start=30 frames=100 chapter=3",
            "PLAY -aid 2 -nosub -noautosub -ss 30 -frames 100 TITLE MOVIE");
        row("file: a subtitle id drops the start", "play", "sid=1 start=30", "PLAY -sid 1 -noautosub TITLE MOVIE");
        // Exactly the subtitle chosen: MPlayer shows none the file flags, nor a file named as the movie.
        row("file: subtitles off", "play", "sid=1 subsOff", "PLAY -nosub -noautosub TITLE MOVIE");
        row("DVD: audio id, no subtitle", "play", "dvd=3 aid=129 start=30",
            "PLAY -aid 129 -nosub -dvdangle 1 TITLE -dvd-device DVD dvd://3");
        row("DVD: one chapter wins over the list", "play", "dvd=1 sid=0 angle=2 chapter=3 chapters=1,2 wid=77",
            "PLAY -sid 0 -dvdangle 2 -chapter 3 -wid 77 -dvd-device DVD dvd://1");
        row("DVD: chapter list", "play", "dvd=1 chapters=2,4 frames=50",
            "PLAY -nosub -dvdangle 1 -chapter 2 -chapter 4 -frames 50 TITLE -dvd-device DVD dvd://1");
        row("new source", "play", "dvd=2 aid=129 sid=1 angle=3 chapters=2,3 audioOnly dvd=5 title=6 size=320x240",
            "PLAY -vf scale=320:240 -geometry 320x240 -nosub -dvdangle 1 TITLE -dvd-device DVD dvd://6");
        row("identify file, no play options", "identify", "videoOff aid=3", "IDENTIFY -endpos 0 -msglevel identify=4 MOVIE");
        // A relative name that starts with "-" must not be read as an option.
        row("play file named like an option", "play", "file=-vo.avi", "PLAY -nosub -noautosub TITLE ./-vo.avi");
        row("identify file named like an option", "identify", "file=-vo.avi", "IDENTIFY -endpos 0 -msglevel identify=4 ./-vo.avi");
        row("identify DVD title always reads angle 1", "identify", "dvd=2 angle=3",
            "IDENTIFY -msglevel identify=6 -dvd-device DVD dvd://2 -dvdangle 1");
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
        else
            mplayer.cliCmdIdentify(&program, &arguments);
        QCOMPARE(program, kBinary);
        QCOMPARE(arguments, expectedArguments(expected));
    }

    // The edges of the slave commands; the real slave session runs the common forms.
    void slaveCommands_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        InterfaceMplayer m;
        const std::pair<QString, const char *> rows[] = {
            {m.cliSeek(-5), "seek 0 2\n"}, {m.cliPrevChapter(0), "seek_chapter -1 0\n"},
            {m.cliPrevChapter(-30), "seek -30 0\n"},
            {m.cliNextChapter(std::numeric_limits<int>::min()), "seek +2147483648 0\n"},
            // no placeholder filled, no command smuggled in through a line break
            {m.cliOsdShowText("50%1 %2\nquit\r\n", 7), "osd_show_text \"50%1 %2 quit  \" 7\n"},
            {m.cliSelectAudio(-1), "mute 1\n"}};
        for (const auto &[actual, expected] : rows)
            QTest::newRow(expected) << actual << QString(expected);
    }

    void slaveCommands()
    {
        QFETCH(QString, actual);
        QTEST(actual, "expected");
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerCommands)
#include "tst_interfacemplayer_commands.moc"
