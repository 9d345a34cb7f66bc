// The FFmpeg builder's support checks, its capability parsers on today's
// answers and on the classic forms, and its readers of status output.

#include "buildertesting.h"
#include "testregistry.h"

#include <QTest>

class FFmpegVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    void checks_data()
    {
        QTest::addColumn<QString>("check"); // "muxer", "video" or "audio"
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("source"); // "", "dvd", "subtitle" (H.264 with one chosen), or the source's video/audio format
        QTest::addColumn<bool>("engineRead");
        QTest::addColumn<QString>("refusal"); // empty: supported; "-": refused by the vocabulary
        QTest::newRow("alias container") << "muxer" << "mkv" << "" << "" << false << "";
        QTest::newRow("alias without rows") << "muxer" << "wmv" << "" << "" << false << "-";
        QTest::newRow("container not resolved for codecs") << "video" << "mkv" << "x264" << "" << false << "-";
        QTest::newRow("codec through its alias") << "video" << "matroska" << "x264" << "" << true << "";
        QTest::newRow("AMR before the engine is read") << "audio" << "3gp" << "amrnb" << "" << false << "";
        QTest::newRow("AMR on today's engine") << "audio" << "3gp" << "amrnb" << "" << true
                                               << "this FFmpeg has no libopencore_amrnb audio encoder";
        QTest::newRow("libfaac is written by FFmpeg's AAC") << "audio" << "avi" << "libfaac" << "" << true << "";
        QTest::newRow("no audio") << "audio" << "3gp" << "noaudio" << "" << true << "";
        QTest::newRow("bare PCM") << "audio" << "wav" << "pcm" << "" << true << "";
        QTest::newRow("H.263 in MP4") << "video" << "mp4" << "h263" << "" << true
                                      << "FFmpeg's MP4 muxer takes no H.263 video";
        QTest::newRow("64-bit PCM in QuickTime") << "audio" << "mov" << "pcm_s64le" << "" << true
            << "FFmpeg's QuickTime muxer writes 64-bit PCM that reads back as 16-bit";
        QTest::newRow("renamed muxer") << "muxer" << "m4a" << "" << "" << true << "";
        QTest::newRow("PSP's low-rate AAC") << "audio" << "psp" << "aac_lr" << "" << false << "";
        QTest::newRow("PSP without MP3") << "audio" << "psp" << "mp3" << "" << false << "-";
        QTest::newRow("iPod copy of AAC") << "audio" << "ipod" << "copy" << "mp4a" << true << "";
        QTest::newRow("iPod copy of MP3") << "audio" << "ipod" << "copy" << "MP3" << true
            << "the iPod format takes only AAC, ALAC or AC-3 audio, the source's is MP3";
        QTest::newRow("iPod copy of MPEG-2") << "video" << "ipod" << "copy" << "mpeg2video" << true
            << "the iPod format takes only H.264 or MPEG-4 video, the source's is mpeg2video";
        QTest::newRow("QuickTime copy of MPEG-2") << "video" << "mov" << "copy" << "mpeg2video" << true << "";
        // A copied picture is not drawn on: the chosen subtitle would be lost.
        QTest::newRow("QuickTime copy with a chosen subtitle") << "video" << "mov" << "copy" << "subtitle" << true
            << "a copied picture cannot carry the chosen subtitle, which is drawn into an encoded picture";
        QTest::newRow("QuickTime H.264 with a chosen subtitle") << "video" << "mov" << "x264" << "subtitle" << true << "";
        QTest::newRow("source kind not set") << "muxer" << "avi" << "" << "unset" << false << "";
        QTest::newRow("DVD title") << "muxer" << "avi" << "" << "dvd" << false
            << "FFmpeg cannot read a DVD title by its number; DVD titles are encoded with MEncoder";
    }

    void checks()
    {
        QFETCH(QString, check);
        QFETCH(QString, muxer);
        QFETCH(QString, codec);
        QFETCH(QString, source);
        QFETCH(bool, engineRead);
        QFETCH(QString, refusal);
        FFmpegRecords engine("ffmpeg");
        QVERIFY(!engineRead || readEngine(engine));
        engine.job.source = source == "dvd" ? dvdSource("/media/DVD")
                                            : clipSource("/media/a.avi");
        engine.job.source.video.videoFormat = engine.job.source.audio.format = source;
        if (source == "subtitle") {
            engine.job.source.video.videoFormat = "h264";
            engine.job.source.noSubtitle = false;
            engine.job.source.subtitle.sid = 0;
        }
        if (source == "unset")
            engine.job.source.kind = SourceKind::Unset;
        const Support s = support(engine.builder, muxer, check == "video" ? codec : "", check == "audio" ? codec : "");
        QCOMPARE(s.supported, refusal.isEmpty());
        if (refusal != "-")
            QCOMPARE(s.refusal, refusal);
    }

    // The container and video alias tables; filling again first empties them.
    void aliasTables()
    {
        InterfaceFFmpeg builder;
        builder.muxerAliases.insert("avi", "stale");
        builder.videoCodecAliases.insert("vp8", "stale");
        builder.initMuxerAliases();
        builder.initVideoCodecAliases();
        QCOMPARE(builder.muxerAliases.size(), 2);
        QCOMPARE(builder.muxerAliases.values("mkv"), QStringList{"matroska"});
        QCOMPARE(builder.muxerAliases.values("wmv"), QStringList{"asf"});
        QCOMPARE(builder.videoCodecAliases.size(), 6);
        QCOMPARE(builder.videoCodecAliases.values("x264_hd"), QStringList{"libx264"});
        QCOMPARE(builder.videoCodecAliases.values("dv"), QStringList{"dvvideo"});
        QVERIFY(!builder.videoCodecAliases.contains("vp8") && !builder.videoCodecAliases.contains("mpeg4"));
        QVERIFY(builder.subtitleCodecAliases.isEmpty());
    }

    void realCapabilities()
    {
        FFmpegRecords engine("ffmpeg");
        QVERIFY(readEngine(engine));
        QCOMPARE(engine.status.signature, QString("ffmpeg"));
        QVERIFY2(QRegularExpression("^\\d+\\.\\d+").match(engine.status.version).hasMatch(),
                 qPrintable(engine.status.version)); // not the word "version"
        // Encoders only, by today's names; the iPod muxer brings "m4a".
        for (const char *name : {"copy", "libx264", "libxvid", "libvpx"})
            QVERIFY2(engine.videoCodecs.contains(name), name);
        for (const char *name : {"multi", "libmp3lame", "aac", "pcm_s16le"})
            QVERIFY2(engine.audioCodecs.contains(name), name);
        for (const char *name : {"matroska", "ipod", "RoQ", "m4a"})
            QVERIFY2(engine.muxers.contains(name), name);
        QVERIFY(!engine.videoCodecs.contains("h264") && !engine.audioCodecs.contains("libfaac"));
        QVERIFY(!engine.muxers.contains("mpeg_vcd") && !engine.muxers.contains("roq"));
    }

    void classicAnswers()
    {
        FFmpegRecords engine("ffmpeg");
        engine.status.stdOut = "ffmpeg 0.8.5\r\n";
        engine.builder.parseVersion();
        QCOMPARE(engine.status.version, QString("0.8.5"));
        engine.status.stdOut = "ffmpeg0.9\r\n";
        engine.builder.parseVersion();
        QCOMPARE(engine.status.state, int(InterfaceStatus::ParseFailed));
        QCOMPARE(engine.status.version, QString("0.8.5"));

        engine.status.state = InterfaceStatus::OutputCaptured;
        engine.status.stdOut = " DEV D  mpeg4           MPEG-4 part 2\r\n"
                               " D V D  h263            H.263\r\n"
                               " DEA    libmp3lame      libmp3lame MP3 (MPEG audio layer 3)\r\n"
                               " DEV    snowy           not driven\r\n";
        engine.builder.parseCodecs();
        QCOMPARE(engine.videoCodecs.keys(), (QStringList{"auto", "copy", "mpeg4"}));
        QCOMPARE(engine.videoCodecs.value("mpeg4"), QString("MPEG-4 part 2"));
        QCOMPARE(engine.audioCodecs.keys(), (QStringList{"auto", "copy", "libmp3lame", "multi"}));
        engine.status.stdOut = "  E avi             AVI format\r\n DE RoQ             raw id RoQ format\r\n"
                               " D  mov,mp4         QuickTime\r\n";
        engine.builder.parseMuxers();
        QCOMPARE(engine.muxers.keys(), (QStringList{"RoQ", "avi"})); // no iPod muxer: no "m4a"

        engine.status.state = InterfaceStatus::Ready;
        engine.builder.parseMuxers();
        QCOMPARE(engine.status.state, int(InterfaceStatus::ParseFailed));
        engine.builder.parseCodecs(); // an answer that was not captured changes no map
        QCOMPARE(engine.videoCodecs.size(), 3);
    }

    void progress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("rest");
        // frame, position, percent, fps, size; -1: left as the caller gave it
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("classic status line")
            << "frame=  250 fps= 25 q=2.0 size=    1024kB time=10.00 bitrate= 838.9kbits/s\n" << true
            << "" << QList<double>{250, 10.0, -1, 25.0, 1024};
        QTest::newRow("today's time")
            << "frame=   75 fps=0.0 q=-1.0 Lsize=     120kB time=00:00:03.03 bitrate= 327.7kbits/s "
               "speed=9.3x\n" << true << "" << QList<double>{75, 3.03, -1, 0.0, 120};
        QTest::newRow("two updates joined by a carriage return: the last")
            << "frame=   10 fps=5.0 q=2.0 size=      10kB time=00:00:00.40 bitrate=1.0kbits/s\r"
               "frame=   20 fps=9.0 q=2.0 size=      20kB time=00:01:00.80 bitrate=1.0kbits/s\r\n"
            << true << "" << QList<double>{20, 60.8, -1, 9.0, 20};
        QTest::newRow("audio only")
            << "size=     512kB time=00:00:20.00 bitrate= 209.7kbits/s speed=40x\n" << true << ""
            << QList<double>{-1, 20.0, -1, -1, 512};
        QTest::newRow("summary and banner lines")
            << "Input #0, avi\n  Duration: 00:00:03.00\nvideo:85kB audio:47kB subtitle:0kB other "
               "streams:0kB global headers:0kB muxing overhead: 1.9%\n"
            << true << "Input #0, avi  Duration: 00:00:03.00video:85kB audio:47kB subtitle:0kB other "
                       "streams:0kB global headers:0kB muxing overhead: 1.9%"
            << QList<double>{-1, -1, 100, -1, -1};
        QTest::newRow("empty chunk") << "\n\n" << false << "unchanged" << QList<double>{-1, -1, -1, -1, -1};
        // Figures no encoding reaches are garbage: they are not shown (nor overflow).
        QTest::newRow("absurd figures")
            << "frame=99999999999 fps=" + QString(309, '9') + ".0 q=2.0 size=2147483647kB "
               "time=99999999:00:00.00 bitrate= 1.0kbits/s\n"
            << true << "" << QList<double>{-1, -1, -1, -1, -1};
        QTest::newRow("audio size past a terabyte")
            << "size=9999999999kB time=00:00:20.00 bitrate= 209.7kbits/s\n" << true << ""
            << QList<double>{-1, 20.0, -1, -1, -1};
    }

    void progress()
    {
        QFETCH(QString, text);
        QFETCH(bool, result);
        QFETCH(QString, rest);
        QFETCH(QList<double>, values);
        QString others = "unchanged";
        int frame = -1, percent = -1, minutesLeft = -1, size = -1;
        double position = -1, fps = -1;
        QCOMPARE(InterfaceFFmpeg::parseProgress(text, others, frame, position, percent, minutesLeft,
                                                fps, size), result);
        QCOMPARE(others, rest);
        QCOMPARE((QList<double>{double(frame), position, double(percent), fps, double(size)}), values);
        QCOMPARE(minutesLeft, -1);
    }

    void commandCheck_data()
    {
        QTest::addColumn<QByteArray>("stdErr");
        QTest::addColumn<bool>("passes");
        QTest::newRow("status line") << QByteArray("frame= 5 q=2 size=  12kB time=00:00:00.20 bitrate=1k\n") << true;
        QTest::newRow("upper case") << QByteArray("SIZE= 1 TIME= 2 BITRATE= 3") << true;
        QTest::newRow("size without time") << QByteArray("size=12kB\nbitrate=3") << false;
        QTest::newRow("nothing between size and time") << QByteArray("size=time=1 bitrate=2") << false;
        QTest::newRow("status line, then the conversion failed")
            << QByteArray("frame= 5 size= 18kB time=00:00:00.26 bitrate= 559.4kbits/s\n"
                          "Conversion failed!\n") << false;
        QTest::newRow("status line, then the file failed")
            << QByteArray("frame= 5 size= 18kB time=00:00:00.26 bitrate= 559.4kbits/s\n"
                          "Error writing trailer of /dev/full: No space left on device\n") << false;
        QTest::newRow("status line, then the file could not be closed")
            << QByteArray("frame= 5 size= 18kB time=00:00:00.26 bitrate= 559.4kbits/s\n"
                          "Error closing file /mnt/full/a.mp4: No space left on device\n") << false;
    }

    void commandCheck()
    {
        QFETCH(QByteArray, stdErr);
        QFETCH(bool, passes);
        QCOMPARE(InterfaceFFmpeg::parseCommandCheck("frame= 5 size= 1 time=1 bitrate=1", stdErr), passes);
    }
};

VEXO_TEST_CLASS(FFmpegVocabularyTest)
#include "tst_ffmpegvocabulary.moc"
