#include "app/enginereadiness.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}
} // namespace

bool EngineReadiness::allReady(const QList<Item> &items)
{
    for (const Item &item : items) {
        if (!item.ready)
            return false;
    }
    return true;
}

QString EngineReadiness::boxLine(const Item &item)
{
    return item.ready ? QStringLiteral(" - %1 is ready<br>").arg(item.name)
                      : QStringLiteral(" - <b>%1</b> is NOT ready<br>").arg(item.name);
}

QString EngineReadiness::informativeText(const QList<Item> &items, const QString &productTitle)
{
    QString lines;
    for (const Item &item : items)
        lines += boxLine(item);
    return tr("You must check encoder engine paths and status.<br><br>Eventually you will have "
              "to re-install %1<br><br>")
               .arg(productTitle, 0, QLatin1Char(' '))
        + lines;
}

QStringList EngineReadiness::logLines(const QList<Item> &items)
{
    QStringList lines;
    for (const Item &item : items) {
        lines << (item.ready ? tr("%1 is ready [version: %2]").arg(item.name, item.version)
                             : tr("%1 is NOT ready [path: %2]").arg(item.name, item.path));
    }
    return lines;
}

QString EngineReadiness::summaryLine(bool ready)
{
    return ready ? tr("Application is ready.")
                 : tr("Application is NOT ready [check your installation].");
}

QString EngineReadiness::rule()
{
    return QString(76, QLatin1Char('-'));
}
