#pragma once

#include <QSize>

// The sizes and aspect ratios of a picture that the program computes with when it reads them
// from a file. A file says what it likes: a Matroska made with "--display-dimensions
// 0:20000000x240" reads back a display aspect of 83333, and a panel sized to 20 million
// pixels stalls the window or crashes. What lies outside these bounds counts as unknown.
namespace PictureBounds {

// Wider than 4:1 film and taller than portrait video, with room to spare.
constexpr double MinimumAspect = 1.0 / 16;
constexpr double MaximumAspect = 16.0;
// Beyond 16K pictures.
constexpr int MaximumSide = 16384;

// The ratio when it is a finite number within the bounds, else 0.0 (unknown).
double aspect(double ratio);
// The side when it lies in 0..MaximumSide, else 0 (unknown).
int side(int pixels);
// The width a picture of this height shows at this aspect, rounded down; 0 when either is
// unknown.
int displayWidth(int height, double ratio);

} // namespace PictureBounds
