#include "jobs/widgetbridge.h"

#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

class TestWidgetBridge : public QObject
{
    Q_OBJECT

private slots:
    // broadcast picks the signal form of its value; receivers of the other form hear nothing.
    void broadcastByType()
    {
        WidgetBridge *bridge = WidgetBridge::instance();
        QCOMPARE(WidgetBridge::instance(), bridge);
        QSignalSpy boolSpy(bridge, qOverload<const QString &, bool>(&WidgetBridge::sendMessage));
        QSignalSpy intSpy(bridge, qOverload<const QString &, int>(&WidgetBridge::sendMessage));
        bridge->broadcast(QStringLiteral("changeTestMode"), true);
        bridge->broadcast(QStringLiteral("changeVolume"), -7);
        QCOMPARE(QList<QVariantList>(boolSpy), (QList<QVariantList>{{"changeTestMode", true}}));
        QCOMPARE(QList<QVariantList>(intSpy), (QList<QVariantList>{{"changeVolume", -7}}));
    }
};

VEXO_TEST_CLASS(TestWidgetBridge)
#include "tst_widgetbridge.moc"
