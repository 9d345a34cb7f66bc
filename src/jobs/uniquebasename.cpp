#include "jobs/uniquebasename.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Reserved base names by folder, each with the number of jobs that hold it.
QHash<QString, QHash<QString, int>> &reservations()
{
    static QHash<QString, QHash<QString, int>> table;
    return table;
}

QString folderKey(const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

// Every entry of the folder, hidden ones included. Not only plain files: a directory or a
// dangling link under the output's name would make the engine fail, so it is taken too.
QStringList folderEntries(const QString &folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                     | QDir::NoDotAndDotDot,
                                                 QDir::Unsorted);
    // A reserved name stands for the file its job is going to write.
    const QHash<QString, int> reserved = reservations().value(folderKey(folder));
    for (auto it = reserved.cbegin(); it != reserved.cend(); ++it)
        entries << it.key() + QStringLiteral(".reserved");
    return entries;
}

// "<stem>.*": the stem, a dot, then anything.
bool hasStem(const QString &entry, const QString &stem)
{
    return entry.size() > stem.size() && entry.startsWith(stem, Qt::CaseInsensitive)
        && entry.at(stem.size()) == QLatin1Char('.');
}

bool anyHasStem(const QStringList &entries, const QString &stem)
{
    for (const QString &entry : entries) {
        if (hasStem(entry, stem))
            return true;
    }
    return false;
}

// "<baseName> (*).*": the number is the second section from the end when the name is cut
// at every parenthesis, so "my (old) film (2).avi" gives 2; 0 when it is not an int.
int numberOf(const QString &entry, const QString &baseName)
{
    const QString opening = baseName + QStringLiteral(" (");
    if (!entry.startsWith(opening, Qt::CaseInsensitive)
        || entry.indexOf(QStringLiteral(")."), opening.size()) < 0)
        return 0;
    static const QRegularExpression parenthesis(QStringLiteral("[\\(\\)]"));
    const QStringList sections = entry.split(parenthesis);
    bool ok = false;
    const int number = sections.at(sections.size() - 2).toInt(&ok);
    return ok ? number : 0;
}

QString numbered(const QString &baseName, qint64 number)
{
    // One arg() call: a "%2" inside the base name must stay as it is.
    return QStringLiteral("%1 (%2)").arg(baseName, QString::number(number));
}

} // namespace

QString makeUniqueBaseName(const QString &folder, const QString &baseName)
{
    const QStringList entries = folderEntries(folder);
    if (!anyHasStem(entries, baseName))
        return baseName;

    int highest = 0;
    for (const QString &entry : entries)
        highest = qMax(highest, numberOf(entry, baseName));

    // A numbered entry whose name does not read as its number ("film (1).x(y)") can
    // still hold the next name; step past it rather than overwrite it.
    qint64 number = qint64(highest) + 1; // "film (2147483647).avi" must not overflow
    while (anyHasStem(entries, numbered(baseName, number)))
        ++number;
    return numbered(baseName, number);
}

void reserveOutputName(const QString &folder, const QString &baseName)
{
    ++reservations()[folderKey(folder)][baseName.toLower()];
}

void releaseOutputName(const QString &folder, const QString &baseName)
{
    const QString key = folderKey(folder);
    auto byFolder = reservations().find(key);
    if (byFolder == reservations().end())
        return;
    auto name = byFolder->find(baseName.toLower());
    if (name == byFolder->end())
        return;
    if (--name.value() <= 0)
        byFolder->erase(name);
    if (byFolder->isEmpty())
        reservations().erase(byFolder);
}

bool isOutputNameReserved(const QString &folder, const QString &baseName)
{
    return reservations().value(folderKey(folder)).contains(baseName.toLower());
}
