// FFprobe's answers: the version banner, the analysis of a file (JSON or sections), the
// answers of the runs that complete it, the packet lists of the splitter, and the values read
// from them.

#include "fuzztarget.h"

#include "engines/ffprobe.h"
#include "engines/ffprobedata.h"
#include "engines/ffprobereport.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacestatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString text = FuzzTarget::text(data, size);
    FFprobeData probe;
    InterfaceStatus status;
    InterfaceFFprobe ffprobe;
    ffprobe.init(QStringLiteral("ffprobe"), &probe, &status);
    ffprobe.parseStatus(text);
    ffprobe.parseData(&probe, text, text);

    qsizetype found = probe.videoStreams.size() + probe.audioStreams.size() + probe.subtitleStreams.size()
                      + (status.version.isEmpty() ? 0 : 1);
    FFprobeReport report;
    if (report.read(text)) {
        found += report.streams.size() + 1;
        FFprobeReport::text(report.format);
        for (const FFprobeReport::Block &stream : std::as_const(report.streams))
            FFprobeReport::text(stream);
    }
    found += FFprobe::parsePackets(text).size();
    // The answers of the runs that complete an analysis, read into its moving picture.
    InterfaceFFprobe::parseSpread(&probe, text);
    InterfaceFFprobe::parseCount(&probe, text);
    InterfaceFFprobe::parseSoundRates(&probe, text);
    for (const FFprobeVideoStream &stream : std::as_const(probe.videoStreams))
        found += stream.spreadTimes.size() + stream.nb_read_packets + stream.frame_field_order.size()
                 + stream.sampledShapes.size();
    FFprobe engine;
    engine.parseSignature(text);
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString value = QString::fromUtf8(line);
        FFprobe::toNumber(value);
        InterfaceFFprobe::parseRatio(value);
    }
    FuzzTarget::parsed(found);
    return 0;
}
