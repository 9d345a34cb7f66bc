// The readers of MEncoder's and FFmpeg's output on 64 KiB of what a broken or hostile engine
// could print: each reads it in one pass, whatever it holds, so the window never waits on
// them. The bound is wide (the sanitizers slow everything down); a reader that backtracks
// over its input takes seconds to hours here.

#include "builders/interfaceffmpeg.h"
#include "builders/interfacemencoder.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
constexpr int InputSize = 64 * 1024;
constexpr qint64 BoundMs = 1000;

enum Reader { MEncoderProgress, MEncoderCheck, FFmpegProgress, FFmpegCheck };

QString repeated(const QString &head, const QString &piece, const QString &tail)
{
    QString text = head;
    while (text.size() + tail.size() < InputSize)
        text += piece;
    return text + tail;
}

// The reader's verdict: whether it found progress (a check: whether the run passes).
bool read(int reader, const QString &text, int *frame)
{
    QString rest;
    int percent = -1, minutesLeft = -1, size = -1;
    double position = -1, fps = -1;
    switch (reader) {
    case MEncoderProgress:
        InterfaceMEncoder::parseProgress(text, rest, *frame, position, percent, minutesLeft, fps, size);
        return position != -1;
    case FFmpegProgress:
        InterfaceFFmpeg::parseProgress(text, rest, *frame, position, percent, minutesLeft, fps, size);
        return position != -1;
    case MEncoderCheck:
        return InterfaceMEncoder::parseCommandCheck(text.toUtf8(), QByteArray());
    default:
        return InterfaceFFmpeg::parseCommandCheck(QByteArray(), text.toUtf8());
    }
}
} // namespace

class OutputSizeTest : public QObject
{
    Q_OBJECT

private slots:
    void linearInTheInput_data()
    {
        QTest::addColumn<int>("reader");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("frame"); // -1: not read
        QTest::newRow("FFmpeg status line without time=")
            << int(FFmpegProgress) << repeated("frame=", "fps=size=", "\n") << false << -1;
        QTest::newRow("FFmpeg status line with its time at the end")
            << int(FFmpegProgress) << repeated("frame= 7 ", "fps=size=", "time=00:00:01.00\n") << true << 7;
        QTest::newRow("FFmpeg status words without bitrate=")
            << int(FFmpegCheck) << repeated("", "size=time=", "") << false << -1;
        QTest::newRow("FFmpeg status words, bitrate= at the end")
            << int(FFmpegCheck) << repeated("size=", " time=", "bitrate=") << true << -1;
        QTest::newRow("MEncoder status markers without fps")
            << int(MEncoderCheck) << repeated("pos:", "sf%", "fp") << false << -1;
        QTest::newRow("MEncoder status markers, fps at the end")
            << int(MEncoderCheck) << repeated("Pos:", " s f % ", "fps") << true << -1;
        QTest::newRow("MEncoder status line of markers")
            << int(MEncoderProgress) << repeated("Pos:", "Pos: 1s 2f (", "\r") << false << -1;
        QTest::newRow("MEncoder status line after a long message")
            << int(MEncoderProgress)
            << repeated("", "Skipping frame!\n", "\rPos:   2.9s     73f (92%) 24.75fps Trem:   1min\r") << true
            << 73;
    }

    void linearInTheInput()
    {
        QFETCH(int, reader);
        QFETCH(QString, text);
        QFETCH(bool, found);
        QFETCH(int, frame);
        QVERIFY(text.size() >= InputSize);
        int gotFrame = -1;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(read(reader, text, &gotFrame), found);
        QVERIFY2(clock.elapsed() < BoundMs, qPrintable(QString("%1 ms").arg(clock.elapsed())));
        QCOMPARE(gotFrame, frame);
    }
};

VEXO_TEST_CLASS(OutputSizeTest)
#include "tst_outputsize.moc"
