// The MEncoder encode command: whole lists for a DVD title and a movie file at the user's
// settings and at levels 1 to 3. Disc targets, two passes, re-mux and merge run whole in
// tst_mencoderjobs.cpp.

#include "mencodertestengine.h"
#include "testregistry.h"

#include <QTest>

namespace {

const QString kBinary = "/usr/bin/mencoder";
constexpr int User = EncoderProfile::LevelUser;

// The expected arguments as one text (none holds a blank).
QStringList args(const char *text)
{
    return QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts);
}

EncodingSource dvdTitle(double aspect = 16.0 / 9.0)
{
    EncodingSource source = MEncoderTestEngine::dvdSource("/media/DVD");
    source.video.title = 3;
    source.video.aspect = aspect;
    source.audio.channelCount = 6;
    return source;
}

EncodingSource movieFile(const QString &path = "/media/movie.mkv", double aspect = 4.0 / 3.0)
{
    EncodingSource source = MEncoderTestEngine::clipSource(path);
    source.video.fileFormat.clear();
    source.video.aspect = aspect;
    source.video.frameRate = 23.976;
    source.audio.channelCount = 2;
    return source;
}

// What one encode call gets: the job record and the call's arguments.
struct EncodeCall
{
    EncodingJob job;
    int frames = 0, chapter = 0, startSeconds = 0;
};

EncodeCall call(const EncodingSource &source, int level, const QString &muxer,
                const QString &video, QSize size, double videoBitrate, const QString &audio,
                int rate, double audioBitrate, const QString &standard = QString())
{
    EncodeCall call;
    call.job.source = source;
    setTarget(call.job.target, level, muxer, video, size, videoBitrate, audio, rate,
              audioBitrate, standard);
    return call;
}

QStringList encode(const EncodeCall &c)
{
    InterfaceMEncoder builder;
    EncodingJob data = c.job;
    builder.init(kBinary, nullptr, &data, nullptr);
    builder.passes = builder.pass = 1;
    QString program;
    QStringList arguments{"stale"};
    const QString &muxer = c.job.target.muxer;
    const QString output = "/out/movie." + (muxer.startsWith("mpeg") ? QString("mpg") : muxer);
    builder.cliCmdEncode(program, arguments, output, c.frames, c.chapter, c.startSeconds);
    return QStringList{program} + arguments;
}

} // namespace

class MEncoderCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeCommand_data();
    void wholeCommand();
};

void MEncoderCommandsTest::wholeCommand_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected");
    const QStringList dvd = args("-dvd-device /media/DVD dvd://3 -aid 128 -nosub");
    const QStringList lame = args("-oac mp3lame -srate 44100 -af lavcresample=44100 "
                                  "-lameopts mode=0:cbr:br=128");

    QTest::newRow("DVD, user, Xvid in AVI")
        << encode(call(dvdTitle(), User, "avi", "xvid", {624, 352}, 700, "mp3", 44100, 128))
        << dvd + args("-noskip -of avi -ffourcc XVID -vf scale=624:352,harddup -ovc xvid "
                      "-force-avi-aspect 1.78 -xvidencopts bitrate=700:aspect=16/9:profile=dxnhdtv")
               + lame + args("-o /out/movie.avi");
    QTest::newRow("DVD, level 1, Xvid in AVI")
        << encode(call(dvdTitle(4.0 / 3.0), 1, "avi", "xvid", {512, 384}, 800, "mp3", 44100, 128,
                       "PAL"))
        << dvd + args("-noskip -of avi -ffourcc XVID -vf scale=512:384,harddup -ovc xvid "
                      "-force-avi-aspect 1.33 -xvidencopts bitrate=800:aspect=4/3:turbo:vhq=0:"
                      "nohq_ac:notrellis:me_quality=4:profile=dxnhdtv")
               + lame + args("-o /out/movie.avi");
    EncodeCall c = call(dvdTitle(), 2, "mp4", "x264", {640, 360}, 1000, "mp3", 44100, 128, "PAL");
    c.chapter = 2;
    c.frames = 100;
    QTest::newRow("DVD, level 2, H.264 in MP4, from chapter 2, 100 frames")
        << encode(c)
        << dvd + args("-chapter 2 -frames 100 -noskip -of lavf -lavfopts format=mp4 "
                      "-vf scale=640:360,harddup -ovc x264 -x264encopts "
                      "bframes=0:bitrate=1000:profile=main:preset=fast")
               + lame + args("-o /out/movie.mp4");
    QTest::newRow("DVD, level 3, MPEG-2 DVD with AC-3 copy")
        << encode(call(dvdTitle(), 3, "mpeg", "mpeg2video", {720, 576}, 5000, "ac3_copy", 0, 0,
                       "PAL"))
        << dvd + args("-noskip -of mpeg -ofps 25 -mpegopts format=dvd -vf scale=720:576,harddup "
                      "-ovc lavc -oac copy -lavcopts vcodec=mpeg2video:vbitrate=5000:"
                      "vmax_b_frames=0:aspect=16/9 -o /out/movie.mpg");

    c = call(movieFile(), User, "mp4", "x264", {1280, 720}, 2000, "mp3", 48000, 192);
    c.startSeconds = 30;
    c.job.target.video.profile = "x264_high";
    c.job.target.video.preset = "slow";
    c.job.target.audio.volume = 3;
    c.job.target.extraOptions.insert("-passlogfile", "/out/s.stats");
    c.job.target.extraOptions.insert("-nocache", "");
    QTest::newRow("file, user, H.264 in MP4 with volume and extra switches")
        << encode(c)
        << args("/media/movie.mkv -aid 1 -ss 30 -noskip -nocache -passlogfile /out/s.stats -of "
                "lavf -lavfopts format=mp4 -vf scale=1280:720,harddup -ovc x264 -x264encopts "
                "bitrate=2000:bframes=0:profile=high:preset=slow -oac mp3lame -srate 48000 -af "
                "volume=3,lavcresample=48000 -lameopts mode=0:cbr:br=192 -o /out/movie.mp4");
    QTest::newRow("AVI file, level 1, Xvid: read by libavformat, audio id recounted")
        << encode(call(movieFile("/media/clip.AVI"), 1, "avi", "xvid", {640, 480}, 1200, "mp3",
                       44100, 128, "PAL"))
        << args("/media/clip.AVI -demuxer lavf -aid 0 -noskip -of avi -ffourcc XVID -vf "
                "scale=640:480,harddup -ovc xvid -force-avi-aspect 1.33 -xvidencopts bitrate=1200:"
                "aspect=4/3:turbo:vhq=0:nohq_ac:notrellis:me_quality=4:profile=dxnhdtv")
               + lame + args("-o /out/movie.avi");
    c = call(movieFile("/media/movie.mkv", 1.78), 2, "mpeg_vcd", "mpeg1video", {352, 240}, 1150,
             "mp2_vcd", 44100, 224, "NTSC");
    QTest::newRow("file, level 2, VideoCD MPEG-1 letterboxed, NTSC film")
        << encode(c)
        << args("/media/movie.mkv -aid 1 -noskip -of mpeg -ofps 24000/1001 -mpegopts format=xvcd "
                "-vf scale,expand=352:::::4/3,scale=352:240,harddup -ovc lavc -oac twolame "
                "-channels 2 -srate 44100 -af lavcresample=44100,channels=2 -twolameopts br=224 "
                "-lavcopts vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vbitrate=1150:"
                "vrc_minrate=1150:vrc_maxrate=1150:aspect=4/3 -o /out/movie.mpg");
    QTest::newRow("file, level 3, H.263 in 3GP without audio")
        << encode(call(movieFile(), 3, "3gp", "h263", {176, 144}, 128, "noaudio", 0, 0, "PAL"))
        << args("/media/movie.mkv -aid 1 -noskip -of lavf -lavfopts format=3gp -vf "
                "scale=176:144,harddup -ovc lavc -nosound -lavcopts vcodec=h263:vqmin=8:aic:"
                "vbitrate=128 -o /out/movie.3gp");
}

void MEncoderCommandsTest::wholeCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QCOMPARE(arguments, QStringList{kBinary} + expected); // the engine's path, then the list
}

VEXO_TEST_CLASS(MEncoderCommandsTest)
#include "tst_mencodercommands.moc"
