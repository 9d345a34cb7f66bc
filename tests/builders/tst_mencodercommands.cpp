// The MEncoder commands as whole lists: the encode of a DVD title and a movie file at the
// user's settings and at levels 1 to 3, passes of two-pass encodes, the VideoCD and Super
// VideoCD targets, and the merge. They run on the engine in tst_mencoderjobs.cpp and
// tst_conformance.cpp.

#include "buildertesting.h"
#include "testregistry.h"

#include "engines/mencoder.h"
#include "testmedia.h"

#include <QFile>
#include <QRegularExpression>
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
    EncodingSource source = dvdSource("/media/DVD");
    source.video.title = 3;
    source.video.aspect = aspect;
    source.audio.channelCount = 6;
    return source;
}

EncodingSource movieFile(const QString &path = "/media/movie.mkv", double aspect = 4.0 / 3.0)
{
    EncodingSource source = clipSource(path);
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
    int passes = 1, pass = 1;
};

EncodeCall call(const EncodingSource &source, int level, const QString &muxer,
                const QString &video, QSize size, double videoBitrate, const QString &audio,
                int rate, double audioBitrate, const QString &standard = QString(), int passes = 1, int pass = 1)
{
    EncodeCall call{{source, {}}, 0, 0, 0, passes, pass};
    setTarget(call.job.target, level, muxer, video, size, videoBitrate, audio, rate, audioBitrate, standard);
    return call;
}

QStringList encode(const EncodeCall &c)
{
    InterfaceMEncoder builder;
    EncodingJob data = c.job;
    builder.init(kBinary, nullptr, &data, nullptr);
    builder.passes = c.passes;
    builder.pass = c.pass;
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
    void wholeCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QStringList dvd = args("-dvd-device /media/DVD dvd://3 -ni -aid 128 -nosub");
        const QStringList lame = args("-oac mp3lame -srate 44100 -af lavcresample=44100 "
                                      "-lameopts mode=0:cbr:br=128");

        QTest::newRow("DVD, user, Xvid in AVI")
            << encode(call(dvdTitle(), User, "avi", "xvid", {624, 352}, 700, "mp3", 44100, 128))
            << dvd + args("-noskip -mc 0 -of avi -ffourcc XVID -vf scale=624:352,harddup -ovc xvid "
                          "-force-avi-aspect 1.78 -xvidencopts bitrate=700:aspect=16/9:max_bframes=0:profile=dxnhdtv")
                   + lame + args("-o /out/movie.avi");
        EncodeCall c = call(dvdTitle(), 2, "mp4", "x264", {640, 360}, 1000, "mp3", 44100, 128, "PAL");
        c.chapter = 2;
        c.frames = 100;
        QTest::newRow("DVD, level 2, H.264 in MP4, from chapter 2, 100 frames")
            << encode(c)
            << dvd + args("-chapter 2 -frames 100 -noskip -mc 0 -of lavf -lavfopts format=mp4 "
                          "-vf scale=640:360,dsize=1.77778,harddup -ovc x264 -x264encopts "
                          "bframes=0:bitrate=1000:profile=main:preset=fast")
                   + lame + args("-o /out/movie.mp4");
        // The copied sound keeps its own timing.
        QTest::newRow("DVD, level 3, MPEG-2 DVD with AC-3 copy")
            << encode(call(dvdTitle(), 3, "mpeg", "mpeg2video", {720, 576}, 5000, "ac3_copy", 0, 0,
                           "PAL"))
            << dvd + args("-noskip -mc 0 -of lavf -lavfopts format=dvd -ofps 25 -vf scale=720:576,dsize=1.77778,harddup "
                          "-ovc lavc -oac copy -lavcopts vcodec=mpeg2video:vbitrate=5000:"
                          "vmax_b_frames=0:aspect=16/9 -o /out/movie.mpg");
        // Into AVI the copy goes through libavformat's reader, which numbers the audio streams
        // among themselves and hands the first frame whole.
        QTest::newRow("DVD, user, Xvid AVI with AC-3 copy")
            << encode(call(dvdTitle(), User, "avi", "xvid", {624, 352}, 700, "ac3_copy", 0, 0))
            << args("-dvd-device /media/DVD dvd://3 -ni -demuxer lavf -aid 0 -nosub -noskip -mc 0 -of avi -ffourcc XVID "
                    "-vf scale=624:352,harddup -ovc xvid -force-avi-aspect 1.78 -xvidencopts "
                    "bitrate=700:aspect=16/9:max_bframes=0:profile=dxnhdtv -oac copy -o /out/movie.avi");
        // libavformat's reader copies the whole title's sound whatever "-frames" stops the
        // picture at: a run of some frames keeps MEncoder's DVD reader.
        c = call(dvdTitle(), User, "avi", "xvid", {624, 352}, 700, "ac3_copy", 0, 0);
        c.frames = 25;
        QTest::newRow("DVD, user, Xvid AVI with AC-3 copy, 25 frames")
            << encode(c)
            << dvd + args("-frames 25 -noskip -mc 0 -of avi -ffourcc XVID "
                          "-vf scale=624:352,harddup -ovc xvid -force-avi-aspect 1.78 -xvidencopts "
                          "bitrate=700:aspect=16/9:max_bframes=0:profile=dxnhdtv -oac copy -o /out/movie.avi");

        c = call(movieFile(), User, "mp4", "x264", {1280, 720}, 2000, "mp3", 48000, 192);
        c.startSeconds = 30;
        c.job.target.video.profile = "x264_high";
        c.job.target.video.preset = "slow";
        c.job.target.audio.volume = 3;
        c.job.target.extraOptions.insert("-passlogfile", "/out/s.stats");
        c.job.target.extraOptions.insert("-nocache", "");
        QTest::newRow("file, user, H.264 in MP4 with volume and extra switches")
            << encode(c)
            << args("/media/movie.mkv -aid 1 -nosub -ss 30 -noskip -mc 0 -nocache -passlogfile /out/s.stats -of "
                    "lavf -lavfopts format=mp4 -vf scale=960:720,dsize=1.33333,harddup -ovc x264 -x264encopts "
                    "bitrate=2000:bframes=0:profile=high:preset=slow -oac mp3lame -srate 48000 -af "
                    "volume=3,lavcresample=48000 -lameopts mode=0:cbr:br=192 -o /out/movie.mp4");
        QTest::newRow("AVI file, level 1, Xvid: read by libavformat, audio id recounted")
            << encode(call(movieFile("/media/clip.AVI"), 1, "avi", "xvid", {640, 480}, 1200, "mp3",
                           44100, 128, "PAL"))
            << args("/media/clip.AVI -demuxer lavf -aid 0 -nosub -noskip -mc 0 -of avi -ffourcc XVID -vf "
                    "scale=640:480,harddup -ovc xvid -force-avi-aspect 1.33 -xvidencopts bitrate=1200:"
                    "aspect=4/3:max_bframes=0:turbo:vhq=0:nohq_ac:notrellis:me_quality=4:profile=dxnhdtv")
                   + lame + args("-o /out/movie.avi");
        c = call(movieFile("/media/movie.mkv", 1.78), 2, "mpeg_vcd", "mpeg1video", {352, 240}, 1150,
                 "mp2_vcd", 44100, 224, "NTSC");
        QTest::newRow("file, level 2, VideoCD MPEG-1 letterboxed, NTSC film")
            << encode(c)
            << args("/media/movie.mkv -aid 1 -nosub -noskip -mc 0 -of lavf -lavfopts format=vcd -ofps 24000/1001 "
                    "-vf scale,expand=:::::4/3,scale=352:240,harddup -ovc lavc -oac twolame "
                    "-channels 2 -srate 44100 -af lavcresample=44100,channels=2 -twolameopts br=224 "
                    "-lavcopts vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vbitrate=1150:"
                    "vrc_minrate=1150:vrc_maxrate=1150:aspect=4/3 -o /out/movie.mpg");
        c = call(movieFile("/media/movie.mkv", 1.78), User, "mpeg_vcd", "mpeg1video", {352, 240}, 1150,
                 "mp2_vcd", 44100, 224, "NTSC");
        QTest::newRow("file, user, VideoCD MPEG-1: one encoder, each option once")
            << encode(c)
            << args("/media/movie.mkv -aid 1 -nosub -noskip -mc 0 -of lavf -lavfopts format=vcd -ofps 24000/1001 "
                    "-vf scale,expand=:::::4/3,scale=352:240,harddup -ovc lavc -oac twolame "
                    "-channels 2 -srate 44100 -af lavcresample=44100,channels=2 -twolameopts br=224 "
                    "-lavcopts vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vbitrate=1150:"
                    "vrc_minrate=1150:vrc_maxrate=1150:aspect=4/3:idct=0 -o /out/movie.mpg");
        QTest::newRow("file, level 3, H.263 in 3GP without audio")
            << encode(call(movieFile(), 3, "3gp", "h263", {176, 144}, 128, "noaudio", 0, 0, "PAL"))
            << args("/media/movie.mkv -aid 1 -nosub -noskip -mc 0 -of lavf -lavfopts format=3gp -vf "
                    "scale=176:144,harddup -ovc lavc -nosound -lavcopts vcodec=h263:vqmin=8:aic:"
                    "vbitrate=128 -o /out/movie.3gp");
    }

    void wholeCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        QCOMPARE(arguments, QStringList{kBinary} + expected); // the engine's path, then the list
    }

    // One switch's value where the rest of the command is pinned above: "input" is the entry
    // after the program, "(none)" stands for a switch that is missing.
    void option_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");

        const EncodingSource dvd = dvdTitle(), dvd43 = dvdTitle(4.0 / 3.0);
        // Level 2 at exactly the portable PAL size; level 3 at exactly the largest sized one.
        QTest::newRow("level 2 Xvid, AVI at 352x288")
            << encode(call(dvd, 2, "avi", "xvid", {352, 288}, 800, "mp3", 0, 128, "PAL"))
            << "-xvidencopts" << "bitrate=800:aspect=16/9:max_bframes=0:vhq=1:nohq_ac:profile=dxnportpal";
        QTest::newRow("level 2 Xvid, AVI at 352x289")
            << encode(call(dvd, 2, "avi", "xvid", {352, 289}, 800, "mp3", 0, 128, "NTSC"))
            << "-xvidencopts" << "bitrate=800:aspect=16/9:max_bframes=0:vhq=1:nohq_ac:profile=dxnhtntsc";
        QTest::newRow("level 3 Xvid, Matroska at 720x576")
            << encode(call(dvd43, 3, "mkv", "xvid", {720, 576}, 2000, "mp3", 0, 128, "PAL"))
            << "-xvidencopts"
            << "bitrate=2000:aspect=4/3:max_bframes=0:chroma_opt:vhq=4:hq_ac:trellis:me_quality=6:"
               "profile=asp5";
        QTest::newRow("level 3 Xvid, Matroska at 721x576: no size profile")
            << encode(call(dvd43, 3, "mkv", "xvid", {721, 576}, 2000, "mp3", 0, 128, "PAL"))
            << "-xvidencopts"
            << "bitrate=2000:aspect=4/3:max_bframes=0:chroma_opt:vhq=4:hq_ac:trellis:me_quality=6";

        // Two passes: only the first Xvid pass is quick; x264 names the pass in both.
        for (int pass : {1, 2}) {
            QTest::addRow("Xvid pass %d of 2", pass)
                << encode(call(movieFile(), User, "avi", "xvid", {640, 480}, 1000.4, "noaudio", 0, 0, {}, 2, pass))
                << "-xvidencopts" << QString(pass == 1 ? "turbo:pass=1" : "pass=2") + ":bitrate=1000:aspect=4/3:max_bframes=0:profile=dxnhdtv";
            QTest::addRow("x264 pass %d of 2, fractional rate", pass)
                << encode(call(movieFile(), 1, "mp4", "x264", {720, 480}, 1234.5678, "noaudio", 0, 0, "PAL", 2, pass))
                << "-x264encopts" << QString("bframes=0:pass=%1:bitrate=1235:profile=main:preset=fast").arg(pass);
        }
        QTest::newRow("level 2 Xvid pass 1 of 2: never quick")
            << encode(call(dvd, 2, "avi", "xvid", {640, 360}, 800, "noaudio", 0, 0, "PAL", 2)) << "-xvidencopts"
            << "pass=1:bitrate=800:aspect=16/9:max_bframes=0:vhq=1:nohq_ac:profile=dxnhdtv";
        QTest::newRow("lavc MPEG-4, fractional rate")
            << encode(call(movieFile(), User, "mp4", "mpeg4", {640, 480}, 999.5, "noaudio", 0, 0))
            << "-lavcopts" << "vcodec=mpeg4:vbitrate=1000:vmax_b_frames=0:aspect=4/3";

        // The output rate of NTSC: video from a 29.97 fps source, film from anything slower.
        EncodingSource ntsc = movieFile();
        ntsc.video.frameRate = 29.97;
        QTest::newRow("NTSC from 29.97 fps")
            << encode(call(ntsc, 2, "mpeg", "mpeg2video", {720, 480}, 4000, "noaudio", 0, 0, "NTSC"))
            << "-ofps" << "30000/1001";
        ntsc.video.frameRate = 29.0;
        QTest::newRow("NTSC from 29 fps")
            << encode(call(ntsc, 2, "mpeg", "mpeg2video", {720, 480}, 4000, "noaudio", 0, 0, "NTSC"))
            << "-ofps" << "30000/1001";
        ntsc.video.frameRate = 28.99;
        QTest::newRow("NTSC from 28.99 fps")
            << encode(call(ntsc, 2, "mpeg", "mpeg2video", {720, 480}, 4000, "noaudio", 0, 0, "NTSC"))
            << "-ofps" << "24000/1001";
        QTest::newRow("MPEG by libavformat's DVD muxer")
            << encode(call(ntsc, 2, "mpeg", "mpeg2video", {704, 480}, 4000, "noaudio", 0, 0, "NTSC"))
            << "-lavfopts" << "format=dvd";
        QTest::newRow("MPEG by libavformat's SVCD muxer: MPEG layer 2 at 44.1 kHz")
            << encode(call(ntsc, 2, "mpeg", "mpeg2video", {703, 480}, 4000, "mp2", 44100, 224, "NTSC"))
            << "-lavfopts" << "format=svcd";
        // A Super VideoCD takes no other sound: with any other the narrow picture is a DVD's.
        QTest::newRow("MPEG-2 at 480x576 with AC-3 copied: DVD muxer")
            << encode(call(dvdTitle(), 2, "mpeg", "mpeg2video", {480, 576}, 2520, "ac3_copy", -1, 0, "PAL"))
            << "-lavfopts" << "format=dvd";
        QTest::newRow("MPEG-2 at 480x576 with MPEG layer 2 at 48 kHz: DVD muxer")
            << encode(call(ntsc, User, "mpeg", "mpeg2video", {480, 576}, 2520, "mp2", 48000, 224, "PAL"))
            << "-lavfopts" << "format=dvd";

        // A picture a player turns is turned first (its shape is the upright one); an interlaced
        // one's fields are made whole first, or kept and flagged by MPEG-2 at its lines and rate.
        const auto shown = [](int rotation, const QString &order) {
            EncodingSource source = movieFile("/media/phone.mp4", rotation % 180 ? 9.0 / 16 : 16.0 / 9);
            source.video.frameRate = 25;
            source.video.width = rotation % 180 ? 576 : 720;
            source.video.height = rotation % 180 ? 720 : 576;
            source.facts.rotation = rotation;
            source.facts.fieldOrder = order;
            return source;
        };
        QTest::newRow("turned 90 degrees")
            << encode(call(shown(90, {}), User, "avi", "xvid", {640, 480}, 1000, "noaudio", 0, 0))
            << "-vf" << "rotate=1,scale=270:480,harddup";
        QTest::newRow("turned 180 degrees")
            << encode(call(shown(180, {}), User, "avi", "xvid", {640, 480}, 1000, "noaudio", 0, 0))
            << "-vf" << "flip,mirror,scale=640:360,harddup";
        QTest::newRow("turned 270 degrees into a 4:3 VideoCD: boxed upright")
            << encode(call(shown(270, {}), 2, "mpeg_vcd", "mpeg1video", {352, 288}, 1150, "mp2_vcd", 44100, 224, "PAL"))
            << "-vf" << "rotate=2,scale,expand=:::::4/3,scale=352:288,harddup";
        QTest::newRow("fields made whole for another size")
            << encode(call(shown(0, "tt"), User, "avi", "xvid", {640, 480}, 1000, "noaudio", 0, 0))
            << "-vf" << "yadif,scale=640:360,harddup";
        QTest::newRow("fields kept by MPEG-2 at their lines and rate")
            << encode(call(shown(0, "tt"), 2, "mpeg", "mpeg2video", {720, 576}, 6000, "noaudio", 0, 0, "PAL"))
            << "-lavcopts" << "vcodec=mpeg2video:vbitrate=6000:vmax_b_frames=0:ildct:ilme:top=1:aspect=16/9";
        QTest::newRow("fields kept bottom first")
            << encode(call(shown(0, "bb"), 2, "mpeg", "mpeg2video", {720, 576}, 6000, "noaudio", 0, 0, "PAL"))
            << "-lavcopts" << "vcodec=mpeg2video:vbitrate=6000:vmax_b_frames=0:ildct:ilme:top=0:aspect=16/9";
        // Coded in one order and shown in the other: kept in the order a player shows them.
        for (const char *order : {"tb", "bt"}) {
            SourceFacts facts;
            facts.fieldOrder = order;
            QTest::addRow("fields \"%s\" kept", order)
                << encode(call(shown(0, order), 2, "mpeg", "mpeg2video", {720, 576}, 6000, "noaudio", 0, 0, "PAL"))
                << "-lavcopts" << QStringLiteral("vcodec=mpeg2video:vbitrate=6000:vmax_b_frames=0:ildct:ilme:top=%1:aspect=16/9")
                                      .arg(facts.topFieldFirst() ? 1 : 0);
        }
        QTest::newRow("fields made whole for NTSC's rate")
            << encode(call(shown(0, "bb"), 2, "mpeg", "mpeg2video", {720, 576}, 6000, "noaudio", 0, 0, "NTSC"))
            << "-lavcopts" << "vcodec=mpeg2video:vbitrate=6000:vmax_b_frames=0:aspect=16/9";

        // A picture from 1.35 on is letterboxed on the disc's 4:3 frame.
        QTest::newRow("VideoCD from aspect 1.35")
            << encode(call(movieFile("/media/movie.mkv", 1.35), 2, "mpeg_vcd", "mpeg1video", {352, 240}, 1150,
                           "mp2_vcd", 44100, 224, "NTSC"))
            << "-vf" << "scale,expand=:::::4/3,scale=352:240,harddup";
        // Display aspect: written into every container but AVI (see the first whole command);
        // the frame of the picture's shape, within the size asked for.
        QTest::newRow("H.264 in MP4 from a 4:3 DVD title")
            << encode(call(dvd43, User, "mp4", "x264", {640, 360}, 1000, "noaudio", 0, 0))
            << "-vf" << "scale=480:360,dsize=1.33333,harddup";
        // The picture keeps its display shape: boxed by "expand" at the shape a fixed frame is
        // shown at, else in a frame of its own shape within the size asked for.
        const auto shaped = [](double aspect, const QString &muxer, const QString &codec, QSize size) {
            return encode(call(movieFile("/media/movie.mkv", aspect), User, muxer, codec, size, 800,
                               "noaudio", 0, 0, "NTSC"));
        };
        const double portrait = 9.0 / 16.0;
        QTest::newRow("VideoCD from a portrait file: pillarboxed")
            << shaped(portrait, "mpeg_vcd", "mpeg1video", {352, 240})
            << "-vf" << "scale,expand=:::::4/3,scale=352:240,harddup";
        QTest::newRow("MPEG-2 from a portrait file: pillarboxed into 4:3")
            << shaped(portrait, "mpeg", "mpeg2video", {480, 480})
            << "-vf" << "scale,expand=:::::4/3,scale=480:480,dsize=4/3,harddup";
        QTest::newRow("MPEG-2 from a portrait file: flagged 4:3")
            << shaped(portrait, "mpeg", "mpeg2video", {480, 480})
            << "-lavcopts" << "vcodec=mpeg2video:vbitrate=800:vmax_b_frames=0:aspect=4/3";
        QTest::newRow("MPEG-2 from 2.35: letterboxed into 16:9")
            << shaped(2.35, "mpeg", "mpeg2video", {720, 480})
            << "-vf" << "scale,expand=:::::16/9,scale=720:480,dsize=16/9,harddup";
        QTest::newRow("MPEG-2 from 2.35: flagged 16:9")
            << shaped(2.35, "mpeg", "mpeg2video", {720, 480})
            << "-lavcopts" << "vcodec=mpeg2video:vbitrate=800:vmax_b_frames=0:aspect=16/9";
        QTest::newRow("MPEG-2 of no known shape: the encoder's own")
            << shaped(0.0, "mpeg", "mpeg2video", {720, 480})
            << "-lavcopts" << "vcodec=mpeg2video:vbitrate=800:vmax_b_frames=0:autoaspect";
        QTest::newRow("H.263 from a portrait file: pillarboxed")
            << shaped(portrait, "3gp", "h263", {176, 144})
            << "-vf" << "scale,expand=:::::4/3,scale=176:144,harddup";
        QTest::newRow("H.264 in MP4 from a portrait file: a portrait frame")
            << shaped(portrait, "mp4", "x264", {624, 352}) << "-vf" << "scale=198:352,dsize=0.5625,harddup";
        QTest::newRow("Xvid in AVI from a portrait file: a portrait frame")
            << shaped(portrait, "avi", "xvid", {624, 352}) << "-vf" << "scale=198:352,harddup";
        QTest::newRow("Xvid in AVI from a portrait file: its own shape")
            << shaped(portrait, "avi", "xvid", {624, 352}) << "-xvidencopts"
            << "bitrate=800:autoaspect:max_bframes=0:profile=dxnhdtv";
        QTest::newRow("Theora from 2.35: as wide as asked")
            << shaped(2.35, "ogg", "theora", {1280, 720}) << "-vf" << "scale=1280:544,dsize=2.35,harddup";
        // libavformat numbers an AVI's audio streams among themselves; the player numbered
        // every stream of the file. A DVD title's it finds in the title's order of tracks
        // (copied into AVI). Each row: the player's ids of the audio streams, the chosen one.
        const struct { const char *name; QList<int> audioIds; int selected; const char *lavfId; } layouts[] = {
            {"AVI, video first, second track", {1, 2}, 2, "1"},
            {"AVI, sound before video, first track", {0, 1}, 0, "0"},
            {"AVI, sound before video, second track", {0, 1}, 1, "1"},
            {"AVI, streams unknown, video first", {}, 1, "0"},
            {"AVI, streams unknown, id 0", {}, 0, "0"},
            {"AVI without video, streams unknown, id 1", {}, 1, "1"},
            {"DVD, LPCM first, AC-3 second chosen", {0xa0, 0x80}, 0x80, "1"},
            {"DVD, AC-3 second chosen", {0x80, 0x81}, 0x81, "1"},
            {"DVD, DTS first, AC-3 second chosen", {0x88, 0x80}, 0x80, "1"},
        };
        for (const auto &layout : layouts) {
            const bool dvd = QByteArray(layout.name).startsWith("DVD");
            EncodingSource source = dvd ? dvdTitle() : movieFile("/media/clip.avi");
            for (int aid : layout.audioIds) {
                source.audio.aid = aid;
                source.audioStreams << source.audio;
            }
            source.audio.aid = layout.selected;
            if (QByteArray(layout.name).contains("without video"))
                source.video.kind = VideoInfo::AudioOnlyFile;
            QTest::newRow(layout.name) << encode(call(source, User, "avi", "xvid", {320, 240}, 600,
                                                      dvd ? "ac3_copy" : "mp3", 0, 128))
                                       << "-aid" << layout.lavfId;
        }
        // A rate no engine reported never becomes a number: the source's own is kept.
        EncodeCall unknown = call(movieFile(), User, "mov", "mpeg4", {640, 480}, 1000, "noaudio", 0, 0);
        unknown.job.source.video.frameRate = 0.0;
        QTest::newRow("QuickTime of an unknown rate") << encode(unknown) << "-ofps" << "(none)";
        unknown = call(movieFile(), User, "avi", "x264_divx", {640, 480}, 1000, "noaudio", 0, 0);
        const QString divx = "vbv_bufsize=25000:vbv_maxrate=20000:bframes=3:level_idc=40:trellis=0:"
                             "nomixed_refs:no8x8dct:noweight_b:weightp=0:profile=main:preset=ultrafast";
        QTest::newRow("DivX H.264 at 23.976 fps: a key frame every 4 s")
            << encode(unknown) << "-x264encopts" << "bitrate=1000:keyint=95:" + divx;
        unknown.job.source.video.frameRate = 0.0;
        QTest::newRow("DivX H.264 of an unknown rate: x264's own key interval")
            << encode(unknown) << "-x264encopts" << "bitrate=1000:" + divx;
        unknown = call(movieFile(), 2, "mpeg", "mpeg2video", {720, 480}, 4000, "noaudio", 0, 0, "NTSC");
        unknown.job.source.video.frameRate = 0.0;
        QTest::newRow("NTSC of an unknown rate: the video rate") << encode(unknown) << "-ofps" << "30000/1001";
        // Every picture once at the source's rate ("-noskip" is followed by "-mc"); a change of
        // rate drops or repeats pictures.
        QTest::newRow("NTSC of an unknown rate: every picture once") << encode(unknown) << "-noskip" << "-mc";
        unknown.job.source.video.frameRate = 30000.0 / 1001;
        QTest::newRow("NTSC from 29.97 fps: every picture once") << encode(unknown) << "-noskip" << "-mc";
        EncodingSource fifty = movieFile();
        fifty.video.frameRate = 50.0;
        QTest::newRow("PAL from 50 fps: every other picture")
            << encode(call(fifty, 2, "mpeg", "mpeg2video", {720, 576}, 4000, "noaudio", 0, 0, "PAL")) << "-noskip" << "(none)";
        // A device shows every second picture of a source faster than it plays, dropped by
        // MEncoder; a copied stream keeps them all.
        const struct { const char *name, *muxer, *codec; double rate; const char *ofps, *noskip; } devices[] = {
            {"iPod from 50 fps shows 25", "ipod", "x264", 50.0, "25", "(none)"},
            {"3GP from 59.94 fps shows 29.97", "3gp", "h263", 60000.0 / 1001, "29.97", "(none)"},
            {"3G2 from 25 fps keeps every picture", "3g2", "x264", 25.0, "(none)", "-mc"},
            {"iPod copy from 50 fps keeps every picture", "ipod", "copy", 50.0, "(none)", "-mc"},
            // No rate of film or television is a share of these: the device's most.
            {"iPod from 30.044 fps shows 30", "ipod", "x264", 30.044, "30", "(none)"},
            {"PSP from 40 fps shows 30", "psp", "x264", 40.0, "30", "(none)"},
            {"3GP from 120 fps shows a fourth", "3gp", "h263", 120.0, "30", "(none)"},
        };
        for (const auto &device : devices) {
            EncodingSource source = movieFile();
            source.video.frameRate = device.rate;
            const QStringList command = encode(call(source, User, device.muxer, device.codec, {320, 240}, 500, "noaudio", 0, 0));
            QTest::addRow("%s: -ofps", device.name) << command << "-ofps" << device.ofps;
            QTest::addRow("%s: -noskip", device.name) << command << "-noskip" << device.noskip;
        }
        // MPEG of no TV standard (the user's own level) at a rate MPEG codes: the source's, a
        // share of it that MPEG codes, else MPEG's fastest below it; MEncoder refuses any other.
        const struct { const char *name; double rate; const char *ofps; } mpegRates[] = {
            {"VideoCD from 25 fps keeps it", 25.0, "(none)"},
            {"VideoCD from 59.94 fps keeps it", 60000.0 / 1001, "(none)"},
            {"VideoCD from 120 fps takes every second picture", 120.0, "60"},
            {"VideoCD from 119.88 fps takes every second picture", 120000.0 / 1001, "60000/1001"},
            {"VideoCD from 30.044 fps: 30", 30.044, "30"},
            {"VideoCD read at the container's clock, 1000 fps: every twentieth picture", 1000.0, "50"},
            {"VideoCD from 15 fps: the slowest", 15.0, "24000/1001"},
            {"VideoCD of an unknown rate: the source's", 0.0, "(none)"},
        };
        for (const auto &row : mpegRates) {
            EncodingSource source = movieFile();
            source.video.frameRate = row.rate;
            QTest::newRow(row.name) << encode(call(source, User, "mpeg_vcd", "mpeg1video", {352, 240}, 1150, "mp2_vcd", 44100, 224))
                                    << "-ofps" << row.ofps;
        }
        // A variable rate at the rate of its fast stretches, which drops none of its pictures.
        EncodingSource variable = movieFile();
        variable.video.frameRate = 38.5;
        variable.facts.variableRate = true;
        variable.facts.fastRate = 60.0;
        QTest::newRow("QuickTime from a variable rate: its fast rate")
            << encode(call(variable, User, "mov", "mpeg4", {640, 480}, 1000, "noaudio", 0, 0)) << "-ofps" << "60";
        // An ASF's own reader starts the picture after the file's preroll, 3.1 s late.
        EncodingSource asf = movieFile("/media/clip.asf");
        asf.video.fileFormat = "Windows Media";
        QTest::newRow("ASF file: libavformat's reader")
            << encode(call(asf, User, "mpeg", "mpeg2video", {720, 576}, 4000, "mp2", 0, 0, "PAL")) << "-demuxer" << "lavf";
        // A program stream's sound is read on through the picture that runs ahead of it.
        EncodingSource programStream = movieFile("/media/rec.mpg");
        programStream.video.fileFormat = "MPEG-PS";
        QTest::newRow("MPEG-PS file: its whole sound")
            << encode(call(programStream, User, "mpeg", "mpeg2video", {720, 576}, 4000, "mp2", 0, 0, "PAL")) << "-ni" << "-aid";
        QTest::newRow("Matroska file: read as it comes")
            << encode(call(movieFile(), User, "mpeg", "mpeg2video", {720, 576}, 4000, "mp2", 0, 0, "PAL")) << "-ni" << "(none)";
        // A recording's transport stream is read by libavformat, which keeps its whole picture
        // and numbers its sound tracks among themselves, whatever case the format is written in.
        for (const char *format : {"MPEG-TS", "BDAV", "mpeg-ts"}) {
            EncodingSource recording = movieFile("/media/rec.ts");
            recording.video.fileFormat = format;
            for (int aid : {257, 258}) {
                recording.audio.aid = recording.audio.streamNumber = aid;
                recording.audioStreams << recording.audio;
            }
            // Its subtitle as the player's own reader names it, by its packets' id.
            recording.noSubtitle = false;
            recording.subtitle.sid = 259;
            recording.subtitle.streamNumber = 1;
            recording.subtitleStreams << recording.subtitle;
            const QStringList command
                = encode(call(recording, User, "mpeg", "mpeg2video", {720, 576}, 4000, "mp2", 0, 0, "PAL"));
            QTest::addRow("%s file: libavformat's reader", format) << command << "-demuxer" << "lavf";
            QTest::addRow("%s file: second track recounted", format) << command << "-aid" << "1";
            QTest::addRow("%s file: subtitle recounted", format) << command << "-sid" << "0";
        }
        QTest::newRow("Matroska file: MEncoder's own reader")
            << encode(call(movieFile(), User, "mpeg", "mpeg2video", {720, 576}, 4000, "mp2", 0, 0, "PAL")) << "-demuxer" << "(none)";
        QTest::newRow("QuickTime at the source's rate")
            << encode(call(movieFile(), User, "mov", "mpeg4", {640, 480}, 1000, "noaudio", 0, 0)) << "-ofps" << "23.976";
        // A bare H.264 stream, which the player's reader times by its fields (100 a second for
        // 50 frames): read at the rate of its header. A file the player times right is not told.
        EncodingSource bare = movieFile("/media/stream.h264");
        bare.video.frameRate = 50;
        bare.video.playerFrameRate = 100;
        QTest::newRow("bare H.264 read at its header's rate")
            << encode(call(bare, 2, "mpeg", "mpeg2video", {480, 576}, 2500, "noaudio", 0, 0, "PAL")) << "-fps" << "50";
        bare.video.playerFrameRate = 0;
        QTest::newRow("file timed as its header says")
            << encode(call(bare, 2, "mpeg", "mpeg2video", {480, 576}, 2500, "noaudio", 0, 0, "PAL")) << "-fps" << "(none)";
        // A faster output rate repeats pictures, stamped anew at its rate: MEncoder's repeats
        // keep the times of the pictures they copy, which the muxers keep as gaps.
        EncodingSource slow = movieFile("/media/clip.flv");
        slow.video.frameRate = 15.0;
        const struct { const char *name; double rate; const char *muxer, *codec; QSize size; const char *standard, *vf; } repeats[] = {
            {"VideoCD from 15 fps: repeats stamped at 23.976", 15.0, "mpeg_vcd", "mpeg1video", {352, 240}, "",
             "scale=352:240,harddup,fixpts=fps=24000/1001"},
            {"PAL MPEG-2 from 15 fps: repeats stamped at 25", 15.0, "mpeg", "mpeg2video", {720, 576}, "PAL",
             "scale=720:576,dsize=1.33333,harddup,fixpts=fps=25"},
            {"PAL MPEG-2 from 24.97 fps: repeats stamped at 25", 24.97, "mpeg", "mpeg2video", {720, 576}, "PAL",
             "scale=720:576,dsize=1.33333,harddup,fixpts=fps=25"},
            {"PAL MPEG-2 from 24.98 fps: the same rate", 24.98, "mpeg", "mpeg2video", {720, 576}, "PAL",
             "scale=720:576,dsize=1.33333,harddup"},
            {"PAL MPEG-2 from 50 fps: pictures dropped, none repeated", 50.0, "mpeg", "mpeg2video", {720, 576}, "PAL",
             "scale=720:576,dsize=1.33333,harddup"},
            {"NTSC MPEG-1 from 15 fps: repeats stamped at 23.976", 15.0, "mpeg", "mpeg1video", {352, 240}, "NTSC",
             "scale=352:240,harddup,fixpts=fps=24000/1001"},
            {"VideoCD of an unknown rate: nothing stamped", 0.0, "mpeg_vcd", "mpeg1video", {352, 240}, "NTSC",
             "scale=352:240,harddup"},
        };
        for (const auto &row : repeats) {
            slow.video.frameRate = row.rate;
            QTest::newRow(row.name) << encode(call(slow, User, row.muxer, row.codec, row.size, 1150, "noaudio", 0, 0, row.standard))
                                    << "-vf" << row.vf;
        }
        // Film whose pictures repeat fields is read at the rate its fields are shown at: the
        // output is told the film's own, in every container.
        EncodingSource film = dvdTitle();
        film.video.frameRate = 23.976;
        film.facts.repeatFields = true;
        film.facts.frameRate = 24000.0 / 1001;
        const struct { const char *name, *muxer, *codec, *audio, *standard, *ofps; } films[] = {
            {"film flagged to repeat fields, Xvid AVI", "avi", "xvid", "mp3", "", "24000/1001"},
            {"film flagged to repeat fields, copied into AVI", "avi", "copy", "mp3", "", "24000/1001"},
            {"film flagged to repeat fields, AC-3 by way of an AVI", "ac3", "novideo", "ac3_copy", "", "24000/1001"},
            {"film flagged to repeat fields, H.264 MP4", "mp4", "x264", "mp3", "", "24000/1001"},
            {"film flagged to repeat fields, MPEG-2 of no standard", "mpeg", "mpeg2video", "mp2", "", "24000/1001"},
            {"film flagged to repeat fields, NTSC MPEG-2", "mpeg", "mpeg2video", "mp2", "NTSC", "24000/1001"},
            {"film flagged to repeat fields, PAL MPEG-2", "mpeg", "mpeg2video", "mp2", "PAL", "25"},
        };
        for (const auto &row : films)
            QTest::newRow(row.name) << encode(call(film, User, row.muxer, row.codec, {480, 272}, 800, row.audio, 0, 0, row.standard))
                                    << "-ofps" << row.ofps;
        film.facts.repeatFields = false;
        QTest::newRow("film not flagged, Xvid AVI")
            << encode(call(film, User, "avi", "xvid", {480, 272}, 800, "mp3", 0, 0)) << "-ofps" << "(none)";
        film.facts.repeatFields = true;
        film.video.frameRate = film.facts.frameRate = 0.0;
        QTest::newRow("film flagged, of an unknown rate: its own")
            << encode(call(film, User, "avi", "xvid", {480, 272}, 800, "mp3", 0, 0)) << "-ofps" << "(none)";
        // Exactly the subtitle chosen: none stops MEncoder drawing one the file flags.
        EncodingSource subtitled = movieFile();
        subtitled.subtitle.sid = subtitled.subtitle.streamNumber = 0;
        subtitled.subtitleStreams << subtitled.subtitle;
        subtitled.noSubtitle = false;
        QTest::newRow("file, subtitle chosen") << encode(call(subtitled, User, "avi", "xvid", {320, 240}, 600, "noaudio", 0, 0))
                                               << "-sid" << "0";
        QTest::newRow("file, subtitle chosen: no -nosub")
            << encode(call(subtitled, User, "avi", "xvid", {320, 240}, 600, "noaudio", 0, 0)) << "-nosub" << "(none)";
        subtitled.noSubtitle = true;
        QTest::newRow("file, subtitle listed, none chosen")
            << encode(call(subtitled, User, "avi", "xvid", {320, 240}, 600, "noaudio", 0, 0)) << "-nosub" << "-noskip";
        QTest::newRow("file name starting with a dash")
            << encode(call(movieFile("-film.mkv"), User, "mkv", "xvid", {320, 240}, 600, "noaudio", 0, 0))
            << "input" << "./-film.mkv";
    }

    void option()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, option);
        QFETCH(QString, expected);
        if (option == "input") {
            QCOMPARE(arguments.value(1), expected);
            return;
        }
        const int at = arguments.indexOf(option);
        QCOMPARE(at < 0 ? QString("(none)") : arguments.value(at + 1), expected);
    }

    void discTargets_data()
    {
        QTest::addColumn<bool>("superVideoCd");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QString>("standard");
        QTest::addColumn<QStringList>("expected"); // empty: no program, no arguments
        QTest::addColumn<bool>("film");            // the title is film flagged to repeat fields
        QTest::addColumn<double>("rate");          // the title's, as the player read it; 0: unknown

        const QStringList dvd = args("-o /out/disc.mpg -dvd-device /media/DVD dvd://3 -ni -aid 128 -nosub");
        const QStringList sound = args("-ovc lavc -oac twolame -twolameopts br=224 -channels 2 -of lavf "
                                       "-lavfopts");
        const QStringList resample = args("-srate 44100 -af lavcresample=44100,channels=2 -vf");
        // MPEG-1 shows 16:9 more than 2 % off at the disc's sizes: the title is letterboxed.
        QTest::newRow("VCD PAL, 16:9")
            << false << int(SourceKind::Dvd) << 1.78 << "PAL"
            << sound + args("format=vcd") + resample
                   + args("scale,expand=:::::4/3,scale=352:288,harddup -ofps 25 -noskip -mc 0 -lavcopts "
                          "vcodec=mpeg1video:keyint=15:vrc_buf_size=327:vrc_minrate=1152:vbitrate=1152:"
                          "vrc_maxrate=1152:aspect=4/3")
                   + dvd << false << 25.0;
        // A PAL title on an NTSC disc: its frames are stamped anew so that repeats are encoded.
        const QStringList svcdNtsc = sound + args("format=svcd") + resample
            + args("scale=480:480,harddup,fixpts=fps=30000/1001 -ofps 30000/1001 -lavcopts "
                   "vcodec=mpeg2video:keyint=15:mbd=2:vrc_buf_size=917:vrc_minrate=600:"
                   "vbitrate=2500:vrc_maxrate=2500:aspect=4/3")
            + dvd;
        QTest::newRow("SVCD NTSC from a PAL title, 4:3")
            << true << int(SourceKind::Dvd) << 1.33 << "NTSC" << svcdNtsc << false << 25.0;
        QTest::newRow("SVCD NTSC from a title of no known shape: 4:3, not boxed")
            << true << int(SourceKind::Dvd) << 0.0 << "NTSC" << svcdNtsc << false << 25.0;
        QTest::newRow("SVCD, 'pal' is not PAL, aspect 1.5 is boxed into 4:3")
            << true << int(SourceKind::Dvd) << 1.5 << "pal"
            << QStringList(svcdNtsc).replaceInStrings(QRegularExpression("^scale=480"), "scale,expand=:::::4/3,scale=480") << false << 25.0;
        QTest::newRow("SVCD PAL, 16:9: the disc shows it")
            << true << int(SourceKind::Dvd) << 1.78 << "PAL"
            << sound + args("format=svcd") + resample
                   + args("scale=480:576,harddup -ofps 25 -noskip -mc 0 -lavcopts vcodec=mpeg2video:keyint=15:"
                          "mbd=2:vrc_buf_size=917:vrc_minrate=600:vbitrate=2500:vrc_maxrate=2500:aspect=16/9")
                   + dvd << false << 25.0;
        QTest::newRow("VCD from a media file") << false << int(SourceKind::MediaFile) << 1.33 << "PAL"
                                               << QStringList() << false << 25.0;
        // Film flagged to repeat fields stays at its own rate on an NTSC disc, every picture
        // once; on a PAL disc its pictures are repeated to 25 a second.
        const QStringList filmNtsc = sound + args("format=svcd") + resample
            + args("scale=480:480,harddup -ofps 24000/1001 -noskip -mc 0 -lavcopts vcodec=mpeg2video:keyint=15:"
                   "mbd=2:vrc_buf_size=917:vrc_minrate=600:vbitrate=2500:vrc_maxrate=2500:aspect=4/3")
            + dvd;
        QTest::newRow("SVCD NTSC of film flagged to repeat fields")
            << true << int(SourceKind::Dvd) << 1.33 << "NTSC" << filmNtsc << true << 23.976;
        QTest::newRow("SVCD PAL of film flagged to repeat fields")
            << true << int(SourceKind::Dvd) << 1.78 << "PAL"
            << sound + args("format=svcd") + resample
                   + args("scale=480:576,harddup,fixpts=fps=25 -ofps 25 -lavcopts vcodec=mpeg2video:keyint=15:"
                          "mbd=2:vrc_buf_size=917:vrc_minrate=600:vbitrate=2500:vrc_maxrate=2500:aspect=16/9")
                   + dvd << true << 23.976;
        // A title of no known rate: nothing is stamped anew, every picture is kept once.
        QTest::newRow("SVCD NTSC from a title of unknown rate")
            << true << int(SourceKind::Dvd) << 1.33 << "NTSC"
            << QStringList(filmNtsc).replaceInStrings("24000/1001", "30000/1001") << false << 0.0;
    }

    void discTargets()
    {
        QFETCH(bool, superVideoCd);
        QFETCH(int, kind);
        QFETCH(double, aspect);
        QFETCH(QString, standard);
        QFETCH(QStringList, expected);
        QFETCH(bool, film);
        QFETCH(double, rate);
        EncodingJob job;
        job.source = dvdTitle(aspect);
        job.source.kind = kind;
        job.source.video.frameRate = rate;
        if (film) {
            job.source.facts.repeatFields = true;
            job.source.facts.frameRate = 24000.0 / 1001;
        }
        InterfaceMEncoder builder;
        builder.init(kBinary, nullptr, &job, nullptr);
        QString program = "stale";
        QStringList arguments{"stale"};
        (builder.*(superVideoCd ? &InterfaceMEncoder::cliCmdTargetSvcd
                                : &InterfaceMEncoder::cliCmdTargetVcd))(
            program, arguments, "/media/DVD", "/out/disc.mpg", standard);
        QCOMPARE(arguments, expected);
        QCOMPARE(program, expected.isEmpty() ? QString() : kBinary);
    }

    // The merge as the merger asks the MEncoder engine object for it, and as the builder gives it.
    void merge_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("fourcc"); // as FFprobe's codec_tag_string gives it
        QTest::addColumn<QStringList>("expected");
        const QStringList two{"/m/a.avi", "/m/b.avi"};
        QTest::newRow("AVI with a tag") << two << "avi" << "XVID"
                                        << args("/m/a.avi /m/b.avi -ovc copy -oac copy -mc 0 -noskip -of avi "
                                                "-ffourcc XVID -o /m/out.avi");
        QTest::newRow("AVI, tag missing") << two << "avi" << "[0][0][0][0]"
                                          << args("/m/a.avi /m/b.avi -ovc copy -oac copy -mc 0 -noskip -of avi "
                                                  "-o /m/out.avi");
        QTest::newRow("AVI, tag ending in a blank") << two << "avi" << "raw "
                                                    << QStringList{"/m/a.avi", "/m/b.avi", "-ovc",
                                                                   "copy", "-oac", "copy", "-mc", "0", "-noskip", "-of", "avi",
                                                                   "-ffourcc", "raw ", "-o", "/m/out.avi"};
        QTest::newRow("AVI, no tag") << two << "avi" << ""
                                     << args("/m/a.avi /m/b.avi -ovc copy -oac copy -mc 0 -noskip -of avi "
                                             "-o /m/out.avi");
        QTest::newRow("MPEG") << two << "mpeg" << "XVID"
                              << args("/m/a.avi /m/b.avi -ovc copy -oac copy -mc 0 -noskip -of mpeg -o /m/out.avi");
        QTest::newRow("Matroska, dashed names") << QStringList{"-a.mkv", "/m/-b.mkv"} << "mkv" << ""
                                                << args("./-a.mkv /m/-b.mkv -ovc copy -oac copy -mc 0 -noskip -of "
                                                        "lavf -lavfopts format=matroska -o /m/out.avi");
    }

    void merge()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QString, container);
        QFETCH(QString, fourcc);
        QFETCH(QStringList, expected);
        MEncoder engine; // keeps the path it was started with, also when the start fails
        engine.startInterface("/missing/mencoder", QString());
        InterfaceMEncoder builder;
        builder.init(kBinary, nullptr, nullptr, nullptr);
        for (const bool byEngine : {true, false}) {
            QString program = "stale", error = "stale";
            QStringList arguments{"stale"};
            QVERIFY(byEngine ? engine.cliCmdMerge(program, arguments, error, inputs, "/m/out.avi", container, fourcc)
                             : builder.cliCmdMerge(program, arguments, error, inputs, "/m/out.avi", container, fourcc));
            QCOMPARE(QStringList{program} + arguments, QStringList{byEngine ? "/missing/mencoder" : kBinary} + expected);
            QVERIFY(error.isEmpty());
        }
    }

    // Jobs for outputs of one name, queued before either runs, write different intermediates,
    // and none overwrites a file already there.
    void intermediatesAreUnique()
    {
        const QString folder = TestMedia::folder();
        QFile existing(folder + "/tune (step 0).avi");
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        EncodeCall c = call(movieFile(), User, "mp3", "novideo", {}, 0, "mp3", 0, 128);
        QStringList outputs;
        for (int i = 0; i < 2; ++i) {
            InterfaceMEncoder builder;
            builder.init(kBinary, nullptr, &c.job, nullptr);
            QString program;
            QStringList arguments;
            builder.cliCmdEncode(program, arguments, folder + "/tune.mp3", 0, 0, 0);
            outputs << arguments.last();
        }
        QCOMPARE(outputs, QStringList({folder + "/tune (step 0) (2).avi", folder + "/tune (step 0) (3).avi"}));
    }
};

VEXO_TEST_CLASS(MEncoderCommandsTest)
#include "tst_mencodercommands.moc"
