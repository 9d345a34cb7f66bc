#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The process-wide message bus: a panel tells widgets it does not know about a change
// ("changeVolume" int, "changeTestMode" bool, "changeEncoderPreferences" void* to an
// EncoderPreferences). Receivers connect to the signal forms they handle and compare the
// message name themselves, ignoring names they do not handle.
class WidgetBridge : public QObject
{
    Q_OBJECT

public:
    // The single instance, made at the first call; never deleted, so receivers may use
    // it until the program ends.
    static WidgetBridge *instance();

    void broadcast(const QString &message, bool data);
    void broadcast(const QString &message, int data);

signals:
    // Senders may also emit these themselves, e.g. the void* form.
    void sendMessage(const QString &message);
    void sendMessage(const QString &message, bool data);
    void sendMessage(const QString &message, int data);
    void sendMessage(const QString &message, double data);
    void sendMessage(const QString &message, const QString &data);
    void sendMessage(const QString &message, const QStringList &data);
    void sendMessage(const QString &message, void *data);

private:
    WidgetBridge() = default;
};
