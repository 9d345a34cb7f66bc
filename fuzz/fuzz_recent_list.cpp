// The recent list's entries as the settings file holds them, one a line: read back, shown
// in the File menu and added to the list.

#include "fuzztarget.h"

#include "app/recentlist.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    QStringList list;
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString entry = QString::fromUtf8(line);
        const RecentList::Entry parsed = RecentList::parse(entry);
        RecentList::menuText(entry);
        RecentList::add(list, RecentList::entry(parsed.path, parsed.kind));
    }
    FuzzTarget::parsed(list.size());
    return 0;
}
