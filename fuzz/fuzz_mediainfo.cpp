// MediaInfo's answers: its version and the text report of a file, with the durations and
// bit rates read from the report's values.

#include "fuzztarget.h"

#include "engines/mediainfodata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    FuzzTarget::mediaInfoReport(data, size, true);
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString value = QString::fromUtf8(line);
        MediaInfoData::durationSeconds(value);
        MediaInfoData::bitRateKbps(value);
    }
    return 0;
}
