#include "app/enginereadiness.h"

#include "engines/interfacestatus.h"

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

bool EngineReadiness::untold(const QList<Item> &items, QSet<QString> &told)
{
    QSet<QString> notReady;
    for (const Item &item : items) {
        const QString prefix = item.name + QLatin1Char('\n');
        if (item.ready)
            told.removeIf([&prefix](const QString &key) { return key.startsWith(prefix); });
        else
            notReady << prefix + item.path + QLatin1Char('\n') + QString::number(int(item.lack));
    }
    if (told.contains(notReady))
        return false;
    told.unite(notReady);
    return true;
}

QString EngineReadiness::notReadyNames(const QList<Item> &items)
{
    QStringList names;
    for (const Item &item : items) {
        if (!item.ready)
            names << item.name;
    }
    return names.join(QStringLiteral(", "));
}

EngineReadiness::Lack EngineReadiness::lackOf(const InterfaceStatus *status)
{
    if (!status || status->state == InterfaceStatus::Ready)
        return Lack::Unknown;
    if (status->late)
        return Lack::NoAnswerInTime;
    return status->state == InterfaceStatus::Reset ? Lack::NotInstalled : Lack::Unknown;
}

namespace {
// The words that tell why an item is not ready; empty where nothing tells.
QString lackText(EngineReadiness::Lack lack)
{
    switch (lack) {
    case EngineReadiness::Lack::NotInstalled:
        return tr("not installed");
    case EngineReadiness::Lack::NoAnswerInTime:
        return tr("did not answer in time");
    default:
        return QString();
    }
}
} // namespace

QString EngineReadiness::boxLine(const Item &item)
{
    if (item.ready)
        return QStringLiteral(" - %1 is ready<br>").arg(item.name);
    const QString lack = lackText(item.lack);
    return lack.isEmpty() ? QStringLiteral(" - <b>%1</b> is NOT ready<br>").arg(item.name)
                          : QStringLiteral(" - <b>%1</b> is NOT ready (%2)<br>").arg(item.name, lack);
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
        const QString lack = lackText(item.lack);
        if (item.ready)
            lines << tr("%1 is ready [version: %2]").arg(item.name, item.version);
        else if (lack.isEmpty())
            lines << tr("%1 is NOT ready [path: %2]").arg(item.name, item.path);
        else
            lines << tr("%1 is NOT ready [path: %2]: %3.").arg(item.name, item.path, lack);
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
