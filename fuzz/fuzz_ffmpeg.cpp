// FFmpeg's answers: "-version", "-codecs" and "-formats" read by the builder and by the
// engine processor, and a test run's output read by the command check.

#include "fuzztarget.h"

#include "builderrecords.h"
#include "builders/interfaceffmpeg.h"
#include "engines/ffmpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QByteArray bytes = FuzzTarget::bytes(data, size);
    BuilderRecords<InterfaceFFmpeg> records;
    records.parse(bytes, &InterfaceFFmpeg::parseVersion);
    qsizetype found = records.status.version.isEmpty() ? 0 : 1;
    records.parse(bytes, &InterfaceFFmpeg::parseCodecs);
    found += records.videoCodecs.size() + records.audioCodecs.size();
    records.parse(bytes, &InterfaceFFmpeg::parseMuxers);
    found += records.muxers.size();
    found += InterfaceFFmpeg::parseCommandCheck(bytes, bytes) ? 1 : 0;

    const QString text = FuzzTarget::text(data, size);
    FFmpeg engine;
    engine.parseSignature(text);
    engine.parseCodecs(text);
    engine.parseMuxers(text);
    FuzzTarget::parsed(found);
    return 0;
}
