#include "encoding/displaypacer.h"

#include "encoding/viewtext.h"

#include <QLabel>
#include <QProgressBar>

DisplayPacer::DisplayPacer(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DisplayPacer::intervalEnded);
}

bool DisplayPacer::showNow()
{
    if (m_open)
        return true;
    if (m_timer.isActive())
        return false;
    // One piece of output brings all its figures at once: they are shown together.
    m_open = true;
    QMetaObject::invokeMethod(this, [this] { m_open = false; }, Qt::QueuedConnection);
    m_timer.start();
    return true;
}

DisplayPacer::PendingText *DisplayPacer::pendingText(QLabel *label)
{
    for (PendingText &pending : m_texts) {
        if (pending.label == label)
            return &pending;
    }
    return nullptr;
}

void DisplayPacer::setText(QLabel *label, const QString &text)
{
    if (PendingText *pending = pendingText(label)) {
        pending->text = text;
        pending->make = nullptr;
        return;
    }
    if (showNow())
        ViewText::setText(label, text);
    else
        m_texts.append({label, text, nullptr});
}

void DisplayPacer::setFigure(QLabel *label, const TextMaker &make)
{
    if (PendingText *pending = pendingText(label)) {
        pending->make = make;
        return;
    }
    if (showNow())
        ViewText::setText(label, make());
    else
        m_texts.append({label, QString(), make});
}

void DisplayPacer::setValue(QProgressBar *bar, int value)
{
    for (PendingValue &pending : m_values) {
        if (pending.bar == bar) {
            pending.value = value;
            return;
        }
    }
    if (showNow()) {
        bar->setValue(value);
        return;
    }
    m_values.append({bar, value});
}

void DisplayPacer::flush()
{
    const QList<PendingText> texts = std::exchange(m_texts, {});
    const QList<PendingValue> values = std::exchange(m_values, {});
    for (const PendingText &pending : texts) {
        if (pending.label)
            ViewText::setText(pending.label, pending.make ? pending.make() : pending.text);
    }
    for (const PendingValue &pending : values) {
        if (pending.bar)
            pending.bar->setValue(pending.value);
    }
}

void DisplayPacer::intervalEnded()
{
    // Something waited: show it, and let the next changes wait a whole interval again.
    if (isWaiting()) {
        flush();
        m_timer.start();
    }
}
