// MediaInfo's command lines and the parsers of its version banner and text report, on
// reports captured from today's MediaInfo 23.04 and on reports in the older form of the
// Windows builds (CR LF, "1h 23mn", "Kbps"), and on the real utility with clips made here.

#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTest>

namespace {
// MediaInfo 23.04 on TestMedia::standardAvi (MPEG-4 Visual and MP3 in AVI).
const char kAviReport[] = R"MI(General
Complete name                            : std.avi
Format                                   : AVI
Format/Info                              : Audio Video Interleave
Format settings                          : BitmapInfoHeader / WaveFormatEx
File size                                : 141 KiB
Duration                                 : 3 s 40 ms
Overall bit rate                         : 379 kb/s
Frame rate                               : 25.000 FPS
Writing application                      : Lavf59.27.100

Video
ID                                       : 0
Format                                   : MPEG-4 Visual
Format profile                           : Simple@L1
Format settings, BVOP                    : No
Format settings, QPel                    : No
Format settings, GMC                     : No warppoints
Format settings, Matrix                  : Default (H.263)
Codec ID                                 : FMP4
Duration                                 : 3 s 40 ms
Bit rate                                 : 213 kb/s
Width                                    : 320 pixels
Height                                   : 240 pixels
Display aspect ratio                     : 4:3
Frame rate                               : 25.000 FPS
Color space                              : YUV
Chroma subsampling                       : 4:2:0
Bit depth                                : 8 bits
Scan type                                : Progressive
Compression mode                         : Lossy
Bits/(Pixel*Frame)                       : 0.111
Stream size                              : 78.9 KiB (56%)
Writing library                          : Lavc59.37.100

Audio
ID                                       : 1
Format                                   : MPEG Audio
Format version                           : Version 1
Format profile                           : Layer 3
Codec ID                                 : 55
Codec ID/Hint                            : MP3
Duration                                 : 3 s 30 ms
Bit rate mode                            : Constant
Bit rate                                 : 128 kb/s
Channel(s)                               : 1 channel
Sampling rate                            : 44.1 kHz
Compression mode                         : Lossy
Stream size                              : 47.3 KiB (34%)
Alignment                                : Aligned on interleaves
Interleave, duration                     : 26  ms (0.66 video frame)
Interleave, preload duration             : 26  ms
Writing library                          : LAME3.100


)MI";

// MediaInfo 23.04 on a Matroska file (some of its lines): a "Unique ID" line before
// "Complete name", a long "Encoding settings" line, a titled French audio stream and a
// SubRip "Text" section.
const char kMkvReport[] = R"MI(General
Unique ID                                : 138830881987701144056796090279138699121 (0x6871DAF3CC97BA8AC5DB3C3486142771)
Complete name                            : std.mkv
Format                                   : Matroska
Duration                                 : 3 s 23 ms
ErrorDetectionType                       : Per level 1

Video
ID                                       : 1
Format                                   : AVC
Duration                                 : 3 s 0 ms
Width                                    : 320 pixels
Encoding settings                        : cabac=0 / ref=1 / deblock=0:0:0 / analyse=0:0 / me=dia / subme=0 / psy=1 / psy_rd=1.00:0.00 / mixed_ref=0 / me_range=16 / chroma_me=1 / trellis=0 / 8x8dct=0 / cqm=0 / deadzone=21,11 / fast_pskip=1 / chroma_qp_offset=0 / threads=7 / lookahead_threads=1 / sliced_threads=0 / nr=0 / decimate=1 / interlaced=0 / bluray_compat=0 / constrained_intra=0 / bframes=0 / weightp=0 / keyint=250 / keyint_min=25 / scenecut=0 / intra_refresh=0 / rc=crf / mbtree=0 / crf=23.0 / qcomp=0.60 / qpmin=0 / qpmax=69 / qpstep=4 / ip_ratio=1.40 / aq=0
VENDOR_ID                                : [0][0][0][0]

Audio
ID                                       : 2
Format                                   : AAC LC
Duration                                 : 3 s 23 ms
Channel(s)                               : 1 channel
Delay relative to video                  : -23 ms
Title                                    : Général commentaire
Language                                 : French
VENDOR_ID                                : [0][0][0][0]

Text
ID                                       : 3
Format                                   : UTF-8
Codec ID/Info                            : UTF-8 Plain Text
Duration                                 : 2 s 23 ms
Language                                 : English


)MI";

// The older report of the Windows builds: CR LF, a narrower label column, "1h 23mn",
// "Kbps", numbered Audio and Text sections, a folder named "General" in the path.
const char kOldReport[] =
    "General\r\n"
    "Complete name                    : C:\\Movies\\General\\movie.avi\r\n"
    "Format                           : AVI\r\n"
    "File size                        : 700 MiB\r\n"
    "Duration                         : 1h 23mn\r\n"
    "Overall bit rate                 : 1 179 Kbps\r\n"
    "\r\n"
    "Video\r\n"
    "ID                               : 0\r\n"
    "Format                           : MPEG-4 Visual\r\n"
    "Codec ID                         : XVID\r\n"
    "Duration                         : 1h 23mn\r\n"
    "Bit rate                         : 1 000 Kbps\r\n"
    "Width                            : 720 pixels\r\n"
    "Height                           : 576 pixels\r\n"
    "Display aspect ratio             : 16:9\r\n"
    "Frame rate                       : 25.000 fps\r\n"
    "Stream size                      : 594 MiB (85%)\r\n"
    "\r\n"
    "Audio #1\r\n"
    "ID                               : 1\r\n"
    "Format                           : MPEG Audio\r\n"
    "Bit rate                         : 128 Kbps\r\n"
    "Channel(s)                       : 2 channels\r\n"
    "Language                         : English\r\n"
    "\r\n"
    "Audio #2\r\n"
    "ID                               : 2\r\n"
    "Format                           : AC-3\r\n"
    "Channel(s)                       : 6 channels\r\n"
    "Channel positions                : Front: L C R, Side: L R, LFE\r\n"
    "Title                            : General commentary\r\n"
    "\r\n"
    "Text #1\r\n"
    "ID                               : 3\r\n"
    "Format                           : UTF-8\r\n"
    "Language                         : French\r\n"
    "\r\n"
    "Text #2\r\n"
    "ID                               : 4\r\n"
    "Format                           : VobSub\r\n"
    "\r\n";

// One file's report in today's form whose video stream has the given size.
QString fileReport(const QString &name, const QString &videoSize)
{
    return QString("General\n"
                   "Complete name                            : %1\n"
                   "Format                                   : MPEG-PS\n"
                   "\n"
                   "Video\n"
                   "Format                                   : MPEG Video\n"
                   "Stream size                              : %2 (65%)\n"
                   "\n"
                   "Audio\n"
                   "Format                                   : AC-3\n"
                   "\n")
        .arg(name, videoSize);
}

QString sizes(const QList<MediaInfoData::Fields> &list)
{
    QStringList counts;
    for (const MediaInfoData::Fields &fields : list)
        counts << QString::number(fields.size());
    return counts.join(',');
}

QString counts(const MediaInfoData &data)
{
    return QString("general %1, video %2, audio [%3], text [%4]")
        .arg(data.generalFields.size())
        .arg(data.videoFields.size())
        .arg(sizes(data.audioStreams), sizes(data.textStreams));
}

// "section:label=value" as the record holds it; "audio1" is the second audio map.
QString fact(const MediaInfoData &data, const QString &section, const QString &label)
{
    const auto find = [&](const MediaInfoData::Fields &fields) {
        return fields.contains(label) ? section + ":" + label + "=" + fields.value(label)
                                      : section + ":" + label + " missing";
    };
    if (section == "general")
        return find(data.generalFields);
    if (section == "video")
        return find(data.videoFields);
    const int i = section.right(1).toInt();
    const QList<MediaInfoData::Fields> &list =
        section.startsWith("audio") ? data.audioStreams : data.textStreams;
    return i < list.size() ? find(list.at(i)) : section + " missing";
}

QString runToEnd(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000) || !process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}
} // namespace

class TestInterfaceMediaInfo : public QObject
{
    Q_OBJECT

private slots:
    void commandLines();
    void parseStatus_data();
    void parseStatus();
    void parseData_data();
    void parseData();
    void mainFile_data();
    void mainFile();
    void reportWithoutCompleteNameFillsNothing();
    void labelColumn();
    void durationSeconds_data();
    void durationSeconds();
    void bitRateKbps_data();
    void bitRateKbps();
    void oddInputDoesNotCrash_data();
    void oddInputDoesNotCrash();
    void realStatus();
    void realClipInFolderNamedGeneral();
    void realDvdFolder();
    void realFileThatIsNoMedia();

private:
    MediaInfoData parse(const QString &report, InterfaceStatus *status = nullptr)
    {
        MediaInfoData data;
        InterfaceMediaInfo mediaInfo;
        mediaInfo.init("mediainfo", &data, status);
        data.rawText = report;
        mediaInfo.parseData(&data);
        return data;
    }
};

void TestInterfaceMediaInfo::commandLines()
{
    InterfaceMediaInfo mediaInfo;
    QVERIFY(mediaInfo.binary().isNull());
    mediaInfo.init("/opt/mediainfo/mediainfo", nullptr, nullptr);
    QString program = "stale";
    QStringList arguments{"stale", "more"};
    mediaInfo.cliCmdGetStatus(program, arguments);
    QCOMPARE(program, QString("/opt/mediainfo/mediainfo"));
    QCOMPARE(arguments, QStringList{"--version"});

    const QString odd = "/home/ann/Vidéos/General/l'été \"2011\".avi";
    mediaInfo.cliCmdGetInfo(odd, program, arguments);
    QCOMPARE(arguments, QStringList{odd});
    // "--LogFile=..." would make MediaInfo write a file: a name like that stays a name.
    mediaInfo.cliCmdGetInfo("--LogFile=x.avi", program, arguments);
    QCOMPARE(arguments, QStringList{"./--LogFile=x.avi"});

    mediaInfo.setBinary("/usr/bin/mediainfo");
    QCOMPARE(mediaInfo.binary(), QString("/usr/bin/mediainfo"));
}

void TestInterfaceMediaInfo::parseStatus_data()
{
    QTest::addColumn<int>("stateBefore");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("signature");
    QTest::addColumn<QString>("version");

    QTest::newRow("MediaInfo 23.04") << 1 << QByteArray("MediaInfo Command line, \nMediaInfoLib - v23.04\n")
                                     << 3 << "MediaInfo Command line" << "v23.04";
    QTest::newRow("Windows build, CR LF")
        << 1 << QByteArray("MediaInfo Command line, \r\nMediaInfoLib - v0.7.42\r\n") << 3
        << "MediaInfo Command line" << "v0.7.42";
    QTest::newRow("the last v after MediaInfoLib")
        << 1 << QByteArray("MediaInfo Command line, \nMediaInfoLib - version v21.09\n") << 3
        << "MediaInfo Command line" << "v21.09";
    QTest::newRow("another program") << 1 << QByteArray("ffprobe version 5.1.9\n") << 2 << "old"
                                     << "0.9";
    QTest::newRow("no version") << 1 << QByteArray("MediaInfo Command line, \nMediaInfoLib\n")
                                << 2 << "old" << "0.9";
    QTest::newRow("nothing captured yet")
        << 0 << QByteArray("MediaInfo Command line, \nMediaInfoLib - v23.04\n") << 2 << "old"
        << "0.9";
    QTest::newRow("already parsed")
        << 3 << QByteArray("MediaInfo Command line, \nMediaInfoLib - v23.04\n") << 2 << "old"
        << "0.9";
}

void TestInterfaceMediaInfo::parseStatus()
{
    QFETCH(int, stateBefore);
    QFETCH(QByteArray, output);
    QFETCH(int, state);
    QFETCH(QString, signature);
    QFETCH(QString, version);

    InterfaceStatus status;
    status.state = stateBefore;
    status.stdOut = output;
    status.signature = "old";
    status.version = "0.9";
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", nullptr, &status);
    mediaInfo.parseStatus();
    QCOMPARE(status.state, state);
    QCOMPARE(status.signature, signature);
    QCOMPARE(status.version, version);
}

void TestInterfaceMediaInfo::parseData_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QStringList>("facts");

    // The General fields run from "Complete name" to the first empty line.
    QTest::newRow("today's AVI") << QString(kAviReport)
        << "general 9, video 22, audio [17], text []"
        << QStringList{"general:Complete name=std.avi", "general:Format=AVI",
                       "general:Duration=3 s 40 ms", "general:Writing application=Lavf59.27.100",
                       "video:Format=MPEG-4 Visual", "video:Bit rate=213 kb/s",
                       "video:Width=320 pixels", "video:Height=240 pixels",
                       "video:Display aspect ratio=4:3", "video:Frame rate=25.000 FPS",
                       "video:Format settings, Matrix=Default (H.263)",
                       "video:Stream size=78.9 KiB (56%)", "audio0:Channel(s)=1 channel",
                       "audio0:Interleave, duration=26  ms (0.66 video frame)",
                       "audio0:Sampling rate=44.1 kHz"};
    QTest::newRow("today's MKV: Unique ID is before Complete name")
        << QString::fromUtf8(kMkvReport) << "general 4, video 6, audio [8], text [5]"
        << QStringList{"general:Unique ID missing", "general:Complete name=std.mkv",
                       "general:ErrorDetectionType=Per level 1", "video:Format=AVC",
                       "video:Duration=3 s 0 ms", "video:VENDOR_ID=[0][0][0][0]",
                       QString::fromUtf8("audio0:Title=Général commentaire"),
                       "audio0:Language=French", "audio0:Delay relative to video=-23 ms",
                       "text0:Language=English", "text0:Codec ID/Info=UTF-8 Plain Text"};
    QTest::newRow("older form, CR LF, General in the path and a title")
        << QString(kOldReport) << "general 5, video 10, audio [5,5], text [3,2]"
        << QStringList{"general:Complete name=C:\\Movies\\General\\movie.avi",
                       "general:Duration=1h 23mn", "general:Overall bit rate=1 179 Kbps",
                       "video:Bit rate=1 000 Kbps", "video:Stream size=594 MiB (85%)",
                       "audio0:Channel(s)=2 channels", "audio1:Channel(s)=6 channels",
                       "audio1:Channel positions=Front: L C R, Side: L R, LFE",
                       "audio1:Title=General commentary", "text0:Language=French",
                       "text1:Format=VobSub"};
    QTest::newRow("a file with two video streams: the first one")
        << QString("General\n"
                   "Complete name                            : two.mkv\n"
                   "\n"
                   "Video #1\n"
                   "ID                                       : 1\n"
                   "\n"
                   "Video #2\n"
                   "ID                                       : 2\n"
                   "Title                                    : second\n"
                   "\n")
        << "general 1, video 1, audio [], text []"
        << QStringList{"video:ID=1", "video:Title missing"};
    QTest::newRow("sections that end with the report")
        << QString("General\nComplete name       : a.mp3\nFormat              : MPEG Audio\n\n"
                   "Audio\nFormat              : MPEG Audio\nChannel(s)          : 2 channels")
        << "general 2, video 0, audio [2], text []"
        << QStringList{"audio0:Channel(s)=2 channels"};
    QTest::newRow("an Audio section without fields adds no map")
        << QString("General\nComplete name : a.mka\n\nAudio\n\nAudio #2\nID            : 2\n\n")
        << "general 1, video 0, audio [1], text []" << QStringList{"audio0:ID=2"};
}

void TestInterfaceMediaInfo::parseData()
{
    QFETCH(QString, report);
    QFETCH(QString, counts);
    QFETCH(QStringList, facts);
    InterfaceStatus status;
    status.state = InterfaceStatus::Ready;
    const MediaInfoData data = parse(report, &status);
    QCOMPARE(::counts(data), counts);
    for (const QString &expected : facts) {
        const QString section = expected.section(':', 0, 0);
        QString label = expected.section(':', 1).section('=', 0, 0);
        if (label.endsWith(" missing"))
            label.chop(8);
        QCOMPARE(fact(data, section, label), expected);
    }
    QCOMPARE(data.rawText, report);
    QCOMPARE(status.state, int(InterfaceStatus::Ready)); // a report that parses leaves it alone
}

void TestInterfaceMediaInfo::mainFile_data()
{
    QTest::addColumn<QStringList>("videoSizes");
    QTest::addColumn<QString>("mainFile");

    QTest::newRow("350 MiB, 700 MiB: the larger") << QStringList{"350 MiB", "700 MiB"} << "file1";
    QTest::newRow("700 MiB twice: the earlier") << QStringList{"700 MiB", "700 MiB"} << "file0";
    QTest::newRow("1.2 GiB, 350 MiB: the larger") << QStringList{"1.2 GiB", "350 MiB"} << "file0";
    QTest::newRow("DVD menus in KiB, title in MiB")
        << QStringList{"12.0 KiB", "1 023 MiB", "440 KiB"} << "file1";
    QTest::newRow("today's small clip sizes") << QStringList{"78.9 KiB", "440 KiB"} << "file1";
    QTest::newRow("bytes") << QStringList{"900 Bytes", "2.0 KiB"} << "file1";
    QTest::newRow("no readable size: the first") << QStringList{"big", "bigger"} << "file0";
    QTest::newRow("one file") << QStringList{"1.0 MiB"} << "file0";
}

void TestInterfaceMediaInfo::mainFile()
{
    QFETCH(QStringList, videoSizes);
    QFETCH(QString, mainFile);
    QString report;
    for (int i = 0; i < videoSizes.size(); ++i)
        report += fileReport(QString("/dvd/General/file%1").arg(i), videoSizes.at(i));
    const MediaInfoData data = parse(report);
    QCOMPARE(data.generalFields.value("Complete name"), "/dvd/General/" + mainFile);
    QCOMPARE(data.audioStreams.size(), 1); // the main file's sections only
    QCOMPARE(data.videoFields.size(), 2);
}

void TestInterfaceMediaInfo::reportWithoutCompleteNameFillsNothing()
{
    InterfaceStatus status;
    status.state = InterfaceStatus::Ready;
    MediaInfoData data;
    data.generalFields.insert("Format", "kept");
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, &status);
    data.rawText = "General\nFormat                                   : AVI\n\n"
                   "Video\nWidth                                    : 320 pixels\n\n";
    mediaInfo.parseData(&data);
    QCOMPARE(status.state, int(InterfaceStatus::ParseFailed));
    QCOMPARE(data.generalFields.size(), 1);
    QCOMPARE(data.generalFields.value("Format"), QString("kept"));
    QVERIFY(data.videoFields.isEmpty());

    mediaInfo.parseData(nullptr); // no record: nothing to do, no crash
}

void TestInterfaceMediaInfo::labelColumn()
{
    // The column (14 here) comes from the "Complete name" line. A line of exactly column + 1
    // characters has an empty value; a shorter line is its own label and value; a line
    // whose label part is blank is skipped; a later line with the same label wins; a label
    // longer than the column is cut at the column.
    MediaInfoData data;
    data.generalFields.insert("Earlier", "kept");
    data.audioStreams.append({{"Format", "earlier stream"}});
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, nullptr);
    data.rawText = "General\n"
                   "Complete name : a.avi\n"
                   "Bare          :\n"
                   "Short\n"
                   "              : no label\n"
                   "Format        : AVI\n"
                   "Format        :   AVI 1.0  \n"
                   "A very long label name: x\n"
                   "\n"
                   "Audio\n"
                   "Format        : MP3\n"
                   "\n";
    mediaInfo.parseData(&data);
    const MediaInfoData::Fields expected{{"Earlier", "kept"},   {"Complete name", "a.avi"},
                                         {"Bare", ""},          {"Short", "Short"},
                                         {"Format", "AVI 1.0"}, {"A very long la", "el name: x"}};
    QCOMPARE(data.generalFields, expected);
    QCOMPARE(data.audioStreams.size(), 2);
    QCOMPARE(data.audioStreams.first().value("Format"), QString("earlier stream"));
    QCOMPARE(data.audioStreams.last().value("Format"), QString("MP3"));
}

void TestInterfaceMediaInfo::durationSeconds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("seconds");
    QTest::newRow("3 s 40 ms") << "3 s 40 ms" << 3.04;
    QTest::newRow("1 min 15 s") << "1 min 15 s" << 75.0;
    QTest::newRow("30 s 500 ms") << "30 s 500 ms" << 30.5;
    QTest::newRow("1 h 2 min") << "1 h 2 min" << 3720.0;
    QTest::newRow("1 h 23 min 4 s 5 ms") << "1 h 23 min 4 s 5 ms" << 4984.005;
    QTest::newRow("26  ms") << "26  ms" << 0.026;
    QTest::newRow("1h 23mn") << "1h 23mn" << 4980.0;
    QTest::newRow("5mn 30s") << "5mn 30s" << 330.0;
    QTest::newRow("30s 500ms") << "30s 500ms" << 30.5;
    QTest::newRow("1h 2mn 3s 999ms") << "1h 2mn 3s 999ms" << 3723.999;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("no unit") << "Variable" << 0.0;
}

void TestInterfaceMediaInfo::durationSeconds()
{
    QFETCH(QString, text);
    QFETCH(double, seconds);
    QCOMPARE(MediaInfoData::durationSeconds(text), seconds);
}

void TestInterfaceMediaInfo::bitRateKbps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("kbps");
    QTest::newRow("128 kb/s") << "128 kb/s" << 128.0;
    QTest::newRow("1 376 kb/s") << "1 376 kb/s" << 1376.0;
    QTest::newRow("24.6 kb/s") << "24.6 kb/s" << 24.6;
    QTest::newRow("12.3 Mb/s") << "12.3 Mb/s" << 12300.0;
    QTest::newRow("800 b/s") << "800 b/s" << 0.8;
    QTest::newRow("1 500 Kbps") << "1 500 Kbps" << 1500.0;
    QTest::newRow("128 Kbps") << "128 Kbps" << 128.0;
    QTest::newRow("Variable") << "Variable" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("unit without number") << "kb/s" << 0.0;
}

void TestInterfaceMediaInfo::bitRateKbps()
{
    QFETCH(QString, text);
    QFETCH(double, kbps);
    QCOMPARE(MediaInfoData::bitRateKbps(text), kbps);
}

void TestInterfaceMediaInfo::oddInputDoesNotCrash_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QString>("counts");

    QTest::newRow("empty") << QByteArray() << "general 0, video 0, audio [], text []";
    QTest::newRow("FFprobe's answer") << QByteArray("[FORMAT]\nformat_name=avi\n[/FORMAT]\n")
                                      << "general 0, video 0, audio [], text []";
    QTest::newRow("Complete name without a colon")
        << QByteArray("General\nComplete name\nFormat : AVI\n")
        << "general 0, video 0, audio [], text []";
    QTest::newRow("Complete name but no General heading")
        << QByteArray("Complete name : a.avi\n\nVideo\nWidth : 1\n")
        << "general 0, video 0, audio [], text []";
    QTest::newRow("invalid UTF-8 in the path")
        << QByteArray("General\nComplete name : /tmp/\xff\xfe.avi\n\nAudio\nFormat        : AC-3\n")
        << "general 1, video 0, audio [1], text []";
    QByteArray longValue = "General\nComplete name : a.avi\nTitle         : ";
    longValue += QByteArray(1 << 20, 'y');
    longValue += "\n\nVideo\nWidth         : 1 pixels\n";
    QTest::newRow("a 1 MiB value") << longValue << "general 2, video 1, audio [], text []";
    QByteArray many = "General\nComplete name : a.mkv\n\n";
    for (int i = 0; i < 3000; ++i)
        many += "Audio #" + QByteArray::number(i) + "\nID            : " + QByteArray::number(i)
                + "\n\n";
    QTest::newRow("3000 audio sections") << many << "3000 audio";
}

void TestInterfaceMediaInfo::oddInputDoesNotCrash()
{
    QFETCH(QByteArray, report);
    QFETCH(QString, counts);
    QLoggingCategory::setFilterRules("default.debug=false"); // the debug lines echo the input
    const MediaInfoData data = parse(QString::fromUtf8(report));
    QLoggingCategory::setFilterRules(QString());
    if (counts.endsWith(" audio")) {
        QCOMPARE(QString("%1 audio").arg(data.audioStreams.size()), counts);
        QCOMPARE(data.audioStreams.last().value("ID"), QString("2999"));
    } else {
        QCOMPARE(::counts(data), counts);
    }
}

void TestInterfaceMediaInfo::realStatus()
{
    InterfaceStatus status;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", nullptr, &status);
    QString program;
    QStringList arguments;
    mediaInfo.cliCmdGetStatus(program, arguments);
    status.stdOut = runToEnd(program, arguments).toUtf8();
    status.state = InterfaceStatus::OutputCaptured;
    mediaInfo.parseStatus();
    QCOMPARE(status.state, int(InterfaceStatus::Ready));
    QCOMPARE(status.signature, QString("MediaInfo Command line"));
    QVERIFY2(status.version.startsWith("v2"), qPrintable(status.version));
}

void TestInterfaceMediaInfo::realClipInFolderNamedGeneral()
{
    const QString folder = TestMedia::folder() + "/General/l'été \"General\"";
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/General vidéo.avi";
    QFile::remove(path);
    QVERIFY(QFile::copy(TestMedia::standardAvi(), path));

    MediaInfoData data;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, nullptr);
    QString program;
    QStringList arguments;
    mediaInfo.cliCmdGetInfo(path, program, arguments);
    data.rawText = runToEnd(program, arguments);
    mediaInfo.parseData(&data);

    QCOMPARE(data.generalFields.value("Complete name"), path);
    QCOMPARE(data.generalFields.value("Format"), QString("AVI"));
    QCOMPARE(data.videoFields.value("Format"), QString("MPEG-4 Visual"));
    QCOMPARE(data.videoFields.value("Width"), QString("320 pixels"));
    QCOMPARE(data.videoFields.value("Height"), QString("240 pixels"));
    QCOMPARE(data.videoFields.value("Display aspect ratio"), QString("4:3"));
    QCOMPARE(data.videoFields.value("Frame rate"), QString("25.000 FPS"));
    QCOMPARE(data.audioStreams.size(), 1);
    QCOMPARE(data.audioStreams.first().value("Format"), QString("MPEG Audio"));
    QCOMPARE(data.audioStreams.first().value("Channel(s)"), QString("1 channel"));
    QVERIFY(data.textStreams.isEmpty());
    const double seconds = MediaInfoData::durationSeconds(data.videoFields.value("Duration"));
    QVERIFY2(qAbs(seconds - 3.0) < 0.1, qPrintable(data.videoFields.value("Duration")));
    const double kbps = MediaInfoData::bitRateKbps(data.audioStreams.first().value("Bit rate"));
    QCOMPARE(kbps, 128.0);
}

void TestInterfaceMediaInfo::realDvdFolder()
{
    const QString dvd = TestMedia::dvdFolder();
    QVERIFY2(!dvd.isEmpty(), "the DVD folder could not be made");
    MediaInfoData data;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, nullptr);
    QString program;
    QStringList arguments;
    mediaInfo.cliCmdGetInfo(dvd + "/VIDEO_TS", program, arguments);
    data.rawText = runToEnd(program, arguments);
    QVERIFY(data.rawText.count(QRegularExpression("^General$", QRegularExpression::MultilineOption)) > 3);
    mediaInfo.parseData(&data);

    // The main file is the one with the largest video stream: the 8 s title's VOB, not
    // an IFO or BUP listed before it.
    QVERIFY2(data.generalFields.value("Complete name").endsWith("VTS_01_1.VOB"),
             qPrintable(data.generalFields.value("Complete name")));
    QCOMPARE(data.videoFields.value("Display aspect ratio"), QString("16:9"));
    QCOMPARE(data.audioStreams.size(), 2);
}

void TestInterfaceMediaInfo::realFileThatIsNoMedia()
{
    const QString path = TestMedia::folder() + "/text renamed.avi";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("This is a text file renamed .avi\n");
    file.close();

    MediaInfoData data;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, nullptr);
    QString program;
    QStringList arguments;
    mediaInfo.cliCmdGetInfo(path, program, arguments);
    data.rawText = runToEnd(program, arguments);
    mediaInfo.parseData(&data);
    // What the player panel refuses a file by: neither a Video field nor an Audio stream.
    QVERIFY(data.videoFields.isEmpty());
    QVERIFY(data.audioStreams.isEmpty());
    QCOMPARE(data.generalFields.value("Complete name"), path);
}

VEXO_TEST_CLASS(TestInterfaceMediaInfo)
#include "tst_interfacemediainfo.moc"
