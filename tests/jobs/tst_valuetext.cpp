#include "jobs/valuetext.h"

#include "testregistry.h"

#include <QTest>

#include <limits>

class TestValueText : public QObject
{
    Q_OBJECT

private slots:
    // The first and last code of each table and one past each end: the unknown text.
    void namesFromCodes()
    {
        const struct { QString (*function)(int); int first, last; QString firstText, lastText, unknown; } rows[] = {
            {playerTypeName, 1, 5, "MPlayer", "VLC", "Unkown player"},
            {engineTypeName, 1, 4, "MEncoder", "MKVmerge", "Unkown encoder"},
            {mediaTypeName, 1, 3, "File", "VCD", "Unkown media"},
            {qualityKeyword, 0, 5, "unset", "source copy", "unknown"},
            {qualityLabel, 0, 5, "No profile constraint", "Copy source stream", "Unknown profile"},
            {aspectRatioText, 1, 6, "1:1", "2.35:1", "undefined (%1)"},
            {frameRateText, 1, 8, "23.976", "60", "undefined (%1)"},
        };
        for (const auto &row : rows) {
            QCOMPARE(row.function(row.first), row.firstText);
            QCOMPARE(row.function(row.last), row.lastText);
            for (const int past : {row.first - 1, row.last + 1})
                QCOMPARE(row.function(past), QString(row.unknown).replace("%1", QString::number(past)));
        }
        QCOMPARE(playerTypeName(2), QString("Unkown player")); // a gap in the table
        // Codes outside a value table, or in its gaps, give the default.
        const QList<QPair<double, double>> values{{aspectRatioValue(0), 16.0 / 9}, {aspectRatioValue(7), 7.0 / 3},
            {aspectRatioValue(8), 16.0 / 9}, {frameRateValue(2), 24.0}, {frameRateValue(8), 60.0}, {frameRateValue(9), 24.0}};
        for (const auto &[actual, expected] : values)
            QCOMPARE(actual, expected);
    }

    // Frame rates on a band's bound lie outside it; durations are cut, wrap at 24 h and
    // count back from midnight.
    void measures()
    {
        const QList<QPair<QString, QString>> rows = {
            {durationText(3599.9), "00:59:59"}, {durationText(90000.0), "01:00:00"},
            {durationText(-1.0), "23:59:59"}, {durationText(-0.9), "00:00:00"},
            {durationText(1e12), "01:46:40"},
            {durationText(std::numeric_limits<double>::quiet_NaN()), "00:00:00"},
            {twoDecimalsText(1.339), "1.34"}, {oneDecimalText(-3.0), "-3.0"},
            {secondsText(1.435), "1.44"}, {secondsText(-0.046), "-0.05"}, {secondsText(3.1e10), "31000000000.00"},
            {secondsText(-1e300), "-1e+300"}, {secondsText(3.2345e10), "3.23e+10"},
            {secondsText(std::numeric_limits<double>::infinity()), "inf"},
            {secondsText(std::numeric_limits<double>::quiet_NaN()), "nan"},
            {millisecondsText(1500), "1.5"}, {millisecondsText(22050), "22.050"},
            {millisecondsText(0), "0.0"}, {millisecondsText(-1500), "-1.5"},
            {frameRateNumberText(23.996), "24"}, {frameRateNumberText(24.005), "24.00"},
            {frameRateNumberText(23.98), "23.980"}, {frameRateNumberText(23.971), "23.97"},
            {languageName("und"), "Misc."}, {languageName("sp"), "Spanish"},
            {languageName("fra"), "French"}, {languageName("deu"), "Deu"},
            {languageName("EN"), "EN"}, {languageName(""), ""},
            {languageName(QString::fromUtf8("ésp")), QString::fromUtf8("Ésp")},
        };
        for (const auto &[actual, expected] : rows)
            QCOMPARE(actual, expected);
    }
};

VEXO_TEST_CLASS(TestValueText)
#include "tst_valuetext.moc"
