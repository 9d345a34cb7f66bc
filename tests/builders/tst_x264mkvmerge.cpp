// The x264 and MKVmerge builders: their status parsers on today's engines and on the
// classic answers, and the container check before and after the engine is read.

#include "builders/interfacemkvmerge.h"
#include "builders/interfacex264.h"
#include "buildertesting.h"
#include "testregistry.h"

#include <QTest>

namespace {

// A help text of a build with audio output, Windows line ends, and an output type listed
// with two extensions.
const QByteArray kClassicX264Help =
    "x264 core:104 r1703 cd21d05\r\n"
    "Syntax: x264 [options] -o outfile infile\r\n"
    "Outfile type is selected by filename:\r\n"
    " .264 -> Raw bytestream\r\n"
    " .mkv -> Matroska\r\n"
    " .flv -> Flash Video\r\n"
    " .mp4 or .m4v -> MP4 if compiled with GPAC support (yes)\r\n"
    " .avi -> AVI\r\n"
    "Options:\r\n"
    "Audio:\r\n"
    "      --acodec <string>       Audio codec [auto]\r\n"
    "                                  Available settings: auto (container default)\r\n"
    "                                      copy (copy the input) flac (lossless)\r\n"
    "                                  Set one of the built codecs:\r\n"
    "                                      - mp3, aac, vorbis, opus\r\n"
    "      --asamplerate <integer> Force an audio sampling rate\r\n"
    "Input/Output:\r\n";

} // namespace

class X264MkvmergeTest : public QObject
{
    Q_OBJECT

private slots:
    void x264Answers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("muxers");
        QTest::addColumn<QStringList>("audio"); // name=description
        QTest::newRow("today's x264") << engineAnswer("x264", {"--fullhelp"}) << 3 << "core:164"
                                      << QStringList{"264", "flv", "mkv"} << QStringList();
        QTest::newRow("classic build with audio")
            << kClassicX264Help << 3 << "core:104 r1703 cd21d05"
            << QStringList{"264", "flv", "mkv", "mp4"}
            << QStringList{"aac=", "auto=container default", "copy=copy the input", "mp3=", "vorbis="};
        // A setting with an empty description names nothing; a description runs to the first
        // ")", whatever it holds.
        QTest::newRow("empty and nested descriptions")
            << QByteArray(kClassicX264Help).replace("auto (container default)", "alac () raw (the mp2 (layer 2) kept)")
            << 3 << "core:104" << QStringList{"264", "flv", "mkv", "mp4"}
            << QStringList{"aac=", "copy=copy the input", "mp3=", "raw=the mp2 (layer 2", "vorbis="};
        QTest::newRow("no banner") << QByteArray(kClassicX264Help).replace("x264 core", "x265 core")
                                   << 2 << "" << QStringList() << QStringList();
        QTest::newRow("banner without core:") << QByteArray(kClassicX264Help).replace("core:", "core ")
                                              << 2 << "" << QStringList() << QStringList();
        QTest::newRow("no output types") << QByteArray(kClassicX264Help).replace("Outfile", "Infile")
                                         << 2 << "" << QStringList() << QStringList();
    }

    void x264Answers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, state);
        QFETCH(QString, version);
        QFETCH(QStringList, muxers);
        QFETCH(QStringList, audio);
        BuilderRecords<InterfaceX264> x264;
        x264.muxers.insert("old", "kept when parsing fails");
        QCOMPARE(x264.parse(answer), state);
        QCOMPARE(x264.status.version.left(version.size()), version);
        if (state != InterfaceStatus::Ready) {
            QCOMPARE(x264.muxers.keys(), QStringList{"old"});
            return;
        }
        QCOMPARE(x264.status.signature, QString("x264"));
        QCOMPARE(x264.muxers.keys(), muxers);
        QStringList audioFound;
        for (auto it = x264.audioCodecs.cbegin(); it != x264.audioCodecs.cend(); ++it)
            audioFound << it.key() + '=' + it.value();
        QCOMPARE(audioFound, audio);
        QCOMPARE(x264.videoCodecs.value("x264"), QString("H.264"));
        QVERIFY(x264.subtitleCodecs.isEmpty());
    }

    void x264Muxers_data()
    {
        QTest::addColumn<bool>("engineRead");
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<QString>("refusal"); // empty: supported; "-": refused by the vocabulary
        QTest::addColumn<bool>("aac"); // AAC sound in the container
        QTest::newRow("raw stream") << false << "264" << "" << false;
        QTest::newRow("mp4 before the engine is read") << false << "mp4" << "" << true;
        QTest::newRow("mp4 of a build without it") << true << "mp4" << "this x264 cannot write mp4 files" << true;
        QTest::newRow("mkv") << true << "mkv" << "" << true;
        QTest::newRow("3gp has no row") << false << "3gp" << "-" << false;
        QTest::newRow("qt has no row") << true << "qt" << "-" << false;
    }

    void x264Muxers()
    {
        QFETCH(bool, engineRead);
        QFETCH(QString, muxer);
        QFETCH(QString, refusal);
        BuilderRecords<InterfaceX264> x264;
        if (engineRead)
            QCOMPARE(x264.parse(engineAnswer("x264", {"--fullhelp"})), 3);
        QCOMPARE(x264.builder.isMuxerSupported(muxer), refusal.isEmpty());
        QTEST(x264.builder.isAudioCodecSupported(muxer, "aac"), "aac");
        if (refusal != "-")
            QCOMPARE(x264.builder.muxerRefusal(muxer), refusal);
    }

    void mkvmergeAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("version");
        QTest::newRow("today's mkvmerge") << engineAnswer("mkvmerge", {"--version"}) << 3 << "v74.0.0";
        QTest::newRow("classic line")
            << QByteArray("mkvmerge v4.0.0 ('The Stars were mine') built on Jun  6 2010 16:18:42\r\n")
            << 3 << "v4.0.0 ('The Stars were mine')";
        QTest::newRow("no version") << QByteArray("mkvmerge: command not found\n") << 2 << "";
        QTest::newRow("built without version") << QByteArray("mkvmerge  built on Jun  6 2010\n") << 2 << "";
        QTest::newRow("other program") << QByteArray("mkvinfo v74.0.0 ('You Oughta Know') 64-bit\n")
                                       << 2 << "";
    }

    void mkvmergeAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, state);
        QFETCH(QString, version);
        BuilderRecords<InterfaceMKVmerge> mkvmerge;
        mkvmerge.muxers.insert("old", QString());
        QCOMPARE(mkvmerge.parse(answer), state);
        QCOMPARE(mkvmerge.status.version, version);
        QCOMPARE(mkvmerge.muxers.keys(), state == 3 ? QStringList{"mkv"} : QStringList{"old"});
        if (state == 3) {
            QCOMPARE(mkvmerge.status.signature, QString("mkvmerge"));
            QCOMPARE(mkvmerge.muxers.value("mkv"), QString("Matroska"));
        }
        // MKVmerge only re-muxes: no container has codec rows.
        QVERIFY(!mkvmerge.builder.isMuxerSupported("mkv"));
        // A status that holds no new answer is left as it is.
        mkvmerge.status.state = InterfaceStatus::Ready;
        mkvmerge.status.stdOut = "garbage";
        mkvmerge.builder.parseStatus();
        QCOMPARE(mkvmerge.status.state, int(InterfaceStatus::Ready));
    }
};

VEXO_TEST_CLASS(X264MkvmergeTest)
#include "tst_x264mkvmerge.moc"
