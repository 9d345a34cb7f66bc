#include "jobs/infoboxdialog.h"

#include "testregistry.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
// Runs the box modally; once it shows, records its title and text and acts on it.
int execAndAct(InfoBoxDialog &box, QStringList *shown, const std::function<void()> &act)
{
    QTimer::singleShot(0, &box, [&box, shown, act] {
        if (shown && box.isVisible() && box.isModal())
            *shown = QStringList{box.windowTitle(), box.text()};
        act();
    });
    return box.exec();
}
} // namespace

class TestInfoBoxDialog : public QObject
{
    Q_OBJECT

private slots:
    // The title and padding are in place while the box shows; showing it again pads no more.
    void padding()
    {
        const struct { int length; bool narrow; int blanks; } rows[] = {
            {160, false, 0}, {159, false, 1}, {10, false, 150}, {10, true, 70}, {80, true, 0}};
        for (const auto &row : rows) {
            const QString text(row.length, QLatin1Char('x'));
            InfoBoxDialog box;
            box.narrow = row.narrow;
            box.setText(text);
            QStringList shown;
            execAndAct(box, &shown, [&] { box.accept(); });
            const QString expected = text + QString(row.blanks, QLatin1Char(' '));
            QCOMPARE(shown, (QStringList{"Vexo 4.0 (Information Message)", expected}));
            execAndAct(box, nullptr, [&] { box.accept(); });
            QCOMPARE(box.text(), expected);
        }
    }

    // The views add their buttons in this order and act on the index of the chosen one,
    // not on its role; Escape chooses the reject-role button.
    void chosenButtonIndex()
    {
        for (int click : {0, 1, -1}) { // -1: Escape
            InfoBoxDialog box;
            box.setText(QStringLiteral("Abort encoding process?"));
            const QList<QPushButton *> added{box.addButton("Abort", QMessageBox::AcceptRole),
                                             box.addButton("Continue", QMessageBox::RejectRole)};
            const int result = execAndAct(box, nullptr, [&] {
                if (click < 0)
                    QTest::keyClick(&box, Qt::Key_Escape);
                else
                    added.at(click)->click();
            });
            QCOMPARE(result, click < 0 ? 1 : click);
            QCOMPARE(box.clickedButton(), added.value(result));
        }
    }
};

VEXO_TEST_CLASS(TestInfoBoxDialog)
#include "tst_infoboxdialog.moc"
