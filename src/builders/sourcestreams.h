#pragma once

#include <QString>

struct EncodingSource;

// Where the chosen streams of a source sit for the engines that number a file's streams
// per kind (libavformat's readers, FFmpeg's stream specifiers), whatever numbers the player
// gave them when it identified the file.
namespace SourceStreams {

// The shape the source's picture is shown at, width over height: the player's aspect, else
// its display size, else its coded size (a container that stores no aspect, as FLV, shows
// its pixels square); 0 when nothing is known.
double displayAspect(const EncodingSource &source);
// The rate the engines encode the source's picture at: its own, and where the rate varies
// the rate of its fast stretches, so that none of its pictures is dropped there (slower
// stretches repeat pictures); of film whose pictures repeat fields the film's; 0 when unknown.
double frameRate(const EncodingSource &source);
// The chosen sound's place among a media file's sounds, whose start an output keeps as far
// from the picture's as the file does (an output without either is not held to it); -1 for
// a DVD title, which is no file.
int steppedSoundTrack(const EncodingSource &source);
// Whether the source is an AVI file, by its name or by the format the player found.
bool isAvi(const EncodingSource &source);
// Whether the source is an MPEG transport stream, by the format MediaInfo found ("MPEG-TS",
// or "BDAV" with a Blu-ray's time codes).
bool isTransportStream(const EncodingSource &source);
// The chosen audio stream's place among the source's audio streams, 0 for the first.
int audioIndex(const EncodingSource &source);
// FFmpeg's specifier of the video stream of the first input: the moving picture ("0:v:1"
// behind a cover picture), else the first ("0:v:0").
QString videoSpecifier(const EncodingSource &source);
// FFmpeg's specifier of the chosen subtitle stream of the first input: its place among the
// subtitle streams ("0:s:1"), or in a file that holds a DVD title's stream its stream id
// ("0:i:0x21").
QString subtitleSpecifier(const EncodingSource &source);
// FFmpeg's specifier of the chosen audio stream of the first input: its place among the
// audio streams ("0:a:1"), or in a file that holds a DVD title's stream its stream id
// ("0:i:0x81").
QString audioSpecifier(const EncodingSource &source);

} // namespace SourceStreams
