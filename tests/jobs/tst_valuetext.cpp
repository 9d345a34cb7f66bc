#include "jobs/valuetext.h"

#include "testregistry.h"

#include <QTest>

#include <limits>

class TestValueText : public QObject
{
    Q_OBJECT

private slots:
    // Each row lists the texts of the codes from `first` on, one past each end included.
    void namesFromCodes()
    {
        const struct { QString (*function)(int); int first; QStringList texts; } rows[] = {
            {playerTypeName, 0, {"Unkown player", "MPlayer", "Unkown player", "Unkown player",
                                 "Unkown player", "VLC", "Unkown player"}},
            {engineTypeName, 0, {"Unkown encoder", "MEncoder", "FFmpeg", "x264", "MKVmerge",
                                 "Unkown encoder"}},
            {mediaTypeName, 0, {"Unkown media", "File", "DVD", "VCD", "Unkown media"}},
            {qualityKeyword, -1, {"unknown", "unset", "low", "medium", "high", "user",
                                  "source copy", "unknown"}},
            {qualityLabel, -1, {"Unknown profile", "No profile constraint",
                                "Lower quality (smaller file)", "Fair quality",
                                "Higher quality (larger file)", "User settings",
                                "Copy source stream", "Unknown profile"}},
            {aspectRatioText, -1, {"undefined (-1)", "undefined (0)", "1:1", "4:3", "16:9",
                                   "2.21:1", "1.85:1", "2.35:1", "undefined (7)"}},
            {frameRateText, 0, {"undefined (0)", "23.976", "24", "25", "29.97", "30", "50",
                                "59.94", "60", "undefined (9)"}},
        };
        for (const auto &row : rows) {
            for (int i = 0; i < row.texts.size(); ++i)
                QCOMPARE(row.function(row.first + i), row.texts[i]);
        }
    }

    void numbersFromCodes()
    {
        const double wide = 16.0 / 9;
        const QList<double> aspects{wide, 1.0, 4.0 / 3, wide, 2.21, 1.85, 2.35, 7.0 / 3, wide};
        const QList<double> rates{24.0, 23.976, 24.0, 25.0, 29.97, 30.0, 50.0, 59.94, 60.0, 24.0};
        for (int code = 0; code < aspects.size(); ++code)
            QCOMPARE(aspectRatioValue(code), aspects[code]);
        for (int code = 0; code < rates.size(); ++code)
            QCOMPARE(frameRateValue(code), rates[code]);
    }

    void measures()
    {
        const QList<QPair<QString, QString>> rows = {
            {durationText(3599.9), "00:59:59"},    // fraction cut
            {durationText(5423.48), "01:30:23"},
            {durationText(90000.0), "01:00:00"},   // wraps at 24 h
            {durationText(-1.0), "23:59:59"},      // back from midnight
            {durationText(-0.9), "00:00:00"},      // cut towards zero
            {durationText(1e12), "01:46:40"},      // beyond the int range
            {durationText(std::numeric_limits<double>::quiet_NaN()), "00:00:00"},
            {twoDecimalsText(1.339), "1.34"},      {twoDecimalsText(1777.7778), "1777.78"},
            {oneDecimalText(2.36), "2.4"},         {oneDecimalText(-3.0), "-3.0"},
            {millisecondsText(1500), "1.5"},       {millisecondsText(1234), "1.234"},
            {millisecondsText(22050), "22.050"},   {millisecondsText(0), "0.0"},
            {millisecondsText(5), "0.005"},        {millisecondsText(-1500), "-1.5"},
        };
        for (const auto &[actual, expected] : rows)
            QCOMPARE(actual, expected);
    }

    // Rates on a band's bound lie outside it.
    void frameRateNumberText()
    {
        const QList<QPair<double, QString>> rows = {
            {24.0, "24"},       {23.996, "24"},    {24.005, "24.00"}, {23.995, "24.00"},
            {25.004, "25"},     {30.0, "30"},      {50.0, "50"},      {60.0, "60"},
            {60.005, "60.01"},  {23.976, "23.976"}, {23.98, "23.980"}, {23.971, "23.97"},
            {23.981, "23.98"},  {29.97, "29.97"},
        };
        for (const auto &[rate, expected] : rows)
            QCOMPARE(::frameRateNumberText(rate), expected);
    }

    void languageName()
    {
        const char *const rows[][2] = {
            {"und", "Misc."},   {"mis", "Misc."},  {"ar", "Arabic"},    {"en", "English"},
            {"eng", "English"}, {"de", "German"},  {"es", "Spanish"},   {"sp", "Spanish"},
            {"spa", "Spanish"}, {"fr", "French"},  {"fre", "French"},   {"fra", "French"},
            {"jp", "Japanese"}, {"jpn", "Japanese"}, {"nl", "Dutch"},   {"ita", "Ita"},
            {"EN", "EN"},       {"deu", "Deu"},    {"", ""},            {"ésp", "Ésp"},
        };
        for (const auto &[code, expected] : rows)
            QCOMPARE(::languageName(QString::fromUtf8(code)), QString::fromUtf8(expected));
    }
};

VEXO_TEST_CLASS(TestValueText)
#include "tst_valuetext.moc"
