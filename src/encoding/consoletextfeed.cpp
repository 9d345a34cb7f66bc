#include "encoding/consoletextfeed.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

ConsoleTextFeed::ConsoleTextFeed(QTextEdit *view, QObject *parent)
    : QObject(parent), m_view(view)
{
    // The document trims its oldest lines itself; an undo history would keep them anyway.
    m_view->document()->setUndoRedoEnabled(false);
    m_view->document()->setMaximumBlockCount(MaxLines);
    m_timer.setSingleShot(true);
    m_timer.setInterval(FlushIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ConsoleTextFeed::flush);
}

void ConsoleTextFeed::append(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (lines.endsWith(QLatin1Char('\n')))
        lines.chop(1);
    if (lines.isEmpty())
        return;
    m_pending += lines.split(QLatin1Char('\n'));
    // While nothing is shown the waiting lines obey the same bound as the view.
    if (m_pending.size() > MaxLines)
        m_pending.erase(m_pending.begin(), m_pending.end() - MaxLines);
    if (!m_timer.isActive())
        m_timer.start();
}

void ConsoleTextFeed::flush()
{
    m_timer.stop();
    if (m_pending.isEmpty())
        return;
    QScrollBar *bar = m_view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();

    QTextCursor cursor(m_view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!m_view->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(m_pending.join(QLatin1Char('\n')));
    cursor.endEditBlock();
    m_pending.clear();

    // Follows the output like a terminal, unless the user scrolled back to read.
    if (atEnd)
        bar->setValue(bar->maximum());
}
