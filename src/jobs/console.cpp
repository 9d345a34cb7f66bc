#include "jobs/console.h"

#include "jobs/consolebounds.h"
#include "jobs/jobslogging.h"

#include <QDebug>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

Console::Console() = default;

void Console::writeLine(QTextEdit *view, int verbosity, int level, const char *prefix,
                        const QString &text)
{
    if (!view) {
        qCDebug(lcConsole).noquote() << prefix << text;
        return;
    }
    if (level <= verbosity)
        appendPlain(view, ConsoleBounds::bounded(text));
}

void Console::appendPlain(QTextEdit *view, const QString &text)
{
    QScrollBar *bar = view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!view->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    ConsoleBounds::trim(view->document());
    if (atEnd)
        bar->setValue(bar->maximum());
}

void Console::log(int level, const QString &text)
{
    writeLine(m_log, m_verbosity, level, "Console Log:", text);
}

void Console::stdErr(int level, const QString &text)
{
    writeLine(m_stdErr, m_verbosity, level, "Console stdErr:", text);
}

void Console::stdOut(int level, const QString &text)
{
    writeLine(m_stdOut, m_verbosity, level, "Console stdOut:", text);
}

void Console::logNormal(const QString &text) { log(LogLevel::Normal, text); }
void Console::stdErrNormal(const QString &text) { stdErr(LogLevel::Normal, text); }
void Console::stdOutNormal(const QString &text) { stdOut(LogLevel::Normal, text); }

void Console::setVerbosity(int verbosity)
{
    m_verbosity = verbosity;
}

void Console::setSinks(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log)
{
    m_stdIn = stdIn;
    m_stdOut = stdOut;
    m_stdErr = stdErr;
    m_log = log;
}
