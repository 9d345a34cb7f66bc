// The encoder's vocabulary against the program's tables, row by row: the texts of every
// muxer, codec and subtitle with their fall-backs, the output extensions, the default codecs
// of every container and the engine-name aliases.

#include "encoder/encoder.h"
#include "encodertesting.h"
#include "testregistry.h"

#include <QTest>

namespace {

// The tables as the program documents them. "-" marks a missing entry. Default audio
// rows: "muxer: codec-for-any-video video=codec ...".
const char kTables[] = R"(MUX
264 | H.264 - H.264/AVC video stream | .264 - H.264 video | Raw
3gp | 3GP - 3G mobile phone (3GPP/UMTS) | 3GP - 3G mobile phone | 3GPP
3g2 | 3G2 - 3G mobile phone (3GPP2/CDMA2000) | 3G2 - 3G mobile phone | 3GPP2
ac3 | Audio AC3 - Dolby Digital audio stream | AC3 - Dolby Digital audio | Audio AC3
adts | Audio AAC - MP4 AAC audio stream | ADTS - MPEG-4 AAC audio | Audio AAC
aiff | Audio AIFF - Audio Interchange File Format (Apple) | AIFF - Apple audio | Audio AIFF
amr | Audio 3GP - 3G mobile phone audio stream (3GPP/3GPP2) | AMR - 3GPP/3GPP2 mobile phone audio | Audio 3GPP
asf | ASF - Widows Media Streaming Format | ASF - Windows Media | ASF
au | Audio AU - Sun Unix audio steam | AU - Sun Unix audio | Audio Sun AU
avi | AVI - Microsoft format (DivX/Xvid/MPEG-4) | AVI - Audio Video Interleaved | AVI
avm2 | SWF - ShockWave Flash 9 Video | SWF - ShockWave Flash 9 | Flash 9
dnxhd | MXF - Avid SMPTE VC-3 post production HD video stream | MXF - Avid SMPTE VC-3 | SMPTE VC-3
dts | Audio DTS - DTS audio stream | DTS - Audio DTS | DTS
dv | DV Sony - Digital Video tape stream | DV - Digital Video tape stream | DV
dvd | MPEG-2 PS/DVD - DVD-Video file | MPEG-2 - DVD-Video file | MPEG-2 DVD
f64be | Audio PCM 64-bit Big-Endian - PCM audio stream | .f64be - PCM 64-bit Big-Endian | Audio PCM 64be
f64le | Audio PCM 64-bit Little-Endian - PCM audio stream | .f64le - PCM 64-bit Little-Endian | Audio PCM 64le
filmstrip | Adobe Filmstrip - Adobe Premiere video steam | Filmstrip - Adobe Premiere video | Filmstrip
flac | Audio FLAC - Lossless audio stream | FLAC - Lossless audio | FLAC
flv | FLV - Flash Video (Dailymotion/YouTube) | FLV - Flash Video | Flash Video
h261 | TS - H.261 stream in MPEG-TS file | TS - H.261 stream | H.261
h263 | TS - H.263 stream in MPEG-TS file | TS - H.263 stream | H.263
h264 | TS - H.264 stream in MPEG-TS file | TS - H.264 stream | H.264
ipod | IPOD - iPod MPEG-4 movie | IPOD - iPod movie | iPod
m4a | Audio M4A - Apple iTunes MPEG-4 audio | Audio M4A - Apple iTunes audio | Audio MPEG-4
m4v | M4V - Apple iTunes movie | M4V - Apple iTunes movie | MPEG-4 video
matroska | MKV - Matroska (DivX Plus HD/WebM) | MKV - Matroska format | MKV
mkv | MKV - Matroska video multi-stream format | MKV - Matroska format | MKV
mov | MOV - Apple QuickTime movie | MOV - Apple QuickTime movie | QuickTime
mp2 | Audio MP2 - MPEG layer 2 audio stream | MP2 - MPEG layer 2 audio | Audio MPEG layer 2
mp3 | Audio MP3 - MPEG layer 3 audio stream | MP3 - MPEG layer 3 audio | MP3
mp4 | MP4 - MPEG-4 movie | MP4 - MPEG-4 movie | MP4
mpeg | MPEG-2 - MPEG PS (SVCD-DVD) | MPEG-2 - MPEG Program Stream | MPEG-1 PS
mpeg_vcd | MPEG-1 - MPEG PS (VideoCD) | MPEG-1 - MPEG Program Stream | -
mpeg1video | M1V - MPEG-1 Video stream | M1V - MPEG-1 Video | MPEG-1 Video
mpeg2video | M2V - MPEG-2 Video stream | M2V - MPEG-2 Video | MPEG-2 Video
mpegts | TS - MPEG-1/2 Transport Stream | TS - MPEG Transport Stream | MPEG Transport
mxf | MXF - Material eXchange Format | MXF - Material eXchange Format | MXF
nut | NUT - Patent-free open format | NUT - Open format | NUT
ogg | OGG - Ogg Vorbis patent-free open format | OGG - Ogg Vorbis | Ogg Vorbis
psp | PSP - PlayStation Portable MPEG-4 movie | PSP - PlayStation Portable movie | MPEG-4 PSP
raw | RAW - Raw video stream | RAW - Raw video | Raw
rawaudio | RAWAUDIO - Raw audio stream | RAWAUDIO - Raw audio | Audio raw
rawvideo | RAWVIDEO - Raw video stream | RAWVIDEO - Raw video | Video raw
rcv | RCV - VC-1 bitstream (WMV9 Advanced Profile) | RCV - VC-1 bitstream | VC-1
rm | RM - Real Media internet video | RM - Real Media | Real Media
RoQ | RoQ - Quake Video format | RoQ - Quake Video | RoQ/Quake
s16be | Audio PCM 16-bit Big-Endian - PCM audio stream | .s16be - PCM 16-bit Big-Endian | Audio PCM 16be
s16le | Audio PCM 16-bit Little-Endian - PCM audio stream | .s16le - PCM 16-bit Little-Endian | Audio PCM 16le
s32be | Audio PCM 32-bit Big-Endian - PCM audio stream | .s32be - PCM 32-bit Big-Endian | Audio PCM 32be
s32le | Audio PCM 32-bit Little-Endian - PCM audio stream | .s32le - PCM 32-bit Little-Endian | Audio PCM 32le
s64be | Audio PCM 64-bit Big-Endian - PCM audio stream | .s64be - PCM 64-bit Big-Endian | Audio PCM 64be
s64le | Audio PCM 64-bit Little-Endian - PCM audio stream | .s64le - PCM 64-bit Little-Endian | Audio PCM 64le
spdif | Audio S/PDIF - Digital audio data link layer protocol | S/PDIF - Digital audio data link | S/PDIF
swf | SWF - ShockWave Flash 10 Video | SWF - ShockWave Flash | Shockwave Flash
svcd | MPEG-2 PS/SVCD - Super-VideoCD file | MPEG-2 SVCD - Super-VideoCD | MPEG-2 SVCD
vcd | MPEG-1 PS/VCD - VideoCD file | MPEG-1 VCD - VideoCD | MPEG-1 VCD
vob | MPEG-2 PS/VOB - DVD VOB file | MPEG-2 VOB - DVD VOB file | MPEG-2 VOB
wav | Audio WAV - Wave audio format (ADPCM/MP3/PCM) | WAV - Wave audio | Audio Waveform
webm | - | WebM - HTML5 Video | WebM
wmv | WMV - Windows Media Video | WMV - Windows Media Video | Windows Media Video
VID
asv1 | ASUS v1 | ASUS v1
asv2 | ASUS v2 | ASUS v2
auto | Chosen by the encoder | Chosen by the encoder
bmp | BMP image | BMP image
copy | Stream copy | Stream copy
dnxhd | VC3/DNxHD | VC3/DNxHD
dv | Sony DV | Sony DV
dvvideo | Sony DV | Sony DV
flashsv | Flash Screen Video | Flash Screen Video
flv | Flash Video | Flash Video
ffv1 | FFmpeg's experimental wavelet-based codec | FFmpeg wavelet
ffvhuff | Non-standard 20% smaller HuffYUV using YV1 | Huffyuv modified
frameno | Audio-only/3-pass | Audio-only/3-pass
gif | GIF | GIF
h261 | H.261 | H.261
h263 | H.263 | H.263
huffyuv | Huffyuv | Huffyuv
jpegls | JPEG LS | JPEG LS
theora | Theora | Theora
ljpeg | Lossless JPEG | Lossless JPEG
mjpeg | Motion JPEG | Motion JPEG
mpeg1video | MPEG-1/VideoCD | MPEG-1
mpeg2video | MPEG-2/DVD-SVCD-CVCD | MPEG-2
mpeg4 | MPEG-4 | MPEG-4
msmpeg4 | MPEG-4 Part 2 - MS v3  - DivX 4/5 | MPEG-4 - DivX 4/5
msmpeg4v1 | MPEG-4 Part 2 - MS v1 - DivX 3 | MPEG-4 DivX 3
msmpeg4v2 | MPEG-4 Part 2 - MS v2 | MPEG-4 MS v2
novideo | No video (extract audio) | No video
nuv | NuppelVideo/RTJPEG | NuppelVideo/RTJPEG
png | PNG image | PNG image
qtrle | QuickTime Animation | QuickTime Animation
raw | Raw stream | Raw stream
rawvideo | Raw stream | Raw stream
roqvideo | RoQ/Quake Video | Quake Video
rv10 | Real 1.0 | Real 1.0
rv20 | Real 2.0 | Real 2.0
snow | FFmpeg wavelet | FFmpeg wavelet
svq1 | Sorenson video 1 | Sorenson 1
svq3 | Sorenson H.263 used in Flash Video | Sorenson 3
targa | Targa image | Targa image
vp8 | VP8 (WebM video) | VP8
wmv1 | Windows Media Video 7 | WMV7
wmv2 | Windows Media Video 8 | WMV8
x264 | H.264/AVC | H.264
x264_lr | H.264/AVC (Mobile) | H.264
x264_hd | H.264/AVC (HDTV) | H.264
x264_psp | H.264/AVC | H.264
x264_divx | DivX Plus HD (H.264/AVC) | DivX Plus HD (H.264/AVC)
xvid | Xvid (DivX/MPEG-4) | Xvid
zmbv | Zip Motion Blocks | Zip Motion Blocks
AUD
aac | AAC - MPEG-4 | AAC
aac_hq | AAC - MPEG-4 (High Quality) | AAC
aac_flv | AAC - MPEG-4 | AAC
aac_lr | AAC - MPEG-4 (Mobile) | AAC
ac3 | AC3 | AC3
ac3_copy | AC3 (copy audio) | AC3 (copy)
adpcm_ima_qt | ADPCM IMA QuickTime | ADPCM
adpcm_ima_wav | ADPCM IMA WAV | ADPCM
adpcm_ms | ADPCM Microsoft | ADPCM
adpcm_swf | ADPCM Shockwave Flash | ADPCM
alac | Apple Lossless Audio Codec | Apple Lossless Audio
amrnb | AMR-NB speech audio (GPP TS 26.073) | AMR-NB
auto | Chosen by the encoder | Auto
copy | Stream copy | Copy
faac | AAC - MPEG-4 | AAC
flac | Free Lossless Audio Codec | Free Lossless Audio
g726 | G.726 ADPCM | G.726 ADPCM
gsm | GSM 06.10 | GSM 06.10
gsm_ms | Microsoft GSM | Microsoft GSM
lame | MP3 - MPEG Audio Layer 3 | MP3
vorbis | Vorbis | Vorbis
mp2 | MPEG Audio Layer 2 | MPEG-2 Audio
mp2_vcd | MPEG Audio Layer 2 (VideoCD) | MPEG-2 Audio
mp3 | MP3 - MPEG Audio Layer 3 | MP3
mp3_lr | MP3 - MPEG Audio Layer 3 (Mobile) | MP3 (Mobile)
mp3_flv | MP3 - MPEG Audio Layer 3 | MP3
mp3_flv_lr | MP3 - MPEG Audio Layer 3 (Mobile) | MP3 (Mobile)
mp3lame | MP3 - MPEG Audio Layer 3 | MP3
multi | Multiple audio streams | Multiple audio
noaudio | No audio | No audio
none | No audio | No audio
pcm_alaw | PCM A-law | PCM A-law
pcm | PCM - Linear PCM | PCM Linear
pcm_f64be | PCM 64-bit Big-Endian | PCM 64be
pcm_f64le | PCM 64-bit Little-Endian | PCM 64le
pcm_s32be | PCM 32-bit Big-Endian | PCM 32be
pcm_s32le | PCM 32-bit Little-Endian | PCM 32le
raw | Raw stream | Raw
roq_dpcm | RoQ/Quake DPCM | Quake DPCM
sonic | Sonic | Sonic
sonicls | Sonic Lossless | Sonic Lossless
toolame | MPEG Audio Layer 2 | MPEG-2 Audio
twolame | MPEG Audio Layer 2 | MPEG-2 Audio
wmav1 | WMA v1 | Windows Media Audio v1
wmav2 | WMA v2 | Windows Media Audio v2
SUB
auto | Chosen by the encoder | Auto
copy | Stream copy | Stream copy
dvbsub | DVB subtitles | DVB subtitles
dvdsub | DVD subtitles | DVD subtitles
inlay | Inlayed | Inlayed
multi | Multiple subtitle streams | Multiple subtitle
nosubtitle | No subtitle | No subtitle
xsub | DivX subtitles | DivX subtitles
DEFV
x264: __default h264 ipod mpegts
mpeg4: 3g2 3gp avm2 flv m4v mov mp4 swf
novideo: ac3 adts amr au dts f64be f64le flac mp2 mp3 rawaudio s32be s32le spdif wav
mpeg2video: dvd mpeg mpeg2video svcd vob
mpeg1video: mpeg1video vcd
x264_divx: matroska mkv
dnxhd: dnxhd mxf
auto: filmstrip raw
xvid: avi
wmv1: asf
wmv2: rcv
dv: dv
h261: h261
h263: h263
raw: null
nuv: nut
theora: ogg
x264_psp: psp
copy: rawvideo
rv20: rm
roqvideo: RoQ
DEFA
__default: mp3 x264=aac x264_lr=aac_lr
264: aac
3g2: amrnb h263=amrnb mpeg4=aac_lr x264_lr=aac_lr x264=aac_lr
3gp: amrnb mpeg4=aac_lr x264_lr=aac_lr x264=aac_lr
ac3: ac3
adts: aac
asf: wmav1
amr: amr
au: pcm_s32be
avi: mp3
avm2: aac
dnxhd: noaudio
dts: copy
dv: pcm_s32be
dvd: mp2
f64be: pcm_f64be
f64le: pcm_f64le
filmstrip: noaudio
flac: flac
flv: aac_flv
h261: mp3
h263: mp3
h264: aac
ipod: mp3 x264_hd=aac_hq x264_lr=aac_lr
m4v: noaudio
matroska: ac3 theora=vorbis x264_divx=ac3 x264_hd=ac3 xvid=mp3
mkv: ac3 theora=vorbis x264_divx=ac3 x264_hd=ac3 xvid=mp3
mov: mp3 x264_hd=mp3 x264_lr=aac_lr h263=mp3_lr
mp2: mp2
mp3: mp3
mp4: mp3 x264_hd=aac_hq
mpeg: mp2
mpeg1video: noaudio
mpeg2video: noaudio
mpegts: aac
mxf: pcm_s32be
null: noaudio
nut: pcm_s32be
ogg: vorbis
psp: aac
raw: copy
rawaudio: copy
rawvideo: noaudio
rcv: wmav2
rm: noaudio
RoQ: roq_dpcm
s32be: pcm_s32be
s32le: pcm_s32le
spdif: auto
swf: mp3
svcd: mp2
vcd: mp2
vob: mp2
wav: mp3
)";

// The rows of one section ("MUX", "VID", ...) of kTables.
QList<QStringList> section(const QString &name)
{
    QList<QStringList> rows;
    bool inside = false;
    for (const QString &line : QString::fromUtf8(kTables).split('\n')) {
        if (!line.contains('|') && !line.contains(':') && !line.isEmpty()) {
            inside = line == name;
            continue;
        }
        if (inside && !line.isEmpty()) {
            QStringList cells = line.contains(" | ") ? line.split(" | ") : QStringList{line};
            rows << cells;
        }
    }
    return rows;
}

QString orElse(const QString &text, const QString &fallback)
{
    return text == "-" ? fallback : text;
}

} // namespace


class EncoderVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    void muxerTexts_data()
    {
        addColumns<QString, QString, QString, QString>({"muxer", "longDescription", "description", "shortName"});
        const QList<QStringList> rows = section("MUX");
        QCOMPARE(rows.size(), 61);
        for (const QStringList &row : rows) {
            // A missing text falls back to the next shorter one, the last to the upper-cased name.
            const QString shortName = orElse(row[3], row[0].toUpper());
            const QString description = orElse(row[2], shortName);
            QTest::newRow(qPrintable(row[0])) << row[0] << orElse(row[1], description) << description << shortName;
        }
        // Names that no table knows, compared case-sensitively; an empty name stays empty.
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
        const QList<QPair<QString, int>> kinds{{"VID", 50}, {"AUD", 45}, {"SUB", 8}};
        for (const auto &[kind, count] : kinds) {
            const QList<QStringList> rows = section(kind);
            QCOMPARE(rows.size(), count);
            for (const QStringList &row : rows)
                QTest::newRow(qPrintable(kind + ' ' + row[0])) << kind << row[0] << row[1] << row[2];
            QTest::newRow(qPrintable(kind + " unknown")) << kind << "libx264" << "LIBX264" << "LIBX264";
            QTest::newRow(qPrintable(kind + " empty")) << kind << "" << "" << "";
        }
    }

    void codecTexts()
    {
        QFETCH(QString, kind);
        QFETCH(QString, codec);
        QString description, shortName;
        if (kind == "VID") {
            description = m_encoder.videoCodecDescription(codec);
            shortName = m_encoder.videoCodecShortName(codec);
        } else if (kind == "AUD") {
            description = m_encoder.audioCodecDescription(codec);
            shortName = m_encoder.audioCodecShortName(codec);
        } else {
            description = m_encoder.subtitleDescription(codec);
            shortName = m_encoder.subtitleShortName(codec);
        }
        QCOMPARE(description, fetched<QString>("description"));
        QCOMPARE(shortName, fetched<QString>("shortName"));
    }

    void muxerExtension_data()
    {
        addColumns<QString, bool, QString>({"muxer", "noVideo", "extension"});
        const char *rows[][3] = {
            {"asf", "", ".wmv"}, {"avm2", "", ".swf"}, {"dv", "", ".avi"}, {"filmstrip", "", ".flm"},
            {"ipod", "noVideo", ".m4a"}, {"ipod", "", ".m4v"}, {"matroska", "", ".mkv"},
            {"mpeg1video", "", ".m1v"}, {"mpeg2video", "", ".m2v"}, {"mpeg", "", ".mpg"},
            {"mpeg_vcd", "noVideo", ".mpg"}, {"mpegts", "", ".ts"}, {"mp2", "", ".mpa"},
            {"null", "", ".raw"}, {"raw", "", ".raw"}, {"rawvideo", "", ".raw"},
            {"rawaudio", "", ".raw"}, {"f64be", "", ".wav"}, {"f64le", "", ".wav"},
            {"s32be", "", ".wav"}, {"s32le", "noVideo", ".wav"}, {"s16le", "", ".s16le"},
            {"s64be", "", ".s64be"}, {"avi", "", ".avi"}, {"mkv", "", ".mkv"}, {"mp4", "", ".mp4"},
            {"webm", "", ".webm"}, {"RoQ", "", ".roq"}, {"roq", "", ".roq"},
            {"libx264", "", ".libx264"}, {"", "", "."}, {"MP3", "", ".mp3"},
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

    void defaultVideoCodec_data()
    {
        addColumns<QString, QString>({"muxer", "codec"});
        int count = 0;
        for (const QStringList &row : section("DEFV")) {
            const QString codec = row[0].section(':', 0, 0);
            for (const QString &muxer : row[0].section(':', 1).split(' ', Qt::SkipEmptyParts)) {
                QTest::newRow(qPrintable(muxer)) << muxer << codec;
                ++count;
            }
        }
        QCOMPARE(count, 53);
        for (const char *muxer : {"webm", "mpeg_vcd", "m4a", "wmv", "264", "", "MKV"})
            QTest::newRow(qPrintable(QString("no row ") + muxer)) << muxer << "x264";
    }

    void defaultVideoCodec()
    {
        QFETCH(QString, muxer);
        QCOMPARE(m_encoder.defaultVideoCodec(muxer), fetched<QString>("codec"));
    }

    void defaultAudioCodec_data()
    {
        addColumns<QString, QString, QString>({"muxer", "video", "audio"});
        // "__default" video entries of the "__default" muxer come before a muxer's own entry for
        // any video codec; the test works the steps out itself from the table.
        QMap<QString, QMap<QString, QString>> table;
        for (const QStringList &row : section("DEFA")) {
            const QString muxer = row[0].section(':', 0, 0);
            const QStringList words = row[0].section(':', 1).split(' ', Qt::SkipEmptyParts);
            table[muxer]["__default"] = words[0];
            for (const QString &word : words.mid(1))
                table[muxer][word.section('=', 0, 0)] = word.section('=', 1);
        }
        QCOMPARE(table.size(), 54);
        int entries = 0;
        for (const auto &row : std::as_const(table))
            entries += row.size();
        QCOMPARE(entries, 77);
        auto expected = [&](const QString &muxer, const QString &video) {
            for (const auto &[m, v] : {std::pair{muxer, video}, std::pair{QString("__default"), video},
                                       std::pair{muxer, QString("__default")},
                                       std::pair{QString("__default"), QString("__default")}})
                if (table.value(m).contains(v))
                    return table.value(m).value(v);
            return QString();
        };
        const QStringList videos{"__default", "", "x264", "x264_lr", "x264_hd", "xvid", "theora",
                                 "h263", "mpeg4", "x264_divx", "vp8"};
        for (const QString &muxer : table.keys() + QStringList{"webm", "mpeg_vcd", ""})
            for (const QString &video : videos)
                QTest::newRow(qPrintable(muxer + '/' + video)) << muxer << video << expected(muxer, video);
        // The worked examples, independent of the steps above.
        QTest::newRow("avi x264") << "avi" << "x264" << "aac";
        QTest::newRow("webm vp8") << "webm" << "vp8" << "mp3";
        QTest::newRow("mov h263") << "mov" << "h263" << "mp3_lr";
    }

    void defaultAudioCodec()
    {
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QCOMPARE(m_encoder.defaultAudioCodec(muxer, video), fetched<QString>("audio"));
    }

    void defaultCodecsAndSubtitles_data()
    {
        addColumns<QString, QString, QString, QString>({"muxer", "video", "audio", "subtitle"});
        QTest::newRow("avi") << "avi" << "xvid" << "mp3" << "xsub";
        QTest::newRow("mkv") << "mkv" << "x264_divx" << "ac3" << "dvdsub";
        QTest::newRow("matroska") << "matroska" << "x264_divx" << "ac3" << "inlay";
        QTest::newRow("ogg") << "ogg" << "theora" << "vorbis" << "inlay";
        QTest::newRow("mpeg_vcd") << "mpeg_vcd" << "x264" << "aac" << "inlay";
        QTest::newRow("mp3") << "mp3" << "novideo" << "mp3" << "inlay";
        QTest::newRow("empty") << "" << "x264" << "aac" << "inlay";
    }

    void defaultCodecsAndSubtitles()
    {
        QFETCH(QString, muxer);
        QString video, audio, subtitle;
        m_encoder.defaultCodecs(muxer, video, audio, subtitle);
        QCOMPARE(video, fetched<QString>("video"));
        QCOMPARE(audio, fetched<QString>("audio"));
        QCOMPARE(subtitle, fetched<QString>("subtitle"));
        // The subtitle does not depend on the video codec.
        QString otherAudio, otherSubtitle;
        m_encoder.defaultAudioAndSubtitle(muxer, "mpeg4", otherAudio, otherSubtitle);
        QCOMPARE(otherSubtitle, subtitle);
        QCOMPARE(m_encoder.defaultSubtitle(muxer, "vp8"), subtitle);
    }

    void engineNames_data()
    {
        addColumns<QString, QString, QStringList>({"kind", "name", "names"});
        const QStringList rows{
            "muxer mkv: mkv matroska", "muxer matroska: matroska mkv", "muxer wmv: wmv asf",
            "muxer asf: asf wmv", "muxer avi: avi", "muxer MKV: MKV",
            "video x264_lr: x264_lr libx264", "video x264_hd: x264_hd libx264",
            "video libx264: libx264 x264", "video libxvid: libxvid xvid", "video dvvideo: dvvideo dv",
            "video libtheora: libtheora theora", "video dv: dv dvvideo", "video mpeg4: mpeg4",
            "subtitle dvdsub: dvdsub", "subtitle inlay: inlay"};
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
