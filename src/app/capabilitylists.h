#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QDialog;
class QDialogButtonBox;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QWidget;

// The lists that both capability dialogs build: one item " - <name>" per capability,
// sorted, in a titled group box.
namespace CapabilityLists {

// The main list of a category: each name with its description as tool tip. The created
// items are appended to `items`.
QGroupBox *mainGroup(const QString &title, const QMap<QString, QString> &map,
                     QList<QListWidgetItem *> &items, QWidget *parent);

// One library's names; at most (min(20 - mainCount, names) + 2) lines of 1.2 line heights.
QGroupBox *libraryGroup(const QString &library, const QStringList &names, int mainCount, QWidget *parent);

// The list of a group box made above.
QListWidget *listOf(QGroupBox *group);

// Lays the dialog out as the tabs above a centred OK button that closes it; returns the
// button box.
QDialogButtonBox *layOutTabs(QDialog *dialog, QWidget *tabs);

} // namespace CapabilityLists
