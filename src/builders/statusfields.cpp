#include "builders/statusfields.h"

#include <cmath>
#include <limits>

namespace {
// The largest value of each field that a real encoding can print; anything beyond is an
// engine's garbage (or a hostile file's) and is not shown.
struct FieldLimit
{
    StatusFields::Field field;
    double largest;
};
constexpr FieldLimit FieldLimits[] = {
    {StatusFields::Field::Frame, 1e9},        // 190 days at 60 frames a second
    {StatusFields::Field::Position, 1e7},     // 115 days of source
    {StatusFields::Field::Percent, 100},
    {StatusFields::Field::MinutesLeft, 1e6},  // two years
    {StatusFields::Field::Fps, 1e6},
    {StatusFields::Field::SizeKb, 1e9},       // a terabyte
};

// Powers of ten that a double holds exactly: a mantissa of at most 15 digits divided by one
// of them is rounded once, exactly as the framework's conversion rounds it.
constexpr double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int ExactDigits = 15;
} // namespace

qsizetype StatusFields::skipBlanks(QStringView text, qsizetype from)
{
    while (from < text.size() && isBlank(text[from]))
        ++from;
    return from;
}

qsizetype StatusFields::skipNumber(QStringView text, qsizetype from, bool points, bool colons)
{
    while (from < text.size()) {
        const QChar c = text[from];
        if (!isDigit(c) && !(points && c == QLatin1Char('.')) && !(colons && c == QLatin1Char(':')))
            break;
        ++from;
    }
    return from;
}

namespace {
template<bool Caseless>
char16_t folded(char16_t c)
{
    return Caseless && c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : c;
}

// A plain comparison at each place: the words are a few letters long, so this stays linear,
// and it is several times faster than the framework's general search on status lines.
template<bool Caseless>
qsizetype findWord(const char16_t *chars, const char *letters, qsizetype length, qsizetype from,
                   qsizetype to, bool last)
{
    const char16_t first = folded<Caseless>(uchar(letters[0]));
    const auto matchesAt = [&](qsizetype at) {
        if (folded<Caseless>(chars[at]) != first)
            return false;
        for (qsizetype k = 1; k < length; ++k) {
            if (folded<Caseless>(chars[at + k]) != folded<Caseless>(uchar(letters[k])))
                return false;
        }
        return true;
    };
    if (last) {
        for (qsizetype at = to - length; at >= from; --at) {
            if (matchesAt(at))
                return at;
        }
    } else {
        for (qsizetype at = from; at <= to - length; ++at) {
            if (matchesAt(at))
                return at;
        }
    }
    return -1;
}
} // namespace

qsizetype StatusFields::find(QStringView text, QLatin1String word, qsizetype from, qsizetype to,
                             bool last, bool caseless)
{
    to = std::min(to, text.size());
    from = std::max<qsizetype>(from, 0);
    if (word.isEmpty() || to - from < word.size())
        return -1;
    return caseless ? findWord<true>(text.utf16(), word.data(), word.size(), from, to, last)
                    : findWord<false>(text.utf16(), word.data(), word.size(), from, to, last);
}

bool StatusFields::plausible(Field field, double value)
{
    for (const FieldLimit &limit : FieldLimits) {
        if (limit.field == field)
            return std::isfinite(value) && value >= 0.0 && value <= limit.largest;
    }
    return false;
}

bool StatusFields::readReal(QStringView text, double &value)
{
    // The engines' own form: digits with at most one point.
    qint64 mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    bool wholePart = false; // a digit other than 0 before the point
    for (const QChar c : text) {
        if (isDigit(c)) {
            if (mantissa != 0 || c != QLatin1Char('0'))
                ++digits;
            wholePart = wholePart || (!point && c != QLatin1Char('0'));
            if (digits <= ExactDigits)
                mantissa = mantissa * 10 + (c.unicode() - '0');
            decimals += point ? 1 : 0;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            // Some other form: as the framework reads it.
            bool ok = false;
            value = text.toDouble(&ok);
            return ok;
        }
    }
    if (text.size() == (point ? 1 : 0))
        return false; // "" or "."
    // Short enough to be exact: one rounding, as the framework's conversion rounds.
    if (digits <= ExactDigits && decimals < int(std::size(ExactPowers))) {
        value = double(mantissa) / ExactPowers[decimals];
        return true;
    }
    bool ok = false;
    value = text.toDouble(&ok);
    // A number past the range of a double is too large, not malformed.
    if (!ok)
        value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    return true;
}

void StatusFields::storeInt(QStringView text, Field field, int &target, int scale)
{
    if (text.isEmpty())
        return;
    qint64 value = 0;
    for (const QChar c : text) {
        if (!isDigit(c)) {
            // "12.5" is no whole number: read as 0, as QString::toInt() reads it.
            target = 0;
            return;
        }
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(1) << 40) // far past every limit, and no overflow below
            return;
    }
    if (plausible(field, double(value) * scale))
        target = int(value * scale);
}

void StatusFields::storeReal(QStringView text, Field field, double &target)
{
    if (text.isEmpty())
        return;
    double value = 0.0;
    if (!readReal(text, value))
        value = 0.0;
    if (plausible(field, value))
        target = value;
}

void StatusFields::storeSeconds(QStringView text, double &target)
{
    if (text.isEmpty())
        return;
    double seconds = 0.0;
    qsizetype begin = 0;
    while (true) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'), begin);
        const qsizetype end = colon < 0 ? text.size() : colon;
        double field = 0.0;
        if (!readReal(text.mid(begin, end - begin), field))
            field = 0.0;
        seconds = seconds * 60.0 + field;
        if (colon < 0)
            break;
        begin = colon + 1;
    }
    if (plausible(Field::Position, seconds))
        target = seconds;
}
