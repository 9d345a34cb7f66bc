// The encoder's vocabulary: the fall-backs of the muxer and codec texts, the output
// extensions, the steps that pick default codecs and the engine-name aliases.

#include "encoder/encoder.h"
#include "encodertesting.h"
#include "testregistry.h"

#include <QTest>

class EncoderVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    // A missing text falls back to the next shorter one, the last to the upper-cased name.
    void muxerTexts_data()
    {
        addColumns<QString, QString, QString, QString>({"muxer", "longDescription", "description", "shortName"});
        QTest::newRow("avi") << "avi" << "AVI - Microsoft format (DivX/Xvid/MPEG-4)" << "AVI - Audio Video Interleaved" << "AVI";
        QTest::newRow("no long text") << "webm" << "WebM - HTML5 Video" << "WebM - HTML5 Video" << "WebM";
        // Its programs carry MPEG-2 pictures only (Super VideoCD, DVD).
        QTest::newRow("MPEG-2 program stream") << "mpeg" << "MPEG-2 - MPEG PS (SVCD-DVD)" << "MPEG-2 - MPEG Program Stream" << "MPEG-2 PS";
        QTest::newRow("no short name") << "mpeg_vcd" << "MPEG-1 - MPEG PS (VideoCD)" << "MPEG-1 - MPEG Program Stream" << "MPEG_VCD";
        QTest::newRow("engine name") << "libx264" << "LIBX264" << "LIBX264" << "LIBX264";
        QTest::newRow("lower-case roq") << "roq" << "ROQ" << "ROQ" << "ROQ";
        QTest::newRow("empty") << "" << "" << "" << "";
    }

    void muxerTexts()
    {
        QFETCH(QString, muxer);
        QCOMPARE(m_encoder.muxerLongDescription(muxer), fetched<QString>("longDescription"));
        QCOMPARE(m_encoder.muxerDescription(muxer), fetched<QString>("description"));
        QCOMPARE(m_encoder.muxerShortName(muxer), fetched<QString>("shortName"));
    }

    void codecTexts_data()
    {
        addColumns<QString, QString, QString, QString>({"kind", "codec", "description", "shortName"});
        QTest::newRow("video") << "VID" << "x264_hd" << "H.264/AVC (HDTV)" << "H.264";
        QTest::newRow("video translated") << "VID" << "novideo" << "No video (extract audio)" << "No video";
        QTest::newRow("audio") << "AUD" << "ac3_copy" << "AC3 (copy audio)" << "AC3 (copy)";
        QTest::newRow("subtitle") << "SUB" << "nosubtitle" << "No subtitle" << "No subtitle";
        for (const char *kind : {"VID", "AUD", "SUB"}) {
            QTest::newRow(qPrintable(QString(kind) + " unknown")) << kind << "libx264" << "LIBX264" << "LIBX264";
            QTest::newRow(qPrintable(QString(kind) + " empty")) << kind << "" << "" << "";
        }
    }

    void codecTexts()
    {
        QFETCH(QString, kind);
        QFETCH(QString, codec);
        const bool video = kind == "VID", audio = kind == "AUD";
        QCOMPARE(video ? m_encoder.videoCodecDescription(codec)
                       : audio ? m_encoder.audioCodecDescription(codec) : m_encoder.subtitleDescription(codec),
                 fetched<QString>("description"));
        QCOMPARE(video ? m_encoder.videoCodecShortName(codec)
                       : audio ? m_encoder.audioCodecShortName(codec) : m_encoder.subtitleShortName(codec),
                 fetched<QString>("shortName"));
    }

    void muxerExtension_data()
    {
        addColumns<QString, bool, QString>({"muxer", "noVideo", "extension"});
        const char *rows[][3] = {
            {"asf", "", ".wmv"}, {"ipod", "noVideo", ".m4a"}, {"ipod", "", ".m4v"},
            {"matroska", "", ".mkv"}, {"mpeg", "", ".mpg"}, {"mpeg_vcd", "noVideo", ".mpg"},
            {"mp2", "", ".mpa"}, {"rawaudio", "", ".raw"}, {"s32le", "noVideo", ".wav"}, {"f64be", "noVideo", ".wav"},
            {"s16le", "", ".s16le"}, {"RoQ", "", ".roq"}, {"", "", "."}, {"MP3", "", ".mp3"},
        };
        for (const auto &row : rows)
            QTest::newRow(qPrintable(QString(row[0]) + row[1])) << row[0] << (*row[1] != 0) << row[2];
    }

    void muxerExtension()
    {
        QFETCH(QString, muxer);
        QFETCH(bool, noVideo);
        QCOMPARE(Encoder::muxerExtension(muxer, noVideo), fetched<QString>("extension"));
    }

    // Default audio: the pair's own entry, then the video codec's under any muxer, then the
    // muxer's for any video codec, then the entry for any of both.
    void defaultAudioCodec_data()
    {
        addColumns<QString, QString, QString>({"muxer", "video", "audio"});
        QTest::newRow("pair") << "mov" << "h263" << "mp3_lr";
        QTest::newRow("pair beats video") << "3gp" << "x264" << "aac_lr";
        QTest::newRow("video beats muxer") << "avi" << "x264" << "aac";
        QTest::newRow("pair beats muxer") << "matroska" << "theora" << "vorbis";
        QTest::newRow("muxer") << "avi" << "xvid" << "mp3";
        QTest::newRow("any of both") << "webm" << "vp8" << "mp3";
        QTest::newRow("no row, video") << "" << "x264_lr" << "aac_lr";
    }

    void defaultAudioCodec()
    {
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QCOMPARE(m_encoder.defaultAudioCodec(muxer, video), fetched<QString>("audio"));
    }

    void defaultCodecs_data()
    {
        addColumns<QString, QString, QString, QString>({"muxer", "video", "audio", "subtitle"});
        QTest::newRow("avi") << "avi" << "xvid" << "mp3" << "xsub";
        QTest::newRow("mkv") << "mkv" << "x264_divx" << "ac3" << "dvdsub";
        QTest::newRow("matroska") << "matroska" << "x264_divx" << "ac3" << "inlay";
        QTest::newRow("ogg") << "ogg" << "theora" << "vorbis" << "inlay";
        QTest::newRow("h264") << "h264" << "x264" << "aac" << "inlay";
        QTest::newRow("flv") << "flv" << "mpeg4" << "aac_flv" << "inlay";
        QTest::newRow("no row") << "webm" << "x264" << "aac" << "inlay";
        QTest::newRow("mp3") << "mp3" << "novideo" << "mp3" << "inlay";
        QTest::newRow("upper case") << "MKV" << "x264" << "aac" << "inlay";
        QTest::newRow("empty") << "" << "x264" << "aac" << "inlay";
    }

    void defaultCodecs()
    {
        QFETCH(QString, muxer);
        QString video, audio, subtitle;
        m_encoder.defaultCodecs(muxer, video, audio, subtitle);
        QCOMPARE(video, fetched<QString>("video"));
        QCOMPARE(audio, fetched<QString>("audio"));
        QCOMPARE(subtitle, fetched<QString>("subtitle"));
        // The subtitle does not depend on the video codec.
        QCOMPARE(m_encoder.defaultSubtitle(muxer, "vp8"), subtitle);
    }

    void engineNames_data()
    {
        addColumns<QString, QString, QStringList>({"kind", "name", "names"});
        const QStringList rows{
            "muxer mkv: mkv matroska", "muxer matroska: matroska mkv", "muxer asf: asf wmv",
            "muxer MKV: MKV", "video x264: x264 libx264", "video libx264: libx264 x264",
            "video libxvid: libxvid xvid", "video dvvideo: dvvideo dv", "video mpeg4: mpeg4",
            "subtitle dvdsub: dvdsub"};
        for (const QString &row : rows) {
            const QString kind = row.section(' ', 0, 0);
            const QString name = row.section(' ', 1, 1).chopped(1);
            QTest::newRow(qPrintable(row.section(':', 0, 0))) << kind << name << row.section(": ", 1).split(' ');
        }
        for (const char *kind : {"muxer", "video", "subtitle"})
            QTest::newRow(qPrintable(QString(kind) + " empty")) << kind << "" << QStringList{""};
    }

    void engineNames()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        const QStringList names = kind == "muxer" ? m_encoder.engineMuxerNames(name)
                                  : kind == "video" ? m_encoder.engineVideoCodecNames(name)
                                                    : m_encoder.engineSubtitleNames(name);
        QCOMPARE(names, fetched<QStringList>("names"));
    }

private:
    Encoder m_encoder{nullptr, nullptr, nullptr, nullptr, 2};
};

VEXO_TEST_CLASS(EncoderVocabularyTest)
#include "tst_encodervocabulary.moc"
