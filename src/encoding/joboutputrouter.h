#pragma once

#include <QProcess>
#include <QString>

class ConsoleDialog;
class MutedLines;
class Process;

// Splits a job process's output between progress values and console text for the task's
// console: MEncoder reports progress on its standard output, FFmpeg on its error output;
// the other channel is shown unchanged. Text on the progress channel that is not progress
// is shown too, also when the parser finds no progress at all (an engine's start-up report,
// its error messages), so that a failed task's console tells why it failed.
class JobOutputRouter
{
public:
    // The parser of one chunk of engine output, Encoder::parseProgress's signature.
    using Parser = bool (*)(int engineType, const QString &text, QString &rest, int &frame,
                            double &position, int &percent, int &remaining, double &fps,
                            int &size);

    // Reads all that waits on the channel of the process and feeds its task's console;
    // false when the task has no console (the output then stays in the process). The
    // elapsed minutes go to an extended console (-1.0 when the process has ended).
    static bool readChannel(Process *process, QProcess::ProcessChannel channel,
                            double elapsedMinutes, bool final = false);
    // Reads both channels, standard output first, after the process has ended.
    static bool drain(Process *process);

    // The end of a process, once the job manager has recorded it: both channels drained, the
    // task acknowledged (terminated becomes completed), and an extended console shows the
    // final state and the task's run time. False, doing nothing, without a console.
    static bool finish(Process *process);

    // Feeds one chunk of a channel's text to a console. On the channel without progress the
    // repeats of messages that say nothing to the user are left out (MutedLines); `final`
    // lets out what waits there for its line end.
    static void feed(ConsoleDialog *console, int engineType, QProcess::ProcessChannel channel,
                     const QString &text, double elapsedMinutes, bool final = false);

    // Decodes UTF-8 bytes read from a channel; the bytes of a character cut between two reads
    // wait in `pending` for the rest of it, unless this is the final read.
    static QString decode(QByteArray &pending, const QByteArray &bytes, bool final);

    // Encoder::parseProgress unless a test puts another in its place (null restores it).
    static void setParser(Parser parser);

private:
    // One line of the progress channel (or a run of status updates): progress to the
    // console's figures, the rest to its view; without progress the whole piece is shown.
    static void feedPiece(ConsoleDialog *console, int engineType,
                          QProcess::ProcessChannel channel, const QString &text,
                          double elapsedMinutes);
    static void append(ConsoleDialog *console, QProcess::ProcessChannel channel,
                       const QString &text);
    static QProcess::ProcessChannel progressChannel(int engineType);
    // The muted messages of a console's channel without progress, kept as long as the console.
    static MutedLines &mutedLines(ConsoleDialog *console);
    static Parser s_parser;
};
