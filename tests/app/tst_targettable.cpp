// Every target the encoder panel offers, with every video and audio codec its lists offer,
// and every target of the Job menu, built through the panel's and the window's own roads on
// the real engines, from sources opened as a user opens them, with the second audio track
// and a subtitle chosen where there are. The sources are rows of data: six kinds of source
// (a test class each, two for those that most targets take) go through every profile level
// the configure dialog offers; the properties of sources users bring (portrait, anamorphic,
// film and fast rates, MPEG-TS, six channels, a subtitle before the sound, a cover picture,
// a VBR MP3 without a header, sound shorter than the picture, an NTSC DVD, fields bottom
// first, pictures of 4:2:2 and 4:1:1, a camcorder's interlaced H.264, a DVB recording's picture
// subtitle) through the levels that change the picture's size or
// the sound's rate. Every output is checked as a player sees it: its codecs, the format of its
// pictures, a clean decode to the end, the lengths of its picture and of its sound, its frame
// rate and repeated pictures, the shape of the picture inside any black bars, its fields, the
// chosen subtitle, and its sound's rate, channels and tone (which track it came from). Every offered choice
// passes, or the panel refuses it with its reason. The table prints its counts per engine
// and source, and the processor time it took.

#include "app/applicationshell.h"
#include "app/mervomainwindow.h"
#include "builders/encodesettings.h"
#include "builders/sourcestreams.h"
#include "encoder/mervoconfigurator.h"
#include "encoder/mervoencoder.h"
#include "encoder/records/encodingjob.h"
#include "encoding/activecombobox.h"
#include "encoding/mervoencoderwidget.h"
#include "engines/outputmeter.h"
#include "gui4/gui4resources.h"
#include "jobs/encodingtaskdata.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervoprocess.h"
#include "jobs/mervotask.h"
#include "jobs/outputcheck.h"
#include "outputreport.h"
#include "parallelruns.h"
#include "player/playerwidget.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>

#include <memory>
#include <vector>

#include <sys/resource.h>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
constexpr int kWait = 240000;
const char kNoReason[] = "nothing queued, no reason given";

// ffmpeg's arguments for a moving test picture: every picture differs from the one before
// (its counter), and no edge is black, so that the picture inside any bars can be found.
QStringList picture(const QString &size, const QString &rate, double seconds, const QString &filter = {})
{
    return {"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1:rate=%2:duration=%3%4")
                                     .arg(size, rate).arg(seconds).arg(filter.isEmpty() ? "" : "," + filter)};
}
QStringList tone(int hz, int rate, double seconds)
{
    return {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3").arg(hz).arg(rate).arg(seconds)};
}
// A bright bar moving across a dark picture, its fields a field's time apart (a fiftieth of a
// second by default), the "top" or "bottom" one first, so that fields scaled together show the
// bar twice at half its level (blurred, so that idet takes none of its fine lines for fields).
QString movingFields(const QString &first, const QString &height = "576", const QString &fieldRate = "50")
{
    return "lutyuv=y=16+(val-16)*0.4,boxblur=3[dark];color=white:size=32x" + height + ":rate=" + fieldRate
           + "[bar];[dark][bar]overlay=x='mod(n*48\\,688)':shortest=1,tinterlace=interleave_" + first
           + ",setfield=" + (first == "top" ? "tff" : "bff");
}
// An input of a text subtitle file that shows its line from `from` to `to` seconds: makeSource()
// writes the file.
QStringList subtitleFile(double from, double to)
{
    return {"-i", QStringLiteral("SUBTITLE:%1:%2").arg(from).arg(to)};
}
const QStringList kH264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};
// A phone's HDR video of a second, with its tone: 10 bits, BT.2020 colours and the transfer
// named ("smpte2084" PQ, HDR10; "arib-std-b67" HLG), the test picture's white at 100 cd/m2.
QStringList hdr(const QString &transfer)
{
    return picture("192x108", "25", 1, "format=gbrp,zscale=tin=bt709:pin=bt709:min=gbr:rin=full:t=" + transfer
                                           + ":p=bt2020:m=bt2020nc:r=limited:npl=100,format=yuv420p10le")
           + tone(440, 44100, 1) + QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le", "-color_primaries", "bt2020",
                         "-color_trc", transfer, "-colorspace", "bt2020nc", "-color_range", "tv"};
}
// Without it the MP3 encoder's delay moves the picture by part of a frame, and the AVI
// muxer leaves the second picture out.
const QStringList kAviSound{"-ac", "2", "-c:a", "libmp3lame", "-avoid_negative_ts", "disabled"};
// The Job menu's targets that MEncoder alone makes.
const QStringList kMEncoderOnly{"Xvid", "Xvid-1CD"};

// What a player finds in a source: its display shape (0 without video), frame rate, the
// lengths of its picture and of its sound, and of the chosen sound track its rate, channels
// and tone; when a subtitle is chosen, the time it shows (over a picture darker than it).
struct Found
{
    double aspect, frameRate, pictureSeconds, soundSeconds;
    int rate, channels;
    double tone;
    double subtitleFrom = 0, subtitleTo = 0;
    int pictures = 0; // where the rate varies, the pictures there are (0: as many as the rate gives)
    QList<QPair<double, double>> shapes = {}; // where the shape changes, the shape shown at times from the start
};

// What the profile levels a source goes through must change: the kinds of source go through
// every level; each property through the levels that change what it tries (the others differ
// in quality only, which the kinds prove), and through at least one per pair.
enum Levels {
    kOnePerPair = 0,
    kFrameShape = 1,   // the frame's shape, into which the picture must fit
    kFrameRate = 2,    // the picture's rate
    kChannels = 4,     // the sound's channels
    kSound = 8,        // its rate and channels
    kEveryLevel = 16,
};

// One source: the test class that runs it, the file ffmpeg makes (for a DVD, its title, put
// on a disc of that TV standard with one language per audio track), the entries of the
// player's lists chosen, what a player must find again in every output, and the levels
// it goes through.
struct Source
{
    QString key;      // names the data row and the outputs
    QString kind;     // names it in the counts
    QString group;    // the test class that runs it
    QString file;
    QString dvd;      // "pal" or "ntsc" for a DVD title, else empty
    QStringList make; // ffmpeg's arguments
    int track = 0;    // the entry of the player's audio list (0 the first track)
    int subtitle = -1; // the entry of its subtitle list (-1 none)
    Found found;
    int levels = kOnePerPair;
    // Targets that cannot take it (a Job menu target's name, a container, or a container and
    // video codec as "avi/xvid"): refused at Start with the reason, they pass.
    QStringList refusable = {};
    // The order its fields were shot in ("tt", "bb") where its stream names none.
    QString fields = {};
    // The engine that can make none of its targets right, which must make none of them: it
    // would make them all the same and say they completed (MEncoder keeps the rate a sound
    // starts with, where it changes later).
    QString avoids = {};
    // The panel chooses `track` and `subtitle` itself, as the file's flags ask: the user
    // leaves its lists as they open.
    bool flagged = false;
};

const QList<Source> &sources()
{
    static const QList<Source> table = [] {
        const QStringList tone1 = tone(440, 44100, 1), aac{"-ac", "2", "-c:a", "aac"};
        const QStringList twoTracks{"-map", "0:v", "-map", "1:a", "-map", "2:a"};
        const QStringList twoSubtitles{"-map", "0:v", "-map", "1:a", "-map", "2:s", "-map", "3:s",
                                        "-metadata:s:s:0", "language=eng", "-metadata:s:s:1", "language=fre"};
        const auto recording = [](int rate) {
            return picture("160x90", "25", 1) + tone(440, rate, 1)
                   + QStringList{"-c:v", "mpeg2video", "-ac", "2", "-c:a", "mp2", "-f", "mpegts"};
        };
        // A broadcast's second of picture flagged `shape`, and its sound; in a transport stream,
        // or as an MPEG program stream with LPCM sound.
        const auto broadcast = [](const QString &shape, int rate, const QString &sound) {
            return picture("160x120", "25", 1) + tone(440, rate, 1)
                   + QStringList{"-c:v", "mpeg2video", "-aspect", shape, "-ac", "2", "-c:a", sound, "-f",
                                 sound == "mp2" ? "mpegts" : "vob"};
        };
        // Two recordings joined, the second on a clock from `offset` seconds on.
        const auto joined = [](const QStringList &first, const QStringList &second, const QString &offset) {
            return first + QStringList{"JOIN"} + second + QStringList{"-output_ts_offset", offset};
        };
        const QStringList flaggedTracks = picture("192x108", "25", 2, "lutyuv=y=16+(val-16)*0.5") + tone(440, 48000, 2)
            + tone(880, 48000, 2) + subtitleFile(0.5, 1.5) + QStringList{"-map", "0:v", "-map", "1:a", "-map", "2:a",
                  "-map", "3:s"} + kH264 + QStringList{"-ac", "2", "-c:a", "aac", "-c:s", "ass", "-metadata:s:s:0",
                  "language=eng", "-disposition:a:0", "0", "-disposition:a:1", "default", "-disposition:s:0",
                  "default+forced"};
        const QStringList cover = tone1 + picture("96x96", "1", 1)
            + QStringList{"-map", "0:a", "-map", "1:v", "-ac", "2", "-frames:v", "1", "-disposition:v", "attached_pic"};
        return QList<Source>{
            {"avi", "4:3 AVI", "avi", "table-43.avi", "", picture("160x120", "25", 1) + tone1 + kAviSound
                 + QStringList{"-c:v", "mpeg4"}, 0, -1, {4.0 / 3, 25, 1, 1, 44100, 2, 440}, kEveryLevel},
            {"first", "AVI sound first", "first", "table-soundfirst.avi", "", picture("160x120", "25", 1) + tone1
                 + tone(880, 44100, 1) + QStringList{"-map", "1:a", "-map", "2:a", "-map", "0:v", "-c:v", "mpeg4"}
                 + kAviSound, 1, -1, {4.0 / 3, 25, 1, 1, 44100, 2, 880}, kEveryLevel},
            {"mkv", "16:9 NTSC Matroska", "mkv", "table-wide.mkv", "", picture("192x108", "30000/1001", 1)
                 + tone(440, 48000, 1) + tone(880, 48000, 1) + twoTracks + kH264
                 + QStringList{"-c:a", "ac3", "-ac", "6", "-metadata:s:a:0", "language=eng",
                               "-metadata:s:a:1", "language=ger"},
             1, -1, {16.0 / 9, 30000.0 / 1001, 1, 1, 48000, 6, 880}, kEveryLevel},
            {"flv", "FLV", "flv", "table.flv", "", picture("192x108", "25", 1) + tone1 + kH264
                 + QStringList{"-ac", "2", "-c:a", "aac"}, 0, -1, {16.0 / 9, 25, 1, 1, 44100, 2, 440}, kEveryLevel},
            {"mp3", "audio only", "mp3", "table-tone.mp3", "", tone1 + QStringList{"-ac", "2", "-c:a", "libmp3lame",
                 "-b:a", "128k"}, 0, -1, {0, 0, 0, 1, 44100, 2, 440}, kEveryLevel},
            // Full size at the disc's own bit rate: the picture runs well ahead of its sound in
            // the title's stream, where MEncoder's reader once ended the sound after 0.12 s.
            {"dvd", "DVD title", "dvd", "table-pal-dvd", "pal", picture("720x576", "25", 1) + tone(440, 48000, 1)
                 + tone(880, 48000, 1) + twoTracks + QStringList{"-target", "pal-dvd", "-aspect", "16:9", "-ac", "2"},
             1, -1, {16.0 / 9, 25, 1, 1, 48000, 2, 880}, kEveryLevel},

            // The properties of sources users bring.
            {"portrait", "portrait 9:16", "shape", "table-portrait.mp4", "", picture("108x192", "30", 1) + tone1
                 + kH264 + aac, 0, -1, {9.0 / 16, 30, 1, 1, 44100, 2, 440}, kFrameShape},
            {"anamorphic", "anamorphic 64:27", "shape", "table-anamorphic.mkv", "",
             picture("128x96", "25", 1, "setsar=16/9") + tone1 + kH264 + aac, 0, -1,
             {64.0 / 27, 25, 1, 1, 44100, 2, 440}, kFrameShape},
            {"film", "23.976 fps", "rate", "table-film.mp4", "", picture("160x90", "24000/1001", 1) + tone1
                 + kH264 + aac, 0, -1, {16.0 / 9, 24000.0 / 1001, 1, 1, 44100, 2, 440}, kFrameRate},
            {"fifty", "50 fps", "ts", "table-fifty.mov", "", picture("160x90", "50", 1) + tone1 + kH264 + aac,
             0, -1, {16.0 / 9, 50, 1, 1, 44100, 2, 440}, kFrameRate},
            // The fast NTSC rate, which a device shows at 29.97: each target once per pair.
            {"ntscfast", "59.94 fps", "ntscrate", "table-ntscfast.mp4", "", picture("160x90", "60000/1001", 1) + tone1
                 + kH264 + aac, 0, -1, {16.0 / 9, 60000.0 / 1001, 1, 1, 44100, 2, 440}},
            {"sixty", "60 fps VP9", "rate", "table-sixty.webm", "", picture("160x90", "60", 1)
                 + tone(440, 48000, 1) + QStringList{"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used",
                 "8", "-b:v", "200k", "-ac", "2", "-c:a", "libopus"}, 0, -1, {16.0 / 9, 60, 1, 1, 48000, 2, 440},
             kFrameRate},
            {"ts", "MPEG-TS", "ts", "table-h264.ts", "", picture("160x90", "50", 1) + tone(440, 48000, 1)
                 + kH264 + QStringList{"-ac", "2", "-c:a", "mp2", "-f", "mpegts"}, 0, -1,
             {16.0 / 9, 50, 1, 1, 48000, 2, 440}, kFrameShape | kFrameRate,
             // MEncoder, the Job menu's Xvid engine, times H.264 in a transport stream by guess.
             {"Xvid", "Xvid-1CD"}},
            {"sixch", "six-channel sound", "sound", "table-sixch.mp4", "", picture("160x90", "25", 1)
                 + tone(440, 48000, 1) + kH264 + QStringList{"-ac", "6", "-c:a", "aac"}, 0, -1,
             {16.0 / 9, 25, 1, 1, 48000, 6, 440}, kChannels},
            // The picture dark, the subtitle bright; the second sound track chosen behind it.
            {"subtitle", "subtitle before the sound", "subtitle", "table-subtitle.mkv", "",
             picture("192x108", "25", 2, "lutyuv=y=16+(val-16)*0.5") + tone(440, 48000, 2) + tone(880, 48000, 2)
                 + subtitleFile(0.5, 1.5) + QStringList{"-map", "0:v", "-map", "3:s", "-map", "1:a", "-map",
                               "2:a"} + kH264 + QStringList{"-ac", "2", "-c:a", "aac", "-c:s", "ass",
                               "-metadata:s:s:0", "language=eng"},
             1, 0, {16.0 / 9, 25, 2, 2, 48000, 2, 880, 0.5, 1.5}},
            // Two text subtitles, English then French, the second chosen: each shows at a
            // time of its own, so that the time the subtitle shows tells which was drawn.
            {"twoass", "second of two ASS subtitles", "subtitletracks", "table-twoass.mkv", "",
             picture("192x108", "25", 2, "lutyuv=y=16+(val-16)*0.5") + tone(440, 48000, 2) + subtitleFile(0.2, 0.7)
                 + subtitleFile(1.0, 1.5) + twoSubtitles + kH264 + QStringList{"-ac", "2", "-c:a", "aac", "-c:s", "ass"},
             0, 1, {16.0 / 9, 25, 2, 2, 48000, 2, 440, 1.0, 1.5}},
            {"twomovtext", "second of two MP4 text subtitles", "movtexttracks", "table-twomovtext.mp4", "",
             picture("192x108", "25", 2, "lutyuv=y=16+(val-16)*0.5") + tone(440, 48000, 2) + subtitleFile(0.2, 0.7)
                 + subtitleFile(1.0, 1.5) + twoSubtitles + kH264
                 + QStringList{"-ac", "2", "-c:a", "aac", "-c:s", "mov_text"},
             0, 1, {16.0 / 9, 25, 2, 2, 48000, 2, 440, 1.0, 1.5}},
            // Short enough that a job judged by the picture's length would end "Aborted".
            {"shortsound", "sound shorter than picture", "length", "table-shortsound.mp4", "",
             picture("160x120", "25", 1) + tone(440, 44100, 0.25) + kH264 + aac, 0, -1,
             {4.0 / 3, 25, 1, 0.25, 44100, 2, 440}},
            {"cover", "MP3 with its cover", "sound", "table-cover.mp3", "", cover + QStringList{"-c:a",
                 "libmp3lame", "-b:a", "128k", "-c:v", "mjpeg", "-id3v2_version", "3"}, 0, -1,
             {0, 0, 0, 1, 44100, 2, 440}, kSound},
            // MPlayer lists the cover of this one as a video stream.
            {"m4acover", "M4A with its cover", "subtitle", "table-cover.m4a", "", cover + QStringList{"-c:a", "aac",
                 "-c:v", "mjpeg"}, 0, -1, {0, 0, 0, 1, 44100, 2, 440}, kSound},
            // A faint tone first, then a loud square wave: the first frames' bitrate is a
            // fraction of the rest's, and without a header the player takes the length from
            // them (14 s of 4).
            {"vbr", "VBR MP3 without a header", "length", "table-vbr.mp3", "", {"-f", "lavfi", "-i",
             "aevalsrc=if(lt(t\\,1.5)\\,0.01*sin(2*PI*440*t)\\,0.4*sgn(sin(2*PI*440*t))):s=44100:d=4", "-ac", "2", "-c:a",
             "libmp3lame", "-q:a", "0", "-write_xing", "0"}, 0, -1, {0, 0, 0, 4, 44100, 2, 440}, kSound},
            // RealMedia as FFmpeg writes it: its sound stream declares no length.
            {"realmedia", "RealMedia, sound of no declared length", "length", "table-real.rm", "",
             picture("160x120", "25", 1) + tone(440, 8000, 1) + QStringList{"-c:v", "rv20", "-c:a", "real_144", "-ac", "1"},
             0, -1, {4.0 / 3, 25, 1, 1, 8000, 1, 440}},
            // A DVD's program stream as a file, whose picture runs ahead of its sound.
            {"vob", "full-size MPEG-PS", "programstream", "table-pal.mpg", "", picture("720x576", "25", 1)
                 + tone(440, 48000, 1) + QStringList{"-target", "pal-dvd", "-aspect", "16:9", "-ac", "2"}, 0, -1,
             {16.0 / 9, 25, 1, 1, 48000, 2, 440}},
            // A TV recording: a full-size interlaced, detailed picture in a transport stream,
            // its MP2 sound and an AC-3 second track, the one chosen. Its streams start at
            // 1.4 s, which MEncoder's libavformat reader keeps for the picture alone.
            {"tvts", "full-size MPEG-TS recording", "programstream", "table-tv.ts", "",
             picture("720x576", "25", 1, "noise=alls=20:allf=t") + tone(440, 48000, 1) + tone(880, 48000, 1)
                 + twoTracks + QStringList{"-c:v", "mpeg2video", "-b:v", "8000k", "-maxrate", "15000k", "-bufsize",
                 "1835k", "-g", "12", "-bf", "2", "-flags", "+ilme+ildct", "-top", "1", "-aspect", "16:9", "-ac", "2",
                 "-c:a:0", "mp2", "-c:a:1", "ac3", "-f", "mpegts"}, 1, -1, {16.0 / 9, 25, 1, 1, 48000, 2, 880},
             kOnePerPair, kMEncoderOnly},
            // A phone's video stored wide and flagged to be shown turned a quarter, one way
            // (the display matrix FFmpeg writes for "rotate=270") and the other.
            {"turned90", "turned 90 degrees", "turned", "table-turned90.mp4", "", picture("192x108", "25", 1) + tone1
                 + kH264 + aac + QStringList{"THEN", "-c", "copy", "-metadata:s:v:0", "rotate=270"}, 0, -1,
             {9.0 / 16, 25, 1, 1, 44100, 2, 440}, kFrameShape},
            {"turned270", "turned 270 degrees", "turned", "table-turned270.mp4", "", picture("192x108", "25", 1) + tone1
                 + kH264 + aac + QStringList{"THEN", "-c", "copy", "-metadata:s:v:0", "rotate=90"}, 0, -1,
             {9.0 / 16, 25, 1, 1, 44100, 2, 440}, kFrameShape},
            // A TV recording whose two fields are a fiftieth of a second apart.
            {"fields", "moving interlaced picture", "fields", "table-fields.ts", "",
             picture("720x576", "50", 1, movingFields("top"))
                 + tone(440, 48000, 1) + QStringList{"-c:v", "mpeg2video", "-b:v", "8000k", "-flags", "+ilme+ildct",
                 "-top", "1", "-aspect", "16:9", "-ac", "2", "-c:a", "mp2", "-f", "mpegts"}, 0, -1,
             {16.0 / 9, 25, 1, 1, 48000, 2, 440}, kFrameShape, kMEncoderOnly},
            // The same on a DVD: a DVD target keeps its fields in their order, the others make
            // them whole.
            {"dvdfields", "moving interlaced DVD title", "dvdfields", "table-fields-dvd", "pal",
             picture("720x576", "50", 1, movingFields("top"))
                 + tone(440, 48000, 1) + QStringList{"-target", "pal-dvd", "-flags", "+ilme+ildct", "-top", "1",
                 "-aspect", "16:9", "-ac", "2"}, 0, -1, {16.0 / 9, 25, 1, 1, 48000, 2, 440}, kFrameShape},
            {"ntscdvd", "NTSC 16:9 DVD title", "ntscdvd", "table-ntsc-dvd", "ntsc", picture("352x240", "30000/1001", 1)
                 + tone(440, 48000, 1) + tone(880, 48000, 1) + twoTracks + QStringList{"-target", "ntsc-dvd",
                 "-s", "352x240", "-aspect", "16:9", "-b:v", "1000k", "-ac", "2"}, 1, -1,
             {16.0 / 9, 30000.0 / 1001, 1, 1, 48000, 2, 880}, kFrameRate | kChannels},
            // The same fields bottom first, as a DV camcorder and some TV channels send them.
            {"dvdbottom", "interlaced DVD title, bottom field first", "bottomfields", "table-bottom-dvd", "pal",
             picture("720x576", "50", 1, movingFields("bottom"))
                 + tone(440, 48000, 1) + QStringList{"-target", "pal-dvd", "-flags", "+ilme+ildct", "-top", "0",
                 "-aspect", "16:9", "-ac", "2"}, 0, -1, {16.0 / 9, 25, 1, 1, 48000, 2, 440}, kFrameShape},
            {"tsbottom", "interlaced MPEG-TS, bottom field first", "bottomfields", "table-bottom.ts", "",
             picture("720x576", "50", 1, movingFields("bottom"))
                 + tone(440, 48000, 1) + QStringList{"-c:v", "mpeg2video", "-b:v", "8000k", "-flags", "+ilme+ildct",
                 "-top", "0", "-aspect", "16:9", "-ac", "2", "-c:a", "mp2", "-f", "mpegts"}, 0, -1,
             {16.0 / 9, 25, 1, 1, 48000, 2, 440}, kFrameShape, kMEncoderOnly},
            // A PAL title whose first track is LPCM, its second (AC-3) chosen: every road must
            // name the chosen track, and a copy hold it as it is.
            {"lpcmdvd", "PAL DVD, LPCM first", "tracks", "table-lpcm-dvd", "pal", picture("720x576", "25", 1)
                 + tone(440, 48000, 1) + tone(880, 48000, 1) + twoTracks + QStringList{"-target", "pal-dvd",
                 "-aspect", "16:9", "-ac", "2", "-c:a:0", "pcm_s16be", "-c:a:1", "ac3"}, 1, -1,
             {16.0 / 9, 25, 1, 1, 48000, 2, 880}, kSound},
            // Its LPCM track chosen, which is encoded wherever AC-3 is asked for.
            {"lpcmtrack", "DVD LPCM track", "tracks", "table-lpcm-dvd", "pal", picture("720x576", "25", 1)
                 + tone(440, 48000, 1) + tone(880, 48000, 1) + twoTracks + QStringList{"-target", "pal-dvd",
                 "-aspect", "16:9", "-ac", "2", "-c:a:0", "pcm_s16be", "-c:a:1", "ac3"}, 0, -1,
             {16.0 / 9, 25, 1, 1, 48000, 2, 440}},
            // A picture without sound: nothing that needs sound is offered.
            {"silent", "video without sound", "tracks", "table-silent.mp4", "", picture("160x120", "25", 1) + kH264,
             0, -1, {4.0 / 3, 25, 1, 0, 0, 0, 0}},

            // Timing as phones and recorders leave it: MEncoder, the Job menu's Xvid engine,
            // reads neither a variable rate nor streams that start late. A phone's rate that
            // drops in the dark:
            // half a second at 30 fps, half a second at 20, on a clock of 1/600 s.
            {"vfrphone", "variable-rate phone MOV", "varrate", "table-vfr.mov", "",
             picture("160x90", "30", 1, "select='lt(t\\,0.5)+lt(mod(n\\,3)\\,2)'") + tone(440, 44100, 1) + kH264 + aac
                 + QStringList{"-fps_mode", "vfr", "-video_track_timescale", "600"}, 0, -1,
             {16.0 / 9, 30, 1, 1, 44100, 2, 440, 0, 0, 25}, kFrameRate, kMEncoderOnly},
            // A screen recorder writes a picture when the screen changes: 18 a second, then 60.
            {"screen", "variable-rate screen recording", "varrate", "table-screen.mkv", "",
             picture("160x90", "60", 1, "select='lt(mod(n\\,10)\\,3)+gt(n\\,30)'") + tone(440, 48000, 1) + kH264
                 + aac + QStringList{"-fps_mode", "vfr"}, 0, -1, {16.0 / 9, 60, 1, 1, 48000, 2, 440, 0, 0, 39}, kFrameRate,
             kMEncoderOnly},
            // A video site's H.264 FLV at 15 fps, which MPEG's rates must repeat pictures for.
            {"h264flv15", "H.264 FLV, 15 fps", "oddrate", "table-h264-15.flv", "", picture("160x90", "15", 4)
                 + tone(440, 44100, 4) + kH264 + QStringList{"-ac", "2", "-c:a", "aac"}, 0, -1,
             {16.0 / 9, 15, 4, 4, 44100, 2, 440}},
            // A phone's rate a little above 30, which no device share halves.
            {"above30", "30.044 fps", "oddrate", "table-above30.mp4", "", picture("160x90", "30.044", 1)
                 + tone(440, 44100, 1) + kH264 + aac, 0, -1, {16.0 / 9, 30.044, 1, 1, 44100, 2, 440}, kFrameRate},
            // An AVI whose header counts one picture of its 4 s of moving picture (four bytes
            // damaged): a moving picture all the same.
            {"onecount", "AVI header counting one picture", "oddrate", "table-onecount.avi", "", picture("160x120", "25", 1)
                 + tone(440, 44100, 1) + kAviSound + QStringList{"-c:v", "mpeg4", "COUNTING:1"}, 0, -1,
             {4.0 / 3, 25, 1, 1, 44100, 2, 440}},
            // Pictures in formats the targets' players do not take: an editor's ProRes export
            // (4:2:2, 10 bits) and lossless 4:1:1. MEncoder makes the MPEG targets of the sound
            // it encodes, FFmpeg those of the other sound and the Job menu's discs.
            {"prores", "ProRes 4:2:2 10-bit", "formats", "table-prores.mov", "", picture("160x120", "25", 1) + tone1
                 + QStringList{"-c:v", "prores_ks", "-profile:v", "2", "-ac", "2", "-c:a", "pcm_s16le"}, 0, -1,
             {4.0 / 3, 25, 1, 1, 44100, 2, 440}},
            {"yuv411", "4:1:1 Matroska", "formats", "table-411.mkv", "", picture("160x120", "25", 1) + tone1
                 + QStringList{"-pix_fmt", "yuv411p", "-c:v", "ffv1", "-ac", "2", "-c:a", "flac"}, 0, -1,
             {4.0 / 3, 25, 1, 1, 44100, 2, 440}},
            // A DV camcorder's AVI: no field order in its stream, every picture flagged bottom
            // field first.
            {"dvntsc", "DV NTSC, fields bottom first", "dvntsc", "table-dv-ntsc.avi", "",
             picture("720x480", "60000/1001", 1, movingFields("bottom", "480", "60000/1001")) + tone(440, 48000, 1)
                 + QStringList{"-target", "ntsc-dv"}, 0, -1, {4.0 / 3, 30000.0 / 1001, 1, 1, 48000, 2, 440}, kFrameShape,
             {}, "bb"},
            {"dvpal", "DV PAL, fields bottom first", "dvpal", "table-dv-pal.avi", "",
             picture("720x576", "50", 1, movingFields("bottom")) + tone(440, 48000, 1)
                 + QStringList{"-target", "pal-dv"}, 0, -1, {4.0 / 3, 25, 1, 1, 48000, 2, 440}, kFrameShape, {}, "bb"},
            // A quick trim's MP4, cut by a stream copy where no key frame is: its edit list hides
            // 1.3 s of picture from the key frame before the cut, and the sound with it.
            {"trimmed", "quick trim, an edit list", "trim", "table-trimmed.mp4", "", picture("160x120", "30", 2.3)
                 + tone(440, 44100, 2.3) + kH264 + aac + QStringList{"-g", "250", "-output_ts_offset", "-1.3",
                 "-avoid_negative_ts", "disabled"}, 0, -1, {4.0 / 3, 30, 1, 1, 44100, 2, 440}, kOnePerPair,
             kMEncoderOnly},
            // A camera's rate that drops in the dark after the seconds a first look reads (its
            // first 400 packets, picture and both sound tracks): 30 fps for 3.5 s, then 10.
            {"ratedrop", "rate dropping after 3.5 s", "ratedrop", "table-ratedrop.mp4", "",
             picture("160x90", "30", 4.5, "select='lt(t\\,3.5)+not(mod(n\\,3))'") + tone(440, 48000, 4.5)
                 + tone(880, 48000, 4.5) + twoTracks + kH264 + aac + QStringList{"-fps_mode", "vfr"}, 0, -1,
             {16.0 / 9, 30, 4.5, 4.5, 48000, 2, 440, 0, 0, 115}, kFrameRate, kMEncoderOnly},
            // A screen recorder that holds its picture two seconds while nothing moves.
            {"pause", "screen recording that pauses", "pause", "table-pause.mkv", "",
             picture("160x90", "30", 4, "select='not(between(t\\,1\\,2.99))'") + tone(440, 48000, 4) + kH264 + aac
                 + QStringList{"-fps_mode", "vfr"}, 0, -1, {16.0 / 9, 30, 4, 4, 48000, 2, 440, 0, 0, 60}, kFrameRate,
             kMEncoderOnly},
            // ffmpeg's ASF starts the picture 0.05 s after its sound, which decodes from 0.09 s.
            {"asf", "ASF, picture after its sound", "ts", "table-late.asf", "", picture("160x120", "25", 1)
                 + tone(440, 44100, 1) + QStringList{"-c:v", "wmv2", "-ac", "2", "-c:a", "wmav2"}, 0, -1,
             {4.0 / 3, 25, 1, 1, 44100, 2, 440}},

            // Files from phones and downloads. An old phone's 3GP at 15000/1001 fps, its AAC at
            // 8 kHz, whose encoder's priming the edit list leaves out (0.128 s, which MEncoder
            // would play).
            {"old3gp", "old phone 3GP, 14.985 fps", "phone", "table-old.3gp", "", picture("176x144", "15000/1001", 1)
                 + tone(440, 8000, 1) + QStringList{"-c:v", "h263", "-ac", "1", "-c:a", "aac"}, 0, -1,
             {11.0 / 9, 15000.0 / 1001, 1, 1, 8000, 1, 440}, kOnePerPair, kMEncoderOnly},
            // A download cut short at 60 % of its bytes, its index at the front: what came is
            // encoded, and no more is claimed.
            {"cutmp4", "MP4 download cut short", "cutshort", "table-cut.mp4", "", picture("160x90", "10", 2)
                 + tone(440, 44100, 2) + kH264 + aac + QStringList{"-movflags", "faststart", "CUT:0.6"}, 0, -1,
             {16.0 / 9, 10, 1.1, 1.1, 44100, 2, 440}},
            // A fragmented MP4 whose recorder stopped: its fragments declare 6 s, it holds 4.1 s of
            // picture and 3.06 s of sound, which the end check holds its outputs to.
            {"fragcut", "fragmented MP4 cut short", "cutshort", "table-fragments.mp4", "", picture("160x90", "10", 6)
                 + tone(440, 44100, 6) + kH264 + aac + QStringList{"-g", "30", "-movflags", "frag_keyframe", "CUT:0.65"},
             0, -1, {16.0 / 9, 10, 4.1, 3.06, 44100, 2, 440}},
            // A Matroska download cut short: its header declares 4 s, it holds 2.2 s.
            {"cutmkv", "Matroska cut short", "phone", "table-cut.mkv", "", picture("160x90", "25", 4) + tone(440, 44100, 4)
                 + kH264 + aac + QStringList{"-g", "25", "CUT:0.55"}, 0, -1, {16.0 / 9, 25, 2.2, 2.2, 44100, 2, 440}},
            // A camcorder's AVCHD: interlaced H.264, top field first, with AC-3 in an M2TS.
            {"avchd", "AVCHD M2TS, interlaced H.264", "avchd", "table-avchd.m2ts", "",
             picture("720x576", "50", 1, movingFields("top")) + tone(440, 48000, 1) + kH264
                 + QStringList{"-flags", "+ildct+ilme", "-x264-params", "tff=1", "-aspect", "16:9", "-ac", "2",
                               "-c:a", "ac3", "-f", "mpegts", "-mpegts_m2ts_mode", "1"}, 0, -1,
             {16.0 / 9, 25, 1, 1, 48000, 2, 440}, kOnePerPair, kMEncoderOnly},
            // A DVB recording: its picture subtitle (named by the player's transport stream
            // reader alone, and shown by FFmpeg until its page times out 30 s on), MP2 then
            // AC-3 sound, the second chosen.
            {"dvbsub", "DVB subtitle, second sound track", "dvbsub", "table-dvbsub.ts", "",
             picture("720x576", "25", 2, "lutyuv=y=16+(val-16)*0.5") + tone(440, 48000, 2) + tone(880, 48000, 2)
                 + QStringList{"-itsoffset", "0.5", "-i", "PICTURESUBTITLE", "-map", "0:v", "-map", "1:a", "-map",
                 "2:a", "-map", "3:s", "-c:v", "mpeg2video", "-b:v", "3000k", "-aspect", "16:9", "-ac", "2",
                 "-c:a:0", "mp2", "-c:a:1", "ac3", "-metadata:s:a:0", "language=eng", "-metadata:s:a:1",
                 "language=ger", "-c:s", "dvbsub", "-metadata:s:s:0", "language=eng", "-f", "mpegts"}, 1, 0,
             {16.0 / 9, 25, 2, 2, 48000, 2, 880, 0.5, 2}, kOnePerPair, kMEncoderOnly},
            // Music as downloads leave it. A first sound track that starts half a second after
            // its second, chosen: an AVI holds silence before it, FLAC in Ogg too.
            {"latefirst", "first sound track late", "latetrack", "table-latetrack.mkv", "",
             picture("160x90", "25", 1.5) + QStringList{"-itsoffset", "0.5"} + tone(440, 44100, 1)
                 + tone(880, 44100, 1.5) + twoTracks + kH264 + aac, 0, -1, {16.0 / 9, 25, 1.5, 1, 44100, 2, 440},
             kOnePerPair, kMEncoderOnly},
            // A song uploaded as a video of its one picture, longer than the muxers' 10 s of
            // sound written ahead of a picture that has not come.
            {"still", "one picture, a song", "stillpicture", "table-still.mkv", "",
             picture("160x120", "25", 0.04) + tone(440, 44100, 11) + kH264 + aac, 0, -1,
             {4.0 / 3, 25, 11.02, 11.02, 44100, 2, 440, 0, 0, 1}, kOnePerPair, kMEncoderOnly},

            // Phones' HDR video, PQ and HLG, which the targets show in BT.709.
            {"hdr10", "HDR10 (PQ, 10-bit)", "colour", "table-hdr10.mp4", "", hdr("smpte2084") + aac, 0, -1,
             {16.0 / 9, 25, 1, 1, 44100, 2, 440}, kOnePerPair, kMEncoderOnly},
            {"hlg", "HLG (10-bit)", "colour", "table-hlg.mp4", "", hdr("arib-std-b67") + aac, 0, -1,
             {16.0 / 9, 25, 1, 1, 44100, 2, 440}, kOnePerPair, kMEncoderOnly},

            // A TV recording whose sound changes from 48 kHz to 44.1 kHz at a programme change:
            // a second of each, the second recorded on a clock that follows on from the first.
            {"ratechange", "sound rate changing partway", "ratechange", "table-ratechange.ts", "",
             recording(48000) + QStringList{"JOIN"} + recording(44100) + QStringList{"-output_ts_offset", "1.04"},
             0, -1, {16.0 / 9, 25, 2, 2, 48000, 2, 440},
             kOnePerPair, kMEncoderOnly},
            // ... from 48 kHz to 44.1 kHz in its last second, after the last point a load reads
            // through it: MEncoder, which keeps the rate its sound starts with, must refuse it.
            {"lastsecond", "sound rate changing in its last second", "lastsecond", "table-lastsecond.ts", "",
             picture("160x90", "25", 19) + tone(440, 48000, 19) + QStringList{"-c:v", "mpeg2video", "-ac", "2", "-c:a", "mp2", "-f",
             "mpegts", "JOIN"} + recording(44100) + QStringList{"-output_ts_offset", "19.04"},
             0, -1, {16.0 / 9, 25, 20, 20, 48000, 2, 440}, kOnePerPair, kMEncoderOnly, {}, "MEncoder"},

            // Recordings joined as a recorder appends them, each on a clock that follows on from
            // the one before (a program stream's starts 0.5 s later than a transport stream's),
            // the sound's last frame running past the next part's start: the picture 4:3, then
            // 16:9 after a programme change; the same as a DVD recorder's program stream with
            // LPCM sound; a cut whose second part starts a picture before the first ends.
            {"shapechange", "4:3 then 16:9, joined", "soundjoin", "table-shapechange.ts", "",
             joined(broadcast("4:3", 48000, "mp2"), broadcast("16:9", 48000, "mp2"), "1.04"),
             0, -1, {4.0 / 3, 25, 2, 2, 48000, 2, 440, 0, 0, 0, {{0.5, 4.0 / 3}, {1.5, 16.0 / 9}}}, kOnePerPair,
             kMEncoderOnly},
            {"lpcmjoin", "LPCM program stream, joined", "lpcmjoin", "table-lpcmjoin.mpg", "",
             joined(broadcast("4:3", 48000, "pcm_s16be"), broadcast("16:9", 48000, "pcm_s16be"), "1.54"),
             0, -1, {4.0 / 3, 25, 2, 2, 48000, 2, 440, 0, 0, 0, {{0.5, 4.0 / 3}, {1.5, 16.0 / 9}}}, kOnePerPair,
             kMEncoderOnly},
            {"overlap", "parts overlapping at a join", "overlapjoin", "table-overlap.ts", "",
             joined(broadcast("4:3", 48000, "mp2"), broadcast("4:3", 48000, "mp2"), "1"),
             0, -1, {4.0 / 3, 25, 2, 2, 48000, 2, 440}, kOnePerPair, kMEncoderOnly},
            // TV recordings whose sound starts before the picture: one cut where no key frame
            // is (its first pictures, to the next key frame 0.25 s after the sound's start,
            // decode to nothing), one whose tuner sent the sound half a second first.
            {"tvcut", "TV recording cut mid-group", "tvcut", "table-tvcut.ts", "",
             picture("352x288", "25", 2) + tone(440, 48000, 2) + QStringList{"-c:v", "mpeg2video", "-b:v", "2000k",
                 "-aspect", "16:9", "-ac", "2", "-c:a", "mp2", "-f", "mpegts", "FROM:0.15"}, 0, -1,
             {16.0 / 9, 25, 1.52, 1.77, 48000, 2, 440}, kOnePerPair, kMEncoderOnly},
            {"tvfirst", "TV recording, sound 0.5 s first", "tvfirst", "table-tvfirst.ts", "",
             QStringList{"-itsoffset", "0.5"} + picture("352x288", "25", 2) + tone(440, 48000, 2)
                 + QStringList{"-c:v", "mpeg2video", "-b:v", "2000k", "-aspect", "16:9", "-ac", "2", "-c:a", "mp2",
                 "-f", "mpegts"}, 0, -1, {16.0 / 9, 25, 2, 2, 48000, 2, 440}, kOnePerPair, kMEncoderOnly},

            // Film as NTSC discs store it: pictures at 23.976 flagged to repeat fields to fill
            // 29.97, on a disc and in a file made from one; and the same film with the fields
            // repeated in the pictures themselves, coded at 29.97 (its 48 pictures in 60).
            {"softdvd", "NTSC film DVD, repeat-field flags", "telecine", "table-soft-dvd", "ntsc",
             picture("352x240", "24000/1001", 2) + tone(440, 48000, 2) + tone(880, 48000, 2) + twoTracks
                 + QStringList{"TELECINE", "-c:a", "ac3", "-ac", "2", "-f", "dvd"}, 1, -1,
             {16.0 / 9, 24000.0 / 1001, 2, 2, 48000, 2, 880}},
            {"harddvd", "NTSC film DVD, fields in the pictures", "telecine", "table-hard-dvd", "ntsc",
             picture("352x240", "24000/1001", 2, "telecine") + tone(440, 48000, 2) + tone(880, 48000, 2) + twoTracks
                 + QStringList{"-target", "ntsc-dvd", "-s", "352x240", "-aspect", "16:9", "-flags", "+ilme+ildct",
                               "-top", "1", "-ac", "2"}, 1, -1, {16.0 / 9, 30000.0 / 1001, 2, 2, 48000, 2, 880, 0, 0, 48}},
            {"softmpg", "MPEG-2 film, repeat-field flags", "telecinefile", "table-soft.mpg", "",
             picture("352x240", "24000/1001", 2) + tone(440, 48000, 2)
                 + QStringList{"TELECINE", "-c:a", "ac3", "-ac", "2", "-f", "vob"}, 0, -1,
             {16.0 / 9, 24000.0 / 1001, 2, 2, 48000, 2, 440}},
            // An old video site's Sorenson H.263 at 15 fps, its sound mono at 22.05 kHz.
            {"sorenson", "Sorenson H.263 FLV, 15 fps", "phone", "table-sorenson.flv", "", picture("160x120", "15", 4)
                 + tone(440, 22050, 4) + QStringList{"-c:v", "flv1", "-ac", "1", "-c:a", "libmp3lame"}, 0, -1,
             {4.0 / 3, 15, 4, 4, 22050, 1, 440}},
            // A Matroska whose second sound track and its subtitle are flagged to be played
            // (the subtitle forced too): a player chooses them; chosen away, no engine shows the
            // subtitle.
            {"flagged", "default second track, forced subtitle", "flagged", "table-flagged.mkv", "",
             flaggedTracks, 1, 0, {16.0 / 9, 25, 2, 2, 48000, 2, 880, 0.5, 1.5}, kOnePerPair, {}, {}, {}, true},
            {"unflagged", "flagged tracks chosen away", "flaggedaway", "table-flagged.mkv", "", flaggedTracks, 0, -1,
             {16.0 / 9, 25, 2, 2, 48000, 2, 440, 0.5, 1.5}},
        };
    }();
    return table;
}

// Makes the source's file (or DVD folder); empty on failure.
QString makeSource(const Source &source)
{
    QStringList make = source.make;
    // A picture subtitle, which ffmpeg makes from none of its sources.
    if (make.contains("PICTURESUBTITLE"))
        make[make.indexOf("PICTURESUBTITLE")] = TestMedia::pictureSubtitleClip();
    for (qsizetype i = 0, written = 0; i < make.size(); ++i) {
        const QStringList cue = make[i].split(':');
        if (cue.size() != 3 || cue[0] != "SUBTITLE")
            continue;
        // A text subtitle in a large bold white font, as its style asks: a sixth of the
        // picture's height, so that it stays bright when the picture is made small.
        const QString path = QStringLiteral("%1/%2-%3.ass").arg(TestMedia::folder(), source.key).arg(++written);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        const auto time = [](const QString &seconds) {
            return QTime(0, 0).addMSecs(qRound(seconds.toDouble() * 1000)).toString("h:mm:ss.zzz").chopped(1);
        };
        file.write(QStringLiteral(
            "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n[V4+ Styles]\n"
            "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
            "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
            "Alignment, MarginL, MarginR, MarginV, Encoding\n"
            "Style: Default,DejaVu Sans,48,&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,-1,0,0,0,100,100,0,0,1,2,0,"
            "2,10,10,10,1\n\n[Events]\n"
            "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
            "Dialogue: 0,%1,%2,Default,,0,0,0,,HHHH\n")
                       .arg(time(cue[1]), time(cue[2])).toUtf8());
        make[i] = path;
    }
    // A recording cut where no packet starts: the file made whole, then its bytes from a share on.
    const QStringList from = make.filter(QRegularExpression("^FROM:"));
    if (!from.isEmpty()) {
        make.removeAll(from.first());
        return TestMedia::cutFront(source.file, TestMedia::clip("whole-" + source.file, make),
                                   from.first().mid(5).toDouble());
    }
    // A download cut short: the file made whole, then the share of its bytes that came.
    const QStringList cut = make.filter(QRegularExpression("^CUT:"));
    if (!cut.isEmpty() && source.dvd.isEmpty()) {
        make.removeAll(cut.first());
        return TestMedia::cutBack(source.file, TestMedia::clip("whole-" + source.file, make), cut.first().mid(4).toDouble());
    }
    // An AVI whose header counts other than it holds.
    const QStringList counting = make.filter(QRegularExpression("^COUNTING:"));
    if (!counting.isEmpty()) {
        make.removeAll(counting.first());
        return TestMedia::aviCounting(source.file, TestMedia::clip("whole-" + source.file, make),
                                      counting.first().mid(9).toUInt());
    }
    if (source.dvd.isEmpty())
        return TestMedia::clip(source.file, make);
    return TestMedia::oneTitleDvdFolder(source.file, make, source.dvd, source.found.aspect > 1.5 ? "16:9" : "4:3",
                                        {"en", "de"});
}

// One offered choice and what came of it.
struct Row
{
    QString muxer, video, audio; // for the Job menu's targets, the codecs the target writes
    int level = 0;
    double frameRate = 0;        // the rate a player must find where the target keeps the source's (0 the source's)
    QList<double> ownRates;      // frame rates the target holds to, whatever the source's
    QString name;                // the output's base name
    EncodeSettings settings;     // what the job was built from
    EncoderWidget::EncodingCommand command;
    MervoTask *task = nullptr;   // the encoding as the job engine ends it
    QString output;              // the file the user gets
    QString engines;
    QString refusal;             // why it was not run
    QString outcome;             // "ok" or the first fault
};

// The codec ffprobe names for a codec of the vocabulary.
QString probedCodec(const QString &codec)
{
    static const QMap<QString, QString> names{
        {"x264", "h264"}, {"x264_lr", "h264"}, {"x264_hd", "h264"}, {"x264_psp", "h264"},
        {"xvid", "mpeg4"}, {"aac_lr", "aac"}, {"aac_hq", "aac"}, {"aac_flv", "aac"},
        {"mp3_lr", "mp3"}, {"mp3_flv", "mp3"}, {"mp3_flv_lr", "mp3"}, {"mp2_vcd", "mp2"},
        {"amrnb", "amr_nb"}, {"ac3_copy", "ac3"}, {"novideo", ""}, {"noaudio", ""}};
    return names.value(codec, codec);
}

bool present(const QString &codec)
{
    return !codec.isEmpty() && codec != "novideo" && codec != "noaudio";
}

// The most channels a target's sound holds: what its codec can store, and for the
// containers made for devices (and FLV, whose sound header knows mono and stereo only)
// what those play.
int channelLimit(const QString &muxer, const QString &codec)
{
    static const QMap<QString, int> codecs{{"mp2", 2}, {"mp3", 2}, {"amr_nb", 1}};
    static const QStringList devices{"3gp", "3g2", "ipod", "psp", "flv"};
    return qMin(codecs.value(codec, 8), devices.contains(muxer) ? 2 : 8);
}

// The rates a TV standard holds to (NTSC's film rate beside its own).
QList<double> standardRates(const QString &standard)
{
    if (standard == "PAL")
        return {25};
    if (standard == "NTSC")
        return {30000.0 / 1001, 24000.0 / 1001};
    return {};
}
// FFmpeg's MPEG-4 video is written at 30 fps at most; the devices show at most as many, every
// second picture (or fourth) of a faster source, whichever codec.
constexpr double kMpeg4TopRate = 30;
const QList<double> kMpeg4Rates{10, 15, 24000.0 / 1001, 24, 25, 30000.0 / 1001, kMpeg4TopRate};
const QStringList kDevices{"psp", "ipod", "3gp", "3g2"};
// A device shows a faster source at the share of its rate that is a rate of film or
// television (25 of 50, 30 of 120); any other faster rate (a phone's 30.044) at its most.
double deviceRate(double rate)
{
    if (rate <= kMpeg4TopRate)
        return rate;
    const double share = rate / qCeil(rate / kMpeg4TopRate);
    for (double even : {24000.0 / 1001, 24.0, 25.0, 30000.0 / 1001, 30.0})
        if (qAbs(share / even - 1) < 0.001)
            return share;
    return kMpeg4TopRate;
}
const QList<double> kMpegRates{24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};

// The job engine's reading of a source, read once per file as it stands: every row's job
// holds its output against the same source, which nothing changes meanwhile.
OutputCheck::SourceMeter s_sourceMeter = nullptr;
OutputCheck::SourceLengths sourceLengthsOnce(const QString &path)
{
    static QHash<QString, OutputCheck::SourceLengths> read;
    const QFileInfo file(path);
    const QString key = QStringLiteral("%1|%2|%3").arg(file.absoluteFilePath()).arg(file.size())
                            .arg(file.lastModified().toMSecsSinceEpoch());
    if (!read.contains(key))
        read.insert(key, s_sourceMeter(path));
    return read.value(key);
}

// Where a file's picture and sound start, read once per file as it stands: every row's job
// holds its output against the same source.
OutputCheck::StartMeter s_startMeter = nullptr;
OutputCheck::Starts startsOnce(const QString &path, int track)
{
    static QHash<QString, OutputCheck::Starts> read;
    const QFileInfo file(path);
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(file.absoluteFilePath()).arg(file.size())
                            .arg(file.lastModified().toMSecsSinceEpoch()).arg(track);
    if (!read.contains(key))
        read.insert(key, s_startMeter(path, track));
    return read.value(key);
}

struct Fixture
{
    // The engine objects as start-up makes them: the job engine judges each output's length
    // with them.
    ApplicationShell shell;
    // The jobs of the runs the table made itself, which the panel finalises as its own.
    std::vector<std::unique_ptr<MervoJob>> runs;
    QTemporaryDir target;
    MervoMainWindow *window = nullptr;
    QPointer<MervoMainWindow> guard;

    Fixture()
    {
        WindowTesting::startSettings(target.path());
        shell.initEngines();
        s_sourceMeter = OutputCheck::setSourceMeter(nullptr);
        if (s_sourceMeter)
            OutputCheck::setSourceMeter(&sourceLengthsOnce);
        s_startMeter = OutputCheck::setStartMeter(nullptr);
        if (s_startMeter)
            OutputCheck::setStartMeter(&startsOnce);
        window = new MervoMainWindow;
        guard = window;
        window->initialize();
        window->show();
    }
    ~Fixture()
    {
        OutputCheck::setSourceMeter(s_sourceMeter);
        OutputCheck::setStartMeter(s_startMeter);
        if (guard)
            guard->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }
    MervoJobManager *manager() const { return qobject_cast<MervoJobManager *>(window->jobManager()); }
    MervoEncoderWidget *panel() const { return window->mervoEncoderWidget(); }
    bool idle() const
    {
        for (MervoJob *job : manager()->jobs())
            if (!job->isFinished())
                return false;
        return manager()->isIdle();
    }
    // Opens the source through the File menu and chooses its audio track and subtitle in
    // the player; says what went wrong, or nothing.
    QString open(const Source &source, const QString &path)
    {
        FileChooserScript chooser;
        chooser.answer(path);
        const bool dvd = !source.dvd.isEmpty();
        (dvd ? window->openDvdAction : window->openFileAction)->trigger();
        if (!waitFor([&] { return panel()->encodingSource().kind == (dvd ? 2 : 1); }, kWait))
            return "not opened";
        auto *tracks = window->playerWidget()->findChild<QComboBox *>("audioCombo");
        const int entry = tracks ? tracks->findData(source.track) : -1;
        if (entry >= 0 && !source.flagged)
            tracks->setCurrentIndex(entry);
        const EncodingSource chosen = panel()->encodingSource();
        if (entry < 0 ? source.track != 0 : chosen.audio.aid != chosen.audioStreams.value(source.track).aid)
            return QStringLiteral("audio track %1 not chosen").arg(source.track);
        // "No subtitle" chosen where none is asked for, as the list may open on a flagged one.
        auto *subtitles = window->playerWidget()->findChild<QComboBox *>("subtitleCombo");
        const int line = subtitles ? subtitles->findData(source.subtitle) : -1;
        if (line < 0 && source.subtitle >= 0)
            return QStringLiteral("no subtitle %1 in the player's list").arg(source.subtitle);
        if (line >= 0 && !source.flagged)
            subtitles->setCurrentIndex(line);
        const EncodingSource subtitled = panel()->encodingSource();
        if (source.subtitle >= 0 ? subtitled.noSubtitle || subtitled.subtitle.sid < 0 : !subtitled.noSubtitle)
            return QStringLiteral("subtitle %1 not chosen").arg(source.subtitle);
        return subtitled.audio.aid == chosen.audio.aid ? QString() : QStringLiteral("the subtitle moved the audio choice");
    }
};

void choose(ActiveComboBox *combo, const QString &id)
{
    const int index = combo->findData(id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// The entry chosen as the user picks it, unless the list shows it already: each pick refills
// the panel's lists, which takes longer than building the row's commands.
void pick(ActiveComboBox *combo, const QString &id)
{
    if (combo->currentData().toString() != id)
        choose(combo, id);
}

QStringList entries(const ActiveComboBox *combo)
{
    QStringList ids;
    for (int i = 0; i < combo->count(); ++i)
        ids << combo->itemData(i).toString();
    return ids;
}

// The pairs the lists offer for a container: each video codec with the audio codec the
// panel then picks, and each audio codec with the container's first video codec.
QList<QPair<QString, QString>> offeredPairs(MervoEncoderWidget *panel, const QString &muxer)
{
    QList<QPair<QString, QString>> pairs;
    choose(panel->formatCombo(), muxer);
    const QStringList videos = entries(panel->videoCombo());
    for (const QString &video : videos) {
        choose(panel->videoCombo(), video);
        pairs << qMakePair(video, panel->audioCombo()->currentData().toString());
    }
    choose(panel->formatCombo(), muxer);
    const QString first = panel->videoCombo()->currentData().toString();
    for (const QString &audio : entries(panel->audioCombo()))
        if (!pairs.contains(qMakePair(first, audio)))
            pairs << qMakePair(first, audio);
    return pairs;
}

// Processor time of the test itself, or of the engines it ran.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The Job menu's targets: the action, what it is named in the table, the codecs it writes,
// and whether it holds to a TV standard's rates.
struct MenuTarget
{
    QAction *MervoMainWindow::*action;
    const char *name, *video, *audio;
    bool television;
};
const MenuTarget kMenuTargets[] = {
    {&MervoMainWindow::encodeVcdAction, "VCD", "mpeg1video", "mp2_vcd", true},
    {&MervoMainWindow::encodeSvcdAction, "SVCD", "mpeg2video", "mp2_vcd", true},
    {&MervoMainWindow::encodeXvidAction, "Xvid", "xvid", "mp3", false},
    {&MervoMainWindow::encodeXvid1CDAction, "Xvid-1CD", "xvid", "mp3", false},
};
} // namespace

// The table for the sources of one group; each group is a test class of its own, each of
// its sources a data row ("everyOfferedChoiceGivesAGoodFile:portrait" runs one alone, as
// does VEXO_TABLE_SOURCE=portrait for every class).
class TargetTable : public QObject
{
    Q_OBJECT

protected:
    // The containers of the panel's list are dealt out to `shares` classes, this one taking
    // every `shares`-th from the `share`-th on; the last share takes the Job menu's targets too
    // (with the containers dealt from the first, it takes no more of them than the others).
    explicit TargetTable(const char *group, int share = 0, int shares = 1)
        : m_group(group), m_share(share), m_shares(shares) {}

private slots:
    void initTestCase()
    {
        initGui4Resources();
        qRegisterMetaType<MervoProcess *>();
    }
    void everyOfferedChoiceGivesAGoodFile_data();
    void everyOfferedChoiceGivesAGoodFile();

private:
    void panelRows(Fixture &fixture, QList<Row> &rows);
    void buildRow(Fixture &fixture, Row &row);
    void runRows(Fixture &fixture, QList<Row> &rows);
    void menuRows(Fixture &fixture, QList<Row> &rows);
    void judge(QList<Row> &rows);
    PlayerExpectation expectation(const Row &row) const;
    void report(const QList<Row> &rows, QStringList &failures) const;

    const QString m_group;
    const int m_share, m_shares;
    Source m_source;
    QString m_sourcePicture; // the file that holds the source's picture
    double m_soundDelay = 0; // how much later the chosen sound starts than the picture, as loaded
};

void TargetTable::everyOfferedChoiceGivesAGoodFile_data()
{
    QTest::addColumn<int>("source");
    const QString only = qEnvironmentVariable("VEXO_TABLE_SOURCE");
    int count = 0;
    for (int i = 0; i < sources().size(); ++i) {
        if (sources()[i].group == m_group && (only.isEmpty() || sources()[i].key == only)) {
            QTest::newRow(qPrintable(sources()[i].key)) << i;
            ++count;
        }
    }
    if (count == 0)
        QSKIP("VEXO_TABLE_SOURCE names a source of another class");
}

namespace {
// What a row's commands give the options that set the rate, or the sound's rate and channels:
// levels that give the same differ in quality only.
QString optionValues(const Row &row, const QStringList &options)
{
    QStringList values;
    for (const EncodingStep &step : row.command.steps)
        for (qsizetype i = 0; i + 1 < step.arguments.size(); ++i)
            if (options.contains(step.arguments[i]))
                values << step.arguments[i] + ' ' + step.arguments[i + 1];
    return values.join(' ');
}
const QStringList kRateOptions{"-r", "-ofps", "-target"};
const QStringList kChannelOptions{"-ac", "-channels", "-af", "-target"};
const QStringList kSoundOptions = kChannelOptions + QStringList{"-ar", "-srate"};

// Of the levels of one pair, those that change what `levels` names, each at its smallest
// picture.
QList<Row> levelsFor(QList<Row> pair, int levels)
{
    if (levels & kEveryLevel)
        return pair;
    const auto area = [](const Row &row) { return qMax(0, row.settings.pictureSize.width() * row.settings.pictureSize.height()); };
    std::stable_sort(pair.begin(), pair.end(), [&](const Row &a, const Row &b) { return area(a) < area(b); });
    // The frame's shape, which the picture must fit into.
    const auto shape = [](const Row &row) {
        const QSize size = row.settings.pictureSize;
        return size.isEmpty() ? 0.0 : double(size.width()) / size.height();
    };
    const auto sameShape = [&](const Row &a, const Row &b) {
        return shape(a) == 0 ? shape(b) == 0 : shape(b) != 0 && qAbs(shape(b) / shape(a) - 1) < 0.02;
    };
    QList<Row> taken;
    for (const Row &row : std::as_const(pair)) {
        const bool known = std::any_of(taken.cbegin(), taken.cend(), [&](const Row &other) {
            return (!(levels & kFrameShape) || sameShape(row, other))
                   && (!(levels & kFrameRate) || optionValues(row, kRateOptions) == optionValues(other, kRateOptions))
                   && (!(levels & kChannels) || optionValues(row, kChannelOptions) == optionValues(other, kChannelOptions))
                   && (!(levels & kSound) || optionValues(row, kSoundOptions) == optionValues(other, kSoundOptions));
        });
        if (!known)
            taken << row;
    }
    return taken;
}
} // namespace

void TargetTable::buildRow(Fixture &fixture, Row &row)
{
    MervoEncoderWidget *panel = fixture.panel();
    MervoConfigurator *configurator = panel->mervoConfigurator();
    // As the configure dialog leaves it when the user picks the level and accepts.
    configurator->clearOptions();
    if (configurator->configure()) {
        configurator->profileGroup().selectedLevel = row.level;
        configurator->applySelection();
    }
    panel->loadSettings();
    const int type = panel->mervoEncoder()->preferredEngine();
    const EncodingTarget &target = panel->mervoEncoder()->jobData(type)->target;
    const int level = target.profile.level;
    row.settings = level != EncoderProfile::LevelNone && level != EncoderProfile::LevelUser
        ? EncodeSettings::ofProfile(target.profile, target.audio.volume)
        : EncodeSettings::ofTarget(target);
    row.ownRates = standardRates(row.settings.standard);
    // MPEG of no TV standard holds to the rates MPEG codes.
    if (row.ownRates.isEmpty() && (row.muxer == "mpeg" || row.muxer == "mpeg_vcd"))
        row.ownRates = kMpegRates;
    row.frameRate = m_source.found.frameRate;
    if (kDevices.contains(row.muxer) && row.video != "copy") {
        row.frameRate = deviceRate(row.frameRate);
    } else if (row.video == "mpeg4" && m_source.found.frameRate > kMpeg4TopRate) {
        row.ownRates << kMpeg4TopRate;
    }
    // FFmpeg's MPEG-4 video takes a rate of its own, no slower than the source's (or the
    // device's share of it): it repeats pictures, each shown at its time, and drops none.
    if (row.video == "mpeg4")
        for (double rate : kMpeg4Rates)
            if (rate >= row.frameRate)
                row.ownRates << rate;
    panel->setTarget(fixture.target.path(), row.name);
    // What Start would try and queue; the table runs it itself, side by side with the others.
    row.command = panel->plannedCommand(row.refusal);
    QStringList engines;
    for (const EncodingStep &step : std::as_const(row.command.steps))
        engines << Encoder::engineName(step.type);
    row.engines = engines.join('+');
    if (row.command.steps.isEmpty() && row.refusal.isEmpty())
        row.refusal = "no command";
}

void TargetTable::panelRows(Fixture &fixture, QList<Row> &rows)
{
    MervoEncoderWidget *panel = fixture.panel();
    const QStringList muxers = entries(panel->formatCombo());
    for (qsizetype i = m_share; i < muxers.size(); i += m_shares) {
        const QString &muxer = muxers[i];
        for (const auto &[video, audio] : offeredPairs(panel, muxer)) {
            pick(panel->formatCombo(), muxer);
            pick(panel->videoCombo(), video);
            pick(panel->audioCombo(), audio);
            QList<int> levels;
            panel->mervoConfigurator()->clearOptions();
            if (panel->mervoConfigurator()->configure())
                for (const ProfileChoice &choice : panel->mervoConfigurator()->profileGroup().choices)
                    levels << choice.level;
            levels << EncoderProfile::LevelUser;
            QList<Row> pair;
            for (int level : std::as_const(levels)) {
                Row row;
                row.muxer = muxer;
                row.video = video;
                row.audio = audio;
                row.level = level;
                row.name = QStringLiteral("%1-%2-%3-%4-L%5").arg(m_source.key, muxer, video, audio).arg(level);
                buildRow(fixture, row);
                pair << row;
            }
            // A property of the picture alone tells nothing in a target without one.
            const int tried = m_source.levels;
            if (video != "novideo" || !(tried & (kFrameShape | kFrameRate)) || (tried & (kChannels | kSound)))
                rows << levelsFor(pair, m_source.levels);
        }
    }
}

void TargetTable::runRows(Fixture &fixture, QList<Row> &rows)
{
    // A step that another row's has already run (the DVD's title read out for each target,
    // levels that differ only where the engine is not told) is run once, its file copied.
    QList<QList<QStringList>> chains;
    QList<QStringList> outputs;
    for (const Row &row : std::as_const(rows)) {
        QList<QStringList> chain;
        QStringList written;
        for (const EncodingStep &step : row.command.steps) {
            chain << QStringList{step.program} + step.arguments;
            written << step.output;
        }
        chains << chain;
        outputs << written;
    }
    const QStringList faults = runChains(chains, outputs);
    // Each end as the job engine hands it to the panel, which finalises it as its own.
    for (qsizetype i = 0; i < rows.size(); ++i) {
        Row &row = rows[i];
        if (!row.refusal.isEmpty())
            continue;
        const EncodingStep &last = row.command.steps.last();
        row.task = new MervoTask;
        row.task->set(EncoderWidget::newTaskData(row.task, fixture.panel()->plannedTaskValues(row.command, last)),
                      last.program, last.arguments, fixture.target.path(), row.name, "Encoding");
        // As Start sets it: the last step reads what the step before it wrote.
        const qsizetype steps = row.command.steps.size();
        row.task->setSources({steps > 1 ? row.command.steps[steps - 2].output
                                        : fixture.panel()->mervoEncoder()->sourcePath()});
        row.task->setSoundTrack(SourceStreams::steppedSoundTrack(fixture.panel()->encodingSource()));
        // The job's own verdict on an engine that ended well (the lengths of its streams and
        // where they start); it lets a second go, so it judges only longer sources.
        const bool judged = qMax(m_source.found.pictureSeconds, m_source.found.soundSeconds) > 1;
        row.outcome = faults[i].isEmpty() && judged ? OutputCheck::shortfall(*row.task) : faults[i];
        if (faults[i].isEmpty() && !row.outcome.isEmpty())
            row.outcome.prepend("the job ends: ");
        row.task->setState(row.outcome.isEmpty() ? Task::Completed : Task::Aborted);
        fixture.runs.push_back(std::make_unique<MervoJob>());
        fixture.panel()->adoptJob(fixture.runs.back().get(), row.command.output);
        MervoProcess process;
        process.mervoJob = fixture.runs.back().get();
        process.mervoTask = row.task;
        fixture.panel()->finalizeEncoding(&process);
    }
    QVERIFY(waitFor([&] { return fixture.idle(); }, kWait));
    // The finalising jobs the panel queued, by the file each makes.
    QMap<QString, QString> ends;
    for (MervoJob *job : fixture.manager()->jobs())
        for (MervoTask *task : job->tasks())
            if (task->state != Task::Completed)
                ends.insert(taskDataValue(task->taskData, TaskDataSlot::Extension).toString(),
                            QStringLiteral("finalising task ended in state %1").arg(task->state));
    for (Row &row : rows) {
        if (!row.refusal.isEmpty() || !row.outcome.isEmpty())
            continue;
        const QStringList written = QDir(fixture.target.path()).entryList({row.name + ".*"}, QDir::Files);
        row.output = written.size() == 1 ? fixture.target.filePath(written.first()) : QString();
        if (row.output.isEmpty())
            row.outcome = "no output: " + written.join(", ");
        else if (ends.contains(row.output))
            row.outcome = ends.value(row.output);
    }
}

void TargetTable::menuRows(Fixture &fixture, QList<Row> &rows)
{
    if (m_share != m_shares - 1)
        return;
    for (const MenuTarget &target : kMenuTargets) {
        QAction *action = fixture.window->*target.action;
        if (!action->isEnabled())
            continue; // not offered
        Row row;
        row.muxer = target.name;
        row.video = target.video;
        row.audio = target.audio;
        row.name = QStringLiteral("%1-menu-%2").arg(m_source.key, target.name);
        row.settings.samplingRate = 44100;
        if (target.television)
            row.ownRates = standardRates("PAL") + standardRates("NTSC");
        const qsizetype before = fixture.manager()->jobs().size();
        ModalAnswerer answerer;
        answerer.answerWith([&row](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            // The reason may stand in the box's details.
            row.refusal = box ? QStringList{box->text(), box->informativeText(), box->detailedText()}.join(' ').simplified()
                              : "a window";
            modal->close();
            return true;
        });
        action->trigger();
        QVERIFY(waitFor([&] { return fixture.idle(); }, kWait));
        if (fixture.manager()->jobs().size() == before) {
            if (row.refusal.isEmpty())
                row.refusal = kNoReason;
            rows << row;
            continue;
        }
        QStringList engines;
        for (MervoTask *task : fixture.manager()->jobs().last()->tasks()) {
            engines << Encoder::engineName(taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt());
            if (task->state != Task::Completed)
                row.outcome = QStringLiteral("task \"%1\" ended in state %2").arg(task->name()).arg(task->state);
            row.output = taskDataValue(task->taskData, TaskDataSlot::OutputPath).toString();
        }
        engines.removeDuplicates();
        row.engines = engines.join('+');
        // The next target may write a file of the same name.
        const QString kept = fixture.target.filePath(row.name + '.' + QFileInfo(row.output).suffix());
        if (row.outcome.isEmpty() && !QFile::rename(row.output, kept))
            row.outcome = "no output: " + row.output;
        row.output = kept;
        rows << row;
    }
}

PlayerExpectation TargetTable::expectation(const Row &row) const
{
    const Found &found = m_source.found;
    PlayerExpectation expected;
    if (present(row.video) && found.aspect > 0)
        expected.video = probedCodec(row.video);
    if (present(row.audio)) {
        expected.audio << probedCodec(row.audio);
        // The MP4 family stores MPEG audio of any layer under one type, which FFmpeg names mp3.
        if (expected.audio.first() == "mp2" && QStringList{"mp4", "mov", "ipod", "3gp", "3g2"}.contains(row.muxer))
            expected.audio << "mp3";
    }
    expected.aspect = found.aspect;
    expected.frameRate = row.frameRate > 0 ? row.frameRate : found.frameRate;
    expected.ownRates = row.ownRates;
    expected.pictureSeconds = found.pictureSeconds;
    expected.soundSeconds = found.soundSeconds;
    expected.tone = found.tone;
    // What players of every target take, whatever the source's: a copy keeps the source's.
    if (!expected.video.isEmpty() && row.video != "copy")
        expected.pixelFormat = "yuv420p";
    expected.showing(sourcePicture(m_sourcePicture, m_source.fields));
    // A copy keeps the source's colours, and says what they are.
    if (row.video == "copy")
        expected.saturation = 0;
    expected.subtitleFrom = found.subtitleFrom;
    expected.subtitleTo = found.subtitleTo;
    expected.subtitleHidden = m_source.subtitle < 0;
    expected.soundDelay = m_soundDelay;
    expected.shapes = found.shapes;
    if (found.pictures > 0)
        expected.missingPictures = qRound(found.frameRate * found.pictureSeconds) - found.pictures;
    // A source of one picture: Theora codes each copy of it as nothing, and FFmpeg's muxers
    // end the stream with the last picture coded, up to a key frame's distance (FFmpeg's 12
    // pictures) before the sound's end; a player shows that picture on to the end.
    if (found.pictures == 1 && row.video == "theora")
        expected.pictureTail = 12 / found.frameRate;
    // A copy keeps the source's sound; an encode has the target's rate and channels (a mono
    // sound may come out as two like channels, which every target plays).
    expected.exactChannels = row.audio == "ac3_copy" || row.settings.samplingRate < 0;
    expected.sampleRate = row.settings.samplingRate > 0 ? row.settings.samplingRate : found.rate;
    expected.channels = expected.exactChannels ? found.channels
        : qMin(qMax(found.channels, 2), channelLimit(row.muxer, expected.audio.value(0)));
    return expected;
}

void TargetTable::judge(QList<Row> &rows)
{
    QList<DecodeInput> decodes;
    // Each row's decode, by the row that first had it: files of the same bytes decode alike,
    // so each is decoded once and judged by every row that made it.
    QMap<int, int> decodeOf;
    QHash<QByteArray, int> decoded;
    const QString folder = TestMedia::folder() + "/table-checks";
    QDir().mkpath(folder);
    for (int i = 0; i < rows.size(); ++i) {
        const Row &row = rows[i];
        if (!row.refusal.isEmpty() || !row.outcome.isEmpty())
            continue;
        const bool video = present(row.video) && m_source.found.aspect > 0, audio = present(row.audio);
        QFile file(row.output);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(QByteArray(1, char(video)) + char(audio) + QFileInfo(row.output).suffix().toUtf8());
        const QByteArray key = file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
        if (!key.isEmpty() && decoded.contains(key)) {
            decodeOf.insert(i, decoded.value(key));
            continue;
        }
        const SourcePicture shown = sourcePicture(m_sourcePicture, m_source.fields);
        decodes.append({row.output, folder + "/" + row.name, video, audio,
                        m_source.found.subtitleTo > 0 || shown.leastPeak > 0 || shown.saturation > 0});
        decodeOf.insert(i, int(decodes.size() - 1));
        if (!key.isEmpty())
            decoded.insert(key, int(decodes.size() - 1));
    }
    QList<DecodeReport> reports = decodeAll(decodes);
    // Where the sound comes first, a low rate's copies of the held first picture differ as
    // much as moving pictures: where the decode found it held for less than the sound leads,
    // the hold is told by the B-pictures coded as nothing between them, as the end check
    // tells it.
    for (qsizetype i = 0; i < decodes.size() && m_soundDelay < 0; ++i) {
        if (decodes[i].video && reports[i].held < -m_soundDelay - 0.1)
            reports[i].held = qMax(reports[i].held, OutputMeter::heldPicture(decodes[i].path, 1.0 - m_soundDelay));
    }
    for (auto it = decodeOf.cbegin(); it != decodeOf.cend(); ++it)
        rows[it.key()].outcome = playerFault(expectation(rows[it.key()]), reports[it.value()]);
}

void TargetTable::report(const QList<Row> &rows, QStringList &failures) const
{
    struct Count { int offered = 0, passed = 0, refused = 0; };
    QMap<QString, Count> counts; // by engine
    for (const Row &row : rows) {
        const QString what = QStringLiteral("%1 %2 %3 L%4").arg(row.muxer, -9).arg(row.video, -10)
                                 .arg(row.audio, -10).arg(row.level);
        Count &count = counts[row.engines.isEmpty() ? QStringLiteral("-") : row.engines];
        ++count.offered;
        if (!m_source.avoids.isEmpty() && row.engines.contains(m_source.avoids)) {
            failures << what;
            qInfo().noquote() << what << row.engines.leftJustified(10) << "made by an engine that cannot make it right";
            continue;
        }
        if (!row.refusal.isEmpty()) {
            // A choice refused at Start is one the lists should not have offered, unless
            // the target cannot take the source.
            ++count.refused;
            const bool cannot = (m_source.refusable.contains(row.muxer)
                                 || m_source.refusable.contains(row.muxer + '/' + row.video))
                                && row.refusal != kNoReason;
            if (!cannot)
                failures << what;
            qInfo().noquote() << what << (cannot ? "refused, as it cannot take the source:" : "refused:")
                              << row.refusal;
            continue;
        }
        count.passed += row.outcome == "ok";
        if (row.outcome != "ok") {
            failures << what;
            qInfo().noquote() << what << row.engines.leftJustified(10) << row.outcome;
            for (const EncodingStep &step : row.command.steps)
                qInfo().noquote() << "    " << step.program << step.arguments.join(' ');
        }
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        qInfo().noquote() << QStringLiteral("%1 from %2: %3 offered, %4 passed, %5 refused")
                                 .arg(it.key(), m_source.kind).arg(it.value().offered).arg(it.value().passed)
                                 .arg(it.value().refused);
}

void TargetTable::everyOfferedChoiceGivesAGoodFile()
{
    QFETCH(int, source);
    QElapsedTimer timer;
    timer.start();
    const double ownBefore = cpuSeconds(RUSAGE_SELF), enginesBefore = cpuSeconds(RUSAGE_CHILDREN);
    m_source = sources().at(source);
    const QString path = makeSource(m_source);
    QVERIFY2(!path.isEmpty(), qPrintable(m_source.kind));
    m_sourcePicture = m_source.dvd.isEmpty() ? path : path + "/VIDEO_TS/VTS_01_1.VOB";
    Fixture fixture;
    const QString opened = fixture.open(m_source, path);
    QVERIFY2(opened.isEmpty(), qPrintable(m_source.kind + ": " + opened));
    // A file that holds less than its header declares says so at its load.
    const bool cut = !m_source.make.filter(QRegularExpression("^CUT:")).isEmpty();
    QVERIFY2(waitFor([&] { return fixture.window->statusBar()->currentMessage().contains(" stops at ") == cut; }, kWait),
             qPrintable(fixture.window->statusBar()->currentMessage()));
    // Picture and sound as a player shows them in the source: a DVD's in its title's file.
    m_soundDelay = soundDelay(m_source.dvd.isEmpty() ? path : path + "/VIDEO_TS/VTS_01_1.VOB", m_source.track);
    QList<Row> rows;
    panelRows(fixture, rows);
    runRows(fixture, rows);
    menuRows(fixture, rows);
    const double encoding = cpuSeconds(RUSAGE_CHILDREN) - enginesBefore;
    judge(rows);
    QStringList failures;
    report(rows, failures);
    qInfo("%s: %d rows, %d failed, %lld s; processor time %.0f s for the test, %.0f s for the "
          "engines (%.0f s encoding, the rest checking)", qPrintable(m_source.kind), int(rows.size()),
          int(failures.size()), timer.elapsed() / 1000, cpuSeconds(RUSAGE_SELF) - ownBefore,
          cpuSeconds(RUSAGE_CHILDREN) - enginesBefore, encoding);
    for (const Row &row : std::as_const(rows))
        delete row.task;
    QCOMPARE(failures, QStringList());
}

// The kinds of source, two classes each (half of the containers each); the properties two or
// three to a class, so that each class ends well within its time limit on two cores.
class TargetTableAviTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableAviTest() : TargetTable("avi", 0, 2) {}
};
class TargetTableAviPart2Test : public TargetTable
{
    Q_OBJECT
public:
    TargetTableAviPart2Test() : TargetTable("avi", 1, 2) {}
};
class TargetTableSoundFirstAviTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundFirstAviTest() : TargetTable("first", 0, 2) {}
};
class TargetTableSoundFirstAviPart2Test : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundFirstAviPart2Test() : TargetTable("first", 1, 2) {}
};
class TargetTableMatroskaTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableMatroskaTest() : TargetTable("mkv", 0, 2) {}
};
class TargetTableMatroskaPart2Test : public TargetTable
{
    Q_OBJECT
public:
    TargetTableMatroskaPart2Test() : TargetTable("mkv", 1, 2) {}
};
class TargetTableFlvTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFlvTest() : TargetTable("flv", 0, 2) {}
};
class TargetTableFlvPart2Test : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFlvPart2Test() : TargetTable("flv", 1, 2) {}
};
class TargetTableAudioOnlyTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableAudioOnlyTest() : TargetTable("mp3") {}
};
class TargetTableDvdTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableDvdTest() : TargetTable("dvd") {}
};
class TargetTableShapeTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableShapeTest() : TargetTable("shape") {}
};
class TargetTableFrameRateTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFrameRateTest() : TargetTable("rate") {}
};
class TargetTableNtscRateTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableNtscRateTest() : TargetTable("ntscrate") {}
};
class TargetTableProgramStreamTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableProgramStreamTest() : TargetTable("programstream") {}
};
class TargetTableTransportStreamTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTransportStreamTest() : TargetTable("ts") {}
};
class TargetTableSoundTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundTest() : TargetTable("sound") {}
};
class TargetTableSoundLengthTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundLengthTest() : TargetTable("length") {}
};
class TargetTableSubtitleTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSubtitleTest() : TargetTable("subtitle") {}
};
class TargetTableSubtitleTracksTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSubtitleTracksTest() : TargetTable("subtitletracks") {}
};
class TargetTableMovTextTracksTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableMovTextTracksTest() : TargetTable("movtexttracks") {}
};
class TargetTableNtscDvdTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableNtscDvdTest() : TargetTable("ntscdvd") {}
};
class TargetTableDvdFieldsTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableDvdFieldsTest() : TargetTable("dvdfields") {}
};
class TargetTableTurnedTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTurnedTest() : TargetTable("turned") {}
};
class TargetTableFieldsTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFieldsTest() : TargetTable("fields") {}
};
class TargetTableSoundTracksTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundTracksTest() : TargetTable("tracks") {}
};
class TargetTableVariableRateTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableVariableRateTest() : TargetTable("varrate") {}
};
class TargetTableBottomFieldsTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableBottomFieldsTest() : TargetTable("bottomfields") {}
};
class TargetTablePictureFormatTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTablePictureFormatTest() : TargetTable("formats") {}
};
class TargetTableOddRateTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableOddRateTest() : TargetTable("oddrate") {}
};

class TargetTableNtscCamcorderTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableNtscCamcorderTest() : TargetTable("dvntsc") {}
};
class TargetTablePalCamcorderTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTablePalCamcorderTest() : TargetTable("dvpal") {}
};
class TargetTableTrimmedTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTrimmedTest() : TargetTable("trim") {}
};
class TargetTableRateDropTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableRateDropTest() : TargetTable("ratedrop") {}
};
class TargetTablePauseTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTablePauseTest() : TargetTable("pause") {}
};
class TargetTablePhoneTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTablePhoneTest() : TargetTable("phone") {}
};
class TargetTableCutShortTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableCutShortTest() : TargetTable("cutshort") {}
};

// A camcorder's and a TV tuner's recordings.
class TargetTableAvchdTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableAvchdTest() : TargetTable("avchd") {}
};
class TargetTableDvbSubtitleTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableDvbSubtitleTest() : TargetTable("dvbsub") {}
};

class TargetTableLateTrackTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableLateTrackTest() : TargetTable("latetrack") {}
};
class TargetTableStillPictureTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableStillPictureTest() : TargetTable("stillpicture") {}
};

// HDR video.
class TargetTableColourTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableColourTest() : TargetTable("colour") {}
};

// A broadcast's recording across a programme change.
class TargetTableSoundRateChangeTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundRateChangeTest() : TargetTable("ratechange") {}
};

// Recordings joined where their sound's times do not follow on, a class each.
// Its source is long: its change comes after the last point a load reads through it.
class TargetTableSoundRateLastSecondTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundRateLastSecondTest() : TargetTable("lastsecond") {}
};
class TargetTableSoundJoinTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundJoinTest() : TargetTable("soundjoin") {}
};
class TargetTableLpcmJoinTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableLpcmJoinTest() : TargetTable("lpcmjoin") {}
};
class TargetTableOverlapJoinTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableOverlapJoinTest() : TargetTable("overlapjoin") {}
};

// TV recordings whose sound starts before their picture, a class each.
class TargetTableTvCutTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTvCutTest() : TargetTable("tvcut") {}
};
class TargetTableTvSoundFirstTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTvSoundFirstTest() : TargetTable("tvfirst") {}
};

// Film as NTSC discs and files made from them store it.
class TargetTableTelecineTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTelecineTest() : TargetTable("telecine") {}
};
class TargetTableTelecineFileTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableTelecineFileTest() : TargetTable("telecinefile") {}
};

// Tracks flagged to be played first, as the panel opens on them and chosen away, a class each.
class TargetTableFlaggedTracksTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFlaggedTracksTest() : TargetTable("flagged") {}
};
class TargetTableFlaggedAwayTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFlaggedAwayTest() : TargetTable("flaggedaway") {}
};

VEXO_TEST_CLASS(TargetTableAviTest)
VEXO_TEST_CLASS(TargetTableAviPart2Test)
VEXO_TEST_CLASS(TargetTableSoundFirstAviTest)
VEXO_TEST_CLASS(TargetTableSoundFirstAviPart2Test)
VEXO_TEST_CLASS(TargetTableMatroskaTest)
VEXO_TEST_CLASS(TargetTableMatroskaPart2Test)
VEXO_TEST_CLASS(TargetTableFlvTest)
VEXO_TEST_CLASS(TargetTableFlvPart2Test)
VEXO_TEST_CLASS(TargetTableAudioOnlyTest)
VEXO_TEST_CLASS(TargetTableDvdTest)
VEXO_TEST_CLASS(TargetTableShapeTest)
VEXO_TEST_CLASS(TargetTableFrameRateTest)
VEXO_TEST_CLASS(TargetTableNtscRateTest)
VEXO_TEST_CLASS(TargetTableProgramStreamTest)
VEXO_TEST_CLASS(TargetTableTransportStreamTest)
VEXO_TEST_CLASS(TargetTableSoundTest)
VEXO_TEST_CLASS(TargetTableSoundLengthTest)
VEXO_TEST_CLASS(TargetTableSubtitleTest)
VEXO_TEST_CLASS(TargetTableSubtitleTracksTest)
VEXO_TEST_CLASS(TargetTableMovTextTracksTest)
VEXO_TEST_CLASS(TargetTableNtscDvdTest)
VEXO_TEST_CLASS(TargetTableTurnedTest)
VEXO_TEST_CLASS(TargetTableDvdFieldsTest)
VEXO_TEST_CLASS(TargetTableFieldsTest)
VEXO_TEST_CLASS(TargetTableSoundTracksTest)
VEXO_TEST_CLASS(TargetTableVariableRateTest)
VEXO_TEST_CLASS(TargetTableOddRateTest)
VEXO_TEST_CLASS(TargetTableBottomFieldsTest)
VEXO_TEST_CLASS(TargetTablePictureFormatTest)
VEXO_TEST_CLASS(TargetTableNtscCamcorderTest)
VEXO_TEST_CLASS(TargetTablePalCamcorderTest)
VEXO_TEST_CLASS(TargetTableTrimmedTest)
VEXO_TEST_CLASS(TargetTableRateDropTest)
VEXO_TEST_CLASS(TargetTablePauseTest)
VEXO_TEST_CLASS(TargetTablePhoneTest)
VEXO_TEST_CLASS(TargetTableCutShortTest)
VEXO_TEST_CLASS(TargetTableAvchdTest)
VEXO_TEST_CLASS(TargetTableDvbSubtitleTest)
VEXO_TEST_CLASS(TargetTableLateTrackTest)
VEXO_TEST_CLASS(TargetTableStillPictureTest)
VEXO_TEST_CLASS(TargetTableColourTest)
VEXO_TEST_CLASS(TargetTableSoundRateChangeTest)
VEXO_TEST_CLASS(TargetTableSoundRateLastSecondTest)
VEXO_TEST_CLASS(TargetTableSoundJoinTest)
VEXO_TEST_CLASS(TargetTableLpcmJoinTest)
VEXO_TEST_CLASS(TargetTableOverlapJoinTest)
VEXO_TEST_CLASS(TargetTableTvCutTest)
VEXO_TEST_CLASS(TargetTableTvSoundFirstTest)
VEXO_TEST_CLASS(TargetTableTelecineTest)
VEXO_TEST_CLASS(TargetTableTelecineFileTest)
VEXO_TEST_CLASS(TargetTableFlaggedTracksTest)
VEXO_TEST_CLASS(TargetTableFlaggedAwayTest)
#include "tst_targettable.moc"
