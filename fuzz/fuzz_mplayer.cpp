// What MPlayer prints: the status query ("-vo help -ao help") as a whole, and one line at a
// time the identify pass of a file or a DVD title, the "ANS_" answers and status lines of a
// playing player, and its standard error.

#include "fuzztarget.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
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
    status.stdOut = FuzzTarget::bytes(data, size);
    status.state = InterfaceStatus::OutputCaptured;
    mplayer.parseStatus();

    // The parsers read only the kinds of source they are for (a record of kind 0 is refused
    // at once): a file's and a DVD title's clip, and a DVD's disc, each kept for the whole
    // answer as a caller may keep it.
    ClipInfo file;
    file.kind = InterfaceMplayer::MediaFile;
    ClipInfo title;
    title.kind = InterfaceMplayer::Dvd;
    DiskInfo disk;
    disk.kind = InterfaceMplayer::Dvd;
    PlaybackInfo playback;
    QString text;
    qsizetype found = status.version.isEmpty() ? 0 : 1;
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        int code = 0;
        found += mplayer.parseStdoutClip(line, &code, &file) ? 1 : 0;
        mplayer.parseStdoutClip(line, &code, &title);
        found += mplayer.parseStdoutDisk(line, &code, &disk) ? 1 : 0;
        found += mplayer.parseStdoutRun(line, &code, &playback) ? 1 : 0;
        mplayer.parseStderr(line, &code, &text);
    }
    FuzzTarget::parsed(found);
    return 0;
}
