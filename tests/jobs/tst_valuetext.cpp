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
