// x264's status query ("--fullhelp"): its version, audio and output sections.

#include "fuzztarget.h"

#include "builderrecords.h"
#include "builders/interfacex264.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    BuilderRecords<InterfaceX264> records;
    records.parse(FuzzTarget::bytes(data, size), &InterfaceX264::parseStatus);
    FuzzTarget::parsed(records.muxers.size() + records.audioCodecs.size());
    return 0;
}
