#pragma once

#include <QString>

// The engine type code, the key of every per-engine operation of the encoder.
namespace EngineType {
constexpr int MEncoder = 1;
constexpr int FFmpeg = 2;
constexpr int X264 = 3;     // only the extended encoder knows it
constexpr int MKVmerge = 4; // only the extended encoder knows it

// Display name of the two base engines: "MEncoder", "FFmpeg", anything else "unknown".
QString name(int type);
}
