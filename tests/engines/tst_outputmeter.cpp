// How long a finished output really plays, measured on real files of every container the
// targets write: the quick look at the packets near the end answers for a whole file, and a
// file cut short is measured whole.

#include "engines/outputmeter.h"
#include "enginetesting.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QFile>
#include <QTest>

#include <memory>

class OutputMeterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engines = std::make_unique<RegisteredEngines>();
        QVERIFY(m_engines->started());
    }

    void cleanupTestCase() { m_engines.reset(); }

    void measuresEveryContainer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("codecs");
        // The MPEG program stream is what VCD, SVCD and DVD targets write; its video packets
        // mostly carry no presentation time.
        QTest::newRow("mpeg-ps") << "meter.mpg" << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2"};
        QTest::newRow("avi") << "meter.avi" << QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"};
        QTest::newRow("mp4") << "meter.mp4" << QStringList{"-c:v", "mpeg4", "-c:a", "aac"};
        QTest::newRow("matroska") << "meter.mkv" << QStringList{"-c:v", "mpeg4", "-c:a", "ac3"};
        QTest::newRow("flv") << "meter.flv" << QStringList{"-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100"};
        QTest::newRow("ogg") << "meter.ogg" << QStringList{"-c:v", "libtheora", "-c:a", "libvorbis"};
        QTest::newRow("mp3") << "meter.mp3" << QStringList{"-vn", "-c:a", "libmp3lame"};
    }

    void measuresEveryContainer()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, codecs);
        const QString path = TestMedia::clip(name, QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=16",
                                                               "-f", "lavfi", "-i", "sine=duration=16"}
                                                       + codecs);
        QVERIFY(!path.isEmpty());
        // A whole file: the quick look answers with the length asked for (a whole read
        // answers FFmpeg's own figure, which is not this one).
        QCOMPARE(OutputMeter::measure(path, 15.5), 15.5);

        // The same file cut to its first 40 %: measured whole, well short (an MP4 without the
        // index it writes last plays nothing).
        const QString cut = TestMedia::scratch("meter", "cut-" + name);
        QFile source(path);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile target(cut);
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write(source.read(source.size() * 4 / 10));
        target.close();
        const double measured = OutputMeter::measure(cut, 16.0);
        QVERIFY2(measured >= 0.0 && measured < 9.0, qPrintable(QString::number(measured)));
    }

private:
    std::unique_ptr<RegisteredEngines> m_engines;
};

VEXO_TEST_CLASS(OutputMeterTest)
#include "tst_outputmeter.moc"
