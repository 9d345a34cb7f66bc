// MediaInfo's report of an encoded file as the finalising rules read it: whether only the
// audio is kept, whether the aspect is corrected, the aspect and the duration measured; and
// the values the player panel reads of it (bit rates, lengths).

#include "fuzztarget.h"

#include "encoding/finalizerules.h"
#include "engines/mediainfodata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const MediaInfoData report = FuzzTarget::mediaInfoReport(data, size);

    FinalizeRules::needsAudioExtraction(report);
    for (const char *muxer : {"avi", "mp4"}) {
        for (double requested : {0.0, 1.33, 1.78})
            FinalizeRules::needsAspectCorrection(report, QLatin1String(muxer), requested);
    }
    FinalizeRules::measuredAspect(report.videoFields.value(QStringLiteral("Display aspect ratio")));
    FinalizeRules::durationSeconds(report.generalFields.value(QStringLiteral("Duration")));
    FinalizeRules::durationSeconds(report.videoFields.value(QStringLiteral("Duration")));
    for (const char *key : {"Nominal bit rate", "Bit rate"})
        MediaInfoData::bitRateKbps(report.videoFields.value(QLatin1String(key)));
    FuzzTarget::parsed(report.generalFields.size() + report.videoFields.size() + report.audioStreams.size());
    return 0;
}
