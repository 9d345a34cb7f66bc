// The output name the window proposes for a loaded input, from the player's name of it: a
// file's base name, a DVD's volume name (as the disc writes it) or its folder path.

#include "fuzztarget.h"

#include "app/targetname.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString source = QString::fromUtf8(line);
        for (int kind : {1, 2})
            TargetName::fromSource(source, kind, false, QString());
        TargetName::fromSource(QString(), 2, true, source);
    }
    return 0;
}
