// The output meter's readings (OutputMeter): FFprobe's answer on a source's lengths (the
// container's, each stream's, Matroska's length tags) with its log, FFmpeg's "-progress"
// reports of a whole read, the span and played length of the packets FFprobe listed, and
// its list of a stream's first packets and frames.

#include "fuzztarget.h"

#include "engines/ffprobe.h"
#include "engines/outputmeter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString text = FuzzTarget::text(data, size);
    QStringList undeclared;
    const OutputCheck::SourceLengths lengths = OutputMeter::readSourceLengths(text, text, &undeclared);
    qsizetype found = 0;
    for (double length : {lengths.declared.whole, lengths.declared.video, lengths.declared.audio})
        found += length >= 0.0 ? 1 : 0;
    found += OutputMeter::reportedTime(text) >= 0.0 ? 1 : 0;
    const QList<FFprobePacket> packets = FFprobe::parsePackets(text);
    OutputMeter::packetSpan(packets);
    OutputMeter::playedLength(packets);
    const OutputMeter::StartRead start = OutputMeter::readStart(text);
    FuzzTarget::parsed(found + packets.size() + undeclared.size() + start.packets);
    return 0;
}
