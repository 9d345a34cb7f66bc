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
    connect(&m_timer, &QTimer::timeout, this, &ConsoleTextFeed::flushShare);
}

void ConsoleTextFeed::append(const QString &text)
{
    QStringView lines(text);
    while (!lines.isEmpty() && (lines.endsWith(QLatin1Char('\n')) || lines.endsWith(QLatin1Char('\r'))))
        lines.chop(1);
    if (lines.isEmpty())
        return;
    // Only the newest characters can stay: a flood is not even split beyond them.
    if (lines.size() > ConsoleBounds::MaxChars)
        lines = lines.right(ConsoleBounds::MaxChars);
    // Lines end with "\n", "\r" or "\r\n"; each end is looked for once, so a flood without
    // one of them is not searched again for every line.
    qsizetype nextFeed = -2;
    qsizetype nextReturn = -2;
    const auto nextOf = [&lines](QChar end, qsizetype &cached, qsizetype from) {
        if (cached != -1 && cached < from)
            cached = lines.indexOf(end, from);
        return cached < 0 ? lines.size() : cached;
    };
    for (qsizetype begin = 0; begin <= lines.size();) {
        const qsizetype feed = nextOf(QLatin1Char('\n'), nextFeed, begin);
        const qsizetype carriage = nextOf(QLatin1Char('\r'), nextReturn, begin);
        qsizetype end = std::min(feed, carriage);
        addLine(lines.mid(begin, end - begin));
        if (end == carriage && end + 1 == feed)
            ++end;
        begin = end + 1;
    }
    dropOldest();
    if (!m_timer.isActive())
        m_timer.start();
}

void ConsoleTextFeed::addLine(QStringView line)
{
    m_pending.append(ConsoleBounds::cutLine(line));
    m_pendingChars += m_pending.constLast().size() + 1;
}

void ConsoleTextFeed::dropOldest()
{
    // While nothing is shown the waiting lines obey the same bounds as the view.
    while (m_pending.size() > MaxLines || (m_pendingChars > ConsoleBounds::MaxChars && m_pending.size() > 1)) {
        m_pendingChars -= m_pending.constFirst().size() + 1;
        m_pending.removeFirst();
    }
}

void ConsoleTextFeed::flush()
{
    m_timer.stop();
    insertOldest(m_pending.size());
}

void ConsoleTextFeed::flushShare()
{
    qsizetype count = 0;
    qsizetype chars = 0;
    while (count < m_pending.size() && (count == 0 || chars + m_pending.at(count).size() <= ConsoleBounds::ShowChars))
        chars += m_pending.at(count++).size() + 1;
    insertOldest(count);
    if (!m_pending.isEmpty())
        m_timer.start();
}

void ConsoleTextFeed::insertOldest(qsizetype count)
{
    if (count == 0)
        return;
    Console::appendPlain(m_view, m_pending.mid(0, count).join(QLatin1Char('\n')));
    for (qsizetype i = 0; i < count; ++i)
        m_pendingChars -= m_pending.at(i).size() + 1;
    m_pending.remove(0, count);
}
