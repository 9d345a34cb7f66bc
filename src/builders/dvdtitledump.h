#pragma once

#include <QString>
#include <QStringList>

struct EncodingSource;

// MPlayer's dump of a DVD title's stream into a file: the title's packets as the disc holds
// them (every picture, every audio and subtitle stream, their own times), which FFmpeg then
// reads as an MPEG program stream. A copy through MEncoder's muxer loses pictures and sound.
// Builds the player's command, shortens it for a trial, and reads what the player prints.
class DvdTitleDump
{
public:
    // The player's arguments that copy the source's title (and angle) into `output`; a
    // chapter above 0 copies that chapter alone.
    static QStringList arguments(const EncodingSource &source, const QString &output, int chapter);
    // The arguments of a trial that copies the title's first `seconds`. The player's
    // "-endpos" counts from the title's start, so the trial starts there too.
    static QStringList trialArguments(QStringList arguments, int seconds);

    // The player's status line, "dump: 19992576 bytes written (~20.7%)" ended by a carriage
    // return about once a second (without the percent where the stream's end is unknown):
    // the percent and the size in kilobytes. Whatever else the text holds goes to `rest`.
    static bool parseProgress(const QString &text, QString &rest, int &percent, int &size);
    // Whether the player wrote anything: a status line or its closing line,
    // "dump: 1644544 bytes written to 'OUT'.", with more than 0 bytes.
    static bool parseCommandCheck(const QString &stdOut);
    // The closing line's pattern: the player prints it once the copy is closed.
    static constexpr char ClosingLinePattern[] = "(?:^|\\r)dump: \\d+ bytes written to ";
};
