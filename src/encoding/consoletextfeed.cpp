#include "encoding/consoletextfeed.h"

#include "jobs/console.h"

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
    Console::appendPlain(m_view, m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
}
