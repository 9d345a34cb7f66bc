#pragma once

#include <QString>
#include <QStringView>

// Reading the fields of an engine's status line. The engines print one per frame, so the
// progress parsers scan their lines by hand instead of running regular expressions (each
// line in one pass, whatever it holds), and convert numbers without the locale machinery.
// The character classes are those of the engines' ASCII output: digits 0-9, and the
// blanks space, tab, line feed, vertical tab, form feed and carriage return.
//
// A value is stored only when it is plausible: text that is no number is read as 0 (as the
// framework's conversions read it), but a number beyond what any encoding reaches (a size
// of terabytes, a speed of millions of frames a second) is garbage and leaves the value as
// the caller gave it.
class StatusFields
{
public:
    enum class Field { Frame, Position, Percent, MinutesLeft, Fps, SizeKb };

    static bool isBlank(QChar c)
    {
        const char16_t u = c.unicode();
        return u == ' ' || (u >= '\t' && u <= '\r');
    }
    static bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

    // The end of the run of blanks from `from`.
    static qsizetype skipBlanks(QStringView text, qsizetype from);
    // The end of the run from `from` of digits, and of points or colons where allowed.
    static qsizetype skipNumber(QStringView text, qsizetype from, bool points, bool colons = false);
    // The position of `word` in text[from, to) with `word` wholly inside; -1 when missing.
    // `last` finds the last one, `caseless` compares ASCII letters in either case.
    static qsizetype find(QStringView text, QLatin1String word, qsizetype from, qsizetype to,
                          bool last = false, bool caseless = false);

    // Store the number `text` spells into `target` when it is plausible for the field;
    // an empty text stores nothing.
    static void storeInt(QStringView text, Field field, int &target, int scale = 1);
    static void storeReal(QStringView text, Field field, double &target);
    // A time as seconds ("62.5") or hours, minutes and seconds ("00:01:02.50").
    static void storeSeconds(QStringView text, double &target);

    // The number as QString::toDouble() reads it; false when it is no number.
    static bool readReal(QStringView text, double &value);

private:
    static bool plausible(Field field, double value);
};
