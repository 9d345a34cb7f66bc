// FFprobe's command lines and the parsers of its "-version" and "-show_format -show_streams"
// answers, on captured answers of today's FFprobe 5.1 and of the Windows builds (CR LF), and
// on the real engine with clips made here.

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacestatus.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTest>

namespace {
// FFprobe 5.1.9 on a 3 s H.264/AAC MP4 (TestMedia::standardMp4), DISPOSITION lines left out.
// Today's FFprobe prints the STREAM blocks before the FORMAT block.
const char kMp4Answer[] = R"([STREAM]
index=0
codec_name=h264
codec_long_name=H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10
profile=Constrained Baseline
codec_type=video
codec_tag_string=avc1
codec_tag=0x31637661
width=320
height=240
coded_width=320
coded_height=240
sample_aspect_ratio=1:1
display_aspect_ratio=4:3
pix_fmt=yuv420p
r_frame_rate=25/1
avg_frame_rate=25/1
time_base=1/12800
start_pts=0
start_time=0.000000
duration_ts=38400
duration=3.000000
bit_rate=133781
max_bit_rate=N/A
TAG:language=und
TAG:handler_name=VideoHandler
TAG:encoder=Lavc59.37.100 libx264
[/STREAM]
[STREAM]
index=1
codec_name=aac
codec_long_name=AAC (Advanced Audio Coding)
profile=LC
codec_type=audio
codec_tag_string=mp4a
sample_fmt=fltp
sample_rate=44100
channels=1
channel_layout=mono
bits_per_sample=0
r_frame_rate=0/0
avg_frame_rate=0/0
start_time=0.000000
duration_ts=132300
duration=3.000000
bit_rate=124497
TAG:language=und
TAG:handler_name=SoundHandler
[/STREAM]
[FORMAT]
filename=std.mp4
nb_streams=2
nb_programs=0
format_name=mov,mp4,m4a,3gp,3g2,mj2
format_long_name=QuickTime / MOV
start_time=0.000000
duration=3.000000
size=100547
bit_rate=268125
probe_score=100
TAG:major_brand=isom
TAG:minor_version=512
TAG:compatible_brands=isomiso2avc1mp41
TAG:encoder=Lavf59.27.100
[/FORMAT]
)";

// FFprobe 5.1.9 on a Matroska file with video, a titled French audio stream and SubRip
// subtitles: no stream durations ("N/A"), upper-case tags, a start time of 0.023.
const char kMkvAnswer[] = R"([STREAM]
index=0
codec_name=h264
codec_long_name=H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10
codec_type=video
codec_tag_string=[0][0][0][0]
codec_tag=0x0000
width=320
height=240
sample_aspect_ratio=1:1
display_aspect_ratio=4:3
pix_fmt=yuv420p
r_frame_rate=25/1
avg_frame_rate=25/1
start_pts=23
start_time=0.023000
duration_ts=N/A
duration=N/A
bit_rate=N/A
TAG:HANDLER_NAME=VideoHandler
TAG:DURATION=00:00:03.023000000
[/STREAM]
[STREAM]
index=1
codec_name=aac
codec_long_name=AAC (Advanced Audio Coding)
codec_type=audio
codec_tag_string=[0][0][0][0]
sample_fmt=fltp
sample_rate=44100
channels=1
channel_layout=mono
bits_per_sample=0
start_time=0.000000
duration=N/A
bit_rate=N/A
TAG:language=fre
TAG:title=Général commentaire
TAG:DURATION=00:00:03.023000000
[/STREAM]
[STREAM]
index=2
codec_name=subrip
codec_long_name=SubRip subtitle
codec_type=subtitle
codec_tag_string=[0][0][0][0]
width=N/A
height=N/A
start_time=0.000000
duration_ts=3023
duration=3.023000
TAG:language=eng
TAG:ENCODER=Lavc59.37.100 srt
[/STREAM]
[FORMAT]
filename=std.mkv
nb_streams=3
format_name=matroska,webm
format_long_name=Matroska / WebM
start_time=0.000000
duration=3.023000
size=99821
bit_rate=264164
TAG:COMPATIBLE_BRANDS=isomiso2avc1mp41
TAG:MAJOR_BRAND=isom
TAG:ENCODER=Lavf59.27.100
[/FORMAT]
)";

// The answer of a Windows build: FORMAT first, CR LF line ends, an MPEG-4 AVI.
const char kWindowsAviAnswer[] =
    "[STREAM]\r\nindex=0\r\ncodec_name=mpeg4\r\ncodec_long_name=MPEG-4 part 2\r\n"
    "codec_type=video\r\ncodec_tag_string=XVID\r\ncodec_tag=0x44495658\r\nwidth=720\r\n"
    "height=576\r\nhas_b_frames=1\r\nsample_aspect_ratio=N/A\r\ndisplay_aspect_ratio=N/A\r\n"
    "pix_fmt=yuv420p\r\nr_frame_rate=25/1\r\navg_frame_rate=25/1\r\ntime_base=1/25\r\n"
    "start_time=0.000000\r\nduration=5400.000000\r\nnb_frames=135000\r\n[/STREAM]\r\n"
    "[STREAM]\r\nindex=1\r\ncodec_name=mp3\r\ncodec_long_name=MP3 (MPEG audio layer 3)\r\n"
    "codec_type=audio\r\ncodec_tag_string=U[0][0][0]\r\nsample_rate=48000\r\nchannels=2\r\n"
    "bits_per_sample=0\r\nstart_time=0.000000\r\nduration=5399.976000\r\n"
    "bit_rate=128000\r\n[/STREAM]\r\n"
    "[FORMAT]\r\nfilename=C:\\Movies\\movie.avi\r\nnb_streams=2\r\nformat_name=avi\r\n"
    "format_long_name=AVI format\r\nstart_time=0.000000\r\nduration=5400.000000\r\n"
    "size=734003200.000000\r\nbit_rate=1087412.000000\r\n[/FORMAT]\r\n";

// One line per record, with every field, so that a table row states the whole result.
QString describe(const FFprobeData &data)
{
    QStringList lines;
    lines << QString("format %1|%2|%3|%4")
                 .arg(data.filename, data.format_name, data.format_long_name)
                 .arg(data.duration);
    for (const FFprobeVideoStream &v : data.videoStreams)
        lines << QString("video %1|%2|%3|%4|%5|%6x%7|sar %8|dar %9|")
                         .arg(v.index)
                         .arg(v.codec_name, v.codec_long_name, v.codec_tag_string, v.pix_fmt)
                         .arg(v.size.width())
                         .arg(v.size.height())
                         .arg(v.sample_aspect_ratio)
                         .arg(v.display_aspect_ratio)
                     + QString("br %1|fps %2|%3|start %4|dur %5")
                           .arg(v.bit_rate)
                           .arg(v.avg_frame_rate)
                           .arg(v.r_frame_rate)
                           .arg(v.start_time)
                           .arg(v.duration);
    for (const FFprobeAudioStream &a : data.audioStreams)
        lines << QString("audio %1|%2|%3|%4 Hz|%5 bits|br %6|%7 ch|start %8|dur %9|")
                         .arg(a.index)
                         .arg(a.codec_name, a.codec_long_name)
                         .arg(a.sample_rate)
                         .arg(a.bits_per_sample)
                         .arg(a.bit_rate)
                         .arg(a.channels)
                         .arg(a.start_time)
                         .arg(a.duration)
                     + a.language + "|" + a.title;
    for (const FFprobeSubtitleStream &s : data.subtitleStreams)
        lines << QString("subtitle %1|%2|%3|%4|%5")
                     .arg(s.index)
                     .arg(s.codec_name, s.codec_long_name, s.language, s.title);
    return lines.join('\n');
}

QString block(const QString &name, const QStringList &lines)
{
    return QString("[%1]\n%2\n[/%1]\n").arg(name, lines.join('\n'));
}

// Runs a command line to its end and returns its standard output, read as UTF-8.
QString runToEnd(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000) || !process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}
} // namespace

class TestInterfaceFFprobe : public QObject
{
    Q_OBJECT

private slots:
    void commandLines();
    void parseStatus_data();
    void parseStatus();
    void parseData_data();
    void parseData();
    void parseDataIgnoresStreamsItCannotType();
    void parseDataWithoutFormatLeavesRecordAlone();
    void parseRatio_data();
    void parseRatio();
    void copiesOwnTheirStreams();
    void oddInputDoesNotCrash_data();
    void oddInputDoesNotCrash();
    void realClips_data();
    void realClips();
    void realFileThatIsNoMedia();
    void realStatus();

private:
    InterfaceFFprobe makeInterface(FFprobeData *data = nullptr, InterfaceStatus *status = nullptr)
    {
        InterfaceFFprobe ffprobe;
        ffprobe.init("ffprobe", data, status);
        return ffprobe;
    }
};

void TestInterfaceFFprobe::commandLines()
{
    InterfaceFFprobe ffprobe;
    ffprobe.init("/opt/ffmpeg/ffprobe", nullptr, nullptr);
    QString program = "stale";
    QStringList arguments{"stale"};
    ffprobe.cliCmdGetStatus(program, arguments);
    QCOMPARE(program, QString("/opt/ffmpeg/ffprobe"));
    QCOMPARE(arguments, QStringList{"-version"});

    ffprobe.cliCmdGetInfo("movie.mkv", program, arguments);
    QCOMPARE(arguments, (QStringList{"movie.mkv", "-show_format", "-show_streams"}));

    const QString odd = "/home/ann/Vidéos/l'été \"2011\" - Général.avi";
    ffprobe.cliCmdGetInfo(odd, program, arguments);
    QCOMPARE(arguments.first(), odd);

    // A name that would read as an option stays a file name.
    ffprobe.cliCmdGetInfo("-report.avi", program, arguments);
    QCOMPARE(arguments.first(), QString("./-report.avi"));

    ffprobe.setBinary("/usr/bin/ffprobe");
    QCOMPARE(ffprobe.binary(), QString("/usr/bin/ffprobe"));
    ffprobe.cliCmdGetStatus(program, arguments);
    QCOMPARE(program, QString("/usr/bin/ffprobe"));
}

void TestInterfaceFFprobe::parseStatus_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("signature");
    QTest::addColumn<QString>("version");

    QTest::newRow("ffprobe 5.1 (Debian)")
        << "ffprobe version 5.1.9-0+deb12u1 Copyright (c) 2007-2026 the FFmpeg developers\n"
           "built with gcc 12 (Debian 12.2.0-14+deb12u1)\n"
        << true << "ffprobe" << "5.1.9-0+deb12u1";
    QTest::newRow("Windows build, CR LF")
        << "FFprobe version SVN-r26402, Copyright (c) 2007-2011 the FFmpeg developers\r\n"
           "  built on Jan 18 2011 04:07:05 with gcc 4.4.2\r\n"
        << true << "FFprobe" << "SVN-r26402";
    QTest::newRow("git build") << "ffprobe version N-109488-g4b44c9bb7a Copyright (c) 2007-2022\n"
                               << true << "ffprobe" << "N-109488-g4b44c9bb7a";
    QTest::newRow("another engine") << "MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team\n" << false
                                    << "old" << "0.1";
    QTest::newRow("name alone") << "ffprobe\n" << false << "old" << "0.1";
    QTest::newRow("empty") << "" << false << "old" << "0.1";
}

void TestInterfaceFFprobe::parseStatus()
{
    QFETCH(QString, output);
    QFETCH(bool, parsed);
    QFETCH(QString, signature);
    QFETCH(QString, version);

    InterfaceStatus status;
    status.state = InterfaceStatus::OutputCaptured;
    status.signature = "old";
    status.version = "0.1";
    InterfaceFFprobe ffprobe = makeInterface(nullptr, &status);
    QCOMPARE(ffprobe.parseStatus(output), parsed);
    QCOMPARE(status.state, parsed ? int(InterfaceStatus::Ready) : int(InterfaceStatus::ParseFailed));
    QCOMPARE(status.signature, signature);
    QCOMPARE(status.version, version);
}

void TestInterfaceFFprobe::parseData_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");

    QTest::newRow("today's MP4: family named by its brand") << QString(kMp4Answer)
        << "format std.mp4|isom|QuickTime / MOV|3\n"
           "video 0|h264|H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10|avc1|yuv420p|320x240|sar 1|"
           "dar 1.33333|br 133781|fps 25|25|start 0|dur 3\n"
           "audio 1|aac|AAC (Advanced Audio Coding)|44100 Hz|0 bits|br 124497|1 ch|start 0|dur 3|"
           "und|";
    QTest::newRow("today's MKV: no durations, upper-case brand is not the brand")
        << QString::fromUtf8(kMkvAnswer)
        << QString::fromUtf8(
               "format std.mkv|matroska|Matroska / WebM|3.023\n"
               "video 0|h264|H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10|[0][0][0][0]|yuv420p|"
               "320x240|sar 1|dar 1.33333|br 0|fps 25|25|start 0.023|dur 0\n"
               "audio 1|aac|AAC (Advanced Audio Coding)|44100 Hz|0 bits|br 0|1 ch|start 0|dur 0|"
               "fre|Général commentaire\n"
               "subtitle 2|subrip|SubRip subtitle|eng|");
    QTest::newRow("Windows AVI, CR LF") << QString(kWindowsAviAnswer)
        << "format C:\\Movies\\movie.avi|avi|AVI format|5400\n"
           "video 0|mpeg4|MPEG-4 part 2|XVID|yuv420p|720x576|sar 0|dar 0|br 0|fps 25|25|start 0|"
           "dur 5400\n"
           "audio 1|mp3|MP3 (MPEG audio layer 3)|48000 Hz|0 bits|br 128000|2 ch|start 0|"
           "dur 5399.98||";

    const QStringList movFormat{"filename=a.mov", "format_name=mov,mp4,m4a,3gp,3g2,mj2",
                                "format_long_name=QuickTime / MOV", "duration=12.500000"};
    QTest::newRow("family without a brand: its first name")
        << block("FORMAT", movFormat) << "format a.mov|mov|QuickTime / MOV|12.5";
    QTest::newRow("empty brand: the first name")
        << block("FORMAT", movFormat + QStringList{"TAG:major_brand="}) << "format a.mov|mov|QuickTime / MOV|12.5";
    QTest::newRow("family without a name in it is left empty")
        << block("FORMAT", {"format_name=,,", "duration=1.0"}) << "format |||1";
    QTest::newRow("no duration line") << block("FORMAT", {"format_name=avi"}) << "format |avi||0";
    QTest::newRow("duration_ts is not duration")
        << block("FORMAT", {"format_name=avi", "duration_ts=1000"}) << "format |avi||0";
    QTest::newRow("N/A duration") << block("FORMAT", {"format_name=mpeg", "duration=N/A"})
                                  << "format |mpeg||0";
    QTest::newRow("later line wins, value keeps its '='")
        << block("FORMAT", {"format_name=avi", "format_name=mpegts", "filename=a=b.ts"})
        << "format a=b.ts|mpegts||0";
    QTest::newRow("video without index, size and rates")
        << block("FORMAT", {"format_name=avi"}) + block("STREAM", {"codec_type=video"})
        << "format |avi||0\nvideo -1|||||0x0|sar 0|dar 0|br 0|fps 0|0|start 0|dur 0";
    QTest::newRow("NTSC rate and anamorphic DVD")
        << block("FORMAT", {"format_name=mpeg"})
               + block("STREAM", {"index=1", "codec_type=video", "codec_name=mpeg2video",
                                  "width=720", "height=480", "sample_aspect_ratio=32:27",
                                  "display_aspect_ratio=16:9", "avg_frame_rate=30000/1001",
                                  "r_frame_rate=60000/1001"})
        << "format |mpeg||0\nvideo 1|mpeg2video||||720x480|sar 1.18519|dar 1.77778|br 0|"
           "fps 29.97|59.9401|start 0|dur 0";
}

void TestInterfaceFFprobe::parseData()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    FFprobeData data;
    makeInterface(&data).parseData(&data, answer, "ffprobe version 5.1.9\n");
    QCOMPARE(describe(data), expected);
}

void TestInterfaceFFprobe::parseDataIgnoresStreamsItCannotType()
{
    // A QuickTime timecode track as FFprobe 5.1 reports it, and a block without a type.
    const QString answer =
        block("STREAM", {"index=1", "codec_name=unknown", "codec_type=data",
                         "codec_tag_string=tmcd", "TAG:timecode=01:00:00:00"})
        + block("STREAM", {"index=2", "codec_name=ttf", "codec_long_name=TrueType font"})
        + block("STREAM", {"index=3", "codec_type=attachment"})
        + block("FORMAT", {"format_name=mov,mp4,m4a,3gp,3g2,mj2", "TAG:major_brand=qt  "});
    QTest::ignoreMessage(QtDebugMsg, "InterfaceFFprobe::parseData() - Ignore stream data which "
                                     "'codec_type' is \"data\"");
    QTest::ignoreMessage(QtDebugMsg, "InterfaceFFprobe::parseData() - Ignore stream data with "
                                     "missing 'codec_type'");
    QTest::ignoreMessage(QtDebugMsg, "InterfaceFFprobe::parseData() - Ignore stream data which "
                                     "'codec_type' is \"attachment\"");
    FFprobeData data;
    makeInterface(&data).parseData(&data, answer, QString());
    QCOMPARE(describe(data), QString("format |qt||0")); // the brand's padding is trimmed
}

void TestInterfaceFFprobe::parseDataWithoutFormatLeavesRecordAlone()
{
    FFprobeData data;
    data.format_name = "kept";
    data.audioStreams.append(FFprobeAudioStream());
    InterfaceFFprobe ffprobe = makeInterface(&data);
    const QStringList answers{
        "",
        "/tmp/fake.avi: Invalid data found when processing input\n",
        block("STREAM", {"index=0", "codec_type=audio"}),  // streams without a format
        "[FORMAT]\n\n[/FORMAT]\n",                         // an empty format
        "[FORMAT]\nformat_name=avi\nduration=3.0\n",       // cut off before its end
        "x[FORMAT]\nformat_name=avi\n[/FORMAT]\n"};        // markers only as whole lines
    for (const QString &answer : answers) {
        ffprobe.parseData(&data, answer, QString());
        QCOMPARE(data.format_name, QString("kept"));
        QCOMPARE(data.audioStreams.size(), 1);
        QCOMPARE(data.videoStreams.size(), 0);
    }
    ffprobe.parseData(nullptr, kMp4Answer, QString()); // no record: nothing to do, no crash
}

void TestInterfaceFFprobe::parseRatio_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("N/A") << "N/A" << 0.0;
    QTest::newRow("16:9") << "16:9" << 16.0 / 9.0;
    QTest::newRow("4:3") << "4:3" << 4.0 / 3.0;
    QTest::newRow("1:1") << "1:1" << 1.0;
    QTest::newRow("0:1 (unknown SAR)") << "0:1" << 0.0;
    QTest::newRow("25/1") << "25/1" << 25.0;
    QTest::newRow("30000/1001") << "30000/1001" << 30000.0 / 1001.0;
    QTest::newRow("0/0 (audio frame rate)") << "0/0" << 0.0;
    QTest::newRow("decimal") << "3.040000" << 3.04;
    QTest::newRow("plain integer") << "25" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("word") << "unknown" << 0.0;
    QTest::newRow("slash without numbers") << "a/b" << 0.0;
}

void TestInterfaceFFprobe::parseRatio()
{
    QFETCH(QString, value);
    QFETCH(double, expected);
    QCOMPARE(InterfaceFFprobe::parseRatio(value), expected);
}

void TestInterfaceFFprobe::copiesOwnTheirStreams()
{
    FFprobeData source;
    makeInterface(&source).parseData(&source, QString::fromUtf8(kMkvAnswer), QString());
    const QString before = describe(source);
    QCOMPARE(source.subtitleStreams.size(), 1);

    FFprobeData copy(source);
    FFprobeData assigned;
    assigned = source;
    source.clear();
    QCOMPARE(describe(source), QString("format |||0"));
    QCOMPARE(describe(copy), before);
    QCOMPARE(describe(assigned), before);

    copy.videoStreams[0].codec_name = "changed";
    QCOMPARE(assigned.videoStreams.at(0).codec_name, QString("h264"));

    FFprobeSubtitleStream &added = copy.addSubtitleStream();
    added.language = "ger";
    QCOMPARE(copy.subtitleStreams.size(), 2);
    QCOMPARE(copy.subtitleStreams.last().language, QString("ger"));
    QCOMPARE(copy.subtitleStreams.last().index, 0);
    QCOMPARE(assigned.subtitleStreams.size(), 1);

    const FFprobeData fresh;
    QCOMPARE(describe(fresh), QString("format |||0"));
    QCOMPARE(FFprobeVideoStream().size, QSize(-1, -1));
}

void TestInterfaceFFprobe::oddInputDoesNotCrash_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("expected");

    const QByteArray longTitle(1 << 20, 'x');
    QTest::newRow("a 1 MiB tag value")
        << QByteArray("[STREAM]\nindex=0\ncodec_type=audio\nTAG:title=" + longTitle
                      + "\n[/STREAM]\n[FORMAT]\nformat_name=wav\n[/FORMAT]\n")
        << "format |wav||0\naudio 0|||0 Hz|0 bits|br 0|0 ch|start 0|dur 0||" + QString(longTitle);
    QTest::newRow("invalid UTF-8 in a title")
        << QByteArray("[FORMAT]\nformat_name=avi\nfilename=a\xff\xfe.avi\n[/FORMAT]\n")
        << QString("format a\uFFFD\uFFFD.avi|avi||0");
    QTest::newRow("a MediaInfo report") << QByteArray("General\nComplete name : a.avi\n\n")
                                        << QString("format |||0");
    static const char noise[] = "\0\x01[FORMAT\n=\n==\n[/STREAM]\r\r\n[FORMAT]\n\0\n[/FORMAT";
    QTest::newRow("binary noise") << QByteArray(noise, sizeof noise - 1)
                                  << QString("format |||0");
    QByteArray many = "[FORMAT]\nformat_name=mpegts\n[/FORMAT]\n";
    for (int i = 0; i < 2000; ++i)
        many += "[STREAM]\nindex=" + QByteArray::number(i) + "\ncodec_type=subtitle\n[/STREAM]\n";
    QTest::newRow("2000 streams") << many << QString("2000 subtitles");
}

void TestInterfaceFFprobe::oddInputDoesNotCrash()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, expected);
    QLoggingCategory::setFilterRules("default.debug=false"); // the debug lines echo the input
    FFprobeData data;
    makeInterface(&data).parseData(&data, QString::fromUtf8(answer), QString::fromUtf8(answer));
    QLoggingCategory::setFilterRules(QString());
    if (expected.endsWith("subtitles")) {
        QCOMPARE(QString("%1 subtitles").arg(data.subtitleStreams.size()), expected);
        QCOMPARE(data.subtitleStreams.last().index, 1999);
    } else {
        QCOMPARE(describe(data), expected);
    }
}

void TestInterfaceFFprobe::realClips_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("video");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("audio");
    QTest::addColumn<int>("subtitles");

    QTest::newRow("MPEG-4/MP3 AVI") << TestMedia::standardAvi() << "avi" << "mpeg4" << "FMP4"
                                    << "mp3" << 0;
    QTest::newRow("H.264/AAC MP4") << TestMedia::standardMp4() << "isom" << "h264" << "avc1"
                                   << "aac" << 0;

    // An odd path: a folder named "General", blanks, quotes and non-ASCII letters.
    const QString folder = TestMedia::folder() + "/General/l'été \"vidéo\"";
    QDir().mkpath(folder);
    const QString srt = folder + "/sub.srt";
    QFile file(srt);
    if (file.open(QIODevice::WriteOnly))
        file.write("1\n00:00:00,500 --> 00:00:02,000\nHello\n");
    file.close();
    const QString mkv = TestMedia::clip("General/l'été \"vidéo\"/Général clip.mkv",
        {"-i", TestMedia::standardMp4(), "-i", srt, "-map", "0", "-map", "1", "-c", "copy",
         "-c:s", "srt", "-metadata:s:s:0", "language=eng"});
    QTest::newRow("MKV with subtitles at an odd path") << mkv << "matroska" << "h264"
                                                        << "[0][0][0][0]" << "aac" << 1;
}

void TestInterfaceFFprobe::realClips()
{
    QFETCH(QString, path);
    QFETCH(QString, format);
    QFETCH(QString, video);
    QFETCH(QString, tag);
    QFETCH(QString, audio);
    QFETCH(int, subtitles);
    QVERIFY2(!path.isEmpty(), "the clip could not be made");

    FFprobeData data;
    InterfaceFFprobe ffprobe = makeInterface(&data);
    QString program;
    QStringList arguments;
    ffprobe.cliCmdGetInfo(path, program, arguments);
    ffprobe.parseData(&data, runToEnd(program, arguments), QString());

    QCOMPARE(data.format_name, format);
    QVERIFY2(qAbs(data.duration - 3.0) < 0.1, qPrintable(QString::number(data.duration)));
    QCOMPARE(data.filename, path);
    QCOMPARE(data.videoStreams.size(), 1);
    const FFprobeVideoStream &v = data.videoStreams.first();
    QCOMPARE(v.index, 0);
    QCOMPARE(v.codec_name, video);
    QCOMPARE(v.codec_tag_string, tag);
    QCOMPARE(v.size, QSize(320, 240));
    QCOMPARE(v.display_aspect_ratio, 4.0 / 3.0);
    QCOMPARE(v.avg_frame_rate, 25.0);
    QCOMPARE(v.pix_fmt, QString("yuv420p"));
    QCOMPARE(data.audioStreams.size(), 1);
    const FFprobeAudioStream &a = data.audioStreams.first();
    QCOMPARE(a.index, 1);
    QCOMPARE(a.codec_name, audio);
    QCOMPARE(a.sample_rate, 44100);
    QCOMPARE(a.channels, 1);
    QCOMPARE(data.subtitleStreams.size(), subtitles);
    if (subtitles) {
        QCOMPARE(data.subtitleStreams.first().index, 2);
        QCOMPARE(data.subtitleStreams.first().codec_name, QString("subrip"));
        QCOMPARE(data.subtitleStreams.first().language, QString("eng"));
    }
}

void TestInterfaceFFprobe::realFileThatIsNoMedia()
{
    const QString path = TestMedia::folder() + "/not a movie.avi";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("This is a text file renamed .avi\n");
    file.close();

    FFprobeData data;
    InterfaceFFprobe ffprobe = makeInterface(&data);
    QString program;
    QStringList arguments;
    ffprobe.cliCmdGetInfo(path, program, arguments);
    ffprobe.parseData(&data, runToEnd(program, arguments), QString());
    QVERIFY(data.format_name.isEmpty()); // what the player panel refuses a file by
    QVERIFY(data.videoStreams.isEmpty() && data.audioStreams.isEmpty());

    // A clip cut in the middle still yields what FFprobe can read, or nothing: no crash.
    const QString whole = TestMedia::standardMp4();
    QFile source(whole);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString cut = TestMedia::folder() + "/cut.mp4";
    QFile truncated(cut);
    QVERIFY(truncated.open(QIODevice::WriteOnly));
    truncated.write(source.read(source.size() / 2));
    truncated.close();
    data.clear();
    ffprobe.cliCmdGetInfo(cut, program, arguments);
    ffprobe.parseData(&data, runToEnd(program, arguments), QString());
    QVERIFY(data.videoStreams.size() <= 1);
}

void TestInterfaceFFprobe::realStatus()
{
    InterfaceStatus status;
    InterfaceFFprobe ffprobe = makeInterface(nullptr, &status);
    QString program;
    QStringList arguments;
    ffprobe.cliCmdGetStatus(program, arguments);
    QVERIFY(ffprobe.parseStatus(runToEnd(program, arguments)));
    QCOMPARE(status.state, int(InterfaceStatus::Ready));
    QCOMPARE(status.signature, QString("ffprobe"));
    QVERIFY2(status.version.startsWith("5."), qPrintable(status.version));
}

VEXO_TEST_CLASS(TestInterfaceFFprobe)
#include "tst_interfaceffprobe.moc"
