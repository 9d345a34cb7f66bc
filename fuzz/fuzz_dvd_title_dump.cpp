// What MPlayer prints while it dumps a DVD title's stream (DvdTitleDump): its status lines
// read for progress as a whole and line by line as they arrive, and the check of a trial
// copy's output.

#include "fuzztarget.h"

#include "builders/dvdtitledump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString whole = FuzzTarget::text(data, size);
    qsizetype found = DvdTitleDump::parseCommandCheck(whole) ? 1 : 0;
    int percent = -1;
    int sizeKb = -1;
    QString rest;
    DvdTitleDump::parseProgress(whole, rest, percent, sizeKb);
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        percent = sizeKb = -1;
        DvdTitleDump::parseProgress(QString::fromUtf8(line), rest, percent, sizeKb);
        found += sizeKb >= 0 ? 1 : 0;
    }
    FuzzTarget::parsed(found);
    return 0;
}
