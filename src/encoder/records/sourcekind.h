#pragma once

// What an encoding reads from.
namespace SourceKind {
constexpr int Unset = 0;
constexpr int MediaFile = 1;
constexpr int Dvd = 2;
}
