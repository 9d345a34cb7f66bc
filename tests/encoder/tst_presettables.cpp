// The preset tables, the profiles made from them and the names given to profiles.

#include "encoder/presettables.h"
#include "encoder/profiletexts.h"
#include "encoder/records/encodingsource.h"
#include "encodertesting.h"
#include "testregistry.h"

#include <QTest>

namespace {
EncodingSource fileSource(const QString &standard, double fps, QSize display,
                          const QString &audioCodec = "mp3")
{
    EncodingSource source;
    source.kind = 1;
    source.noVideo = source.noAudio = false;
    source.video.standard = standard;
    source.video.frameRate = fps;
    source.video.scaledWidth = display.width();
    source.video.scaledHeight = display.height();
    source.audio.codec = audioCodec;
    return source;
}

QString sizeText(const QSize &size)
{
    return QString("%1x%2").arg(size.width()).arg(size.height());
}

PresetTables filledTables()
{
    PresetTables tables;
    tables.initVideoPresets();
    tables.initAudioPresets();
    return tables;
}
} // namespace

class TestPresetTables : public QObject
{
    Q_OBJECT

private slots:
    // A level's profile for a source of a standard: the row for that standard beats the
    // row for every standard ("codec level standard | size kbit/s", "codec level | Hz kbit/s").
    void rowsLookedUp()
    {
        PresetTables tables = filledTables();
        // Filling again leaves the same tables.
        tables.initVideoPresets();
        tables.initAudioPresets();
        QCOMPARE(tables.videoPresets().size(), 43);
        QCOMPARE(tables.audioPresets().size(), 51);
        const QStringList videoRows = {"x264 2 NTSC | 528x320 896", "x264 2 PAL | 528x384 896",
                                       "mpeg4 3 NTSC | 624x352 1024", "mpeg2video 1 PAL | 352x576 2520",
                                       "mpeg2video 3 PAL | 720x576 4900", "x264_psp 2 PAL | 480x272 1100"};
        for (const QString &row : videoRows) {
            const QStringList f = row.section(" | ", 0, 0).split(' ');
            const EncoderProfile p = tables.makeProfile("avi", f[0], "noaudio", f[1].toInt(),
                                                        fileSource(f[2], 25, {}));
            QCOMPARE(p.videoCodec + ' ' + sizeText(p.pictureSize) + ' ' + QString::number(p.videoBitrate),
                     f[0] + ' ' + row.section(" | ", 1));
        }
        for (const char *row : {"mp3 3 | 48000 192", "amrnb 1 | 8000 4.75", "ac3 5 | -1 0", "aac 3 | 48000 160"}) {
            const QStringList f = QString(row).section(" | ", 0, 0).split(' ');
            const EncoderProfile p = tables.makeProfile("avi", "novideo", f[0], f[1].toInt(),
                                                        fileSource("PAL", 25, {}));
            QCOMPARE(QString("%1 %2 | %3 %4").arg(p.audioCodec).arg(p.level).arg(p.samplingRate)
                         .arg(p.audioBitrate), QString(row));
        }
    }

    void roundAndFit()
    {
        const struct { QSize in; QSize out; } rounds[] = {
            {{1280, 720}, {720, 544}}, {{1000, 239}, {1000, 239}}, {{1, 1080}, {1440, 1088}},
            {{1, 1079}, {720, 544}},   {{1, 540}, {720, 544}},     {{1, 539}, {640, 480}},
            {{1, 287}, {320, 240}},    {{1, 240}, {320, 240}},
            {{1, 480}, {640, 480}}, {{1, 384}, {512, 384}}, {{1, 360}, {480, 360}}, {{1, 288}, {384, 288}},
        };
        for (const auto &row : rounds)
            QCOMPARE(PresetTables::roundFrameSize(row.in), row.out);

        const struct { QSize preset; QSize display; QSize out; } fits[] = {
            {{1280, 720}, {720, 540}, {720, 544}},    // 16:9 preset on a 4:3 source
            {{1920, 1080}, {720, 540}, {1440, 1088}},
            {{1280, 720}, {1024, 576}, {1280, 720}},  // 16:9 source keeps it
            {{1280, 720}, {720, 0}, {1280, 720}},     // no display height never fits
            {{1280, 720}, {131, 100}, {1280, 720}},   // 1.31 is outside the open band
            {{1280, 720}, {135, 100}, {1280, 720}},
            {{700, 400}, {720, 540}, {700, 400}},     // 1.75 is outside too
            {{179, 100}, {720, 540}, {179, 100}},
            {{176, 100}, {720, 540}, {176, 100}},     // inside, but below 240 lines
            {{1000, 567}, {132, 100}, {720, 544}},
        };
        for (const auto &row : fits)
            QCOMPARE(PresetTables::fitToSource(row.preset, row.display), row.out);
    }

    void standardOfTheSource()
    {
        const struct { const char *standard; double fps; const char *expected; } rows[] = {
            {"", 29.97, "NTSC"}, {"", 24.0, "NTSC"}, {"", 25.0, "PAL"}, {"", 50.0, "PAL"},
            {"", 25.001, "NTSC"}, {"", 0.0, "NTSC"}, {"PAL", 29.97, "PAL"}, {"SECAM", 25, "SECAM"},
        };
        for (const auto &row : rows) {
            EncodingSource source = fileSource(row.standard, row.fps, {});
            QCOMPARE(PresetTables::sourceStandard(source.video), QString(row.expected));
        }
    }

    // Profiles per level, as "level video size kbit/s audio Hz kbit/s".
    void builtProfiles_data()
    {
        addColumns<QString, QString, QSize, QString, QStringList>({"video", "audio", "display", "sourceAudio", "expected"});
        const QSize wide(1024, 576);
        QTest::newRow("xvid/mp3 on 16:9 PAL") << "xvid" << "mp3" << wide << "mp3" << QStringList{"1 xvid 480x272 768 mp3 44100 112", "2 xvid 624x352 896 mp3 44100 160", "3 xvid 624x352 1024 mp3 48000 192"};
        QTest::newRow("xvid/mp3 on 4:3") << "xvid" << "mp3" << QSize(720, 540) << "mp3" << QStringList{"1 xvid 320x240 768 mp3 44100 112", "2 xvid 384x288 896 mp3 44100 160", "3 xvid 384x288 1024 mp3 48000 192"};
        // Level 5 has no video row: the codec empties, the numbers of level 3 stay.
        QTest::newRow("ac3 copy") << "xvid" << "ac3" << wide << "ac3" << QStringList{"1 xvid 480x272 768 ac3 48000 192", "2 xvid 624x352 896 ac3 48000 256", "3 xvid 624x352 1024 ac3 48000 384", "5  624x352 1024 ac3 -1 0"};
        QTest::newRow("no ac3 copy from mp3") << "novideo" << "ac3" << wide << "mp3" << QStringList{"1  -1x-1 0 ac3 48000 192", "2  -1x-1 0 ac3 48000 256", "3  -1x-1 0 ac3 48000 384"};
        QTest::newRow("VideoCD PAL") << "mpeg1video" << "mp2_vcd" << wide << "mp2" << QStringList{"2 mpeg1video 352x288 1152 mp2_vcd 44100 224", "3 mpeg1video 352x480 2376 mp2_vcd 44100 224"};
        QTest::newRow("audio rows only at 1") << "mpeg1video" << "mp2" << wide << "mp2" << QStringList{"1  -1x-1 0 mp2 44100 224", "2 mpeg1video 352x288 1152 mp2 44100 224", "3 mpeg1video 352x480 2376 mp2 48000 384"};
    }

    void builtProfiles()
    {
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QSize, display);
        QFETCH(QString, sourceAudio);
        QFETCH(QStringList, expected);
        const PresetTables tables = filledTables();
        QStringList actual;
        for (const EncoderProfile &p :
             tables.buildProfiles("avi", video, audio, true, true,
                                  fileSource("", 25, display, sourceAudio))) {
            QCOMPARE(p.muxer, QString("avi"));
            QCOMPARE(p.standard, QString("PAL"));
            actual << QString("%1 %2 %3 %4 %5 %6 %7").arg(p.level).arg(p.videoCodec,
                          sizeText(p.pictureSize)).arg(p.videoBitrate).arg(p.audioCodec)
                          .arg(p.samplingRate).arg(p.audioBitrate);
        }
        QCOMPARE(actual, expected);
    }

    void unsupportedCodecTakesNoPart()
    {
        const PresetTables tables = filledTables();
        const EncodingSource source = fileSource("NTSC", 0, {});
        QCOMPARE(tables.buildProfiles("avi", "xvid", "mp3", false, false, source).size(), 0);
        const auto audioOnly = tables.buildProfiles("avi", "xvid", "mp3", false, true, source);
        QCOMPARE(audioOnly.size(), 3);
        QVERIFY(audioOnly[0].videoCodec.isEmpty());
        QCOMPARE(tables.buildProfiles("avi", "x264", "nosuch", true, true, source)[1].pictureSize,
                 QSize(528, 320));
    }

    // A level a codec has no row for: the audio part takes the codec's first row, the video
    // part stays empty.
    void makeProfileWithoutRow()
    {
        const PresetTables tables = filledTables();
        const EncoderProfile p = tables.makeProfile("mpeg_vcd", "mpeg1video", "mp2_vcd", 1,
                                                    fileSource("PAL", 25, {720, 540}));
        QCOMPARE(p.level, 1);
        QVERIFY(p.videoCodec.isEmpty());
        QCOMPARE(p.pictureSize, QSize(-1, -1));
        QCOMPARE(p.audioCodec, QString("mp2_vcd"));
        QCOMPARE(p.samplingRate, 44100);
        QCOMPARE(p.audioBitrate, 224.0);
        const EncoderProfile hd = tables.makeProfile("mkv", "x264_hd", "nosuch", 2,
                                                     fileSource("", 29.97, {720, 540}));
        QCOMPARE(hd.pictureSize, QSize(720, 544));
        QCOMPARE(hd.standard, QString("NTSC"));
        QVERIFY(hd.audioCodec.isEmpty());
    }

    void supportedLevels()
    {
        const PresetTables tables = filledTables();
        const struct { const char *video; const char *audio; int level; bool ok; } rows[] = {
            {"mpeg1video", "mp2_vcd", 1, false}, {"mpeg1video", "mp2", 1, false},
            {"mpeg1video", "mp2_vcd", 2, true},  {"novideo", "noaudio", 4, true},
            {"novideo", "ac3", 5, true},         {"xvid", "ac3", 5, false},
            {"x264", "aac", 4, false},           {"xvid", "noaudio", 3, true},
            {"xvid", "mp2_vcd", 1, false},       {"nosuch", "mp3", 1, false},
        };
        for (const auto &row : rows)
            QVERIFY2(tables.supportsProfileLevel(row.video, row.audio, row.level) == row.ok,
                     row.video);
    }

    void profileNames()
    {
        const struct { const char *muxer, *video, *audio; int level; int sampling; const char *title; } titles[] = {
            {"mpeg_vcd", "mpeg1video", "mp2_vcd", 2, 44100, "VideoCD (VCD)"},
            {"mpeg_vcd", "mpeg1video", "mp2_vcd", 4, 44100, ""},
            {"mpeg", "mpeg2video", "mp2", 3, 44100, "DVD-Video (DVD)"},
            {"mpeg", "mpeg2video", "pcm_s16le", 2, 48000, "DVD-Video"},
            {"mpeg", "mpeg2video", "copy", 1, -1, "DVD-Video"},
            {"ac3", "", "ac3", 5, -1, "Source copy"},
            {"ac3", "", "ac3", 1, 0, "Lower quality (smaller file)"},
            {"mpeg_vcd", "mpeg1video", "mp2", 4, 44100, "User settings"},
        };
        for (const auto &row : titles) {
            EncoderProfile p;
            p.muxer = row.muxer;
            p.videoCodec = row.video;
            p.audioCodec = row.audio;
            p.level = row.level;
            p.samplingRate = row.sampling;
            QCOMPARE(ProfileTexts::title(p), QString(row.title));
        }
        const struct { int level; const char *standard, *muxer, *video, *audio, *label; } labels[] = {
            {1, "PAL", "mpeg_vcd", "mpeg1video", "mp2_vcd", " (PAL)"},
            {4, "NTSC", "mpeg_vcd", "mpeg1video", "mp2_vcd", "MPEG-1 (NTSC)"},
            {2, "PAL", "mpeg", "mpeg2video", "mp2", "Super-VideoCD (PAL)"},
            {5, "", "mpeg", "mpeg2video", "mp2", ""},
            {3, "NTSC", "mpeg", "mpeg2video", "pcm", "DVD-Video (DVD) (NTSC)"},
            {5, "", "ac3", "novideo", "ac3", "Audio AC3 source copy"},
            {2, "PAL", "avi", "xvid", "mp3", "AVI medium profile"},
            {4, "", "mpeg", "mpeg2video", "PCM", "AVI user profile"},
        };
        for (const auto &row : labels)
            QCOMPARE(ProfileTexts::label(row.level, row.standard, row.muxer, row.video, row.audio,
                                         "AVI"),
                     QString(row.label));
    }
};

VEXO_TEST_CLASS(TestPresetTables)
#include "tst_presettables.moc"
