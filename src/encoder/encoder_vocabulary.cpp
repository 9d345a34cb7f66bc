// The codec and container vocabulary of the encoder: the texts the user sees for the
// program's identifiers, the output extension of each container, the codecs preselected for
// a container, and the engines' names for the program's identifiers. All tables are data;
// the constructor copies them into maps once and the lookups only read those.

#include "encoder/encoder.h"

namespace {

struct MuxerRow
{
    const char *id;
    const char *longDescription; // translated; null: no row
    const char *description;
    const char *shortName;       // null: no row
};
const MuxerRow kMuxers[] = {
    {"264", QT_TRANSLATE_NOOP("Encoder", "H.264 - H.264/AVC video stream"), ".264 - H.264 video", "Raw"},
    {"3gp", QT_TRANSLATE_NOOP("Encoder", "3GP - 3G mobile phone (3GPP/UMTS)"), "3GP - 3G mobile phone", "3GPP"},
    {"3g2", QT_TRANSLATE_NOOP("Encoder", "3G2 - 3G mobile phone (3GPP2/CDMA2000)"), "3G2 - 3G mobile phone", "3GPP2"},
    {"ac3", QT_TRANSLATE_NOOP("Encoder", "Audio AC3 - Dolby Digital audio stream"), "AC3 - Dolby Digital audio", "Audio AC3"},
    {"adts", QT_TRANSLATE_NOOP("Encoder", "Audio AAC - MP4 AAC audio stream"), "ADTS - MPEG-4 AAC audio", "Audio AAC"},
    {"aiff", QT_TRANSLATE_NOOP("Encoder", "Audio AIFF - Audio Interchange File Format (Apple)"), "AIFF - Apple audio", "Audio AIFF"},
    {"amr", QT_TRANSLATE_NOOP("Encoder", "Audio 3GP - 3G mobile phone audio stream (3GPP/3GPP2)"), "AMR - 3GPP/3GPP2 mobile phone audio", "Audio 3GPP"},
    {"asf", QT_TRANSLATE_NOOP("Encoder", "ASF - Widows Media Streaming Format"), "ASF - Windows Media", "ASF"},
    {"au", QT_TRANSLATE_NOOP("Encoder", "Audio AU - Sun Unix audio steam"), "AU - Sun Unix audio", "Audio Sun AU"},
    {"avi", QT_TRANSLATE_NOOP("Encoder", "AVI - Microsoft format (DivX/Xvid/MPEG-4)"), "AVI - Audio Video Interleaved", "AVI"},
    {"avm2", QT_TRANSLATE_NOOP("Encoder", "SWF - ShockWave Flash 9 Video"), "SWF - ShockWave Flash 9", "Flash 9"},
    {"dnxhd", QT_TRANSLATE_NOOP("Encoder", "MXF - Avid SMPTE VC-3 post production HD video stream"), "MXF - Avid SMPTE VC-3", "SMPTE VC-3"},
    {"dts", QT_TRANSLATE_NOOP("Encoder", "Audio DTS - DTS audio stream"), "DTS - Audio DTS", "DTS"},
    {"dv", QT_TRANSLATE_NOOP("Encoder", "DV Sony - Digital Video tape stream"), "DV - Digital Video tape stream", "DV"},
    {"dvd", QT_TRANSLATE_NOOP("Encoder", "MPEG-2 PS/DVD - DVD-Video file"), "MPEG-2 - DVD-Video file", "MPEG-2 DVD"},
    {"f64be", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 64-bit Big-Endian - PCM audio stream"), ".f64be - PCM 64-bit Big-Endian", "Audio PCM 64be"},
    {"f64le", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 64-bit Little-Endian - PCM audio stream"), ".f64le - PCM 64-bit Little-Endian", "Audio PCM 64le"},
    {"filmstrip", QT_TRANSLATE_NOOP("Encoder", "Adobe Filmstrip - Adobe Premiere video steam"), "Filmstrip - Adobe Premiere video", "Filmstrip"},
    {"flac", QT_TRANSLATE_NOOP("Encoder", "Audio FLAC - Lossless audio stream"), "FLAC - Lossless audio", "FLAC"},
    {"flv", QT_TRANSLATE_NOOP("Encoder", "FLV - Flash Video (Dailymotion/YouTube)"), "FLV - Flash Video", "Flash Video"},
    {"h261", QT_TRANSLATE_NOOP("Encoder", "TS - H.261 stream in MPEG-TS file"), "TS - H.261 stream", "H.261"},
    {"h263", QT_TRANSLATE_NOOP("Encoder", "TS - H.263 stream in MPEG-TS file"), "TS - H.263 stream", "H.263"},
    {"h264", QT_TRANSLATE_NOOP("Encoder", "TS - H.264 stream in MPEG-TS file"), "TS - H.264 stream", "H.264"},
    {"ipod", QT_TRANSLATE_NOOP("Encoder", "IPOD - iPod MPEG-4 movie"), "IPOD - iPod movie", "iPod"},
    {"m4a", QT_TRANSLATE_NOOP("Encoder", "Audio M4A - Apple iTunes MPEG-4 audio"), "Audio M4A - Apple iTunes audio", "Audio MPEG-4"},
    {"m4v", QT_TRANSLATE_NOOP("Encoder", "M4V - Apple iTunes movie"), "M4V - Apple iTunes movie", "MPEG-4 video"},
    {"matroska", QT_TRANSLATE_NOOP("Encoder", "MKV - Matroska (DivX Plus HD/WebM)"), "MKV - Matroska format", "MKV"},
    {"mkv", QT_TRANSLATE_NOOP("Encoder", "MKV - Matroska video multi-stream format"), "MKV - Matroska format", "MKV"},
    {"mov", QT_TRANSLATE_NOOP("Encoder", "MOV - Apple QuickTime movie"), "MOV - Apple QuickTime movie", "QuickTime"},
    {"mp2", QT_TRANSLATE_NOOP("Encoder", "Audio MP2 - MPEG layer 2 audio stream"), "MP2 - MPEG layer 2 audio", "Audio MPEG layer 2"},
    {"mp3", QT_TRANSLATE_NOOP("Encoder", "Audio MP3 - MPEG layer 3 audio stream"), "MP3 - MPEG layer 3 audio", "MP3"},
    {"mp4", QT_TRANSLATE_NOOP("Encoder", "MP4 - MPEG-4 movie"), "MP4 - MPEG-4 movie", "MP4"},
    {"mpeg", QT_TRANSLATE_NOOP("Encoder", "MPEG-2 - MPEG PS (SVCD-DVD)"), "MPEG-2 - MPEG Program Stream", "MPEG-2 PS"},
    {"mpeg_vcd", QT_TRANSLATE_NOOP("Encoder", "MPEG-1 - MPEG PS (VideoCD)"), "MPEG-1 - MPEG Program Stream", nullptr},
    {"mpeg1video", QT_TRANSLATE_NOOP("Encoder", "M1V - MPEG-1 Video stream"), "M1V - MPEG-1 Video", "MPEG-1 Video"},
    {"mpeg2video", QT_TRANSLATE_NOOP("Encoder", "M2V - MPEG-2 Video stream"), "M2V - MPEG-2 Video", "MPEG-2 Video"},
    {"mpegts", QT_TRANSLATE_NOOP("Encoder", "TS - MPEG-1/2 Transport Stream"), "TS - MPEG Transport Stream", "MPEG Transport"},
    {"mxf", QT_TRANSLATE_NOOP("Encoder", "MXF - Material eXchange Format"), "MXF - Material eXchange Format", "MXF"},
    {"nut", QT_TRANSLATE_NOOP("Encoder", "NUT - Patent-free open format"), "NUT - Open format", "NUT"},
    {"ogg", QT_TRANSLATE_NOOP("Encoder", "OGG - Ogg Vorbis patent-free open format"), "OGG - Ogg Vorbis", "Ogg Vorbis"},
    {"psp", QT_TRANSLATE_NOOP("Encoder", "PSP - PlayStation Portable MPEG-4 movie"), "PSP - PlayStation Portable movie", "MPEG-4 PSP"},
    {"raw", QT_TRANSLATE_NOOP("Encoder", "RAW - Raw video stream"), "RAW - Raw video", "Raw"},
    {"rawaudio", QT_TRANSLATE_NOOP("Encoder", "RAWAUDIO - Raw audio stream"), "RAWAUDIO - Raw audio", "Audio raw"},
    {"rawvideo", QT_TRANSLATE_NOOP("Encoder", "RAWVIDEO - Raw video stream"), "RAWVIDEO - Raw video", "Video raw"},
    {"rcv", QT_TRANSLATE_NOOP("Encoder", "RCV - VC-1 bitstream (WMV9 Advanced Profile)"), "RCV - VC-1 bitstream", "VC-1"},
    {"rm", QT_TRANSLATE_NOOP("Encoder", "RM - Real Media internet video"), "RM - Real Media", "Real Media"},
    {"RoQ", QT_TRANSLATE_NOOP("Encoder", "RoQ - Quake Video format"), "RoQ - Quake Video", "RoQ/Quake"},
    {"s16be", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 16-bit Big-Endian - PCM audio stream"), ".s16be - PCM 16-bit Big-Endian", "Audio PCM 16be"},
    {"s16le", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 16-bit Little-Endian - PCM audio stream"), ".s16le - PCM 16-bit Little-Endian", "Audio PCM 16le"},
    {"s32be", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 32-bit Big-Endian - PCM audio stream"), ".s32be - PCM 32-bit Big-Endian", "Audio PCM 32be"},
    {"s32le", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 32-bit Little-Endian - PCM audio stream"), ".s32le - PCM 32-bit Little-Endian", "Audio PCM 32le"},
    {"s64be", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 64-bit Big-Endian - PCM audio stream"), ".s64be - PCM 64-bit Big-Endian", "Audio PCM 64be"},
    {"s64le", QT_TRANSLATE_NOOP("Encoder", "Audio PCM 64-bit Little-Endian - PCM audio stream"), ".s64le - PCM 64-bit Little-Endian", "Audio PCM 64le"},
    {"spdif", QT_TRANSLATE_NOOP("Encoder", "Audio S/PDIF - Digital audio data link layer protocol"), "S/PDIF - Digital audio data link", "S/PDIF"},
    {"swf", QT_TRANSLATE_NOOP("Encoder", "SWF - ShockWave Flash 10 Video"), "SWF - ShockWave Flash", "Shockwave Flash"},
    {"svcd", QT_TRANSLATE_NOOP("Encoder", "MPEG-2 PS/SVCD - Super-VideoCD file"), "MPEG-2 SVCD - Super-VideoCD", "MPEG-2 SVCD"},
    {"vcd", QT_TRANSLATE_NOOP("Encoder", "MPEG-1 PS/VCD - VideoCD file"), "MPEG-1 VCD - VideoCD", "MPEG-1 VCD"},
    {"vob", QT_TRANSLATE_NOOP("Encoder", "MPEG-2 PS/VOB - DVD VOB file"), "MPEG-2 VOB - DVD VOB file", "MPEG-2 VOB"},
    {"wav", QT_TRANSLATE_NOOP("Encoder", "Audio WAV - Wave audio format (ADPCM/MP3/PCM)"), "WAV - Wave audio", "Audio Waveform"},
    {"webm", nullptr, "WebM - HTML5 Video", "WebM"},
    {"wmv", QT_TRANSLATE_NOOP("Encoder", "WMV - Windows Media Video"), "WMV - Windows Media Video", "Windows Media Video"},
};

// Video codecs, audio codecs and subtitles: identifier, description, short name; the
// texts of a row marked `translated` pass through tr() when the table is built.
struct CodecRow
{
    const char *id;
    const char *description;
    const char *shortName;
    bool translated = false;
};
const CodecRow kVideoCodecs[] = {
    {"asv1", "ASUS v1", "ASUS v1"},
    {"asv2", "ASUS v2", "ASUS v2"},
    {"auto", "Chosen by the encoder", "Chosen by the encoder"},
    {"bmp", "BMP image", "BMP image"},
    {"copy", "Stream copy", "Stream copy"},
    {"dnxhd", "VC3/DNxHD", "VC3/DNxHD"},
    {"dv", "Sony DV", "Sony DV"},
    {"dvvideo", "Sony DV", "Sony DV"},
    {"flashsv", "Flash Screen Video", "Flash Screen Video"},
    {"flv", "Flash Video", "Flash Video"},
    {"ffv1", "FFmpeg's experimental wavelet-based codec", "FFmpeg wavelet"},
    {"ffvhuff", "Non-standard 20% smaller HuffYUV using YV1", "Huffyuv modified"},
    {"frameno", "Audio-only/3-pass", "Audio-only/3-pass"},
    {"gif", "GIF", "GIF"},
    {"h261", "H.261", "H.261"},
    {"h263", "H.263", "H.263"},
    {"huffyuv", "Huffyuv", "Huffyuv"},
    {"jpegls", "JPEG LS", "JPEG LS"},
    {"theora", "Theora", "Theora"},
    {"ljpeg", "Lossless JPEG", "Lossless JPEG"},
    {"mjpeg", "Motion JPEG", "Motion JPEG"},
    {"mpeg1video", "MPEG-1/VideoCD", "MPEG-1"},
    {"mpeg2video", "MPEG-2/DVD-SVCD-CVCD", "MPEG-2"},
    {"mpeg4", "MPEG-4", "MPEG-4"},
    {"msmpeg4", "MPEG-4 Part 2 - MS v3  - DivX 4/5", "MPEG-4 - DivX 4/5"},
    {"msmpeg4v1", "MPEG-4 Part 2 - MS v1 - DivX 3", "MPEG-4 DivX 3"},
    {"msmpeg4v2", "MPEG-4 Part 2 - MS v2", "MPEG-4 MS v2"},
    {"novideo", QT_TRANSLATE_NOOP("Encoder", "No video (extract audio)"), QT_TRANSLATE_NOOP("Encoder", "No video"), true},
    {"nuv", "NuppelVideo/RTJPEG", "NuppelVideo/RTJPEG"},
    {"png", "PNG image", "PNG image"},
    {"qtrle", "QuickTime Animation", "QuickTime Animation"},
    {"raw", "Raw stream", "Raw stream"},
    {"rawvideo", "Raw stream", "Raw stream"},
    {"roqvideo", "RoQ/Quake Video", "Quake Video"},
    {"rv10", "Real 1.0", "Real 1.0"},
    {"rv20", "Real 2.0", "Real 2.0"},
    {"snow", "FFmpeg wavelet", "FFmpeg wavelet"},
    {"svq1", "Sorenson video 1", "Sorenson 1"},
    {"svq3", "Sorenson H.263 used in Flash Video", "Sorenson 3"},
    {"targa", "Targa image", "Targa image"},
    {"vp8", "VP8 (WebM video)", "VP8"},
    {"wmv1", "Windows Media Video 7", "WMV7"},
    {"wmv2", "Windows Media Video 8", "WMV8"},
    {"x264", "H.264/AVC", "H.264"},
    {"x264_lr", "H.264/AVC (Mobile)", "H.264"},
    {"x264_hd", "H.264/AVC (HDTV)", "H.264"},
    {"x264_psp", "H.264/AVC", "H.264"},
    {"x264_divx", "DivX Plus HD (H.264/AVC)", "DivX Plus HD (H.264/AVC)"},
    {"xvid", "Xvid (DivX/MPEG-4)", "Xvid"},
    {"zmbv", "Zip Motion Blocks", "Zip Motion Blocks"},
};
const CodecRow kAudioCodecs[] = {
    {"aac", "AAC - MPEG-4", "AAC"},
    {"aac_hq", "AAC - MPEG-4 (High Quality)", "AAC"},
    {"aac_flv", "AAC - MPEG-4", "AAC"},
    {"aac_lr", "AAC - MPEG-4 (Mobile)", "AAC"},
    {"ac3", "AC3", "AC3"},
    {"ac3_copy", "AC3 (copy audio)", "AC3 (copy)"},
    {"adpcm_ima_qt", "ADPCM IMA QuickTime", "ADPCM"},
    {"adpcm_ima_wav", "ADPCM IMA WAV", "ADPCM"},
    {"adpcm_ms", "ADPCM Microsoft", "ADPCM"},
    {"adpcm_swf", "ADPCM Shockwave Flash", "ADPCM"},
    {"alac", "Apple Lossless Audio Codec", "Apple Lossless Audio"},
    {"amrnb", "AMR-NB speech audio (GPP TS 26.073)", "AMR-NB"},
    {"auto", "Chosen by the encoder", "Auto"},
    {"copy", "Stream copy", "Copy"},
    {"faac", "AAC - MPEG-4", "AAC"},
    {"flac", "Free Lossless Audio Codec", "Free Lossless Audio"},
    {"g726", "G.726 ADPCM", "G.726 ADPCM"},
    {"gsm", "GSM 06.10", "GSM 06.10"},
    {"gsm_ms", "Microsoft GSM", "Microsoft GSM"},
    {"lame", "MP3 - MPEG Audio Layer 3", "MP3"},
    {"vorbis", "Vorbis", "Vorbis"},
    {"mp2", "MPEG Audio Layer 2", "MPEG-2 Audio"},
    {"mp2_vcd", "MPEG Audio Layer 2 (VideoCD)", "MPEG-2 Audio"},
    {"mp3", "MP3 - MPEG Audio Layer 3", "MP3"},
    {"mp3_lr", "MP3 - MPEG Audio Layer 3 (Mobile)", "MP3 (Mobile)"},
    {"mp3_flv", "MP3 - MPEG Audio Layer 3", "MP3"},
    {"mp3_flv_lr", "MP3 - MPEG Audio Layer 3 (Mobile)", "MP3 (Mobile)"},
    {"mp3lame", "MP3 - MPEG Audio Layer 3", "MP3"},
    {"multi", QT_TRANSLATE_NOOP("Encoder", "Multiple audio streams"), QT_TRANSLATE_NOOP("Encoder", "Multiple audio"), true},
    {"noaudio", "No audio", "No audio"},
    {"none", "No audio", "No audio"},
    {"pcm_alaw", "PCM A-law", "PCM A-law"},
    {"pcm", "PCM - Linear PCM", "PCM Linear"},
    {"pcm_f64be", "PCM 64-bit Big-Endian", "PCM 64be"},
    {"pcm_f64le", "PCM 64-bit Little-Endian", "PCM 64le"},
    {"pcm_s32be", "PCM 32-bit Big-Endian", "PCM 32be"},
    {"pcm_s32le", "PCM 32-bit Little-Endian", "PCM 32le"},
    {"raw", "Raw stream", "Raw"},
    {"roq_dpcm", "RoQ/Quake DPCM", "Quake DPCM"},
    {"sonic", "Sonic", "Sonic"},
    {"sonicls", "Sonic Lossless", "Sonic Lossless"},
    {"toolame", "MPEG Audio Layer 2", "MPEG-2 Audio"},
    {"twolame", "MPEG Audio Layer 2", "MPEG-2 Audio"},
    {"wmav1", "WMA v1", "Windows Media Audio v1"},
    {"wmav2", "WMA v2", "Windows Media Audio v2"},
};
const CodecRow kSubtitles[] = {
    {"auto", "Chosen by the encoder", "Auto"},
    {"copy", "Stream copy", "Stream copy"},
    {"dvbsub", "DVB subtitles", "DVB subtitles"},
    {"dvdsub", "DVD subtitles", "DVD subtitles"},
    {"inlay", "Inlayed", "Inlayed"},
    {"multi", QT_TRANSLATE_NOOP("Encoder", "Multiple subtitle streams"), QT_TRANSLATE_NOOP("Encoder", "Multiple subtitle"), true},
    {"nosubtitle", QT_TRANSLATE_NOOP("Encoder", "No subtitle"), QT_TRANSLATE_NOOP("Encoder", "No subtitle"), true},
    {"xsub", "DivX subtitles", "DivX subtitles"},
};
// The default video codec of each muxer, grouped by codec.
struct DefaultVideoRow
{
    const char *codec;
    std::initializer_list<const char *> muxers;
};
const DefaultVideoRow kDefaultVideoCodecs[] = {
    {"x264", {"__default", "h264", "ipod", "mpegts"}},
    {"mpeg4", {"3g2", "3gp", "avm2", "flv", "m4v", "mov", "mp4", "swf"}},
    {"novideo", {"ac3", "adts", "amr", "au", "dts", "f64be", "f64le", "flac", "mp2", "mp3", "rawaudio", "s32be", "s32le", "spdif", "wav"}},
    {"mpeg2video", {"dvd", "mpeg", "mpeg2video", "svcd", "vob"}},
    {"mpeg1video", {"mpeg1video", "vcd"}},
    {"x264_divx", {"matroska", "mkv"}},
    {"dnxhd", {"dnxhd", "mxf"}},
    {"auto", {"filmstrip", "raw"}},
    {"xvid", {"avi"}},
    {"wmv1", {"asf"}},
    {"wmv2", {"rcv"}},
    {"dv", {"dv"}},
    {"h261", {"h261"}},
    {"h263", {"h263"}},
    {"raw", {"null"}},
    {"nuv", {"nut"}},
    {"theora", {"ogg"}},
    {"x264_psp", {"psp"}},
    {"copy", {"rawvideo"}},
    {"rv20", {"rm"}},
    {"roqvideo", {"RoQ"}},
};

// The default audio codec of a muxer: for any video codec ("__default"), then for
// particular video codecs.
struct DefaultAudioRow
{
    const char *muxer;
    const char *anyVideo;
    std::initializer_list<std::pair<const char *, const char *>> perVideo;
};
const DefaultAudioRow kDefaultAudioCodecs[] = {
    {"__default", "mp3", {{"x264", "aac"}, {"x264_lr", "aac_lr"}}},
    {"264", "aac", {}},
    {"3g2", "amrnb", {{"h263", "amrnb"}, {"mpeg4", "aac_lr"}, {"x264_lr", "aac_lr"}, {"x264", "aac_lr"}}},
    {"3gp", "amrnb", {{"mpeg4", "aac_lr"}, {"x264_lr", "aac_lr"}, {"x264", "aac_lr"}}},
    {"ac3", "ac3", {}},
    {"adts", "aac", {}},
    {"asf", "wmav1", {}},
    {"amr", "amr", {}},
    {"au", "pcm_s32be", {}},
    {"avi", "mp3", {}},
    {"avm2", "aac", {}},
    {"dnxhd", "noaudio", {}},
    {"dts", "copy", {}},
    {"dv", "pcm_s32be", {}},
    {"dvd", "mp2", {}},
    {"f64be", "pcm_f64be", {}},
    {"f64le", "pcm_f64le", {}},
    {"filmstrip", "noaudio", {}},
    {"flac", "flac", {}},
    {"flv", "aac_flv", {}},
    {"h261", "mp3", {}},
    {"h263", "mp3", {}},
    {"h264", "aac", {}},
    {"ipod", "mp3", {{"x264_hd", "aac_hq"}, {"x264_lr", "aac_lr"}}},
    {"m4v", "noaudio", {}},
    {"matroska", "ac3", {{"theora", "vorbis"}, {"x264_divx", "ac3"}, {"x264_hd", "ac3"}, {"xvid", "mp3"}}},
    {"mkv", "ac3", {{"theora", "vorbis"}, {"x264_divx", "ac3"}, {"x264_hd", "ac3"}, {"xvid", "mp3"}}},
    {"mov", "mp3", {{"x264_hd", "mp3"}, {"x264_lr", "aac_lr"}, {"h263", "mp3_lr"}}},
    {"mp2", "mp2", {}},
    {"mp3", "mp3", {}},
    {"mp4", "mp3", {{"x264_hd", "aac_hq"}}},
    {"mpeg", "mp2", {}},
    {"mpeg1video", "noaudio", {}},
    {"mpeg2video", "noaudio", {}},
    {"mpegts", "aac", {}},
    {"mxf", "pcm_s32be", {}},
    {"null", "noaudio", {}},
    {"nut", "pcm_s32be", {}},
    {"ogg", "vorbis", {}},
    {"psp", "aac", {}},
    {"raw", "copy", {}},
    {"rawaudio", "copy", {}},
    {"rawvideo", "noaudio", {}},
    {"rcv", "wmav2", {}},
    {"rm", "noaudio", {}},
    {"RoQ", "roq_dpcm", {}},
    {"s32be", "pcm_s32be", {}},
    {"s32le", "pcm_s32le", {}},
    {"spdif", "auto", {}},
    {"swf", "mp3", {}},
    {"svcd", "mp2", {}},
    {"vcd", "mp2", {}},
    {"vob", "mp2", {}},
    {"wav", "mp3", {}},
};
const DefaultAudioRow kDefaultSubtitles[] = {
    {"__default", "inlay", {}},
    {"avi", "xsub", {}},
    {"mkv", "dvdsub", {}},
};

struct AliasRow
{
    const char *id;
    std::initializer_list<const char *> engineNames;
};
const AliasRow kMuxerAliases[] = {
    {"mkv", {"matroska"}},
    {"wmv", {"asf"}},
};
const AliasRow kVideoCodecAliases[] = {
    {"dv", {"dvvideo"}},
    {"theora", {"libtheora"}},
    {"x264", {"libx264"}},
    {"x264_hd", {"libx264"}},
    {"x264_lr", {"libx264"}},
    {"xvid", {"libxvid"}},
};

// The extensions that are not "." and the muxer in lower case.
struct ExtensionRow
{
    std::initializer_list<const char *> muxers;
    const char *extension;
};
const ExtensionRow kExtensions[] = {
    {{"asf"}, ".wmv"},
    {{"avm2"}, ".swf"},
    {{"dv"}, ".avi"},
    {{"filmstrip"}, ".flm"},
    {{"matroska"}, ".mkv"},
    {{"mpeg1video"}, ".m1v"},
    {{"mpeg2video"}, ".m2v"},
    {{"mpeg", "mpeg_vcd"}, ".mpg"},
    {{"mpegts"}, ".ts"},
    {{"mp2"}, ".mpa"},
    {{"null", "raw", "rawvideo", "rawaudio"}, ".raw"},
    {{"f64be", "f64le", "s32be", "s32le"}, ".wav"},
};

const QString kDefaultKey = QStringLiteral("__default");

// Every long description of a muxer is shown translated, none of its other texts.
void fillMuxers(QMap<QString, QString> &table, const char *MuxerRow::*field, bool translate)
{
    table.clear();
    for (const MuxerRow &row : kMuxers) {
        if (const char *text = row.*field)
            table.insert(QString::fromLatin1(row.id),
                         translate ? Encoder::tr(text) : QString::fromUtf8(text));
    }
}

template<std::size_t N>
void fillCodecs(QMap<QString, QString> &table, const CodecRow (&rows)[N],
                const char *CodecRow::*field)
{
    table.clear();
    for (const CodecRow &row : rows) {
        const char *text = row.*field;
        table.insert(QString::fromLatin1(row.id),
                     row.translated ? Encoder::tr(text) : QString::fromUtf8(text));
    }
}

template<std::size_t N>
void fillAliases(QMap<QString, QStringList> &table, const AliasRow (&rows)[N])
{
    table.clear();
    for (const AliasRow &row : rows) {
        QStringList names;
        for (const char *name : row.engineNames)
            names << QString::fromLatin1(name);
        table.insert(QString::fromLatin1(row.id), names);
    }
}

template<std::size_t N>
void fillDefaults(QMap<QString, QMap<QString, QString>> &table, const DefaultAudioRow (&rows)[N])
{
    table.clear();
    for (const DefaultAudioRow &row : rows) {
        QMap<QString, QString> &perVideo = table[QString::fromLatin1(row.muxer)];
        perVideo.insert(kDefaultKey, QString::fromLatin1(row.anyVideo));
        for (const auto &[video, audio] : row.perVideo)
            perVideo.insert(QString::fromLatin1(video), QString::fromLatin1(audio));
    }
}

} // namespace

void Encoder::initMuxerLongDescriptions()
{
    fillMuxers(m_muxerLongDescriptions, &MuxerRow::longDescription, true);
}

void Encoder::initMuxerDescriptions()
{
    fillMuxers(m_muxerDescriptions, &MuxerRow::description, false);
}

void Encoder::initMuxerShortNames()
{
    fillMuxers(m_muxerShortNames, &MuxerRow::shortName, false);
}

void Encoder::initVideoCodecDescriptions()
{
    fillCodecs(m_videoCodecDescriptions, kVideoCodecs, &CodecRow::description);
}

void Encoder::initVideoCodecShortNames()
{
    fillCodecs(m_videoCodecShortNames, kVideoCodecs, &CodecRow::shortName);
}

void Encoder::initAudioCodecDescriptions()
{
    fillCodecs(m_audioCodecDescriptions, kAudioCodecs, &CodecRow::description);
}

void Encoder::initAudioCodecShortNames()
{
    fillCodecs(m_audioCodecShortNames, kAudioCodecs, &CodecRow::shortName);
}

void Encoder::initSubtitleDescriptions()
{
    fillCodecs(m_subtitleDescriptions, kSubtitles, &CodecRow::description);
}

void Encoder::initSubtitleShortNames()
{
    fillCodecs(m_subtitleShortNames, kSubtitles, &CodecRow::shortName);
}

void Encoder::initMuxerAliases()
{
    fillAliases(m_muxerAliases, kMuxerAliases);
}

void Encoder::initVideoCodecAliases()
{
    fillAliases(m_videoCodecAliases, kVideoCodecAliases);
}

void Encoder::initDefaultVideoCodecs()
{
    m_defaultVideoCodecs.clear();
    for (const DefaultVideoRow &row : kDefaultVideoCodecs) {
        for (const char *muxer : row.muxers)
            m_defaultVideoCodecs.insert(QString::fromLatin1(muxer), QString::fromLatin1(row.codec));
    }
}

void Encoder::initDefaultAudioCodecs()
{
    fillDefaults(m_defaultAudioCodecs, kDefaultAudioCodecs);
}

void Encoder::initDefaultSubtitles()
{
    fillDefaults(m_defaultSubtitles, kDefaultSubtitles);
}

// --- lookups -------------------------------------------------------------------------

QString Encoder::lookUp(const Texts &table, const QString &id, const QString &fallback)
{
    const auto row = table.constFind(id);
    return row != table.cend() ? *row : fallback;
}

QString Encoder::muxerShortName(const QString &muxer) const
{
    return lookUp(m_muxerShortNames, muxer, muxer.toUpper());
}

QString Encoder::muxerDescription(const QString &muxer) const
{
    return lookUp(m_muxerDescriptions, muxer, muxerShortName(muxer));
}

QString Encoder::muxerLongDescription(const QString &muxer) const
{
    return lookUp(m_muxerLongDescriptions, muxer, muxerDescription(muxer));
}

QString Encoder::videoCodecShortName(const QString &codec) const
{
    return lookUp(m_videoCodecShortNames, codec, codec.toUpper());
}

QString Encoder::videoCodecDescription(const QString &codec) const
{
    return lookUp(m_videoCodecDescriptions, codec, videoCodecShortName(codec));
}

QString Encoder::audioCodecShortName(const QString &codec) const
{
    return lookUp(m_audioCodecShortNames, codec, codec.toUpper());
}

QString Encoder::audioCodecDescription(const QString &codec) const
{
    return lookUp(m_audioCodecDescriptions, codec, audioCodecShortName(codec));
}

QString Encoder::subtitleShortName(const QString &codec) const
{
    return lookUp(m_subtitleShortNames, codec, codec.toUpper());
}

QString Encoder::subtitleDescription(const QString &codec) const
{
    return lookUp(m_subtitleDescriptions, codec, subtitleShortName(codec));
}

QString Encoder::muxerExtension(const QString &muxer, bool noVideo)
{
    if (muxer == QLatin1String("ipod"))
        return noVideo ? QStringLiteral(".m4a") : QStringLiteral(".m4v");
    for (const ExtensionRow &row : kExtensions) {
        for (const char *name : row.muxers) {
            if (muxer == QLatin1String(name))
                return QString::fromLatin1(row.extension);
        }
    }
    return QLatin1Char('.') + muxer.toLower();
}

// --- default codecs ------------------------------------------------------------------

QString Encoder::defaultVideoCodec(const QString &muxer) const
{
    return m_defaultVideoCodecs.value(muxer, m_defaultVideoCodecs.value(kDefaultKey));
}

// The pair's own entry, then the video codec's entry under any muxer, then the muxer's
// entry for any video codec, then the entry for any of both.
QString Encoder::defaultOf(const Defaults &table, const QString &muxer, const QString &video)
{
    const QString steps[][2] = {{muxer, video}, {kDefaultKey, video}, {muxer, kDefaultKey},
                                {kDefaultKey, kDefaultKey}};
    for (const auto &step : steps) {
        const auto row = table.constFind(step[0]);
        if (row == table.cend())
            continue;
        const auto entry = row->constFind(step[1]);
        if (entry != row->cend())
            return *entry;
    }
    return QString();
}

QString Encoder::defaultAudioCodec(const QString &muxer, const QString &videoCodec) const
{
    return defaultOf(m_defaultAudioCodecs, muxer, videoCodec);
}

QString Encoder::defaultSubtitle(const QString &muxer, const QString &videoCodec) const
{
    return defaultOf(m_defaultSubtitles, muxer, videoCodec);
}

void Encoder::defaultAudioAndSubtitle(const QString &muxer, const QString &videoCodec,
                                      QString &audioCodec, QString &subtitle) const
{
    audioCodec = defaultAudioCodec(muxer, videoCodec);
    subtitle = defaultSubtitle(muxer, videoCodec);
}

void Encoder::defaultCodecs(const QString &muxer, QString &videoCodec, QString &audioCodec,
                            QString &subtitle) const
{
    videoCodec = defaultVideoCodec(muxer);
    defaultAudioAndSubtitle(muxer, videoCodec, audioCodec, subtitle);
}

// --- engine-name aliases ---------------------------------------------------------------

// The name, then its engine names when it is an identifier; else the engine names of the
// first identifier (in key order) that lists it, then that identifier.
QStringList Encoder::namesOver(const Aliases &table, const QString &name)
{
    QStringList names{name};
    const auto row = table.constFind(name);
    if (row != table.cend())
        return names + *row;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (it->contains(name))
            return *it + QStringList{it.key()};
    }
    return names;
}

QStringList Encoder::engineMuxerNames(const QString &name) const
{
    return namesOver(m_muxerAliases, name);
}

QStringList Encoder::engineVideoCodecNames(const QString &name) const
{
    return namesOver(m_videoCodecAliases, name);
}

QStringList Encoder::engineSubtitleNames(const QString &name) const
{
    return namesOver(m_subtitleAliases, name);
}
