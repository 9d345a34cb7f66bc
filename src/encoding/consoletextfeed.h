#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class QTextEdit;

// Feeds engine text into one console view the way a terminal keeps it: only the newest
// lines are kept (a two-hour encode prints hundreds of thousands of them), and the lines
// that arrive between two repaints are inserted together, so that a fast engine neither
// grows memory without bound nor keeps the window busy. The text goes in as plain text.
class ConsoleTextFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxLines = 5000;
    static constexpr int FlushIntervalMs = 100;

    ConsoleTextFeed(QTextEdit *view, QObject *parent);

    // Appends the text as a new paragraph; "\r\n" and "\r" end lines as "\n" does, and the
    // final line end is dropped. An empty text is ignored.
    void append(const QString &text);
    // Inserts what waits now (the timer does it otherwise).
    void flush();
    int pendingLines() const { return m_pending.size(); }

private:
    QTextEdit *m_view;
    QStringList m_pending;
    QTimer m_timer;
};
