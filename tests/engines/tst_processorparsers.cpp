// The output readers of the engine processors, fed with lines captured from today's
// engines (FFmpeg 5.1, MEncoder 1.5) and with the forms the older Windows builds printed.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QTest>

namespace {
QStringList entries(const QMap<QString, QString> &map)
{
    QStringList list;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        list << it.key() + QLatin1Char('=') + it.value();
    return list;
}

const QStringList fixedVideo{"auto=Encoder chooses appropriate codec", "copy=Stream copy"};
const QStringList fixedAudio{"auto=Encoder chooses appropriate codec", "copy=Stream copy",
                             "multi=Multi-stream"};
} // namespace

class ProcessorParsersTest : public QObject
{
    Q_OBJECT

private slots:
    void mencoderHelpList_data();
    void mencoderHelpList();
    void signatures_data();
    void signatures();
    void ffmpegMuxers_data();
    void ffmpegMuxers();
    void ffmpegCodecs_data();
    void ffmpegCodecs();
    void splitCommand_data();
    void splitCommand();
    void toNumber_data();
    void toNumber();
};

void ProcessorParsersTest::mencoderHelpList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("today's video codecs")
        << QString("\n"
                   "   copy     - frame copy, without re-encoding. Doesn't work with filters.\n"
                   "   frameno  - special audio-only file for 3-pass encoding, see DOCS.\n"
                   "   lavc     - libavcodec codecs - best quality!\n"
                   "   xvid     - XviD encoding\n"
                   "   x264     - H.264 encoding\n\n\n")
        << QStringList{"copy=frame copy, without re-encoding. Doesn't work with filters.",
                       "frameno=special audio-only file for 3-pass encoding, see DOCS.",
                       "lavc=libavcodec codecs - best quality!", "x264=H.264 encoding",
                       "xvid=XviD encoding"};
    QTest::newRow("today's output formats")
        << QString("\n   avi      - Microsoft Audio/Video Interleaved\n"
                   "   rawvideo - (video only, one stream only) raw stream, no muxing\n")
        << QStringList{"avi=Microsoft Audio/Video Interleaved",
                       "rawvideo=(video only, one stream only) raw stream, no muxing"};
    QTest::newRow("CR LF line ends")
        << QString("\r\n   copy     - frame copy\r\n   pcm      - uncompressed PCM audio\r\n")
        << QStringList{"copy=frame copy", "pcm=uncompressed PCM audio"};
    QTest::newRow("line without a free-standing hyphen is skipped")
        << QString("   lavf\n   x-y      text\n   raw      - raw audio\n")
        << QStringList{"raw=raw audio"};
    QTest::newRow("a name seen again replaces its description")
        << QString("   copy - first\n   copy - second\n") << QStringList{"copy=second"};
    QTest::newRow("last line without line end is not a complete entry")
        << QString("   copy - frame copy") << QStringList{};
}

void ProcessorParsersTest::mencoderHelpList()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QMap<QString, QString> map;
    MEncoder::parseHelpList(text, map);
    QCOMPARE(entries(map), expected);
}

void ProcessorParsersTest::signatures_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("signature");
    QTest::addColumn<QString>("version");

    QTest::newRow("MEncoder today")
        << "MEncoder" << "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team\n\nAvailable codecs:\n"
        << "MEncoder" << "UNKNOWN-12";
    QTest::newRow("MEncoder Windows build")
        << "MEncoder" << "MEncoder Sherpya-SVN-r31628-4.5.0 (C) 2000-2010 MPlayer Team\r\n"
        << "MEncoder" << "Sherpya-SVN-r31628-4.5.0";
    QTest::newRow("MEncoder banner without the team")
        << "MEncoder" << "MEncoder 1.0 (C) somebody\n" << "" << "";
    QTest::newRow("FFmpeg today")
        << "FFmpeg" << "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n"
        << "ffmpeg" << "5.1.9-0+deb12u1";
    QTest::newRow("FFmpeg without the word version")
        << "FFmpeg" << "FFmpeg SVN-r25512, Copyright (c) 2000-2010\r\n" << "FFmpeg" << "SVN-r25512,";
    QTest::newRow("FFmpeg unrelated text") << "FFmpeg" << "command not found\n" << "" << "";
    QTest::newRow("FFprobe today")
        << "FFprobe" << "ffprobe version 5.1.9-0+deb12u1 Copyright (c) 2007-2026 the FFmpeg developers\n"
        << "ffprobe" << "5.1.9-0+deb12u1";
}

void ProcessorParsersTest::signatures()
{
    QFETCH(QString, engine);
    QFETCH(QString, text);
    QFETCH(QString, signature);
    QFETCH(QString, version);
    ConsoleCapture capture;
    MervoMEncoder mencoder;
    FFmpeg ffmpeg;
    FFprobe ffprobe;
    IProcessor *processor = nullptr;
    if (engine == "MEncoder") {
        mencoder.parseSignature(text);
        processor = &mencoder;
    } else if (engine == "FFmpeg") {
        ffmpeg.parseSignature(text);
        processor = &ffmpeg;
    } else {
        ffprobe.parseSignature(text);
        processor = &ffprobe;
    }
    QCOMPARE(processor->signature(), signature);
    QCOMPARE(processor->version(), version);
    QCOMPARE(capture.log().contains(engine + ": failed to parse signature."), signature.isEmpty());
}

void ProcessorParsersTest::ffmpegMuxers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const QString header = "File formats:\n D. = Demuxing supported\n .E = Muxing supported\n --\n";
    QTest::newRow("today's listing")
        << header + " D  3dostr          3DO STR\n"
                    " DE ac3             raw AC-3\n"
                    " DE avi             AVI (Audio Video Interleaved)\n"
                    "  E matroska        Matroska\n"
                    " D  mov,mp4,m4a,3gp,3g2,mj2 QuickTime / MOV\n"
                    "  E mp4             MP4 (MPEG-4 Part 14)\n"
                    "  E sdl,sdl2        SDL2 output device\n"
        << QStringList{"ac3=raw AC-3", "avi=AVI (Audio Video Interleaved)", "matroska=Matroska",
                       "mp4=MP4 (MPEG-4 Part 14)"};
    QTest::newRow("CR LF listing")
        << QString(" DE avi             AVI format\r\n  E mp4             MP4 format\r\n")
        << QStringList{"avi=AVI format", "mp4=MP4 format"};
    QTest::newRow("header lines and demuxers give nothing") << header << QStringList{};
}

void ProcessorParsersTest::ffmpegMuxers()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    ffmpeg.parseMuxers(text);
    QCOMPARE(entries(ffmpeg.muxers()), expected);
}

void ProcessorParsersTest::ffmpegCodecs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("video");
    QTest::addColumn<QStringList>("audio");
    QTest::addColumn<QStringList>("subtitle");

    const QString header = "Codecs:\n D..... = Decoding supported\n .E.... = Encoding supported\n"
                           " ..V... = Video codec\n ..A... = Audio codec\n ..S... = Subtitle codec\n"
                           " -------\n";
    QTest::newRow("today: encoders named in the row")
        << header
               + " DEV.L. mpeg4                MPEG-4 part 2 (decoders: mpeg4 mpeg4_v4l2m2m mpeg4_cuvid ) "
                 "(encoders: mpeg4 libxvid mpeg4_omx mpeg4_v4l2m2m )\n"
                 " DEV.LS h264                 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10 (decoders: h264 "
                 "h264_qsv ) (encoders: libx264 libx264rgb )\n"
                 " DEAIL. mp3                  MP3 (MPEG audio layer 3) (decoders: mp3float mp3 ) "
                 "(encoders: libmp3lame libshine )\n"
                 " DES... dvd_subtitle         DVD subtitles (decoders: dvdsub ) (encoders: dvdsub )\n"
        << fixedVideo + QStringList{"h264=H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10",
                                    "libx264=H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10",
                                    "libx264rgb=H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10",
                                    "libxvid=MPEG-4 part 2", "mpeg4=MPEG-4 part 2",
                                    "mpeg4_omx=MPEG-4 part 2", "mpeg4_v4l2m2m=MPEG-4 part 2"}
        << QStringList{"auto=Encoder chooses appropriate codec", "copy=Stream copy",
                       "libmp3lame=MP3 (MPEG audio layer 3)", "libshine=MP3 (MPEG audio layer 3)",
                       "mp3=MP3 (MPEG audio layer 3)", "multi=Multi-stream"}
        << QStringList{"auto=Encoder chooses appropriate codec", "copy=Stream copy",
                       "dvd_subtitle=DVD subtitles", "dvdsub=DVD subtitles", "multi=Multi-stream"};
    QTest::newRow("today: encode-only row and plain row")
        << " .EVIL. a64_multi            Multicolor charset for Commodore 64 (encoders: a64multi )\n"
           " DEAI.S pcm_s16le            PCM signed 16-bit little-endian\n"
        << fixedVideo + QStringList{"a64_multi=Multicolor charset for Commodore 64",
                                    "a64multi=Multicolor charset for Commodore 64"}
        << QStringList{"auto=Encoder chooses appropriate codec", "copy=Stream copy",
                       "multi=Multi-stream", "pcm_s16le=PCM signed 16-bit little-endian"}
        << fixedAudio;
    QTest::newRow("decode-only rows give nothing")
        << " D.VI.S 012v                 Uncompressed 4:2:2 10-bit\n"
           " ..S... srt                  SubRip subtitle with embedded timing\n"
           " DEAIL. aac                  AAC (Advanced Audio Coding) (decoders: aac aac_fixed )\n"
        << fixedVideo << fixedAudio + QStringList{"aac=AAC (Advanced Audio Coding)"} << fixedAudio;
    QTest::newRow("older build with blank flags and CR LF")
        << QString(" DEVSD  mpeg4           MPEG-4 part 2\r\n"
                   "  EV    libx264         libx264 H.264 / AVC\r\n"
                   "  EA    libmp3lame      libmp3lame MP3 (MPEG audio layer 3)\r\n"
                   " DES    dvdsub          DVD subtitles\r\n")
        << fixedVideo + QStringList{"libx264=libx264 H.264 / AVC", "mpeg4=MPEG-4 part 2"}
        << QStringList{"auto=Encoder chooses appropriate codec", "copy=Stream copy",
                       "libmp3lame=libmp3lame MP3 (MPEG audio layer 3)", "multi=Multi-stream"}
        << QStringList{"auto=Encoder chooses appropriate codec", "copy=Stream copy",
                       "dvdsub=DVD subtitles", "multi=Multi-stream"};
    QTest::newRow("an engine line replaces a fixed entry")
        << " DEV.L. copy                 engine copy\n"
        << QStringList{"auto=Encoder chooses appropriate codec", "copy=engine copy"} << fixedAudio
        << fixedAudio;
}

void ProcessorParsersTest::ffmpegCodecs()
{
    QFETCH(QString, text);
    QFETCH(QStringList, video);
    QFETCH(QStringList, audio);
    QFETCH(QStringList, subtitle);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    ffmpeg.parseCodecs(text);
    video.sort();
    audio.sort();
    subtitle.sort();
    QCOMPARE(entries(ffmpeg.videoCodecs()), video);
    QCOMPARE(entries(ffmpeg.audioCodecs()), audio);
    QCOMPARE(entries(ffmpeg.subtitleCodecs()), subtitle);
}

void ProcessorParsersTest::splitCommand_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("700 million bytes from ten minutes")
        << "00:10:00" << qint64(700000000)
        << QStringList{"-ss", "00:10:00", "-i", "in.avi", "-vcodec", "copy", "-acodec", "copy",
                       "-fs", "700M", "-y", "out.avi"};
    QTest::newRow("one byte short of two million truncates to 1M")
        << "00:00:00" << qint64(1999999)
        << QStringList{"-ss", "00:00:00", "-i", "in.avi", "-vcodec", "copy", "-acodec", "copy",
                       "-fs", "1M", "-y", "out.avi"};
    QTest::newRow("below a million in bytes")
        << "00:00:05" << qint64(999999)
        << QStringList{"-ss", "00:00:05", "-i", "in.avi", "-vcodec", "copy", "-acodec", "copy",
                       "-fs", "999999", "-y", "out.avi"};
    QTest::newRow("above 2 GiB")
        << "01:00:00" << qint64(4700000000LL)
        << QStringList{"-ss", "01:00:00", "-i", "in.avi", "-vcodec", "copy", "-acodec", "copy",
                       "-fs", "4700M", "-y", "out.avi"};
    QTest::newRow("no limit for 0")
        << "00:12:34" << qint64(0)
        << QStringList{"-ss", "00:12:34", "-i", "in.avi", "-vcodec", "copy", "-acodec", "copy",
                       "-y", "out.avi"};
    QTest::newRow("no limit below 0")
        << "00:00:00" << qint64(-5)
        << QStringList{"-ss", "00:00:00", "-i", "in.avi", "-vcodec", "copy", "-acodec", "copy",
                       "-y", "out.avi"};
}

void ProcessorParsersTest::splitCommand()
{
    QFETCH(QString, start);
    QFETCH(qint64, size);
    QFETCH(QStringList, arguments);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    QString program = "stale";
    QStringList result{"stale"};
    QString error = "stale";
    QVERIFY(ffmpeg.cliCmdSplit(program, result, error, "in.avi", "out.avi", start, size));
    QCOMPARE(result, arguments);
    QCOMPARE(program, ffmpeg.binary());
    QVERIFY(error.isEmpty());
}

void ProcessorParsersTest::toNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");

    QTest::newRow("N/A") << "N/A" << 0.0;
    QTest::newRow("decimal") << "12.500000" << 12.5;
    QTest::newRow("not a decimal") << "1.2.3" << 0.0;
    QTest::newRow("colon ratio") << "16:9" << 16.0 / 9.0;
    QTest::newRow("equal colon ratio") << "32:18" << 16.0 / 9.0;
    QTest::newRow("slash ratio") << "25/1" << 25.0;
    QTest::newRow("NTSC rate") << "30000/1001" << 30000.0 / 1001.0;
    QTest::newRow("zero ratio") << "0/0" << 0.0;
    QTest::newRow("zero denominator") << "25/0" << 0.0;
    QTest::newRow("plain integer") << "25" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("word") << "unknown" << 0.0;
}

void ProcessorParsersTest::toNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(FFprobe::toNumber(text), number);
}

VEXO_TEST_CLASS(ProcessorParsersTest)
#include "tst_processorparsers.moc"
