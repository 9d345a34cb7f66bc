#pragma once

#include "jobs/consolebounds.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class QTextEdit;

// Feeds engine text into one console view the way a terminal keeps it: only the newest
// lines are kept (a two-hour encode prints hundreds of thousands of them), within a bound of
// characters (a line is cut where nobody reads on, see ConsoleBounds), and the lines that
// arrive between two repaints are inserted together, at most ConsoleBounds::ShowChars at a
// time (the rest at the next repaint), so that a fast engine neither grows memory without
// bound nor keeps the window busy. The text goes in as plain text.
class ConsoleTextFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxLines = 5000;
    // A few times a second, whatever the engine's line rate.
    static constexpr int FlushIntervalMs = 250;

    ConsoleTextFeed(QTextEdit *view, QObject *parent);

    // Appends the text as a new paragraph; "\r\n" and "\r" end lines as "\n" does, and the
    // final line end is dropped. An empty text is ignored.
    void append(const QString &text);
    // Inserts all that waits now (the timer does it otherwise, a share at a time).
    void flush();
    int pendingLines() const { return m_pending.size(); }
    qsizetype pendingChars() const { return m_pendingChars; }

private:
    void addLine(QStringView line);
    void dropOldest();
    // The timer's share: the oldest waiting lines, up to ConsoleBounds::ShowChars.
    void flushShare();
    void insertOldest(qsizetype count);

    QTextEdit *m_view;
    QStringList m_pending;
    qsizetype m_pendingChars = 0;
    QTimer m_timer;
};
