// MPlayer's status query ("-vo help -ao help"): its banner and its output drivers.

#include "fuzztarget.h"

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
    status.stdOut = FuzzTarget::bytes(data, size);
    status.state = InterfaceStatus::OutputCaptured;
    mplayer.parseStatus();
    return 0;
}
