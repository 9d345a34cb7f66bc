#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

// Shows the figures of a progress view at a display rate, whatever the rate at which they
// change. MEncoder prints a status line per frame, hundreds a second, and its speed changes
// on every one: a label that takes each new text lays out and repaints its window each
// time. The changes made after a quiet spell are shown at once (all of them until the window
// gets back to its event loop); the ones that follow within the interval wait, and only the
// latest value of each widget is shown when it ends. The
// views compute every figure from every line as before; only the showing is paced, so what
// they show in the end is exactly what showing every line would have shown.
class DisplayPacer : public QObject
{
    Q_OBJECT

public:
    // A few times a second.
    static constexpr int IntervalMs = 250;

    explicit DisplayPacer(QObject *parent);

    void setText(QLabel *label, const QString &text);
    // A label's text made only when it is shown: a figure that changes on every status line
    // is formatted a few times a second, not once a line, and shows the same in the end.
    // The maker is kept until then, so it must hold its figures, not refer to them.
    using TextMaker = std::function<QString()>;
    void setFigure(QLabel *label, const TextMaker &make);
    void setValue(QProgressBar *bar, int value);
    // Shows what waits now: a task's end or a state change is shown at once.
    void flush();
    bool isWaiting() const { return !m_texts.isEmpty() || !m_values.isEmpty(); }

private:
    // True when the change may be shown at once; otherwise it is kept for the interval's end.
    bool showNow();
    void intervalEnded();

    struct PendingText
    {
        QPointer<QLabel> label;
        QString text;
        TextMaker make; // when set, it makes the text
    };
    PendingText *pendingText(QLabel *label);
    struct PendingValue
    {
        QPointer<QProgressBar> bar;
        int value;
    };
    QList<PendingText> m_texts;
    QList<PendingValue> m_values;
    QTimer m_timer;
    // Changes are shown at once until the event loop runs again.
    bool m_open = false;
};
