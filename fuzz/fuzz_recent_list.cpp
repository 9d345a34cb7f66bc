// The recent list's entries as the settings file holds them, one a line: each read and
// shown in the File menu, then the list kept as the program reads it, and added to.

#include "fuzztarget.h"

#include "app/recentlist.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    QStringList stored;
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        stored.append(QString::fromUtf8(line));
        RecentList::menuText(stored.constLast());
    }
    QStringList list = RecentList::kept(stored);
    for (const QString &entry : stored) {
        const RecentList::Entry parsed = RecentList::parse(entry);
        RecentList::add(list, RecentList::entry(parsed.path, parsed.kind));
    }
    FuzzTarget::parsed(list.size());
    return 0;
}
