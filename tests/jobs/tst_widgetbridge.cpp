#include "jobs/encoderpreferences.h"
#include "jobs/widgetbridge.h"

#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

class TestWidgetBridge : public QObject
{
    Q_OBJECT

private slots:
    void singleInstance()
    {
        WidgetBridge *first = WidgetBridge::instance();
        QVERIFY(first);
        QCOMPARE(WidgetBridge::instance(), first);
        QVERIFY(!first->parent());
    }

    // broadcast picks the signal form of its value; receivers of the other form hear
    // nothing.
    void broadcastByType()
    {
        WidgetBridge *bridge = WidgetBridge::instance();
        QSignalSpy boolSpy(bridge, qOverload<const QString &, bool>(&WidgetBridge::sendMessage));
        QSignalSpy intSpy(bridge, qOverload<const QString &, int>(&WidgetBridge::sendMessage));

        bridge->broadcast(QStringLiteral("changeTestMode"), true);
        QCOMPARE(boolSpy.size(), 1);
        QCOMPARE(intSpy.size(), 0);
        QCOMPARE(boolSpy.at(0).at(0).toString(), QStringLiteral("changeTestMode"));
        QCOMPARE(boolSpy.at(0).at(1).toBool(), true);

        bridge->broadcast(QStringLiteral("changeVolume"), -7);
        QCOMPARE(boolSpy.size(), 1);
        QCOMPARE(intSpy.size(), 1);
        QCOMPARE(intSpy.at(0).at(0).toString(), QStringLiteral("changeVolume"));
        QCOMPARE(intSpy.at(0).at(1).toInt(), -7);
    }

    // A receiver of the pointer form copies the sender's record, as the main window does
    // with "changeEncoderPreferences".
    void pointerMessage()
    {
        EncoderPreferences received;
        QString heard;
        QObject receiver;
        connect(WidgetBridge::instance(),
                qOverload<const QString &, void *>(&WidgetBridge::sendMessage), &receiver,
                [&](const QString &message, void *data) {
                    heard = message;
                    if (message == QLatin1String("changeEncoderPreferences"))
                        received = *static_cast<EncoderPreferences *>(data);
                });
        EncoderPreferences sent;
        sent.outputName = QStringLiteral("movie");
        sent.latencyKill = 42;
        emit WidgetBridge::instance()->sendMessage(QStringLiteral("changeEncoderPreferences"),
                                                   static_cast<void *>(&sent));
        QCOMPARE(heard, QStringLiteral("changeEncoderPreferences"));
        QCOMPARE(received.outputName, QStringLiteral("movie"));
        QCOMPARE(received.latencyKill, 42);
    }
};

VEXO_TEST_CLASS(TestWidgetBridge)
#include "tst_widgetbridge.moc"
