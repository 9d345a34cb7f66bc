#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The texts of the engine readiness check: which engines and utilities answered their
// status query, as the box and the log lines tell the user.
struct InterfaceStatus;

namespace EngineReadiness {

// Why an item is not ready, where its status run tells: an engine that did not answer in time
// (asked twice, on a busy machine) is no engine to re-install.
enum class Lack { Unknown, NotInstalled, NoAnswerInTime };

struct Item
{
    QString name;
    bool ready;
    QString version; // shown for a ready item
    QString path;    // shown for an item that is not ready
    Lack lack = Lack::Unknown;
};

// What an engine's last status run says of why it is not ready: it could not be started
// (state Reset, not late), or it did not answer in time; Unknown when it answered something
// else than its banner, or there is no status.
Lack lackOf(const InterfaceStatus *status);

bool allReady(const QList<Item> &items);
// Whether an item is not ready that `told` does not hold yet (by its name, path and lack):
// `told` then takes every item not ready. An item ready now leaves it, to be told again
// should it fail again.
bool untold(const QList<Item> &items, QSet<QString> &told);
// Their names, as "MPlayer, FFprobe".
QString notReadyNames(const QList<Item> &items);
// " - name is ready<br>" or " - <b>name</b> is NOT ready<br>".
QString boxLine(const Item &item);
// The box's informative text: the advice, the product title, then one line per item in
// the order given.
QString informativeText(const QList<Item> &items, const QString &productTitle);
// "%1 is ready [version: %2]" or "%1 is NOT ready [path: %2]", one per item.
QStringList logLines(const QList<Item> &items);
QString summaryLine(bool ready);
QString rule();
}
