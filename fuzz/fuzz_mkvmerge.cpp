// MKVmerge's status query ("--version").

#include "fuzztarget.h"

#include "builderrecords.h"
#include "builders/interfacemkvmerge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    BuilderRecords<InterfaceMKVmerge> records;
    records.parse(FuzzTarget::bytes(data, size), &InterfaceMKVmerge::parseStatus);
    FuzzTarget::parsed(records.status.version.isEmpty() ? 0 : 1);
    return 0;
}
