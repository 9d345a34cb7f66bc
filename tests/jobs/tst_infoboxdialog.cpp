#include "jobs/infoboxdialog.h"

#include "testregistry.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
// Runs the box modally and, once it shows, records what it shows and then acts on it.
struct Shown
{
    QString title;
    QString text;
    bool visible = false;
    bool modal = false;
};

int execAndAct(InfoBoxDialog &box, Shown &shown, const std::function<void()> &act)
{
    QTimer::singleShot(0, &box, [&] {
        shown.title = box.windowTitle();
        shown.text = box.text();
        shown.visible = box.isVisible();
        shown.modal = box.isModal();
        act();
    });
    return box.exec();
}
} // namespace

class TestInfoBoxDialog : public QObject
{
    Q_OBJECT

private slots:
    void padding_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("narrow");
        QTest::addColumn<int>("blanks");
        QTest::newRow("200 wide kept") << 200 << false << 0;
        QTest::newRow("160 wide kept") << 160 << false << 0;
        QTest::newRow("159 wide one blank") << 159 << false << 1;
        QTest::newRow("10 wide") << 10 << false << 150;
        QTest::newRow("10 narrow") << 10 << true << 70;
        QTest::newRow("80 narrow kept") << 80 << true << 0;
        QTest::newRow("100 narrow kept") << 100 << true << 0;
        QTest::newRow("empty wide") << 0 << false << 160;
    }

    // The title and padding are in place while the box shows, and stay after it.
    void padding()
    {
        QFETCH(int, length);
        QFETCH(bool, narrow);
        QFETCH(int, blanks);
        const QString text(length, QLatin1Char('x'));
        InfoBoxDialog box;
        QVERIFY(!box.narrow);
        box.narrow = narrow;
        box.setText(text);
        Shown shown;
        execAndAct(box, shown, [&] { box.accept(); });
        QVERIFY(shown.visible);
        QVERIFY(shown.modal);
        QCOMPARE(shown.title, QStringLiteral("Vexo 4.0 (Information Message)"));
        const QString expected = text + QString(blanks, QLatin1Char(' '));
        QCOMPARE(shown.text, expected);
        QCOMPARE(box.text(), expected);
    }

    // Showing the box again pads nothing more.
    void paddingOnce()
    {
        InfoBoxDialog box;
        box.setText(QStringLiteral("Encoding preview has been aborted."));
        box.narrow = true;
        Shown shown;
        execAndAct(box, shown, [&] { box.accept(); });
        execAndAct(box, shown, [&] { box.accept(); });
        QCOMPARE(box.text().size(), 80);
    }

    // The job views and the main window add their buttons in this order and act on the
    // index of the chosen one: 0 for the first added, whatever the roles.
    void chosenButtonIndex_data()
    {
        QTest::addColumn<bool>("acceptFirst");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("expected");
        QTest::newRow("accept added first, chosen") << true << 0 << 0;
        QTest::newRow("reject added second, chosen") << true << 1 << 1;
        QTest::newRow("reject added first, chosen") << false << 0 << 0;
        QTest::newRow("accept added second, chosen") << false << 1 << 1;
    }

    void chosenButtonIndex()
    {
        QFETCH(bool, acceptFirst);
        QFETCH(int, click);
        QFETCH(int, expected);
        InfoBoxDialog box;
        box.setText(QStringLiteral("Abort encoding process?"));
        QList<QPushButton *> added;
        if (acceptFirst) {
            added << box.addButton(QStringLiteral("Abort encoding"), QMessageBox::AcceptRole);
            added << box.addButton(QStringLiteral("Continue encoding"), QMessageBox::RejectRole);
        } else {
            added << box.addButton(QStringLiteral("Keep job"), QMessageBox::RejectRole);
            added << box.addButton(QStringLiteral("Remove job"), QMessageBox::AcceptRole);
        }
        Shown shown;
        const int result = execAndAct(box, shown, [&] { added.at(click)->click(); });
        QCOMPARE(result, expected);
        QCOMPARE(box.clickedButton(), added.at(click));
    }

    // Escape chooses the reject-role button, so closing the question counts as "no".
    void escapeChoosesRejectButton()
    {
        InfoBoxDialog box;
        box.setText(QStringLiteral("Abort all running jobs, please confirm ?"));
        box.addButton(QStringLiteral("Abort all and close"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("Don't close"), QMessageBox::RejectRole);
        Shown shown;
        const int result = execAndAct(box, shown, [&] { QTest::keyClick(&box, Qt::Key_Escape); });
        QCOMPARE(result, 1);
    }

    // Without added buttons the box answers with the dialog result of its own button.
    void noAddedButtons()
    {
        InfoBoxDialog box;
        box.setText(QStringLiteral("Failed to finalize encoding."));
        Shown shown;
        const int result = execAndAct(box, shown, [&] {
            QAbstractButton *ok = box.button(QMessageBox::Ok);
            QVERIFY(ok);
            ok->click();
        });
        QCOMPARE(result, int(QMessageBox::Ok));
    }
};

VEXO_TEST_CLASS(TestInfoBoxDialog)
#include "tst_infoboxdialog.moc"
