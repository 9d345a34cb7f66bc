// MediaInfo's answers: its version and the text report of a file, with the durations and
// bit rates read from the report's values.

#include "fuzztarget.h"

#include "engines/mediainfodata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const MediaInfoData report = FuzzTarget::mediaInfoReport(data, size, true);
    qsizetype found = report.generalFields.size() + report.videoFields.size() + report.audioStreams.size();
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString value = QString::fromUtf8(line);
        found += MediaInfoData::durationSeconds(value) > 0.0 ? 1 : 0;
        MediaInfoData::bitRateKbps(value);
    }
    FuzzTarget::parsed(found);
    return 0;
}
