// InterfaceMplayer's output parsers, fed with lines captured from today's MPlayer
// ("MPlayer UNKNOWN-12") and with the forms older builds printed.

#include "testregistry.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/interfacemplayer.h"
#include "engines/playbackinfo.h"
#include "engines/playercapabilities.h"
#include "engines/playeroutputcode.h"
#include "engines/playerstatus.h"

#include <QTest>

namespace {

using Fields = QVariantMap;
using Drivers = QMap<QString, QString>;
using C = PlayerOutputCode;
constexpr int kUntouched = -99; // a code value no parser writes

// Every field of a record by name, so that a row names the fields a line changes and the
// test checks at the same time that it changes no other.
Fields fieldsOf(const ClipInfo &c)
{
    QStringList times;
    for (double t : c.chapterTimes)
        times << QString::number(t);
    return Fields{
        {"fileFormat", c.fileFormat}, {"audioOnly", c.audioOnly}, {"videoFormat", c.videoFormat},
        {"colorDepth", c.colorDepth}, {"width", c.width}, {"height", c.height},
        {"scaledWidth", c.scaledWidth}, {"scaledHeight", c.scaledHeight},
        {"aspectCode", c.aspectCode}, {"aspect", c.aspect}, {"spareDouble", c.spareDouble},
        {"frameRateCode", c.frameRateCode}, {"frameRate", c.frameRate},
        {"videoBitrate", c.videoBitrate}, {"deinterlace", c.deinterlace}, {"spareInt", c.spareInt},
        {"length", c.length}, {"chapters", c.chapters}, {"chapterTimes", times.join(',')},
        {"angles", c.angles}, {"audioCount", c.audioCount}, {"subtitleCount", c.subtitleCount},
        {"audio.streamNumber", c.audio.streamNumber}, {"audio.aid", c.audio.aid},
        {"audio.format", c.audio.format}, {"audio.codec", c.audio.codec},
        {"audio.bitrate", c.audio.bitrate}, {"audio.channels", c.audio.channels},
        {"audio.channelCount", c.audio.channelCount}, {"audio.samplingRate", c.audio.samplingRate},
        {"audio.language", c.audio.language}, {"audio.description", c.audio.description},
        {"subtitle.streamNumber", c.subtitle.streamNumber}, {"subtitle.sid", c.subtitle.sid},
        {"subtitle.format", c.subtitle.format}, {"subtitle.language", c.subtitle.language},
        {"subtitle.description", c.subtitle.description},
    };
}

Fields fieldsOf(const DiskInfo &d)
{
    Fields f{{"titleCount", d.titleCount}, {"volumeId", d.volumeId},
             {"currentTitle", d.currentTitle}, {"mainTitle", d.mainTitle}};
    for (int t = 1; t <= DiskInfo::MaxTitles; ++t) {
        const QString key = QStringLiteral("t%1.").arg(t);
        f.insert(key + "ignored", d.title(t)->ignored);
        f.insert(key + "chapters", d.title(t)->chapters);
        f.insert(key + "angles", d.title(t)->angles);
        f.insert(key + "length", d.title(t)->length);
    }
    return f;
}

Fields fieldsOf(const PlaybackInfo &p)
{
    return Fields{{"videoWidth", p.videoWidth}, {"videoHeight", p.videoHeight},
                  {"position", p.position}, {"chapter", p.chapter}, {"speed", p.speed},
                  {"length", p.length}, {"deinterlace", p.deinterlace}};
}

// A fresh record of a media kind (1 file, 2 DVD).
template <typename Record>
Record withKind(int kind)
{
    Record record;
    record.kind = kind;
    return record;
}

// The columns of the three line tables: the earlier lines run first, then the last one,
// whose result and code are checked; the record must be the fresh one plus `changes`.
void lineColumns()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("changes");
}

// `changes` reads "field=value|field=value", each value as QVariant::toString() gives it.
void row(const char *name, int kind, const QByteArrayList &lines, bool ok, int code,
         const char *changes = "")
{
    QTest::newRow(name) << kind << lines << ok << code << changes;
}

template <typename Record>
void checkLines(Record record, bool (InterfaceMplayer::*parse)(const QByteArray &, int *, Record *) const)
{
    const InterfaceMplayer mplayer;
    QFETCH(QByteArrayList, lines);
    QFETCH(bool, ok);
    QFETCH(int, code);
    QFETCH(QString, changes);
    Fields expected = fieldsOf(record);
    for (const QString &change : changes.split('|', Qt::SkipEmptyParts)) {
        const QString key = change.section('=', 0, 0);
        QVERIFY2(expected.contains(key), qPrintable("unknown field " + key));
        expected.insert(key, change.section('=', 1));
    }
    int result = kUntouched;
    for (int i = 0; i < lines.size() - 1; ++i)
        QVERIFY((mplayer.*parse)(lines[i], &result, &record));
    result = kUntouched;
    QCOMPARE((mplayer.*parse)(lines.last(), &result, &record), ok);
    QCOMPARE(result, code);
    const Fields actual = fieldsOf(record);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(actual.value(it.key()).toString() == it.value().toString(),
                 qPrintable(QStringLiteral("field %1: actual %2, expected %3")
                                .arg(it.key(), actual.value(it.key()).toString(),
                                     it.value().toString())));
}

// The status answer of today's build ("\n" line ends, tab-indented columns; cut short) and
// of older Windows builds ("\r\n" line ends, blank-indented columns).
const char kStatusToday[] = "MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team\nAvailable video output drivers:\n"
                            "\txv\tX11/Xv\n\tx11\tX11 ( XImage/Shm )\n\tgl\tOpenGL\n\n"
                            "Available audio output drivers:\n\tnull\tNull audio output\n\n";
const char kStatusWindows[] = "MPlayer Sherpya-SVN-r31774-4.5.0 (C) 2000-2010 MPlayer Team\r\n"
                              "Available video output drivers:\r\n"
                              "  directx  Directx DDraw YUV/RGB/BGR renderer\r\n"
                              "  gl2      X11 (OpenGL) - multiple textures version\r\n\r\n"
                              "Available audio output drivers:\r\n"
                              "  win32    Windows waveOut audio output\r\n\r\n";

QString joined(const Drivers &drivers)
{
    QStringList entries;
    for (auto it = drivers.cbegin(); it != drivers.cend(); ++it)
        entries << it.key() + '=' + it.value();
    return entries.join('|');
}

} // namespace

class TestInterfaceMplayerParsers : public QObject
{
    Q_OBJECT

private slots:
    // One line of a media file (kind 1) or DVD title (kind 2) identify run.
    void clipLine_data()
    {
        lineColumns();
        // Today's AVI and Matroska runs.
        row("avi audio header", 1, {"[aviheader] Audio stream found, -aid 1\n"}, true,
            C::AudioStream, "audio.aid=1|audio.streamNumber=1");
        row("avi video line, then its decoder", 1,
            {"VIDEO:  [FMP4]  320x240  24bpp  25.000 fps  212.7 kbps (26.0 kbyte/s)\n",
             "ID_VIDEO_CODEC=ffodivx\n"}, true, C::VideoCodec,
            "videoFormat=FMP4|width=320|height=240|colorDepth=24|frameRate=25|frameRateCode=3|videoBitrate=212.7");
        row("mp3 tag", 1, {"ID_AUDIO_FORMAT=85\n"}, true, C::AudioFormat, "audio.format=MP3");
        row("bit rate in bit/s", 1, {"ID_AUDIO_BITRATE=127992\n"}, true, C::AudioBitrate, "audio.bitrate=127");
        row("other ID line", 1, {"ID_AID_0_LANG=eng\n"}, true, C::Ignored);
        row("audio line", 1, {"AUDIO: 44100 Hz, 2 ch, s16le, 128.0 kbit/9.07% (ratio: 16000->176400)\n"},
            true, C::AudioDetails,
            "audio.samplingRate=44100|audio.channelCount=2|audio.bitrate=128|audio.streamNumber=1|audio.aid=0");
        row("lavf untagged audio", 1, {"[lavf] stream 2: audio (mp3float), -aid 1\n"}, true,
            C::AudioStream, "audio.streamNumber=2|audio.format=mp3float|audio.aid=1");
        row("lavf subtitle with title", 1, {"[lavf] stream 3: subtitle (srt), -sid 0, -slang fre, French subs\n"},
            true, C::SubtitleStream,
            "subtitle.streamNumber=3|subtitle.format=srt|subtitle.sid=0|subtitle.language=fre|"
            "subtitle.description=French subs");
        // Older builds.
        row("decoder name in the video line", 1,
            {"VIDEO: [ffodivx] 640x480 12bpp 15.000 fps 800.0 kbps (100.0 kbyte/s)"}, true, C::VideoStream,
            "videoFormat=divx|width=640|height=480|colorDepth=12|frameRate=15|frameRateCode=-1|videoBitrate=800");
        row("first video decoder wins", 2, {"ID_VIDEO_CODEC=ffmpeg2\n", "ID_VIDEO_CODEC=ffodivx\n"},
            true, C::VideoCodec, "videoFormat=mpeg2");
        row("audio only", 1, {"Audio only file format detected.\n"}, true, C::AudioOnlyFile, "audioOnly=true");
        row("mkv audio track", 1, {"[mkv] Track ID 3: audio (ffac3) \"Director\", -aid 1, -alang fre"},
            true, C::AudioStream,
            "audio.streamNumber=3|audio.format=ac3|audio.description=Director|audio.aid=1|audio.language=fre");
        // DVD titles.
        row("video line clears the aspect", 2,
            {"Movie-Aspect is 1.78:1 - prescaling to correct movie aspect.\n",
             "VIDEO:  MPEG2  720x576  (aspect 3)  25.000 fps  9000.0 kbps (1125.0 kbyte/s)\n"}, true,
            C::VideoStream,
            "videoFormat=MPEG2|width=720|height=576|aspectCode=3|frameRate=25|frameRateCode=3|videoBitrate=9000");
        row("chapter count of old builds", 2, {"There are 4 chapters in this DVD title.\n"}, true,
            C::ChapterCount, "chapters=4");
        row("subtitle count", 2, {"number of subtitles on disk: 3\n"}, true, C::SubtitleCount, "subtitleCount=3");
        row("subtitle", 2, {"subtitle ( sid ): 1 language: fr\n"}, true, C::SubtitleStream,
            "subtitle.sid=1|subtitle.streamNumber=1|subtitle.language=fr");
        row("chapters with fractions", 2, {"CHAPTERS: 00:00:00.000,00:00:01.800,00:00:04.200,00:00:06.000,\n"},
            true, C::ChapterList, "chapters=4|chapterTimes=0,1.8,4.2,6");
        row("chapters of old builds, parts that are no time", 2, {"CHAPTERS: 00:00:00,junk,1:2,00:05:12,"},
            true, C::ChapterList, "chapters=2|chapterTimes=0,312");
        row("length answer", 2, {"ANS_LENGTH=8.00\n"}, true, C::Length, "length=8");
        // Values that do not convert: false, and the record keeps what earlier lines set.
        row("bad length", 1, {"ID_LENGTH=3.04", "ID_LENGTH=abc"}, false, kUntouched, "length=3.04");
        row("length nan", 1, {"ID_LENGTH=nan"}, false, kUntouched);
        row("audio format with blanks", 1, {"ID_AUDIO_FORMAT=a b"}, false, kUntouched);
        row("bad chapter count", 2, {"There are x chapters in this DVD title."}, false, kUntouched);
        row("kind 0 refuses everything", 0, {"ID_LENGTH=3.04"}, false, kUntouched);
    }

    void clipLine()
    {
        QFETCH(int, kind);
        checkLines(withKind<ClipInfo>(kind), &InterfaceMplayer::parseStdoutClip);
    }

    void diskLine_data()
    {
        lineColumns();
        row("title count of old builds", 2, {"There are 12 titles on this DVD.\n"}, true,
            C::DvdTitleCount, "titleCount=12");
        row("current title follows the last line", 2,
            {"ID_DVD_TITLE_1_CHAPTERS=4", "ID_DVD_TITLE_2_ANGLES=1"}, true, C::AngleCount,
            "t1.chapters=4|t2.angles=1|currentTitle=2");
        row("length truncated", 2, {"ID_DVD_TITLE_3_LENGTH=125.960"}, true, C::Length,
            "t3.length=125|currentTitle=3");
        row("last title of the table", 2, {"ID_DVD_TITLE_99_LENGTH=5.5"}, true, C::Length,
            "t99.length=5|currentTitle=99");
        row("volume id", 2, {"ID_DVD_VOLUME_ID=MY_MOVIE\n"}, true, C::DvdVolumeId, "volumeId=MY_MOVIE");
        row("chapter sentence belongs to the clip", 2, {"There are 4 chapters in this DVD title."},
            true, C::Ignored);
        row("starting playback", 2, {"Starting playback...\n"}, true, C::StartingPlayback);
        row("title 100 is outside the table", 2, {"ID_DVD_TITLE_100_CHAPTERS=3"}, false, kUntouched);
        row("title 0 is outside the table", 2, {"ID_DVD_TITLE_0_LENGTH=5.0"}, false, kUntouched);
        row("huge title number", 2, {"ID_DVD_TITLE_99999999999_ANGLES=1"}, false, kUntouched);
        row("kind 1 refuses everything", 1, {"ID_DVD_TITLES=2"}, false, kUntouched);
    }

    void diskLine()
    {
        QFETCH(int, kind);
        checkLines(withKind<DiskInfo>(kind), &InterfaceMplayer::parseStdoutDisk);
    }

    // Answers of a running player that the real slave session does not give.
    void runLine_data()
    {
        lineColumns();
        row("chapter truncated", 0, {"ANS_chapter=2.9"}, true, C::CurrentChapter, "chapter=2");
        row("property error", 0, {"ANS_ERROR=PROPERTY_UNAVAILABLE\n"}, true, C::Ignored);
        row("length 0", 0, {"ANS_LENGTH=0.00"}, false, kUntouched);
        row("position nan", 0, {"ANS_TIME_POSITION=nan"}, false, kUntouched);
        row("chapter beyond int", 0, {"ANS_chapter=1e300"}, false, kUntouched);
        row("resolution without height", 0, {"ANS_VIDEO_RESOLUTION='720'"}, false, kUntouched);
        row("deinterlace other", 0, {"ANS_deinterlace=maybe"}, false, kUntouched);
    }

    void runLine() { checkLines(PlaybackInfo(), &InterfaceMplayer::parseStdoutRun); }

    // The errors the player panel tells apart; every other line is an OtherError (see oddInput).
    void errorLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("file not found") << QByteArray("File not found: '/tmp/none.avi'\n")
                                        << int(C::FileNotFound) << "File not found: '/tmp/none.avi'";
        QTest::newRow("no VMG") << QByteArray("Can't open  VMG info!\r\n") << int(C::NoDvdStructure)
                                << "Can't open VMG info!";
    }

    void errorLine()
    {
        QFETCH(QByteArray, line);
        int result = kUntouched;
        QString read = "stale";
        InterfaceMplayer().parseStderr(line, &result, &read);
        QTEST(result, "code");
        QTEST(read, "text");
    }

    // Each NTSC rate must be found before the whole rate that its text also contains.
    void frameRateCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        const std::pair<const char *, int> rows[] = {
            {"24000/1001", 1}, {"25.000", 3}, {"29.970", 4}, {"30000/1001", 4},
            {"30.000", 5}, {"60000/1001", 7}, {"60.000", 8}, {"15.000", -1},
        };
        for (const auto &[text, code] : rows)
            QTest::newRow(text) << QString(text) << code;
    }

    void frameRateCode()
    {
        QFETCH(QString, text);
        QTEST(InterfaceMplayer::frameRateCode(text), "code");
    }

    void status_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("expectedState");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("audio");
        QTest::addColumn<bool>("openGl");
        auto row = [](const char *name, int state, const char *output, int expectedState,
                      const char *version, const char *video, const char *audio, bool openGl) {
            QTest::newRow(name) << state << QByteArray(output) << expectedState << QString(version)
                                << QString(video) << QString(audio) << openGl;
        };
        const int captured = PlayerStatus::OutputCaptured;
        const int ready = PlayerStatus::Ready;
        row("today", captured, kStatusToday, ready, "UNKNOWN-12",
            "gl=OpenGL|x11=X11 ( XImage/Shm )|xv=X11/Xv", "null=Null audio output", true);
        row("older Windows builds", captured, kStatusWindows, ready, "Sherpya-SVN-r31774-4.5.0",
            "directx=Directx DDraw YUV/RGB/BGR renderer|gl2=X11 (OpenGL) - multiple textures version",
            "win32=Windows waveOut audio output", true);
        row("no team in the banner", captured, "MPlayer 1.5 (C) the authors\n",
            PlayerStatus::ParseFailed, "", "", "", false);
        row("not captured yet", PlayerStatus::Reset, kStatusToday, PlayerStatus::Reset, "", "", "", false);
        row("banner without driver lists", captured, "MPlayer 1.4-10 (C) 2000-2019 MPlayer Team\n",
            ready, "1.4-10", "", "", false);
    }

    void status()
    {
        QFETCH(int, state);
        QFETCH(QByteArray, output);
        Drivers video;
        Drivers audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        InterfaceMplayer mplayer;
        mplayer.init("mplayer", &capabilities, &status);
        status.state = state;
        status.stdOut = output;
        mplayer.parseStatus();
        QTEST(status.state, "expectedState");
        QTEST(status.version, "version");
        QTEST(joined(video), "video");
        QTEST(joined(audio), "audio");
        QTEST(status.openGl, "openGl");
    }

    // Empty, unknown, very long and malformed lines, and bytes that are no UTF-8, through
    // every parser: no crash, each pattern reads in about linear time, a refused line leaves
    // the code alone, and a line no parser knows changes no record.
    void oddInput_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("unknown");
        const QByteArray junk(1 << 18, '9');
        auto row = [](const char *name, const QByteArray &line, bool unknown = false) {
            QTest::newRow(name) << line << unknown;
        };
        row("empty", QByteArray(), true);
        row("unknown", "Load subtitles in ./\n", true);
        row("long unknown", QByteArray(1 << 20, 'A'), true);
        row("long status line", QByteArray("A:   0.1 (00.0) of 3.0 (03.0) ??,?% \x1b[J\r").repeated(20000), true);
        row("invalid utf-8", "\xff\xfe\x80\xc3(\xed\xa0\x80 \xf8\x88\x80\x80\x80", true);
        row("long video line", "VIDEO: [" + junk + "] " + junk + "x" + junk + " fps kbps");
        row("audio line of decimals", "AUDIO: " + QByteArray("1.").repeated(1 << 17));
        row("video output of sizes", "VO: " + QByteArray("1x1 ").repeated(1 << 16));
        row("long chapter times", "CHAPTERS: " + QByteArray("00:00:01.5,").repeated(20000));
        row("long lavf line", "[lavf] stream " + junk + ": audio (" + junk + "), -aid " + junk);
        row("long mkv line", "[mkv] Track ID 1: audio (x) \"" + junk + "\", -aid 1, -alang " + junk);
        row("many avi headers", QByteArray("[aviheader] audio ").repeated(1 << 14));
        row("many subtitles", QByteArray("subtitle ").repeated(1 << 15));
        row("long DVD title", "ID_DVD_TITLE_" + junk + "_CHAPTERS=" + junk);
        row("many banners", QByteArray("mplayer x ").repeated(1 << 15));
        row("driver with long blanks", "gl" + QByteArray(1 << 18, ' ') + "x");
        row("invalid utf-8 in a stream line", "[lavf] stream 1: audio (\xff\xfe), -aid 1, -alang \xc3(, \x80\x81");
        row("nul bytes", QByteArray("ID_LENGTH=3\0.04 VIDEO: x", 24));
    }

    void oddInput()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, unknown);
        InterfaceMplayer mplayer;
        auto check = [&](auto record, auto parse) {
            const Fields fresh = fieldsOf(record);
            int code = kUntouched;
            const bool ok = (mplayer.*parse)(line, &code, &record);
            QVERIFY2(ok ? code != kUntouched : code == kUntouched, "a refused line sets no code");
            if (unknown) {
                QCOMPARE(code, int(C::Ignored));
                QCOMPARE(fieldsOf(record), fresh);
            }
        };
        check(withKind<ClipInfo>(1), &InterfaceMplayer::parseStdoutClip);
        check(withKind<ClipInfo>(2), &InterfaceMplayer::parseStdoutClip);
        check(withKind<DiskInfo>(2), &InterfaceMplayer::parseStdoutDisk);
        check(PlaybackInfo(), &InterfaceMplayer::parseStdoutRun);
        int code = kUntouched;
        QString text;
        mplayer.parseStderr(line, &code, &text);
        QCOMPARE(code, int(text.isEmpty() ? C::NothingToReport : C::OtherError));
        QCOMPARE(text, QString::fromUtf8(line).simplified());

        Drivers video;
        Drivers audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        mplayer.init("mplayer", &capabilities, &status);
        status.stdOut = line + "\nAvailable video output drivers:\n" + line
                        + "\nAvailable audio output drivers:\n" + line;
        status.state = PlayerStatus::OutputCaptured;
        mplayer.parseStatus();
        QVERIFY(status.state == PlayerStatus::Ready || status.state == PlayerStatus::ParseFailed);
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerParsers)
#include "tst_interfacemplayer_parsers.moc"
