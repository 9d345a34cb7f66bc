#include "app/recentlist.h"

#include <QFile>
#include <QFileInfo>

#include <climits>

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
    const QString text = parsed.kind == FileKind ? QFileInfo(parsed.path).fileName() : parsed.path;
    // Written out once: QString::replace moves the rest of the text at every few "&", which
    // made a long entry of them quadratic.
    QString doubled;
    doubled.reserve(text.size() + text.count(QLatin1Char('&')));
    for (const QChar c : text) {
        doubled += c;
        if (c == QLatin1Char('&'))
            doubled += c;
    }
    return doubled;
}

QStringList RecentList::kept(const QStringList &stored)
{
    QStringList list;
    for (const QString &entry : stored) {
        if (list.size() == MaximumEntries)
            break;
        const QString path = parse(entry).path;
        // No character takes less than a byte: a long text is refused before it is encoded.
        if (path.size() < PATH_MAX && QFile::encodeName(path).size() < PATH_MAX)
            list.append(entry);
    }
    return list;
}
