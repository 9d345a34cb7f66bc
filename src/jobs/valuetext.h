#pragma once

#include <QString>

// Texts shown in the windows for the program's number codes and measures, and the
// numbers behind the aspect-ratio and frame-rate codes. All are pure functions.

// Player type: 1 MPlayer, 5 VLC.
QString playerTypeName(int type);
// Engine type code: 1 MEncoder, 2 FFmpeg, 3 x264, 4 MKVmerge.
QString engineTypeName(int type);
// Media kind: 1 file, 2 DVD, 3 VCD.
QString mediaTypeName(int kind);
// Profile level 0 to 5: a one-word name and a descriptive label.
QString qualityKeyword(int level);
QString qualityLabel(int level);

// Aspect-ratio code 1 to 6 (7 has a value but no text) and frame-rate code 1 to 8.
QString aspectRatioText(int code);
QString frameRateText(int code);
double aspectRatioValue(int code);
double frameRateValue(int code);

// Whole seconds as a time of day "hh:mm:ss" (wraps at 24 hours, negative counts back
// from midnight).
QString durationText(double seconds);
QString twoDecimalsText(double value);
QString oneDecimalText(double value);
// Seconds on a file's clock or between two of its times, as a reader takes them in: two
// decimals ("1.44", "-0.05"); a time no file holds (beyond a thousand years either way, or
// not a number at all) in three figures ("-1e+300", "inf", "nan"), never hundreds of digits.
QString secondsText(double seconds);
// 1500 gives "1.5", 1234 gives "1.234".
QString millisecondsText(int milliseconds);
// 25 gives "25", 23.976 gives "23.976", 29.97 gives "29.97".
QString frameRateNumberText(double framesPerSecond);
// An English language name for a language code ("eng" gives "English").
QString languageName(const QString &code);
