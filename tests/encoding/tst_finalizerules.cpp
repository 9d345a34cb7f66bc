// The rules both encoder panels share: aspect snapping and measuring, the trial's start in
// short clips, MediaInfo durations, which result gets a finalising job, and how a finalising
// job's end keeps the user's encoding.

#include "encoding/finalizerules.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <limits>

class FinalizeRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void aspectAndPosition_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<double>("snapped");
        QTest::addColumn<int>("position");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("kept"); // the extended panel's start
        QTest::newRow("4:3, long clip") << 1.3333 << 1.33 << 12 << 60.0 << 12 << 12;
        QTest::newRow("16:9, 15 s clip") << 1.7778 << 1.78 << 12 << 15.0 << 5 << 12;
        QTest::newRow("1.31 edge, just fits") << 1.31 << 0.0 << 12 << 22.5 << 12 << 12;
        QTest::newRow("1.35 edge, on the limit") << 1.35 << 0.0 << 12 << 22.0 << 12 << 12;
        QTest::newRow("1.75 edge, fraction dropped") << 1.75 << 0.0 << 12 << 21.5 << 11 << 12;
        QTest::newRow("1.79 edge, clip under 10 s") << 1.79 << 0.0 << 12 << 3.0 << 0 << 0;
        QTest::newRow("1.85") << 1.85 << 0.0 << 0 << 60.0 << 0 << 0;
        QTest::newRow("no duration read") << 1.0 << 0.0 << 12 << qQNaN() << 0 << 12;
        QTest::newRow("start just before the end") << 1.0 << 0.0 << 12 << 12.5 << 2 << 12;
        QTest::newRow("start on the end") << 1.0 << 0.0 << 12 << 12.0 << 2 << 2;
    }
    void aspectAndPosition()
    {
        QFETCH(double, ratio);
        QFETCH(double, snapped);
        QFETCH(int, position);
        QFETCH(double, duration);
        QFETCH(int, start);
        QFETCH(int, kept);
        QCOMPARE(FinalizeRules::snappedAspect(ratio), snapped);
        QCOMPARE(FinalizeRules::testPosition(position, duration), start);
        QCOMPARE(FinalizeRules::keptTestPosition(position, duration), kept);
    }

    void measuring_data()
    {
        QTest::addColumn<QString>("aspectText");
        QTest::addColumn<double>("measured");
        QTest::addColumn<QString>("durationText");
        QTest::addColumn<int>("seconds");
        QTest::newRow("16:9, old hours") << "16:9" << 16.0 / 9 << "1h 23mn" << 4980;
        QTest::newRow("number, today's min s") << "1.778" << 1.778 << "5 min 30 s" << 330;
        QTest::newRow("below 1, ms dropped") << "0.75" << 0.0 << "30s 500ms" << 30;
        QTest::newRow("1.85:1, all parts") << "1.85:1" << 1.85 << "1 h 2 min 3 s 999 ms" << 3723;
        QTest::newRow("zero part, missing") << "0:9" << 0.0 << "" << 0;
        QTest::newRow("596524 hours: the largest int") << "4:3" << 4.0 / 3 << "596524 h" << std::numeric_limits<int>::max();
    }
    void measuring()
    {
        QFETCH(QString, aspectText);
        QFETCH(double, measured);
        QFETCH(QString, durationText);
        QFETCH(int, seconds);
        QVERIFY(qAbs(FinalizeRules::measuredAspect(aspectText) - measured) < 1e-9);
        QCOMPARE(FinalizeRules::durationSeconds(durationText), seconds);
    }

    void finalisingChoice_data()
    {
        QTest::addColumn<QString>("videoFormat");
        QTest::addColumn<int>("audioStreams");
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<QString>("aspect");
        QTest::addColumn<double>("requested");
        QTest::addColumn<bool>("extract");
        QTest::addColumn<bool>("correct");
        QTest::newRow("placeholder, one audio") << "FrNo" << 1 << "mp3" << "" << 0.0 << true << false;
        QTest::newRow("placeholder, two audio") << "FrNo" << 2 << "avi" << "16:9" << 1.33 << false << true;
        QTest::newRow("within 0.02") << "MPEG-4 Visual" << 1 << "avi" << "1.35" << 1.33 << false << false;
        QTest::newRow("just over 0.02") << "MPEG-4 Visual" << 1 << "avi" << "1.3551" << 1.33 << false << true;
        QTest::newRow("no aspect asked") << "MPEG-4 Visual" << 1 << "avi" << "2.35" << 0.0 << false << false;
        QTest::newRow("not avi") << "MPEG-4 Visual" << 1 << "mkv" << "16:9" << 1.33 << false << false;
        QTest::newRow("no aspect field") << "MPEG-4 Visual" << 1 << "avi" << QString() << 1.33 << false << false;
    }
    void finalisingChoice()
    {
        QFETCH(QString, videoFormat);
        QFETCH(int, audioStreams);
        QFETCH(QString, muxer);
        QFETCH(QString, aspect);
        QFETCH(double, requested);
        MediaInfoData data;
        data.generalFields.insert("Format", "AVI");
        data.videoFields.insert("Format", videoFormat);
        if (!aspect.isNull())
            data.videoFields.insert("Display aspect ratio", aspect);
        for (int i = 0; i < audioStreams; ++i)
            data.audioStreams.append({{"Format", "MPEG Audio"}});
        QTEST(FinalizeRules::needsAudioExtraction(data), "extract");
        QTEST(FinalizeRules::needsAspectCorrection(data, muxer, requested), "correct");
    }

    // The audio targets that MEncoder writes into an AVI first, whose sound is then extracted.
    void audioTargets_data()
    {
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<bool>("audio");
        for (const char *muxer : {"ac3", "au", "mp3", "wav", "m4a"})
            QTest::newRow(muxer) << muxer << true;
        for (const char *muxer : {"avi", "mka", "M4A"})
            QTest::newRow(muxer) << muxer << false;
    }
    void audioTargets()
    {
        QFETCH(QString, muxer);
        QTEST(FinalizeRules::isAudioMuxer(muxer), "audio");
    }

    // Finalising never loses the encoding: only a completed finalise removes the
    // intermediate; a failed one removes the partial result and gives a renamed encoding its
    // name back.
    void closingKeepsTheEncoding_data()
    {
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("finalName");
        QTest::addColumn<QString>("intermediateName");
        QTest::addColumn<bool>("intermediateLeft");
        QTest::addColumn<QString>("finalContent");
        QTest::newRow("completed") << true << "a.avi" << "a (step 0).avi" << false << "final";
        QTest::newRow("failed correction") << false << "b.avi" << "b (step 0).avi" << false << "encoded";
        QTest::newRow("failed extraction") << false << "c.mp3" << "c (step 0).avi" << true << "";
        QTest::newRow("unicode name") << false << "été 日本.avi" << "été 日本 (step 0).avi" << false << "encoded";
    }
    void closingKeepsTheEncoding()
    {
        QFETCH(bool, completed);
        QFETCH(QString, finalName);
        QFETCH(QString, intermediateName);
        QFETCH(bool, intermediateLeft);
        QFETCH(QString, finalContent);
        const QString folder = TestMedia::folder() + "/closing";
        QDir().mkpath(folder);
        const QString finalPath = folder + '/' + finalName;
        const QString intermediate = folder + '/' + intermediateName;
        QCOMPARE(FinalizeRules::intermediateName(finalPath, ".avi"),
                 intermediate);
        auto write = [](const QString &path, const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };
        write(intermediate, "encoded");
        write(finalPath, completed ? "final" : "partial");
        FinalizeRules::closeFinalizing(completed, intermediate, finalPath);
        QCOMPARE(QFile::exists(intermediate), intermediateLeft);
        QFile file(finalPath);
        if (finalContent.isEmpty()) {
            QVERIFY(!file.exists());
        } else {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(file.readAll()), finalContent);
        }
        QFile::remove(intermediate);
        QFile::remove(finalPath);
    }

    void writtenFile()
    {
        QCOMPARE(FinalizeRules::writtenFile(1, {"in.avi", "-o", "/t/x (step 0).avi"}, "/t/x.mp3"),
                 QString("/t/x (step 0).avi"));
        QCOMPARE(FinalizeRules::writtenFile(2, {"-i", "in.avi", "/t/x.mp3"}, "/t/x.mp3"),
                 QString("/t/x.mp3"));
        QCOMPARE(FinalizeRules::writtenFile(1, {"in.avi", "-o"}, "/t/x.avi"), QString("/t/x.avi"));
    }
};

VEXO_TEST_CLASS(FinalizeRulesTest)
#include "tst_finalizerules.moc"
