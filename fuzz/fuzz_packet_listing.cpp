// FFprobe's compact packet listing of the splitter and the output meter, read as it arrives
// from the pipe (PacketListing): in pieces whose size the input's first byte chooses, from
// one byte (a line of any length then arrives in as many pieces as it has bytes) up.

#include "fuzztarget.h"

#include "engines/packetlines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype piece = bytes.isEmpty() ? 1 : 1 + (uchar(bytes.at(0)) % 8) * 509;
    PacketLines lines;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        lines.append(bytes.sliced(at, qMin(piece, bytes.size() - at)));
    lines.finish();
    FuzzTarget::parsed(lines.packets().size());
    return 0;
}
