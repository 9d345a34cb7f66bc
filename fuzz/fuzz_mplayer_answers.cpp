// What a playing MPlayer prints: the "ANS_" answers to slave commands and the status lines on
// standard output, and its standard error, one line at a time.

#include "fuzztarget.h"

#include "engines/interfacemplayer.h"
#include "engines/playbackinfo.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    PlayerCapabilities capabilities;
    PlayerStatus status;
    InterfaceMplayer mplayer;
    mplayer.init(QStringLiteral("mplayer"), &capabilities, &status);
    PlaybackInfo playback;
    QString text;
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        int code = 0;
        mplayer.parseStdoutRun(line, &code, &playback);
        mplayer.parseStderr(line, &code, &text);
    }
    return 0;
}
