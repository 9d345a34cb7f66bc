// The FFmpeg commands as whole argument lists: the encode at the user's settings and at the
// predefined levels for representative jobs, the short builders, and the size estimate.
// They run on the real engine in tst_conformance.cpp and tst_ffmpegjobs.cpp.

#include "buildertesting.h"
#include "testregistry.h"

#include <QTest>

namespace {

const QString kBinary = "/usr/bin/ffmpeg";
constexpr int User = EncoderProfile::LevelUser;

// The expected arguments as one text (none holds a blank).
QStringList args(const QString &text)
{
    return text.split(' ', Qt::SkipEmptyParts);
}

EncodingSource movie(double aspect, double frameRate = 25.0, QSize display = {640, 480})
{
    EncodingSource source = clipSource("/media/movie.avi");
    source.video.aspect = aspect;
    source.video.frameRate = frameRate;
    source.video.scaledWidth = display.width();
    source.video.scaledHeight = display.height();
    source.audio.samplingRate = 48000;
    return source;
}

struct Call
{
    EncodingJob job;
    int frames = 0, start = 0, passes = 1, pass = 1;
};

Call call(const EncodingSource &source, int level, const QString &muxer, const QString &video,
          QSize size, double videoBitrate, const QString &audio, int rate, double audioBitrate,
          const QString &standard = "PAL")
{
    Call call;
    call.job.source = source;
    setTarget(call.job.target, level, muxer, video, size, videoBitrate, audio, rate,
              audioBitrate, standard);
    return call;
}

QStringList encode(const Call &c, const QString &output = "/out/movie")
{
    InterfaceFFmpeg builder;
    EncodingJob data = c.job;
    builder.init(kBinary, nullptr, &data, nullptr);
    builder.passes = c.passes;
    builder.pass = c.pass;
    QString program = "stale";
    QStringList arguments{"stale"};
    builder.cliCmdEncode(program, arguments, output, c.frames, c.start);
    return program.isEmpty() ? arguments : QStringList{program} + arguments;
}

// The filters that fit each picture by its own shape into a frame of `size` shown at `shape`
// ("4/3", "16/9" or a number); a picture within the band of a common shape fills the frame.
QString fit(const QString &size, const QString &shape, bool fields = false)
{
    static const QMap<QString, QString> bands{{"4/3", "gt(dar,1.31)*lt(dar,1.35)"}, {"16/9", "gt(dar,1.75)*lt(dar,1.79)"}};
    const QString own = bands.contains(shape) ? QString("if(%1,(%2),dar)").arg(bands.value(shape), shape) : "dar";
    const QStringList side = size.split('x');
    return QString("scale=w='min(%1,max(2,2*trunc(%1*%3/(%5)/2+0.5)))':h='min(%2,max(2,2*trunc(%2*(%5)/%3/2+0.5)))'%4"
                   ":eval=frame,pad=%1:%2:2*trunc((ow-iw)/4):2*trunc((oh-ih)/4):000000:eval=frame,setdar=%5")
        .arg(side.value(0), side.value(1), own, fields ? QString(":interl=1") : QString(), shape);
}

const QString kIn = "/usr/bin/ffmpeg -y -i /media/movie.avi ";
// The picture and the chosen sound, the first of the file's audio streams.
const QString kHead = kIn + "-map 0:v:0 -map 0:a:0 ";
const QString kAvi = "-avoid_negative_ts disabled -fps_mode cfr ";
const QString kX264Tail = " -pix_fmt yuv420p -vcodec libx264 ";
const QString kMp3 = "-ac 2 -ar 44100 -ab 128k -af aresample=async=1:min_hard_comp=0.01 -acodec libmp3lame /out/movie";
// AVI's sound from the file's start, silence before a sound that starts late.
const QString kAviMp3 = "-ac 2 -ar 44100 -ab 128k -async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -acodec libmp3lame /out/movie";

} // namespace

class FFmpegCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const EncodingSource fourThree = movie(4.0 / 3.0);

        QTest::newRow("user, Xvid AVI from a 4:3 clip")
            << ::encode(call(fourThree, User, "avi", "xvid", {640, 480}, 1500, "mp3", 44100, 128))
            << kHead + kAvi + "-aspect 4:3 -r 25 -vf " + fit("640x480", "4/3") + " -vb 1500k -vtag XVID -pix_fmt yuv420p -vcodec libxvid " + kAviMp3;
        QTest::newRow("level 3, Xvid AVI") // the last of the levels' columns
            << ::encode(call(fourThree, 3, "avi", "xvid", {640, 480}, 1500, "mp3", 44100, 128))
            << kHead + kAvi + "-aspect 4:3 -r 25 -vf " + fit("640x480", "4/3") + " -vb 1500k -vtag XVID -g 250 -qmin 2 -qmax 8 -bf 0 -mbd rd "
                       "-me_quality 6 -pix_fmt yuv420p -vcodec libxvid " + kAviMp3;
        QTest::newRow("user, MPEG-1 letterboxed from 1024x576")
            << ::encode(call(movie(1.78, 25.0, {1024, 576}), User, "mpeg_vcd", "mpeg1video",
                             {352, 288}, 1150, "mp2_vcd", 44100, 224))
            << kHead + "-aspect 4:3 -r 25 -vf " + fit("352x288", "4/3") + " -vb 1150k "
                       "-pix_fmt yuv420p -vcodec mpeg1video -ac 2 -ar 44100 -ab 224k -af aresample=async=1:min_hard_comp=0.01 -acodec mp2 /out/movie";
        // An NTSC disc of a 25 fps source at the film rate, as MEncoder writes it.
        QTest::newRow("level 1, MPEG-1 from 1.35 letterboxed for NTSC; AC-3 at 256 kbit/s in stereo")
            << ::encode(call(movie(1.35, 25.0, {1024, 576}), 1, "mpeg_vcd", "mpeg1video",
                             {352, 240}, 1150, "ac3", 48000, 256, "NTSC"))
            << kHead + "-aspect 4:3 -r 24000/1001 -vf " + fit("352x240", "4/3") + " -vb 1150k "
                       "-pix_fmt yuv420p -vcodec mpeg1video -ac 2 -ar 48000 -ab 256k -af aresample=async=1:min_hard_comp=0.01 -acodec ac3 /out/movie";
        QTest::newRow("level 2, letterbox from the aspect alone, without a display size")
            << ::encode(call(movie(1.78, 25.0, {0, 0}), 2, "mpeg_vcd", "mpeg1video", {352, 288},
                             1150, "mp2_vcd", 44100, 224))
            << kHead + "-aspect 4:3 -r 25 -vf " + fit("352x288", "4/3") + " -vb 1150k "
                       "-pix_fmt yuv420p -vcodec mpeg1video -ac 2 -ar 44100 -ab 224k -af aresample=async=1:min_hard_comp=0.01 -acodec mp2 /out/movie";
        QTest::newRow("user, H.263 letterboxed into 128x96 from 16:9")
            << ::encode(call(movie(16.0 / 9.0, 25.0, {192, 108}), User, "3gp", "h263", {128, 96},
                             64, "noaudio", 0, 0))
            << kIn + "-map 0:v:0 -aspect 4:3 -r 25 -vf " + fit("128x96", "4/3") + " -vb 64k "
                     "-flags +aic -obmc 1 -pix_fmt yuv420p -vcodec h263 -an /out/movie";
        // The shape of a source is kept whatever its scaled size's: from the display size when
        // the container stores no aspect (FLV), as a number between the two common ones. The
        // frame takes that shape within the size asked for, its pixels square.
        QTest::newRow("user, FLV source without an aspect")
            << ::encode(call(movie(0.0, 25.0, {192, 108}), User, "mp4", "x264", {528, 384}, 896, "noaudio", 0, 0))
            << kIn + "-map 0:v:0 -aspect 16:9 -r 25 -vf " + fit("528x298", "16/9") + " -vb 896k -preset ultrafast" + kX264Tail + "-an /out/movie";
        QTest::newRow("user, a 1.85 source")
            << ::encode(call(movie(1.85, 25.0, {1998, 1080}), User, "mp4", "x264", {528, 384}, 896, "noaudio", 0, 0))
            << kIn + "-map 0:v:0 -aspect 1.85 -r 25 -vf " + fit("528x286", "1.85") + " -vb 896k -preset ultrafast" + kX264Tail + "-an /out/movie";
        // A source whose rate no engine reported keeps its own: snapped from 0 it was 10 fps.
        QTest::newRow("user, MPEG-4 3GP of an unknown rate")
            << ::encode(call(movie(4.0 / 3.0, 0.0), User, "3gp", "mpeg4", {176, 144}, 256, "noaudio", 0, 0))
            << kIn + "-map 0:v:0 -aspect 4:3 -vf " + fit("176x132", "4/3") + " -vb 256k -mbd rd -flags +mv4+aic -trellis 2 -cmp 2 "
                     "-subcmp 2 -g 300 -pix_fmt yuv420p -vcodec mpeg4 -an /out/movie";
        QTest::newRow("level 1, H.264 MP4") // the first of the levels' columns
            << ::encode(call(fourThree, 1, "mp4", "x264", {640, 480}, 1000, "aac", 0, 128))
            << kHead + "-aspect 4:3 -r 25 -vf " + fit("640x480", "4/3") + " -vb 1000k -preset ultrafast -profile:v baseline" + kX264Tail
                   + "-ac 2 -ab 128k -af aresample=async=1:min_hard_comp=0.01 -strict experimental -acodec aac /out/movie";
        Call twoPass = call(fourThree, User, "mp4", "x264", {640, 480}, 1000, "noaudio", 0, 0);
        twoPass.job.target.video.profile = "x264_high";
        twoPass.passes = 2;
        twoPass.frames = 1001;
        twoPass.start = 12;
        QTest::newRow("user, H.264 first of two passes, 1001 frames from 12 s")
            << ::encode(twoPass)
            << kIn + "-map 0:v:0 -aspect 4:3 -t 00:00:40.04 -vframes 1001 -ss 12 -r 25 -vf " + fit("640x480", "4/3") + " -vb 1000k "
                       "-preset ultrafast -profile:v high" + kX264Tail + "-an /out/movie";
        QTest::newRow("level 5, H.264 HD in Matroska with AC-3 above 256 kbit/s")
            << ::encode(call(movie(1.78), 5, "matroska", "x264", {1280, 720}, 4000, "ac3", 48000, 448))
            << kHead + "-aspect 16:9 -r 25 -vf " + fit("1280x720", "16/9") + " -vb 4000k -preset fast" + kX264Tail
                   + "-ar 48000 -ab 448k -af aresample=async=1:min_hard_comp=0.01 -acodec ac3 /out/movie";
        Call ac3Copy = call(movie(1.78), 5, "matroska", "x264", {1280, 720}, 4000, "ac3", -1, 0);
        ac3Copy.job.source.audio.format = "8192"; // MPlayer's AC-3
        QTest::newRow("level 5, the source's AC-3 is copied")
            << ::encode(ac3Copy)
            << kHead + "-aspect 16:9 -r 25 -vf " + fit("1280x720", "16/9") + " -vb 4000k -preset fast" + kX264Tail
                   + "-acodec copy /out/movie";
        QTest::newRow("level 3, iPod 640x480: one B-frame, baseline")
            << ::encode(call(fourThree, 3, "ipod", "x264", {640, 480}, 800, "aac", 0, 128))
            << kHead + "-f ipod -aspect 4:3 -r 25 -vf " + fit("640x480", "4/3") + " -vb 800k -bf 1 -preset fast -profile:v "
                       "baseline" + kX264Tail + "-ac 2 -ab 128k -af aresample=async=1:min_hard_comp=0.01 -strict experimental -acodec aac /out/movie";
        QTest::newRow("level 1, PSP: the PSP options, no preset")
            << ::encode(call(fourThree, 1, "psp", "x264_psp", {320, 240}, 500, "aac", 0, 0))
            << kHead + "-aspect 4:3 -r 25 -vf " + fit("320x240", "4/3") + " -vb 500k -bf 3 -bufsize 2000 -profile:v main "
                       "-level 3.0 -wpredp 0 -x264opts cqm=flat:cabac=0:b_pyramid=0:8x8dct=0:"
                       "weightb=0:mixed_refs=0:fast_pskip=1:mbtree=0" + kX264Tail
                   + "-ac 2 -af aresample=async=1:min_hard_comp=0.01 -strict experimental -acodec aac /out/movie";
        QTest::newRow("user, PSP's H.264 in MP4: the PSP options")
            << ::encode(call(fourThree, User, "mp4", "x264_psp", {320, 240}, 500, "noaudio", 0, 0))
            << kIn + "-map 0:v:0 -aspect 4:3 -r 25 -vf " + fit("320x240", "4/3") + " -vb 500k -bf 3 -bufsize 2000 -profile:v main "
                     "-level 3.0 -wpredp 0 -x264opts cqm=flat:cabac=0:b_pyramid=0:8x8dct=0:"
                     "weightb=0:mixed_refs=0:fast_pskip=1:mbtree=0 -preset ultrafast" + kX264Tail
                   + "-an /out/movie";
        Call flv = call(movie(1.5, 29.97), User, "flv", "x264_lr", {320, 240}, 300, "aac_flv", 44100, 64);
        flv.job.target.video.frameRate = 15;
        flv.job.target.audio.volume = -6;
        flv.job.target.extraOptions = {{"-sn", ""}, {"-passlogfile", "/out/p"}};
        QTest::newRow("user, FLV at 15 fps, -6 dB, extra switches")
            << ::encode(flv)
            << kHead + "-passlogfile /out/p -sn -aspect 1.5 -r 15 -vf " + fit("320x214", "1.5") + " -vb 300k -bf 0 -preset ultrafast"
                   + kX264Tail + "-vol 128 -ac 2 -ar 44100 -ab 64k -af aresample=async=1:min_hard_comp=0.01 -strict experimental -acodec aac "
                                 "/out/movie";
        Call mp3 = call(fourThree, User, "mp3", "novideo", {}, 0, "mp3", 44100, 192);
        mp3.job.source.noVideo = true;
        mp3.frames = 50;
        QTest::newRow("user, audio-only MP3")
            << ::encode(mp3)
            << kIn + "-map 0:a:0 -aspect 4:3 -t 00:00:02.0 -aframes 50 -r 25 -vn -ac 2 -ar 44100 -ab 192k "
                       "-af aresample=async=1:min_hard_comp=0.01 -acodec libmp3lame /out/movie";
        QTest::newRow("level 2, audio-only AAC")
            << ::encode(call(movie(1.0, 0.0), 2, "m4a", "novideo", {}, 0, "aac", 48000, 160))
            << kIn + "-map 0:a:0 -aspect 1 -vn -ar 48000 -ab 160k -af "
                     "aresample=async=1:min_hard_comp=0.01,aformat=channel_layouts=mono|stereo|3.0|4.0|5.0|5.1|7.1 "
                     "-strict experimental -acodec aac /out/movie";
        QTest::newRow("user, H.263 3GP with PCM at 1536 kbit/s")
            << ::encode(call(fourThree, User, "3gp", "h263", {176, 144}, 128, "pcm", 0, 1536))
            << kHead + "-aspect 4:3 -r 25 -vf " + fit("176x144", "4/3") + " -vb 128k -flags +aic -obmc 1 -pix_fmt yuv420p -vcodec h263 "
                       "-ac 2 -ab 1536k -af aresample=async=1:min_hard_comp=0.01 -acodec pcm_s16le /out/movie";
        QTest::newRow("level 3, MPEG-4 AVI from 23.976 fps, 32-bit PCM")
            << ::encode(call(movie(2.35, 23.976), 3, "avi", "mpeg4", {640, 272}, 900, "pcm", 0, 128))
            << kHead + kAvi + "-aspect 2.35 -r 23.976 -vf " + fit("640x272", "2.35") + " -vb 900k -vtag XVID -r 24000/1001 -mbd rd -flags "
                       "+mv4+aic -trellis 2 -cmp 2 -subcmp 2 -g 300 -pix_fmt yuv420p -vcodec mpeg4 -ac 1 -ab 128k "
                       "-async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -acodec pcm_s32le /out/movie";
        // MPEG-2 cannot flag a square picture's shape: it is boxed into a 4:3 frame.
        QTest::newRow("level 5, bare PCM in MPEG is 16-bit big-endian")
            << ::encode(call(movie(1.0, 0.0), 5, "mpeg", "mpeg2video", {720, 576}, 5000, "pcm", 0, 0))
            << kHead + "-aspect 4:3 -r 25 -vf " + fit("720x576", "4/3") + " -vb 5000k -pix_fmt yuv420p -vcodec mpeg2video -ac 1 -af aresample=async=1:min_hard_comp=0.01,asetnsamples=n=80:p=0 "
                       "-acodec pcm_s16be /out/movie";
        // The chosen subtitle, the second of two that stand before the sound, drawn into the
        // picture before it is scaled; a picture subtitle laid over it in the graph that gives
        // the output its picture.
        EncodingSource subtitled = movie(16.0 / 9.0, 25.0, {1024, 576});
        subtitled.path = "/media/it's[a],b;c:d.mkv";
        subtitled.audio.aid = 0;
        subtitled.audioStreams = {subtitled.audio};
        subtitled.noSubtitle = false;
        subtitled.subtitleStreams = {SubtitleInfo(), SubtitleInfo()};
        subtitled.subtitleStreams[0].sid = 0;
        subtitled.subtitleStreams[1].sid = subtitled.subtitle.sid = 1;
        subtitled.subtitle.format = "srt";
        const QString subIn = "/usr/bin/ffmpeg -y -i /media/it's[a],b;c:d.mkv ";
        // Escaped for the option, then for the graph.
        const QString textFilter = R"(subtitles=filename=/media/it\\\'s\[a\]\,b\;c\\:d.mkv:si=1)";
        QTest::newRow("user, a text subtitle drawn")
            << ::encode(call(subtitled, User, "mp4", "x264", {528, 384}, 896, "noaudio", 0, 0))
            << subIn + "-map 0:v:0 -aspect 16:9 -r 25 -vf " + textFilter + ',' + fit("528x298", "16/9")
                   + " -vb 896k -preset ultrafast" + kX264Tail + "-an /out/movie";
        QTest::newRow("level 2, a text subtitle drawn before the letterbox")
            << ::encode(call(subtitled, 2, "mpeg_vcd", "mpeg1video", {352, 288}, 1150, "mp2_vcd", 44100, 224))
            << subIn + "-map 0:v:0 -map 0:a:0 -aspect 4:3 -r 25 -vf " + textFilter + ',' + fit("352x288", "4/3") + " "
                       "-vb 1150k -pix_fmt yuv420p -vcodec mpeg1video -ac 2 -ar 44100 -ab 224k -af aresample=async=1:min_hard_comp=0.01 -acodec mp2 /out/movie";
        subtitled.subtitle.format = "dvdsub";
        QTest::newRow("level 2, a picture subtitle laid over, then the letterbox")
            << ::encode(call(subtitled, 2, "mpeg_vcd", "mpeg1video", {352, 288}, 1150, "mp2_vcd", 44100, 224))
            << subIn + "-filter_complex [0:v:0][0:s:1]overlay=eof_action=pass," + fit("352x288", "4/3") + "[inlaid] "
                       "-map [inlaid] -map 0:a:0 -aspect 4:3 -r 25 -vb 1150k -pix_fmt yuv420p -vcodec mpeg1video -ac 2 -ar 44100 -ab 224k "
                       "-af aresample=async=1:min_hard_comp=0.01 -acodec mp2 /out/movie";
        QTest::newRow("user, a picture subtitle laid over")
            << ::encode(call(subtitled, User, "mp4", "x264", {528, 384}, 896, "noaudio", 0, 0))
            << subIn + "-filter_complex [0:v:0][0:s:1]overlay=eof_action=pass," + fit("528x298", "16/9") + "[inlaid] -map [inlaid] -aspect 16:9 -r 25 "
                       "-vb 896k -preset ultrafast" + kX264Tail + "-an /out/movie";
        QTest::newRow("user, no picture: no subtitle")
            << ::encode(call(subtitled, User, "m4a", "novideo", {}, 0, "aac", 48000, 128))
            << subIn + "-map 0:a:0 -aspect 16:9 -r 25 -vn -ar 48000 -ab 128k -af "
                       "aresample=async=1:min_hard_comp=0.01,aformat=channel_layouts=mono|stereo|3.0|4.0|5.0|5.1|7.1 "
                       "-strict experimental -acodec aac /out/movie";
        Call names = call(movie(1.0, 0.0), User, "avi", "novideo", {}, 0, "noaudio", 0, 0);
        names.job.source.path = "clip:1.avi";
        QTest::newRow("names read as a protocol or an option go as files")
            << ::encode(names, "-out.avi")
            << "/usr/bin/ffmpeg -y -i ./clip:1.avi " + kAvi + "-aspect 1 -vn -an ./-out.avi";
        Call dvd = call(dvdSource("/media/DVD"), User, "avi", "xvid", {640, 480},
                        1500, "mp3", 44100, 128);
        QTest::newRow("a DVD title: no command") << ::encode(dvd) << QString();
    }

    void encode()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(arguments, args(expected));
    }

    // Parts of the encode command, each at an edge of its rule: the rows of the level tables,
    // the frame-rate bands of MPEG-4, the letterbox of 576- and 288-line pictures, the start
    // offset and a relative name with a colon.
    void commandParts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("part");
        const EncodingSource fourThree = movie(4.0 / 3.0);
        const auto xvid = [&](int level) {
            return ::encode(call(fourThree, level, "avi", "xvid", {640, 480}, 1500, "mp3", 44100, 128));
        };
        QTest::newRow("Xvid level 1") << xvid(1) << "-vtag XVID -g 250 -bf 0 -me_quality 2 -qmin 2 -qmax 15 -pix_fmt yuv420p -vcodec libxvid";
        QTest::newRow("Xvid level 2") << xvid(2) << "-vtag XVID -g 250 -flags +mv4 -bf 0 -me_quality 4 -qmax 6 -pix_fmt yuv420p -vcodec libxvid";
        const auto x264 = [&](const QString &codec, int level, QSize size) {
            return ::encode(call(fourThree, level, "mp4", codec, size, 1000, "aac", 0, 128));
        };
        QTest::newRow("H.264 level 2") << x264("x264", 2, {640, 480}) << "-preset superfast -profile:v main";
        QTest::newRow("H.264 low rate, level 3") << x264("x264_lr", 3, {320, 240}) << "-preset fast -pix_fmt";
        QTest::newRow("H.264 HD, level 2") << x264("x264_hd", 2, {1280, 720}) << "-preset ultrafast -pix_fmt";
        QTest::newRow("H.264 HD, level 3") << x264("x264_hd", 3, {1280, 720}) << "-preset superfast -pix_fmt";
        const auto mpeg4 = [](double rate) {
            return ::encode(call(movie(1.0, rate), User, "avi", "mpeg4", {320, 240}, 800, "noaudio", 0, 0));
        };
        // The pictures' format every target's players take, whatever the source's.
        QTest::newRow("Theora in Ogg: 4:2:0")
            << ::encode(call(fourThree, User, "ogg", "theora", {320, 240}, 800, "noaudio", 0, 0))
            << "-vb 800k -pix_fmt yuv420p -vcodec libtheora";
        QTest::newRow("VP8 in WebM at a level: 4:2:0")
            << ::encode(call(fourThree, 2, "webm", "vp8", {320, 240}, 800, "noaudio", 0, 0))
            << "-vb 800k -pix_fmt yuv420p -vcodec libvpx";
        // Snapped up to a rate no slower, so that no picture is dropped: an old phone's 14.985
        // fps snapped down to 10 lost a third of its pictures.
        QTest::newRow("MPEG-4 at a time-lapse's 2 fps") << mpeg4(2.0) << "-vtag XVID -r 10 -mbd";
        QTest::newRow("MPEG-4 at 10 fps") << mpeg4(10.0) << "-vtag XVID -r 10 -mbd";
        QTest::newRow("MPEG-4 just over 10 fps") << mpeg4(10.01) << "-vtag XVID -r 15 -mbd";
        QTest::newRow("MPEG-4 just under 15 fps") << mpeg4(14.99) << "-vtag XVID -r 15 -mbd";
        QTest::newRow("MPEG-4 at 15 fps") << mpeg4(15.0) << "-vtag XVID -r 15 -mbd";
        QTest::newRow("MPEG-4 at a dark phone's 20 fps") << mpeg4(20.0) << "-vtag XVID -r 24000/1001 -mbd";
        QTest::newRow("MPEG-4 at 23.976 fps") << mpeg4(23.976) << "-vtag XVID -r 24000/1001 -mbd";
        QTest::newRow("MPEG-4 at 24.2 fps") << mpeg4(24.2) << "-vtag XVID -r 25 -mbd";
        // A rate counted over the whole file falls a hair beside the one it was filmed at.
        QTest::newRow("MPEG-4 at a counted 25.001 fps") << mpeg4(25.001) << "-vtag XVID -r 25 -mbd";
        QTest::newRow("MPEG-4 at 25.5 fps") << mpeg4(25.5) << "-vtag XVID -r 30000/1001 -mbd";
        QTest::newRow("MPEG-4 at 29.97 fps") << mpeg4(29.97) << "-vtag XVID -r 30000/1001 -mbd";
        QTest::newRow("MPEG-4 at 24 fps") << mpeg4(24.0) << "-vtag XVID -r 24 -mbd";
        QTest::newRow("MPEG-4 at 30 fps") << mpeg4(30.0) << "-vtag XVID -r 30 -mbd";
        // A device shows at most 30 pictures a second, every second one of a faster source.
        const auto device = [](const char *muxer, const char *codec, double rate) {
            return ::encode(call(movie(4.0 / 3.0, rate), 1, muxer, codec, {128, 96}, 64, "noaudio", 0, 0));
        };
        QTest::newRow("PSP at 30 fps") << device("psp", "x264_lr", 30.0) << "-aspect 4:3 -r 30 -vf";
        QTest::newRow("PSP at 50 fps shows 25") << device("psp", "x264_lr", 50.0) << "-aspect 4:3 -r 25 -vf";
        QTest::newRow("PSP at 59.94 fps shows 29.97") << device("psp", "x264_lr", 60000.0 / 1001) << "-aspect 4:3 -r 29.97 -vf";
        QTest::newRow("PSP at 120 fps shows 30") << device("psp", "x264_lr", 120.0) << "-aspect 4:3 -r 30 -vf";
        QTest::newRow("iPod at 50 fps shows 25") << device("ipod", "x264", 50.0) << "-aspect 4:3 -r 25 -vf";
        // A rate that is no whole multiple of film's or television's is shown at the most: a
        // phone's 30.044 fps halved kept 93 pictures of 181.
        QTest::newRow("iPod at 30.044 fps shows 30") << device("ipod", "x264", 30.044) << "-aspect 4:3 -r 30 -vf";
        QTest::newRow("PSP at 40 fps shows 30") << device("psp", "x264_lr", 40.0) << "-aspect 4:3 -r 30 -vf";
        QTest::newRow("3GP at 90 fps shows a third, 30") << device("3gp", "h263", 90.0) << "-aspect 4:3 -r 30 -vf";
        QTest::newRow("3G2 at 100 fps shows a fourth, 25") << device("3g2", "x264_lr", 100.0) << "-aspect 4:3 -r 25 -vf";
        QTest::newRow("iPod MPEG-4 at 30.044 fps snaps 30") << device("ipod", "mpeg4", 30.044) << "-r 30 -mbd";
        QTest::newRow("iPod at 29.97 fps keeps it") << device("ipod", "x264", 30000.0 / 1001) << "-aspect 4:3 -r 29.97 -vf";
        QTest::newRow("iPod copy at 50 fps keeps 50") << device("ipod", "copy", 50.0) << "-aspect 4:3 -r 50 -s";
        QTest::newRow("3GP at 59.94 fps shows 29.97") << device("3gp", "h263", 60000.0 / 1001) << "-aspect 4:3 -r 29.97 -vf";
        QTest::newRow("3G2 at 50 fps shows 25") << device("3g2", "x264_lr", 50.0) << "-aspect 4:3 -r 25 -vf";
        QTest::newRow("3G2 at 23.976 fps keeps it") << device("3g2", "x264_lr", 24000.0 / 1001) << "-aspect 4:3 -r 23.976 -vf";
        // MPEG-4's rate is snapped from the device's share, not from the source's.
        QTest::newRow("3GP MPEG-4 at 50 fps snaps 25") << device("3gp", "mpeg4", 50.0) << "-r 25 -mbd";
        QTest::newRow("iPod MPEG-4 at 59.94 fps snaps 29.97") << device("ipod", "mpeg4", 60000.0 / 1001)
                                                             << "-r 30000/1001 -mbd";
        QTest::newRow("MP4 at 50 fps keeps 50")
            << ::encode(call(movie(4.0 / 3.0, 50.0), 1, "mp4", "x264_lr", {128, 96}, 64, "noaudio", 0, 0))
            << "-aspect 4:3 -r 50 -vf";
        // An interlaced picture's fields: kept by MPEG-2 at its lines and rate, in their order;
        // made whole before any other size, rate or codec.
        const auto fields = [](const QString &order, const QString &codec, QSize size, const QString &standard,
                               double rate = 25.0) {
            EncodingSource source = movie(16.0 / 9, rate, {1024, 576});
            source.video.width = 720;
            source.video.height = 576;
            source.facts.fieldOrder = order;
            return ::encode(call(source, User, "mpeg", codec, size, 6000, "noaudio", 0, 0, standard));
        };
        QTest::newRow("fields top first kept") << fields("tt", "mpeg2video", {720, 576}, "PAL")
                                               << "-vf " + fit("720x576", "16/9", true) + " -vb 6000k -flags +ilme+ildct -top 1 -pix_fmt yuv420p -vcodec";
        QTest::newRow("fields bottom first kept") << fields("bb", "mpeg2video", {704, 576}, "PAL")
                                                  << "-vf " + fit("704x576", "16/9", true) + " -vb 6000k -flags +ilme+ildct -top 0 -pix_fmt yuv420p -vcodec";
        // Coded in one order and shown in the other: kept in the order a player shows them.
        for (const char *order : {"tb", "bt"}) {
            SourceFacts shown;
            shown.fieldOrder = order;
            QTest::addRow("fields \"%s\" kept", order) << fields(order, "mpeg2video", {720, 576}, "PAL")
                << QStringLiteral("-flags +ilme+ildct -top %1 -pix_fmt").arg(shown.topFieldFirst() ? 1 : 0);
        }
        // A rate no engine told is taken as the disc's: a change of rate drops or repeats whole
        // pictures, each with both its fields.
        QTest::newRow("fields of an unknown rate kept") << fields("tt", "mpeg2video", {720, 576}, "PAL", 0.0)
                                                        << "-flags +ilme+ildct -top 1 -pix_fmt";
        QTest::newRow("fields at 575 lines made whole") << fields("tt", "mpeg2video", {720, 574}, "PAL")
                                                        << "-vf yadif," + fit("720x574", "16/9") + " -vb 6000k -pix_fmt yuv420p -vcodec";
        QTest::newRow("fields at NTSC's rate made whole") << fields("tb", "mpeg2video", {720, 576}, "NTSC")
                                                          << "-vf yadif," + fit("720x576", "16/9") + " -vb 6000k -pix_fmt yuv420p -vcodec";
        QTest::newRow("fields into MPEG-1 made whole, then boxed")
            << fields("bt", "mpeg1video", {720, 576}, "PAL") << "-vf yadif," + fit("720x576", "4/3") + " -vb";
        QTest::newRow("fields copied as stored") << fields("tt", "copy", {720, 576}, "PAL") << "-s 720x406 -vb 6000k -vcodec copy";
        QTest::newRow("fields of a picture turned upright made whole") << [] {
            EncodingSource source = movie(9.0 / 16, 25.0, {324, 576});
            source.video.width = 324;
            source.video.height = 576;
            source.facts = {};
            source.facts.fieldOrder = "tt";
            source.facts.rotation = 90;
            return ::encode(call(source, User, "mpeg", "mpeg2video", {720, 576}, 6000, "noaudio", 0, 0, "PAL"));
        }() << "-vf yadif," + fit("720x576", "4/3") + " -vb 6000k -pix_fmt yuv420p -vcodec";
        QTest::newRow("NTSC fields kept at NTSC's rate") << [] {
            EncodingSource source = movie(4.0 / 3, 30000.0 / 1001, {640, 480});
            source.video.width = 720;
            source.video.height = 480;
            source.facts.fieldOrder = "bb";
            return ::encode(call(source, User, "mpeg", "mpeg2video", {720, 480}, 6000, "noaudio", 0, 0, "NTSC"));
        }() << "-vf " + fit("720x480", "4/3", true) + " -vb 6000k -flags +ilme+ildct -top 0 -pix_fmt yuv420p -vcodec";
        QTest::newRow("progressive picture kept whole") << fields("progressive", "mpeg2video", {720, 574}, "PAL")
                                                        << "-vf " + fit("720x574", "16/9") + " -vb 6000k -pix_fmt yuv420p -vcodec";
        // A variable rate (a screen recording's 39 a second on average, 60 while things move)
        // at its fast rate: its mean drops a third of those pictures. A device's share of it.
        const auto variable = [](const char *muxer, const char *codec) {
            Call encode = call(movie(4.0 / 3.0, 38.5), 1, muxer, codec, {128, 96}, 64, "noaudio", 0, 0);
            encode.job.source.facts.variableRate = true;
            encode.job.source.facts.fastRate = 60.0;
            return ::encode(encode);
        };
        QTest::newRow("MP4 from a variable rate: its fast rate") << variable("mp4", "x264_lr") << "-aspect 4:3 -r 60 -vf";
        QTest::newRow("iPod from a variable rate: half its fast rate") << variable("ipod", "x264") << "-aspect 4:3 -r 30 -vf";
        // Film flagged to repeat fields, which the demuxer times at the rate its fields are
        // shown at: encoded at its own.
        const auto film = [](const char *muxer, const char *codec) {
            Call encode = call(movie(4.0 / 3.0, 30000.0 / 1001), User, muxer, codec, {128, 96}, 64, "noaudio", 0, 0);
            encode.job.source.facts.repeatFields = true;
            encode.job.source.facts.frameRate = 24000.0 / 1001;
            return ::encode(encode);
        };
        QTest::newRow("MP4 from film flagged to repeat fields: the film's rate") << film("mp4", "x264_lr") << "-aspect 4:3 -r 23.976 -vf";
        QTest::newRow("MPEG-4 from film flagged to repeat fields") << film("avi", "mpeg4") << "-vtag XVID -r 24000/1001 -mbd";
        QTest::newRow("a constant rate measured beside the player's: the player's") << [] {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "mp4", "x264_lr", {128, 96}, 64, "noaudio", 0, 0);
            encode.job.source.facts.frameRate = 24.99;
            return ::encode(encode);
        }() << "-aspect 4:3 -r 25 -vf";
        // Exactly the tracks chosen: the second sound of two, no subtitle of those listed.
        QTest::newRow("second track chosen, a subtitle listed, none chosen") << [] {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "matroska", "x264", {128, 96}, 64, "vorbis", 44100, 128);
            EncodingSource &source = encode.job.source;
            source.audioStreams = {source.audio, source.audio};
            source.audioStreams[0].aid = 0;
            source.audioStreams[1].aid = source.audio.aid = 1;
            source.subtitleStreams = {SubtitleInfo()};
            source.subtitleStreams[0].sid = 0;
            source.noSubtitle = true;
            return ::encode(encode);
        }() << "-map 0:v:0 -map 0:a:1 -aspect 4:3 -r 25 -vf";
        QTest::newRow("AVI sound from the file's start")
            << ::encode(call(movie(4.0 / 3.0, 25.0), User, "avi", "mpeg4", {128, 96}, 64, "aac", 44100, 96))
            << "-async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -strict";
        // A broadcast's sound whose frames overlap where its parts were joined, or whose rate
        // changes, is laid out by its times; so is one that runs on, where a change may come
        // that the load did not see.
        const auto joined = [](bool overlaps, const QList<int> &rates) {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "matroska", "x264", {128, 96}, 64, "vorbis", 44100, 128);
            encode.job.source.facts.sounds = {{"mp2", 2, 1.43, 2, 0, false, rates, overlaps}};
            return ::encode(encode);
        };
        QTest::newRow("sound overlapping at a join laid out by its times")
            << joined(true, {48000}) << "-ab 128k -af aresample=async=1:min_hard_comp=0.01 -acodec libvorbis";
        QTest::newRow("sound changing rate laid out by its times")
            << joined(false, {48000, 44100}) << "-ab 128k -af aresample=async=1:min_hard_comp=0.01 -acodec libvorbis";
        QTest::newRow("sound running on laid out by its times all the same") << joined(false, {48000}) << "-ab 128k -af aresample=async=1:min_hard_comp=0.01 -acodec libvorbis";
        // FFmpeg's Ogg muxer writes FLAC from 0, whatever its first sample's time.
        QTest::newRow("FLAC in Ogg from the file's start")
            << ::encode(call(movie(4.0 / 3.0, 25.0), User, "ogg", "theora", {128, 96}, 64, "flac", 44100, 0))
            << "-async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -acodec flac";
        // FFmpeg times both from the earlier sound track; the AVI shows the picture from its start.
        QTest::newRow("AVI sound on the picture's clock") << [] {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "avi", "mpeg4", {128, 96}, 64, "aac", 44100, 96);
            encode.job.source.facts.pictureStart = 0.023;
            encode.job.source.facts.sounds = {{"aac", 2, 0.5, 1}, {"aac", 2, 0.0, 1.5}};
            return ::encode(encode);
        }() << "-af aresample=async=1:min_hard_comp=0.01,asetpts=PTS-0.023/TB,aresample=async=1:first_pts=0 -strict";
        // ... whose rates could not be read through the file: a change may come.
        QTest::newRow("AVI sound on the picture's clock, its rates unread") << [] {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "avi", "mpeg4", {128, 96}, 64, "aac", 44100, 96);
            encode.job.source.facts.pictureStart = 0.023;
            encode.job.source.facts.sounds = {{"aac", 2, 0.5, 1}, {"aac", 2, 0.0, 1.5}};
            encode.job.source.facts.unknown = SourceFacts::SoundRatesUnknown;
            return ::encode(encode);
        }() << "-ab 96k -async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -strict";
        // Its sound after its picture, changing rate: silence before it in the first filters
        // alone.
        QTest::newRow("AVI of a late sound changing rate") << [] {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "avi", "mpeg4", {128, 96}, 64, "aac", 44100, 96);
            encode.job.source.facts.pictureStart = 1.44;
            encode.job.source.facts.sounds = {{"mp2", 2, 1.93, 1.5, 0, false, {48000, 44100}}};
            return ::encode(encode);
        }() << "-ab 96k -async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -strict";
        // A TV recording's sound before its picture keeps its lead: the picture is held from it.
        QTest::newRow("AVI of a sound that starts first") << [] {
            Call encode = call(movie(4.0 / 3.0, 25.0), User, "avi", "mpeg4", {128, 96}, 64, "aac", 44100, 96);
            encode.job.source.facts.pictureStart = 1.92;
            encode.job.source.facts.sounds = {{"mp2", 2, 1.67, 2}};
            return ::encode(encode);
        }() << "-async 1 -adrift_threshold 0.01 -af aresample=async=1:min_hard_comp=0.01 -strict";
        // A song's one picture, shown for the song's 10.02 s: the picture and 250 copies.
        const auto still = [](const char *muxer, const char *codec, double rate) {
            Call encode = call(movie(4.0 / 3.0, rate), User, muxer, codec, {128, 96}, 64, "noaudio", 0, 0);
            encode.job.source.facts.stillPicture = true;
            encode.job.source.facts.length = 10.02;
            encode.job.source.facts.pictureStart = rate > 0 ? 0.0 : 0.02;
            return ::encode(encode);
        };
        QTest::newRow("one picture held to the song's end")
            << still("matroska", "x264", 25.0) << "-vf tpad=stop_mode=clone:stop=250," + fit("128x96", "4/3") + " -max_interleave_delta 0 -vb 64k";
        QTest::newRow("one picture of no known rate held to the song's end")
            << still("mp4", "mpeg4", 0.0) << "-vf tpad=stop_mode=clone:stop_duration=10.000," + fit("128x96", "4/3") + " -max_interleave_delta 0 -vb 64k";
        const EncodingSource wide = movie(1.78, 25.0, {1024, 576});
        QTest::newRow("576 lines keep PAL's letterbox, NTSC asked")
            << ::encode(call(wide, User, "3gp", "h263", {704, 576}, 512, "noaudio", 0, 0, "NTSC"))
            << "-vf " + fit("704x576", "4/3");
        QTest::newRow("288 lines keep PAL's letterbox, NTSC asked")
            << ::encode(call(wide, User, "mpeg_vcd", "mpeg1video", {352, 288}, 1150, "noaudio", 0, 0, "NTSC"))
            << "-vf " + fit("352x288", "4/3");
        // The picture keeps its display shape. A fixed frame shows at a shape its format can
        // flag (MPEG-1 and H.263 4:3, MPEG-2 the nearer of 4:3 and 16:9): a narrower picture is
        // pillarboxed, a wider one letterboxed. Any other frame takes the picture's shape within
        // the size asked for, with square pixels.
        const auto shaped = [](double aspect, const QString &muxer, const QString &codec, QSize size,
                               const QString &standard = "PAL") {
            return ::encode(call(movie(aspect, 25.0, {0, 0}), User, muxer, codec, size, 800, "noaudio", 0, 0, standard));
        };
        const double portrait = 9.0 / 16.0;
        QTest::newRow("portrait into a VideoCD: pillarboxed")
            << shaped(portrait, "mpeg_vcd", "mpeg1video", {352, 288})
            << "-aspect 4:3 -r 25 -vf " + fit("352x288", "4/3") + " -vb";
        QTest::newRow("portrait into MPEG-2 at 480x480: pillarboxed into 4:3")
            << shaped(portrait, "mpeg", "mpeg2video", {480, 480}, "NTSC")
            << "-aspect 4:3 -r 24000/1001 -vf " + fit("480x480", "4/3") + " -vb";
        QTest::newRow("2.35 into MPEG-2: letterboxed into 16:9")
            << shaped(2.35, "mpeg", "mpeg2video", {720, 576})
            << "-aspect 16:9 -r 25 -vf " + fit("720x576", "16/9") + " -vb";
        QTest::newRow("1.5 into MPEG-2: nearer 4:3, letterboxed")
            << shaped(1.5, "mpeg", "mpeg2video", {720, 576})
            << "-aspect 4:3 -r 25 -vf " + fit("720x576", "4/3") + " -vb";
        QTest::newRow("1.6 into MPEG-2: nearer 16:9, pillarboxed")
            << shaped(1.6, "mpeg", "mpeg2video", {720, 576})
            << "-aspect 16:9 -r 25 -vf " + fit("720x576", "16/9") + " -vb";
        QTest::newRow("16:9 into MPEG-2 fills it")
            << shaped(1.78, "mpeg", "mpeg2video", {480, 576})
            << "-aspect 16:9 -r 25 -vf " + fit("480x576", "16/9") + " -vb";
        QTest::newRow("portrait into H.263: pillarboxed")
            << shaped(portrait, "3gp", "h263", {176, 144})
            << "-aspect 4:3 -r 25 -vf " + fit("176x144", "4/3") + " -vb";
        QTest::newRow("portrait into the PSP: a portrait frame within its size")
            << shaped(portrait, "psp", "x264_psp", {480, 272}) << "-aspect 0.5625 -r 25 -vf " + fit("154x272", "0.5625") + " -vb";
        QTest::newRow("portrait into MP4: a portrait frame")
            << shaped(portrait, "mp4", "x264", {624, 352}) << "-aspect 0.5625 -r 25 -vf " + fit("198x352", "0.5625") + " -vb";
        QTest::newRow("anamorphic 16:9 into Matroska at 720x576: square pixels")
            << shaped(16.0 / 9.0, "matroska", "x264", {720, 576}) << "-aspect 16:9 -r 25 -vf " + fit("720x406", "16/9") + " -vb";
        QTest::newRow("4:3 into a 16:9 size: a 4:3 frame")
            << shaped(4.0 / 3.0, "avi", "xvid", {624, 352}) << "-aspect 4:3 -r 25 -vf " + fit("470x352", "4/3") + " -vb";
        QTest::newRow("2.35 into Xvid at 640x480: as wide as asked")
            << shaped(2.35, "avi", "xvid", {640, 480}) << "-aspect 2.35 -r 25 -vf " + fit("640x272", "2.35") + " -vb";
        QTest::newRow("1:16 into WebM: as high as asked")
            << shaped(1.0 / 16, "webm", "vp8", {128, 96}) << "-aspect 0.0625 -r 25 -vf " + fit("6x96", "0.0625") + " -vb";
        QTest::newRow("an odd width asked for: an even frame")
            << shaped(2.35, "matroska", "x264", {721, 480}) << "-aspect 2.35 -r 25 -vf " + fit("720x306", "2.35") + " -vb";
        QTest::newRow("an odd height asked for: an even frame")
            << shaped(portrait, "mp4", "x264", {624, 353}) << "-aspect 0.5625 -r 25 -vf " + fit("198x352", "0.5625") + " -vb";
        QTest::newRow("a frame never higher than asked, its sides even")
            << shaped(2.034, "mp4", "x264", {720, 353}) << "-aspect 2.034 -r 25 -vf " + fit("718x352", "2.034") + " -vb";
        QTest::newRow("a shape near 4:3 keeps a 4:3 size as it is")
            << shaped(1.34, "avi", "xvid", {640, 480}) << "-aspect 4:3 -r 25 -vf " + fit("640x480", "4/3") + " -vb";
        QTest::newRow("a sliver: never less than 2 pixels")
            << shaped(0.01, "mp4", "x264", {128, 96}) << "-aspect 0.01 -r 25 -vf " + fit("2x96", "0.01") + " -vb";
        QTest::newRow("no size asked for: nothing to fit into")
            << shaped(4.0 / 3.0, "mp4", "x264", {0, 0}) << "-aspect 4:3 -r 25 -s 0x0 -vb";
        QTest::newRow("no shape known: the size asked for")
            << shaped(0.0, "mp4", "x264", {624, 352}) << "-r 25 -vf " + fit("624x352", "16/9") + " -vb";
        // Frames of 1/600 s: the decoder's own frames overflow the MPEG muxer's sound buffer.
        QTest::newRow("96 kHz PCM in MPEG")
            << ::encode(call(movie(1.78, 29.97), User, "mpeg", "mpeg2video", {480, 480}, 2520, "pcm", 96000, 3072))
            << "-ar 96000 -ab 3072k -af aresample=async=1:min_hard_comp=0.01,asetnsamples=n=160:p=0 -acodec pcm_s16be";
        QTest::newRow("PCM in MPEG at the source's rate")
            << ::encode(call(movie(1.78, 29.97), User, "mpeg", "mpeg2video", {480, 480}, 2520, "pcm", 0, 1536))
            << "-af aresample=async=1:min_hard_comp=0.01,asetnsamples=n=80:p=0 -acodec pcm_s16be";
        // The channels the target's players play, in a layout players read; more where the
        // target takes them, at the source's rate.
        const auto sound = [](const QString &muxer, const QString &video, const QString &audio, int level) {
            return ::encode(call(movie(16.0 / 9.0), level, muxer, video, {480, 272}, 500, audio, 48000, 128));
        };
        const QString stereo = "-af aresample=async=1:min_hard_comp=0.01,aformat=channel_layouts=mono|stereo ";
        QTest::newRow("iPod AAC at the source's rate") << sound("ipod", "x264", "aac", 2) << stereo + "-strict";
        QTest::newRow("3G2 AAC at the source's rate") << sound("3g2", "x264", "aac", User) << stereo + "-strict";
        QTest::newRow("PSP AAC at the source's rate") << sound("psp", "x264_psp", "aac", User) << stereo + "-strict";
        QTest::newRow("FLV AAC at the source's rate") << sound("flv", "x264", "aac", User) << stereo + "-strict";
        QTest::newRow("3GP AAC at the source's rate") << sound("3gp", "x264", "aac", User) << stereo + "-strict";
        for (const char *codec : {"aac_lr", "aac_flv"})
            QTest::addRow("%s in MP4", codec) << sound("mp4", "x264", codec, User) << stereo + "-strict";
        for (const char *codec : {"mp3_lr", "mp3_flv", "mp3_flv_lr"})
            QTest::addRow("%s in MP4", codec) << sound("mp4", "x264", codec, User) << stereo + "-acodec libmp3lame";
        QTest::newRow("VideoCD sound in MPEG") << sound("mpeg", "mpeg2video", "mp2_vcd", User) << stereo + "-acodec mp2";
        QTest::newRow("AAC in MP4 in a layout of its own")
            << sound("mp4", "x264", "aac", 2) << "-af aresample=async=1:min_hard_comp=0.01,aformat=channel_layouts=mono|stereo|3.0|4.0|5.0|5.1|7.1 -strict";
        QTest::newRow("Vorbis in WebM as the source's") << sound("webm", "vp8", "vorbis", User) << "-ab 128k -af aresample=async=1:min_hard_comp=0.01 -acodec libvorbis";
        QTest::newRow("coded sound in MPEG keeps its frames")
            << ::encode(call(movie(1.78, 29.97), User, "mpeg", "mpeg2video", {480, 480}, 2520, "mp2", 48000, 224))
            << "-ar 48000 -ab 224k -af aresample=async=1:min_hard_comp=0.01 -acodec mp2";
        // A subtitle is drawn by libass or laid over as a picture, by its format as the player
        // names it; nothing is drawn without a picture of the source, or with the subtitle left out.
        const auto subtitle = [](const QString &format, bool noVideo = false, bool noSubtitle = false) {
            EncodingSource source = movie(4.0 / 3.0);
            source.noSubtitle = noSubtitle;
            source.subtitle.sid = 0;
            source.subtitle.format = format;
            source.noVideo = noVideo;
            return ::encode(call(source, User, "mp4", "x264", {320, 240}, 500, "noaudio", 0, 0));
        };
        for (const char *format : {"pgssub", "hdmv_pgs_subtitle", "dvb_subtitle", "xsub", "DVDSUB"})
            QTest::addRow("picture subtitle %s", format) << subtitle(format) << "-filter_complex [0:v:0][0:s:0]overlay=eof_action=pass," + fit("320x240", "4/3") + "[inlaid]";
        for (const char *format : {"ass", "mov_text", "subrip", ""})
            QTest::addRow("text subtitle \"%s\"", format) << subtitle(format) << "-vf subtitles=filename=/media/movie.avi:si=0," + fit("320x240", "4/3");
        // The player's ids need not run 0, 1, 2: FFmpeg counts the subtitle streams.
        const auto secondOfTwo = [](const QString &format) {
            EncodingSource source = movie(4.0 / 3.0);
            source.noSubtitle = false;
            source.subtitleStreams = {SubtitleInfo(), SubtitleInfo()};
            source.subtitleStreams[0].sid = 1;
            source.subtitleStreams[1].sid = source.subtitle.sid = 3;
            source.subtitle.format = format;
            return ::encode(call(source, User, "mp4", "x264", {320, 240}, 500, "noaudio", 0, 0));
        };
        QTest::newRow("text subtitle of id 3, the second") << secondOfTwo("subrip") << "-vf subtitles=filename=/media/movie.avi:si=1," + fit("320x240", "4/3");
        QTest::newRow("picture subtitle of id 3, the second") << secondOfTwo("dvdsub") << "-filter_complex [0:v:0][0:s:1]overlay=eof_action=pass," + fit("320x240", "4/3") + "[inlaid]";
        for (const char *format : {"srt", "dvdsub"}) {
            QTest::addRow("%s subtitle without a picture", format) << subtitle(format, true) << "-i /media/movie.avi -aspect 4:3 -r 25 -vf " + fit("320x240", "4/3") + " -vb 500k";
            QTest::addRow("%s subtitle left out", format) << subtitle(format, false, true) << "-i /media/movie.avi -map 0:v:0 -aspect 4:3 -r 25 -vf " + fit("320x240", "4/3") + " -vb 500k";
        }
        // HDR and BT.2020 colours are shown in BT.709, and said to be, before anything is drawn
        // on them; a copy keeps them, and a picture of standard range keeps its own.
        const auto coloured = [](const QString &transfer, const QString &primaries, const QString &codec,
                                 const QString &subtitle = {}) {
            EncodingSource source = movie(4.0 / 3.0);
            source.facts.transfer = transfer;
            source.facts.primaries = primaries;
            source.noSubtitle = subtitle.isEmpty();
            source.subtitle.sid = 0;
            source.subtitle.format = subtitle;
            return ::encode(call(source, User, "mp4", codec, {320, 240}, 500, "noaudio", 0, 0));
        };
        const QString toneMapped = "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=hable:desat=0,"
                                   "zscale=t=bt709:m=bt709:r=tv,format=yuv420p";
        const QString bt709 = "-pix_fmt yuv420p -color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv -vcodec";
        QTest::newRow("PQ tone-mapped") << coloured("smpte2084", "bt2020", "x264") << "-vf " + toneMapped + ',' + fit("320x240", "4/3");
        QTest::newRow("PQ said to be BT.709") << coloured("smpte2084", "bt2020", "x264") << bt709;
        QTest::newRow("HLG tone-mapped") << coloured("arib-std-b67", "bt2020", "x264") << "-vf " + toneMapped + ',' + fit("320x240", "4/3");
        QTest::newRow("HLG without its primaries said to be BT.709") << coloured("arib-std-b67", "", "mpeg4") << bt709;
        QTest::newRow("BT.2020 of standard range into BT.709")
            << coloured("bt2020-10", "bt2020", "x264") << "-vf zscale=p=bt709:t=bt709:m=bt709:r=tv,format=yuv420p," + fit("320x240", "4/3");
        QTest::newRow("BT.709 kept as it is")
            << coloured("bt709", "bt709", "x264") << "-vf " + fit("320x240", "4/3") + " -vb 500k -preset ultrafast -pix_fmt yuv420p -vcodec";
        QTest::newRow("PQ copied as it is") << coloured("smpte2084", "bt2020", "copy") << "-s 320x240 -vb 500k -vcodec copy";
        QTest::newRow("PQ tone-mapped, then a subtitle laid over it")
            << coloured("smpte2084", "bt2020", "x264", "dvdsub")
            << "-filter_complex [0:v:0]" + toneMapped + "[picture];[picture][0:s:0]overlay=eof_action=pass," + fit("320x240", "4/3") + "[inlaid]";
        QTest::newRow("PQ tone-mapped, then a text subtitle drawn")
            << coloured("smpte2084", "bt2020", "x264", "ass") << "-vf " + toneMapped + ",subtitles=filename=/media/movie.avi:si=0," + fit("320x240", "4/3");
        Call fromOneSecond = call(fourThree, User, "avi", "xvid", {640, 480}, 1500, "mp3", 44100, 128);
        fromOneSecond.start = 1;
        QTest::newRow("start at 1 s") << ::encode(fromOneSecond) << "-ss 1 -r 25";
        Call colon = call(movie(1.0, 0.0), User, "avi", "novideo", {}, 0, "noaudio", 0, 0);
        colon.job.source.path = "a:b.avi";
        QTest::newRow("colon as second character, input") << ::encode(colon, "c:d.avi") << "-i ./a:b.avi";
        QTest::newRow("colon as second character, output") << ::encode(colon, "c:d.avi") << "-vn -an ./c:d.avi";
    }

    void commandParts()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, part);
        QVERIFY2((' ' + arguments.join(' ') + ' ').contains(' ' + part + ' '), qPrintable(arguments.join(' ')));
    }

    void shortCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        InterfaceFFmpeg builder;
        builder.init(kBinary, nullptr, nullptr, nullptr);
        QString program;
        QStringList list;
        auto row = [&](const char *name, const QString &expected) {
            QTest::newRow(name) << QStringList{program} + list << expected;
        };
        const QString tail = " -vcodec copy -acodec copy -y /out/b.mp4";
        for (const double aspect : {1.333, 1.778, 1.35, 1.31, 1.75, 1.79}) {
            builder.cliCmdEncode(program, list, "/in/a.mp4", "/out/b.mp4", aspect);
            static const QMap<double, QString> values = {{1.333, "4:3"}, {1.778, "16:9"}};
            QTest::addRow("aspect %g", aspect) << QStringList{program} + list
                << "/usr/bin/ffmpeg -i /in/a.mp4 -aspect " + values.value(aspect, QString::number(aspect)) + tail;
        }
        builder.cliCmdEncode(program, list, "-in.avi", "/out/a.mp3");
        row("audio extraction", "/usr/bin/ffmpeg -i ./-in.avi -vn -acodec copy -y /out/a.mp3");
        builder.cliCmdRemux("/in/a.avi", "/out/b.mkv", program, list);
        row("re-mux", "/usr/bin/ffmpeg -i /in/a.avi -vcodec copy -acodec copy -y /out/b.mkv");
        builder.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "PAL");
        row("VCD PAL", "/usr/bin/ffmpeg -i /in/a.avi -target pal-vcd -y /out/v.mpg");
        builder.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "pal");
        row("VCD pal in lower case", "/usr/bin/ffmpeg -i /in/a.avi -target vcd -y /out/v.mpg");
        builder.cliCmdTargetSvcd(program, list, "/in/a.avi", "/out/v.mpg", "NTSC");
        row("SVCD NTSC", "/usr/bin/ffmpeg -i /in/a.avi -target ntsc-svcd -y -y /out/v.mpg");
        builder.cliCmdTargetSvcd(program, list, "/in/a.avi", "/out/v.mpg", "");
        row("SVCD, no standard", "/usr/bin/ffmpeg -i /in/a.avi -target svcd -y -y /out/v.mpg");
        builder.cliCmdGetCodecs(program, list);
        row("codec query", "/usr/bin/ffmpeg -codecs");
        // The disc of the loaded file takes the picture and the sound chosen in the player.
        EncodingJob job;
        job.source = clipSource("/in/a.avi");
        job.source.audioStreams = {job.source.audio, job.source.audio};
        job.source.audioStreams[1].aid = job.source.audio.aid = 2;
        InterfaceFFmpeg loaded;
        loaded.init(kBinary, nullptr, &job, nullptr);
        loaded.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "PAL");
        row("VCD PAL of the second track",
            "/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:a:1 -vf " + fit("352x288", "4/3") + " -aspect 4:3 -af aresample=async=1:min_hard_comp=0.01 -target pal-vcd -y /out/v.mpg");
        // And the subtitle chosen, drawn into the picture.
        job.source.noSubtitle = false;
        job.source.subtitle.sid = 0;
        loaded.cliCmdTargetSvcd(program, list, "/in/a.avi", "/out/v.mpg", "PAL");
        row("SVCD PAL with a text subtitle", "/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:a:1 -vf "
            "subtitles=filename=/in/a.avi:si=0," + fit("480x576", "4/3") + " -aspect 4:3 -af aresample=async=1:min_hard_comp=0.01 -target pal-svcd -y -y /out/v.mpg");
        job.source.subtitle.format = "vobsub";
        loaded.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "PAL");
        row("VCD PAL with a picture subtitle", "/usr/bin/ffmpeg -i /in/a.avi -filter_complex "
            "[0:v:0][0:s:0]overlay=eof_action=pass," + fit("352x288", "4/3") + "[inlaid] -map [inlaid] -map 0:a:1 -aspect 4:3 -af aresample=async=1:min_hard_comp=0.01 -target pal-vcd -y /out/v.mpg");
        job.source.noSubtitle = true;
        // The disc's frame holds the picture at its own shape: "-target" alone stretches it.
        job.source.audioStreams.clear();
        job.source.audio.aid = 1;
        job.source.video.aspect = 9.0 / 16.0;
        loaded.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "NTSC");
        row("VCD NTSC of a portrait file: pillarboxed",
            "/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:a:0 -vf " + fit("352x240", "4/3") + " "
            "-aspect 4:3 -af aresample=async=1:min_hard_comp=0.01 -target ntsc-vcd -y /out/v.mpg");
        // Without a standard FFmpeg takes PAL from the 25 frames a second, and so the frame.
        job.source.video.aspect = 2.35;
        loaded.cliCmdTargetSvcd(program, list, "/in/a.avi", "/out/v.mpg", "");
        row("SVCD of a 2.35 file at 25 fps: letterboxed into PAL's 16:9",
            "/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:a:0 -vf " + fit("480x576", "16/9") + " "
            "-aspect 16:9 -af aresample=async=1:min_hard_comp=0.01 -target svcd -y -y /out/v.mpg");
        job.source.video.frameRate = 29.97;
        loaded.cliCmdTargetSvcd(program, list, "/in/a.avi", "/out/v.mpg", "");
        row("SVCD of a 2.35 file at 29.97 fps: letterboxed into NTSC's 16:9",
            "/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:a:0 -vf " + fit("480x480", "16/9") + " "
            "-aspect 16:9 -af aresample=async=1:min_hard_comp=0.01 -target svcd -y -y /out/v.mpg");
        job.source.video.aspect = 4.0 / 3.0;
        job.source.video.frameRate = 25.0;
        job.source.facts.transfer = "smpte2084";
        loaded.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "PAL");
        row("VCD PAL of an HDR10 file: tone-mapped, said to be BT.709",
            "/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:a:0 -vf zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
            "tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p," + fit("352x288", "4/3") + " -aspect 4:3 "
            "-color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv -af aresample=async=1:min_hard_comp=0.01 -target pal-vcd -y /out/v.mpg");
        job.source.facts.transfer.clear();
        // The copy of a DVD title's stream holds all its audio streams: the chosen one is
        // taken by its id, AC-3 and LPCM by the player's number, MPEG audio from 0x1c0 on.
        job.source.video.kind = VideoInfo::DvdTitle;
        for (const auto &[aid, id] : {std::pair{129, "0x81"}, std::pair{160, "0xa0"}, std::pair{0, "0x1c0"}}) {
            job.source.audio.aid = aid;
            loaded.cliCmdTargetVcd(program, list, "/in/a.avi", "/out/v.mpg", "PAL");
            QTest::addRow("VCD of a DVD title's copy, audio %d", aid) << QStringList{program} + list
                << QString("/usr/bin/ffmpeg -i /in/a.avi -map 0:v:0 -map 0:i:%1 -vf %2 -aspect 4:3 -af aresample=async=1:min_hard_comp=0.01 -target pal-vcd -y /out/v.mpg").arg(id, fit("352x288", "4/3"));
        }
    }

    void shortCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(arguments, args(expected));
    }

    void estimatedSize_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<double>("frameRate");
        QTest::addColumn<QString>("audio");
        QTest::addColumn<double>("videoBitrate");
        QTest::addColumn<double>("audioBitrate");
        QTest::addColumn<int>("bytes");
        QTest::newRow("user, video and audio") << User << 25.0 << "mp3" << 1000.0 << 128.0 << 5640000;
        QTest::newRow("user, no audio") << User << 25.0 << "noaudio" << 1000.0 << 128.0 << 5000000;
        QTest::newRow("level 2, fractions cut") << 2 << 25.0 << "mp3" << 999.9 << 128.9 << 5635000;
        QTest::newRow("level 0") << 0 << 25.0 << "mp3" << 1000.0 << 128.0 << 0;
        QTest::newRow("no source frame rate") << User << 0.0 << "mp3" << 1000.0 << 128.0 << 0;
    }

    void estimatedSize()
    {
        QFETCH(int, level);
        QFETCH(double, frameRate);
        QFETCH(QString, audio);
        QFETCH(double, videoBitrate);
        QFETCH(double, audioBitrate);
        QFETCH(int, bytes);
        Call c = call(movie(1.5, frameRate), level, "avi", "xvid", {640, 480}, videoBitrate, audio,
                      0, audioBitrate);
        InterfaceFFmpeg builder;
        builder.init(kBinary, nullptr, &c.job, nullptr);
        QCOMPARE(builder.estimatedSize(1000), bytes);
    }

    // Long previews at high bit rates pass 2 GiB, and so does a slow source; a frame rate next
    // to nothing (read from a damaged file) makes no estimate at all.
    void estimatedSizeOfLongRuns_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<double>("frameRate");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("30000 frames at 80000 kbit/s") << 30000 << 25.0 << qint64(12019200000);
        QTest::newRow("a 0.001 fps source") << 1000 << 0.001 << qint64(10016000000000);
        QTest::newRow("a frame rate next to nothing") << 1000 << 1e-300 << qint64(0);
    }

    void estimatedSizeOfLongRuns()
    {
        QFETCH(int, frames);
        QFETCH(double, frameRate);
        QFETCH(qint64, bytes);
        Call c = call(movie(1.5, frameRate), User, "avi", "xvid", {640, 480}, 80000.0, "mp3", 0, 128.0);
        InterfaceFFmpeg builder;
        builder.init(kBinary, nullptr, &c.job, nullptr);
        QCOMPARE(builder.estimatedSize(frames), bytes);
    }
};

VEXO_TEST_CLASS(FFmpegCommandsTest)
#include "tst_ffmpegcommands.moc"
