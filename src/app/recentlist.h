#pragma once

#include <QString>
#include <QStringList>

// The recently opened inputs behind the File menu's recent entries. Each entry is one text:
// the input path, ";" and the input kind (1 media file, 2 DVD folder), newest first.
namespace RecentList {

constexpr int MaximumEntries = 5;
constexpr int FileKind = 1;
constexpr int DvdKind = 2;

struct Entry
{
    QString path;
    int kind = 0;
};

QString entry(const QString &path, int kind);
// Splits at the last ";": a path may itself hold ";" (Linux file names can). An entry
// without ";" is all path, of kind 0.
Entry parse(const QString &entry);
// Puts the entry in front, once, and drops what lies beyond MaximumEntries.
void add(QStringList &list, const QString &entry);
// A file entry shows its file name, any other its whole path; "&" is doubled so that the
// menu shows it instead of taking it for a shortcut marker.
QString menuText(const QString &entry);
// The list as the settings file holds it, as the program keeps it: the first MaximumEntries
// entries that name a path. A path longer than the system allows (PATH_MAX bytes, its end
// included, as the file system spells it) is no path: a hand-edited or damaged file's
// megabytes would otherwise be laid out in the File menu at every start.
QStringList kept(const QStringList &stored);

}
