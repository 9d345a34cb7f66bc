// The readers of MEncoder's output on texts as MEncoder prints them: the progress parser on
// chunks of a job's standard output, the command check on a test run's. Both run on the
// engine's real output in tst_mencoderjobs.cpp.

#include "builders/interfacemencoder.h"
#include "testregistry.h"

#include <QTest>

namespace {

const QString kStatus = "Pos:   2.9s     73f (92%) 24.75fps Trem:   1min  10mb  A-V:0.078 [0:0]\r";
const QString kSummary = "\nVideo stream:   97.698 kbit/s  (12212 B/s)  size: 95256 bytes  "
                         "7.800 secs  202 frames\n\nAudio stream:  128.000 kbit/s  (16000 B/s)  "
                         "size: 128640 bytes  8.040 secs\n";

} // namespace

class MEncoderOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void progress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<QString>("rest");
        // frame, percent, minutes left, size (kB); -1: left as the caller gave it
        QTest::addColumn<QList<int>>("whole");
        QTest::addColumn<QList<double>>("real"); // position, fps
        const QList<int> untouched{-1, -1, -1, -1};
        const QList<double> untouchedReal{-1, -1};

        QTest::newRow("the last status line counts")
            << "Pos:   1.0s     25f (30%) 10.50fps Trem:   3min   4mb  A-V:0.000 [0:0]\r" + kStatus
            << true << "" << QList<int>{73, 92, 1, 10240} << QList<double>{2.9, 24.75};
        QTest::newRow("the closing summary after the last carriage return")
            << kStatus + kSummary << true << kSummary << QList<int>{73, 92, 1, 10240}
            << QList<double>{2.9, 24.75};
        QTest::newRow("an error without carriage return")
            << "Cannot open file 'x.avi': No such file or directory\n" << true
            << "Cannot open file 'x.avi': No such file or directory\n" << untouched << untouchedReal;
        QTest::newRow("a message ended by a line feed joins the status line")
            << "Writing header...\n" + kStatus << true << "Writing header...\n" + kStatus.chopped(1)
            << untouched << untouchedReal;
        QTest::newRow("a status line without a size")
            << "Pos:   2.9s     73f (92%) 24.75fps Trem:   1min\r" << true << ""
            << QList<int>{73, 92, 1, -1} << QList<double>{2.9, 24.75};
        // Figures no encoding reaches are garbage: they are not shown (nor overflow).
        QTest::newRow("an estimate of terabytes is no size")
            << "Pos:   1.0s     25f (30%) 10.50fps Trem:   1min 3000000mb\r" << true << ""
            << QList<int>{25, 30, 1, -1} << QList<double>{1.0, 10.5};
        QTest::newRow("absurd figures")
            << "Pos: 99999999999.0s 99999999999f (30%) " + QString(309, '9') + ".00fps Trem: 99999999999min\r"
            << true << "" << QList<int>{-1, 30, -1, -1} << QList<double>{-1, -1};
        QTest::newRow("nothing") << "" << false << "stale" << untouched << untouchedReal;
        QTest::newRow("carriage returns only") << "\r\r" << false << "stale" << untouched
                                               << untouchedReal;
    }

    void progress()
    {
        QFETCH(QString, text);
        QFETCH(bool, reported);
        QFETCH(QString, rest);
        QFETCH(QList<int>, whole);
        QFETCH(QList<double>, real);
        QString gotRest = "stale";
        int frame = -1, percent = -1, minutesLeft = -1, size = -1;
        double position = -1, fps = -1;
        QCOMPARE(InterfaceMEncoder::parseProgress(text, gotRest, frame, position, percent, minutesLeft,
                                                  fps, size),
                 reported);
        QCOMPARE(gotRest, rest);
        QCOMPARE(QList<int>({frame, percent, minutesLeft, size}), whole);
        QCOMPARE(QList<double>({position, fps}), real);
    }

    void commandCheck_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("works");
        const QString finishing = "Flushing video frames.\nWriting index...\n";
        QTest::newRow("encoded and finished") << kStatus + finishing + kSummary << true;
        QTest::newRow("killed while encoding") << kStatus + kStatus << true;
        QTest::newRow("marker in lower case") << "pos: 0.8s 20f (10%) 0.00fps Trem: 0min 0mb\r" << true;
        QTest::newRow("died while finishing") << kStatus + finishing << false;
        QTest::newRow("stopped before encoding") << "Exiting... (error parsing command line)\n" << false;
        QTest::newRow("MPEG muxer wrote nothing")
            << kStatus + finishing + "\nOverhead: -nan% (0 / 0)\nWriting header...\n" + kSummary
            << false;
        QTest::newRow("MPEG muxer wrote headers only")
            << kStatus + finishing + "\nOverhead: inf% (2324 / 0)\n" + kSummary << false;
        QTest::newRow("MPEG muxer wrote the streams")
            << kStatus + finishing + "\nOverhead: 2.732% (6809 / 249191)\n" + kSummary << true;
    }

    void commandCheck()
    {
        QFETCH(QString, output);
        QFETCH(bool, works);
        QCOMPARE(InterfaceMEncoder::parseCommandCheck(output.toUtf8(), QByteArray()), works);
    }
};

VEXO_TEST_CLASS(MEncoderOutputTest)
#include "tst_mencoderoutput.moc"
