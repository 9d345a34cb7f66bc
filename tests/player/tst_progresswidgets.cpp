// The load progress window (placement over its console, the bar's rules, closing) and the
// time-code display.

#include "player/progresswidget.h"
#include "player/timecodewidget.h"

#include "testregistry.h"
#include "windowtesting.h"

#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

class TestProgressWidgets : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QRect>("console");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("centred") << QRect(100, 50, 1000, 700) << QPoint(480, 340);
        QTest::newRow("narrow console goes left") << QRect(10, 10, 200, 100) << QPoint(-10, 0);
        // (239 - 240) / 2 truncates toward zero, not down to -1.
        QTest::newRow("truncated toward zero") << QRect(0, 0, 239, 119) << QPoint(0, 0);
        QTest::newRow("odd surplus") << QRect(0, 0, 243, 123) << QPoint(1, 1);
    }
    void placement()
    {
        QFETCH(QRect, console);
        QFETCH(QPoint, expected);
        QWidget consoleWindow;
        consoleWindow.setGeometry(console);
        ProgressWidget window("title", "text", 1, 50, &consoleWindow);
        QCOMPARE(window.pos(), expected);
    }

    // Without a console nothing moves the window; it is built, not shown.
    void constructionWithoutConsole()
    {
        const QPoint unplaced = QWidget().pos();
        ProgressWidget window("t", "x", 1, 50, nullptr);
        QCOMPARE(window.pos(), unplaced);
        QVERIFY(!window.isVisible());
        auto *bar = window.findChild<QProgressBar *>();
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 50);
        QCOMPARE(window.value(), 1);
    }

    // A step past the maximum is refused; setProgress sets the range before the value.
    void barRules()
    {
        ProgressWidget window("t", "x", 1, 50, nullptr);
        window.setProgress(1, 50, 2);
        window.extendMaximum(9);
        for (int i = 0; i < 9; ++i)
            window.step();
        QCOMPARE(window.value(), 11);
        window.step();
        QCOMPARE(window.value(), 11);
        window.setProgress(1, 100, 20);
        QCOMPARE(window.value(), 20);
    }

    // Closing hides the window and tells the owner; the window itself lives on.
    void closing()
    {
        ProgressWidget window("t", "x", 1, 50, nullptr);
        QSignalSpy closed(&window, &ProgressWidget::closedByUser);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.close());
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    // The time code shows "00:00:00" when built and after reset, whatever it showed.
    void timecodeReset()
    {
        TimecodeWidget fresh;
        TimecodeWidget timecode;
        for (QWidget *widget : {static_cast<QWidget *>(&fresh), static_cast<QWidget *>(&timecode)})
            widget->resize(160, 30);
        const QImage zero = WindowTesting::grabWidget(&fresh);
        timecode.display(QString("12:34:56"));
        QVERIFY(WindowTesting::grabWidget(&timecode) != zero);
        timecode.reset();
        QCOMPARE(WindowTesting::grabWidget(&timecode), zero);
    }
};

VEXO_TEST_CLASS(TestProgressWidgets)
#include "tst_progresswidgets.moc"
