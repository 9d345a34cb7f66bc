#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The texts of the engine readiness check: which engines and utilities answered their
// status query, as the box and the log lines tell the user.
namespace EngineReadiness {

struct Item
{
    QString name;
    bool ready;
    QString version; // shown for a ready item
    QString path;    // shown for an item that is not ready
};

bool allReady(const QList<Item> &items);
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
