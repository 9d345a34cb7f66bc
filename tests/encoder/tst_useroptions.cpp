// The user-settings option lists and the last user profile kept in the settings store.

#include "encoder/lastuserprofile.h"
#include "encoder/records/encodingjob.h"
#include "encoder/useroptionlists.h"
#include "encodertesting.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

namespace {
UserOptionLists filledLists()
{
    UserOptionLists lists;
    lists.initPictureSizes();
    lists.initPresetLabels();
    lists.initProfileLabels();
    lists.initSamplingRates();
    return lists;
}

EncodingJob jobFor(const QString &muxer, QSize sourceSize = {}, bool noVideo = false)
{
    EncodingJob job;
    job.target.muxer = muxer;
    job.source.kind = 1;
    job.source.noVideo = noVideo;
    job.source.noAudio = false;
    job.source.video.width = sourceSize.width();
    job.source.video.height = sourceSize.height();
    job.source.audio.samplingRate = 48000;
    job.source.audio.bitrate = 448;
    return job;
}

QStringList sizeTexts(const QVariantList &values)
{
    QStringList texts;
    for (const QVariant &value : values)
        texts << QString("%1x%2").arg(value.toSize().width()).arg(value.toSize().height());
    return texts;
}

// "head | values | default initial" of a choice item.
QString choiceRow(const QString &head, const OptionItem &item)
{
    QStringList values;
    for (const QVariant &value : item.choice.choices)
        values << value.toString();
    return head + " | " + values.join(' ') + " | " + item.choice.defaultValue.toString() + ' '
           + item.choice.initialValue.toString();
}
} // namespace

class TestUserOptionLists : public QObject
{
    Q_OBJECT

private slots:
    void pictureItems_data()
    {
        addColumns<QString, QString, QSize, QSize, QString, QSize>({"codec", "muxer", "source", "jobSize", "sizes", "initial"});
        QTest::newRow("xvid avi") << "xvid" << "avi" << QSize(1000, 562) << QSize(0, 0) << "128x96 176x144 320x240 480x272 384x288 480x320 624x352 480x360 512x384 528x384 704x480 720x480 800x480 960x544 1000x562 704x576 720x576 1280x720 1024x768 1366x768 1440x1088 1920x1088" << QSize(624, 352);
        QTest::newRow("x264 ipod small source") << "x264" << "ipod" << QSize(600, 400) << QSize(600, 400) << "128x96 176x144 320x240 480x272 384x288 480x320 624x352 480x360 528x384 600x400 640x480 704x480 720x480 960x544 704x576 720x576 1280x720" << QSize(600, 400);
        QTest::newRow("psp") << "x264_psp" << "psp" << QSize(1000, 562) << QSize(480, 272) << "128x96 176x144 320x240 352x240 480x272" << QSize(480, 272);
        QTest::newRow("h263") << "h263" << "3gp" << QSize(1000, 562) << QSize(320, 240) << "128x96 176x144 352x288 704x576" << QSize(176, 144);
        QTest::newRow("mpeg2video") << "mpeg2video" << "mpeg" << QSize(720, 576) << QSize(0, 0) << "352x240 352x288 352x480 480x480 704x480 720x480 352x576 480x576 704x576 720x576" << QSize(720, 480);
        QTest::newRow("theora") << "theora" << "ogg" << QSize(0, 0) << QSize(1, 1) << "128x96 176x144 320x240 352x240 480x272 352x288 384x288 480x320 528x320 624x352 480x360 512x384 528x384 352x480 480x480 640x480 704x480 720x480 800x480 960x544 352x576 480x576 704x576 720x576 1280x720 1024x768 1366x768 1056x864 1408x960 1440x1088 1920x1088 1408x1152" << QSize();
    }

    void pictureItems()
    {
        QFETCH(QString, codec);
        QFETCH(QString, muxer);
        QFETCH(QSize, source);
        QFETCH(QSize, jobSize);
        QFETCH(QString, sizes);
        QFETCH(QSize, initial);
        const UserOptionLists lists = filledLists();
        EncodingJob job = jobFor(muxer, source);
        job.target.video.pictureSize = jobSize;
        const auto item = lists.addPictureOptions(codec, job, job.source);
        QCOMPARE(item->kind, int(OptionItem::Choice));
        QCOMPARE(sizeTexts(item->choice.choices).join(' '), sizes);
        QCOMPARE(item->choice.initialValue.toSize(), initial);
    }

    // The iPod sizes and profile names stay once added, also for other containers.
    void ipodLimitsStay()
    {
        UserOptionLists lists = filledLists();
        const EncodingSource source;
        QCOMPARE(lists.valueText(OptionItem::PictureSize, QSize(960, 540), source),
                 QString("960 x 540  -  User defined"));
        lists.addIpodLimits("mp4");
        QCOMPARE(lists.profileConstraintText("x264_main"),
                 QString("H.264 Main Profile (standard-definition digital TV)"));
        lists.addIpodLimits("ipod");
        EncodingJob job = jobFor("mkv");
        const auto item = lists.addPictureOptions("vp8", job, job.source);
        QVERIFY(item->choice.choices.contains(QSize(960, 540)));
        QCOMPARE(QStringList({lists.valueText(OptionItem::PictureSize, QSize(960, 540), source),
                              lists.valueText(OptionItem::PictureSize, QSize(720, 576), source),
                              lists.profileConstraintText("x264_main"),
                              lists.profileConstraintText("x264_extended")}),
                 QStringList({"960 x 540  (iPod touch) -  iPhone 4 (qHD)",
                              "720 x 576  (iPod touch) -  DVD PAL (D1)", "H.264 Main Profile (iPod touch)",
                              "H.264 Extended Profile (video streaming)"}));
    }

    // "codec muxer current -> minimum maximum default initial"
    void videoBitrateItems()
    {
        const QStringList rows = {
            "h263 ipod 0 64 1024 128 128",        "x264 ipod 2000 64 1500 768 1500",
            "x264_lr avi 1234.9 64 4000 768 1234", "x264_hd ipod 10 768 10000 4000 768",
            "mpeg2video ipod -5 300 9800 4900 300", "vp8 webm nan 64 20000 768 768",
            "xvid ipod 20001 64 20000 768 20000",
        };
        const UserOptionLists lists = filledLists();
        for (const QString &row : rows) {
            const QStringList f = row.split(' ');
            EncodingJob job = jobFor(f[1]);
            job.target.video.bitrate = f[2].toDouble();
            const auto item = lists.addVideoBitrateOptions(f[0], job);
            const OptionItem::RangePart &r = item->range;
            QCOMPARE(QString("%1 %2 %3 %4 %5 %6").arg(f[0], f[1], f[2]).arg(r.minimum).arg(r.maximum)
                         .arg(r.defaultValue.toInt()) + ' ' + r.initialValue.toString(), row);
        }
    }

    // "codec muxer current | rates | default initial"
    void samplingItems()
    {
        const QStringList rows = {
            "ac3_copy avi 0 | 48000 | 48000 48000",
            "amrnb 3gp 44100 | 8000 | 8000 8000",
            "aac_flv flv 48000 | 11025 22050 44100 | 44100 44100",
            "aac ipod 30000 | 8000 11025 12000 16000 22050 24000 32000 44100 48000 | 48000 48000",
            "aac_lr mp4 12000 | 8000 11025 12000 16000 22050 24000 32000 44100 48000 | 44100 12000",
            "mp3 flv 48000 | 11025 22050 44100 | 44100 44100",
            "mp2_vcd mpeg_vcd 22050 | 32000 44100 48000 | 44100 32000",
            "vorbis ogg 0 | 8000 11025 12000 16000 22050 24000 32000 44100 48000 96000 192000 | 44100 8000",
        };
        const UserOptionLists lists = filledLists();
        for (const QString &row : rows) {
            const QStringList f = row.section(" | ", 0, 0).split(' ');
            EncodingJob job = jobFor(f[1]);
            job.target.audio.samplingRate = f[2].toInt();
            const auto item = lists.addSamplingOptions(f[0], job);
            QCOMPARE(choiceRow(row.section(" | ", 0, 0), *item), row);
        }
    }

    // "codec muxer noVideo current | bitrates | default initial"
    void audioBitrateItems()
    {
        const QString aac = "8 16 32 40 48 56 64 80 96 112 128 160";
        const QStringList rows = {
            "ac3_copy mkv 0 0 | 448 | 448 448",
            "amrnb 3gp 0 0 | 4.75 5.15 5.9 6.7 7.4 7.95 10.2 12.2 | 4.75 4",
            "amrnb 3gp 0 4.75 | 4.75 5.15 5.9 6.7 7.4 7.95 10.2 12.2 | 4.75 4.75",
            "amrnb 3gp 0 20 | 4.75 5.15 5.9 6.7 7.4 7.95 10.2 12.2 | 4.75 12",
            "aac ipod 0 192 | " + aac + " | 128 160",
            "aac_lr ipod 1 192 | " + aac + " 192 224 256 320 | 160 192",
            "mp3 avi 0 500 | 32 40 48 56 64 80 96 112 128 160 192 224 256 320 | 160 320",
            "ac3 ac3 0 100 | 192 256 384 448 | 448 192",
            "vorbis ogg 0 nan | 32 48 64 96 128 192 224 384 | 192 192",
        };
        const UserOptionLists lists = filledLists();
        for (const QString &row : rows) {
            const QStringList f = row.section(" | ", 0, 0).split(' ');
            EncodingJob job = jobFor(f[1], {}, f[2] == "1");
            job.target.audio.bitrate = f[3].toDouble();
            QCOMPARE(choiceRow(row.section(" | ", 0, 0), *lists.addAudioBitrateOptions(f[0], job)), row);
        }
    }

    // Which typed or source sizes a list takes: the iPod list only sources up to 640 x 480,
    // the fixed lists none.
    void sizeBounds()
    {
        const UserOptionLists lists = filledLists();
        // source: offered as the source's size; typed: taken from the store without a source.
        const struct { const char *codec, *muxer; QSize size; bool source; bool typed; } rows[] = {
            {"x264", "ipod", {640, 400}, true, false},   {"x264", "ipod", {642, 400}, false, false},
            {"x264", "ipod", {600, 480}, true, false},   {"x264", "ipod", {600, 482}, false, false},
            {"x264", "psp", {600, 400}, false, false},   {"x264", "mkv", {642, 402}, true, true},
            {"h263", "3gp", {640, 360}, false, false},   {"vp8", "webm", {4098, 2048}, true, false}, {"vp8", "webm", {4096, 2048}, true, true},
            {"vp8", "webm", {14, 2048}, true, false},
        };
        for (const auto &row : rows) {
            QCOMPARE(lists.pictureSizes(row.codec, row.muxer, row.size).values.contains(row.size),
                     row.source);
            QCOMPARE(lists.storedPictureSize(row.codec, row.muxer, row.size, row.size).isValid(),
                     row.source);
            QCOMPARE(lists.storedPictureSize(row.codec, row.muxer, row.size, {}).isValid(), row.typed);
        }
    }

    void x264Items()
    {
        const UserOptionLists lists = filledLists();
        EncodingJob job = jobFor("mkv");
        job.target.video.preset = "slow";
        job.target.video.profile = "x264_extended";
        const auto preset = lists.addQualityPresetOptions("x264", job);
        const auto profile = lists.addProfileConstraintOptions("x264", job);
        QCOMPARE(preset->choice.choices.size(), 10);
        QCOMPARE(preset->choice.initialValue.toString() + ' ' + preset->choice.defaultValue.toString()
                     + ' ' + preset->choice.label,
                 QString("slow medium Quality preset:"));
        QCOMPARE(profile->choice.choices,
                 QVariantList({"x264_baseline", "x264_main", "x264_high"}));
        QCOMPARE(profile->choice.initialValue.toString() + ' ' + profile->choice.label,
                 QString("x264_high Profile constraints:"));
        QVERIFY(lists.addQualityPresetOptions("x264_hd", job)->choice.choices.isEmpty());
        QVERIFY(!lists.addProfileConstraintOptions("xvid", job)->choice.initialValue.isValid());
    }

    void valueTexts()
    {
        UserOptionLists lists = filledLists();
        EncodingSource source;
        source.video.width = 500;
        source.video.height = 300;
        source.audio.samplingRate = 44100;
        source.audio.bitrate = 192;
        const struct { int kind; QVariant value; const char *text; } rows[] = {
            {0, QSize(640, 480), "640 x 480  -  VGA (Square pixel 4:3)"},
            {0, QSize(500, 300), "500 x 300  -  Original input size"},
            {0, QSize(500, 302), "500 x 302  -  User defined"},
            {1, "medium", "Medium (default)"}, {1, "turbo", "Turbo"},
            {2, "", "None (default)"}, {2, "main10", "Main10"},
            {3, 44100, "44100 Hz  -  Original input frequency"},
            {3, 11025, "11025 Hz  (Low quality)"},
            {3, 44000, "44000 Hz  -  User defined frequency"},
            {4, 16.0, "16 kbps"}, {4, 15.9, "15900 bit/s"},
            {4, 192.0, "192 kbps  (original input bitrate)"}, {4, 1234567.0, "1.23457e+06 kbps"},
            {7, 1, "Unreferenced item"}, {-1, 1, "Unreferenced item"},
        };
        for (const auto &row : rows)
            QCOMPARE(lists.valueText(row.kind, row.value, source), QString(row.text));
        source.audio.bitrate = 12.2;
        QCOMPARE(lists.valueText(4, 12.2, source), QString("12200 bit/s  (original input bitrate)"));
    }

    // Applying stores the selected value by its type; an item the dialog never set keeps
    // the job's value.
    void applyingItems()
    {
        EncodingJob job = jobFor("avi");
        job.target.video.bitrate = 900;
        job.target.audio.samplingRate = 44100;
        OptionItem size;
        size.kind = OptionItem::Choice;
        size.choice.target = &job.target.video.pictureSize;
        size.choice.valueType = OptionItem::SizeValue;
        size.choice.selectedValue = QSize(640, 480);
        size.apply();
        QCOMPARE(job.target.video.pictureSize, QSize(640, 480));
        size.choice.selectedValue = QSize(0, 480); // a width field that held no number
        size.apply();
        QCOMPARE(job.target.video.pictureSize, QSize(640, 480));
        OptionItem rate = size;
        rate.choice.target = &job.target.audio.samplingRate;
        rate.choice.valueType = OptionItem::IntValue;
        rate.choice.selectedValue = "48000";
        rate.apply();
        QCOMPARE(job.target.audio.samplingRate, 48000);
        rate.choice.valueType = OptionItem::DoubleValue; // a target of another type
        rate.choice.selectedValue = 32000;
        rate.apply();
        QCOMPARE(job.target.audio.samplingRate, 48000);
        OptionItem bitrate;
        bitrate.kind = OptionItem::Range;
        bitrate.range.target = &job.target.video.bitrate;
        bitrate.range.valueType = OptionItem::DoubleValue;
        bitrate.apply();
        QCOMPARE(job.target.video.bitrate, 900.0);
        bitrate.range.selectedValue = 1200;
        bitrate.kind = 2;
        bitrate.apply();
        QCOMPARE(job.target.video.bitrate, 900.0);
        bitrate.kind = OptionItem::Range;
        bitrate.apply();
        QCOMPARE(job.target.video.bitrate, 1200.0);
        bitrate.range.selectedValue = "garbled";
        bitrate.apply();
        QCOMPARE(job.target.video.bitrate, 0.0);
    }
};

class TestLastUserProfile : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    void writtenUnderItsKeys()
    {
        EncodingTarget target;
        target.muxer = "avi";
        target.video.codec = "xvid";
        target.video.standard = "PAL";
        target.video.pictureSize = QSize(624, 352);
        target.video.bitrate = 1200;
        target.audio.codec = "mp3";
        target.audio.samplingRate = 44100;
        target.audio.bitrate = 128;
        LastUserProfile::save(target);
        QSettings settings;
        settings.beginGroup("Encoder/Last User Profile/avi");
        QCOMPARE(settings.value("Video/xvid PAL/rez").toSize(), QSize(624, 352));
        QCOMPARE(settings.value("Audio/mp3/sampling").toInt(), 44100);

        const UserOptionLists lists = filledLists();
        EncodingJob job = jobFor("avi");
        QVERIFY(LastUserProfile::load("avi", "PAL", "xvid", "mp3", job.target, job.source, lists));
        const EncodingTarget &t = job.target;
        QCOMPARE(QString("%1 %2x%3 %4 %5 %6 %7").arg(t.video.codec).arg(t.video.pictureSize.width())
                     .arg(t.video.pictureSize.height()).arg(t.video.bitrate).arg(t.audio.codec)
                     .arg(t.audio.samplingRate).arg(t.audio.bitrate),
                 QString("xvid 624x352 1200 mp3 44100 128"));

        // Another standard finds no "xvid NTSC" and no plain "xvid" group.
        EncodingJob ntsc = jobFor("avi");
        QVERIFY(!LastUserProfile::load("avi", "NTSC", "xvid", "mp3", ntsc.target, ntsc.source, lists));
        QVERIFY(ntsc.target.video.codec.isEmpty());
        QCOMPARE(ntsc.target.audio.codec, QString("mp3"));
        target.video.standard.clear();
        target.video.pictureSize = QSize(480, 272);
        LastUserProfile::save(target);
        QVERIFY(LastUserProfile::load("avi", "NTSC", "xvid", "mp3", ntsc.target, ntsc.source, lists));
        QCOMPARE(ntsc.target.video.pictureSize, QSize(480, 272));
    }

    void partsLeftOut()
    {
        const UserOptionLists lists = filledLists();
        EncodingTarget target;
        target.muxer = "mp3";
        target.video.codec = "novideo";
        target.audio.codec = "mp3";
        target.audio.samplingRate = 48000;
        LastUserProfile::save(target);
        target.muxer = "mkv";
        target.video.codec.clear();
        target.audio.codec.clear();
        LastUserProfile::save(target); // both codecs empty: nothing
        target.muxer.clear();
        target.audio.codec = "mp3";
        LastUserProfile::save(target); // no container: nothing
        QSettings settings;
        settings.beginGroup("Encoder/Last User Profile");
        QCOMPARE(settings.childGroups(), QStringList{"mp3"});
        QCOMPARE(settings.allKeys(), QStringList({"mp3/Audio/mp3/bitrate", "mp3/Audio/mp3/sampling"}));

        EncodingJob job = jobFor("mp3");
        QVERIFY(LastUserProfile::load("mp3", "", "novideo", "mp3", job.target, job.source, lists));
        QCOMPARE(job.target.audio.samplingRate, 48000);
        QCOMPARE(job.target.audio.bitrate, 160.0); // 0 stored: the default
        job.target.video.codec = "keep";
        QVERIFY(!LastUserProfile::load("ogg", "", "theora", "vorbis", job.target, job.source, lists));
        QVERIFY(!LastUserProfile::load("", "", "", "", job.target, job.source, lists));
        QCOMPARE(job.target.video.codec, QString("keep"));
        // A lossless codec has no bitrate, whatever the store holds.
        target.muxer = "m4a";
        target.audio.codec = "alac";
        target.audio.bitrate = 128;
        LastUserProfile::save(target);
        QVERIFY(LastUserProfile::load("m4a", "", "novideo", "alac", job.target, job.source, lists));
        QCOMPARE(job.target.audio.bitrate, 0.0);
    }

    // Hand-edited values: "key=value" lines under [Encoder], the expected outcome and what
    // the job then holds ("size kbit/s | Hz kbit/s"; "-" where the part was not read).
    void storedValuesChecked_data()
    {
        addColumns<QString, QString, bool, QString>({"lines", "video", "complete", "job"});
        const QString audio = "Last%20User%20Profile\\avi\\Audio\\mp3\\";
        const QString xvid = "Last%20User%20Profile\\avi\\Video\\xvid\\";
        QTest::newRow("negative bitrates") << xvid + "rez=@Size(624 352)\n" + xvid + "bitrate=-50\n" + audio + "sampling=44100\n" + audio + "bitrate=-1" << "xvid" << true << "624x352 64 | 44100 32";
        QTest::newRow("huge values") << xvid + "rez=@Size(1920 1088)\n" + xvid + "bitrate=1e300\n" + audio + "sampling=99999999999\n" + audio + "bitrate=999" << "xvid" << false << "1920x1088 20000 | -";
        QTest::newRow("unlisted values") << xvid + "rez=@Size(640 360)\n" + xvid + "bitrate=1000\n" + audio + "sampling=44000\n" + audio + "bitrate=150" << "xvid" << true << "640x360 1000 | 44100 160";
        QTest::newRow("garbled") << xvid + "rez=huge\n" + xvid + "bitrate=1000\n" + audio + "sampling=fast\n" + audio + "bitrate=128" << "xvid" << false << "- | -";
        QTest::newRow("truncated key") << xvid + "re=@Size(624 352)\n" + xvid + "bitrate=1000\n" + audio + "sampl=44100\n" + audio + "bitrate=nan" << "xvid" << false << "- | -";
        QTest::newRow("odd typed size") << xvid + "rez=@Size(623 352)\n" + audio + "sampling=8000" << "xvid" << false << "- | 16000 160";
        QTest::newRow("missing sampling") << audio + "bitrate=128" << "xvid" << false << "- | 44100 128";
        QTest::newRow("negative size") << xvid + "rez=@Size(-624 -352)\n" << "xvid" << false << "- | -";
        QTest::newRow("size mpeg2 cannot take") << "Last%20User%20Profile\\avi\\Video\\mpeg2video\\rez=@Size(640 360)" << "mpeg2video" << false << "- | -";
        QTest::newRow("codec the engine lacks") << "Last%20User%20Profile\\avi\\Video\\libfoo\\rez=@Size(640 360)\n" + audio + "sampling=44100" << "xvid" << false << "- | 44100 160";
    }

    void storedValuesChecked()
    {
        QFETCH(QString, lines);
        QFETCH(QString, video);
        QFETCH(bool, complete);
        QFETCH(QString, job);
        QFile out(QSettings().fileName());
        QDir().mkpath(QFileInfo(out).absolutePath());
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("[Encoder]\n" + lines.toUtf8() + "\n");
        out.close();

        const UserOptionLists lists = filledLists();
        EncodingJob encoding = jobFor("avi");
        QCOMPARE(LastUserProfile::load("avi", "", video, "mp3", encoding.target, encoding.source, lists),
                 complete);
        const EncodingTarget &t = encoding.target;
        const QString videoPart = t.video.codec.isEmpty() ? "-"
            : QString("%1x%2 %3").arg(t.video.pictureSize.width()).arg(t.video.pictureSize.height())
                  .arg(t.video.bitrate);
        const QString audioPart = t.audio.codec.isEmpty() ? "-"
            : QString("%1 %2").arg(t.audio.samplingRate).arg(t.audio.bitrate);
        QCOMPARE(videoPart + " | " + audioPart, job);
    }
};

VEXO_TEST_CLASS(TestUserOptionLists)
VEXO_TEST_CLASS(TestLastUserProfile)
#include "tst_useroptions.moc"
