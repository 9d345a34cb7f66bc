#include "jobs/infoboxdialog.h"

#include "testregistry.h"

#include <QTest>
#include <QTimer>

class TestInfoBoxDialog : public QObject
{
    Q_OBJECT

private slots:
    // The title and padding are in place while the box shows; showing it again pads no more.
    void padding()
    {
        const struct { int length; bool narrow; int blanks; } rows[] = {
            {160, false, 0}, {10, false, 150}, {10, true, 70}};
        for (const auto &row : rows) {
            const QString text(row.length, QLatin1Char('x'));
            InfoBoxDialog box;
            box.narrow = row.narrow;
            box.setText(text);
            QStringList shown;
            QTimer::singleShot(0, &box, [&] {
                if (box.isVisible() && box.isModal())
                    shown = QStringList{box.windowTitle(), box.text()};
                box.accept();
            });
            box.exec();
            const QString expected = text + QString(row.blanks, QLatin1Char(' '));
            QCOMPARE(shown, (QStringList{"Vexo 4.0 (Information Message)", expected}));
            QTimer::singleShot(0, &box, &InfoBoxDialog::accept);
            box.exec();
            QCOMPARE(box.text(), expected);
        }
    }
};

VEXO_TEST_CLASS(TestInfoBoxDialog)
#include "tst_infoboxdialog.moc"
