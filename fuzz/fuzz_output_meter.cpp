// The output meter's readings (OutputMeter): FFprobe's answer on a source's lengths (the
// container's, each stream's, Matroska's length tags) with its log, FFmpeg's "-progress"
// reports of a whole read, and the span of the packets FFprobe listed.

#include "fuzztarget.h"

#include "engines/ffprobe.h"
#include "engines/outputmeter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString text = FuzzTarget::text(data, size);
    const OutputCheck::SourceLengths lengths = OutputMeter::readSourceLengths(text, text);
    qsizetype found = 0;
    for (double length : {lengths.declared.whole, lengths.declared.video, lengths.declared.audio})
        found += length >= 0.0 ? 1 : 0;
    found += OutputMeter::reportedTime(text) >= 0.0 ? 1 : 0;
    const QList<FFprobePacket> packets = FFprobe::parsePackets(text);
    OutputMeter::packetSpan(packets);
    FuzzTarget::parsed(found + packets.size());
    return 0;
}
