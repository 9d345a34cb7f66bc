#include "jobs/consolebounds.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

QString ConsoleBounds::cutNote(qsizetype cut)
{
    return QCoreApplication::translate("ConsoleBounds", " [... %1 more characters cut]").arg(cut);
}

QString ConsoleBounds::cutLine(QStringView line)
{
    if (line.size() <= MaxLineChars)
        return line.toString();
    return line.left(MaxLineChars).toString() + cutNote(line.size() - MaxLineChars);
}

QString ConsoleBounds::bounded(QStringView text)
{
    // Only the newest lines are shown: the older ones are left out before any work is spent
    // on them.
    const qsizetype size = text.size();
    qsizetype begin = 0;
    QString result;
    if (size > ShowChars) {
        const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), size - ShowChars);
        begin = lineEnd < 0 ? size - ShowChars : lineEnd + 1;
        result = QCoreApplication::translate("ConsoleBounds", "[... %1 earlier characters left out]\n")
                     .arg(begin);
    }
    // Runs of lines that fit are copied whole; only a long line is cut. A view shows "\r" as
    // a line end too, so a long stretch between line feeds is looked at again by those.
    qsizetype copied = begin;
    const auto cutLongLines = [&](qsizetype from, qsizetype to, QChar separator) {
        while (from <= to) {
            const qsizetype found = text.mid(from, to - from).indexOf(separator);
            const qsizetype end = found < 0 ? to : from + found;
            if (end - from > MaxLineChars) {
                result += text.mid(copied, from + MaxLineChars - copied);
                result += cutNote(end - from - MaxLineChars);
                copied = end;
            }
            from = end + 1;
        }
    };
    for (qsizetype from = begin; from <= size;) {
        const qsizetype found = text.indexOf(QLatin1Char('\n'), from);
        const qsizetype end = found < 0 ? size : found;
        if (end - from > MaxLineChars)
            cutLongLines(from, end, QLatin1Char('\r'));
        from = end + 1;
    }
    result += text.mid(copied);
    return result;
}

void ConsoleBounds::append(QTextEdit *view, const QString &text)
{
    view->append(bounded(text));
    trim(view->document());
}

void ConsoleBounds::trim(QTextDocument *document)
{
    if (document->characterCount() <= MaxChars)
        return;
    const int remove = document->characterCount() - MaxChars + MaxChars / 8;
    // Whole lines only: up to the start of the line after the one holding the cut.
    const QTextBlock block = document->findBlock(remove);
    const QTextBlock next = block.next();
    const int end = next.isValid() ? next.position() : block.position();
    if (end <= 0)
        return;
    QTextCursor cursor(document);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
