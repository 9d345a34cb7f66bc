#pragma once

#include <QList>
#include <QString>

// Film stored at its own rate whose pictures carry repeat-field flags (soft telecine: an NTSC
// film DVD's 23.976 pictures, each shown for two fields or, flagged, three, fill 29.97). The
// demuxers give each packet the length its flags give it, so the pictures' times step by two
// fields and three by turns, which a check for a constant step takes for a variable rate.
namespace RepeatedFields {

// Whether the lengths of a stream's packets are those its pictures' own flags give: MPEG-2
// video's, as FFmpeg's parser reads its repeat-field flags. Those of other video are its
// container's times, which a phone's rate dropping from 30 to 20 a second makes lengths of two
// fields and three as well.
bool timedByFlags(const QString &codec);

// The film's rate where the durations of sampled picture packets are those of two fields and
// of three of one clock, some of three; 0 where every picture lasts two fields, or where the
// durations follow no such clock. `codedRate` is the rate the stream names (29.97 for an NTSC
// disc's MPEG-2), taken as the clock of two fields where it is that clock; else the rate
// pictures are coded at that the clock is, else the clock as the durations give it.
double filmRate(const QList<double> &durations, double codedRate);
// Whether each stretch of packet times (each sorted on its own) runs at `rate` on average, as
// film whose flags go on through the file does; a stretch too short to tell counts as one
// that does, and so does no stretch at all.
bool runsAt(const QList<QList<double>> &stretches, double rate);

} // namespace RepeatedFields
