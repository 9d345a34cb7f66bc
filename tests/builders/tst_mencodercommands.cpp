// The MEncoder command lines, row by row: a DVD title and a movie file at the user's
// settings and at the predefined levels, the details of each table, the VideoCD and
// Super VideoCD targets, the re-mux and the merge.

#include "builders/interfacemencoder.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/sourcekind.h"
#include "testregistry.h"

#include <QTest>

namespace {

// What one encode call gets: the job record, the passes and the call's arguments.
struct EncodeCall
{
    EncodingJob job;
    int passes = 1;
    int pass = 1;
    QString output = "/out/movie.avi";
    int frames = 0;
    int chapter = 0;
    int startSeconds = 0;
};

EncodingSource dvdTitle(double aspect = 16.0 / 9.0)
{
    EncodingSource source;
    source.path = "/media/DVD";
    source.kind = SourceKind::Dvd;
    source.video.kind = VideoInfo::DvdTitle;
    source.video.title = 3;
    source.video.angle = 1;
    source.video.aspect = aspect;
    source.video.frameRate = 25.0;
    source.noVideo = false;
    source.audio.streamNumber = 0;
    source.audio.aid = 128;
    source.audio.language = "en";
    source.audio.channelCount = 6;
    source.noAudio = false;
    return source; // no subtitle: id -1, no language
}

EncodingSource movieFile(const QString &path = "/media/movie.mkv", double aspect = 4.0 / 3.0)
{
    EncodingSource source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::MediaFile;
    source.video.aspect = aspect;
    source.video.frameRate = 23.976;
    source.noVideo = false;
    source.audio.streamNumber = 1;
    source.audio.aid = 1;
    source.audio.channelCount = 2;
    source.noAudio = false;
    return source;
}

void setUser(EncodingTarget &target, const QString &muxer, const QString &video, QSize size,
             double videoBitrate, const QString &audio, int rate, double audioBitrate)
{
    target.muxer = muxer;
    target.profile.level = EncoderProfile::LevelUser;
    target.video.codec = video;
    target.video.pictureSize = size;
    target.video.bitrate = videoBitrate;
    target.audio.codec = audio;
    target.audio.samplingRate = rate;
    target.audio.bitrate = audioBitrate;
}

void setLevel(EncodingTarget &target, int level, const QString &muxer, const QString &standard,
              const QString &video, QSize size, double videoBitrate, const QString &audio,
              int rate, double audioBitrate)
{
    target.muxer = muxer;
    EncoderProfile &profile = target.profile;
    profile.level = level;
    profile.muxer = muxer;
    profile.standard = standard;
    profile.videoCodec = video;
    profile.pictureSize = size;
    profile.videoBitrate = videoBitrate;
    profile.audioCodec = audio;
    profile.samplingRate = rate;
    profile.audioBitrate = audioBitrate;
}

QStringList encode(const EncodeCall &call)
{
    InterfaceMEncoder builder;
    EncodingJob job = call.job;
    builder.init("/usr/bin/mencoder", nullptr, &job, nullptr);
    builder.passes = call.passes;
    builder.pass = call.pass;
    QString program = "stale";
    QStringList arguments{"stale"};
    builder.cliCmdEncode(program, arguments, call.output, call.frames, call.chapter,
                         call.startSeconds);
    return program == "/usr/bin/mencoder" ? arguments : QStringList{"wrong program", program};
}

const QStringList kLame128 = {"-oac", "mp3lame", "-srate", "44100", "-af", "lavcresample=44100",
                              "-lameopts", "mode=0:cbr:br=128"};

} // namespace

Q_DECLARE_METATYPE(EncodeCall)

class MEncoderCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeCommand_data();
    void wholeCommand();
    void commandPart_data();
    void commandPart();
    void absentPart_data();
    void absentPart();
    void discTargets_data();
    void discTargets();
    void discTargetNeedsDvd();
    void remux_data();
    void remux();
    void merge_data();
    void merge();
};

// Complete argument lists for a DVD title and a movie file, at the user's settings and at
// levels 1 to 3.
void MEncoderCommandsTest::wholeCommand_data()
{
    QTest::addColumn<EncodeCall>("call");
    QTest::addColumn<QStringList>("expected");
    const QStringList dvd = {"-dvd-device", "/media/DVD", "dvd://3", "-aid", "128", "-nosub"};

    {
        EncodeCall call;
        call.job.source = dvdTitle();
        setUser(call.job.target, "avi", "xvid", {624, 352}, 700, "mp3", 44100, 128);
        QTest::newRow("DVD, user, Xvid in AVI")
            << call
            << dvd + QStringList{"-noskip", "-of", "avi", "-ffourcc", "XVID", "-vf",
                                 "scale=624:352,harddup", "-ovc", "xvid", "-force-avi-aspect",
                                 "1.78", "-xvidencopts", "bitrate=700:aspect=16/9:profile=dxnhdtv"}
                   + kLame128 + QStringList{"-o", "/out/movie.avi"};
    }
    {
        EncodeCall call;
        call.job.source = dvdTitle(4.0 / 3.0);
        setLevel(call.job.target, 1, "avi", "PAL", "xvid", {512, 384}, 800, "mp3", 44100, 128);
        QTest::newRow("DVD, level 1, Xvid in AVI")
            << call
            << dvd + QStringList{"-noskip", "-of", "avi", "-ffourcc", "XVID", "-vf",
                                 "scale=512:384,harddup", "-ovc", "xvid", "-force-avi-aspect",
                                 "1.33", "-xvidencopts",
                                 "bitrate=800:aspect=4/3:turbo:vhq=0:nohq_ac:notrellis:"
                                 "me_quality=4:profile=dxnhdtv"}
                   + kLame128 + QStringList{"-o", "/out/movie.avi"};
    }
    {
        EncodeCall call;
        call.job.source = dvdTitle();
        call.chapter = 2;
        call.frames = 100;
        call.output = "/out/movie.mp4";
        setLevel(call.job.target, 2, "mp4", "PAL", "x264", {640, 360}, 1000, "mp3", 44100, 128);
        QTest::newRow("DVD, level 2, H.264 in MP4, from chapter 2, 100 frames")
            << call
            << dvd + QStringList{"-chapter", "2", "-frames", "100", "-noskip", "-of", "lavf",
                                 "-lavfopts", "format=mp4", "-vf", "scale=640:360,harddup",
                                 "-ovc", "x264", "-x264encopts",
                                 "bframes=0:bitrate=1000:profile=main:preset=fast"}
                   + kLame128 + QStringList{"-o", "/out/movie.mp4"};
    }
    {
        EncodeCall call;
        call.job.source = dvdTitle();
        call.output = "/out/movie.mpg";
        setLevel(call.job.target, 3, "mpeg", "PAL", "mpeg2video", {720, 576}, 5000, "ac3_copy",
                 0, 0);
        QTest::newRow("DVD, level 3, MPEG-2 DVD with AC-3 copy")
            << call
            << dvd + QStringList{"-noskip", "-of", "mpeg", "-ofps", "25", "-mpegopts",
                                 "format=dvd", "-vf", "scale=720:576,harddup", "-ovc", "lavc",
                                 "-oac", "copy", "-lavcopts",
                                 "vcodec=mpeg2video:vbitrate=5000:vmax_b_frames=0:aspect=16/9",
                                 "-o", "/out/movie.mpg"};
    }
    {
        EncodeCall call;
        call.job.source = movieFile();
        call.startSeconds = 30;
        call.output = "/out/movie.mp4";
        setUser(call.job.target, "mp4", "x264", {1280, 720}, 2000, "mp3", 48000, 192);
        call.job.target.video.profile = "x264_high";
        call.job.target.video.preset = "slow";
        call.job.target.audio.volume = 3;
        call.job.target.extraOptions.insert("-passlogfile", "/out/s.stats");
        call.job.target.extraOptions.insert("-nocache", "");
        QTest::newRow("file, user, H.264 in MP4 with volume and extra switches")
            << call
            << QStringList{"/media/movie.mkv", "-aid", "1", "-ss", "30", "-noskip", "-nocache",
                           "-passlogfile", "/out/s.stats", "-of", "lavf", "-lavfopts",
                           "format=mp4", "-vf", "scale=1280:720,harddup", "-ovc", "x264",
                           "-x264encopts", "bitrate=2000:bframes=0:profile=high:preset=slow",
                           "-oac", "mp3lame", "-srate", "48000", "-af",
                           "volume=3,lavcresample=48000", "-lameopts", "mode=0:cbr:br=192",
                           "-o", "/out/movie.mp4"};
    }
    {
        EncodeCall call;
        call.job.source = movieFile("/media/clip.AVI");
        setLevel(call.job.target, 1, "avi", "PAL", "xvid", {640, 480}, 1200, "mp3", 44100, 128);
        QTest::newRow("AVI file, level 1, Xvid: read by libavformat, audio id recounted")
            << call
            << QStringList{"/media/clip.AVI", "-demuxer", "lavf", "-aid", "0", "-noskip", "-of",
                           "avi", "-ffourcc", "XVID", "-vf", "scale=640:480,harddup", "-ovc",
                           "xvid", "-force-avi-aspect", "1.33", "-xvidencopts",
                           "bitrate=1200:aspect=4/3:turbo:vhq=0:nohq_ac:notrellis:"
                           "me_quality=4:profile=dxnhdtv"}
                   + kLame128 + QStringList{"-o", "/out/movie.avi"};
    }
    {
        EncodeCall call;
        call.job.source = movieFile("/media/movie.mkv", 1.78);
        call.output = "/out/movie.mpg";
        setLevel(call.job.target, 2, "mpeg_vcd", "NTSC", "mpeg1video", {352, 240}, 1150,
                 "mp2_vcd", 44100, 224);
        QTest::newRow("file, level 2, VideoCD MPEG-1 letterboxed, NTSC film")
            << call
            << QStringList{"/media/movie.mkv", "-aid", "1", "-noskip", "-of", "mpeg", "-ofps",
                           "24000/1001", "-mpegopts", "format=xvcd", "-vf",
                           "scale,expand=352:::::4/3,scale=352:240,harddup", "-ovc", "lavc",
                           "-oac", "twolame", "-channels", "2", "-srate", "44100", "-af",
                           "lavcresample=44100,channels=2", "-twolameopts", "br=224",
                           "-lavcopts",
                           "vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vbitrate=1150:"
                           "vrc_minrate=1150:vrc_maxrate=1150:aspect=4/3",
                           "-o", "/out/movie.mpg"};
    }
    {
        EncodeCall call;
        call.job.source = movieFile();
        call.output = "/out/movie.3gp";
        setLevel(call.job.target, 3, "3gp", "PAL", "h263", {176, 144}, 128, "noaudio", 0, 0);
        QTest::newRow("file, level 3, H.263 in 3GP without audio")
            << call
            << QStringList{"/media/movie.mkv", "-aid", "1", "-noskip", "-of", "lavf",
                           "-lavfopts", "format=3gp", "-vf", "scale=176:144,harddup", "-ovc",
                           "lavc", "-nosound", "-lavcopts", "vcodec=h263:vqmin=8:aic:vbitrate=128",
                           "-o", "/out/movie.3gp"};
    }
    {
        EncodeCall call;
        call.job.source = movieFile();
        call.output = "/out/movie.mpg";
        setUser(call.job.target, "mpeg_vcd", "mpeg1video", {352, 288}, 1150, "mp2_vcd", 44100,
                224);
        call.job.target.video.standard = "PAL";
        QTest::newRow("file, user, VideoCD MPEG-1: encoder named twice")
            << call
            << QStringList{"/media/movie.mkv", "-aid", "1", "-noskip", "-of", "mpeg", "-ofps",
                           "25", "-mpegopts", "format=xvcd", "-vf", "scale=352:288,harddup",
                           "-ovc", "lavc", "-ovc", "lavc", "-oac", "twolame", "-channels", "2",
                           "-srate", "44100", "-af", "lavcresample=44100,channels=2",
                           "-twolameopts", "br=224", "-lavcopts",
                           "vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vbitrate=1150:"
                           "vrc_minrate=1150:vrc_maxrate=1150:aspect=4/3:vcodec=mpeg1video:"
                           "vbitrate=1150:idct=0",
                           "-o", "/out/movie.mpg"};
    }
}

void MEncoderCommandsTest::wholeCommand()
{
    QFETCH(EncodeCall, call);
    QFETCH(QStringList, expected);
    QCOMPARE(encode(call), expected);
}

// Rows whose arguments must hold the expected run of entries, in that order.
void MEncoderCommandsTest::commandPart_data()
{
    QTest::addColumn<EncodeCall>("call");
    QTest::addColumn<QStringList>("part");

    EncodeCall xvid;
    xvid.job.source = dvdTitle();
    setUser(xvid.job.target, "avi", "xvid", {624, 352}, -691600, "mp3", 44100, 128);
    xvid.passes = 2;
    QTest::newRow("two-pass Xvid, first pass")
        << xvid << QStringList{"-xvidencopts", "turbo:pass=1:bitrate=-691600:aspect=16/9:profile=dxnhdtv"};
    xvid.pass = 2;
    QTest::newRow("two-pass Xvid, second pass")
        << xvid << QStringList{"-xvidencopts", "pass=2:bitrate=-691600:aspect=16/9:profile=dxnhdtv"};
    xvid.job.target.video.profile = "dxnhtpal";
    QTest::newRow("Xvid profile text") << xvid << QStringList{"-xvidencopts", "pass=2:bitrate=-691600:aspect=16/9:profile=dxnhtpal"};

    EncodeCall level2;
    level2.job.source = dvdTitle(2.35);
    setLevel(level2.job.target, 2, "avi", "NTSC", "xvid", {320, 240}, 900, "mp3", 0, 128);
    level2.passes = 2;
    QTest::newRow("two-pass Xvid at level 2: no turbo")
        << level2 << QStringList{"-ovc", "xvid", "-xvidencopts", "pass=1:bitrate=900:autoaspect:vhq=1:nohq_ac:profile=dxnportntsc"};

    EncodeCall level3;
    level3.job.source = movieFile();
    setLevel(level3.job.target, 3, "mp4", "PAL", "xvid", {720, 576}, 1500, "mp3", 0, 128);
    QTest::newRow("Xvid level 3 in MP4")
        << level3 << QStringList{"bitrate=1500:aspect=4/3:max_bframes=1:chroma_opt:vhq=4:hq_ac:trellis:me_quality=6:profile=asp5"};
    level3.job.target.profile.level = 5;
    QTest::newRow("Xvid at level 5: no quality options")
        << level3 << QStringList{"bitrate=1500:aspect=4/3:max_bframes=1:profile=asp5"};
    level3.job.target.video.pictureSize = {1024, 768};
    level3.job.target.video.bitrate = 9999;
    QTest::newRow("level ignores the user's size and bitrate")
        << level3 << QStringList{"scale=720:576,harddup", "-ovc", "xvid", "-xvidencopts", "bitrate=1500:aspect=4/3:max_bframes=1:profile=asp5"};

    EncodeCall mov;
    mov.job.source = movieFile();
    mov.output = "/out/movie.mov";
    setLevel(mov.job.target, 2, "mov", "PAL", "x264", {640, 480}, 1000, "mp3", 0, 128);
    QTest::newRow("H.264 in QuickTime at level 2")
        << mov << QStringList{"-ofps", "25", "-of", "lavf", "-lavfopts", "format=mov", "-vf",
                              "scale=640:480,harddup", "-ovc", "x264", "-x264encopts",
                              "bframes=1:nob_adapt:no8x8dct:bitrate=1000:profile=main"};
    mov.job.target.profile.standard.clear();
    mov.job.source.video.frameRate = 29.97;
    mov.job.target.profile.muxer = "asf";
    QTest::newRow("ASF with no standard: the source rate")
        << mov << QStringList{"-ofps", "29.97", "-of", "lavf", "-lavfopts", "format=asf"};

    EncodeCall mkv;
    mkv.job.source = movieFile();
    mkv.output = "/out/movie.mkv";
    setLevel(mkv.job.target, 1, "mkv", "PAL", "x264_lr", {640, 360}, 700, "mp3", 0, 128);
    QTest::newRow("H.264 mobile in Matroska")
        << mkv << QStringList{"-of", "lavf", "-lavfopts", "format=matroska", "-vf",
                              "scale=640:360,harddup", "-ovc", "x264", "-x264encopts",
                              "bframes=0:bitrate=700:profile=main:preset=medium"};
    mkv.job.target.profile.videoCodec = "x264_divx";
    mkv.job.target.profile.pictureSize = {1920, 1080};
    QTest::newRow("DivX Plus HD options")
        << mkv << QStringList{"-x264encopts", "keyint=95:vbv_bufsize=25000:vbv_maxrate=20000:bframes=3:level_idc=40:trellis=0:nomixed_refs:no8x8dct:noweight_b:weightp=0:bitrate=700:profile=high:preset=ultrafast"};

    EncodeCall psp;
    psp.job.source = movieFile();
    setUser(psp.job.target, "psp", "x264_psp", {320, 240}, 500, "noaudio", 0, 0);
    QTest::newRow("H.264 for PSP at the user's settings")
        << psp << QStringList{"-x264encopts", "bitrate=500:level_idc=30:bframes=3:weightp=0:b_pyramid=0:no8x8dct:nocabac:cqm=flat:vbv_maxrate=2000:vbv_bufsize=2000:profile=main:preset=fast", "-nosound"};
    setUser(psp.job.target, "ipod", "x264", {320, 240}, 500, "aac", 0, 128);
    psp.passes = 2;
    psp.pass = 2;
    QTest::newRow("H.264 for iPod, second pass, AAC")
        << psp << QStringList{"-x264encopts", "bitrate=500:bframes=1:nob_adapt:no8x8dct:pass=2:profile=baseline", "-oac", "faac", "-faacopts", "br=128:raw"};

    EncodeCall m4a;
    m4a.job.source = movieFile();
    m4a.output = "C:/out/song.m4a";
    setLevel(m4a.job.target, 1, "m4a", "PAL", "novideo", {0, 0}, 0, "aac", 44100, 96);
    QTest::newRow("AAC for M4A at a level: raw first, into a step-0 AVI")
        << m4a << QStringList{"-of", "avi", "-ovc", "frameno", "-oac", "faac", "-srate", "44100", "-af", "lavcresample=44100", "-faacopts", "raw:br=96", "-o", "C:/out/song (step 0).avi"};

    EncodeCall mp3;
    mp3.job.source = movieFile();
    mp3.output = "C:/out/movie.mp3";
    setUser(mp3.job.target, "mp3", "", {0, 0}, 0, "mp3", 0, 0);
    QTest::newRow("MP3 audio only into a step-0 AVI")
        << mp3 << QStringList{"-of", "avi", "-ovc", "frameno", "-oac", "mp3lame", "-lameopts", "mode=0", "-o", "C:/out/movie (step 0).avi"};

    EncodeCall ntsc;
    ntsc.job.source = movieFile();
    ntsc.job.source.video.frameRate = 29.0;
    ntsc.output = "/out/movie.mpg";
    setUser(ntsc.job.target, "mpeg", "mpeg2video", {480, 480}, 2500, "ac3", 0, 0);
    ntsc.job.target.video.standard = "NTSC";
    ntsc.frames = 100;
    QTest::newRow("NTSC video rate, frame-limited MPEG by libavformat, key interval")
        << ntsc << QStringList{"-frames", "100", "-noskip", "-of", "lavf", "-lavfopts", "format=svcd", "-ofps", "30000/1001", "-vf", "scale=480:480,harddup", "-ovc", "lavc", "-oac", "copy", "-lavcopts", "vcodec=mpeg2video:vbitrate=2500:vmax_b_frames=0:keyint=99:aspect=4/3"};
    ntsc.job.source.video.frameRate = 25.0;
    ntsc.frames = 0;
    QTest::newRow("NTSC film rate") << ntsc << QStringList{"-of", "mpeg", "-ofps", "24000/1001", "-mpegopts", "format=xsvcd"};

    EncodeCall wide;
    wide.job.source = movieFile("/media/movie.mkv", 1.35);
    setUser(wide.job.target, "3gp", "h263", {176, 144}, 64, "noaudio", 0, 0);
    QTest::newRow("aspect 1.35 letterboxes H.263 and is no 4:3")
        << wide << QStringList{"-vf", "scale,expand=176:::::4/3,scale=176:144,harddup", "-ovc", "lavc", "-nosound", "-lavcopts", "vcodec=h263:vqmin=8:aic:vbitrate=64"};
    setUser(wide.job.target, "mp4", "mpeg4", {640, 480}, 800, "noaudio", 0, 0);
    QTest::newRow("aspect 1.35: MPEG-4 keeps its own aspect")
        << wide << QStringList{"-lavcopts", "vcodec=mpeg4:vbitrate=800:vmax_b_frames=0:autoaspect"};
    setUser(wide.job.target, "mov", "mpeg4", {640, 480}, 800, "noaudio", 0, 0);
    QTest::newRow("MPEG-4 in QuickTime")
        << wide << QStringList{"-lavcopts", "vcodec=mpeg4:vbitrate=800:keyint=300:vb_strategy=0:trell:vmax_b_frames=1:autoaspect"};

    EncodeCall pcm;
    pcm.job.source = movieFile();
    pcm.output = "/out/sound.wav";
    setUser(pcm.job.target, "wav", "novideo", {0, 0}, 0, "pcm", 0, 768);
    QTest::newRow("PCM below 1536 kbit/s is mono")
        << pcm << QStringList{"-oac", "pcm", "-af", "pan=1:0.5:0.5", "-o", "/out/sound (step 0).avi"};
    pcm.job.target.audio.bitrate = 1536;
    pcm.job.source.audio.channelCount = 6;
    pcm.job.target.audio.samplingRate = 48000;
    QTest::newRow("PCM of a six-channel source is downmixed to two")
        << pcm << QStringList{"-oac", "pcm", "-srate", "48000", "-af", "pan=2:.32:.32:.39:.06:.06:.39:.17:-.17:-.17:.17:.33:.33,lavcresample=48000"};

    EncodeCall amr;
    amr.job.source = movieFile();
    setLevel(amr.job.target, 2, "mov", "", "mpeg4", {176, 144}, 100, "amrnb", 8000, 12.2);
    QTest::newRow("AMR-NB by libavcodec, mono")
        << amr << QStringList{"-srate", "8000", "-oac", "lavc", "-af", "pan=1:0.5:0.5,lavcresample=8000", "-lavcopts", "vcodec=mpeg4:vbitrate=100:keyint=300:vb_strategy=0:trell:vmax_b_frames=1:aspect=4/3:abitrate=12:acodec=libopencore_amrnb"};
    amr.job.target.profile.audioCodec = "flac";
    QTest::newRow("FLAC has no bitrate option")
        << amr << QStringList{"-lavcopts", "vcodec=mpeg4:vbitrate=100:keyint=300:vb_strategy=0:trell:vmax_b_frames=1:aspect=4/3:acodec=flac"};

    EncodeCall copy;
    copy.job.source = movieFile();
    setUser(copy.job.target, "mov", "copy", {640, 480}, 800, "copy", 48000, 128);
    QTest::newRow("stream copies take no filters or options")
        << copy << QStringList{"-of", "lavf", "-lavfopts", "format=mov", "-ovc", "copy", "-oac", "copy", "-o"};

    EncodeCall dvd;
    dvd.job.source = dvdTitle();
    dvd.job.source.audio.aid = -1;
    dvd.job.source.audio.language = "";
    setUser(dvd.job.target, "avi", "xvid", {624, 352}, 700, "ac3", 0, 0);
    QTest::newRow("DVD without audio id or language") << dvd << QStringList{"dvd://3", "-alang", "en", "-nosub", "-noskip"};
    dvd.job.source.audio.language = "de";
    dvd.job.source.subtitle.language = "fr";
    dvd.job.source.video.angle = 2;
    QTest::newRow("DVD languages and angle") << dvd << QStringList{"dvd://3", "-alang", "de,en", "-slang", "fr,en", "-dvdangle", "2", "-noskip"};
    dvd.job.source.subtitle.language = "en";
    dvd.job.source.subtitle.sid = -1;
    QTest::newRow("DVD English subtitles") << dvd << QStringList{"-slang", "en", "-dvdangle"};
    dvd.job.source.subtitle.sid = 2;
    QTest::newRow("DVD subtitle id") << dvd << QStringList{"-sid", "2", "-dvdangle", "2"};
}

void MEncoderCommandsTest::commandPart()
{
    QFETCH(EncodeCall, call);
    QFETCH(QStringList, part);
    const QStringList arguments = encode(call);
    bool found = false;
    for (int i = 0; !found && i + part.size() <= arguments.size(); ++i)
        found = arguments.mid(i, part.size()) == part;
    QVERIFY2(found, qPrintable("missing " + part.join(' ') + "\nin " + arguments.join(' ')));
}

// Rows whose arguments must not hold an entry.
void MEncoderCommandsTest::absentPart_data()
{
    QTest::addColumn<EncodeCall>("call");
    QTest::addColumn<QString>("absent");

    EncodeCall file;
    file.job.source = movieFile();
    file.job.source.noAudio = true;
    setUser(file.job.target, "avi", "xvid", {640, 480}, 800, "noaudio", 0, 0);
    QTest::newRow("no-audio flag: no audio id") << file << "-aid";
    QTest::newRow("no audio: no null encoder") << file << "-oac";
    QTest::newRow("no subtitle stream") << file << "-sid";
    QTest::newRow("4:3 at the user's settings: no forced AVI aspect") << file << "-force-avi-aspect";
    QTest::newRow("no AVI source: no demuxer choice") << file << "-demuxer";

    EncodeCall dvd;
    dvd.job.source = dvdTitle();
    dvd.job.source.noVideo = true;
    dvd.job.source.video.angle = 2;
    setUser(dvd.job.target, "mp3", "novideo", {0, 0}, 0, "mp3", 0, 128);
    QTest::newRow("DVD without video: no angle") << dvd << "-dvdangle";
    QTest::newRow("no chapter") << dvd << "-chapter";
    QTest::newRow("DVD: no start position") << dvd << "-ss";

    EncodeCall mpeg2;
    mpeg2.job.source = dvdTitle();
    setUser(mpeg2.job.target, "avi", "mpeg2video", {480, 576}, 2500, "ac3", 0, 0);
    mpeg2.frames = 251;
    QTest::newRow("251 frames: no key interval") << mpeg2 << "keyint=250";
    mpeg2.job.target.profile.level = EncoderProfile::LevelNone;
    mpeg2.job.target.audio.codec = "ac3";
    mpeg2.job.target.audio.samplingRate = 48000;
    QTest::newRow("AC-3 copy: no resampling") << mpeg2 << "-srate";

    EncodeCall mpeg1;
    mpeg1.job.source = dvdTitle(4.0 / 3.0);
    setLevel(mpeg1.job.target, 1, "mpeg_vcd", "PAL", "mpeg1video", {352, 288}, 1150, "mp3", 0, 0);
    QTest::newRow("MPEG-1 at a level: no second encoder option") << mpeg1 << "idct=0";
    QTest::newRow("4:3 MPEG-1: no letterbox") << mpeg1 << "scale,expand=352:::::4/3,scale=352:288,harddup";
}

void MEncoderCommandsTest::absentPart()
{
    QFETCH(EncodeCall, call);
    QFETCH(QString, absent);
    const QStringList arguments = encode(call);
    QVERIFY2(!arguments.isEmpty() && !arguments.join('\n').split('\n').contains(absent)
                 && !arguments.join(':').split(':').contains(absent),
             qPrintable(arguments.join(' ')));
}

void MEncoderCommandsTest::discTargets_data()
{
    QTest::addColumn<bool>("superVideoCd");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<QStringList>("expected");

    const QStringList head = {"-ovc", "lavc", "-oac", "twolame", "-twolameopts", "br=224",
                              "-channels", "2", "-of", "mpeg", "-mpegopts"};
    const QStringList sound = {"-srate", "44100", "-af", "lavcresample=44100,channels=2"};
    const QStringList tail = {"-o", "/out/disc.mpg", "-dvd-device", "/media/DVD", "dvd://3",
                              "-aid", "128", "-nosub"};
    QTest::newRow("VCD PAL 16:9")
        << false << "PAL" << 1.78
        << head + QStringList{"format=xvcd"} + sound
               + QStringList{"-vf", "scale=352:288,harddup", "-ofps", "25", "-lavcopts",
                             "vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vrc_minrate=1152:"
                             "vbitrate=1152:vrc_maxrate=1152:aspect=16/9"}
               + tail;
    QTest::newRow("SVCD NTSC 4:3")
        << true << "NTSC" << 4.0 / 3.0
        << head + QStringList{"format=xsvcd"} + sound
               + QStringList{"-vf", "scale=480:480,harddup", "-ofps", "30000/1001", "-lavcopts",
                             "vcodec=mpeg2video:keyint=15:mbd=2:vrc_buf_size=917:vrc_minrate=600:"
                             "vbitrate=2500:vrc_maxrate=2500:aspect=4/3"}
               + tail;
    QTest::newRow("VCD, aspect exactly 1.5, standard in other case")
        << false << "pal" << 1.5
        << head + QStringList{"format=xvcd"} + sound
               + QStringList{"-vf", "scale=352:240,harddup", "-ofps", "30000/1001", "-lavcopts",
                             "vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vrc_minrate=1152:"
                             "vbitrate=1152:vrc_maxrate=1152:aspect=4/3"}
               + tail;
}

void MEncoderCommandsTest::discTargets()
{
    QFETCH(bool, superVideoCd);
    QFETCH(QString, standard);
    QFETCH(double, aspect);
    QFETCH(QStringList, expected);
    InterfaceMEncoder builder;
    EncodingJob job;
    job.source = dvdTitle(aspect);
    builder.init("/usr/bin/mencoder", nullptr, &job, nullptr);
    QString program;
    QStringList arguments;
    if (superVideoCd)
        builder.cliCmdTargetSvcd(program, arguments, "/media/DVD", "/out/disc.mpg", standard);
    else
        builder.cliCmdTargetVcd(program, arguments, "/media/DVD", "/out/disc.mpg", standard);
    QCOMPARE(program, QString("/usr/bin/mencoder"));
    QCOMPARE(arguments, expected);
}

void MEncoderCommandsTest::discTargetNeedsDvd()
{
    InterfaceMEncoder builder;
    EncodingJob job;
    job.source = movieFile();
    builder.init("/usr/bin/mencoder", nullptr, &job, nullptr);
    QString program = "stale";
    QStringList arguments{"stale"};
    builder.cliCmdTargetVcd(program, arguments, "/media/movie.mkv", "/out/disc.mpg", "PAL");
    QVERIFY(program.isEmpty());
    QVERIFY(arguments.isEmpty());
    program = "stale";
    builder.cliCmdTargetSvcd(program, arguments, "/media/movie.mkv", "/out/disc.mpg", "PAL");
    QVERIFY(program.isEmpty());
}

void MEncoderCommandsTest::remux_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QStringList>("format");
    QTest::newRow("avi") << "avi" << QStringList{"-of", "avi"};
    QTest::newRow("mpeg") << "mpeg" << QStringList{"-of", "mpeg", "-mpegopts", "interleaving2"};
    QTest::newRow("mkv") << "mkv" << QStringList{"-of", "lavf", "-lavfopts", "format=matroska"};
    QTest::newRow("mp4") << "mp4" << QStringList{"-of", "lavf", "-lavfopts", "format=mp4"};
    QTest::newRow("mov") << "mov" << QStringList{"-of", "lavf", "-lavfopts", "format=mov"};
}

void MEncoderCommandsTest::remux()
{
    QFETCH(QString, container);
    QFETCH(QStringList, format);
    InterfaceMEncoder builder;
    builder.init("/usr/bin/mencoder", nullptr, nullptr, nullptr);
    QString program;
    QStringList arguments{"stale"};
    builder.cliCmdRemux("/in/a b.avi", "/out/c.x", program, arguments, container);
    QCOMPARE(program, QString("/usr/bin/mencoder"));
    QCOMPARE(arguments, QStringList({"/in/a b.avi", "-ovc", "copy", "-oac", "copy"}) + format
                            + QStringList({"-o", "/out/c.x"}));
}

void MEncoderCommandsTest::merge_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("fourcc");
    QTest::addColumn<QStringList>("format");
    QTest::newRow("avi with FourCC") << "avi" << "XVID" << QStringList{"-of", "avi", "-ffourcc", "XVID"};
    QTest::newRow("avi without FourCC") << "avi" << "" << QStringList{"-of", "avi"};
    QTest::newRow("mpeg") << "mpeg" << "" << QStringList{"-of", "mpeg"};
    QTest::newRow("matroska") << "matroska" << "" << QStringList{"-of", "lavf", "-lavfopts", "format=matroska"};
    QTest::newRow("mkv by its muxer name") << "mkv" << "" << QStringList{"-of", "lavf", "-lavfopts", "format=matroska"};
    QTest::newRow("mp4") << "mp4" << "avc1" << QStringList{"-of", "lavf", "-lavfopts", "format=mp4"};
}

void MEncoderCommandsTest::merge()
{
    QFETCH(QString, container);
    QFETCH(QString, fourcc);
    QFETCH(QStringList, format);
    InterfaceMEncoder builder;
    builder.init("/usr/bin/mencoder", nullptr, nullptr, nullptr);
    QString program, error = "stale";
    QStringList arguments{"stale"};
    const QStringList inputs{"/in/1.avi", "/in/2.avi", "/in/3.avi"};
    QVERIFY(builder.cliCmdMerge(program, arguments, error, inputs, "/out/m.avi", container,
                                fourcc));
    QVERIFY(error.isEmpty());
    QCOMPARE(program, QString("/usr/bin/mencoder"));
    QCOMPARE(arguments, inputs + QStringList({"-ovc", "copy", "-oac", "copy"}) + format
                            + QStringList({"-o", "/out/m.avi"}));
}

VEXO_TEST_CLASS(MEncoderCommandsTest)
#include "tst_mencodercommands.moc"
