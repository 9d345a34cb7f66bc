#include "app/recentlist.h"

#include <QFileInfo>

namespace {
const QChar kSeparator = QLatin1Char(';');
}

QString RecentList::entry(const QString &path, int kind)
{
    return path + kSeparator + QString::number(kind);
}

RecentList::Entry RecentList::parse(const QString &entry)
{
    const int cut = entry.lastIndexOf(kSeparator);
    if (cut < 0)
        return {entry, 0};
    return {entry.left(cut), entry.mid(cut + 1).toInt()};
}

void RecentList::add(QStringList &list, const QString &entry)
{
    list.removeAll(entry);
    list.prepend(entry);
    while (list.size() > MaximumEntries)
        list.removeLast();
}

QString RecentList::menuText(const QString &entry)
{
    const Entry parsed = parse(entry);
    QString text = parsed.kind == FileKind ? QFileInfo(parsed.path).fileName() : parsed.path;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
