#pragma once

// Shared by the fuzz targets: each target file defines LLVMFuzzerTestOneInput, which libFuzzer
// calls with one input at a time (fuzz/run.sh), and which the test build's seed driver calls
// with each seed file (seedreplay.cpp), so the suite replays every seed under the sanitizers.

#include "engines/mediainfodata.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace FuzzTarget {

// Once per process: the engine-side console the engine objects write to, and Qt's messages
// (the parsers' debug lines, the console's lines without a view) silenced.
void setUp();
// setUp() and an application for the targets that feed windows (offscreen).
void setUpWindows();
// Ends the application of setUpWindows(), if any, while the program still runs: ended at its
// exit, the font engines it loaded for the views would stay behind as leaks.
void tearDown();

// What the target's parsers took from the input: a count of the values, lines or records they
// read, told once the input has reached them. The seed driver fails a replay in which an input
// never reached its parsers, or in which no seed gave them anything to read: a target that
// returns early passes its replay while testing nothing.
void parsed(qsizetype count);
// Set by the seed driver before each call: -1 until parsed() is told, then the sum told.
extern qsizetype found;

QByteArray bytes(const uint8_t *data, size_t size);
// The input decoded as engine output is: UTF-8, invalid sequences replaced.
QString text(const uint8_t *data, size_t size);
// The input's lines, as the runners hand them to the line parsers (split on "\n", the "\r"
// of a CR LF line end kept as the engines print it).
QList<QByteArray> lines(const uint8_t *data, size_t size);
// The input read as MediaInfo's report of a file (InterfaceMediaInfo::parseData); the
// version query's answer too when `status` is set.
MediaInfoData mediaInfoReport(const uint8_t *data, size_t size, bool status = false);

} // namespace FuzzTarget
