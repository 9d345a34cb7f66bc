#pragma once

#include <QString>
#include <QStringList>

// Media made by the tests themselves, once per test executable, in a temporary folder
// that lives as long as the executable. Nothing here is committed.
namespace TestMedia {

// The folder that holds the generated media (and scratch output of tests).
QString folder();

// folder()/subfolder/name for a test's output: the subfolder made, an older file removed.
QString scratch(const QString &subfolder, const QString &name);

// Runs ffmpeg with the given arguments to make folder()/name unless it exists already;
// returns the absolute path, or an empty string (with a test warning) on failure.
// Example: clip("tone.avi", {"-f","lavfi","-i","sine=frequency=440:duration=3"}).
// Arguments after a "THEN" make a second run that reads the first one's file: what only a
// stream copy writes (a rotation flag: {..., "THEN", "-c", "copy", "-metadata:s:v", "rotate=90"}).
// Arguments split by "JOIN" make recordings of their own, whose bytes are joined one after
// the other as a recorder appends one programme to another (each part's times as its own
// arguments set them: "-output_ts_offset" for a transport stream that follows on).
// Arguments split by "TELECINE": before it the inputs of a film at 24000/1001 fps and its
// sound, after it the codec arguments of the file that holds them, its pictures coded as
// MPEG-2 flagged to repeat fields (shown at 29.97, as an NTSC film DVD stores film).
QString clip(const QString &name, const QStringList &ffmpegInputAndCodecArgs);
// folder()/name made of the bytes of `whole` from the share `from` of them on, as a recording
// cut where no packet starts (a TV recording cut mid-group); empty on failure.
QString cutFront(const QString &name, const QString &whole, double from);
// folder()/name made of the share `share` of the bytes of `whole` from its start, as a download
// that did not finish or a recording that stopped; empty on failure.
QString cutBack(const QString &name, const QString &whole, double share);
// folder()/name: the AVI `whole` with its video stream's header counting `pictures`, as four
// damaged bytes of it do; empty on failure.
QString aviCounting(const QString &name, const QString &whole, quint32 pictures);

// A 3 s, 320x240, 25 fps clip with a 440 Hz tone: mpeg4 video, mp3 audio, AVI container.
QString standardAvi();
// The same as H.264/AAC in MP4.
QString standardMp4();

// A DVD folder made with dvdauthor: title 1 has four chapters and two audio tracks
// (English and French), 16:9; title 2 is a short single-chapter title.
// Returns the folder that holds VIDEO_TS, or an empty string on failure.
QString dvdFolder();
// A DVD folder for the player: title 1 (6 s, 16:9) has three chapters and two audio tracks,
// English in stereo at 192 kbit/s and French in mono at 96 kbit/s; title 2 (4 s, 4:3) has
// two chapters and one German track at 128 kbit/s.
QString languagesDvdFolder();
// A DVD folder with one 1 s title (16:9 PAL) and two stereo AC-3 tracks: English with a
// 440 Hz tone, German with an 880 Hz one.
QString shortDvdFolder();
// The DVD a new user tries first, at a small (CIF) frame size so that it is made fast:
// title 1 lasts 20 s at 16:9 with four chapters and two audio tracks, English (440 Hz) and
// German (880 Hz); title 2 lasts 8 s at 4:3 with one chapter and one English track.
QString twoTitleDvdFolder();
// A dark 2 s 16:9 PAL title with five-channel-and-LFE AC-3 sound (a 440 Hz tone) and an
// English subtitle made of a picture, a bright box over the lower part of the picture for
// the whole title: as a DVD folder, and re-muxed into Matroska (video, subtitle, audio).
QString subtitledDvdFolder();
QString pictureSubtitleClip();
// An NTSC DVD as most films come: one 20 s title at 16:9 (352x240, 29.97 fps, 600
// pictures) with four chapters and two stereo AC-3 tracks, English (440 Hz) and German
// (880 Hz).
QString ntscWideDvdFolder();
// Writes root.xml with the given titleset elements and runs dvdauthor to make root/VIDEO_TS,
// in the TV standard "pal" or "ntsc".
bool authorDvd(const QString &root, const QString &titlesets, const QString &standard = QStringLiteral("pal"));
// A DVD folder folder()/name of one single-chapter title that ffmpeg makes from the given
// arguments (a "-target" of the standard among them), in the TV standard "pal" or "ntsc",
// with its aspect ("4:3" or "16:9") and one language per audio track, the tracks in the
// stream's order (an LPCM track before an AC-3 one stays first). Empty on failure.
QString oneTitleDvdFolder(const QString &name, const QStringList &title, const QString &standard,
                          const QString &aspect, const QStringList &languages);

// Runs a program to its end (at most timeoutMs); returns its exit code, -1 on failure.
int run(const QString &program, const QStringList &arguments, QString *stdOut = nullptr,
        QString *stdErr = nullptr, int timeoutMs = 120000);

// The duration in seconds that ffprobe reports for a file's format, -1 on failure.
double probeDuration(const QString &path);
// What a player meets decoding the file to its end (FFmpeg's errors): nothing, when it is sound.
QString decodeErrors(const QString &path);
// The number of decoded frames of the first video stream (ffprobe -count_frames), -1 on failure.
int countVideoFrames(const QString &path);

// The path of the fake engine script (see fakeengine.sh).
QString fakeEngine();

// The process ids of the other processes whose command line names `text`.
QStringList processesNaming(const QString &text);
}
