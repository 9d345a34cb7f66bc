#pragma once

#include <QString>

// The engine type code, the key of every per-engine operation of the encoder.
namespace EngineType {
constexpr int MEncoder = 1;
constexpr int FFmpeg = 2;
constexpr int X264 = 3;     // only the extended encoder knows it
constexpr int MKVmerge = 4; // only the extended encoder knows it
// The player, which copies a DVD title's stream as it is for an encoder to read: the first
// step of a DVD title's road to a target MEncoder cannot give.
constexpr int MPlayer = 5;

// Display name of the two base engines and the player: "MEncoder", "FFmpeg", "MPlayer",
// anything else "unknown".
QString name(int type);
}
