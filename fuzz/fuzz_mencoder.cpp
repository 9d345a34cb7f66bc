// MEncoder's answers: the status query ("-ovc help -oac help -of help") read by the builder
// and by the engine processor, and a test run's output read by the command check.

#include "fuzztarget.h"

#include "builderrecords.h"
#include "builders/interfacemencoder.h"
#include "engines/mencoder.h"

#include <QMap>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QByteArray bytes = FuzzTarget::bytes(data, size);
    BuilderRecords<InterfaceMEncoder> records;
    records.parse(bytes, &InterfaceMEncoder::parseStatus);
    qsizetype found = records.videoCodecs.size() + records.audioCodecs.size() + records.muxers.size();
    found += InterfaceMEncoder::parseCommandCheck(bytes, bytes) ? 1 : 0;

    const QString text = FuzzTarget::text(data, size);
    MEncoder engine;
    engine.parseSignature(text);
    QMap<QString, QString> list;
    MEncoder::parseHelpList(text, list);
    FuzzTarget::parsed(found + list.size());
    return 0;
}
