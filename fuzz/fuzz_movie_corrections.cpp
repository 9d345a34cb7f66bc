// The player panel's reading of a loaded file's MediaInfo and FFprobe reports
// (MovieCorrection): the input read as both, MediaInfo's text report and FFprobe's answer
// (JSON or sections), each parser taking its own of the lines, correcting a movie record as
// MPlayer's identify run leaves it, with a picture and two sound streams, and without any;
// then what FFprobe measured of the picture the correction chose (SourceFacts), whose rates
// stay finite and bounded.

#include "fuzztarget.h"

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacestatus.h"
#include "engines/movieinfo.h"
#include "engines/sourcefacts.h"
#include "player/moviecorrection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString text = FuzzTarget::text(data, size);
    const MediaInfoData report = FuzzTarget::mediaInfoReport(data, size);
    FFprobeData probe;
    InterfaceStatus status;
    InterfaceFFprobe ffprobe;
    ffprobe.init(QStringLiteral("ffprobe"), &probe, &status);
    ffprobe.parseData(&probe, text, text);
    MovieInfo identified;
    identified.width = 720;
    identified.height = 576;
    identified.aspect = 1.7778;
    identified.frameRate = 25.0;
    identified.audioStreams = {AudioInfo(), AudioInfo()};
    MovieInfo bare;
    for (MovieInfo *movie : {&identified, &bare}) {
        const MovieCorrection::Notes notes = MovieCorrection::apply(*movie, probe, report);
        const SourceFacts facts = SourceFacts::measure(probe, movie->audioOnly ? -1 : notes.picture);
        // The builders write these rates into command lines: an infinite one reads "inf".
        for (double rate : {facts.frameRate, facts.fastRate})
            if (!(rate >= 0.0 && rate <= 1000.0))
                __builtin_trap();
    }
    FuzzTarget::parsed(report.generalFields.size() + report.videoFields.size() + probe.videoStreams.size()
                       + probe.audioStreams.size());
    return 0;
}
