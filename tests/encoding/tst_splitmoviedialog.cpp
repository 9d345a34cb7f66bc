// The split dialog: its texts and results for the usual media and slices, the enabled
// state of "Split movie", and the output folder choice.

#include "encoding/splitmoviedialog.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

VEXO_TEST_NEEDS_DISPLAY

namespace {

// A dialog with the caller's variables it writes into.
struct SplitSetup
{
    explicit SplitSetup(qint64 inputSize, const QString &target = "/target", const QString &input = "/input")
        : inputFolder(input), outputFolder(target),
          dialog(inputSize, &inputFolder, &outputFolder, &count, &size)
    {
    }
    template<typename T>
    T *child(const char *name) { return dialog.findChild<T *>(QLatin1String(name)); }
    QRadioButton *button(const QString &text)
    {
        for (QRadioButton *radio : dialog.findChildren<QRadioButton *>()) {
            if (radio->text() == text)
                return radio;
        }
        return nullptr;
    }
    QPushButton *splitButton()
    {
        for (QPushButton *push : dialog.findChildren<QPushButton *>()) {
            if (push->text() == "Split movie")
                return push;
        }
        return nullptr;
    }
    // Types into the slice as the user would, then leaves the line edit.
    void typeSlice(const QString &text, bool finish = false)
    {
        QLineEdit *edit = child<QLineEdit>("sliceEdit");
        edit->clear();
        QTest::keyClicks(edit, text);
        if (finish)
            emit edit->editingFinished();
    }
    QString volumeText() { return child<QRadioButton>("volumeMethod")->text(); }
    QString divideText() { return child<QRadioButton>("divideMethod")->text(); }

    QString inputFolder;
    QString outputFolder;
    int count = -1;
    qint64 size = -1;
    SplitMovieDialog dialog;
};

} // namespace

class SplitMovieDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void choices_data();
    void choices();
    void largestPartCount_data();
    void largestPartCount();
    void sliceEditing_data();
    void sliceEditing();
    void invalidSliceThenDivide();
    void partsOfNothingAreNotOffered_data();
    void partsOfNothingAreNotOffered();
    void folderChoice();
};

void SplitMovieDialogTest::choices_data()
{
    QTest::addColumn<qint64>("inputSize");
    // "" keeps the initial choice, a preset's label clicks it, "divide:N" chooses N equal
    // parts, "slice:V:U" types V with the unit U.
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("methodText");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("size");

    QTest::newRow("2 GB at 700MB CD") << qint64(2000000000) << "" << "Split in 3 volumes: 2 x 737MB + 526.00MB" << 3
                                      << qint64(737000000);
    QTest::newRow("2 GB at 800MB CD (826 MB)") << qint64(2000000000) << "800MB CD"
                                               << "Split in 3 volumes: 2 x 826MB + 348.00MB" << 3 << qint64(826000000);
    QTest::newRow("exactly two CDs") << qint64(1474000000) << "" << "Split in 2 volumes: 737MB + 0.00MB" << 2
                                     << qint64(737000000);
    QTest::newRow("exactly one CD, preset disabled but selected")
            << qint64(737000000) << "" << "Split in 1 volumes: 0 x 737MB + 0.00MB" << 1 << qint64(737000000);
    QTest::newRow("9 GB at 4.7GB DVD shows gigabytes")
            << qint64(9000000000) << "4.7GB DVD" << "Split in 2 volumes: 4.7GB + 4.30GB" << 2 << qint64(4700000000);
    QTest::newRow("500 MB opens on two equal parts") << qint64(500000000) << "" << "Split in 2 volumes (250MB)" << 2
                                                     << qint64(250000000);
    QTest::newRow("4.5 GB in 3 parts") << qint64(4500000000) << "divide:3" << "Split in 3 volumes (1.50GB)" << 3
                                       << qint64(1500000000);
    QTest::newRow("4.5 GB in 2 parts stays exact above 2^31") << qint64(4500000000) << "divide:2"
                                                              << "Split in 2 volumes (2.25GB)" << 2 << qint64(2250000000);
    QTest::newRow("2 GB in 2 parts: 1000 MB shows as gigabytes") << qint64(2000000000) << "divide:2"
                                                                 << "Split in 2 volumes (1.00GB)" << 2 << qint64(1000000000);
    QTest::newRow("999 MB parts still in megabytes") << qint64(1998000000) << "divide:2"
                                                     << "Split in 2 volumes (999MB)" << 2 << qint64(999000000);
    QTest::newRow("part count clamped to the largest") << qint64(4500000000) << "divide:20"
                                                       << "Split in 8 volumes (562MB)" << 8 << qint64(562500000);
    // The bytes divided, not whole megabytes (2 MB and 3.93 MB); rounded up to hold the input.
    QTest::newRow("5.93 MB in 2 parts") << qint64(5930000) << "divide:2" << "Split in 2 volumes (2MB)" << 2
                                        << qint64(2965000);
    QTest::newRow("an odd byte more in 2 parts") << qint64(5930001) << "divide:2" << "Split in 2 volumes (2MB)" << 2
                                                 << qint64(2965001);
    QTest::newRow("1.5 GB slice of 4 GB") << qint64(4000000000) << "slice:1.5:GB"
                                          << "Split in 3 volumes: 2 x 1.5GB + 1.00GB" << 3 << qint64(1500000000);
    QTest::newRow("300 MB slice of 1 GB") << qint64(1000000000) << "slice:300:MB"
                                          << "Split in 4 volumes: 3 x 300MB + 100.00MB" << 4 << qint64(300000000);
    // "plan:N:B " first: the planner tells N volumes, the last of B bytes (key frames leave
    // each volume short of the size); 0 volumes: it cannot tell yet.
    QTest::newRow("300 MB slice of 1 GB, planned as 5 volumes") << qint64(1000000000) << "plan:5:120000000 slice:300:MB"
                                          << "Split in 5 volumes: 4 x 300MB + 120.00MB" << 5 << qint64(300000000);
    QTest::newRow("300 MB slice of 1 GB, not planned yet") << qint64(1000000000) << "plan:0:0 slice:300:MB"
                                          << "Split in 4 volumes: 3 x 300MB + 100.00MB" << 4 << qint64(300000000);
}

void SplitMovieDialogTest::choices()
{
    QFETCH(qint64, inputSize);
    QFETCH(QString, action);
    QFETCH(QString, methodText);
    QFETCH(int, count);
    QFETCH(qint64, size);

    SplitSetup setup(inputSize);
    if (action.startsWith("plan:")) {
        const int volumes = action.section(':', 1, 1).toInt();
        const qint64 last = action.section(':', 2).section(' ', 0, 0).toLongLong();
        setup.dialog.setVolumePlanner([volumes, last, inputSize](qint64 size, qint64 *lastSize) {
            *lastSize = last;
            return size < inputSize ? volumes : 0;
        });
        action = action.section(' ', 1);
    }
    setup.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup.dialog));
    bool divide = inputSize < 737000000;
    if (action.startsWith("divide:")) {
        setup.child<QRadioButton>("divideMethod")->click();
        setup.child<QSpinBox>("partCount")->setValue(action.section(':', 1).toInt());
        divide = true;
    } else if (action.startsWith("slice:")) {
        setup.child<QComboBox>("unitBox")->setCurrentText(action.section(':', 2));
        setup.typeSlice(action.section(':', 1, 1));
        QVERIFY(setup.child<QRadioButton>("userSlice")->isChecked());
    } else if (!action.isEmpty()) {
        QRadioButton *preset = setup.button(action);
        QVERIFY(preset && preset->isEnabled());
        preset->click();
    }
    QCOMPARE(divide ? setup.divideText() : setup.volumeText(), methodText);
    QCOMPARE(setup.count, count);
    QCOMPARE(setup.size, size);
    // Equal parts end near each part's end; a medium's or a slice's size is a limit.
    QCOMPARE(setup.dialog.equalParts(), divide);
    QVERIFY(setup.splitButton()->isEnabled());
    // A preset is offered only when the input is larger than it.
    if (!divide) {
        QCOMPARE(setup.button("700MB CD")->isEnabled(), inputSize > 737000000);
        QCOMPARE(setup.button("4.7GB DVD")->isEnabled(), inputSize > 4700000000);
    } else if (inputSize < 737000000) {
        QCOMPARE(setup.child<QLineEdit>("sliceEdit")->text(), QString::number(inputSize / 2 / 1000000));
    }
    const QImage shot = WindowTesting::grabWidget(&setup.dialog);
    WindowTesting::saveScreenshot(shot, QString("split-dialog-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY(WindowTesting::distinctColours(shot) > 4);
}

void SplitMovieDialogTest::largestPartCount_data()
{
    QTest::addColumn<qint64>("inputSize");
    QTest::addColumn<int>("largest");
    QTest::newRow("60 MB: 2 raised to 3") << qint64(60000000) << 3;
    QTest::newRow("149,999,999 bytes") << qint64(149999999) << 3;
    QTest::newRow("150 MB") << qint64(150000000) << 4;
    QTest::newRow("500 MB: 11 lowered to 8") << qint64(500000000) << 8;
}

void SplitMovieDialogTest::largestPartCount()
{
    QFETCH(qint64, inputSize);
    QFETCH(int, largest);
    SplitSetup setup(inputSize);
    QCOMPARE(setup.child<QSpinBox>("partCount")->maximum(), largest);
    QCOMPARE(setup.child<QSpinBox>("partCount")->minimum(), 2);
}

void SplitMovieDialogTest::sliceEditing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("shownAfterLeaving");
    QTest::addColumn<bool>("splitEnabled");
    QTest::newRow("long number in general format") << "1234567" << "MB" << "1.23457e+06" << false;
    QTest::newRow("zero becomes the MB default") << "0" << "MB" << "690" << false;
    QTest::newRow("letters become the GB default") << "abc" << "GB" << "4.5" << false;
    QTest::newRow("valid slice kept") << "700" << "MB" << "700" << true;
}

void SplitMovieDialogTest::sliceEditing()
{
    QFETCH(QString, typed);
    QFETCH(QString, unit);
    QFETCH(QString, shownAfterLeaving);
    QFETCH(bool, splitEnabled);
    SplitSetup setup(2000000000);
    setup.dialog.show();
    setup.child<QComboBox>("unitBox")->setCurrentText(unit);
    setup.typeSlice(typed);
    // What was typed is judged before editing finishes.
    QCOMPARE(setup.splitButton()->isEnabled(), splitEnabled);
    if (!splitEnabled)
        QCOMPARE(setup.volumeText(), QString("Split in ..."));
    emit setup.child<QLineEdit>("sliceEdit")->editingFinished();
    QCOMPARE(setup.child<QLineEdit>("sliceEdit")->text(), shownAfterLeaving);
}

// Letters in the slice disable "Split movie"; equal parts are always valid, so choosing them
// enables it again, and a valid slice afterwards keeps it enabled.
void SplitMovieDialogTest::invalidSliceThenDivide()
{
    SplitSetup setup(4000000000);
    setup.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup.dialog));
    setup.typeSlice("1.5x");
    QVERIFY(!setup.splitButton()->isEnabled());
    QCOMPARE(setup.volumeText(), QString("Split in ..."));
    setup.child<QRadioButton>("divideMethod")->click();
    QVERIFY(setup.splitButton()->isEnabled());
    QCOMPARE(setup.count, 2);
    QCOMPARE(setup.size, qint64(2000000000));
    // Back to the volume method with the same invalid slice: disabled again.
    setup.child<QRadioButton>("volumeMethod")->click();
    QVERIFY(!setup.splitButton()->isEnabled());
    // Switching the unit converts a valid slice.
    setup.child<QComboBox>("unitBox")->setCurrentText("GB");
    setup.typeSlice("1.5");
    QCOMPARE(setup.volumeText(), QString("Split in 3 volumes: 2 x 1.5GB + 1.00GB"));
    setup.child<QComboBox>("unitBox")->setCurrentText("MB");
    QCOMPARE(setup.child<QLineEdit>("sliceEdit")->text(), QString("1500"));
    QCOMPARE(setup.volumeText(), QString("Split in 3 volumes: 2 x 1500MB + 1000.00MB"));
    QVERIFY(setup.splitButton()->isEnabled());
}

// Equal parts of nothing would copy the whole input into the first part: such a choice is not
// offered. Parts of less than a megabyte are parts all the same.
void SplitMovieDialogTest::partsOfNothingAreNotOffered_data()
{
    QTest::addColumn<qint64>("inputSize");
    QTest::addColumn<int>("parts");
    QTest::addColumn<qint64>("size"); // 0: not offered
    QTest::newRow("1.5 MB in 2 parts") << qint64(1500000) << 2 << qint64(750000);
    QTest::newRow("2.5 MB in 2 parts") << qint64(2500000) << 2 << qint64(1250000);
    QTest::newRow("2.5 MB in 3 parts") << qint64(2500000) << 3 << qint64(833334);
    QTest::newRow("3 MB in 3 parts") << qint64(3000000) << 3 << qint64(1000000);
    QTest::newRow("an empty input") << qint64(0) << 2 << qint64(0);
}

void SplitMovieDialogTest::partsOfNothingAreNotOffered()
{
    QFETCH(qint64, inputSize);
    QFETCH(int, parts);
    QFETCH(qint64, size);
    SplitSetup setup(inputSize); // opens on equal parts
    setup.child<QSpinBox>("partCount")->setValue(parts);
    QCOMPARE(setup.count, parts);
    QCOMPARE(setup.size, size);
    QCOMPARE(setup.splitButton()->isEnabled(), size > 0);
}

void SplitMovieDialogTest::folderChoice()
{
    SplitSetup setup(2000000000, "/home/user/Videos", "/media/disc");
    QCOMPARE(setup.button("Split in user folder")->toolTip(), QString("/home/user/Videos"));
    QVERIFY(setup.button("Split in user folder")->isChecked());
    setup.button("Split in input folder")->click();
    QCOMPARE(setup.outputFolder, QString("/media/disc"));
    setup.button("Split in user folder")->click();
    QCOMPARE(setup.outputFolder, QString("/home/user/Videos"));
}

VEXO_TEST_CLASS(SplitMovieDialogTest)
#include "tst_splitmoviedialog.moc"
