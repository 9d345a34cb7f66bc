// The MEncoder command lines: whole lists for a DVD title and a movie file at the user's
// settings and at levels 1 to 3, the re-mux and the merge; then one row per further branch
// of the encode command's tables. The disc targets run whole in tst_mencoderjobs.cpp.

#include "mencodertestengine.h"
#include "testregistry.h"

#include <QTest>

namespace {

const QString kBinary = "/usr/bin/mencoder";
constexpr int User = EncoderProfile::LevelUser;

// The expected arguments, written as one text: none of them holds a blank.
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

// The arguments of a command built for the job; a program other than the engine's path
// comes first, as "program:<path>".
template<typename Build>
QStringList command(const EncodingJob &job, Build build)
{
    InterfaceMEncoder builder;
    EncodingJob data = job;
    builder.init(kBinary, nullptr, &data, nullptr);
    QString program = "stale";
    QStringList arguments{"stale"};
    build(builder, program, arguments);
    return program == kBinary ? arguments : QStringList{"program:" + program} + arguments;
}

QStringList encode(const EncodeCall &c)
{
    return command(c.job, [&](auto &b, auto &program, auto &arguments) {
        b.passes = c.passes;
        b.pass = c.pass;
        b.cliCmdEncode(program, arguments, c.output, c.frames, c.chapter, c.startSeconds);
    });
}

QStringList disc(bool superVideoCd, const EncodingSource &source, const QString &standard)
{
    EncodingJob job;
    job.source = source;
    return command(job, [&](auto &b, auto &program, auto &arguments) {
        if (superVideoCd)
            b.cliCmdTargetSvcd(program, arguments, source.path, "/out/disc.mpg", standard);
        else
            b.cliCmdTargetVcd(program, arguments, source.path, "/out/disc.mpg", standard);
    });
}

// The re-mux of one input, or the merge of several.
QStringList copy(const QStringList &inputs, const QString &container, const QString &fourcc = {})
{
    return command(EncodingJob(), [&](auto &b, auto &program, auto &arguments) {
        QString error = "stale";
        if (inputs.size() == 1)
            b.cliCmdRemux(inputs.first(), "/out/m.x", program, arguments, container);
        else if (!b.cliCmdMerge(program, arguments, error, inputs, "/out/m.x", container, fourcc)
                 || !error.isEmpty())
            arguments << "merge failed";
    });
}

} // namespace

class MEncoderCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeCommand_data();
    void wholeCommand();
    void commandPart_data();
    void commandPart();
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
    c.output = "/out/movie.mp4";
    QTest::newRow("DVD, level 2, H.264 in MP4, from chapter 2, 100 frames")
        << encode(c)
        << dvd + args("-chapter 2 -frames 100 -noskip -of lavf -lavfopts format=mp4 "
                      "-vf scale=640:360,harddup -ovc x264 -x264encopts "
                      "bframes=0:bitrate=1000:profile=main:preset=fast")
               + lame + args("-o /out/movie.mp4");
    c = call(dvdTitle(), 3, "mpeg", "mpeg2video", {720, 576}, 5000, "ac3_copy", 0, 0, "PAL");
    c.output = "/out/movie.mpg";
    QTest::newRow("DVD, level 3, MPEG-2 DVD with AC-3 copy")
        << encode(c)
        << dvd + args("-noskip -of mpeg -ofps 25 -mpegopts format=dvd -vf scale=720:576,harddup "
                      "-ovc lavc -oac copy -lavcopts vcodec=mpeg2video:vbitrate=5000:"
                      "vmax_b_frames=0:aspect=16/9 -o /out/movie.mpg");

    c = call(movieFile(), User, "mp4", "x264", {1280, 720}, 2000, "mp3", 48000, 192);
    c.startSeconds = 30;
    c.output = "/out/movie.mp4";
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
    c.output = "/out/movie.mpg";
    QTest::newRow("file, level 2, VideoCD MPEG-1 letterboxed, NTSC film")
        << encode(c)
        << args("/media/movie.mkv -aid 1 -noskip -of mpeg -ofps 24000/1001 -mpegopts format=xvcd "
                "-vf scale,expand=352:::::4/3,scale=352:240,harddup -ovc lavc -oac twolame "
                "-channels 2 -srate 44100 -af lavcresample=44100,channels=2 -twolameopts br=224 "
                "-lavcopts vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vbitrate=1150:"
                "vrc_minrate=1150:vrc_maxrate=1150:aspect=4/3 -o /out/movie.mpg");
    c = call(movieFile(), 3, "3gp", "h263", {176, 144}, 128, "noaudio", 0, 0, "PAL");
    c.output = "/out/movie.3gp";
    QTest::newRow("file, level 3, H.263 in 3GP without audio")
        << encode(c)
        << args("/media/movie.mkv -aid 1 -noskip -of lavf -lavfopts format=3gp -vf "
                "scale=176:144,harddup -ovc lavc -nosound -lavcopts vcodec=h263:vqmin=8:aic:"
                "vbitrate=128 -o /out/movie.3gp");
    c = call(movieFile(), User, "mpeg_vcd", "mpeg1video", {352, 288}, 1150, "mp2_vcd", 44100, 224,
             "PAL");
    c.output = "/out/movie.mpg";
    QTest::newRow("file, user, VideoCD MPEG-1: encoder named twice")
        << encode(c)
        << args("/media/movie.mkv -aid 1 -noskip -of mpeg -ofps 25 -mpegopts format=xvcd -vf "
                "scale=352:288,harddup -ovc lavc -ovc lavc -oac twolame -channels 2 -srate 44100 "
                "-af lavcresample=44100,channels=2 -twolameopts br=224 -lavcopts vcodec=mpeg1video:"
                "keyint=15:vrc_buf_size=327:vbitrate=1150:vrc_minrate=1150:vrc_maxrate=1150:"
                "aspect=4/3:vcodec=mpeg1video:vbitrate=1150:idct=0 -o /out/movie.mpg");

    QTest::newRow("disc target from a movie file: no command")
        << disc(true, movieFile(), "PAL") << QStringList{"program:"};

    const QStringList input{"/in/a b.avi"};
    const QStringList inputs{"/in/1.avi", "/in/2 b.avi", "/in/3.avi"};
    const QStringList copying = args("-ovc copy -oac copy");
    const QStringList tail = args("-o /out/m.x");
    const QStringList matroska = args("-of lavf -lavfopts format=matroska");
    QTest::newRow("re-mux to mpeg")
        << copy(input, "mpeg") << input + copying + args("-of mpeg -mpegopts interleaving2") + tail;
    QTest::newRow("merge avi with FourCC")
        << copy(inputs, "avi", "XVID") << inputs + copying + args("-of avi -ffourcc XVID") + tail;
    QTest::newRow("merge mkv by its muxer name")
        << copy(inputs, "mkv") << inputs + copying + matroska + tail;
}

void MEncoderCommandsTest::wholeCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QCOMPARE(arguments, expected);
}

// Each row: a run of arguments the command must hold in that order, or, written "!name", an
// argument or ':'-separated option it must not hold.
void MEncoderCommandsTest::commandPart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("part");

    EncodeCall c = call(dvdTitle(2.35), 2, "avi", "xvid", {320, 240}, 900, "mp3", 0, 128, "NTSC");
    c.passes = 2;
    QTest::newRow("two-pass Xvid at level 2: no turbo")
        << encode(c) << args("-ovc xvid -xvidencopts pass=1:bitrate=900:autoaspect:vhq=1:nohq_ac:"
                             "profile=dxnportntsc");
    c = call(movieFile(), User, "wav", "novideo", {0, 0}, 0, "pcm", 48000, 1536);
    c.job.source.audio.channelCount = 6;
    QTest::newRow("PCM of a six-channel source is downmixed to two")
        << encode(c) << args("-oac pcm -srate 48000 -af pan=2:.32:.32:.39:.06:.06:.39:.17:-.17:"
                             "-.17:.17:.33:.33,lavcresample=48000");
    c = call(movieFile(), User, "mpeg", "mpeg2video", {480, 480}, 2500, "ac3", 0, 0, "NTSC");
    c.job.source.video.frameRate = 29.0;
    c.frames = 100;
    QTest::newRow("NTSC video rate, frame-limited MPEG by libavformat, key interval")
        << encode(c) << args("-frames 100 -noskip -of lavf -lavfopts format=svcd -ofps 30000/1001 "
                             "-vf scale=480:480,harddup -ovc lavc -oac copy -lavcopts vcodec="
                             "mpeg2video:vbitrate=2500:vmax_b_frames=0:keyint=99:aspect=4/3");
    c.frames = 251;
    QTest::newRow("251 frames: no key interval") << encode(c) << args("!keyint=250");
    QTest::newRow("Matroska by libavformat's name for it")
        << encode(call(movieFile(), 1, "mkv", "x264_lr", {640, 360}, 700, "mp3", 0, 128, "PAL"))
        << args("-of lavf -lavfopts format=matroska");
    QTest::newRow("stream copies take no filters or options")
        << encode(call(movieFile(), User, "mov", "copy", {640, 480}, 800, "copy", 48000, 128))
        << args("-of lavf -lavfopts format=mov -ovc copy -oac copy -o");

    c = call(movieFile(), User, "avi", "xvid", {640, 480}, 800, "noaudio", 0, 0);
    c.job.source.noAudio = true;
    QTest::newRow("source without sound: no audio id") << encode(c) << args("!-aid");
    c = call(dvdTitle(), User, "avi", "xvid", {624, 352}, 700, "ac3", 0, 0);
    c.job.source.audio.aid = -1;
    c.job.source.audio.language = "";
    QTest::newRow("DVD without audio id or language")
        << encode(c) << args("dvd://3 -alang en -nosub -noskip");
    c.job.source.audio.language = "de";
    c.job.source.subtitle.language = "fr";
    c.job.source.video.angle = 2;
    QTest::newRow("DVD languages and angle")
        << encode(c) << args("dvd://3 -alang de,en -slang fr,en -dvdangle 2 -noskip");

    // A disc of a higher frame rate than the title's has its frames stamped anew, so that
    // the repeated ones are encoded; the rate is the title's, else its standard's.
    auto title = [](double frameRate, const QString &standard = QString()) {
        EncodingSource source = dvdTitle();
        source.video.frameRate = frameRate;
        source.video.standard = standard;
        return source;
    };
    QTest::newRow("SVCD NTSC from a PAL title")
        << disc(true, title(25.0), "NTSC")
        << args("-vf scale=480:480,harddup,fixpts=fps=30000/1001 -ofps 30000/1001");
    QTest::newRow("VCD PAL from a film title")
        << disc(false, title(23.976), "PAL")
        << args("-vf scale=352:288,harddup,fixpts=fps=25 -ofps 25");
    QTest::newRow("VCD NTSC from a title of unknown rate, PAL")
        << disc(false, title(0.0, "PAL"), "NTSC")
        << args("-vf scale=352:240,harddup,fixpts=fps=30000/1001 -ofps 30000/1001");
    QTest::newRow("VCD PAL from a PAL title: as it was")
        << disc(false, title(25.0), "PAL") << args("-vf scale=352:288,harddup -ofps 25");
    QTest::newRow("SVCD NTSC from an NTSC title: as it was")
        << disc(true, title(29.97), "NTSC") << args("-vf scale=480:480,harddup -ofps 30000/1001");
    QTest::newRow("SVCD PAL from an NTSC title drops frames: as it was")
        << disc(true, title(29.97), "PAL") << args("-vf scale=480:576,harddup -ofps 25");
    QTest::newRow("VCD NTSC from a title of unknown rate and standard: as it was")
        << disc(false, title(0.0), "NTSC") << args("-vf scale=352:240,harddup -ofps 30000/1001");
}

void MEncoderCommandsTest::commandPart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, part);
    const QString text = arguments.join(' ');
    QVERIFY2(!arguments.isEmpty() && !arguments.first().startsWith("program:"), qPrintable(text));
    if (part.first().startsWith('!')) {
        const QString absent = part.first().mid(1);
        QVERIFY2(!arguments.contains(absent) && !arguments.join(':').split(':').contains(absent),
                 qPrintable(text));
        return;
    }
    bool found = false;
    for (int i = 0; !found && i + part.size() <= arguments.size(); ++i)
        found = arguments.mid(i, part.size()) == part;
    QVERIFY2(found, qPrintable("missing " + part.join(' ') + "\nin " + text));
}

VEXO_TEST_CLASS(MEncoderCommandsTest)
#include "tst_mencodercommands.moc"
