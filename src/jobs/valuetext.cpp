#include "jobs/valuetext.h"

#include <QCoreApplication>
#include <QTime>

#include <cmath>
#include <iterator>

namespace {

const char *const kContext = "ValueText";

QString translated(const char *text)
{
    return QCoreApplication::translate(kContext, text);
}

struct CodeName
{
    int code;
    const char *text;
    bool translated;
};

template <std::size_t N>
const CodeName *findCode(const CodeName (&table)[N], int code)
{
    for (const CodeName &row : table) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

// The fallback text is translated in every table that has one.
template <std::size_t N>
QString nameOf(const CodeName (&table)[N], int code, const char *fallback)
{
    const CodeName *row = findCode(table, code);
    if (!row)
        return translated(fallback);
    return row->translated ? translated(row->text) : QString::fromLatin1(row->text);
}

template <std::size_t N>
QString textOrUndefined(const CodeName (&table)[N], int code)
{
    const CodeName *row = findCode(table, code);
    return row ? QString::fromLatin1(row->text)
               : QStringLiteral("undefined (%1)").arg(code);
}

struct CodeValue
{
    int code;
    double value;
};

template <std::size_t N>
double valueOf(const CodeValue (&table)[N], int code, double fallback)
{
    for (const CodeValue &row : table) {
        if (row.code == code)
            return row.value;
    }
    return fallback;
}

} // namespace

QString playerTypeName(int type)
{
    static const CodeName names[] = {
        {1, "MPlayer", false},
        {5, "VLC", false},
    };
    return nameOf(names, type, QT_TRANSLATE_NOOP("ValueText", "Unkown player"));
}

QString engineTypeName(int type)
{
    static const CodeName names[] = {
        {1, "MEncoder", false},
        {2, "FFmpeg", false},
        {3, "x264", false},
        {4, "MKVmerge", false},
    };
    return nameOf(names, type, QT_TRANSLATE_NOOP("ValueText", "Unkown encoder"));
}

QString mediaTypeName(int kind)
{
    static const CodeName names[] = {
        {1, QT_TRANSLATE_NOOP("ValueText", "File"), true},
        {2, "DVD", false},
        {3, "VCD", false},
    };
    return nameOf(names, kind, QT_TRANSLATE_NOOP("ValueText", "Unkown media"));
}

QString qualityKeyword(int level)
{
    static const CodeName names[] = {
        {0, QT_TRANSLATE_NOOP("ValueText", "unset"), true},
        {1, QT_TRANSLATE_NOOP("ValueText", "low"), true},
        {2, QT_TRANSLATE_NOOP("ValueText", "medium"), true},
        {3, QT_TRANSLATE_NOOP("ValueText", "high"), true},
        {4, QT_TRANSLATE_NOOP("ValueText", "user"), true},
        {5, QT_TRANSLATE_NOOP("ValueText", "source copy"), true},
    };
    return nameOf(names, level, QT_TRANSLATE_NOOP("ValueText", "unknown"));
}

QString qualityLabel(int level)
{
    static const CodeName names[] = {
        {0, QT_TRANSLATE_NOOP("ValueText", "No profile constraint"), true},
        {1, QT_TRANSLATE_NOOP("ValueText", "Lower quality (smaller file)"), true},
        {2, QT_TRANSLATE_NOOP("ValueText", "Fair quality"), true},
        {3, QT_TRANSLATE_NOOP("ValueText", "Higher quality (larger file)"), true},
        {4, QT_TRANSLATE_NOOP("ValueText", "User settings"), true},
        {5, QT_TRANSLATE_NOOP("ValueText", "Copy source stream"), true},
    };
    return nameOf(names, level, QT_TRANSLATE_NOOP("ValueText", "Unknown profile"));
}

QString aspectRatioText(int code)
{
    static const CodeName texts[] = {
        {1, "1:1", false},    {2, "4:3", false},    {3, "16:9", false},
        {4, "2.21:1", false}, {5, "1.85:1", false}, {6, "2.35:1", false},
    };
    return textOrUndefined(texts, code);
}

QString frameRateText(int code)
{
    static const CodeName texts[] = {
        {1, "23.976", false}, {2, "24", false}, {3, "25", false},    {4, "29.97", false},
        {5, "30", false},     {6, "50", false}, {7, "59.94", false}, {8, "60", false},
    };
    return textOrUndefined(texts, code);
}

double aspectRatioValue(int code)
{
    static const CodeValue values[] = {
        {1, 1.0}, {2, 4.0 / 3.0}, {4, 2.21}, {5, 1.85}, {6, 2.35}, {7, 7.0 / 3.0},
    };
    return valueOf(values, code, 16.0 / 9.0);
}

double frameRateValue(int code)
{
    static const CodeValue values[] = {
        {1, 23.976}, {3, 25.0}, {4, 29.97}, {5, 30.0}, {6, 50.0}, {7, 59.94}, {8, 60.0},
    };
    return valueOf(values, code, 24.0);
}

QString durationText(double seconds)
{
    constexpr double secondsPerDay = 24 * 60 * 60;
    // Wrapped in floating point first: a huge or non-finite count has no int value.
    double whole = std::isfinite(seconds) ? std::fmod(std::trunc(seconds), secondsPerDay) : 0.0;
    if (whole < 0)
        whole += secondsPerDay;
    return QTime(0, 0).addSecs(static_cast<int>(whole)).toString(QStringLiteral("hh:mm:ss"));
}

QString twoDecimalsText(double value)
{
    return QString::number(value, 'f', 2);
}

QString secondsText(double seconds)
{
    constexpr double Millennium = 1000.0 * 365.25 * 24 * 60 * 60;
    if (std::isfinite(seconds) && std::abs(seconds) < Millennium)
        return QString::number(seconds, 'f', 2);
    return QString::number(seconds, 'g', 3);
}

QString oneDecimalText(double value)
{
    return QString::asprintf("%.1f", value);
}

QString millisecondsText(int milliseconds)
{
    const int decimals = milliseconds % 100 == 0 ? 1 : 3;
    return QString::number(milliseconds / 1000.0, 'f', decimals);
}

QString frameRateNumberText(double framesPerSecond)
{
    // Open bands: a rate on a bound itself gets the 2 decimals of the fallback.
    struct Band
    {
        double low;
        double high;
        int decimals;
    };
    static const Band bands[] = {
        {23.995, 24.005, 0}, {24.995, 25.005, 0}, {29.995, 30.005, 0},
        {49.995, 50.005, 0}, {59.995, 60.005, 0}, {23.971, 23.981, 3},
    };
    for (const Band &band : bands) {
        if (framesPerSecond > band.low && framesPerSecond < band.high)
            return QString::number(framesPerSecond, 'f', band.decimals);
    }
    return QString::number(framesPerSecond, 'f', 2);
}

QString languageName(const QString &code)
{
    struct Language
    {
        const char *code;
        const char *name;
    };
    static const Language languages[] = {
        {"und", "Misc."},   {"mis", "Misc."},   {"ar", "Arabic"},    {"en", "English"},
        {"eng", "English"}, {"de", "German"},   {"es", "Spanish"},   {"sp", "Spanish"},
        {"spa", "Spanish"}, {"fr", "French"},   {"fre", "French"},   {"fra", "French"},
        {"jp", "Japanese"}, {"jpn", "Japanese"}, {"nl", "Dutch"},
    };
    for (const Language &language : languages) {
        if (code == QLatin1String(language.code))
            return QString::fromLatin1(language.name);
    }
    if (code.isEmpty())
        return code;
    return code.left(1).toUpper() + code.mid(1);
}
