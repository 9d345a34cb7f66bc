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

// Every field of a record by name, so that a test row can say which fields a line
// changes and check at the same time that it changes no other.
Fields fieldsOf(const ClipInfo &c)
{
    QVariantList times;
    for (double t : c.chapterTimes)
        times << t;
    return Fields{
        {"fileFormat", c.fileFormat}, {"audioOnly", c.audioOnly}, {"videoFormat", c.videoFormat},
        {"colorDepth", c.colorDepth}, {"width", c.width}, {"height", c.height},
        {"scaledWidth", c.scaledWidth}, {"scaledHeight", c.scaledHeight},
        {"aspectCode", c.aspectCode}, {"aspect", c.aspect}, {"spareDouble", c.spareDouble},
        {"frameRateCode", c.frameRateCode}, {"frameRate", c.frameRate},
        {"videoBitrate", c.videoBitrate}, {"deinterlace", c.deinterlace}, {"spareInt", c.spareInt},
        {"length", c.length}, {"chapters", c.chapters}, {"chapterTimes", times},
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
        const DiskTitle *entry = d.title(t);
        const QString key = QStringLiteral("t%1.").arg(t);
        f.insert(key + "ignored", entry->ignored);
        f.insert(key + "chapters", entry->chapters);
        f.insert(key + "angles", entry->angles);
        f.insert(key + "length", entry->length);
    }
    return f;
}

Fields fieldsOf(const PlaybackInfo &p)
{
    return Fields{{"videoWidth", p.videoWidth}, {"videoHeight", p.videoHeight},
                  {"position", p.position},     {"chapter", p.chapter},
                  {"speed", p.speed},           {"length", p.length},
                  {"deinterlace", p.deinterlace}};
}

// The expected record: the starting record with the row's changes.
Fields changed(Fields start, const Fields &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (!start.contains(it.key()))
            qFatal("test row names an unknown field %s", qPrintable(it.key()));
        start.insert(it.key(), it.value());
    }
    return start;
}

// Compares field by field, so that a failure names the field.
void compareFields(const Fields &actual, const Fields &expected)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (actual.value(it.key()) != it.value()) {
            QFAIL(qPrintable(QStringLiteral("field %1: actual %2, expected %3")
                                 .arg(it.key(), actual.value(it.key()).toString(),
                                      it.value().toString())));
        }
    }
}

QVariantList times(std::initializer_list<double> values)
{
    QVariantList list;
    for (double v : values)
        list << v;
    return list;
}

constexpr int kUntouched = -99; // a code value no parser writes

// The real output of "mplayer -noconfig all -noquiet -nocache -nofs -nomouseinput
// -vo help -ao help" on Debian 12.
const char kStatusOutput[] =
    "MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team\n"
    "Available video output drivers:\n"
    "\tvdpau\tVDPAU with X11\n"
    "\txv\tX11/Xv\n"
    "\tgl_nosw\tOpenGL no software rendering\n"
    "\tx11\tX11 ( XImage/Shm )\n"
    "\txover\tGeneral X11 driver for overlay capable video output drivers\n"
    "\tsdl\tSDL YUV/RGB/BGR renderer (SDL v1.1.7+ only!)\n"
    "\tgl\tOpenGL\n"
    "\tgl_tiled\tX11 (OpenGL) - multiple textures version\n"
    "\tdga\tDGA ( Direct Graphic Access V2.0 )\n"
    "\tfbdev\tFramebuffer Device\n"
    "\tfbdev2\tFramebuffer Device\n"
    "\tmatrixview\tMatrixView (OpenGL)\n"
    "\taa\tAAlib\n"
    "\tcaca\tlibcaca\n"
    "\tv4l2\tV4L2 MPEG Video Decoder Output\n"
    "\txvidix\tX11 (VIDIX)\n"
    "\tcvidix\tconsole VIDIX\n"
    "\txvmc\tXVideo Motion Compensation\n"
    "\tnull\tNull video output\n"
    "\tmpegpes\tMPEG-PES to DVB card\n"
    "\tyuv4mpeg\tyuv4mpeg output for mjpegtools\n"
    "\tpng\tPNG file\n"
    "\tjpeg\tJPEG file\n"
    "\tgif89a\tanimated GIF output\n"
    "\ttga\tTarga output\n"
    "\tpnm\tPPM/PGM/PGMYUV file\n"
    "\tmd5sum\tmd5sum of each frame\n"
    "\tmng\tMNG file\n"
    "\n"
    "Available audio output drivers:\n"
    "\toss\tOSS/ioctl audio output\n"
    "\talsa\tALSA-0.9.x-1.x audio output\n"
    "\tpulse\tPulseAudio audio output\n"
    "\tjack\tJACK audio output\n"
    "\tnas\tNAS audio output\n"
    "\tsdl\tSDLlib audio output\n"
    "\topenal\tOpenAL audio output\n"
    "\tmpegpes\tDVB audio output\n"
    "\tv4l2\tV4L2 MPEG Audio Decoder output\n"
    "\tnull\tNull audio output\n"
    "\tpcm\tRAW PCM/WAVE file writer audio output\n"
    "\n";

// The form of older Windows builds: CR LF line ends, blank-indented columns.
const char kWindowsStatusOutput[] =
    "MPlayer Sherpya-SVN-r31774-4.5.0 (C) 2000-2010 MPlayer Team\r\n"
    "Available video output drivers:\r\n"
    "  directx  Directx DDraw YUV/RGB/BGR renderer\r\n"
    "  gl2      X11 (OpenGL) - multiple textures version\r\n"
    "  null     Null video output\r\n"
    "\r\n"
    "Available audio output drivers:\r\n"
    "  dsound   Windows DirectSound audio output\r\n"
    "  win32    Windows waveOut audio output\r\n"
    "\r\n";

} // namespace

class TestInterfaceMplayerParsers : public QObject
{
    Q_OBJECT

private slots:
    // One line of a media file or DVD title identify run. The earlier lines, when given,
    // run first; the last line's result and code are checked, and the record is compared
    // with the fresh one plus the changes that all lines make together.
    void clipLine_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::addColumn<Fields>("changes");

        auto row = [](const char *name, int kind, QByteArrayList lines, bool ok, int code,
                      Fields changes) {
            QTest::newRow(name) << kind << lines << ok << code << changes;
        };
        using C = PlayerOutputCode;

        // Today's AVI identify run.
        row("avi format", 1, {"AVI file format detected.\n"}, true, C::FileFormat,
            {{"fileFormat", "AVI"}});
        row("avi audio header", 1, {"[aviheader] Audio stream found, -aid 1\n"}, true,
            C::AudioStream, {{"audio.aid", 1}, {"audio.streamNumber", 1}});
        row("avi video header", 1, {"[aviheader] Video stream found, -vid 0\n"}, true, C::Ignored, {});
        row("avi video line", 1,
            {"VIDEO:  [FMP4]  320x240  24bpp  25.000 fps  212.7 kbps (26.0 kbyte/s)\n"}, true,
            C::VideoStream,
            {{"videoFormat", "FMP4"}, {"width", 320}, {"height", 240}, {"colorDepth", 24},
             {"frameRate", 25.0}, {"frameRateCode", 3}, {"videoBitrate", 212.7}});
        row("avi decoder after the video line", 1,
            {"VIDEO:  [FMP4]  320x240  24bpp  25.000 fps  212.7 kbps (26.0 kbyte/s)\n",
             "ID_VIDEO_CODEC=ffodivx\n"},
            true, C::VideoCodec,
            {{"videoFormat", "FMP4"}, {"width", 320}, {"height", 240}, {"colorDepth", 24},
             {"frameRate", 25.0}, {"frameRateCode", 3}, {"videoBitrate", 212.7}});
        row("mp3 tag", 1, {"ID_AUDIO_FORMAT=85\n"}, true, C::AudioFormat, {{"audio.format", "MP3"}});
        row("mp2 tag", 1, {"ID_AUDIO_FORMAT=80\n"}, true, C::AudioFormat, {{"audio.format", "MP2"}});
        row("aac tag", 1, {"ID_AUDIO_FORMAT=MP4A\n"}, true, C::AudioFormat, {{"audio.format", "MP4A"}});
        row("ac3 tag number", 2, {"ID_AUDIO_FORMAT=8192\n"}, true, C::AudioFormat,
            {{"audio.format", "8192"}});
        row("bit rate in bit/s", 1, {"ID_AUDIO_BITRATE=127992\n"}, true, C::AudioBitrate,
            {{"audio.bitrate", 127.0}});
        row("bit rate 448 thousand", 2, {"ID_AUDIO_BITRATE=448000\n"}, true, C::AudioBitrate,
            {{"audio.bitrate", 448.0}});
        row("short bit rate read whole", 1, {"ID_AUDIO_BITRATE=128\n"}, true, C::AudioBitrate,
            {{"audio.bitrate", 128.0}});
        row("sampling rate", 1, {"ID_AUDIO_RATE=44100\n"}, true, C::AudioSamplingRate,
            {{"audio.samplingRate", 44100}});
        row("channel count", 1, {"ID_AUDIO_NCH=2\n"}, true, C::AudioChannelCount,
            {{"audio.channelCount", 2}});
        row("audio decoder", 1, {"ID_AUDIO_CODEC=mpg123\n"}, true, C::AudioCodec,
            {{"audio.codec", "mpg123"}});
        row("audio decoder ff", 1, {"ID_AUDIO_CODEC=ffaac\n"}, true, C::AudioCodec,
            {{"audio.codec", "aac"}});
        row("audio id", 2, {"ID_AUDIO_ID=128\n"}, true, C::AudioId, {{"audio.aid", 128}});
        row("length", 1, {"ID_LENGTH=3.04\n"}, true, C::Length, {{"length", 3.04}});
        row("other ID line", 1, {"ID_AID_0_LANG=eng\n"}, true, C::Ignored, {});
        row("exit ID line", 1, {"ID_EXIT=EOF\n"}, true, C::Ignored, {});
        row("audio line", 1,
            {"AUDIO: 44100 Hz, 2 ch, s16le, 128.0 kbit/9.07% (ratio: 16000->176400)\n"}, true,
            C::AudioDetails,
            {{"audio.samplingRate", 44100}, {"audio.channelCount", 2}, {"audio.bitrate", 128.0},
             {"audio.streamNumber", 1}, {"audio.aid", 0}});
        row("movie aspect", 1, {"Movie-Aspect is 1.33:1 - prescaling to correct movie aspect.\n"},
            true, C::MovieAspect, {{"aspect", 1.33}});
        row("undefined movie aspect", 1, {"Movie-Aspect is undefined - no prescaling applied.\n"},
            true, C::Ignored, {});
        row("video line clears the aspect", 2,
            {"Movie-Aspect is 1.78:1 - prescaling to correct movie aspect.\n",
             "VIDEO:  MPEG2  720x576  (aspect 3)  25.000 fps  9000.0 kbps (1125.0 kbyte/s)\n"},
            true, C::VideoStream,
            {{"videoFormat", "MPEG2"}, {"width", 720}, {"height", 576}, {"aspectCode", 3},
             {"frameRate", 25.0}, {"frameRateCode", 3}, {"videoBitrate", 9000.0}});
        row("video output", 1, {"VO: [null] 720x576 => 1024x576 Planar YV12 \n"}, true,
            C::ScaledResolution, {{"scaledWidth", 1024}, {"scaledHeight", 576}});
        row("video output of old builds", 1, {"VO: [directx] 720x576 => 1024x576 Planar YV12"},
            true, C::ScaledResolution, {{"scaledWidth", 1024}, {"scaledHeight", 576}});
        row("video output without a trailing word", 1, {"VO: [null] 720x576 => 1024x576\n"}, true,
            C::Ignored, {});
        row("exiting", 1, {"Exiting... (End of file)\n"}, true, C::Exiting, {});

        // Today's MP4 and Matroska runs through libavformat.
        row("lavf format", 1, {"libavformat file format detected.\n"}, true, C::FileFormat,
            {{"fileFormat", "libavformat"}});
        row("lavf video stream", 1, {"[lavf] stream 0: video (h264), -vid 0\n"}, true, C::Ignored, {});
        row("lavf audio und", 1, {"[lavf] stream 1: audio (aac), -aid 0, -alang und\n"}, true,
            C::AudioStream,
            {{"audio.streamNumber", 1}, {"audio.format", "aac"}, {"audio.aid", 0},
             {"audio.language", "und"}});
        row("lavf audio with title", 1,
            {"[lavf] stream 1: audio (vorbis), -aid 0, -alang eng, Main track\n"}, true,
            C::AudioStream,
            {{"audio.streamNumber", 1}, {"audio.format", "vorbis"}, {"audio.aid", 0},
             {"audio.language", "eng"}, {"audio.description", "Main track"}});
        row("lavf untagged audio keeps its id", 1, {"[lavf] stream 2: audio (mp3float), -aid 1\n"},
            true, C::AudioStream,
            {{"audio.streamNumber", 2}, {"audio.format", "mp3float"}, {"audio.aid", 1}});
        row("lavf subtitle with title", 1,
            {"[lavf] stream 3: subtitle (srt), -sid 0, -slang fre, French subs\n"}, true,
            C::SubtitleStream,
            {{"subtitle.streamNumber", 3}, {"subtitle.format", "srt"}, {"subtitle.sid", 0},
             {"subtitle.language", "fre"}, {"subtitle.description", "French subs"}});
        row("lavf untagged subtitle keeps its id", 1,
            {"[lavf] stream 4: subtitle (ass), -sid 2\n"}, true, C::SubtitleStream,
            {{"subtitle.streamNumber", 4}, {"subtitle.format", "ass"}, {"subtitle.sid", 2}});
        row("lavf audio that does not fit", 1, {"[lavf] stream 1: audio x\n"}, true, C::AudioStream,
            {{"audio.streamNumber", 0}, {"audio.aid", 0}});
        row("h264 video line", 1,
            {"VIDEO:  [H264]  320x240  0bpp  25.000 fps    0.0 kbps ( 0.0 kbyte/s)\n"}, true,
            C::VideoStream,
            {{"videoFormat", "H264"}, {"width", 320}, {"height", 240}, {"frameRate", 25.0},
             {"frameRateCode", 3}});
        row("1080p video line", 1,
            {"VIDEO:  [H264]  1920x1080  0bpp  23.976 fps  0.0 kbps ( 0.0 kbyte/s)"}, true,
            C::VideoStream,
            {{"videoFormat", "H264"}, {"width", 1920}, {"height", 1080}, {"frameRate", 23.976},
             {"frameRateCode", 1}});
        row("raw video line", 1, {"VIDEO:  []  320x240  24bpp  29.970 fps  0.0 kbps"}, true,
            C::VideoStream,
            {{"videoFormat", "Raw"}, {"width", 320}, {"height", 240}, {"colorDepth", 24},
             {"frameRate", 29.97}, {"frameRateCode", 4}});
        row("decoder name in the video line", 1,
            {"VIDEO: [ffodivx] 640x480 12bpp 15.000 fps 800.0 kbps (100.0 kbyte/s)"}, true,
            C::VideoStream,
            {{"videoFormat", "divx"}, {"width", 640}, {"height", 480}, {"colorDepth", 12},
             {"frameRate", 15.0}, {"frameRateCode", -1}, {"videoBitrate", 800.0}});
        row("video line ending in fps", 1, {"VIDEO: [ffodivx] 640x480 12bpp 15.000 fps"}, true,
            C::VideoStream,
            {{"videoFormat", "divx"}, {"width", 640}, {"height", 480}, {"colorDepth", 12}});
        row("unknown video line", 1, {"VIDEO: something else"}, true, C::VideoStream,
            {{"videoFormat", "Unknown"}});
        row("video decoder", 1, {"ID_VIDEO_CODEC=ffh264\n"}, true, C::VideoCodec,
            {{"videoFormat", "h264"}});
        row("first video decoder wins", 2, {"ID_VIDEO_CODEC=ffmpeg2\n", "ID_VIDEO_CODEC=ffodivx\n"},
            true, C::VideoCodec, {{"videoFormat", "mpeg2"}});
        row("audio only", 1, {"Audio only file format detected.\n"}, true, C::AudioOnlyFile,
            {{"audioOnly", true}});
        row("no video", 1, {"Video: no video\n"}, true, C::AudioOnlyFile, {{"audioOnly", true}});

        // Matroska demuxer of older builds.
        row("mkv audio track", 1, {"[mkv] Track ID 2: audio (A_AAC) \"Director\", -aid 0, -alang eng"},
            true, C::AudioStream,
            {{"audio.streamNumber", 2}, {"audio.format", "A_AAC"}, {"audio.description", "Director"},
             {"audio.aid", 0}, {"audio.language", "eng"}});
        row("mkv audio decoder name", 1, {"[mkv] Track ID 3: audio (ffac3), -aid 1, -alang fre"},
            true, C::AudioStream,
            {{"audio.streamNumber", 3}, {"audio.format", "ac3"}, {"audio.aid", 1},
             {"audio.language", "fre"}});
        row("mkv subtitle track", 1,
            {"[mkv] Track ID 4: subtitles (S_TEXT/UTF8) \"Forced\", -sid 0, -slang fre"}, true,
            C::SubtitleStream,
            {{"subtitle.streamNumber", 4}, {"subtitle.format", "S_TEXT/UTF8"},
             {"subtitle.description", "Forced"}, {"subtitle.sid", 0}, {"subtitle.language", "fre"}});
        row("mkv video track", 1, {"[mkv] Track ID 1: video (V_MPEG4/ISO/AVC), -vid 0"}, true,
            C::Ignored, {});

        // Today's DVD title identify run.
        row("dvd format", 2, {"MPEG-PS file format detected.\n"}, true, C::FileFormat,
            {{"fileFormat", "MPEG-PS"}});
        row("dvd angles", 2, {"There are 1 angles in this DVD title.\n"}, true, C::AngleCount,
            {{"angles", 1}});
        row("dvd chapters of old builds", 2, {"There are 4 chapters in this DVD title.\n"}, true,
            C::ChapterCount, {{"chapters", 4}});
        row("dvd title count belongs to the disc", 2, {"There are 2 titles on this DVD.\n"}, true,
            C::Ignored, {});
        row("dvd audio stream", 2, {"audio stream: 0 format: ac3 (mono) language: en aid: 128.\n"},
            true, C::AudioStream,
            {{"audio.streamNumber", 0}, {"audio.format", "ac3"}, {"audio.channels", "mono"},
             {"audio.language", "en"}, {"audio.aid", 128}});
        row("dvd audio stream 5.1", 2, {"audio stream: 1 format: ac3 (5.1) language: fr aid: 129."},
            true, C::AudioStream,
            {{"audio.streamNumber", 1}, {"audio.format", "ac3"}, {"audio.channels", "5.1"},
             {"audio.language", "fr"}, {"audio.aid", 129}});
        row("dvd audio count", 2, {"number of audio channels on disk: 2.\n"}, true,
            C::AudioStreamCount, {{"audioCount", 2}});
        row("dvd subtitle count", 2, {"number of subtitles on disk: 3\n"}, true, C::SubtitleCount,
            {{"subtitleCount", 3}});
        row("dvd subtitle", 2, {"subtitle ( sid ): 1 language: fr\n"}, true, C::SubtitleStream,
            {{"subtitle.sid", 1}, {"subtitle.streamNumber", 1}, {"subtitle.language", "fr"}});
        row("dvd chapters with fractions", 2,
            {"CHAPTERS: 00:00:00.000,00:00:01.800,00:00:04.200,00:00:06.000,\n"}, true,
            C::ChapterList, {{"chapters", 4}, {"chapterTimes", times({0.0, 1.8, 4.2, 6.0})}});
        row("dvd chapters of old builds", 2, {"CHAPTERS: 00:00:00,00:05:12,00:10:40,"}, true,
            C::ChapterList, {{"chapters", 3}, {"chapterTimes", times({0.0, 312.0, 640.0})}});
        row("chapter lists grow", 2, {"CHAPTERS: 00:00:00,00:05:12,", "CHAPTERS: 01:00:00.5,"}, true,
            C::ChapterList, {{"chapters", 3}, {"chapterTimes", times({0.0, 312.0, 3600.5})}});
        row("chapter parts that are no time", 2, {"CHAPTERS: 00:00:00,junk,1:2,00:01:00,"}, true,
            C::ChapterList, {{"chapters", 2}, {"chapterTimes", times({0.0, 60.0})}});
        row("deinterlace answer no", 2, {"ANS_deinterlace=no\n"}, true, C::Deinterlace,
            {{"deinterlace", 0}});
        row("deinterlace answer yes", 1, {"ANS_deinterlace=yes"}, true, C::Deinterlace,
            {{"deinterlace", 1}});
        row("length answer", 2, {"ANS_LENGTH=8.00\n"}, true, C::Length, {{"length", 8.0}});
        row("starting playback", 2, {"Starting playback...\n"}, true, C::Ignored, {});

        // Values that do not convert: false, and the record keeps what the earlier lines set.
        row("bad length", 1, {"ID_LENGTH=3.04", "ID_LENGTH=abc"}, false, kUntouched,
            {{"length", 3.04}});
        row("length nan", 1, {"ID_LENGTH=nan"}, false, kUntouched, {});
        row("bad audio id", 1, {"ID_AUDIO_ID=x"}, false, kUntouched, {});
        row("empty audio format", 1, {"ID_AUDIO_FORMAT=  "}, false, kUntouched, {});
        row("audio format with blanks", 1, {"ID_AUDIO_FORMAT=a b"}, false, kUntouched, {});
        row("bad bit rate", 1, {"ID_AUDIO_BITRATE=abc"}, false, kUntouched, {});
        row("bad sampling rate", 1, {"ID_AUDIO_RATE=44.1k"}, false, kUntouched, {});
        row("bad channel count", 1, {"ID_AUDIO_NCH=two"}, false, kUntouched, {});
        row("empty audio codec", 1, {"ID_AUDIO_CODEC="}, false, kUntouched, {});
        row("empty video codec", 1, {"ID_VIDEO_CODEC="}, false, kUntouched, {});
        row("bad length answer", 1, {"ANS_LENGTH=n/a"}, false, kUntouched, {});
        row("bad deinterlace answer", 1, {"ANS_deinterlace=maybe"}, false, kUntouched, {});
        row("bad chapter count", 2, {"There are x chapters in this DVD title."}, false, kUntouched, {});
        row("bad angle count", 2, {"There are many angles in this DVD title."}, false, kUntouched, {});
        row("bad audio count", 2, {"number of audio channels on disk: two."}, false, kUntouched, {});
        row("bad subtitle count", 2, {"number of subtitles on disk: none"}, false, kUntouched, {});

        // The parser works for files and DVD titles only.
        row("kind 0 refuses everything", 0, {"ID_LENGTH=3.04"}, false, kUntouched, {});
        row("kind 3 refuses everything", 3, {"Exiting... (End of file)"}, false, kUntouched, {});
    }

    void clipLine()
    {
        QFETCH(int, kind);
        QFETCH(QByteArrayList, lines);
        QFETCH(bool, ok);
        QFETCH(int, code);
        QFETCH(Fields, changes);

        InterfaceMplayer mplayer;
        ClipInfo clip;
        clip.kind = kind;
        const Fields start = fieldsOf(clip);
        int result = kUntouched;
        for (int i = 0; i < lines.size() - 1; ++i)
            QVERIFY(mplayer.parseStdoutClip(lines[i], &result, &clip));
        result = kUntouched;
        QCOMPARE(mplayer.parseStdoutClip(lines.last(), &result, &clip), ok);
        QCOMPARE(result, code);
        compareFields(fieldsOf(clip), changed(start, changes));
    }

    void diskLine_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::addColumn<Fields>("changes");
        auto row = [](const char *name, int kind, QByteArrayList lines, bool ok, int code,
                      Fields changes) {
            QTest::newRow(name) << kind << lines << ok << code << changes;
        };
        using C = PlayerOutputCode;

        row("title count id", 2, {"ID_DVD_TITLES=2\n"}, true, C::DvdTitleCount, {{"titleCount", 2}});
        row("title count sentence", 2, {"There are 12 titles on this DVD.\n"}, true,
            C::DvdTitleCount, {{"titleCount", 12}});
        row("chapters of title 1", 2, {"ID_DVD_TITLE_1_CHAPTERS=4\n"}, true, C::ChapterCount,
            {{"t1.chapters", 4}, {"currentTitle", 1}});
        row("angles of title 2", 2, {"ID_DVD_TITLE_2_ANGLES=1\n"}, true, C::AngleCount,
            {{"t2.angles", 1}, {"currentTitle", 2}});
        row("length of title 1", 2, {"ID_DVD_TITLE_1_LENGTH=8.000\n"}, true, C::Length,
            {{"t1.length", 8.0}, {"currentTitle", 1}});
        row("length truncated", 2, {"ID_DVD_TITLE_3_LENGTH=125.960"}, true, C::Length,
            {{"t3.length", 125.0}, {"currentTitle", 3}});
        row("last title of the table", 2, {"ID_DVD_TITLE_99_LENGTH=5.5"}, true, C::Length,
            {{"t99.length", 5.0}, {"currentTitle", 99}});
        row("current title follows the last line", 2,
            {"ID_DVD_TITLE_1_CHAPTERS=4", "ID_DVD_TITLE_2_CHAPTERS=1"}, true, C::ChapterCount,
            {{"t1.chapters", 4}, {"t2.chapters", 1}, {"currentTitle", 2}});
        row("volume id", 2, {"ID_DVD_VOLUME_ID=MY_MOVIE\n"}, true, C::DvdVolumeId,
            {{"volumeId", "MY_MOVIE"}});
        row("disc id", 2, {"ID_DVD_DISC_ID=8D72DF4D20CD2ADBDF0EB0EFBC34DCEF\n"}, true, C::Ignored, {});
        row("current title id", 2, {"ID_DVD_CURRENT_TITLE=1\n"}, true, C::Ignored, {});
        row("chapter sentence belongs to the clip", 2, {"There are 4 chapters in this DVD title."},
            true, C::Ignored, {});
        row("letters for a title count", 2, {"ID_DVD_TITLES=abc"}, true, C::Ignored, {});
        row("no angle value", 2, {"ID_DVD_TITLE_2_ANGLES="}, true, C::Ignored, {});
        row("blanks before the value", 2, {"ID_DVD_TITLE_1_CHAPTERS=  7"}, true, C::Ignored, {});
        row("playing", 2, {"Playing dvd://1.\n"}, true, C::Playing, {});
        row("starting playback", 2, {"Starting playback...\n"}, true, C::StartingPlayback, {});
        row("exiting", 2, {"Exiting... (End of file)\n"}, true, C::Exiting, {});
        row("clip line", 2, {"audio stream: 0 format: ac3 (mono) language: en aid: 128."}, true,
            C::Ignored, {});

        row("title 100 is outside the table", 2, {"ID_DVD_TITLE_100_CHAPTERS=3"}, false, kUntouched, {});
        row("title 0 is outside the table", 2, {"ID_DVD_TITLE_0_LENGTH=5.0"}, false, kUntouched, {});
        row("huge title number", 2, {"ID_DVD_TITLE_99999999999_ANGLES=1"}, false, kUntouched, {});
        row("huge title count", 2, {"ID_DVD_TITLES=99999999999"}, false, kUntouched, {});
        row("huge chapter count", 2, {"ID_DVD_TITLE_1_CHAPTERS=99999999999"}, false, kUntouched, {});
        row("bad count sentence", 2, {"There are many titles on this DVD."}, false, kUntouched, {});
        row("kind 1 refuses everything", 1, {"ID_DVD_TITLES=2"}, false, kUntouched, {});
    }

    void diskLine()
    {
        QFETCH(int, kind);
        QFETCH(QByteArrayList, lines);
        QFETCH(bool, ok);
        QFETCH(int, code);
        QFETCH(Fields, changes);

        InterfaceMplayer mplayer;
        DiskInfo disk;
        disk.kind = kind;
        const Fields start = fieldsOf(disk);
        int result = kUntouched;
        for (int i = 0; i < lines.size() - 1; ++i)
            QVERIFY(mplayer.parseStdoutDisk(lines[i], &result, &disk));
        result = kUntouched;
        QCOMPARE(mplayer.parseStdoutDisk(lines.last(), &result, &disk), ok);
        QCOMPARE(result, code);
        compareFields(fieldsOf(disk), changed(start, changes));
    }

    void runLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::addColumn<Fields>("changes");
        using C = PlayerOutputCode;

        QTest::newRow("time position") << QByteArray("ANS_TIME_POSITION=1.5\n") << true
                                       << int(C::TimePosition) << Fields{{"position", 1.5}};
        QTest::newRow("time position 12.3") << QByteArray("ANS_TIME_POSITION=12.3") << true
                                            << int(C::TimePosition) << Fields{{"position", 12.3}};
        QTest::newRow("chapter") << QByteArray("ANS_chapter=1\n") << true << int(C::CurrentChapter)
                                 << Fields{{"chapter", 1}};
        QTest::newRow("chapter truncated") << QByteArray("ANS_chapter=2.9") << true
                                           << int(C::CurrentChapter) << Fields{{"chapter", 2}};
        QTest::newRow("chapter toward zero") << QByteArray("ANS_chapter=-1.5") << true
                                             << int(C::CurrentChapter) << Fields{{"chapter", -1}};
        QTest::newRow("resolution") << QByteArray("ANS_VIDEO_RESOLUTION='720 x 576'\n") << true
                                    << int(C::VideoResolution)
                                    << Fields{{"videoWidth", 720}, {"videoHeight", 576}};
        QTest::newRow("deinterlace no") << QByteArray("ANS_deinterlace=no\n") << true
                                        << int(C::Deinterlace) << Fields{{"deinterlace", 0}};
        QTest::newRow("deinterlace yes") << QByteArray("ANS_deinterlace=yes") << true
                                         << int(C::Deinterlace) << Fields{{"deinterlace", 1}};
        QTest::newRow("speed today") << QByteArray("ANS_speed=2.000000\n") << true << int(C::Speed)
                                     << Fields{{"speed", 2.0}};
        QTest::newRow("speed") << QByteArray("ANS_speed=0.50") << true << int(C::Speed)
                               << Fields{{"speed", 0.5}};
        QTest::newRow("length") << QByteArray("ANS_LENGTH=8.00\n") << true << int(C::Length)
                                << Fields{{"length", 8.0}};
        QTest::newRow("exiting") << QByteArray("Exiting... (Quit)\n") << true << int(C::Exiting)
                                 << Fields{};
        QTest::newRow("property error") << QByteArray("ANS_ERROR=PROPERTY_UNAVAILABLE\n") << true
                                        << int(C::Ignored) << Fields{};
        QTest::newRow("status line") << QByteArray("A:   1.2 V:   1.2 A-V:  0.000 ct:  0.000\n")
                                     << true << int(C::Ignored) << Fields{};

        QTest::newRow("length 0") << QByteArray("ANS_LENGTH=0.00") << false << kUntouched << Fields{};
        QTest::newRow("negative length") << QByteArray("ANS_LENGTH=-3") << false << kUntouched
                                         << Fields{};
        QTest::newRow("bad position") << QByteArray("ANS_TIME_POSITION=") << false << kUntouched
                                      << Fields{};
        QTest::newRow("position nan") << QByteArray("ANS_TIME_POSITION=nan") << false << kUntouched
                                      << Fields{};
        QTest::newRow("chapter beyond int") << QByteArray("ANS_chapter=1e300") << false << kUntouched
                                            << Fields{};
        QTest::newRow("resolution without height") << QByteArray("ANS_VIDEO_RESOLUTION='720'")
                                                   << false << kUntouched << Fields{};
        QTest::newRow("resolution with bad width") << QByteArray("ANS_VIDEO_RESOLUTION='a x 576'")
                                                   << false << kUntouched << Fields{};
        QTest::newRow("deinterlace other") << QByteArray("ANS_deinterlace=maybe") << false
                                           << kUntouched << Fields{};
        QTest::newRow("speed inf") << QByteArray("ANS_speed=inf") << false << kUntouched << Fields{};
    }

    void runLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QFETCH(int, code);
        QFETCH(Fields, changes);

        InterfaceMplayer mplayer;
        PlaybackInfo info;
        const Fields start = fieldsOf(info);
        int result = kUntouched;
        QCOMPARE(mplayer.parseStdoutRun(line, &result, &info), ok);
        QCOMPARE(result, code);
        compareFields(fieldsOf(info), changed(start, changes));
    }

    void errorLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        using C = PlayerOutputCode;

        QTest::newRow("empty") << QByteArray() << int(C::NothingToReport) << QString();
        QTest::newRow("blank") << QByteArray("  \r\n") << int(C::NothingToReport) << QString();
        QTest::newRow("file not found") << QByteArray("File not found: '/tmp/none.avi'\n")
                                        << int(C::FileNotFound)
                                        << QString("File not found: '/tmp/none.avi'");
        QTest::newRow("no VMG") << QByteArray("Can't open VMG info!\n") << int(C::NoDvdStructure)
                                << QString("Can't open VMG info!");
        QTest::newRow("decoder warning")
            << QByteArray("[mpeg2video @ 0x7fc77f5ffd20]concealing 1530 DC, 1530 AC, 1530 MV "
                          "errors in I frame\n")
            << int(C::OtherError)
            << QString("[mpeg2video @ 0x7fc77f5ffd20]concealing 1530 DC, 1530 AC, 1530 MV errors "
                       "in I frame");
        QTest::newRow("simplified") << QByteArray("  No stream   found\tto handle url dvd://1 \n")
                                    << int(C::OtherError)
                                    << QString("No stream found to handle url dvd://1");
    }

    void errorLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, code);
        QFETCH(QString, text);
        InterfaceMplayer mplayer;
        int result = kUntouched;
        QString read = "stale";
        mplayer.parseStderr(line, &result, &read);
        QCOMPARE(result, code);
        QCOMPARE(read, text);
    }

    void frameRateCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        const std::pair<const char *, int> rows[] = {
            {"23.976", 1}, {"24000/1001", 1}, {"24.000", 2}, {"25.000", 3}, {"29.970", 4},
            {"30000/1001", 4}, {"30.000", 5}, {"50.000", 6}, {"59.940", 7}, {"60000/1001", 7},
            {"60.000", 8}, {"15.000", -1}, {"", -1},
        };
        for (const auto &[text, code] : rows)
            QTest::newRow(*text ? text : "empty") << QString(text) << code;
    }

    void frameRateCode()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(InterfaceMplayer::frameRateCode(text), code);
    }

    void statusToday()
    {
        QMap<QString, QString> video;
        QMap<QString, QString> audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        InterfaceMplayer mplayer;
        mplayer.init("mplayer", &capabilities, &status);
        status.stdOut = kStatusOutput;
        status.state = PlayerStatus::OutputCaptured;

        mplayer.parseStatus();
        QCOMPARE(status.state, int(PlayerStatus::Ready));
        QCOMPARE(status.signature, QString("MPlayer"));
        QCOMPARE(status.version, QString("UNKNOWN-12"));
        QVERIFY(status.openGl);
        QCOMPARE(video.size(), 28);
        QCOMPARE(audio.size(), 11);
        QCOMPARE(video.value("gl"), QString("OpenGL"));
        QCOMPARE(video.value("x11"), QString("X11 ( XImage/Shm )"));
        QCOMPARE(video.value("mng"), QString("MNG file"));
        QCOMPARE(audio.value("pulse"), QString("PulseAudio audio output"));
        QCOMPARE(audio.value("pcm"), QString("RAW PCM/WAVE file writer audio output"));
        QVERIFY(!audio.contains("gl"));

        // A settled status is left alone.
        status.stdOut = "garbage";
        mplayer.parseStatus();
        QCOMPARE(status.state, int(PlayerStatus::Ready));
        QCOMPARE(status.version, QString("UNKNOWN-12"));
    }

    void statusOfOlderBuilds()
    {
        QMap<QString, QString> video{{"kept", "an entry from an earlier run"}};
        QMap<QString, QString> audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        InterfaceMplayer mplayer;
        mplayer.init("mplayer.exe", &capabilities, &status);
        status.stdOut = kWindowsStatusOutput;
        status.state = PlayerStatus::OutputCaptured;

        mplayer.parseStatus();
        QCOMPARE(status.state, int(PlayerStatus::Ready));
        QCOMPARE(status.signature, QString("MPlayer"));
        QCOMPARE(status.version, QString("Sherpya-SVN-r31774-4.5.0"));
        QVERIFY(status.openGl); // "gl2" counts as well
        QCOMPARE(video.keys(), (QStringList{"directx", "gl2", "kept", "null"}));
        QCOMPARE(video.value("directx"), QString("Directx DDraw YUV/RGB/BGR renderer"));
        QCOMPARE(video.value("gl2"), QString("X11 (OpenGL) - multiple textures version"));
        QCOMPARE(audio.keys(), (QStringList{"dsound", "win32"}));
        QCOMPARE(audio.value("win32"), QString("Windows waveOut audio output"));
    }

    void statusFailures_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("expectedState");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("videoDrivers");

        QTest::newRow("no team in the banner")
            << int(PlayerStatus::OutputCaptured) << QByteArray("MPlayer 1.5 (C) the authors\n")
            << int(PlayerStatus::ParseFailed) << QString() << 0;
        QTest::newRow("no output") << int(PlayerStatus::OutputCaptured) << QByteArray()
                                   << int(PlayerStatus::ParseFailed) << QString() << 0;
        QTest::newRow("not captured yet") << int(PlayerStatus::Reset) << QByteArray(kStatusOutput)
                                          << int(PlayerStatus::Reset) << QString() << 0;
        QTest::newRow("failed before") << int(PlayerStatus::ParseFailed) << QByteArray(kStatusOutput)
                                       << int(PlayerStatus::ParseFailed) << QString() << 0;
        QTest::newRow("banner without driver lists")
            << int(PlayerStatus::OutputCaptured)
            << QByteArray("MPlayer 1.4-10 (C) 2000-2019 MPlayer Team\nsomething else\n")
            << int(PlayerStatus::Ready) << QString("1.4-10") << 0;
    }

    void statusFailures()
    {
        QFETCH(int, state);
        QFETCH(QByteArray, output);
        QFETCH(int, expectedState);
        QFETCH(QString, version);
        QFETCH(int, videoDrivers);
        QMap<QString, QString> video;
        QMap<QString, QString> audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        InterfaceMplayer mplayer;
        mplayer.init("mplayer", &capabilities, &status);
        status.state = state;
        status.stdOut = output;

        mplayer.parseStatus();
        QCOMPARE(status.state, expectedState);
        QCOMPARE(status.version, version);
        QCOMPARE(int(video.size()), videoDrivers);
        QVERIFY(!status.openGl);
    }

    // Lines no parser knows, empty lines, very long lines and bytes that are no UTF-8:
    // every parser reads them without harm and changes nothing it should not.
    void unexpectedInput_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("line end only") << QByteArray("\r\n");
        QTest::newRow("unknown") << QByteArray("Load subtitles in ./\n");
        QTest::newRow("long unknown") << QByteArray(1 << 20, 'A');
        QTest::newRow("long blank") << QByteArray(1 << 20, ' ');
        QTest::newRow("long status line")
            << QByteArray("A:   0.1 (00.0) of 3.0 (03.0) ??,?% \x1b[J\r").repeated(20000);
        QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe\x80\xc3(\xed\xa0\x80 \xf8\x88\x80\x80\x80");
        QTest::newRow("invalid utf-8 prefix") << QByteArray("\xc3\x28\xa0\xa1 file format detected.");
    }

    void unexpectedInput()
    {
        QFETCH(QByteArray, line);
        InterfaceMplayer mplayer;

        ClipInfo clip;
        clip.kind = 1;
        int code = kUntouched;
        QVERIFY(mplayer.parseStdoutClip(line, &code, &clip));
        QVERIFY(code == PlayerOutputCode::Ignored || code == PlayerOutputCode::FileFormat);

        DiskInfo disk;
        disk.kind = 2;
        const Fields diskBefore = fieldsOf(disk);
        code = kUntouched;
        QVERIFY(mplayer.parseStdoutDisk(line, &code, &disk));
        QCOMPARE(code, int(PlayerOutputCode::Ignored));
        compareFields(fieldsOf(disk), diskBefore);

        PlaybackInfo info;
        const Fields infoBefore = fieldsOf(info);
        code = kUntouched;
        QVERIFY(mplayer.parseStdoutRun(line, &code, &info));
        QCOMPARE(code, int(PlayerOutputCode::Ignored));
        compareFields(fieldsOf(info), infoBefore);

        QString text;
        code = kUntouched;
        mplayer.parseStderr(line, &code, &text);
        QCOMPARE(code, int(text.isEmpty() ? PlayerOutputCode::NothingToReport
                                          : PlayerOutputCode::OtherError));
        QCOMPARE(text, QString::fromUtf8(line).simplified());
    }

    // Long and malformed lines that start like lines the parsers know.
    void malformedKnownLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray junk(1 << 18, '9');
        QTest::newRow("long video line") << "VIDEO: [" + junk + "] " + junk + "x" + junk + " fps kbps";
        QTest::newRow("long audio line") << "AUDIO: " + junk + " Hz, " + junk + " ch, " + junk + ".0 kbit";
        QTest::newRow("long chapter list") << "CHAPTERS:" + QByteArray(1 << 18, ',');
        QTest::newRow("long chapter times") << "CHAPTERS: " + QByteArray("00:00:01.5,").repeated(20000);
        QTest::newRow("long lavf line") << "[lavf] stream " + junk + ": audio (" + junk + "), -aid " + junk;
        QTest::newRow("long mkv line") << "[mkv] Track ID 1: audio (x) \"" + junk + "\", -aid 1, -alang " + junk;
        QTest::newRow("long avi header") << "[aviheader] Audio " + junk + " -aid " + junk;
        QTest::newRow("long ID value") << "ID_AUDIO_BITRATE=" + junk;
        QTest::newRow("long DVD title") << "ID_DVD_TITLE_" + junk + "_CHAPTERS=" + junk;
        QTest::newRow("long answer") << "ANS_VIDEO_RESOLUTION='" + junk + " x " + junk + "'";
        const QByteArray digits(1 << 18, '7');
        QTest::newRow("video line of digits") << "VIDEO: " + digits;
        QTest::newRow("audio line of digits") << "AUDIO: " + digits;
        QTest::newRow("audio line of decimals") << "AUDIO: " + QByteArray("1.").repeated(1 << 17);
        QTest::newRow("video output of digits") << "VO: " + digits;
        QTest::newRow("video output of sizes") << "VO: " + QByteArray("1x1 ").repeated(1 << 16);
        QTest::newRow("movie aspect of digits") << "Movie-Aspect is " + digits;
        QTest::newRow("many subtitles") << QByteArray("subtitle ").repeated(1 << 15);
        QTest::newRow("many audio streams") << QByteArray("audio stream: 1 ").repeated(1 << 14);
        QTest::newRow("many avi headers") << QByteArray("[aviheader] audio ").repeated(1 << 14);
        QTest::newRow("many lavf streams") << QByteArray("[lavf] stream 1: audio (").repeated(1 << 13);
        QTest::newRow("many mkv tracks") << QByteArray("[mkv] Track ID 1: audio (x) \"").repeated(1 << 13);
        QTest::newRow("many banners") << QByteArray("mplayer x ").repeated(1 << 15);
        QTest::newRow("driver with long blanks") << "gl" + QByteArray(1 << 18, ' ') + "x";
        QTest::newRow("invalid utf-8 in a stream line")
            << QByteArray("[lavf] stream 1: audio (\xff\xfe), -aid 1, -alang \xc3(, \x80\x81");
        QTest::newRow("invalid utf-8 in a volume id") << QByteArray("ID_DVD_VOLUME_ID=\xff\xfe\xfd");
        QTest::newRow("status line") << QByteArray("MPlayer \xff (C) MPlayer Team");
        QTest::newRow("nul bytes") << QByteArray("ID_LENGTH=3\0.04 VIDEO: x", 24);
    }

    void malformedKnownLines()
    {
        QFETCH(QByteArray, line);
        InterfaceMplayer mplayer;
        for (int kind : {1, 2}) {
            ClipInfo clip;
            clip.kind = kind;
            int code = kUntouched;
            if (mplayer.parseStdoutClip(line, &code, &clip))
                QVERIFY(code >= PlayerOutputCode::Ignored && code <= PlayerOutputCode::OtherError);
            else
                QCOMPARE(code, kUntouched);
            QVERIFY(clip.chapters == clip.chapterTimes.size());
        }
        DiskInfo disk;
        disk.kind = 2;
        int code = kUntouched;
        if (!mplayer.parseStdoutDisk(line, &code, &disk))
            QCOMPARE(code, kUntouched);
        PlaybackInfo info;
        code = kUntouched;
        if (!mplayer.parseStdoutRun(line, &code, &info))
            QCOMPARE(code, kUntouched);

        QMap<QString, QString> video;
        QMap<QString, QString> audio;
        PlayerCapabilities capabilities{&video, &audio};
        PlayerStatus status;
        mplayer.init("mplayer", &capabilities, &status);
        status.stdOut = line + "\nAvailable video output drivers:\n" + line
                        + "\nAvailable audio output drivers:\n" + line;
        status.state = PlayerStatus::OutputCaptured;
        mplayer.parseStatus();
        QVERIFY(status.state == PlayerStatus::Ready || status.state == PlayerStatus::ParseFailed);
    }

    void nullRecordsAreRefused()
    {
        InterfaceMplayer mplayer;
        int code = kUntouched;
        ClipInfo clip;
        clip.kind = 1;
        QVERIFY(!mplayer.parseStdoutClip("ID_LENGTH=1", nullptr, &clip));
        QVERIFY(!mplayer.parseStdoutClip("ID_LENGTH=1", &code, nullptr));
        QVERIFY(!mplayer.parseStdoutDisk("ID_DVD_TITLES=1", &code, nullptr));
        QVERIFY(!mplayer.parseStdoutRun("ANS_speed=1", &code, nullptr));
        mplayer.parseStderr("File not found", &code, nullptr);
        QCOMPARE(code, kUntouched);
        QCOMPARE(clip.length, 0.0);
        mplayer.parseStatus(); // no records: nothing to do
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerParsers)
#include "tst_interfacemplayer_parsers.moc"
