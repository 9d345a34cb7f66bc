// The preferences dialog: values bounded on OK, names cleaned, and Cancel leaving the
// record alone even after the "Default" buttons.

#include "app/preferencesdialog.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

VEXO_TEST_NEEDS_DISPLAY

namespace {

QLineEdit *edit(QDialog &dialog, const char *name)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(name));
}

QPushButton *button(QDialog &dialog, const QString &text)
{
    for (QPushButton *push : dialog.findChildren<QPushButton *>()) {
        if (push->text().remove('&') == text)
            return push;
    }
    return nullptr;
}

// A record that differs from the defaults in every field the dialog shows.
Preferences edited()
{
    Preferences p;
    p.encoder.testMode = true;
    p.encoder.volumeCorrection = 4;
    p.encoder.testFrames = 2000;
    p.encoder.latencyStart = 1500;
    p.encoder.latencyKill = 4000;
    p.encoder.forceOutputName = true;
    p.encoder.outputName = "holiday";
    p.player.latencyFinished = 2000;
    p.player.pollTicks = 1000;
    p.player.titleMinimumLength = 300.0;
    p.player.ignoreShortTitles = false;
    p.player.volume = 7;
    return p;
}

} // namespace

class PreferencesDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void boundedOnOk_data();
    void boundedOnOk();
    void titleLength_data();
    void titleLength();
    void outputName_data();
    void outputName();
    void cancelAfterDefaults_data();
    void cancelAfterDefaults();
    void defaultsCommittedByOk();
};

void PreferencesDialogTest::boundedOnOk_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<int>("stored");
    QTest::newRow("empty frames") << "testFrames" << "" << 100;
    QTest::newRow("a million frames, no upper bound") << "testFrames" << "1000000" << 1000000;
    QTest::newRow("chapter 0") << "testChapter" << "0" << 1;
    QTest::newRow("chapter 150") << "testChapter" << "150" << 99;
    QTest::newRow("seek -5") << "testPosition" << "-5" << 0;
    QTest::newRow("seek letters, read as 0") << "testPosition" << "abc" << 0;
    QTest::newRow("validation frames 10") << "validationFrames" << "10" << 25;
    QTest::newRow("validation frames 101") << "validationFrames" << "101" << 100;
    QTest::newRow("file size 20000, not the tip's 10000") << "validationSize" << "20000" << 500000;
    QTest::newRow("file size 3000000") << "validationSize" << "3000000" << 2000000;
    QTest::newRow("encoder start 999") << "encoderLatencyStart" << "999" << 1000;
    QTest::newRow("encoder finished 6000") << "encoderLatencyFinished" << "6000" << 5000;
    QTest::newRow("encoder kill 1000") << "encoderLatencyKill" << "1000" << 3000;
    QTest::newRow("player start 5001") << "playerLatencyStart" << "5001" << 5000;
    QTest::newRow("player finished letters") << "playerLatencyFinished" << "abc" << 1000;
    QTest::newRow("player kill 1000") << "playerLatencyKill" << "1000" << 3000;
    QTest::newRow("poll ticks 100") << "pollTicks" << "100" << 500;
    QTest::newRow("poll ticks 5000") << "pollTicks" << "5000" << 2000;
    QTest::newRow("in range kept") << "playerLatencyKill" << "4321" << 4321;
    // Digits beyond any int are still a number: the bound on their side.
    QTest::newRow("chapter past any int") << "testChapter" << "99999999999" << 99;
    QTest::newRow("frames past any int, no upper bound") << "testFrames" << "99999999999" << 2147483647;
    QTest::newRow("poll ticks past any long") << "pollTicks" << "99999999999999999999999" << 2000;
    QTest::newRow("seek below any int") << "testPosition" << "-99999999999" << 0;
}

void PreferencesDialogTest::boundedOnOk()
{
    QFETCH(QString, field);
    QFETCH(QString, entered);
    QFETCH(int, stored);
    Preferences record;
    PreferencesDialog dialog(&record);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit *line = edit(dialog, qPrintable(field));
    QVERIFY(line);
    line->setText(entered);
    // Nothing reaches the record before OK.
    QCOMPARE(record.encoder.testFrames, 1000);
    WindowTesting::ModalAnswerer answerer;
    button(dialog, "OK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // A value brought back into its bounds is told, with the bounds; one taken as typed is not.
    const bool bounded = entered != QString::number(stored);
    QCOMPARE(answerer.seen().size(), bounded ? 1 : 0);
    if (bounded) {
        const QString told = answerer.seen().first().informativeText;
        QVERIFY2(told.contains(" became " + QString::number(stored) + " ("), qPrintable(told));
        QVERIFY2(told.contains(entered.isEmpty() ? QString("an empty value") : "\"" + entered + "\""), qPrintable(told));
        if (field == "testPosition") // no upper bound
            QVERIFY2(told.contains("(at least 0)"), qPrintable(told));
    }
    const std::pair<const char *, int> values[] = {
        {"testFrames", record.encoder.testFrames}, {"testChapter", record.encoder.testChapter},
        {"testPosition", record.encoder.testPosition}, {"validationFrames", record.encoder.validationFrames},
        {"validationSize", record.encoder.validationSize}, {"encoderLatencyStart", record.encoder.latencyStart},
        {"encoderLatencyFinished", record.encoder.latencyFinished}, {"encoderLatencyKill", record.encoder.latencyKill},
        {"playerLatencyStart", record.player.latencyStart}, {"playerLatencyFinished", record.player.latencyFinished},
        {"playerLatencyKill", record.player.latencyKill}, {"pollTicks", record.player.pollTicks},
    };
    for (const auto &value : values) {
        if (field == QLatin1String(value.first))
            QCOMPARE(value.second, stored);
    }
    // The player's test values follow the encoder's.
    QCOMPARE(record.player.testFrames, record.encoder.testFrames);
    QCOMPARE(record.player.testChapter, record.encoder.testChapter);
    QCOMPARE(record.player.testPosition, record.encoder.testPosition);
    // The bounded value is what the dialog shows next time.
    PreferencesDialog again(&record);
    QCOMPARE(edit(again, qPrintable(field))->text(), QString::number(stored));
}

void PreferencesDialogTest::titleLength_data()
{
    QTest::addColumn<QString>("entered");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shownAgain");
    QTest::addColumn<QString>("told"); // empty: taken as typed, no box
    QTest::newRow("not a number") << "ten" << 60.0 << "60" << "Short titles to ignore: \"ten\" became 60 (seconds, 60 to 7200).";
    QTest::newRow("5") << "5" << 60.0 << "60" << "Short titles to ignore: \"5\" became 60 (seconds, 60 to 7200).";
    QTest::newRow("9000") << "9000" << 7200.0 << "7200" << "Short titles to ignore: \"9000\" became 7200 (seconds, 60 to 7200).";
    QTest::newRow("nan is no length") << "nan" << 60.0 << "60" << "Short titles to ignore: \"nan\" became 60 (seconds, 60 to 7200).";
    QTest::newRow("infinity is no length") << "inf" << 60.0 << "60" << "Short titles to ignore: \"inf\" became 60 (seconds, 60 to 7200).";
    QTest::newRow("minus infinity") << "-inf" << 60.0 << "60" << "Short titles to ignore: \"-inf\" became 60 (seconds, 60 to 7200).";
    QTest::newRow("600") << "600" << 600.0 << "600" << "";
    QTest::newRow("600.0 is 600") << "600.0" << 600.0 << "600" << "";
    QTest::newRow("fraction") << "90.5" << 90.5 << "90.5" << "";
    QTest::newRow("past the largest double") << "1e400" << 7200.0 << "7200" << "Short titles to ignore: \"1e400\" became 7200 (seconds, 60 to 7200).";
    QTest::newRow("below the lowest double") << "-1e400" << 60.0 << "60" << "Short titles to ignore: \"-1e400\" became 60 (seconds, 60 to 7200).";
}

void PreferencesDialogTest::titleLength()
{
    QFETCH(QString, entered);
    QFETCH(double, stored);
    QFETCH(QString, shownAgain);
    QFETCH(QString, told);
    Preferences record;
    PreferencesDialog dialog(&record);
    // The unit and the bounds stand beside the field.
    auto *bounds = dialog.findChild<QLabel *>("titleMinimumLengthBounds");
    QVERIFY(bounds);
    QCOMPARE(bounds->text(), QString("seconds, 60 to 7200"));
    edit(dialog, "titleMinimumLength")->setText(entered);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    WindowTesting::ModalAnswerer answerer;
    answerer.screenshotAs(QStringLiteral("preferences-title-length-%1-").arg(QTest::currentDataTag()).replace(' ', '-'));
    button(dialog, "OK")->click();
    QCOMPARE(answerer.seen().size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty()) {
        QCOMPARE(answerer.seen().first().informativeText, told);
        QVERIFY(WindowTesting::nonBlackShare(answerer.seen().first().screenshot) > 0.5);
    }
    QCOMPARE(record.player.titleMinimumLength, stored);
    PreferencesDialog again(&record);
    QCOMPARE(edit(again, "titleMinimumLength")->text(), shownAgain);
}

void PreferencesDialogTest::outputName_data()
{
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("stored");
    QTest::newRow("spaces around and inside") << "  my   movie  " << "my movie";
    QTest::newRow("forbidden characters") << "a\\b/c?d*e|f" << "abcdef";
    QTest::newRow("only forbidden characters") << " /\\?*| " << "output";
    QTest::newRow("empty") << "" << "output";
    QTest::newRow("letters beyond Latin-1 kept") << "Ève 日本" << "Ève 日本";
    // A file name holds 255 bytes; the program adds an extension and suffixes to this one.
    QTest::newRow("two-byte letters cut at 200 bytes") << QString(300, QChar(0xE9)) << QString(100, QChar(0xE9));
    QTest::newRow("four-byte letters never split") << QString("x😀").repeated(60) << QString("x😀").repeated(40);
}

void PreferencesDialogTest::outputName()
{
    QFETCH(QString, entered);
    QFETCH(QString, stored);
    Preferences record;
    PreferencesDialog dialog(&record);
    edit(dialog, "outputName")->setText(entered);
    dialog.findChild<QCheckBox *>("forceOutputName")->setChecked(true);
    dialog.accept();
    QCOMPARE(record.encoder.outputName, stored);
    QVERIFY(record.encoder.forceOutputName);
}

void PreferencesDialogTest::cancelAfterDefaults_data()
{
    QTest::addColumn<QString>("resetButton");
    QTest::addColumn<int>("tab");
    QTest::newRow("Default all") << "Default all" << 0;
    QTest::newRow("Default timing") << "Default timing" << 1;
}

// The "Default" buttons show the defaults at once, but Cancel leaves the record as it was.
void PreferencesDialogTest::cancelAfterDefaults()
{
    QFETCH(QString, resetButton);
    QFETCH(int, tab);
    const Preferences before = edited();
    Preferences record = before;
    PreferencesDialog dialog(&record);
    dialog.findChild<QTabWidget *>()->setCurrentIndex(tab);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    button(dialog, resetButton)->click();
    QCOMPARE(edit(dialog, "pollTicks")->text(), QString("500"));
    QCOMPARE(edit(dialog, "encoderLatencyKill")->text(), QString("5000"));
    QCOMPARE(edit(dialog, "testFrames")->text(), QString(tab == 0 ? "1000" : "2000"));

    const QImage shot = WindowTesting::grabWidget(&dialog);
    WindowTesting::saveScreenshot(shot, "preferences-" + resetButton.replace(' ', '-'));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY(WindowTesting::distinctColours(shot) > 4);

    button(dialog, "Cancel")->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(record.encoder.latencyStart, before.encoder.latencyStart);
    QCOMPARE(record.encoder.latencyKill, before.encoder.latencyKill);
    QCOMPARE(record.player.pollTicks, before.player.pollTicks);
    QCOMPARE(record.player.latencyFinished, before.player.latencyFinished);
    QCOMPARE(record.encoder.testFrames, before.encoder.testFrames);
    QCOMPARE(record.encoder.outputName, before.encoder.outputName);
    QCOMPARE(record.encoder.testMode, true);
    QCOMPARE(record.player.volume, 7);
}

// OK after "Default all" commits every default, the fields the dialog does not show included.
void PreferencesDialogTest::defaultsCommittedByOk()
{
    Preferences record = edited();
    PreferencesDialog dialog(&record);
    button(dialog, "Default all")->click();
    button(dialog, "OK")->click();
    QCOMPARE(record.encoder.testMode, false);
    QCOMPARE(record.encoder.volumeCorrection, 0);
    QCOMPARE(record.player.volume, 0);
    QCOMPARE(record.player.ignoreShortTitles, true);
    QCOMPARE(record.player.titleMinimumLength, 600.0);
    QCOMPARE(record.encoder.outputName, QString("output"));
    QCOMPARE(record.encoder.forceOutputName, false);
    QCOMPARE(record.encoder.latencyStart, 3000);
    QCOMPARE(record.player.pollTicks, 500);
}

VEXO_TEST_CLASS(PreferencesDialogTest)
#include "tst_preferencesdialog.moc"
