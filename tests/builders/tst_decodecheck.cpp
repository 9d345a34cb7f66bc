// The decode check the output tables judge files by, on files FFmpeg writes as the FFmpeg
// builder asks: a picture whose stored times are sound decodes clean, with every frame and
// no holes, whatever grid its container stores times on. And the verdict on what a player
// finds, on files made right and files made with each fault it must name.

#include "outputreport.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QTest>

Q_DECLARE_METATYPE(PlayerExpectation)

namespace {
QStringList picture(const QString &source, const QString &filter = {})
{
    return {"-f", "lavfi", "-i", "testsrc2=" + source + (filter.isEmpty() ? "" : "," + filter)};
}
const QStringList kTone{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=1"};
const QStringList kH264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-ac", "2"};

// A one-second source of that shape and rate with a 440 Hz tone, as an H.264 and AAC file.
PlayerExpectation source(double aspect, double rate)
{
    PlayerExpectation expected;
    expected.video = "h264";
    expected.audio = QStringList{"aac"};
    expected.aspect = aspect;
    expected.frameRate = rate;
    expected.pictureSeconds = expected.soundSeconds = 1;
    expected.sampleRate = 44100;
    expected.channels = 2;
    expected.tone = 440;
    expected.pixelFormat = "yuv420p";
    return expected;
}

// A file made as a player may get it, what a player must find in it, and the start of the
// verdict on it.
struct Verdict
{
    const char *name;
    QString file;
    QStringList make;
    PlayerExpectation expected;
    QString verdict;
    QString shownAs = {}; // the source whose picture a player must find again (sourcePicture)
};

// The expectation with the look and the fields of the source the file was made from.
PlayerExpectation expectedOf(const Verdict &row)
{
    PlayerExpectation expected = row.expected;
    if (row.shownAs.isEmpty())
        return expected;
    expected.showing(sourcePicture(row.shownAs));
    return expected;
}

const QList<Verdict> &verdicts()
{
    static const QList<Verdict> cases = [] {
        QList<Verdict> cases;
        const QString second = ":duration=1";
        const PlayerExpectation portrait = source(9.0 / 16, 25), wide = source(16.0 / 9, 25);
        cases.append({"portrait pillarboxed in a 4:3 frame", "pillarbox.mp4",
            picture("size=108x192:rate=25" + second, "scale=148:240,pad=352:240:102:0,setdar=4/3") + kTone + kH264,
            portrait, "ok"});
        // Bytes of the pictures changed on their way into the file.
        cases.append({"pictures damaged in the file", "damaged.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264 + QStringList{"-bsf:v", "noise=amount=50"},
            wide, "decoding: "});
        cases.append({"portrait stretched over a 4:3 frame", "stretched.mp4",
            picture("size=108x192:rate=25" + second, "scale=352:240,setdar=4/3") + kTone + kH264,
            portrait, "picture 352x240 in 352x240 shown at 1.333"});
        cases.append({"portrait stored wide, shown upright", "sideways.mp4",
            picture("size=108x192:rate=25" + second, "scale=352:192,setdar=9/16") + kTone + kH264,
            portrait, "picture 352x192 in 352x192 shown at 0.563: shape 0.563, expected 0.563, stored the other"});
        cases.append({"a tiny picture at its own size", "tiny.mp4",
            picture("size=96x54:rate=25" + second) + kTone + kH264,
            wide, "ok"});
        cases.append({"a wide picture cut to 4:3", "cut.mp4",
            picture("size=192x108:rate=25" + second, "crop=144:108") + kTone + kH264,
            wide, "picture 144x108 in 144x108"});
        PlayerExpectation fast = source(16.0 / 9, 50);
        const QStringList ten = picture("size=160x90:rate=50" + second, "fps=10") + kTone + kH264;
        cases.append({"50 fps written at 10", "ten.mp4",
            ten, fast, "10.000 fps from a 50.000"});
        fast.ownRates = {25};
        cases.append({"50 fps at the target's own 25", "halved.mp4",
            picture("size=160x90:rate=50" + second, "fps=25") + kTone + kH264,
            fast, "ok"});
        cases.append({"50 fps written at 10 by a target of 25", "ten.mp4",
            ten, fast, "10.000 fps from a 50.000"});
        PlayerExpectation film = source(16.0 / 9, 24000.0 / 1001);
        film.ownRates = {30000.0 / 1001};
        cases.append({"film rate raised to NTSC's repeats pictures", "raised.mp4",
            picture("size=160x90:rate=24000/1001" + second, "fps=30000/1001") + kTone + kH264,
            film, "ok"});
        cases.append({"pictures repeated at the source's rate", "repeated.mp4",
            picture("size=160x90:rate=25" + second, "select='not(eq(n\\,5)+eq(n\\,9)+eq(n\\,14))',fps=25")
            + kTone + kH264,
            wide, "3 of 25 pictures repeat the one before, 0 held"});
        cases.append({"pictures left out of the times", "gaps.mp4",
            picture("size=160x90:rate=25" + second, "select='not(eq(n\\,5)+eq(n\\,9))'") + kTone + kH264
            + QStringList{"-fps_mode", "passthrough"},
            wide, "0 of 23 pictures repeat the one before, 2 held"});
        cases.append({"a picture that stops early", "stops.mp4",
            picture("size=160x90:rate=25:duration=0.5") + kTone + kH264,
            wide, "picture lasts 0.5"});
        cases.append({"sound that stops early", "silent.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264 + QStringList{"-af", "atrim=0:0.5"},
            wide, "sound lasts 0.5"});
        PlayerExpectation stereo = wide;
        stereo.soundSeconds = 0.5;
        cases.append({"sound shorter than the picture, as in the source", "shortsound.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264 + QStringList{"-af", "atrim=0:0.5"},
            stereo, "ok"});
        cases.append({"short sound run on in silence to the picture's end", "padded.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264
            + QStringList{"-af", "atrim=0:0.5,apad=pad_dur=0.5"},
            stereo, "ok"});
        cases.append({"sound that starts late", "late.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264
            + QStringList{"-af", "atrim=0:0.6,adelay=400:all=1"},
            wide, "ok"});
        PlayerExpectation soundOnly = stereo;
        soundOnly.video.clear();
        soundOnly.audio = QStringList{"mp3"};
        cases.append({"short sound run on alone", "runon.mp3",
            kTone + QStringList{"-af", "atrim=0:0.5,apad=pad_dur=0.5", "-c:a", "libmp3lame"},
            soundOnly, "sound lasts 1.0"});
        stereo = wide;
        stereo.channels = 2;
        cases.append({"six channels for a stereo device", "six.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264 + QStringList{"-ac", "6"},
            stereo, "6 channels, expected at most 2"});
        PlayerExpectation copy = wide;
        copy.channels = 6;
        copy.exactChannels = true;
        cases.append({"a copy that lost channels", "fewer.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264,
            copy, "2 channels, expected 6"});
        cases.append({"sound running on past the picture", "longer.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264 + QStringList{"-af", "apad=pad_dur=0.5"},
            wide, "sound lasts 1.5"});
        cases.append({"sound at another rate", "rate.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264 + QStringList{"-ar", "22050"},
            wide, "sound at 22050 Hz, expected 44100"});
        PlayerExpectation high = wide;
        high.tone = 880;
        cases.append({"the other track's sound", "track.mp4",
            picture("size=160x90:rate=25" + second) + kTone + kH264,
            high, "a tone of 440 Hz, the chosen track has 880"});
        cases.append({"the chosen track's sound", "high.mp4",
            picture("size=160x90:rate=25" + second) + QStringList{"-f", "lavfi", "-i",
            "sine=frequency=880:sample_rate=44100:duration=1"} + kH264,
            high, "ok"});
        cases.append({"29.97 fps written at 30", "thirty.mp4",
            picture("size=160x90:rate=30000/1001" + second, "fps=30") + kTone + kH264,
            source(16.0 / 9, 30000.0 / 1001), "ok"});
        cases.append({"a 16:9 disc frame of 480x576", "svcd.mpg",
            picture("size=192x108:rate=25" + second, "scale=480:576,setdar=16/9") + kTone
            + QStringList{"-c:v", "mpeg2video", "-c:a", "mp2"},
            [] { PlayerExpectation e = source(16.0 / 9, 25); e.video = "mpeg2video"; e.audio = {"mp2"}; return e; }(), "ok"});
        // Pictures in a format the target's players do not take: MPEG-2's 4:2:2 profile (a
        // DVD player's decoder refuses it), 10-bit H.264 (a phone's refuses it).
        const PlayerExpectation mpeg2 = [] { PlayerExpectation e = source(16.0 / 9, 25); e.video = "mpeg2video"; e.audio = {"mp2"}; return e; }();
        cases.append({"4:2:2 pictures for players of 4:2:0", "chroma422.mpg",
            picture("size=192x108:rate=25" + second) + kTone + QStringList{"-c:v", "mpeg2video", "-pix_fmt", "yuv422p", "-c:a", "mp2"},
            mpeg2, "pictures in yuv422p, its players take yuv420p"});
        cases.append({"10-bit pictures for players of 8 bits", "deep.mp4",
            picture("size=192x108:rate=25" + second) + kTone + kH264 + QStringList{"-pix_fmt", "yuv420p10le"},
            wide, "pictures in yuv420p10le, its players take yuv420p"});
        // Its last column, at an odd place, is measured as bar: a pixel of the picture's 27.
        cases.append({"a tiny portrait a column short", "column.mp4",
            picture("size=108x192:rate=25" + second, "scale=27:48,pad=64:48:19:0") + kTone + kH264,
            portrait, "ok"});
        cases.append({"a 2.37 picture shown at 2.21", "scope.mp4",
            picture("size=192x108:rate=25" + second, "setdar=221/100") + kTone + kH264,
            source(64.0 / 27, 25), "picture 192x108 in 192x108 shown at 2.21"});
        PlayerExpectation subtitled = source(16.0 / 9, 25);
        subtitled.pictureSeconds = subtitled.soundSeconds = 2;
        subtitled.subtitleFrom = 0.5;
        subtitled.subtitleTo = 1.5;
        const QString dark = "lutyuv=y=16+(val-16)*0.5";
        const QString text = "drawtext=text=HHHH:fontcolor=white:fontsize=20:x=60:y=80:enable='between(t,0.5,1.5)'";
        const QStringList twoSeconds{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2"};
        cases.append({"a subtitle over a dark picture", "subtitled.mp4",
            picture("size=192x108:rate=25:duration=2", dark + "," + text) + twoSeconds + kH264,
            subtitled, "ok"});
        cases.append({"a subtitle in the bar below a wide picture", "barsubtitle.mp4",
            picture("size=192x108:rate=25:duration=2", dark + ",pad=192:144:0:18,"
            + QString(text).replace("y=80", "y=126").replace("fontsize=20", "fontsize=16"))
            + twoSeconds + kH264,
            subtitled, "ok"});
        cases.append({"a subtitle chosen, not shown", "unsubtitled.mp4",
            picture("size=192x108:rate=25:duration=2", dark) + twoSeconds + kH264,
            subtitled, "the subtitle shows in 0 %"});
        cases.append({"a subtitle shown early", "early.mp4",
            picture("size=192x108:rate=25:duration=2", dark + "," + QString(text).replace("between(t,0.5,1.5)", "lt(t,1.5)"))
            + twoSeconds + kH264,
            subtitled, "the subtitle shows in 100 % of the pictures of its time, 100 % before, 0 %"});
        cases.append({"a subtitle shown late", "latesubtitle.mp4",
            picture("size=192x108:rate=25:duration=2", dark + "," + QString(text).replace("between(t,0.5,1.5)", "gte(t,0.5)"))
            + twoSeconds + kH264,
            subtitled, "the subtitle shows in 100 % of the pictures of its time, 0 % before, 100 % after"});
        cases.append({"a subtitle shown all the time", "always.mp4",
            picture("size=192x108:rate=25:duration=2", dark + "," + QString(text).replace("between(t,0.5,1.5)", "1"))
            + twoSeconds + kH264,
            subtitled, "the subtitle shows in 100 % of the pictures of its time, 100 % before"});
        // A phone's picture stored wide, shown turned a quarter clockwise, and a picture shown
        // upside down (the turn a flag of 90 degrees and one of 180 ask for).
        const QStringList stored = picture("size=192x108:rate=25" + second) + kTone + kH264;
        const QString quarter = TestMedia::clip("verdict-quarter.mp4", stored + QStringList{"THEN", "-c", "copy",
                                                "-metadata:s:v:0", "rotate=270"});
        const QString half = TestMedia::clip("verdict-half.mp4", stored + QStringList{"THEN", "-c", "copy",
                                             "-metadata:s:v:0", "rotate=180"});
        cases.append({"a quarter turn shown upright", "upright.mp4",
            picture("size=192x108:rate=25" + second, "transpose=clock") + kTone + kH264, portrait, "ok", quarter});
        cases.append({"a quarter turn shown the other way", "otherway.mp4",
            picture("size=192x108:rate=25" + second, "transpose=cclock") + kTone + kH264, portrait,
            "the picture is shown turned 180 degrees", quarter});
        cases.append({"a quarter turn shown mirrored", "mirrored.mp4",
            picture("size=192x108:rate=25" + second, "transpose=clock,hflip") + kTone + kH264, portrait,
            "the picture is shown mirrored", quarter});
        cases.append({"a half turn left as stored", "unturned.mp4", stored, wide,
            "the picture is shown turned 180 degrees", half});
        cases.append({"a half turn shown upright", "halfturned.mp4",
            picture("size=192x108:rate=25" + second, "hflip,vflip") + kTone + kH264, wide, "ok", half});
        // Fields a fiftieth of a second apart, a bright bar moving over a dark picture: made
        // whole, blended by a scale, kept but flagged progressive, kept in a progressive output.
        const QString fields = TestMedia::clip("verdict-fields.ts", picture("size=720x576:rate=50" + second,
            "lutyuv=y=16+(val-16)*0.4,boxblur=3[dark];color=white:size=32x576:rate=50[bar];"
            "[dark][bar]overlay=x='mod(n*48\\,688)':shortest=1,tinterlace=interleave_top,setfield=tff") + kTone
            + QStringList{"-c:v", "mpeg2video", "-b:v", "8000k", "-flags", "+ilme+ildct", "-top", "1", "-aspect",
                          "16:9", "-c:a", "mp2", "-ac", "2", "-f", "mpegts"});
        const QStringList fromFields{"-i", fields, "-map", "0:v", "-map", "0:a"};
        const QStringList kH264Only = kH264.mid(0, 6) + QStringList{"-c:a", "aac", "-ac", "2"};
        cases.append({"fields made whole", "whole.mp4", fromFields + QStringList{"-vf", "yadif,scale=320:180"}
            + kH264Only, wide, "ok", fields});
        cases.append({"fields blended by a scale", "blended.mp4", fromFields + QStringList{"-vf", "scale=320:180"}
            + kH264Only, wide, "fields blended: 25 of 25 pictures", fields});
        cases.append({"fields combed in a progressive output", "combed.mp4", fromFields + kH264Only, wide,
            "25 of 25 pictures interlaced in a progressive output", fields});
        const PlayerExpectation disc = [&] { PlayerExpectation e = wide; e.video = "mpeg2video"; e.audio = {"mp2"}; return e; }();
        cases.append({"fields kept and flagged", "kept.mpg", fromFields + QStringList{"-c:v", "mpeg2video", "-b:v",
            "8000k", "-flags", "+ilme+ildct", "-top", "1", "-aspect", "16:9", "-c:a", "mp2"}, disc, "ok", fields});
        cases.append({"fields kept, flagged progressive", "unflagged.mpg", fromFields + QStringList{"-c:v",
            "mpeg2video", "-b:v", "8000k", "-aspect", "16:9", "-c:a", "mp2"}, disc,
            "fields flagged \"\" where the source's \"tt\" are kept", fields});
        cases.append({"fields kept in the other order", "bottom.mpg", fromFields + QStringList{"-c:v", "mpeg2video",
            "-b:v", "8000k", "-flags", "+ilme+ildct", "-top", "0", "-aspect", "16:9", "-c:a", "mp2"}, disc,
            "fields flagged \"bb\" where the source's \"tt\" are kept", fields});
        PlayerExpectation sound = source(0, 0);
        sound.video.clear();
        sound.audio = QStringList{"mp3"};
        sound.pictureSeconds = 0;
        const QStringList cover = kTone + picture("size=64x64:rate=1:duration=1")
            + QStringList{"-map", "0:a", "-map", "1:v", "-c:a", "libmp3lame", "-ac", "2", "-c:v", "mjpeg", "-frames:v", "1"};
        cases.append({"a cover picture beside the sound", "cover.mp3",
            cover + QStringList{"-disposition:v", "attached_pic"},
            sound, "ok"});
        cases.append({"a one-picture video beside the sound", "cover.avi",
            cover, sound, "streams mjpeg/mp3, expected /mp3"});
        return cases;
    }();
    return cases;
}
} // namespace

class DecodeCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void storedTimesAreJudgedAsStored_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("soundRate");
        QTest::addColumn<int>("pictures");
        // MP3's delay starts the picture 50 ms (a frame and a half) late, on whole milliseconds.
        QTest::newRow("FLV at 29.97 fps behind 22.05 kHz MP3") << "30000/1001" << "22050" << 30;
        QTest::newRow("FLV at 29.97 fps behind 44.1 kHz MP3") << "30000/1001" << "44100" << 30;
        QTest::newRow("FLV at 25 fps behind 22.05 kHz MP3") << "25" << "22050" << 25;
    }

    void storedTimesAreJudgedAsStored()
    {
        QFETCH(QString, rate);
        QFETCH(QString, soundRate);
        QFETCH(int, pictures);
        const QString name = QStringLiteral("check-%1-%2").arg(QString(rate).replace('/', '-'), soundRate);
        // The FLV builder's picture and sound, from a one-second source at that rate.
        const QString file = TestMedia::clip(name + ".flv",
            {"-f", "lavfi", "-i", "testsrc=size=192x108:rate=" + rate + ":duration=1", "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=48000:duration=1", "-bf", "0", "-preset", "superfast",
             "-pix_fmt", "yuv420p", "-vcodec", "libx264", "-ac", "2", "-ar", soundRate, "-ab", "48k",
             "-acodec", "libmp3lame"});
        QVERIFY(!file.isEmpty());
        const QString files = TestMedia::folder() + "/" + name;
        QString log;
        QCOMPARE(TestMedia::run("ffmpeg", decodeArguments(file, files, true, true), nullptr, &log), 0);
        const DecodeReport report = readDecodeReport(log.toUtf8(), files);
        QVERIFY2(report.errors.isEmpty(), qPrintable(report.errors.left(300)));
        QCOMPARE(report.pictures, pictures);
        QCOMPARE(report.holes, 0);
        QVERIFY(qAbs(report.videoSeconds - 1.0) < 0.05);
    }

    void playerChecksNameWhatAPlayerSees_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("make");
        QTest::addColumn<PlayerExpectation>("expected");
        QTest::addColumn<QString>("verdict"); // its start
        QTest::addColumn<QString>("shownAs");
        for (const Verdict &row : verdicts())
            QTest::newRow(row.name) << row.file << row.make << row.expected << row.verdict << row.shownAs;
    }

    void playerChecksNameWhatAPlayerSees()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, make);
        QFETCH(PlayerExpectation, expected);
        QFETCH(QString, verdict);
        QFETCH(QString, shownAs);
        const QString path = TestMedia::clip("verdict-" + file, make);
        QVERIFY(!path.isEmpty());
        const QString files = TestMedia::folder() + "/verdict-" + file;
        QString log;
        const PlayerExpectation shown = expectedOf({"", file, make, expected, verdict, shownAs});
        TestMedia::run("ffmpeg", decodeArguments(path, files, !expected.video.isEmpty(), !expected.audio.isEmpty(),
                                                 expected.subtitleTo > 0 || shown.leastPeak > 0), nullptr, &log);
        const QString found = playerFault(shown, readDecodeReport(log.toUtf8(), files));
        QVERIFY2(found.startsWith(verdict), qPrintable(found));
    }

    // The files decoded a few to an FFmpeg run, as the tables decode their outputs: each
    // verdict is the one of its file's own run, a damaged file's fault told of that file
    // alone, whichever files share its run.
    void decodedTogetherEachFileIsJudgedAsAlone()
    {
        QList<DecodeInput> inputs;
        for (const Verdict &row : verdicts()) {
            const QString path = TestMedia::clip("verdict-" + row.file, row.make);
            QVERIFY(!path.isEmpty());
            inputs.append({path, TestMedia::folder() + QStringLiteral("/together-%1").arg(inputs.size()),
                           !row.expected.video.isEmpty(), !row.expected.audio.isEmpty(),
                           row.expected.subtitleTo > 0 || expectedOf(row).leastPeak > 0});
        }
        const QList<DecodeReport> reports = decodeAll(inputs);
        QCOMPARE(reports.size(), verdicts().size());
        QStringList wrong;
        for (int i = 0; i < reports.size(); ++i) {
            const QString found = playerFault(expectedOf(verdicts()[i]), reports[i]);
            if (!found.startsWith(verdicts()[i].verdict))
                wrong << QStringLiteral("%1: %2").arg(verdicts()[i].name, found);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    }
};

VEXO_TEST_CLASS(DecodeCheckTest)
#include "tst_decodecheck.moc"
