#pragma once

#include <QList>
#include <QString>

// Engine messages that say nothing to the user and come by the thousand (libavformat's MPEG
// muxer reports "buffer underflow" for every packet its buffer model waited for: 1,500 to
// 3,000 lines in one MEncoder job): each kind is shown the first time, then only counted,
// and the count is told once at the end.
class MutedLines
{
public:
    // The text without the repeats of a muted message. Only complete lines are judged: a
    // short unfinished last line waits for its end (an engine writes a message's prefix and
    // its text apart) unless `final`; a longer one cannot be a muted message and passes.
    QString filter(const QString &text, bool final);
    // One line per muted kind that came more than once, telling how many were not shown;
    // empty when none was left out.
    QString summary() const;

    // The longest unfinished line held back for its end.
    static constexpr int HeldBackChars = 256;

private:
    // Counts the line when it is a muted message; true when it is one seen before.
    bool repeated(QStringView line);

    QString m_tail;
    QList<int> m_counts;
};
