// A disc's VIDEO_TS.IFO as the player panel reads it when a DVD loads: the folder found from
// the disc's path, the table of titles read once, each title's set and that set's first
// video object file.

#include "fuzztarget.h"

#include "engines/dvdtitlesets.h"

#include <QFile>
#include <QTemporaryDir>

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    static QTemporaryDir disc;
    {
        QFile ifo(disc.filePath(QStringLiteral("VIDEO_TS.IFO")));
        if (!ifo.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        ifo.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QString folder = DvdTitleSets::videoFolder(disc.path());
    const QByteArray manager = DvdTitleSets::managerBytes(folder);
    qsizetype found = 0;
    // The titles a disc may offer (1 to 99), and numbers no disc has.
    for (int title = -1; title <= 100; ++title) {
        const int set = DvdTitleSets::titleSetOf(manager, title);
        found += set > 0 ? 1 : 0;
        DvdTitleSets::firstVideoObject(folder, set);
    }
    for (const int title : {0xffff, 0x10000, INT_MAX, INT_MIN})
        DvdTitleSets::titleSetOf(manager, title);
    FuzzTarget::parsed(found);
    return 0;
}
