// MPlayer's identify pass of a file or a DVD title, one line at a time, as the player panel
// reads it while loading.

#include "fuzztarget.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/interfacemplayer.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    PlayerCapabilities capabilities;
    PlayerStatus status;
    InterfaceMplayer mplayer;
    mplayer.init(QStringLiteral("mplayer"), &capabilities, &status);
    ClipInfo clip;
    DiskInfo disk;
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        int code = 0;
        mplayer.parseStdoutClip(line, &code, &clip);
        mplayer.parseStdoutDisk(line, &code, &disk);
    }
    return 0;
}
