#pragma once

#include <QPoint>
#include <QRect>
#include <QSettings>
#include <QSize>
#include <QString>
#include <QStringList>

struct Preferences;

// The main window's values in the settings store, and the bounds every value read back is
// kept within. A hand-edited or damaged file must not reach the program unchecked (a poll
// interval of 0 would make the player poll in a busy loop), so each number read is clamped
// to the range the preferences dialog allows, and a value that is not a number keeps its
// default.
namespace ShellSettings {

// Verbosity bounds (1 Quiet .. 3 Verbose).
constexpr int MinimumVerbosity = 1;
constexpr int MaximumVerbosity = 3;
// The encoder panel's audio correction range in dB.
constexpr int VolumeLimit = 48;

// Reads group "Preferences": keys present replace the record's values, within bounds.
void readPreferences(QSettings &settings, Preferences &preferences);
// Writes group "Preferences", every key in table order.
void writePreferences(QSettings &settings, const Preferences &preferences);

// An int read from the store, kept within [minimum, maximum]; fallback when the stored
// value is not a number (for a double: not a finite number).
int boundedInt(const QVariant &value, int fallback, int minimum, int maximum);
double boundedDouble(const QVariant &value, double fallback, double minimum, double maximum);
bool boolValue(const QVariant &value, bool fallback);

// The longest output base name in bytes as the file system spells it: a file name may hold
// 255, and the program adds an extension and suffixes such as " (step 0)" or " (2)".
constexpr int MaximumOutputNameBytes = 200;

// The output base name as the preferences dialog cleans it: no "\/?*|", white space
// simplified, cut to MaximumOutputNameBytes at a character's end, "output" when nothing is
// left.
QString cleanOutputName(const QString &name);

// Whether the settings file reads back whole: every key written in it is a key the store
// reads. One unterminated quote makes the store take the rest of the file as one value, and
// the next save would write defaults over every key after it. A missing file reads whole.
bool readsBackWhole(const QString &fileName);
// Copies the file to a free name beside it ("….damaged", then "….damaged.1" and on);
// returns the copy's path, empty when no copy could be made.
QString keepCopy(const QString &fileName);
// Once a damaged file is copied aside: rewrites it with its lines before the damaged place,
// the first line the store would not have written (not UTF-8 text, a control character, a
// quote in a key or left open, a backslash at its end, a group name left open or holding
// what the store escapes), so that junk after it is neither read as keys nor saved again:
// what is left reads back whole. False when the file could not be rewritten.
bool cutAtDamage(const QString &fileName);

// The folder where the default store of a scope keeps its files, as QSettings::setPath left
// it.
QString storeFolder(QSettings::Scope scope);
// The files a default store of these names reads: its own file (the one it writes), then
// the organisation's, in the user's scope and then in the system's.
QStringList storeFiles(const QString &organization, const QString &application);
// The first of the files that is there but is neither a regular file nor a link to one:
// opening a named pipe waits for a writer for ever, and a save replaces whatever a link
// names (a device too) with a file of settings. A link that names nothing counts too. A
// folder does not (see unreadableFile). Empty when every file is regular or absent. Nothing
// is opened to tell.
QString irregularFile(const QStringList &files);

// The first of the files that is there but cannot be read: a folder, or a file its user may
// not read. The store reads nothing of it and cannot save into it. Empty when every file can
// be read or is absent.
QString unreadableFile(const QStringList &files);
// Whether the file is shared: a link names it, or it has other hard links. The store's save
// writes a new file in its place, which the other names would not see.
bool isShared(const QString &fileName);
// Writes the file's new text: in place when it is shared, so that every name sees it; else
// by replacing it whole, so that a crash leaves the old text or the new, never half of one.
bool writeThrough(const QString &fileName, const QByteArray &text);

// A stored window place is used only when the window's top-left area lies on a screen;
// the size is kept within the screen's available area. Returns false when the position
// must be ignored.
bool placeOnScreen(const QPoint &position, const QRect &available);
QSize fitToScreen(const QSize &size, const QRect &available);
}
