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

#include <type_traits>

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
    for (double time : c.chapterTimes)
        times << QString::number(time);
    const AudioInfo &a = c.audio;
    const SubtitleInfo &t = c.subtitle;
    return Fields{{"fileFormat", c.fileFormat}, {"audioOnly", c.audioOnly}, {"videoFormat", c.videoFormat},
        {"colorDepth", c.colorDepth}, {"width", c.width}, {"height", c.height}, {"scaledWidth", c.scaledWidth},
        {"scaledHeight", c.scaledHeight}, {"aspectCode", c.aspectCode}, {"aspect", c.aspect},
        {"spareDouble", c.spareDouble}, {"frameRateCode", c.frameRateCode}, {"frameRate", c.frameRate},
        {"videoBitrate", c.videoBitrate}, {"deinterlace", c.deinterlace}, {"spareInt", c.spareInt},
        {"length", c.length}, {"chapters", c.chapters}, {"chapterTimes", times.join(',')}, {"angles", c.angles},
        {"audioCount", c.audioCount}, {"subtitleCount", c.subtitleCount}, {"audio.streamNumber", a.streamNumber},
        {"audio.aid", a.aid}, {"audio.format", a.format}, {"audio.codec", a.codec}, {"audio.bitrate", a.bitrate},
        {"audio.channels", a.channels}, {"audio.channelCount", a.channelCount},
        {"audio.samplingRate", a.samplingRate}, {"audio.language", a.language}, {"audio.description", a.description},
        {"subtitle.streamNumber", t.streamNumber}, {"subtitle.sid", t.sid}, {"subtitle.format", t.format},
        {"subtitle.language", t.language}, {"subtitle.description", t.description}};
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

// The columns of the line table: `parser` names the parser and the media kind of the
// fresh record (1 file, 2 DVD); the earlier lines run first, then the last one, whose
// result and code are checked; the record must be the fresh one plus `changes`, which
// reads "field=value|field=value", each value as QVariant::toString() gives it.
void row(const char *name, const char *parser, const QByteArrayList &lines, bool ok, int code, const char *changes = "")
{
    QTest::newRow(name) << QString(parser) << lines << ok << code << changes;
}

template <typename Record>
void checkLines(Record record, int kind, bool (InterfaceMplayer::*parse)(const QByteArray &, int *, Record *) const)
{
    if constexpr (!std::is_same_v<Record, PlaybackInfo>)
        record.kind = kind;
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
                 qPrintable(it.key() + ": actual " + actual.value(it.key()).toString() + ", expected "
                            + it.value().toString()));
}

// The status answer of older Windows builds ("\r\n" line ends, blank-indented columns);
// today's is read in the real test.
const char kStatusWindows[] =
    "MPlayer Sherpya-SVN-r31774-4.5.0 (C) 2000-2010 MPlayer Team\r\nAvailable video output drivers:\r\n"
    "  directx  Directx DDraw YUV/RGB/BGR renderer\r\n  gl2      X11 (OpenGL) - multiple textures version\r\n\r\n"
    "Available audio output drivers:\r\n  win32    Windows waveOut audio output\r\n\r\n";

} // namespace

class TestInterfaceMplayerParsers : public QObject
{
    Q_OBJECT

private slots:
    // Lines of identify runs and answers of a running player; the real runs cover the lines
    // of today's AVI, MP4 and DVD, and the answers of a slave session.
    void outputLine_data()
    {
        QTest::addColumn<QString>("parser");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("changes");
        row("audio line", "clip1", {"AUDIO: 44100 Hz, 2 ch, s16le, 128.0 kbit/9.07% (ratio: 16000->176400)\n"},
            true, C::AudioDetails,
            "audio.samplingRate=44100|audio.channelCount=2|audio.bitrate=128|audio.streamNumber=1|audio.aid=0");
        // bit/s to kbit/s, truncated.
        row("audio bit rate", "clip1", {"ID_AUDIO_BITRATE=128999"}, true, C::AudioBitrate, "audio.bitrate=128");
        row("audio bit rate below 1 kbit/s", "clip1", {"ID_AUDIO_BITRATE=640"}, true, C::AudioBitrate,
            "audio.bitrate=0");
        row("lavf untagged audio", "clip1", {"[lavf] stream 2: audio (mp3float), -aid 1\n"}, true,
            C::AudioStream, "audio.streamNumber=2|audio.format=mp3float|audio.aid=1");
        row("lavf subtitle", "clip1", {"[lavf] stream 3: subtitle (srt), -sid 0, -slang fre, French subs\n"},
            true, C::SubtitleStream, "subtitle.streamNumber=3|subtitle.format=srt|subtitle.sid=0|"
                                     "subtitle.language=fre|subtitle.description=French subs");
        // Its own transport stream reader names a subtitle by its id and format alone.
        row("transport stream's subtitle", "clip1", {"VIDEO MPEG2(pid=256) AUDIO A52(pid=258) SUB DVB(pid=259)  PROGRAM N. 1"},
            true, C::SubtitleId, "subtitle.sid=259|subtitle.format=DVB");
        row("transport stream without subtitle", "clip1", {"VIDEO MPEG2(pid=256) AUDIO MPA(pid=257) NO SUBS (yet)!  PROGRAM N. 1"},
            true, C::Ignored);
        // Older builds. An NTSC rate is told from the whole rate its text also holds.
        row("decoder in the video line", "clip1",
            {"VIDEO: [ffodivx] 640x480 12bpp 29.970 fps 800.0 kbps (100.0 kbyte/s)"},
            true, C::VideoStream, "videoFormat=divx|width=640|height=480|colorDepth=12|frameRate=29.97|"
                                  "frameRateCode=4|videoBitrate=800");
        row("mkv audio", "clip1", {"[mkv] Track ID 3: audio (ffac3) \"Director\", -aid 1, -alang fre"}, true,
            C::AudioStream, "audio.streamNumber=3|audio.format=ac3|audio.description=Director|audio.aid=1|"
                            "audio.language=fre");
        row("chapter count", "clip2", {"There are 4 chapters in this DVD title.\n"}, true, C::ChapterCount,
            "chapters=4");
        row("one chapter: a count and no list", "clip2", {"ID_CHAPTERS=1"}, true, C::ChapterCount, "chapters=1");
        row("chapters, parts that are no time", "clip2", {"CHAPTERS: 00:00:00,junk,1:2,00:05:12,"}, true,
            C::ChapterList, "chapters=2|chapterTimes=0,312");
        row("subtitle", "clip2", {"subtitle ( sid ): 1 language: fr\n"}, true, C::SubtitleStream,
            "subtitle.sid=1|subtitle.streamNumber=1|subtitle.language=fr");
        row("title count", "disk2", {"There are 12 titles on this DVD.\n"}, true, C::DvdTitleCount, "titleCount=12");
        row("current title follows the last line", "disk2", {"ID_DVD_TITLE_1_CHAPTERS=4", "ID_DVD_TITLE_2_ANGLES=1"},
            true, C::AngleCount, "t1.chapters=4|t2.angles=1|currentTitle=2");
        row("last title of the table, length truncated", "disk2", {"ID_DVD_TITLE_99_LENGTH=5.5"}, true, C::Length,
            "t99.length=5|currentTitle=99");
        row("volume id", "disk2", {"ID_DVD_VOLUME_ID=MY_MOVIE\n"}, true, C::DvdVolumeId, "volumeId=MY_MOVIE");
        row("chapter truncated", "run", {"ANS_chapter=2.9"}, true, C::CurrentChapter, "chapter=2");
        row("property error", "run", {"ANS_ERROR=PROPERTY_UNAVAILABLE\n"}, true, C::Ignored);
        // Values that do not convert or lie outside the title table: false, and the record
        // keeps what earlier lines set.
        row("bad length", "clip1", {"ID_LENGTH=3.04", "ID_LENGTH=abc"}, false, kUntouched, "length=3.04");
        row("kind 0 refuses everything", "clip0", {"ID_LENGTH=3.04"}, false, kUntouched);
        row("title 0", "disk2", {"ID_DVD_TITLE_0_CHAPTERS=3"}, false, kUntouched);
        row("title 100", "disk2", {"ID_DVD_TITLE_100_CHAPTERS=3"}, false, kUntouched);
        row("huge title number", "disk2", {"ID_DVD_TITLE_99999999999_ANGLES=1"}, false, kUntouched);
        row("length 0", "run", {"ANS_LENGTH=0.00"}, false, kUntouched);
        row("chapter just beyond int", "run", {"ANS_chapter=2", "ANS_chapter=2147483648"}, false, kUntouched, "chapter=2");
    }

    void outputLine()
    {
        QFETCH(QString, parser);
        const int kind = parser.right(1).toInt();
        if (parser.startsWith("clip"))
            checkLines(ClipInfo(), kind, &InterfaceMplayer::parseStdoutClip);
        else if (parser.startsWith("disk"))
            checkLines(DiskInfo(), kind, &InterfaceMplayer::parseStdoutDisk);
        else
            checkLines(PlaybackInfo(), 0, &InterfaceMplayer::parseStdoutRun);
    }

    // The status answer of older Windows builds, a banner without "MPlayer Team", and an
    // answer not yet captured.
    void status()
    {
        const std::tuple<int, QByteArray, QString> rows[] = {
            {PlayerStatus::OutputCaptured, kStatusWindows,
             QString("%1 Sherpya-SVN-r31774-4.5.0 | directx=Directx DDraw YUV/RGB/BGR renderer|gl2=X11 (OpenGL) - "
                     "multiple textures version | win32=Windows waveOut audio output | 1").arg(PlayerStatus::Ready)},
            {PlayerStatus::OutputCaptured, "MPlayer 1.5 (C) the authors\n",
             QString("%1  |  |  | 0").arg(PlayerStatus::ParseFailed)},
            {PlayerStatus::Reset, kStatusWindows, QString("%1  |  |  | 0").arg(PlayerStatus::Reset)}};
        auto joined = [](const Drivers &drivers) {
            QStringList all;
            for (auto it = drivers.cbegin(); it != drivers.cend(); ++it)
                all << it.key() + '=' + it.value();
            return all.join('|');
        };
        for (const auto &[state, output, summary] : rows) {
            Drivers video, audio;
            PlayerCapabilities capabilities{&video, &audio};
            PlayerStatus status;
            InterfaceMplayer mplayer;
            mplayer.init("mplayer", &capabilities, &status);
            status.state = state;
            status.stdOut = output;
            mplayer.parseStatus();
            QCOMPARE(QStringLiteral("%1 %2 | %3 | %4 | %5").arg(status.state)
                         .arg(status.version, joined(video), joined(audio)).arg(int(status.openGl)), summary);
        }
    }

    // Empty, unknown, very long and malformed lines, and bytes that are no UTF-8, through
    // every parser: no crash, each pattern reads in about linear time, a refused line leaves
    // the code alone, and a line no parser knows changes no record. On standard error, the
    // errors the player panel tells apart get their code; every other line is an OtherError.
    void oddInput_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("unknown");
        QTest::addColumn<int>("errorCode");
        const QByteArray junk(1 << 18, '9');
        auto row = [](const char *name, const QByteArray &line, bool unknown = false, int errorCode = C::OtherError) {
            QTest::newRow(name) << line << unknown << errorCode;
        };
        row("file not found", "File not found: '/tmp/none.avi'\n", true, C::FileNotFound);
        row("no VMG", "Can't open  VMG info!\r\n", true, C::NoDvdStructure);
        row("empty", QByteArray(), true, C::NothingToReport);
        row("LIRC", "Failed to open LIRC support. You will not be able to use your remote control.\n", true, C::PlatformNoise);
        row("socket", "do_connect: could not connect to socket\n", true, C::PlatformNoise);
        row("threading", "[vp8 @ 0x7f5f8bdffd20]Requested frame threading with a custom get_buffer2() implementation\n", true, C::PlatformNoise);
        row("decoder error", "[mpeg2video @ 0x7ff6cb1ffd20]ac-tex damaged at 28 2\n", true);
        row("video output failed", "Error opening/initializing the selected video_out (-vo) device.\n", true,
            C::VideoOutputFailed);
        row("the output's own reason", "[gl] no GLX support present\n", true);
        row("long status line", QByteArray("A:   0.1 (00.0) of 3.0 (03.0) ??,?% \x1b[J\r").repeated(20000), true);
        row("invalid utf-8", "\xff\xfe\x80\xc3(\xed\xa0\x80 \xf8\x88\x80\x80\x80", true);
        row("long video line", "VIDEO: [" + junk + "] " + junk + "x" + junk + " fps kbps");
        row("audio line of decimals", "AUDIO: " + QByteArray("1.").repeated(1 << 17));
        row("long chapter times", "CHAPTERS: " + QByteArray("00:00:01.5,").repeated(20000));
        row("long lavf line", "[lavf] stream " + junk + ": audio (" + junk + "), -aid " + junk);
        row("long DVD title", "ID_DVD_TITLE_" + junk + "_CHAPTERS=" + junk);
        row("driver with long blanks", "gl" + QByteArray(1 << 18, ' ') + "x");
        row("invalid utf-8 in a stream line", "[lavf] stream 1: audio (\xff\xfe), -aid 1, -alang \xc3(, \x80\x81");
        row("nul bytes", QByteArray("ID_LENGTH=3\0.04 VIDEO: x", 24));
    }

    void oddInput()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, unknown);
        QFETCH(int, errorCode);
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
        auto kinded = [](auto record, int kind) { record.kind = kind; return record; };
        check(kinded(ClipInfo(), 1), &InterfaceMplayer::parseStdoutClip);
        check(kinded(ClipInfo(), 2), &InterfaceMplayer::parseStdoutClip);
        check(kinded(DiskInfo(), 2), &InterfaceMplayer::parseStdoutDisk);
        check(PlaybackInfo(), &InterfaceMplayer::parseStdoutRun);
        int code = kUntouched;
        QString text;
        mplayer.parseStderr(line, &code, &text);
        QCOMPARE(code, errorCode);
        QCOMPARE(text, QString::fromUtf8(line).simplified());

        Drivers video, audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        mplayer.init("mplayer", &capabilities, &status);
        status.stdOut = line + "\nAvailable video output drivers:\n" + line
                        + "\nAvailable audio output drivers:\n" + line;
        status.state = PlayerStatus::OutputCaptured;
        mplayer.parseStatus();
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerParsers)
#include "tst_interfacemplayer_parsers.moc"
