#pragma once

#include <QString>
#include <QStringView>

class QTextDocument;
class QTextEdit;

// What a console view keeps of the text engines print. An engine may print anything: lines
// of megabytes (a progress line that never ends), or output without any line end at all.
// A view keeps a bounded number of characters, the newest, like a terminal's scroll-back,
// and each line only as much as a person can read; the rest of a line is cut with a note of
// how much was cut. A view lays out what it is given at once, so it is also given a bounded
// amount at a time. So neither the memory nor the time a view takes grows with the output.
class ConsoleBounds
{
public:
    // The characters a line keeps before it is cut.
    static constexpr int MaxLineChars = 4096;
    // The characters a view keeps; the oldest lines go first.
    static constexpr int MaxChars = 1 << 19;
    // The characters a view is given at once (tens of milliseconds of layout).
    static constexpr int ShowChars = 1 << 16;

    // The line, cut after MaxLineChars characters with a note of how many were cut.
    static QString cutLine(QStringView line);
    // The note that ends a cut line.
    static QString cutNote(qsizetype cut);
    // The text with every line cut, and without its lines older than the newest ShowChars
    // characters (a note then says how many characters were left out).
    static QString bounded(QStringView text);

    // Appends the bounded text to the view as a new paragraph and trims the view.
    static void append(QTextEdit *view, const QString &text);
    // Removes the oldest lines of the document while it holds more than MaxChars; some room
    // is made at once, so that a document at its bound is not trimmed on every line.
    static void trim(QTextDocument *document);
};
