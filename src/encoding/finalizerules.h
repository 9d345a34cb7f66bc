#pragma once

#include "engines/mediainfodata.h"

#include <QString>

struct PlayerSetup;

// The rules the encoder panels share when they start an encoding and finalise its result.
namespace FinalizeRules {

// 1.33 strictly between 1.31 and 1.35, 1.78 strictly between 1.75 and 1.79, else 0.0.
double snappedAspect(double ratio);
// The test position for a source of `duration` seconds: not later than 10 s before its end.
int testPosition(int position, double duration);
// The extended panel's: the position as it stands, a preview of the last seconds too; only one
// at or past the end, where the preview would hold nothing, moves as testPosition() moves it.
// A source of unknown length keeps it.
int keptTestPosition(int position, double duration);
// MediaInfo's "Display aspect ratio": a number of at least 1.0, else "w:h", else 0.0.
double measuredAspect(const QString &text);
// Whole seconds of a MediaInfo "Duration" text (older and today's forms).
int durationSeconds(const QString &text);
// Audio targets that MEncoder first writes into an AVI intermediate.
bool isAudioMuxer(const QString &muxer);
// "<folder>/<complete base name> (step 0)<suffix>" of a path; the suffix keeps its dot.
QString intermediateName(const QString &path, const QString &suffix);
// The file an engine command writes: MEncoder's "-o" argument, else the output path.
QString writtenFile(int engineType, const QStringList &arguments, const QString &output);
// True for a frame-number placeholder AVI with one audio stream: only the audio is kept.
bool needsAudioExtraction(const MediaInfoData &data);
// True when the aspect of an AVI differs by more than 0.02 from the requested one. A request
// of 0.0 (a source neither near 4:3 nor near 16:9) asks for nothing: FFmpeg refuses the
// correction "-aspect 0" ("Invalid aspect ratio: 0"), so every such encoding would end in a
// failed finalising job, and the encoding already carries its source's aspect.
bool needsAspectCorrection(const MediaInfoData &data, const QString &muxer, double requested);

// The hidden analysis of an encoded file (MediaInfo run through the setup's path). Tests
// and the player dialog may put another in its place (null restores it).
using Analyzer = MediaInfoData (*)(const PlayerSetup &setup, const QString &file);
MediaInfoData analyze(const PlayerSetup &setup, const QString &file);
// The default analysis: MediaInfo run to its end under the setup's latencies. Not a hidden
// player dialog's load: that also runs FFprobe and an MPlayer identify pass whose results no
// rule reads, shows its progress window at each job's end, and handles events while it
// runs, so other jobs' ends (and the window's close) would reach the panel in the middle of
// one finalising; this run blocks.
MediaInfoData mediaInfoAnalysis(const PlayerSetup &setup, const QString &file);
void setAnalyzer(Analyzer analyzer);

// After a finalising job: on success the intermediate goes; on failure the partial final
// file goes and an intermediate that was renamed from the final name gets it back, so the
// user keeps the encoding. Returns the file left under the final name, or empty.
QString closeFinalizing(bool completed, const QString &intermediate, const QString &finalPath);

} // namespace FinalizeRules
