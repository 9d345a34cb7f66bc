// The MEncoder builder's vocabulary, its support checks by the tables and by the real engine,
// and the status parser on the installed engine's answer and on answers it must refuse.

#include "buildertesting.h"
#include "encoder/records/sourcekind.h"
#include "testregistry.h"

#include <QTest>

#include <algorithm>

class MEncoderVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    // The containers: "lavf" stands for its formats, sorted in with MEncoder's own; a format
    // that MEncoder writes itself and through libavformat comes once per way.
    void muxersOncePerWay()
    {
        const QStringList muxers = InterfaceMEncoder().muxers();
        QVERIFY(!muxers.contains("lavf"));
        QCOMPARE(muxers.size(), 56);
        QCOMPARE(muxers.count("avi"), 2);
        QCOMPARE(muxers.count("mpeg"), 2);
        QVERIFY(std::is_sorted(muxers.cbegin(), muxers.cend()));
    }

    // Each row: the answer of the tables alone, then once the real engine is read (refusals say
    // why). The conformance test runs or refuses every pair the same checks give.
    void support_data()
    {
        for (const char *column : {"muxer", "video", "audio"}) // no codec: the container check
            QTest::addColumn<QString>(column);
        QTest::addColumn<bool>("byTables");
        QTest::addColumn<bool>("byEngine");
        QTest::addColumn<int>("source"); // the job's source kind; a negative one: a file with a subtitle chosen

        QTest::newRow("mkv through its alias") << "mkv" << "" << "" << true << true << 0;
        QTest::newRow("wmv: alias asf has no row") << "wmv" << "" << "" << false << false << 0;
        QTest::newRow("au: empty row") << "au" << "" << "" << false << false << 0;
        QTest::newRow("mpeg_vcd by libavformat's vcd") << "mpeg_vcd" << "" << "" << true << true << 0;
        QTest::newRow("lavf: empty rows") << "lavf" << "" << "" << false << false << 0;

        QTest::newRow("avi xvid") << "avi" << "xvid" << "" << true << true << 0;
        QTest::newRow("matroska x264 crashes") << "matroska" << "x264" << "" << true << false << 0;
        QTest::newRow("mov libx264 through libavcodec") << "mov" << "libx264" << "" << true << false << 0;
        QTest::newRow("psp without an AAC encoder") << "psp" << "" << "" << true << false << 0;

        QTest::newRow("avi aac_lr through faac") << "avi" << "" << "aac_lr" << true << false << 0;
        QTest::newRow("matroska vorbis by libavcodec") << "matroska" << "" << "vorbis" << true << false << 0;
        QTest::newRow("mpeg mp2 by TwoLAME") << "mpeg" << "" << "mp2" << true << true << 0;
        QTest::newRow("mp4 mp2 by TwoLAME, taken as layer 1") << "mp4" << "" << "mp2" << true << false << 0;
        // Sound copies that MEncoder times wrongly from one kind of source.
        const int file = SourceKind::MediaFile, dvd = SourceKind::Dvd;
        QTest::newRow("avi AC-3 copy from a file") << "avi" << "" << "ac3_copy" << true << false << file;
        QTest::newRow("avi AC-3 copy from a DVD") << "avi" << "" << "ac3_copy" << true << true << dvd;
        QTest::newRow("mpeg AC-3 copy from a file") << "mpeg" << "" << "ac3_copy" << true << false << file;
        QTest::newRow("mp4 AC-3 copy from a DVD") << "mp4" << "" << "ac3_copy" << true << false << dvd;
        QTest::newRow("matroska AC-3 copy from a DVD") << "matroska" << "" << "ac3_copy" << true << false << dvd;
        QTest::newRow("mpeg AC-3 copy from a DVD") << "mpeg" << "" << "ac3_copy" << true << false << dvd;
        QTest::newRow("mp4 AC-3 copy from a file") << "mp4" << "" << "ac3_copy" << true << true << file;
        QTest::newRow("mov copy from a DVD") << "mov" << "" << "copy" << true << false << dvd;
        // A copied picture is not drawn on: the chosen subtitle would be lost.
        QTest::newRow("mov video copy with a chosen subtitle") << "mov" << "copy" << "" << true << false << -file;
        QTest::newRow("mov video copy") << "mov" << "copy" << "" << true << true << file;
    }

    void support()
    {
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(bool, byTables);
        QFETCH(bool, byEngine);
        QFETCH(int, source);
        MEncoderRecords engine("mencoder");
        engine.job.source.kind = qAbs(source);
        engine.job.source.noSubtitle = source >= 0;
        engine.job.source.subtitle.sid = source >= 0 ? -1 : 0;
        const auto check = [&](bool engineRead) { // supported, and the refusal is empty just then
            const Support s = ::support(engine.builder, muxer, video, audio);
            QCOMPARE(s.supported, engineRead ? byEngine : byTables);
            if (engineRead && byTables)
                QCOMPARE(s.refusal.isEmpty(), byEngine);
        };
        check(false);
        QVERIFY(readEngine(engine));
        check(true);
    }

    // The sources whose picture MEncoder's own reader cannot time: any video but MPEG-1/2
    // in a transport stream (MediaInfo's container names); and by what was measured at load,
    // a variable rate, and a sound its reader puts out of step with the picture (it starts
    // the sound with the output, the picture where it starts in the file, or with the sound
    // from a program stream). The refusal stands whatever the engine, and takes every video
    // codec of every container.
    void readsTheSource_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("video");
        QTest::addColumn<bool>("noVideo");
        QTest::addColumn<QString>("timing"); // "vfr", "unmeasured", the picture's and the sound's start, its shapes or colours, or the sound's lead-in or rates
        QTest::addColumn<QString>("muxer");  // of the output
        QTest::addColumn<bool>("silent");    // the output has no sound
        QTest::addColumn<bool>("read");
        const int file = SourceKind::MediaFile, dvd = SourceKind::Dvd;
        QTest::newRow("H.264 in an MPEG transport stream") << file << "MPEG-TS" << "h264" << false << "" << "mp4" << false << false;
        QTest::newRow("HEVC in a Blu-ray transport stream") << file << "BDAV" << "hevc" << false << "" << "mp4" << false << false;
        QTest::newRow("MPEG-2 in a transport stream") << file << "MPEG-TS" << "mpeg2video" << false << "" << "mp4" << false << true;
        QTest::newRow("MPEG-1 in a transport stream") << file << "MPEG-TS" << "mpeg1video" << false << "" << "mp4" << false << true;
        QTest::newRow("a transport stream's sound alone") << file << "MPEG-TS" << "" << true << "" << "mp4" << false << true;
        QTest::newRow("H.264 in Matroska") << file << "Matroska" << "h264" << false << "" << "mp4" << false << true;
        QTest::newRow("a DVD title") << dvd << "MPEG-TS" << "h264" << false << "" << "mp4" << false << true;
        QTest::newRow("a phone's variable rate") << file << "MPEG-4" << "h264" << false << "vfr" << "mp4" << false << false;
        QTest::newRow("a variable rate's sound alone") << file << "MPEG-4" << "h264" << true << "vfr" << "mp4" << false << true;
        QTest::newRow("streams from 1.44 s in a transport stream")
            << file << "MPEG-TS" << "mpeg2video" << false << "1.44 1.43" << "mp4" << false << false;
        QTest::newRow("streams from 0.54 s in a program stream") << file << "MPEG-PS" << "mpeg2video" << false << "0.54 0.53" << "mp4" << false << true;
        QTest::newRow("sound 0.5 s after the picture, program stream")
            << file << "MPEG-PS" << "mpeg2video" << false << "0 0.5" << "mp4" << false << false;
        QTest::newRow("sound 0.11 s after the picture, Matroska") << file << "Matroska" << "h264" << false << "0 0.11" << "mp4" << false << false;
        QTest::newRow("picture 0.11 s after the sound, Matroska") << file << "Matroska" << "h264" << false << "0.11 0" << "mp4" << false << false;
        QTest::newRow("picture 0.1 s after the sound, Matroska") << file << "Matroska" << "h264" << false << "0.1 0" << "mp4" << false << true;
        QTest::newRow("streams from 0.15 s, Matroska") << file << "Matroska" << "h264" << false << "0.15 0.15" << "mp4" << false << false;
        QTest::newRow("sound 0.09 s after the picture, program stream")
            << file << "MPEG-PS" << "mpeg2video" << false << "0.54 0.63" << "mp4" << false << true;
        QTest::newRow("picture 0.05 s after the sound, ASF") << file << "Windows Media" << "wmv2" << false << "0.046 0" << "mp4" << false << true;
        // AVI starts every stream with the file: streams that start together stay so.
        QTest::newRow("streams from 1.44 s in a transport stream, into AVI")
            << file << "MPEG-TS" << "mpeg2video" << false << "1.44 1.43" << "avi" << false << true;
        QTest::newRow("streams from 0.15 s, Matroska, into AVI") << file << "Matroska" << "h264" << false << "0.15 0.15" << "avi" << false << true;
        QTest::newRow("sound 0.5 s after the picture, into AVI") << file << "Matroska" << "h264" << false << "0 0.5" << "avi" << false << false;
        QTest::newRow("sound 0.11 s before the picture, transport stream into AVI")
            << file << "MPEG-TS" << "mpeg2video" << false << "1.55 1.44" << "avi" << false << false;
        // An output without sound has none to keep in step.
        QTest::newRow("streams from 1.44 s in a transport stream, no sound")
            << file << "MPEG-TS" << "mpeg2video" << false << "1.44 1.43" << "mp4" << true << true;
        QTest::newRow("sound 0.5 s after the picture, no sound") << file << "Matroska" << "h264" << false << "0 0.5" << "mp4" << true << true;
        QTest::newRow("a phone's variable rate, no sound") << file << "MPEG-4" << "h264" << false << "vfr" << "mp4" << true << false;
        QTest::newRow("streams from 1.44 s, the sound alone") << file << "MPEG-TS" << "mpeg2video" << true << "1.44 1.43" << "mp4" << false << true;
        // FFprobe did not answer at the load: what MEncoder would misread cannot be told.
        QTest::newRow("a file whose timing was not measured") << file << "Matroska" << "h264" << false << "unmeasured" << "mp4" << false << false;
        // A song uploaded as a video of its one picture.
        QTest::newRow("one picture, a song") << file << "Matroska" << "h264" << false << "still" << "mp4" << false << false;
        QTest::newRow("one picture, the song alone") << file << "Matroska" << "h264" << true << "still" << "mp4" << false << true;
        QTest::newRow("the sound alone of a file not measured") << file << "Matroska" << "h264" << true << "unmeasured" << "mp4" << false << true;
        // Pictures MEncoder shows wrong: a shape that changes partway, HDR and BT.2020 colours.
        QTest::newRow("a shape that changes partway") << file << "MPEG-TS" << "mpeg2video" << false << "4:3 then 16:9" << "mp4" << false << false;
        QTest::newRow("a DVD title whose shape changes") << dvd << "MPEG-PS" << "mpeg2video" << false << "4:3 then 16:9" << "mp4" << false << false;
        QTest::newRow("a shape that changes, the sound alone") << file << "MPEG-TS" << "mpeg2video" << true << "4:3 then 16:9" << "mp4" << false << true;
        QTest::newRow("HDR10") << file << "MPEG-4" << "hevc" << false << "smpte2084" << "mp4" << false << false;
        QTest::newRow("HLG") << file << "MPEG-4" << "hevc" << false << "arib-std-b67" << "avi" << true << false;
        QTest::newRow("BT.2020 of standard range") << file << "MPEG-4" << "hevc" << false << "bt2020" << "mp4" << false << false;
        QTest::newRow("BT.2020's matrix alone") << file << "MPEG-4" << "hevc" << false << "bt2020nc" << "mp4" << false << false;
        QTest::newRow("HDR10, the sound alone") << file << "MPEG-4" << "hevc" << true << "smpte2084" << "mp4" << false << true;
        // A start no file holds is refused and said in a few figures.
        QTest::newRow("a picture from -1e300 s") << file << "Matroska" << "h264" << false << "-1e300 0" << "mp4" << false << false;
        // What the load's runs could not read is no plain fact: MEncoder keeps the rate it
        // reads first, of the picture and of the sound alike.
        QTest::newRow("a rate not read through the file") << file << "Matroska" << "h264" << false << "rate unknown" << "mp4" << false << false;
        QTest::newRow("a rate not read through the file, no sound") << file << "Matroska" << "h264" << false << "rate unknown" << "mp4" << true << false;
        QTest::newRow("shapes not read past the start") << file << "MPEG-TS" << "mpeg2video" << false << "shapes unknown" << "mp4" << false << false;
        QTest::newRow("shapes not read, the sound alone") << file << "MPEG-TS" << "mpeg2video" << true << "shapes unknown" << "mp4" << false << true;
        QTest::newRow("sound rates not read") << file << "Matroska" << "h264" << false << "sound rates unknown" << "mp4" << false << false;
        QTest::newRow("sound rates not read, no sound") << file << "Matroska" << "h264" << false << "sound rates unknown" << "mp4" << true << true;
        QTest::newRow("sound rates not read, the sound alone") << file << "Matroska" << "h264" << true << "sound rates unknown" << "mp4" << false << false;
        // A quick trim's edit list hides a little picture: MEncoder would show it, sound or none.
        QTest::newRow("a picture lead-in of 0.5 s, no sound") << file << "MPEG-4" << "h264" << false << "lead 0.5" << "mp4" << true << false;
        // A priming or trim the edit list hides from the sound; a sound whose rate changes.
        QTest::newRow("a sound lead-in of 0.5 s") << file << "MPEG-4" << "h264" << false << "sound lead 0.5" << "mp4" << false << false;
        QTest::newRow("a sound lead-in of 0.1 s") << file << "MPEG-4" << "h264" << false << "sound lead 0.1" << "mp4" << false << true;
        QTest::newRow("a sound lead-in of 0.5 s, no sound") << file << "MPEG-4" << "h264" << false << "sound lead 0.5" << "mp4" << true << true;
        QTest::newRow("sound at 48 kHz, then 44.1 kHz") << file << "Matroska" << "h264" << false << "sound rate 48000 44100" << "mp4" << false << false;
        QTest::newRow("sound at 48 kHz, then 44.1 kHz, no sound") << file << "Matroska" << "h264" << false << "sound rate 48000 44100" << "mp4" << true << true;
    }

    void readsTheSource()
    {
        QFETCH(int, kind);
        QFETCH(QString, container);
        QFETCH(QString, video);
        QFETCH(bool, noVideo);
        QFETCH(QString, timing);
        QFETCH(QString, muxer);
        QFETCH(bool, silent);
        QFETCH(bool, read);
        MEncoderRecords engine("mencoder");
        EncodingSource &source = engine.job.source;
        source.kind = kind;
        source.video.fileFormat = container;
        source.video.videoFormat = video;
        source.noVideo = noVideo;
        source.noAudio = false;
        SourceFacts &facts = source.facts;
        facts.measured = kind == SourceKind::MediaFile && timing != "unmeasured";
        facts.variableRate = timing == "vfr";
        facts.stillPicture = timing == "still";
        facts.unknown = (timing == "rate unknown" ? SourceFacts::RateUnknown : 0)
                        | (timing == "sound rates unknown" ? SourceFacts::SoundRatesUnknown : 0)
                        | (timing == "shapes unknown" ? SourceFacts::ShapesUnknown : 0);
        facts.pictureLeadIn = timing.startsWith("lead ") ? timing.mid(5).toDouble() : 0.0;
        facts.pictureLength = 6;
        facts.pictureStart = timing.section(' ', 0, 0).toDouble();
        facts.sounds = {{"aac", 2, timing.section(' ', 1, 1).toDouble(), 6}};
        facts.sounds[0].leadIn = timing.startsWith("sound lead ") ? timing.section(' ', 2).toDouble() : 0.0;
        if (timing.startsWith("sound rate "))
            facts.sounds[0].rates = {timing.section(' ', 2, 2).toInt(), timing.section(' ', 3, 3).toInt()};
        facts.shapes = timing == "4:3 then 16:9" ? QList<double>{4.0 / 3, 16.0 / 9} : QList<double>{};
        facts.transfer = QStringList{"smpte2084", "arib-std-b67"}.contains(timing) ? timing : QString();
        facts.primaries = timing == "bt2020" ? timing : QString();
        facts.matrix = timing == "bt2020nc" ? timing : QString();
        engine.job.target.profile.level = EncoderProfile::LevelUser; // the target's own settings
        engine.job.target.audio.codec = silent ? "noaudio" : "mp3";
        const QString reason = InterfaceMEncoder::sourceRefusal(source, muxer, !silent);
        QVERIFY2(reason.isEmpty() == read, qPrintable(reason));
        QVERIFY2(reason.size() < 160, qPrintable(reason)); // read in a glance
        QVERIFY2(read || !facts.highDynamicRange() || reason.contains("HDR"), qPrintable(reason));
        QVERIFY(readEngine(engine));
        for (const char *codec : {"xvid", "mpeg4", "x264"})
            QCOMPARE(engine.builder.videoCodecRefusal(muxer, codec), reason);
        QCOMPARE(engine.builder.isVideoCodecSupported(muxer, muxer == "avi" ? "xvid" : "mpeg4"), read);
        QCOMPARE(engine.builder.videoCodecRefusal(muxer, "novideo"), QString());
        // Without a picture, the sound alone is judged.
        engine.job.target.video.codec = "novideo";
        const QString alone = engine.builder.audioCodecRefusal(muxer, "mp3");
        const bool soundRead = timing != "sound rates unknown" && timing != "sound lead 0.5" && !timing.startsWith("sound rate ");
        QVERIFY2(alone.isEmpty() == soundRead, qPrintable(alone));
    }

    void parseStatus_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("ready");
        const QByteArray real = engineAnswer("mencoder", {"-ovc", "help", "-oac", "help", "-of", "help"});
        const int audioSection =
            real.indexOf("Available codecs:", real.indexOf("Available codecs:") + 1);
        QTest::newRow("the installed engine") << real << true;
        QTest::newRow("Windows line ends") << QByteArray(real).replace("\n", "\r\n") << true;
        QTest::newRow("audio and formats missing") << real.left(audioSection) << false;
    }

    void parseStatus()
    {
        QFETCH(QByteArray, output);
        QFETCH(bool, ready);
        MEncoderRecords engine("mencoder");
        engine.videoCodecs.insert("kept", "from an earlier parse");
        engine.parse(output);
        if (!ready) {
            QCOMPARE(engine.status.state, int(InterfaceStatus::ParseFailed));
            QCOMPARE(engine.videoCodecs.keys(), QStringList({"kept"}));
            // An engine that failed its status is not narrowed by engine checks.
            QVERIFY(engine.builder.isAudioCodecSupported("avi", "aac"));
            return;
        }
        QCOMPARE(engine.status.state, int(InterfaceStatus::Ready));
        // "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team"
        QCOMPARE(engine.status.signature, QString("MEncoder"));
        QCOMPARE(engine.status.version, QString::fromUtf8(output).section(' ', 1, 1));
        // Of the names the builder supports, the Debian build has all but FAAC.
        QCOMPARE(engine.videoCodecs.keys(), QStringList({"copy", "frameno", "lavc", "x264", "xvid"}));
        QCOMPARE(engine.audioCodecs.keys(), QStringList({"copy", "lavc", "mp3lame"}));
        QCOMPARE(engine.muxers.keys(), QStringList({"avi", "lavf", "mpeg"}));
        QCOMPARE(engine.lavcVideo.value("lavc"), engine.builder.libraryNames.value("video"));
        QCOMPARE(engine.lavfMuxers.value("lavf"), engine.builder.libraryNames.value("muxer"));
    }
};

VEXO_TEST_CLASS(MEncoderVocabularyTest)
#include "tst_mencodervocabulary.moc"
