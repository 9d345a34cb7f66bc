// The parsers of FFprobe's "-version" and "-show_format -show_streams" answers: captured
// answers (Windows builds: CR LF) and the real FFprobe 5.1 on clips made here.

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/repeatedfields.h"
#include "engines/interfacestatus.h"
#include "engines/player.h"
#include "engines/sourcefacts.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTest>

#include <cmath>
#include <functional>

namespace {
QString block(const QString &name, const QStringList &lines)
{
    return QString("[%1]\n%2\n[/%1]\n").arg(name, lines.join('\n'));
}

// Entries of FFprobe's JSON answers: packets of one stream from a time on, one a step, and
// the decoded pictures' fields.
QStringList jsonPackets(int stream, double from, double step, int count)
{
    QStringList packets;
    for (int i = 0; i < count; ++i)
        packets << QStringLiteral("{\"type\": \"packet\", \"stream_index\": %1, \"pts_time\": \"%2\", \"duration_time\": \"%3\"}")
                       .arg(stream).arg(from + i * step, 0, 'f', 6).arg(step, 0, 'f', 6);
    return packets;
}
QString jsonPicture(int width, int height, const QString &sampleAspect)
{
    return QStringLiteral("{\"type\": \"frame\", \"width\": %1, \"height\": %2, \"sample_aspect_ratio\": \"%3\", "
                          "\"interlaced_frame\": 0}").arg(width).arg(height).arg(sampleAspect);
}

// A Windows build's answer on an MPEG-4 AVI: CR LF line ends.
const QString kWindowsAviAnswer =
    QString(block("STREAM", {"index=0", "codec_name=mpeg4", "codec_type=video", "codec_tag_string=XVID",
                             "width=720", "height=576", "sample_aspect_ratio=N/A", "r_frame_rate=25/1",
                             "avg_frame_rate=25/1", "duration=5400.000000"})
            + block("STREAM", {"index=1", "codec_name=mp3", "codec_type=audio", "sample_rate=48000",
                               "channels=2", "duration=5399.976000", "bit_rate=128000"})
            + block("FORMAT", {"filename=C:\\Movies\\movie.avi", "format_name=avi", "duration=5400.000000",
                               "bit_rate=1087412.000000"}))
        .replace("\n", "\r\n");

// One line per record, so that a table row states the whole result.
QString describe(const FFprobeData &data)
{
    const auto n = [](double value) { return QString::number(value); };
    QStringList lines{"format " + QStringList{data.filename, data.format_name, n(data.duration)}.join('|')};
    for (const FFprobeVideoStream &v : data.videoStreams)
        lines << "video " + QStringList{n(v.index), v.codec_name, v.codec_tag_string,
                                        n(v.size.width()) + 'x' + n(v.size.height()),
                                        "sar " + n(v.sample_aspect_ratio), "dar " + n(v.display_aspect_ratio),
                                        "br " + n(v.bit_rate), "fps " + n(v.avg_frame_rate), n(v.r_frame_rate),
                                        "start " + n(v.start_time), "dur " + n(v.duration)}.join('|');
    for (const FFprobeAudioStream &a : data.audioStreams)
        lines << "audio " + QStringList{n(a.index), a.codec_name, n(a.sample_rate) + " Hz",
                                        "br " + n(a.bit_rate), n(a.channels) + " ch", "dur " + n(a.duration),
                                        a.language, a.title}.join('|');
    for (const FFprobeSubtitleStream &s : data.subtitleStreams)
        lines << "subtitle " + QStringList{n(s.index), s.codec_name, s.language}.join('|');
    return lines.join('\n');
}

InterfaceFFprobe makeInterface(FFprobeData *data, InterfaceStatus *status = nullptr)
{
    InterfaceFFprobe ffprobe;
    ffprobe.init("ffprobe", data, status);
    return ffprobe;
}
} // namespace

class TestInterfaceFFprobe : public QObject
{
    Q_OBJECT

private slots:
    void parseStatus()
    {
        QString today; // "ffprobe version 5.1.9-0+deb12u1 Copyright (c) 2007-2026 the FFmpeg developers"
        TestMedia::run("ffprobe", {"-version"}, &today);
        InterfaceStatus status;
        status.state = InterfaceStatus::OutputCaptured;
        QVERIFY(makeInterface(nullptr, &status).parseStatus(today));
        QCOMPARE(status.signature + ' ' + status.version, "ffprobe " + today.section(' ', 2, 2));
        QVERIFY(!makeInterface(nullptr, &status).parseStatus("MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team\n"));
        QCOMPARE(status.state, int(InterfaceStatus::ParseFailed));
    }

    void parseData_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Windows AVI, CR LF")
            << kWindowsAviAnswer
            << "format C:\\Movies\\movie.avi|avi|5400\n"
               "video 0|mpeg4|XVID|720x576|sar 0|dar 0|br 0|fps 25|25|start 0|dur 5400\n"
               "audio 1|mp3|48000 Hz|br 128000|2 ch|dur 5399.98||";
        const QStringList mov{"filename=a.mov", "format_name=mov,mp4,m4a,3gp,3g2,mj2", "duration=12.500000"};
        QTest::newRow("family named by its brand, padding trimmed")
            << block("FORMAT", mov + QStringList{"TAG:major_brand=qt  "}) << "format a.mov|qt|12.5";
        // A later line of a key wins.
        QTest::newRow("video without index and size, zero denominator; NTSC rate and anamorphic DVD")
            << block("FORMAT", {"format_name=mpeg"}) + block("STREAM", {"codec_type=video", "avg_frame_rate=25/0"})
                   + block("STREAM", {"index=1", "codec_type=video", "width=640", "width=720", "height=480",
                                      "sample_aspect_ratio=32:27", "display_aspect_ratio=16:9",
                                      "avg_frame_rate=30000/1001", "r_frame_rate=60000/1001"})
            << "format |mpeg|0\nvideo -1|||0x0|sar 0|dar 0|br 0|fps 0|0|start 0|dur 0\n"
               "video 1|||720x480|sar 1.18519|dar 1.77778|br 0|fps 29.97|59.9401|start 0|dur 0";
        // Without a complete FORMAT block the record is left as it was.
        QTest::newRow("error message")
            << "/tmp/a.avi: Invalid data found when processing input\n" << "format |kept|0";
        static const char noise[] = "\0\x01[FORMAT\n=\n==\n[/STREAM]\r\r\n[FORMAT]\n\0\n[/FORMAT";
        QTest::newRow("binary noise") << QString::fromUtf8(noise, sizeof noise - 1) << "format |kept|0";
    }

    void parseData()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        FFprobeData data;
        data.format_name = "kept";
        makeInterface(&data).parseData(&data, answer, "ffprobe version 5.1.9\n");
        QCOMPARE(describe(data), expected);
    }

    void realClips_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // bit rates, start times and durations left out

        QTest::newRow("MPEG-4/MP3 AVI")
            << TestMedia::standardAvi()
            << "format |avi|0\nvideo 0|mpeg4|FMP4|320x240|sar 1|dar 1.33333|br|fps 25|25|start|dur\n"
               "audio 1|mp3|44100 Hz|br|1 ch|dur||";
        // Upper-case tags ("TAG:MAJOR_BRAND=isom" is not the brand), no stream durations ("N/A").
        QTest::newRow("MKV with subtitles and a titled stream at an odd path")
            << subtitledMkv()
            << "format |matroska|0\nvideo 0|h264|[0][0][0][0]|320x240|sar 1|dar 1.33333|br|fps 25|25|start|dur\n"
               "audio 1|aac|44100 Hz|br|1 ch|dur|fre|Général commentaire\nsubtitle 2|subrip|eng";
        QTest::newRow("tags whose line breaks read as fields and blocks")
            << forgingTagsMkv()
            << "format |matroska|0\nvideo 0|mpeg4|[0][0][0][0]|320x240|sar 1|dar 1.33333|br|fps 25|25|start|dur\n"
               "audio 1|mp3|44100 Hz|br|1 ch|dur||";
    }

    void realClips()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QVERIFY2(!path.isEmpty(), "the clip could not be made");
        FFprobeData data;
        const InterfaceFFprobe ffprobe = makeInterface(&data);
        QString program, answer;
        QStringList arguments;
        ffprobe.cliCmdGetInfo(path, program, arguments); // FFprobe's own command line
        TestMedia::run(program, arguments, &answer, nullptr, 30000);
        ffprobe.parseData(&data, answer, QString());
        QCOMPARE(data.filename, path);
        QVERIFY2(qAbs(data.duration - 3.0) < 0.1, qPrintable(QString::number(data.duration)));
        data.filename.clear();
        data.duration = 0;
        static const QRegularExpression measured("(br|start|dur) [^|\n]*");
        QCOMPARE(describe(data).replace(measured, "\\1"), expected);
    }

    // Relative names that FFprobe would take for an option or for a protocol's address.
    void relativeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("colon before any slash") << "clip:1.avi";
        QTest::newRow("a protocol's name") << "dvd:.avi";
        QTest::newRow("dash") << "-clip.avi";
        QTest::newRow("dash and colon") << "-x:1.avi";
    }

    void relativeNames()
    {
        QFETCH(QString, name);
        QTemporaryDir folder;
        QVERIFY(QFile::copy(TestMedia::standardAvi(), folder.path() + "/" + name));
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        FFprobeData data;
        const InterfaceFFprobe ffprobe = makeInterface(&data);
        QString program, answer, errors;
        QStringList arguments;
        ffprobe.cliCmdGetInfo(name, program, arguments);
        const int code = TestMedia::run(program, arguments, &answer, &errors, 30000);
        QDir::setCurrent(here);
        QVERIFY2(code == 0, qPrintable(errors));
        ffprobe.parseData(&data, answer, QString());
        QVERIFY2(qAbs(data.duration - 3.0) < 0.1, qPrintable(errors));
    }

    // FFprobe's ratios: a sign belongs to its number, and aspects from a file stay sane.
    void ratios_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        const auto video = [](const QStringList &fields) {
            return block("FORMAT", {"format_name=matroska"})
                    + block("STREAM", QStringList{"index=0", "codec_type=video", "width=320", "height=240"} + fields);
        };
        QTest::newRow("negative aspect") << video({"sample_aspect_ratio=-976822:1", "display_aspect_ratio=4:-3"})
                                         << "sar 0|dar 0|fps 0|320x240";
        QTest::newRow("a Matroska's 20 million pixels") << video({"sample_aspect_ratio=62500:1", "display_aspect_ratio=250000:3"})
                                                        << "sar 0|dar 0|fps 0|320x240";
        QTest::newRow("negative rate, decimal") << video({"avg_frame_rate=-25.0", "display_aspect_ratio=1.5"})
                                                << "sar 0|dar 1.5|fps 0|320x240";
        QTest::newRow("16K, aspects at their bounds")
            << block("STREAM", {"codec_type=video", "width=16384", "height=16384", "sample_aspect_ratio=1:16",
                                "display_aspect_ratio=16:1"}) + block("FORMAT", {"format_name=x"})
            << "sar 0.0625|dar 16|fps 0|16384x16384";
        QTest::newRow("negative rate, a fraction") << video({"avg_frame_rate=-25/1"}) << "sar 0|dar 0|fps 0|320x240";
        QTest::newRow("sizes beyond 16K") << block("STREAM", {"codec_type=video", "width=20000000", "height=-240",
                                                              "sample_aspect_ratio=1:1", "avg_frame_rate=30000/1001"})
                                                 + block("FORMAT", {"format_name=x"})
                                          << "sar 1|dar 0|fps 29.97|0x0";
    }

    // What a source's analysis tells of its picture's turn, fields and timing and of each
    // stream's start and length: the real FFprobe on clips made as phones, recorders and
    // tuners make them, captured answers of FFprobes that name a turn otherwise, and answers
    // of the runs that complete the analysis where they fail or tell what no clip here makes.
    void sourceFacts_data()
    {
        QTest::addColumn<QString>("path");   // a clip made here, or empty
        QTest::addColumn<QString>("answer"); // else a captured answer
        QTest::addColumn<QString>("expected");
        const QStringList wide{"-f", "lavfi", "-i", "testsrc2=size=320x180:rate=30:duration=2", "-f", "lavfi",
                               "-i", "sine=duration=2", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"};
        // A phone stores its picture as the sensor reads it and flags the turn to show it at.
        const auto turned = [&](const QString &tag) {
            return TestMedia::clip("turned" + tag + ".mp4", wide + QStringList{"THEN", "-c", "copy",
                                                                              "-metadata:s:v:0", "rotate=" + tag});
        };
        QTest::newRow("phone, a quarter clockwise") << turned("270") << "" << "turn 90|progressive|cfr 30|0+2 shapes 0.56|aac 1ch 0+2 lead 0.02";
        QTest::newRow("phone, a quarter back") << turned("90") << "" << "turn 270|progressive|cfr 30|0+2 shapes 0.56|aac 1ch 0+2 lead 0.02";
        QTest::newRow("phone upside down") << turned("180") << "" << "turn 180|progressive|cfr 30|0+2|aac 1ch 0+2 lead 0.02";
        QTest::newRow("TV recording: fields top first, streams starting late")
            << TestMedia::clip("interlaced.ts", {"-f", "lavfi", "-i", "testsrc2=size=720x576:rate=25:duration=2",
                                                 "-f", "lavfi", "-i", "sine=duration=2", "-c:v", "mpeg2video",
                                                 "-flags", "+ilme+ildct", "-top", "1", "-c:a", "mp2", "-ac", "2"})
            << "" << "turn 0|tt, top first|cfr 25|1.44+2|mp2 2ch 1.43+2.01";
        // ... cut where no key frame is: its picture shows from the next one, 0.25 s after its sound.
        const QString recording = TestMedia::clip("facts-whole.ts", {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=2",
                                                                    "-f", "lavfi", "-i", "sine=sample_rate=48000:duration=2", "-c:v",
                                                                    "mpeg2video", "-b:v", "2000k", "-c:a", "mp2", "-ac", "2"});
        QTest::newRow("TV recording cut mid-group") << TestMedia::cutFront("facts-cut.ts", recording, 0.15) << ""
                                                    << "turn 0|progressive|cfr 25|1.92+1.68|mp2 2ch 1.67+1.75";
        QTest::newRow("fields bottom first, Matroska's lengths as tags")
            << TestMedia::clip("bottomfirst.mkv", {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=2",
                                                   "-c:v", "libx264", "-preset", "ultrafast", "-flags", "+ilme+ildct",
                                                   "-top", "0", "-x264opts", "interlaced=1:bff=1"})
            << "" << "turn 0|bb, bottom first|cfr 25|0+2";
        // Seven pictures of each ten left out, then every one: 39 a second on average.
        QTest::newRow("screen recording, variable rate")
            << TestMedia::clip("variable.mkv", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=60:duration=8",
                                                "-vf", "select='lt(mod(n\\,10)\\,3)+gt(n\\,240)'", "-fps_mode", "vfr",
                                                "-c:v", "libx264", "-preset", "ultrafast"})
            << "" << "turn 0|progressive|vfr 38.96 fast 60|0+8";
        // A phone's rate that drops in the dark, on a clock of 1/600 s: 30 a second, then 20.
        QTest::newRow("phone, variable rate")
            << TestMedia::clip("variable.mov", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30:duration=4",
                                                "-vf", "select='lt(t\\,2)+lt(mod(n\\,3)\\,2)'", "-fps_mode", "vfr",
                                                "-video_track_timescale", "600", "-c:v", "libx264", "-preset", "ultrafast"})
            << "" << "turn 0|progressive|vfr 25.21 fast 30|0+3.97";
        // Mostly still, 5 pictures a second, after 0.4 s of 60: its fast rate is the 60.
        QTest::newRow("screen recording, mostly still")
            << TestMedia::clip("mostly-still.mkv", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=60:duration=8",
                                             "-vf", "select='lt(n\\,24)+not(mod(n\\,12))'", "-fps_mode", "vfr",
                                             "-c:v", "libx264", "-preset", "ultrafast"})
            << "" << "turn 0|progressive|vfr 7.82 fast 60|0+7.82";
        // FFprobe names no field order for it ("unknown"); its pictures flag no fields.
        QTest::newRow("the picture after its sound, ASF")
            << TestMedia::clip("late.asf", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-f",
                                            "lavfi", "-i", "sine=duration=2", "-c:v", "wmv2", "-c:a", "wmav2"})
            << "" << "turn 0|progressive|cfr 25|0.05+2.05|wmav2 1ch 0+2.05";
        // RealAudio as FFmpeg writes it: every sound packet at 0, its stream of no length.
        QTest::newRow("sound packets without times, RealMedia")
            << TestMedia::clip("untimed.rm", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-f", "lavfi",
                                              "-i", "sine=duration=2:sample_rate=8000", "-c:v", "rv20", "-c:a", "real_144"})
            << "" << "turn 0|progressive|cfr 25|0+2|ra_144 1ch 0+2 untimed overlapping";
        QTest::newRow("no picture") << TestMedia::clip("facts.mp3", {"-f", "lavfi", "-i", "sine=duration=2"})
                                    << "" << "turn 0||cfr 0|0+0|mp3 1ch 0.03+2.04";
        const QString format = block("FORMAT", {"format_name=mov,mp4,m4a,3gp,3g2,mj2", "duration=2.0"});
        QTest::newRow("older FFprobe: a rotate tag, clockwise")
            << "" << format + block("STREAM", {"index=0", "codec_type=video", "TAG:rotate=90", "duration=2.0"})
            << "turn 90||cfr 0|0+2|unknown fields,rate,shapes,length";
        QTest::newRow("display matrix nested in the default form, a turn not quite square")
            << "" << format + block("STREAM", {"index=0", "codec_type=video", "[SIDE_DATA]", "side_data_type=Display Matrix",
                                               "displaymatrix=", "00000000: 0 65536 0", "rotation=-89.96", "[/SIDE_DATA]",
                                               "duration=N/A"})
            << "turn 90||cfr 0|0+2|unknown fields,rate,shapes,length";
        QTest::newRow("the matrix wins over the tag; a side data block of another kind")
            << "" << format + block("STREAM", {"index=0", "codec_type=video", "TAG:rotate=90", "[SIDE_DATA]",
                                               "side_data_type=Display Matrix", "rotation=180", "[/SIDE_DATA]",
                                               "[SIDE_DATA]", "side_data_type=CPB properties", "[/SIDE_DATA]"})
            << "turn 180||cfr 0|0+2|unknown fields,rate,shapes,length";
        QTest::newRow("nothing read") << "" << "Invalid data found when processing input" << "not measured";
        // A phone's HDR video: 10 bits, BT.2020's colours, the PQ (HDR10) or HLG transfer; and
        // one of standard range in 10 bits.
        const auto colours = [](const QString &transfer, const QString &primaries, const QString &matrix,
                                const QString &format = "yuv420p10le", const QString &file = ".mp4") {
            return TestMedia::clip("facts-" + transfer + format + file, {"-f", "lavfi", "-i",
                                   "testsrc2=size=160x90:rate=25:duration=1", "-pix_fmt", format, "-color_trc", transfer,
                                   "-color_primaries", primaries, "-colorspace", matrix, "-c:v",
                                   file == ".mkv" ? "png" : "libx264"});
        };
        QTest::newRow("HDR10") << colours("smpte2084", "bt2020", "bt2020nc") << ""
                               << "turn 0|progressive|cfr 25|0+1|smpte2084/bt2020/bt2020nc tv 10-bit HDR";
        QTest::newRow("HLG") << colours("arib-std-b67", "bt2020", "bt2020nc") << ""
                             << "turn 0|progressive|cfr 25|0+1|arib-std-b67/bt2020/bt2020nc tv 10-bit HDR";
        QTest::newRow("BT.709 in 8 bits") << colours("bt709", "bt709", "bt709", "yuv420p") << ""
                                          << "turn 0|progressive|cfr 25|0+1|bt709/bt709/bt709 tv 8-bit";
        // Of packed pixels FFmpeg names the bits of the whole pixel.
        QTest::newRow("RGB of 48 bits a pixel") << colours("bt709", "bt709", "rgb", "rgb48be", ".mkv") << ""
                                                << "turn 0|progressive|cfr 25|0+1|bt709/bt709/gbr pc 0-bit";

        // Fields no flag states: a DV camcorder's AVI names no field order, where each of its
        // pictures is flagged bottom first; FFmpeg names a top-first ProRes picture "tb",
        // which QuickTime's own naming reads as shown bottom first.
        const auto dv = [](const QString &name, const QString &size, const QString &rate, const QString &target) {
            return TestMedia::clip(name, {"-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=" + rate + ":duration=1",
                                          "-f", "lavfi", "-i", "sine=sample_rate=48000:duration=1", "-target", target});
        };
        QTest::newRow("DV camcorder, NTSC, no field order named")
            << dv("facts-dv-ntsc.avi", "720x480", "30000/1001", "ntsc-dv") << "" << "turn 0|bb, bottom first|cfr 29.97|0+0.97|pcm_s16le 2ch 0+0.97";
        QTest::newRow("DV camcorder, PAL, no field order named")
            << dv("facts-dv-pal.avi", "720x576", "25", "pal-dv") << "" << "turn 0|bb, bottom first|cfr 25|0+1|pcm_s16le 2ch 0+1";
        const auto prores = [](const QString &name, const QString &field) {
            return TestMedia::clip(name, {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-vf",
                                          "setfield=" + field, "-c:v", "prores_ks", "-flags", "+ilme+ildct"});
        };
        QTest::newRow("ProRes top first, named tb") << prores("facts-prores-top.mov", "tff") << "" << "turn 0|tt, top first|cfr 25|0+1";
        QTest::newRow("ProRes bottom first, named bt") << prores("facts-prores-bottom.mov", "bff") << "" << "turn 0|bb, bottom first|cfr 25|0+1";
        QTest::newRow("tb, its pictures unread") << "" << format + block("STREAM", {"index=0", "codec_type=video", "field_order=tb"})
                                                 << "turn 0|tb, bottom first|cfr 0|0+2|unknown fields,rate,shapes,length";
        QTest::newRow("bt, its pictures unread") << "" << format + block("STREAM", {"index=0", "codec_type=video", "field_order=bt"})
                                                 << "turn 0|bt, top first|cfr 0|0+2|unknown fields,rate,shapes,length";

        // A quick trim's edit list: 1.3 s of picture and sound before the start, to be
        // decoded and not shown (AAC's priming is such a lead-in too); without sound, half a
        // second of picture.
        QTest::newRow("quick trim, an edit list")
            << TestMedia::clip("facts-trimmed.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=30:duration=2.3",
                                                     "-f", "lavfi", "-i", "sine=duration=2.3", "-c:v", "libx264", "-preset",
                                                     "ultrafast", "-g", "250", "-c:a", "aac", "-output_ts_offset", "-1.3",
                                                     "-avoid_negative_ts", "disabled"})
            << "" << "turn 0|progressive|cfr 30|0+1 lead 1.3|aac 1ch 0+1 lead 1.02";
        QTest::newRow("quick trim without sound")
            << TestMedia::clip("facts-trimmed-silent.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2.5",
                                                            "-c:v", "libx264", "-preset", "ultrafast", "-output_ts_offset", "-0.5",
                                                            "-avoid_negative_ts", "disabled"})
            << "" << "turn 0|progressive|cfr 25|0+2.02 lead 0.52";

        // Rates judged over the whole file. A phone's rate that drops in the dark after the
        // seconds the analysis lists (30 a second, then 10), counted in its MP4 header:
        QTest::newRow("phone, its rate drops after its first seconds")
            << TestMedia::clip("facts-drop.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=7", "-f",
                                                  "lavfi", "-i", "sine=sample_rate=48000:duration=7", "-vf",
                                                  "select='lt(t\\,5.5)+not(mod(n\\,3))'", "-fps_mode", "vfr", "-c:v",
                                                  "libx264", "-preset", "ultrafast", "-c:a", "aac"})
            << "" << "turn 0|progressive|vfr 25.96 fast 30|0+6.93|aac 1ch 0+7 lead 0.02";
        // ... that starts dark and goes light, in Matroska, which counts nothing: the fast
        // stretches come late, where only the spread samples find them.
        QTest::newRow("phone, its rate rises after its first seconds")
            << TestMedia::clip("facts-rise.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=15", "-f",
                                                  "lavfi", "-i", "sine=sample_rate=48000:duration=15", "-vf",
                                                  "select='gte(t\\,7.5)+not(mod(n\\,3))'", "-fps_mode", "vfr", "-c:v",
                                                  "libx264", "-preset", "ultrafast", "-g", "15", "-c:a", "aac"})
            << "" << "turn 0|progressive|vfr 19.97 fast 30.01|0.02+15.02|aac 1ch 0+15.02";
        // A constant rate stays constant read at points spread through the file.
        // Film as NTSC discs store it: 23.976 pictures flagged to repeat fields (shown at 29.97),
        // a short file read whole and a longer one read at its spread points; the same film
        // with its fields repeated in the pictures, coded at 29.97.
        const QStringList film{"-f", "lavfi", "-i", "testsrc2=size=352x240:rate=24000/1001:duration=2", "-f", "lavfi",
                               "-i", "sine=sample_rate=48000:duration=2"};
        QTest::newRow("film, repeat-field flags") << TestMedia::clip("facts-soft.mpg", film + QStringList{"TELECINE",
                                                                       "-c:a", "ac3", "-ac", "2", "-f", "vob"})
                                                  << "" << "turn 0|progressive|cfr 23.98 repeating fields|0.54+1.97|ac3 2ch 0.54+1.98";
        QTest::newRow("film, repeat-field flags, read at the spread points")
            << TestMedia::clip("facts-soft-long.mpg", QStringList{"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=24000/1001:duration=24"}
                                                          + QStringList{"-f", "lavfi", "-i", "sine=sample_rate=48000:duration=24", "TELECINE",
                                                                        "-c:a", "mp2", "-ac", "2", "-f", "vob"})
            << "" << "turn 0|progressive|cfr 23.98 repeating fields|0.54+23.99|mp2 2ch 0.53+24 overlapping";
        // Film, then video at the rate the fields are shown at (a disc's extras after the film):
        // no constant rate of film.
        QTest::newRow("film flagged to repeat fields, then video")
            << TestMedia::clip("facts-soft-then-video.mpg",
                               QStringList{"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=24000/1001:duration=12", "-f",
                                           "lavfi", "-i", "sine=sample_rate=48000:duration=12", "TELECINE", "-c:a", "mp2",
                                           "-ac", "2", "-f", "vob", "JOIN", "-f", "lavfi", "-i",
                                           "testsrc2=size=160x120:rate=30000/1001:duration=12", "-f", "lavfi", "-i",
                                           "sine=sample_rate=48000:duration=12", "-c:v", "mpeg2video", "-b:v", "2000k",
                                           "-aspect", "16:9", "-c:a", "mp2", "-ac", "2", "-f", "vob", "-output_ts_offset", "12.5"})
            << "" << "turn 0|progressive|vfr 27.05 fast 29.97|0.54+23.95|mp2 2ch 0.53+23.93 overlapping";
        // A phone's rate dropping from 30 to 20 a second: its container's times step by two
        // fields and three as well, and it is no film.
        QTest::newRow("phone, its rate dropping from 30 to 20")
            << TestMedia::clip("facts-30-then-20.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=60:duration=3", "-vf",
                                                   "select='if(lt(n\\,60)\\,not(mod(n\\,2))\\,eq(mod(n-60\\,3)\\,1))'",
                                                   "-fps_mode", "vfr", "-c:v", "libx264", "-preset", "ultrafast"})
            << "" << "turn 0|progressive|vfr 23.46 fast 30|0+2.98";
        // Steps of two sixtieths and three by turns, as a film laid on a 60 Hz clock: its
        // packets last as long as they are shown, and only MPEG-2's repeat fields by a flag.
        QTest::newRow("H.264, steps of two and three sixtieths by turns")
            << TestMedia::clip("facts-two-three.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=60:duration=3", "-vf",
                                                      "select='eq(mod(n\\,5)\\,0)+eq(mod(n\\,5)\\,2)'", "-fps_mode", "vfr",
                                                      "-c:v", "libx264", "-preset", "ultrafast"})
            << "" << "turn 0|progressive|vfr 24.27 fast 30|0+2.97";
        QTest::newRow("film, fields repeated in the pictures")
            << TestMedia::clip("facts-hard.mpg", {"-f", "lavfi", "-i", "testsrc2=size=352x240:rate=24000/1001:duration=2,telecine",
                                                  "-target", "ntsc-dvd", "-s", "352x240", "-flags", "+ilme+ildct", "-top", "1"})
            << "" << "turn 0|tt, top first|cfr 29.97|0.53+2";
        QTest::newRow("constant rate, read through the file")
            << TestMedia::clip("facts-constant.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=12", "-f",
                                                      "lavfi", "-i", "sine=sample_rate=48000:duration=12", "-c:v", "libx264",
                                                      "-preset", "ultrafast", "-g", "30", "-c:a", "aac"})
            << "" << "turn 0|progressive|cfr 30|0.02+12.02|aac 1ch 0+12.02";
        // A screen recorder that holds its picture two seconds: one long step among short ones.
        QTest::newRow("screen recording, a pause")
            << TestMedia::clip("facts-pause.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=4", "-vf",
                                                   "select='not(between(t\\,1\\,2.99))'", "-fps_mode", "vfr", "-c:v",
                                                   "libx264", "-preset", "ultrafast"})
            << "" << "turn 0|progressive|vfr 14.87 fast 29.99|0+4";
        // Packet times next to nothing apart are no steps: no rate of them is infinite.
        QStringList subnormal;
        for (int i = 0; i < 24; ++i)
            subnormal << QStringLiteral("{\"stream_index\": 0, \"pts_time\": \"%1\"}").arg(i * 4.9e-324, 0, 'g', 17);
        for (int i = 1; i < 40; ++i)
            subnormal << QStringLiteral("{\"stream_index\": 0, \"pts_time\": \"%1\"}").arg(i * 0.04);
        QTest::newRow("packet times a subnormal step apart")
            << "" << "{\"format\": {\"format_name\": \"matroska\", \"duration\": \"2\"}, \"streams\": [{\"index\": 0, "
                     "\"codec_type\": \"video\", \"avg_frame_rate\": \"25/1\", \"r_frame_rate\": \"25/1\"}], "
                     "\"packets\": [" + subnormal.join(", ") + "]}"
            << "turn 0||cfr 25|0+2|unknown fields,shapes";
        // Answers on Matroska of a constant rate: its picture's first packets among its sound's,
        // 400 in all, no field order named; the stretches read through it (at the start, at
        // eight points, near the end), each point's from a picture, with the decoded pictures
        // given.
        const auto analysis = [](int seconds, int rate, const QStringList &packets) {
            return QStringLiteral("{\"format\": {\"format_name\": \"matroska\", \"duration\": \"%1\"}, \"streams\": [{\"index\": 0, "
                                  "\"codec_type\": \"video\", \"avg_frame_rate\": \"%2/1\", \"r_frame_rate\": \"%2/1\", \"width\": 320, "
                                  "\"height\": 240}, {\"index\": 1, \"codec_type\": \"audio\", \"codec_name\": \"aac\", \"channels\": 2}], ")
                       .arg(seconds).arg(rate)
                   + "\"packets\": [" + packets.join(", ") + "]}";
        };
        const auto sampled = [&analysis](int seconds, int rate, int listed, const QStringList &pictures, const QString &count,
                                         const QString &sound) {
            QStringList stretches = jsonPackets(0, 0, 1.0 / rate, 6);
            for (int k = 1; k <= 8; ++k)
                stretches += (k <= pictures.size() ? QStringList{pictures.at(k - 1)} : QStringList())
                             + jsonPackets(0, std::floor(k * seconds * rate / 9.0) / rate, 1.0 / rate, 32);
            return analysis(seconds, rate, jsonPackets(0, 0, 1.0 / rate, listed) + jsonPackets(1, 0, 0.04, 400 - listed))
                   + "\n[RUN]\n{\"packets_and_frames\": [" + (stretches + jsonPackets(0, seconds - 1, 1.0 / rate, rate)).join(", ")
                   + "]}\n[RUN]\n" + count + "\n[RUN]\n" + sound;
        };
        const auto minute = [&sampled](const QStringList &pictures, const QString &count, const QString &sound) {
            return sampled(60, 25, 200, pictures, count, sound);
        };
        const QStringList square(8, jsonPicture(320, 240, "1:1"));
        QTest::newRow("stretches read, no picture decoded, no count")
            << "" << minute({}, "", "") << "turn 0||cfr 25|0+60|aac 2ch 0+60|unknown fields,rate,sound rates,length";
        // A picture that names no sample aspect ("N/A") is shown as stored.
        QTest::newRow("pictures of no sample aspect, turning wide")
            << "" << minute(QStringList(4, jsonPicture(320, 240, "N/A")) + QStringList(4, jsonPicture(640, 240, "N/A")), "", "")
            << "turn 0|progressive|cfr 25|0+60 shapes 1.33>2.67|aac 2ch 0+60|unknown rate,sound rates,length";
        QTest::newRow("a count of more than any camera films")
            << "" << minute(square, "{\"streams\": [{\"nb_read_packets\": 2000000000}]}", "")
            << "turn 0|progressive|cfr 25|0+60|aac 2ch 0+60|unknown rate,sound rates,length|told nothing: count";
        // A security camera's two pictures a second, eight of them among the analysis's packets:
        // the start's stretch tells no step to the first point's.
        QTest::newRow("two pictures a second, eight listed")
            << "" << sampled(150, 2, 8, square, "", "") << "turn 0|progressive|cfr 2|0+150|aac 2ch 0+150|unknown rate,sound rates,length";
        // AAC in a fragmented MP4 cut short: no frame decoded after a seek.
        QTest::newRow("the sound's packets read, none decoded")
            << "" << minute(square, "", "{\"packets_and_frames\": [" + jsonPackets(1, 59, 0.04, 25).join(", ") + "]}")
            << "turn 0|progressive|cfr 25|0+60|aac 2ch 0+60|unknown rate";
        // Read whole by the analysis: a picture of 1.6 s and a song of 3, whose end no run read.
        QTest::newRow("a short picture, its sound's end unread")
            << "" << analysis(3, 25, jsonPackets(0, 0, 0.04, 40) + jsonPackets(1, 0, 0.04, 75))
            << "turn 0||cfr 25|0+3|aac 2ch 0+3|unknown fields,shapes,sound rates,length";
        // One picture among the sound's first 399 packets, and nothing read past them.
        QTest::newRow("one picture listed, nothing read past the analysis")
            << "" << analysis(12, 25, jsonPackets(0, 0, 0.04, 1) + jsonPackets(1, 0, 0.023, 399))
            << "turn 0||cfr 25|0+12|aac 2ch 0+12|unknown fields,rate,shapes,sound rates,length";
        QTest::newRow("a damaged header's rate of 90000 a second")
            << "" << format + block("STREAM", {"index=0", "codec_type=video", "avg_frame_rate=90000/1",
                                               "r_frame_rate=90000/1", "duration=2.0"})
            << "turn 0||cfr 0|0+2|unknown fields,rate,shapes,length";
        // Two tracks, the second starting late; a picture whose B-frames are stored before
        // pictures shown earlier, in a transport stream that starts late.
        QTest::newRow("B-frames; a second track that starts late")
            << TestMedia::clip("facts-tracks.ts", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-f",
                                                   "lavfi", "-i", "sine=duration=2", "-itsoffset", "0.5", "-f", "lavfi",
                                                   "-i", "sine=frequency=880:duration=1.5", "-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "libx264", "-preset",
                                                   "fast", "-bf", "3", "-c:a", "mp2"})
            << "" << "turn 0|progressive|cfr 25|1.48+2|mp2 1ch 1.47+2.01|mp2 1ch 1.97+1.49";
        // A song uploaded as a video of one picture: counted in its MP4 header; in Matroska,
        // which counts nothing, read whole by the analysis, or counted where it is longer.
        const auto still = [](const QString &name, double seconds) {
            return TestMedia::clip(name, {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=0.04", "-f",
                                          "lavfi", "-i", QStringLiteral("sine=duration=%1").arg(seconds), "-c:v",
                                          "libx264", "-preset", "ultrafast", "-c:a", "aac"});
        };
        QTest::newRow("one picture, a song, MP4") << still("facts-still.mp4", 3) << "" << "turn 0|progressive|cfr 25|0+0.04 still|aac 1ch 0+3 lead 0.02";
        QTest::newRow("one picture, a short song, Matroska") << still("facts-still.mkv", 3) << "" << "turn 0|progressive|cfr 25|0+3.02 still|aac 1ch 0+3.02";
        QTest::newRow("one picture, a long song, Matroska") << still("facts-still-long.mkv", 12) << "" << "turn 0|progressive|cfr 25|0+12.02 still|aac 1ch 0+12.02";
        // A title held for 10 s, then moving: the analysis's first packets hold one picture.
        QTest::newRow("one picture for 10 s, then moving, Matroska")
            << TestMedia::clip("facts-title.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=12", "-f",
                                                   "lavfi", "-i", "sine=duration=12", "-vf", "select='eq(n\\,0)+gte(t\\,10)'",
                                                   "-fps_mode", "vfr", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"})
            << "" << "turn 0|progressive|vfr 4.24 fast 25|0+12.02|aac 1ch 0+12.02";
        // A broadcast's sound that changes rate at a programme change, and back: recordings
        // appended, each on a clock that follows on from the one before (the muxer starts the
        // picture 1.4 s in, or 0.04 s before an offset).
        const auto broadcast = [](int rate, double seconds, double from) {
            const QStringList part{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=160x90:rate=25:duration=%1").arg(seconds),
                                   "-f", "lavfi", "-i", QStringLiteral("sine=sample_rate=%1:duration=%2").arg(rate).arg(seconds),
                                   "-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpegts"};
            return from > 0 ? QStringList{"JOIN"} + part + QStringList{"-output_ts_offset", QString::number(from + 0.04)} : part;
        };
        // Its last sound frame runs 8 ms past the next part's start.
        QTest::newRow("TV recording joined, its sound overlapping at the join")
            << TestMedia::clip("facts-joined.ts", broadcast(48000, 1, 0) + broadcast(48000, 1, 1))
            << "" << "turn 0|progressive|cfr 25|1.44+2|mp2 1ch 1.43+1.98 overlapping";
        QTest::newRow("TV recording, its sound's rate changing partway")
            << TestMedia::clip("facts-ratechange.ts", broadcast(48000, 1, 0) + broadcast(44100, 1, 1))
            << "" << "turn 0|progressive|cfr 25|1.44+2|mp2 1ch 1.43+2.02 rates 48000>44100 overlapping";
        // The second part starts after a gap: its slower frames are no overlap, nor the faster
        // ones before them.
        QTest::newRow("TV recording, its sound's rate changing after a gap")
            << TestMedia::clip("facts-rategap.ts", broadcast(48000, 1, 0) + broadcast(44100, 1, 1.1))
            << "" << "turn 0|progressive|cfr 25|1.44+2.08|mp2 1ch 1.43+2.12 rates 48000>44100";
        QTest::newRow("TV recording, its sound's rate changing and back late on")
            << TestMedia::clip("facts-rateback.ts", broadcast(32000, 6, 0) + broadcast(48000, 2, 6) + broadcast(32000, 2, 8))
            << "" << "turn 0|progressive|cfr 25|1.44+10|mp2 1ch 1.42+10.02 rates 32000>48000>32000 overlapping";
    }

    // Facts judged where the file's streams really are and by what it holds: a sound whose
    // rate changes after the last point spread through it, a transport stream whose clock
    // starts far from 0 (a broadcast's), files cut short of their header's length, a header
    // that counts one picture of a moving film, a song of two pictures, and a broadcast's
    // shape that turns partway.
    void sourceFactsWhereTheStreamsAre_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        const auto broadcast = [](int rate, double seconds, double from, const QString &shape = "4:3") {
            const QStringList part{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=160x120:rate=25:duration=%1").arg(seconds),
                                   "-f", "lavfi", "-i", QStringLiteral("sine=sample_rate=%1:duration=%2").arg(rate).arg(seconds),
                                   "-c:v", "mpeg2video", "-aspect", shape, "-c:a", "mp2", "-f", "mpegts"};
            return from > 0 ? QStringList{"JOIN"} + part + QStringList{"-output_ts_offset", QString::number(from + 0.04)} : part;
        };
        QTest::newRow("TV recording, its sound's rate changing in its last second")
            << TestMedia::clip("facts-lastsecond.ts", broadcast(48000, 18.8, 0) + broadcast(44100, 1.2, 18.8)) << "" << "turn 0|progressive|cfr 25|1.44+20|mp2 1ch 1.43+19.97 rates 48000>44100 overlapping";
        QTest::newRow("TV recording, its clock far from 0, its rate rising in its middle")
            << TestMedia::clip("facts-farclock.ts", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=12", "-vf",
                                                     "select='between(t\\,4\\,8)+not(mod(n\\,3))'", "-fps_mode", "vfr", "-c:v", "libx264",
                                                     "-preset", "ultrafast", "-g", "15", "-f", "mpegts", "-output_ts_offset", "3600"})
            << "" << "turn 0|progressive|vfr 16.72 fast 30|3601.4+11.93";
        // The same clock far from 0, its programme 16:9 between adverts of 4:3: only points
        // spread where the stream is find it.
        QTest::newRow("TV recording, its clock far from 0, 16:9 between parts of 4:3")
            << TestMedia::clip("facts-farshapes.ts", broadcast(48000, 4, 0) + QStringList{"-output_ts_offset", "3600"}
                                                         + broadcast(48000, 4, 3604, "16:9") + broadcast(48000, 4, 3608))
            << "" << "turn 0|progressive|cfr 25|3601.4+12.04 shapes 1.33>1.78>1.33|mp2 1ch 3601.39+12.05";
        QTest::newRow("TV recording, 4:3 then 16:9")
            << TestMedia::clip("facts-shapes.ts", broadcast(48000, 4, 0) + broadcast(48000, 4, 4, "16:9")) << "" << "turn 0|progressive|cfr 25|1.44+8 shapes 1.33>1.78|mp2 1ch 1.43+8.01 overlapping";
        const QStringList film{"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=8", "-f", "lavfi", "-i",
                               "sine=sample_rate=48000:duration=8", "-c:v", "libx264", "-preset", "ultrafast", "-g", "30", "-c:a", "aac"};
        QTest::newRow("fragmented MP4, its header counting its first fragment")
            << TestMedia::clip("facts-fragments.mp4", film + QStringList{"-movflags", "frag_keyframe"}) << "" << "turn 0|progressive|cfr 29.92|0+8.02|aac 1ch 0+8.02";
        // Read by its index after a seek, FFmpeg passes over a fragment and comes back to it.
        QTest::newRow("fragmented MP4 with its index")
            << TestMedia::clip("facts-fragments-indexed.mp4", film + QStringList{"-movflags", "frag_keyframe+global_sidx"}) << ""
            << "turn 0|progressive|cfr 29.37|0+8.02|aac 1ch 0+8.02";
        // x264's fake interlacing: the stream names its fields top first, its pictures flag
        // otherwise; the stream's name stands.
        QTest::newRow("a field order named, its pictures flagging another")
            << TestMedia::clip("facts-fake-interlaced.mp4", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-c:v",
                                                             "libx264", "-preset", "ultrafast", "-x264opts", "fake-interlaced=1:tff=1"})
            << "" << "turn 0|tt, top first|cfr 25|0+1";
        QTest::newRow("fragmented MP4 whose recorder stopped")
            << TestMedia::cutBack("facts-fragments-cut.mp4",
                                  TestMedia::clip("facts-fragments-indexed.mp4", film + QStringList{"-movflags", "frag_keyframe+global_sidx"}),
                                  0.8) << "" << "turn 0|progressive|cfr 29.91|0+6.49|aac 1ch 0+6.04|holds 6.49 of 8.02";
        QTest::newRow("Matroska cut at half its bytes")
            << TestMedia::cutBack("facts-cut.mkv", TestMedia::clip("facts-uncut.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=25:duration=20",
                                  "-f", "lavfi", "-i", "sine=duration=20", "-c:v", "libx264", "-preset", "ultrafast", "-g", "25", "-c:a", "aac"}), 0.5)
            << "" << "turn 0|progressive|cfr 25|0.02+10|aac 1ch 0+10.03|holds 10.03 of 20.02";
        // ... whose clock starts 5 s on (Matroska's length counted from 0).
        QTest::newRow("Matroska of a late clock cut at half its bytes")
            << TestMedia::cutBack("facts-cut-late.mkv", TestMedia::clip("facts-uncut-late.mkv", {"-f", "lavfi", "-i",
                                  "testsrc2=size=160x90:rate=25:duration=20", "-f", "lavfi", "-i", "sine=duration=20", "-c:v", "libx264",
                                  "-preset", "ultrafast", "-g", "25", "-c:a", "aac", "-output_ts_offset", "5"}), 0.5)
            << "" << "turn 0|progressive|cfr 25|5+10|aac 1ch 4.98+10.03|holds 10.03 of 25";
        // A download whose index at its front counts what never came: no rate of it.
        QTest::newRow("MP4 download cut short, its index at the front")
            << TestMedia::cutBack("facts-cut.mp4", TestMedia::clip("facts-uncut.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=10:duration=2",
                                  "-f", "lavfi", "-i", "sine=duration=2", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac",
                                  "-movflags", "faststart"}), 0.6)
            << "" << "turn 0|progressive|cfr 10|0+1.1|aac 1ch 0+1.09 lead 0.02|holds 1.1 of 2";
        // A VBR MP3 without its header, quiet first: FFprobe guesses 13 s of its 4 from the first
        // frames' bit rate. It goes as far as it holds, and is not cut short.
        QTest::newRow("VBR MP3 without its header")
            << TestMedia::clip("facts-vbr.mp3", {"-f", "lavfi", "-i", "aevalsrc=if(lt(t\\,1.5)\\,0.01*sin(2*PI*440*t)\\,0.4*sgn(sin(2*PI*440*t))):s=44100:d=4",
                                                 "-ac", "2", "-c:a", "libmp3lame", "-q:a", "0", "-write_xing", "0"})
            << "" << "turn 0||cfr 0|0+0|mp3 2ch 0+4.05";
        // RealMedia cut short, its sound's packets all at 0: how far it reaches is not told by them.
        QTest::newRow("RealMedia cut at half its bytes")
            << TestMedia::cutBack("facts-cut.rm", TestMedia::clip("facts-uncut.rm", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=8",
                                  "-f", "lavfi", "-i", "sine=duration=8:sample_rate=8000", "-c:v", "rv20", "-c:a", "real_144"}), 0.5)
            << "" << "turn 0|progressive|cfr 25|0+3.36|ra_144 1ch 0+3.36 untimed overlapping|holds 3.36 of 8";
        QTest::newRow("AVI whose header counts one picture")
            << TestMedia::aviCounting("facts-onecount.avi", TestMedia::clip("facts-counted.avi", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=25:duration=10",
                                      "-f", "lavfi", "-i", "sine=duration=10", "-c:v", "mpeg4", "-c:a", "libmp3lame"}), 1)
            << "" << "turn 0|progressive|cfr 25|0+10.04|mp3 1ch 0+10.03";
        QTest::newRow("two pictures, a song, MP4")
            << TestMedia::clip("facts-two.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=0.08", "-f", "lavfi",
                                                 "-i", "sine=duration=3", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"})
            << "" << "turn 0|progressive|cfr 25|0+0.08|aac 1ch 0+3 lead 0.02";
    }
    void sourceFactsWhereTheStreamsAre() { sourceFacts(); }

    // A count of a stream's pictures stands where it is no less than the pictures its listed
    // packets show apart, those to be discarded too: the run's, else the container's.
    void trustedCount_data()
    {
        QTest::addColumn<QList<double>>("sampled");
        QTest::addColumn<QList<double>>("discarded");
        QTest::addColumn<QList<double>>("spread");
        QTest::addColumn<int>("header");
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("trusted");
        const QList<double> four{0, 0.04, 0.08, 0.12};
        QTest::newRow("the header's, as many as listed") << four << QList<double>{} << QList<double>{} << 4 << 0 << 4;
        QTest::newRow("a header counting one of four") << four << QList<double>{} << QList<double>{} << 1 << 0 << 0;
        QTest::newRow("the run's before the header's") << four << QList<double>{} << QList<double>{} << 4 << 9 << 9;
        QTest::newRow("the run's below the listed, the header's") << four << QList<double>{} << QList<double>{} << 5 << 3 << 5;
        QTest::newRow("a lead-in counted with the rest") << four << QList<double>{-0.08, -0.04} << QList<double>{} << 6 << 0 << 6;
        QTest::newRow("a count short of the lead-in") << four << QList<double>{-0.08, -0.04} << QList<double>{} << 5 << 0 << 0;
        QTest::newRow("the same time listed twice is one picture")
            << four << QList<double>{} << QList<double>{0.08, 0.12, 0.16} << 5 << 0 << 5;
    }
    void trustedCount()
    {
        QFETCH(QList<double>, sampled);
        QFETCH(QList<double>, discarded);
        QFETCH(QList<double>, spread);
        QFETCH(int, header);
        QFETCH(int, run);
        QFETCH(int, trusted);
        FFprobeVideoStream stream;
        stream.sampledTimes = sampled;
        stream.discardedTimes = discarded;
        stream.spreadTimes = {spread};
        stream.nb_frames = header;
        stream.nb_read_packets = run;
        QCOMPARE(stream.trustedCount(), trusted);
    }

    void sourceFacts()
    {
        QFETCH(QString, path);
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        FFprobeData data;
        QStringList untold; // the runs whose answers tell nothing
        if (answer.isEmpty()) {
            // Read as a file is loaded: the analysis, then the runs that complete it.
            QVERIFY2(!path.isEmpty(), "the clip could not be made");
            QTextEdit console; // what the engines print, kept out of the test's output
            Player player(Player::MplayerBackend, "mplayer", QString(), "ffprobe", &console, &console, &console,
                          &console, LogLevel::Quiet, 30000, 30000, 5000);
            player.readFFprobeData(path);
            player.readFFprobeSamples(path, InterfaceFFprobe::FieldSample | InterfaceFFprobe::RateSample
                                                 | InterfaceFFprobe::SoundRateSample);
            data = *player.ffprobeData();
        } else {
            // The analysis, then the answers of the runs that complete it, in their order (an
            // empty one: the run was not made).
            const QStringList answers = answer.split("\n[RUN]\n");
            makeInterface(&data).parseData(&data, answers.first(), QString());
            for (qsizetype k = 1; k < answers.size(); ++k)
                if (!answers.at(k).isEmpty() && !InterfaceFFprobe::sampleRuns().at(k - 1).parse(&data, answers.at(k)))
                    untold << QStringList{"stretches", "count", "sound rates"}.at(k - 1);
        }
        const SourceFacts facts = SourceFacts::measure(data, data.videoStreams.isEmpty() ? -1 : 0);
        const auto n = [](double value) { return QString::number(value, 'f', 2).remove(QRegularExpression("\\.?0+$")); };
        const auto lead = [&n](double seconds) { return seconds > 0.0 ? " lead " + n(seconds) : QString(); };
        const auto changes = [](const QList<int> &rates) {
            QStringList hertz;
            for (int rate : rates)
                hertz << QString::number(rate);
            return hertz.size() > 1 ? " rates " + hertz.join('>') : QString();
        };
        const QString shown = !facts.interlaced() ? QString() : facts.topFieldFirst() ? ", top first" : ", bottom first";
        QStringList shapes, unknown;
        for (double shape : facts.shapes)
            shapes << n(shape);
        const char *const unknowns[] = {"fields", "rate", "shapes", "sound rates", "length"};
        for (int i = 0; i < 5; ++i)
            if (facts.unknown & (1 << i))
                unknown << unknowns[i];
        QStringList found{QStringLiteral("turn %1").arg(facts.rotation), facts.fieldOrder + shown,
                          facts.variableRate ? "vfr " + n(facts.frameRate) + " fast " + n(facts.fastRate)
                                             : "cfr " + n(facts.frameRate) + (facts.repeatFields ? " repeating fields" : ""),
                          n(facts.pictureStart) + '+' + n(facts.pictureLength) + lead(facts.pictureLeadIn)
                              + (facts.stillPicture ? " still" : "")
                              + (facts.shapeChanges() || (facts.sideways() && !shapes.isEmpty()) ? " shapes " + shapes.join('>') : "")};
        // Its colours, where the stream names them.
        if (!facts.transfer.isEmpty() || !facts.primaries.isEmpty() || !facts.matrix.isEmpty())
            found << QStringLiteral("%1/%2/%3 %4 %5-bit%6").arg(facts.transfer, facts.primaries, facts.matrix, facts.range)
                         .arg(facts.bitDepth).arg(facts.highDynamicRange() ? " HDR" : "");
        for (const SourceFacts::Sound &sound : facts.sounds)
            found << QStringLiteral("%1 %2ch %3+%4").arg(sound.codec).arg(sound.channels).arg(n(sound.start), n(sound.length))
                         + lead(sound.leadIn) + (sound.untimed ? " untimed" : "")
                         + changes(sound.rates) + (sound.overlaps ? " overlapping" : "");
        if (facts.cutShort())
            found << "holds " + n(facts.length) + " of " + n(facts.declaredLength);
        if (!unknown.isEmpty())
            found << "unknown " + unknown.join(',');
        if (!untold.isEmpty())
            found << "told nothing: " + untold.join(',');
        QCOMPARE(facts.measured ? found.join('|') : QString("not measured"), expected);
        QCOMPARE(facts.sideways(), facts.rotation % 180 == 90);
    }

    // Packet times as containers store them: a constant rate rounded to the container's clock
    // or missing a picture here and there stays constant; a rate that varies does not.
    void constantSteps_data()
    {
        QTest::addColumn<QList<QList<double>>>("stretches"); // each sorted on its own
        QTest::addColumn<bool>("constant");
        QTest::addColumn<double>("meanRate");
        const auto times = [](int count, const std::function<double(int)> &at) {
            QList<double> list;
            for (int i = 0; i < count; ++i)
                list << at(i);
            return QList<QList<double>>{list};
        };
        QTest::newRow("30 fps on a clock of 1/600 s, 19 and 21 ticks among 20")
            << times(100, [](int i) { return (20 * i + (i % 7 == 3 ? 1 : 0) - (i % 11 == 5 ? 1 : 0)) / 600.0; })
            << true << 30.0;
        QTest::newRow("29.97 fps in whole milliseconds")
            << times(100, [](int i) { return std::floor(i * 1001.0 / 30.0) / 1000.0; }) << true << 29.97;
        QTest::newRow("25 fps missing four pictures of a hundred, B-frames out of order")
            << times(100, [](int i) { return (i % 25 == 7 ? i + 1 : (i % 3 == 1 ? i + 1 : i % 3 == 2 ? i - 1 : i)) / 25.0; })
            << true << 24.49;
        QTest::newRow("three pictures of ten at 60 fps") << times(60, [](int i) { return (i / 3 * 10 + i % 3) / 60.0; })
                                                         << false << 18.59;
        QTest::newRow("one picture in twenty a frame late")
            << times(200, [](int i) { return (i + (i % 20 == 0 ? 0.5 : 0)) / 30.0; }) << false << 30.0;
        QTest::newRow("seven steps tell nothing") << QList<QList<double>>{{0, 0.1, 0.15, 0.4, 0.45, 0.9, 1.0, 1.05}}
                                                  << true << 0.0;
        QTest::newRow("eight steps tell, one a hold of a second")
            << times(9, [](int i) { return i / 25.0 + (i > 3 ? 1 : 0); }) << false << 6.06;
        QTest::newRow("the same time twice is no step")
            << times(40, [](int i) { return (i / 2) / 25.0; }) << true << 25.0;
        QTest::newRow("a pause of two seconds among 59 steps of 30 fps")
            << times(60, [](int i) { return (i + (i >= 30 ? 60 : 0)) / 30.0; }) << false << 14.87;
        QTest::newRow("a hold of six and a half pictures among a hundred")
            << times(95, [](int i) { return (i + (i >= 50 ? 5.5 : 0)) / 30.0; }) << false << 28.34;
        // Pictures stamped half a step early leave out none: they make up for no hold.
        QTest::newRow("two holds of three pictures, three pictures half a step early")
            << times(101, [](int i) {
                   double ticks = 0;
                   for (int j = 0; j < i; ++j)
                       ticks += j == 20 || j == 60 ? 4 : j == 30 || j == 40 || j == 50 ? 0.5 : 1;
                   return ticks / 30.0;
               }) << false << 28.71;
        QTest::newRow("a picture missing in each twenty-five")
            << times(200, [](int i) { return (i + i / 24) / 30.0; }) << true << 28.84;
        // Read at two points of the file: the time between them is no step.
        QTest::newRow("two stretches of 25 fps, ten seconds apart")
            << QList<QList<double>>{times(20, [](int i) { return i / 25.0; }).first(),
                                    times(20, [](int i) { return 10 + i / 25.0; }).first()} << true << 25.0;
        QTest::newRow("30 fps, then 10 fps further on")
            << QList<QList<double>>{times(20, [](int i) { return i / 30.0; }).first(),
                                    times(20, [](int i) { return 10 + i / 10.0; }).first()} << false << 15.0;
        QTest::newRow("steps next to nothing, then 25 fps")
            << times(60, [](int i) { return i < 20 ? i * 4.9e-324 : (i - 19) / 25.0; }) << true << 25.0;
    }

    // The lengths of pictures as demuxers give them: two fields and three by turns are film
    // flagged to repeat fields, at four fifths of the clock of two fields.
    void repeatedFields_data()
    {
        QTest::addColumn<QList<double>>("durations");
        QTest::addColumn<double>("codedRate");
        QTest::addColumn<QList<QList<double>>>("spread");
        QTest::addColumn<double>("filmRate"); // 0: none, or not kept
        const auto lengths = [](int count, const std::function<double(int)> &at) {
            QList<double> list;
            for (int i = 0; i < count; ++i)
                list << at(i);
            return list;
        };
        const double two = 0.033367, three = 0.050044;
        const QList<double> pulldown = lengths(40, [&](int i) { return i % 2 ? two : three; });
        const QList<double> stretch = lengths(32, [](int i) { return (i / 2 * 5 + i % 2 * 3) / 60000.0 * 1001; });
        QTest::newRow("3:2, the disc's rate named") << pulldown << 30000.0 / 1001 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("3:2, no rate named") << pulldown << 0.0 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("3:2, another rate named") << pulldown << 60000.0 / 1001 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("3:2, 30 named for 29.97") << pulldown << 30.0 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("3:2 of a clock of no coded rate")
            << lengths(40, [](int i) { return i % 2 ? 0.04 : 0.06; }) << 0.0 << QList<QList<double>>() << 20.0;
        QTest::newRow("3:2 of a clock named where no rate is coded")
            << lengths(40, [](int i) { return i % 2 ? 0.04 : 0.06; }) << 25.0 << QList<QList<double>>() << 20.0;
        // Read from points in the file: a time given twice is no step (each picture's listed
        // twice here); a stretch of eight tells nothing, video or not.
        QList<double> twice;
        for (double time : stretch)
            twice << time << time;
        const QList<double> video = lengths(8, [](int i) { return i * 1001 / 30000.0; });
        QTest::newRow("3:2, the film's stretches further on") << pulldown << 30000.0 / 1001
                                                              << QList<QList<double>>{stretch, twice, video} << 24000.0 / 1001;
        QTest::newRow("3:2, then a stretch of twelve pictures of video, which tells nothing")
            << pulldown << 30000.0 / 1001 << QList<QList<double>>{stretch, lengths(12, [](int i) { return i * 1001 / 30000.0; })}
            << 24000.0 / 1001;
        QTest::newRow("3:2, then video at 29.97 further on")
            << pulldown << 30000.0 / 1001 << QList<QList<double>>{stretch, lengths(32, [](int i) { return i * 1001 / 30000.0; })}
            << 0.0;
        // A program stream times the pictures that start a packet of its own, about half.
        const auto timedAlone = [](const QList<double> &times) {
            QList<double> kept;
            for (qsizetype i = 0; i < times.size(); ++i)
                if (i % 5 != 1 && i % 5 != 3)
                    kept << times.at(i);
            return kept;
        };
        QTest::newRow("3:2 further on, a program stream's times")
            << pulldown << 30000.0 / 1001 << QList<QList<double>>{timedAlone(stretch)} << 24000.0 / 1001;
        QTest::newRow("3:2, then video further on, a program stream's times")
            << pulldown << 30000.0 / 1001 << QList<QList<double>>{timedAlone(lengths(32, [](int i) { return i * 1001 / 30000.0; }))}
            << 0.0;
        QTest::newRow("one picture in four repeating a field") << lengths(40, [&](int i) { return i % 4 ? two : three; })
                                                              << 30000.0 / 1001 << QList<QList<double>>() << 30000.0 / 1001 * 8 / 9;
        // 24 shown at 25: a field repeated in one picture of twelve.
        QTest::newRow("one picture in twelve repeating a field") << lengths(48, [&](int i) { return i % 12 ? 0.04 : 0.06; })
                                                                 << 25.0 << QList<QList<double>>() << 24.0;
        QTest::newRow("one picture in thirteen repeating a field") << lengths(52, [&](int i) { return i % 13 ? 0.04 : 0.06; })
                                                                   << 25.0 << QList<QList<double>>() << 0.0;
        QTest::newRow("a short stream's last picture of three fields alone")
            << lengths(10, [&](int i) { return i == 9 ? 0.06 : 0.04; }) << 25.0 << QList<QList<double>>() << 0.0;
        QTest::newRow("a stream's last picture of three fields alone")
            << lengths(113, [&](int i) { return i == 112 ? 0.06 : 0.04; }) << 25.0 << QList<QList<double>>() << 0.0;
        QTest::newRow("every picture two fields") << lengths(40, [&](int) { return two; }) << 30000.0 / 1001
                                                  << QList<QList<double>>() << 0.0;
        QTest::newRow("two pictures of four fields") << lengths(40, [&](int i) { return i % 20 == 9 ? 2 * two : i % 2 ? two : three; })
                                                     << 30000.0 / 1001 << QList<QList<double>>() << 0.0;
        QTest::newRow("the last picture cut to one field") << lengths(40, [&](int i) { return i == 39 ? two / 2 : i % 2 ? two : three; })
                                                           << 30000.0 / 1001 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("no length twice") << lengths(40, [&](int i) { return two * (1 + i * 0.3); })
                                         << 30000.0 / 1001 << QList<QList<double>>() << 0.0;
        QTest::newRow("seven pictures tell nothing") << pulldown.mid(0, 7) << 30000.0 / 1001 << QList<QList<double>>() << 0.0;
        QTest::newRow("eight pictures tell") << pulldown.mid(0, 8) << 30000.0 / 1001 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("3:2, lengths rounded to the microsecond both ways")
            << lengths(40, [&](int i) { return i % 2 ? two + (i % 4 == 1 ? 1e-6 : 0) : three - (i % 4 == 0 ? 1e-6 : 0); })
            << 30000.0 / 1001 << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("3:2 of a clock the stream names, no rate pictures are coded at")
            << lengths(40, [](int i) { return i % 2 ? 0.050001 : 0.075002; }) << 20.0 << QList<QList<double>>() << 16.0;
        QTest::newRow("a length shorter than any picture's among them")
            << lengths(40, [&](int i) { return i == 7 ? 0.0005 : i % 2 ? two : three; }) << 30000.0 / 1001
            << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("two lengths shorter than any picture's among them")
            << lengths(40, [&](int i) { return i == 7 || i == 21 ? 0.0005 : i % 2 ? two : three; }) << 30000.0 / 1001
            << QList<QList<double>>() << 24000.0 / 1001;
        QTest::newRow("lengths unstated among them") << lengths(40, [&](int i) { return i % 5 == 0 ? 0.0 : i % 2 ? two : three; })
                                                     << 30000.0 / 1001 << QList<QList<double>>() << 24000.0 / 1001;
    }

    void repeatedFields()
    {
        QFETCH(QList<double>, durations);
        QFETCH(double, codedRate);
        QFETCH(QList<QList<double>>, spread);
        QFETCH(double, filmRate);
        const double film = RepeatedFields::filmRate(durations, codedRate);
        const double kept = film > 0.0 && RepeatedFields::runsAt(spread, film) ? film : 0.0;
        QVERIFY2(qAbs(kept - filmRate) < 1e-6, qPrintable(QString::number(kept, 'g', 10)));
    }

    void constantSteps()
    {
        QFETCH(QList<QList<double>>, stretches);
        QFETCH(bool, constant);
        QFETCH(double, meanRate);
        double rate = -1;
        QCOMPARE(SourceFacts::constantSteps(stretches, &rate), constant);
        QVERIFY2(qAbs(rate - meanRate) < 0.01 * meanRate + 1e-9, qPrintable(QString::number(rate)));
    }

    void ratios()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        FFprobeData data;
        makeInterface(&data).parseData(&data, answer, QString());
        QCOMPARE(data.videoStreams.size(), 1);
        const FFprobeVideoStream &v = data.videoStreams.first();
        QCOMPARE(QString("sar %1|dar %2|fps %3|%4x%5").arg(v.sample_aspect_ratio).arg(v.display_aspect_ratio)
                         .arg(QString::number(v.avg_frame_rate, 'g', 4)).arg(v.size.width()).arg(v.size.height()),
                 expected);
    }
};

VEXO_TEST_CLASS(TestInterfaceFFprobe)
#include "tst_interfaceffprobe.moc"
