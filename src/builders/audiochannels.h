#pragma once

#include <QString>

// How many channels a target's sound may have, and the channel layouts an encoder is told to
// write so that a player reads them back: the same for every engine.
namespace AudioChannels {

// Whether the target's players play at most two channels: the targets made for phones, the
// iPod, the PSP and Flash (whose sound tags know mono and stereo only), and the codec
// variants made for them.
bool stereoAtMost(const QString &muxer, const QString &codec);

// FFmpeg's audio filter that gives an encoder a layout it writes and players read: mono or
// stereo for a target that plays at most two channels (a mono source stays mono), and for
// AAC one of the layouts its channel configurations name (without it a source's 5.1 with
// side channels is written as six channels of unknown layout). Empty when the encoder writes
// any layout it is given.
QString ffmpegLayoutFilter(const QString &muxer, const QString &codec, const QString &encoder);

} // namespace AudioChannels
