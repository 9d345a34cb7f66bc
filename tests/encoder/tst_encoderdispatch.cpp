// Which engine the encoder picks, the commands it asks the builders for, the roads to a
// target that the preferred engine cannot write, the source's TV standard and the profile
// summary. The fixed targets run whole in the table of every target (tst_encodertargets).

#include "encodertesting.h"
#include "encoder/records/enginetype.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <limits>

class EncoderDispatchTest : public QObject
{
    Q_OBJECT

private slots:
    void preferredEngine_data()
    {
        addColumns<int, int, QString, bool, QString, int>({"kind", "videoKind", "codec", "noVideo", "muxer", "engine"});
        const int file = SourceKind::MediaFile, dvd = SourceKind::Dvd;
        const int movie = VideoInfo::MediaFile, audioOnly = VideoInfo::AudioOnlyFile;
        QTest::newRow("dvd to mkv") << dvd << int(VideoInfo::DvdTitle) << "mpeg2video" << false << "mkv" << 1;
        QTest::newRow("dvd x264_divx") << dvd << int(VideoInfo::DvdTitle) << "x264_divx" << false << "mp4" << 1;
        QTest::newRow("x264_divx to mpeg") << file << movie << "x264_divx" << false << "mpeg" << 2;
        QTest::newRow("audio-only to mpeg") << file << audioOnly << "" << true << "mpeg" << 2;
        QTest::newRow("mpeg1video to mkv") << file << movie << "mpeg1video" << false << "mkv" << 1;
        QTest::newRow("movie to mpegts") << file << movie << "mpeg4" << false << "mpegts" << 1;
        QTest::newRow("no video to mpegts") << file << movie << "mpeg4" << true << "mpegts" << 2;
        QTest::newRow("movie to mpeg_vcd") << file << movie << "h264" << false << "mpeg_vcd" << 1;
        QTest::newRow("movie to mkv") << file << movie << "h264" << false << "mkv" << 2;
        QTest::newRow("unset to mpegts") << 0 << movie << "mpeg1video" << false << "mpegts" << 2;
    }

    void preferredEngine()
    {
        QFETCH(int, kind);
        QFETCH(int, videoKind);
        ConsoleEncoder e;
        VideoInfo video;
        video.kind = videoKind;
        video.videoFormat = fetched<QString>("codec");
        e->setSourceStreams(video, fetched<bool>("noVideo"),
                            AudioInfo(), false, SubtitleInfo(), true);
        e->setSource("source", kind);
        e->setTargetMuxer(fetched<QString>("muxer"));
        QTEST(e->preferredEngine(), "engine");
    }

    void encodeTakesPreferredOrForcedEngine()
    {
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        setDvdSource(e.encoder, "/dvd");
        e->setTargetMuxer("avi");
        e->setVideoCodec("xvid");
        QCOMPARE(e->jobData(EngineType::MEncoder)->target.video.codec, QString("xvid"));
        QString program = "before";
        QStringList arguments{"before"};
        int type = EngineType::FFmpeg;
        e->cliCmdEncode(type, program, arguments, "/out/movie.avi", 0, 0, 0, false);
        QCOMPARE(type, int(EngineType::MEncoder));
        QCOMPARE(program, QString("mencoder"));
        QVERIFY(arguments.contains("dvd://1"));
        QCOMPARE(e->jobData(EngineType::MEncoder)->source.path, QString("/dvd")); // copied in
        // A later change of the source reaches the next command.
        e->setSource("/other-dvd", SourceKind::Dvd);
        type = 1;
        e->cliCmdEncode(type, program, arguments, "/out/movie.avi", 0, 0, 0, true);
        QVERIFY(arguments.contains("/other-dvd"));
        // A DVD title gets its aspect, unless the command has one already.
        e->source().video.aspect = 16.0 / 9.0;
        e->cliCmdEncode(type, program, arguments, "/out/movie.avi", 0, 0, 0, true);
        QCOMPARE(arguments.mid(0, 2), QStringList({"-aspect", "1.77778"}));
        e->jobData(EngineType::MEncoder)->target.extraOptions.insert("-aspect", "2.35");
        e->cliCmdEncode(type, program, arguments, "/out/movie.avi", 0, 0, 0, true);
        QCOMPARE(arguments.count("-aspect"), 1);
        QVERIFY(arguments.join(' ').contains("-aspect 2.35"));
        e->jobData(EngineType::MEncoder)->target.extraOptions.clear();
        // Forced to an engine that is not there: refused, the command left alone.
        type = 7;
        e->cliCmdEncode(type, program, arguments, "/out/movie.avi", 0, 0, 0, true);
        QCOMPARE(type, 7);
        QVERIFY(arguments.contains("/other-dvd"));
        QVERIFY(e.errText().contains("encoder interface (type 7) doesn't support encoding"));
        QCOMPARE(e->estimateSize(EngineType::MEncoder, 1000), 0);
        // FFmpeg's estimate: 1000 frames at 25 fps, 1000 + 128 kbit/s.
        QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
        setClipSource(e.encoder, "clip.avi");
        EncodingJob &job = *e->jobData(EngineType::FFmpeg);
        job.source = e->source();
        job.target.profile.level = EncoderProfile::LevelUser;
        job.target.video.codec = "mpeg4";
        job.target.video.bitrate = 1000;
        job.target.audio.codec = "mp3";
        job.target.audio.bitrate = 128;
        QCOMPARE(e->estimateSize(EngineType::FFmpeg, 1000), 5640000);
        QCOMPARE(e->estimateSize(3, 1000), 0);
    }

    void xvidPictureSize_data()
    {
        addColumns<double, QSize>({"aspect", "size"});
        QTest::newRow("16:9") << 1.78 << QSize(624, 352);
        QTest::newRow("just within") << 1.4299 << QSize(512, 384);
        QTest::newRow("just outside") << 1.4301 << QSize(624, 352);
        QTest::newRow("below") << 1.2301 << QSize(512, 384);
        QTest::newRow("unknown") << qQNaN() << QSize(624, 352);
    }

    void xvidPictureSize()
    {
        QFETCH(double, aspect);
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        e->setSource("current.avi", SourceKind::MediaFile);
        EncodingSource given;
        given.path = "given.avi";
        given.kind = SourceKind::MediaFile;
        given.noVideo = given.noAudio = false;
        given.video.aspect = aspect;
        given.video.frameRate = 25;
        e->setTargetMuxer("avi");
        e->setTarget("/out", "movie");
        EncodingJob &job = *e->jobData(EngineType::MEncoder);
        job.target.audio.volume = 5;
        job.target.subtitleCodec = "xsub";
        QString program;
        QStringList arguments;
        e->cliCmdTargetXvid(EngineType::MEncoder, program, arguments, given);
        QTEST(job.target.video.pictureSize, "size");
        QCOMPARE(job.source.path, QString("given.avi"));
        QCOMPARE(QString("%1 %2 %3 %4 %5 %6 %7 %8").arg(job.target.muxer, job.target.video.codec, job.target.audio.codec)
                     .arg(job.target.video.bitrate).arg(job.target.audio.volume).arg(job.target.subtitleCodec)
                     .arg(job.target.audio.samplingRate).arg(job.target.audio.bitrate),
                 QString("avi xvid mp3 700 0  44100 128"));
        QCOMPARE(arguments.last(), QString("/out/movie.avi"));
    }

    void discStandard_data()
    {
        addColumns<QString, QString, double>({"given", "sourceStandard", "rate"});
        QTest::addColumn<QString>("scale"); // the picture the builder makes of the standard
        QTest::newRow("given PAL") << "PAL" << "NTSC" << 29.97 << "scale=352:288";
        QTest::newRow("source NTSC") << "" << "NTSC" << 25.0 << "scale=352:240";
        QTest::newRow("25 fps") << "" << "" << 25.0 << "scale=352:288";
        QTest::newRow("50 fps") << "" << "" << 50.0 << "scale=352:288";
        QTest::newRow("25.001 fps") << "" << "" << 25.001 << "scale=352:240";
        QTest::newRow("23.976 fps") << "" << "" << 23.976 << "scale=352:240";
    }

    void discStandard()
    {
        QFETCH(QString, given);
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        setDvdSource(e.encoder, "/dvd");
        e->source().video.standard = fetched<QString>("sourceStandard");
        e->source().video.frameRate = fetched<double>("rate");
        QString program;
        QStringList arguments;
        e->cliCmdTargetVcd(EngineType::MEncoder, program, arguments, "/dvd", "/out/vcd.mpg", given);
        // The scale to the frame, after any that boxes the title's picture.
        static const QRegularExpression frameScale("(?:^|,)(scale=\\d+:\\d+)");
        QCOMPARE(frameScale.match(arguments.filter("scale").value(0)).captured(1), fetched<QString>("scale"));
        e->cliCmdTargetSvcd(EngineType::MEncoder, program, arguments, "/dvd", "/out/svcd.mpg", given);
        QVERIFY(arguments.contains("format=svcd"));
        QCOMPARE(e->jobData(EngineType::MEncoder)->source.video.frameRate, e->source().video.frameRate);
    }

    void unsupportedTargetsAreReported()
    {
        ConsoleEncoder e;
        QString program = "kept";
        QStringList arguments{"kept"};
        e->cliCmdTargetXvid(EngineType::FFmpeg, program, arguments, EncodingSource());
        e->cliCmdTargetXvid(3, program, arguments, EncodingSource());
        e->cliCmdTargetVcd(3, program, arguments, "in", "out", "PAL");
        e->cliCmdTargetSvcd(0, program, arguments, "in", "out", "PAL");
        e->cliCmdAspectCorrection(EngineType::MEncoder, program, arguments, "in", "out", 1.78);
        e->cliCmdExtractAudio(EngineType::MEncoder, program, arguments, "in", "out");
        QCOMPARE(e.errText().split('\n'),
                 QStringList({"FFmpeg encoder interface doesn't support Xvid target",
                              "encoder interface (type 3) doesn't support Xvid target",
                              "encoder interface (type 3) doesn't support VCD target",
                              "encoder interface (type 0) doesn't support SVCD target",
                              "encoder interface (type 1) doesn't support aspect ratio correction",
                              "encoder interface (type 1) doesn't support MP3 from AVI extraction"}));
        QCOMPARE(program + arguments.join(""), QString("keptkept"));
    }

    void tvStandard_data()
    {
        addColumns<QString, double, QString>({"standard", "rate", "result"});
        QTest::newRow("own text") << "SECAM" << 25.0 << "SECAM";
        const QList<QPair<double, QString>> rates{
            {25.0, "PAL"}, {24.995, ""}, {24.9951, "PAL"}, {25.005, ""}, {50.0, "PAL"},
            {23.976, "NTSC"}, {24.0, "NTSC"}, {29.97, "NTSC"}, {30.0, "NTSC"}, {60.0, "NTSC"},
            {59.995, ""}, {0.0, ""}, {15.0, ""}};
        for (const auto &[rate, result] : rates)
            QTest::newRow(qPrintable(QString::number(rate, 'g', 7))) << "" << rate << result;
    }

    void tvStandard()
    {
        ConsoleEncoder e;
        VideoInfo video;
        video.standard = fetched<QString>("standard");
        video.frameRate = fetched<double>("rate");
        e->setSourceStreams(video, false, AudioInfo(), false, SubtitleInfo(), true);
        QTEST(e->tvStandard(), "result");
    }

    void profileSummary_data()
    {
        addColumns<QString, QString, int, double, int>({"video", "audio", "rate", "bitrate", "level"});
        QTest::addColumn<QString>("channels"); // the source's channel text, or a count
        QTest::addColumn<QString>("summary");
        QTest::newRow("video and audio") << "x264" << "mp3" << 44100 << 128.0 << 1 << "2" << "H.264 video 640x480 1000 kbps,  MP3 audio 44.1 kHz 128 kbps";
        QTest::newRow("lossless") << "xvid" << "flac" << 48000 << 0.0 << 4 << "2" << "Xvid video 640x480 1000 kbps,  Free Lossless Audio 48 kHz";
        QTest::newRow("vbr") << "mpeg4" << "vorbis" << 22050 << 0.0 << 2 << "2" << "MPEG-4 video 640x480 1000 kbps,  Vorbis audio 22.05 kHz VBR";
        QTest::newRow("copy by rate") << "x264" << "ac3" << -1 << 128.0 << 5 << "6" << "H.264 video 640x480 1000 kbps,  AC3 5.1 audio (copy) 48 kHz 448 kbps";
        QTest::newRow("ac3_copy") << "x264" << "ac3_copy" << 44100 << 128.0 << 4 << "stereo" << "H.264 video 640x480 1000 kbps,  AC3 stereo audio (copy) 48 kHz 448 kbps";
        QTest::newRow("no audio") << "x264" << "noaudio" << 44100 << 128.0 << 1 << "2" << "H.264 video 640x480 1000 kbps";
        QTest::newRow("audio copy only") << "novideo" << "ac3_copy" << 44100 << 128.0 << 1 << "1" << "AC3 mono audio (copy) 48 kHz 448 kbps";
        QTest::newRow("audio only") << "novideo" << "mp3" << 44100 << 192.0 << 1 << "2" << "MP3 audio 44.1 kHz 192 kbps";
        QTest::newRow("audio only lossless") << "" << "flac" << 96000 << 0.0 << 4 << "2" << "Free Lossless Audio 96 kHz";
        QTest::newRow("level 5") << "novideo" << "ac3" << 44100 << 128.0 << 5 << "8" << "AC3 7.1 audio 48 kHz 448 kbps";
        QTest::newRow("level 5, 4 channels") << "novideo" << "dts" << 44100 << 128.0 << 5 << "4" << "DTS 4 ch. audio 48 kHz 448 kbps";
        QTest::newRow("level 5, no channels") << "novideo" << "ac3" << 44100 << 128.0 << 5 << "0" << "AC3  audio 48 kHz 448 kbps";
    }

    void profileSummary()
    {
        QFETCH(QString, channels);
        ConsoleEncoder e;
        AudioInfo source;
        bool count = false;
        source.channelCount = channels.toInt(&count);
        if (!count)
            source.channels = channels;
        source.samplingRate = 48000;
        source.bitrate = 448;
        e->setSourceStreams(VideoInfo(), false, source, false, SubtitleInfo(), true);
        EncoderProfile profile;
        profile.videoCodec = fetched<QString>("video");
        profile.audioCodec = fetched<QString>("audio");
        profile.samplingRate = fetched<int>("rate");
        profile.audioBitrate = fetched<double>("bitrate");
        profile.level = fetched<int>("level");
        profile.pictureSize = QSize(640, 480);
        profile.videoBitrate = 1000;
        QTEST(e->profileSummary(profile), "summary");
    }

    // Which engines give a target: the preferred one, the other one for a file, the player's
    // copy of a DVD title's stream then FFmpeg, or none with the reason.
    void encodingRoads_data()
    {
        addColumns<bool, QString, QString, QString, QString>({"dvd", "muxer", "video", "audio", "road"});
        QTest::addColumn<QString>("reason"); // a part of the refusal
        QTest::addColumn<int>("sid");        // the chosen subtitle, -1 for none
        QTest::addColumn<bool>("turns");     // the picture's shape changes partway
        QTest::newRow("dvd avi") << true << "avi" << "xvid" << "mp3" << "MEncoder" << "" << -1 << false;
        QTest::newRow("dvd mp4 aac") << true << "mp4" << "x264" << "aac" << "MPlayer FFmpeg" << "" << -1 << false;
        QTest::newRow("dvd avi aac") << true << "avi" << "xvid" << "aac_lr" << "MPlayer FFmpeg" << "" << -1 << false;
        QTest::newRow("dvd psp") << true << "psp" << "x264_psp" << "aac" << "MPlayer FFmpeg" << "" << -1 << false;
        QTest::newRow("dvd psp silent") << true << "psp" << "x264_psp" << "noaudio" << "MPlayer FFmpeg" << "" << -1 << false;
        QTest::newRow("dvd ac3 audio") << true << "ac3" << "novideo" << "ac3" << "MPlayer FFmpeg" << "" << -1 << false;
        QTest::newRow("dvd amr") << true << "3gp" << "mpeg4" << "amrnb" << "" << "FFmpeg after a copy of the DVD title" << -1 << false;
        QTest::newRow("dvd nowhere") << true << "rm" << "rv20" << "noaudio" << "" << "MEncoder does not write rm files" << -1 << false;
        QTest::newRow("dvd mpeg pcm") << true << "mpeg" << "mpeg2video" << "pcm" << "MPlayer FFmpeg" << "" << -1 << false;
        QTest::newRow("dvd mp4 aac, second subtitle") << true << "mp4" << "x264" << "aac" << "MPlayer FFmpeg" << "" << 1 << false;
        QTest::newRow("dvd avi, subtitle") << true << "avi" << "xvid" << "mp3" << "MEncoder" << "" << 0 << false;
        QTest::newRow("file mkv") << false << "mkv" << "x264" << "ac3" << "FFmpeg" << "" << -1 << false;
        QTest::newRow("file mpeg pcm") << false << "mpeg" << "mpeg2video" << "pcm" << "FFmpeg" << "" << -1 << false;
        QTest::newRow("file mpeg mp2") << false << "mpeg" << "mpeg2video" << "mp2" << "MEncoder" << "" << -1 << false;
        QTest::newRow("file nowhere") << false << "flv" << "mpeg4" << "mp3_flv" << "" << "FFmpeg does not write mpeg4 video into flv files; MEncoder:" << -1 << false;
        QTest::newRow("file nowhere, MEncoder's own reason") << false << "mkv" << "x264" << "aac_flv" << ""
                                                             << "; MEncoder: MEncoder crashes when it closes a Matroska file" << -1 << false;
        // MEncoder shows every picture at the first one's shape.
        QTest::newRow("dvd avi, its shape changing") << true << "avi" << "xvid" << "mp3" << "MPlayer FFmpeg" << "" << -1 << true;
        QTest::newRow("file mpeg mp2, its shape changing") << false << "mpeg" << "mpeg2video" << "mp2" << "FFmpeg" << "" << -1 << true;
    }

    void encodingRoads()
    {
        QFETCH(bool, dvd);
        QFETCH(QString, muxer);
        QFETCH(QString, reason);
        QFETCH(int, sid);
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
        if (dvd)
            setDvdSource(e.encoder, "/media/dvd");
        else
            setClipSource(e.encoder, "/media/clip.avi");
        if (sid >= 0) {
            e->source().subtitle.sid = e->source().subtitle.streamNumber = sid;
            e->source().noSubtitle = false;
        }
        if (fetched<bool>("turns"))
            e->source().facts.shapes = {4.0 / 3, 16.0 / 9};
        e->setTargetMuxer(muxer);
        EncodingTarget &target = e->jobData(e->preferredEngine())->target;
        target.muxer = muxer;
        target.profile.level = EncoderProfile::LevelUser;
        target.video.codec = fetched<QString>("video");
        target.video.pictureSize = QSize(320, 240);
        target.audio.codec = fetched<QString>("audio");
        QString refusal = "stale";
        // A trial that starts at chapter 3, 30 s in.
        const QList<EncodingStep> steps = e->cliCmdEncodeSteps("/out/movie.x", 0, 3, 30, refusal);
        QStringList road;
        for (const EncodingStep &step : steps)
            road << Encoder::engineName(step.type);
        QTEST(road.join(' '), "road");
        QVERIFY2(reason.isEmpty() ? refusal.isEmpty() : refusal.contains(reason), qPrintable(refusal));
        QCOMPARE(e.errText().contains(reason.isEmpty() ? "\x01" : reason), !reason.isEmpty());
        if (steps.size() == 2) {
            // The player copies the title's stream beside the output, from the trial's
            // chapter to that chapter's end; FFmpeg encodes that copy, and takes the chosen
            // audio stream from it by its id.
            QCOMPARE(steps[0].output, QString("/out/movie (step 0).mpg"));
            QCOMPARE(steps[0].program, QString("mplayer")); // beside MEncoder: no player was set
            QCOMPARE(steps[0].arguments, QStringList({"-noconfig", "all", "-dvd-device", "/media/dvd", "dvd://1",
                                                      "-chapter", "3-3", "-dumpstream", "-dumpfile", steps[0].output}));
            // A subtitle is found wherever in the copy it first shows: FFmpeg reads the whole
            // copy for its streams, then from its start; a trial's short copy may hold none
            // of the subtitle's pictures, and its encode lays none over the picture.
            const QString whole = QString::number(std::numeric_limits<qint64>::max());
            const QStringList reading = sid < 0 ? QStringList() : QStringList{"-fflags", "nobuffer", "-probesize", whole,
                                                                              "-analyzeduration", whole, "-ss", "0"};
            const QStringList start = QStringList("-y") + reading + QStringList({"-i", steps[0].output});
            QCOMPARE(steps[1].arguments.mid(0, start.size()), start);
            QCOMPARE(steps[1].arguments.join(' ').contains(QString("[0:v:0][0:i:0x%1]overlay").arg(0x20 + sid, 0, 16)), sid >= 0);
            QCOMPARE(steps[1].trialArguments.isEmpty(), sid < 0);
            if (sid >= 0) {
                QCOMPARE(steps[1].trialArguments.mid(0, 3), QStringList({"-y", "-i", steps[0].output}));
                QVERIFY(!steps[1].trialArguments.join(' ').contains("overlay"));
                QCOMPARE(steps[1].trialArguments.last(), steps[1].arguments.last());
            }
            const qsizetype audioMap = steps[1].arguments.lastIndexOf("-map") + 1;
            QCOMPARE(steps[1].arguments.value(audioMap), QString(fetched<QString>("audio") == "noaudio" ? "0:v:0" : "0:i:0x80"));
            QCOMPARE(steps[1].arguments.last(), QString("/out/movie.x"));
            // What is encoded from the copy is laid out on a constant clock; a copy is not.
            const QString encode = steps[1].arguments.join(' ');
            // FFmpeg keeps only the last "-af": a filter the command has is kept in the one.
            const qsizetype filter = steps[1].arguments.indexOf("-af");
            QCOMPARE(filter > 0 && steps[1].arguments.at(filter + 1).startsWith("aresample=async=1:first_pts=0"),
                     encode.contains("-acodec") && !encode.contains("-acodec copy"));
            QVERIFY2(steps[1].arguments.count("-af") <= 1, qPrintable(encode));
            // PCM sound for an MPEG muxer is cut into frames its buffer takes once laid out.
            if (fetched<QString>("audio") == "pcm" && muxer == "mpeg")
                QCOMPARE(steps[1].arguments.at(filter + 1), QString("aresample=async=1:first_pts=0,aresample=async=1:min_hard_comp=0.01,asetnsamples=n=80:p=0"));
            QCOMPARE(encode.contains("-fps_mode cfr"), !encode.contains("-vcodec copy") && encode.contains("-vcodec"));
            QVERIFY(steps[1].arguments.count("-fps_mode") <= 1); // AVI's own is not repeated
            // The encode reads the whole copy.
            QCOMPARE(steps[1].arguments.count("-ss"), sid < 0 ? 0 : 1);
        } else if (steps.size() == 1) {
            QCOMPARE(steps[0].output, QString("/out/movie.x"));
            QVERIFY(steps[0].arguments.contains(dvd ? "/media/dvd" : "/media/clip.avi"));
        }
    }

    // The player that copies a DVD title's stream: the panel's, else MPlayer beside MEncoder.
    // The two-step road is offered only while that player can run.
    void playerOfTheDvdCopy_data()
    {
        addColumns<QString, QString, QString, bool>({"mencoder", "player", "program", "road"});
        QTest::newRow("beside MEncoder on the path") << "mencoder" << "" << "mplayer" << true;
        QTest::newRow("beside MEncoder in its folder") << "/usr/bin/mencoder" << "" << "/usr/bin/mplayer" << true;
        QTest::newRow("beside a Windows MEncoder") << "C:/MPlayer/mencoder.exe" << "" << "C:/MPlayer/mplayer.exe" << false;
        QTest::newRow("the panel's player") << "/nowhere/mencoder" << "/usr/bin/mplayer" << "/usr/bin/mplayer" << true;
        QTest::newRow("a player that is not there") << "mencoder" << "/nowhere/mplayer" << "/nowhere/mplayer" << false;
        QTest::newRow("a name not on the path") << "mencoder" << "no-such-mplayer" << "no-such-mplayer" << false;
    }
    void playerOfTheDvdCopy()
    {
        QFETCH(QString, player);
        ConsoleEncoder e;
        e->initEngine(EngineType::MEncoder, fetched<QString>("mencoder"));
        QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
        if (!player.isEmpty())
            e->setPlayerBinary(player);
        setDvdSource(e.encoder, "/media/dvd");
        QTEST(e->playerBinary(), "program");
        QTEST(e->roadRefusal("mp4", "x264", "aac").isEmpty(), "road");
    }

    // The panel's question whether a codec goes with a container is about the codecs asked:
    // the job's own profile (whose codec an empty choice would take) has no say, and stays.
    void roadRefusalAsksAboutTheChoice()
    {
        ConsoleEncoder e;
        QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
        QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
        setClipSource(e.encoder, "/media/clip.avi");
        for (int type : {int(EngineType::MEncoder), int(EngineType::FFmpeg)}) {
            EncoderProfile &profile = e->jobData(type)->target.profile;
            profile.level = 2;
            profile.videoCodec = "x264";
        }
        QCOMPARE(e->roadRefusal("mp3", "", "mp3"), QString());
        QVERIFY(!e->roadRefusal("mp3", "x264", "mp3").isEmpty());
        QCOMPARE(e->jobData(EngineType::FFmpeg)->target.profile.level, 2);
    }
};

VEXO_TEST_CLASS(EncoderDispatchTest)
#include "tst_encoderdispatch.moc"
