// The output name the window proposes for a loaded input, from the player's name of it: a
// file's base name, a DVD's volume name (as the disc writes it) or its folder path.

#include "fuzztarget.h"

#include "app/targetname.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    qsizetype found = 0;
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString source = QString::fromUtf8(line);
        for (int kind : {1, 2})
            found += TargetName::fromSource(source, kind, false, QString()).isEmpty() ? 0 : 1;
        TargetName::fromSource(QString(), 2, true, source);
    }
    FuzzTarget::parsed(found);
    return 0;
}
