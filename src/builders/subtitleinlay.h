#pragma once

#include <QString>

struct EncodingSource;
struct SubtitleInfo;

// The subtitle the user chose in the player, drawn into the encoded picture ("inlaid").
// MEncoder draws the subtitle its "-sid" or "-slang" chose; FFmpeg is given a filter: libass
// draws a text subtitle, a picture subtitle (a DVD's, a Blu-ray's, DVB's, DivX's) is laid
// over the picture.
namespace SubtitleInlay {

// Whether a subtitle of the source is chosen.
bool chosen(const EncodingSource &source);
// Whether the subtitle is made of pictures rather than text, by its format as the player
// names it (MPlayer's "dvdsub", "vobsub", "pgssub", "dvbsub", "xsub" or FFmpeg's codec names).
bool isPicture(const SubtitleInfo &subtitle);
// The chosen subtitle's place among the source's subtitle streams, 0 for the first: the
// streams listed with lower ids stand before it, whatever ids the player gave them.
int index(const EncodingSource &source);

// Why the picture an engine's video encoder writes cannot carry the chosen subtitle: a
// copied picture is not drawn on. Empty when it can, or when no subtitle is chosen.
QString copyRefusal(const EncodingSource &source, const QString &encoder);

// FFmpeg's filter that draws the chosen text subtitle: "subtitles=filename=...:si=N".
QString ffmpegTextFilter(const EncodingSource &source);
// FFmpeg's filter graph that runs the source's picture through `first`, lays the chosen
// picture subtitle over it, then runs `after` (filter chains, either may be empty), and ends
// in the label ffmpegVideoLabel().
QString ffmpegOverlayGraph(const EncodingSource &source, const QString &first, const QString &after);
QString ffmpegVideoLabel();
// A path as the value of a filter option inside an FFmpeg filter graph: escaped for the
// option's level and again for the graph's.
QString ffmpegFilterPath(const QString &path);

} // namespace SubtitleInlay
