// FFmpeg's answer on the first packet a split's stream copy would write ("framemd5" of one
// packet, FFmpeg::firstCopiedPacket()): its hash and its time in the input.

#include "fuzztarget.h"

#include "engines/ffmpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString text = FuzzTarget::text(data, size);
    QString hash;
    double inputTime = 0.0;
    qsizetype found = FFmpeg::readFirstCopiedPacket(text, hash, &inputTime) ? 1 : 0;
    FFmpeg::readFirstCopiedPacket(text, hash, nullptr);
    FuzzTarget::parsed(found);
    return 0;
}
