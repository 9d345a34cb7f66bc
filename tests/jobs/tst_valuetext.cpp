#include "jobs/valuetext.h"

#include "testregistry.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
using CodeToText = QString (*)(int);
using CodeToValue = double (*)(int);
} // namespace

Q_DECLARE_METATYPE(CodeToText)
Q_DECLARE_METATYPE(CodeToValue)

class TestValueText : public QObject
{
    Q_OBJECT

private slots:
    void namesFromCodes_data()
    {
        QTest::addColumn<CodeToText>("function");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, CodeToText f, int code, const char *expected) {
            QTest::newRow(name) << f << code << QString::fromUtf8(expected);
        };
        row("player 1", playerTypeName, 1, "MPlayer");
        row("player 5", playerTypeName, 5, "VLC");
        row("player 2", playerTypeName, 2, "Unkown player");
        row("player 0", playerTypeName, 0, "Unkown player");
        row("engine 1", engineTypeName, 1, "MEncoder");
        row("engine 2", engineTypeName, 2, "FFmpeg");
        row("engine 3", engineTypeName, 3, "x264");
        row("engine 4", engineTypeName, 4, "MKVmerge");
        row("engine 0", engineTypeName, 0, "Unkown encoder");
        row("engine 5", engineTypeName, 5, "Unkown encoder");
        row("media 1", mediaTypeName, 1, "File");
        row("media 2", mediaTypeName, 2, "DVD");
        row("media 3", mediaTypeName, 3, "VCD");
        row("media 0", mediaTypeName, 0, "Unkown media");
        row("media 4", mediaTypeName, 4, "Unkown media");
        row("keyword 0", qualityKeyword, 0, "unset");
        row("keyword 1", qualityKeyword, 1, "low");
        row("keyword 2", qualityKeyword, 2, "medium");
        row("keyword 3", qualityKeyword, 3, "high");
        row("keyword 4", qualityKeyword, 4, "user");
        row("keyword 5", qualityKeyword, 5, "source copy");
        row("keyword 6", qualityKeyword, 6, "unknown");
        row("keyword -1", qualityKeyword, -1, "unknown");
        row("label 0", qualityLabel, 0, "No profile constraint");
        row("label 1", qualityLabel, 1, "Lower quality (smaller file)");
        row("label 2", qualityLabel, 2, "Fair quality");
        row("label 3", qualityLabel, 3, "Higher quality (larger file)");
        row("label 4", qualityLabel, 4, "User settings");
        row("label 5", qualityLabel, 5, "Copy source stream");
        row("label 6", qualityLabel, 6, "Unknown profile");
        row("aspect 0", aspectRatioText, 0, "undefined (0)");
        row("aspect 1", aspectRatioText, 1, "1:1");
        row("aspect 2", aspectRatioText, 2, "4:3");
        row("aspect 3", aspectRatioText, 3, "16:9");
        row("aspect 4", aspectRatioText, 4, "2.21:1");
        row("aspect 5", aspectRatioText, 5, "1.85:1");
        row("aspect 6", aspectRatioText, 6, "2.35:1");
        row("aspect 7 has no text", aspectRatioText, 7, "undefined (7)");
        row("aspect -2", aspectRatioText, -2, "undefined (-2)");
        row("rate 0", frameRateText, 0, "undefined (0)");
        row("rate 1", frameRateText, 1, "23.976");
        row("rate 2", frameRateText, 2, "24");
        row("rate 3", frameRateText, 3, "25");
        row("rate 4", frameRateText, 4, "29.97");
        row("rate 5", frameRateText, 5, "30");
        row("rate 6", frameRateText, 6, "50");
        row("rate 7", frameRateText, 7, "59.94");
        row("rate 8", frameRateText, 8, "60");
        row("rate 9", frameRateText, 9, "undefined (9)");
    }

    void namesFromCodes()
    {
        QFETCH(CodeToText, function);
        QFETCH(int, code);
        QFETCH(QString, expected);
        QCOMPARE(function(code), expected);
    }

    void numbersFromCodes_data()
    {
        QTest::addColumn<CodeToValue>("function");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("expected");
        auto row = [](const char *name, CodeToValue f, int code, double expected) {
            QTest::newRow(name) << f << code << expected;
        };
        row("aspect 1", aspectRatioValue, 1, 1.0);
        row("aspect 2", aspectRatioValue, 2, 4.0 / 3.0);
        row("aspect 3", aspectRatioValue, 3, 16.0 / 9.0);
        row("aspect 4", aspectRatioValue, 4, 2.21);
        row("aspect 5", aspectRatioValue, 5, 1.85);
        row("aspect 6", aspectRatioValue, 6, 2.35);
        row("aspect 7", aspectRatioValue, 7, 7.0 / 3.0);
        row("aspect 0", aspectRatioValue, 0, 16.0 / 9.0);
        row("aspect 8", aspectRatioValue, 8, 16.0 / 9.0);
        row("rate 1", frameRateValue, 1, 23.976);
        row("rate 2", frameRateValue, 2, 24.0);
        row("rate 3", frameRateValue, 3, 25.0);
        row("rate 4", frameRateValue, 4, 29.97);
        row("rate 5", frameRateValue, 5, 30.0);
        row("rate 6", frameRateValue, 6, 50.0);
        row("rate 7", frameRateValue, 7, 59.94);
        row("rate 8", frameRateValue, 8, 60.0);
        row("rate 0", frameRateValue, 0, 24.0);
        row("rate 9", frameRateValue, 9, 24.0);
    }

    void numbersFromCodes()
    {
        QFETCH(CodeToValue, function);
        QFETCH(int, code);
        QFETCH(double, expected);
        QCOMPARE(function(code), expected);
    }

    void durationText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << "00:00:00";
        QTest::newRow("fraction cut") << 3599.9 << "00:59:59";
        QTest::newRow("one hour") << 3600.0 << "01:00:00";
        QTest::newRow("movie") << 5423.48 << "01:30:23";
        QTest::newRow("last second of day") << 86399.99 << "23:59:59";
        QTest::newRow("wraps at 24 h") << 86400.0 << "00:00:00";
        QTest::newRow("25 hours") << 90000.0 << "01:00:00";
        QTest::newRow("minus one") << -1.0 << "23:59:59";
        QTest::newRow("minus fraction cut towards zero") << -0.9 << "00:00:00";
        QTest::newRow("minus one hour") << -3600.5 << "23:00:00";
        QTest::newRow("beyond int range") << 1e12 << "01:46:40";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "00:00:00";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "00:00:00";
    }

    void durationText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(::durationText(seconds), expected);
    }

    void decimals_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two 1") << twoDecimalsText(1.0) << "1.00";
        QTest::newRow("two 1.339") << twoDecimalsText(1.339) << "1.34";
        QTest::newRow("two -0.5") << twoDecimalsText(-0.5) << "-0.50";
        QTest::newRow("two 1777.7778") << twoDecimalsText(1777.7778) << "1777.78";
        QTest::newRow("one 0") << oneDecimalText(0.0) << "0.0";
        QTest::newRow("one 2.36") << oneDecimalText(2.36) << "2.4";
        QTest::newRow("one 1234.56") << oneDecimalText(1234.56) << "1234.6";
        QTest::newRow("one -3") << oneDecimalText(-3.0) << "-3.0";
        QTest::newRow("ms 1500") << millisecondsText(1500) << "1.5";
        QTest::newRow("ms 1234") << millisecondsText(1234) << "1.234";
        QTest::newRow("ms 48000") << millisecondsText(48000) << "48.0";
        QTest::newRow("ms 22050") << millisecondsText(22050) << "22.050";
        QTest::newRow("ms 44100") << millisecondsText(44100) << "44.1";
        QTest::newRow("ms 0") << millisecondsText(0) << "0.0";
        QTest::newRow("ms 5") << millisecondsText(5) << "0.005";
        QTest::newRow("ms -1500") << millisecondsText(-1500) << "-1.5";
    }

    void decimals()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void frameRateNumberText_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("expected");
        QTest::newRow("24") << 24.0 << "24";
        QTest::newRow("23.996 in band") << 23.996 << "24";
        QTest::newRow("24.004 in band") << 24.004 << "24";
        QTest::newRow("24.005 on bound") << 24.005 << "24.00";
        QTest::newRow("23.995 on bound") << 23.995 << "24.00";
        QTest::newRow("25") << 25.0 << "25";
        QTest::newRow("25.004") << 25.004 << "25";
        QTest::newRow("30") << 30.0 << "30";
        QTest::newRow("50") << 50.0 << "50";
        QTest::newRow("60") << 60.0 << "60";
        QTest::newRow("60.005 on bound") << 60.005 << "60.01";
        QTest::newRow("23.976") << 23.976 << "23.976";
        QTest::newRow("23.98") << 23.98 << "23.980";
        QTest::newRow("23.971 on bound") << 23.971 << "23.97";
        QTest::newRow("23.981 on bound") << 23.981 << "23.98";
        QTest::newRow("29.97") << 29.97 << "29.97";
        QTest::newRow("59.94") << 59.94 << "59.94";
        QTest::newRow("12.5") << 12.5 << "12.50";
        QTest::newRow("0") << 0.0 << "0.00";
    }

    void frameRateNumberText()
    {
        QFETCH(double, rate);
        QFETCH(QString, expected);
        QCOMPARE(::frameRateNumberText(rate), expected);
    }

    void languageName_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        const QList<QPair<const char *, const char *>> rows = {
            {"und", "Misc."},   {"mis", "Misc."},    {"ar", "Arabic"},    {"en", "English"},
            {"eng", "English"}, {"de", "German"},    {"es", "Spanish"},   {"sp", "Spanish"},
            {"spa", "Spanish"}, {"fr", "French"},    {"fre", "French"},   {"fra", "French"},
            {"jp", "Japanese"}, {"jpn", "Japanese"}, {"nl", "Dutch"},     {"ita", "Ita"},
            {"EN", "EN"},       {"Eng", "Eng"},      {"deu", "Deu"},      {"x", "X"},
            {"", ""},           {"ésp", "Ésp"},
        };
        for (const auto &[code, expected] : rows)
            QTest::newRow(*code ? code : "empty") << QString::fromUtf8(code) << QString::fromUtf8(expected);
    }

    void languageName()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        QCOMPARE(::languageName(code), expected);
    }
};

VEXO_TEST_CLASS(TestValueText)
#include "tst_valuetext.moc"
