// The decoding every engine answer goes through: a finished run's channel as a whole
// (SyncRunner::decodeLines), and a running job's channel in the pieces it is read in
// (JobOutputRouter::decode), cut where the input's first byte says.

#include "fuzztarget.h"

#include "encoding/joboutputrouter.h"
#include "engines/syncrunner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QByteArray bytes = FuzzTarget::bytes(data, size);
    const QString whole = SyncRunner::decodeLines(bytes);
    // Every byte is decoded into one character or more; nothing is dropped.
    if (whole.size() < bytes.size() / 4)
        __builtin_trap();

    const qsizetype piece = bytes.isEmpty() ? 1 : 1 + uchar(bytes.at(0)) % 7;
    QByteArray pending;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        JobOutputRouter::decode(pending, bytes.mid(at, piece), false);
    JobOutputRouter::decode(pending, QByteArray(), true);
    if (!pending.isEmpty())
        __builtin_trap();
    FuzzTarget::parsed(whole.size());
    return 0;
}
