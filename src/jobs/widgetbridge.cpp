#include "jobs/widgetbridge.h"

WidgetBridge *WidgetBridge::instance()
{
    // Without a parent and never deleted: widgets may still talk through it while the
    // application object is torn down.
    static WidgetBridge *const bridge = new WidgetBridge;
    return bridge;
}

void WidgetBridge::broadcast(const QString &message, bool data)
{
    emit sendMessage(message, data);
}

void WidgetBridge::broadcast(const QString &message, int data)
{
    emit sendMessage(message, data);
}
