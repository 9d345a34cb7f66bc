#pragma once

#include <QString>

class QTextEdit;

// Log levels shared by every console of the program: a line of level L reaches a view
// when L is at most the verbosity.
namespace LogLevel {
constexpr int Quiet = 1;
constexpr int Normal = 2;
constexpr int Verbose = 3;
}

// The process-wide log sink of the engine side. It forwards each line to one of the
// advanced monitor's views, filtered by verbosity; without a view it writes to the debug
// output of its logging category (off unless asked for), so that what is logged before the
// window exists can still be seen.
class Console
{
public:
    Console();

    void log(int level, const QString &text);
    void stdErr(int level, const QString &text);
    void stdOut(int level, const QString &text);

    void logNormal(const QString &text);
    void stdErrNormal(const QString &text);
    void stdOutNormal(const QString &text);

    void setVerbosity(int verbosity);
    int verbosity() const { return m_verbosity; }

    // Note the order: input, output, error, log.
    void setSinks(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log);

    // The command-line view is kept for the console's users; the console never writes to it.
    QTextEdit *stdInView() const { return m_stdIn; }
    QTextEdit *stdOutView() const { return m_stdOut; }
    QTextEdit *stdErrView() const { return m_stdErr; }
    QTextEdit *logView() const { return m_log; }

    // Writes one line to a view, or to the console category's debug output with the prefix
    // when there is no view. Shared with the other classes that keep views of their own.
    static void writeLine(QTextEdit *view, int verbosity, int level, const char *prefix,
                          const QString &text);
    // Adds the text as a new paragraph of plain text, following the end like a terminal
    // unless the user scrolled back. QTextEdit::append guesses markup: a file name holding
    // "<b>" would bold the rest of the log, an engine's line could insert anything. The view
    // keeps its bound of characters (ConsoleBounds); writeLine() also cuts the text itself.
    static void appendPlain(QTextEdit *view, const QString &text);

private:
    QTextEdit *m_log = nullptr;
    QTextEdit *m_stdErr = nullptr;
    QTextEdit *m_stdIn = nullptr;
    QTextEdit *m_stdOut = nullptr;
    int m_verbosity = LogLevel::Normal;
};
