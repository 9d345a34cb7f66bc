// The seam through which window tests reach the file choosers.

#include "jobs/filechooser.h"

#include "testregistry.h"
#include "windowtesting.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace WindowTesting;

class TestWindowSeams : public QObject
{
    Q_OBJECT

private slots:
    // Queued answers come back in order, then a cancel; every request is recorded; the
    // platform dialogs are back once the script is gone.
    void fileChooserScript()
    {
        {
            FileChooserScript script;
            script.answer("/tmp/a.avi");
            script.answer("/tmp/out");
            QCOMPARE(FileChooser::openFileName(nullptr, "Open", "/tmp", "*.avi"), QString("/tmp/a.avi"));
            QCOMPARE(FileChooser::existingFolder(nullptr, "Folder", "/tmp"), QString("/tmp/out"));
            QCOMPARE(FileChooser::saveFileName(nullptr, "Save", "/tmp/x", "*.mkv"), QString());
            QCOMPARE(script.requests().size(), 3);
            const FileChooser::Request &open = script.requests().at(0);
            QCOMPARE(open.kind, FileChooser::OpenFile);
            QCOMPARE(QStringList({open.caption, open.start, open.filter}), QStringList({"Open", "/tmp", "*.avi"}));
            QCOMPARE(script.requests().at(1).kind, FileChooser::ExistingFolder);
            QCOMPARE(script.requests().at(2).kind, FileChooser::SaveFile);
        }
        // A new script starts empty: the old one's handler is gone.
        FileChooserScript next;
        QCOMPARE(FileChooser::openFileName(nullptr, "Open", "", ""), QString());
        QCOMPARE(next.requests().size(), 1);
    }

    // The DVD chooser's dialog: an IFO file and a DVD folder can both be chosen (a folder
    // dialog could not pick the file); a cancel gives nothing.
    void folderOrFileDialog_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("typed"); // empty: cancel
        QTest::addColumn<QString>("chosen");
        QTest::newRow("IFO file") << "VIDEO_TS" << "VTS_01_0.IFO" << "VIDEO_TS/VTS_01_0.IFO";
        QTest::newRow("VIDEO_TS folder") << "" << "VIDEO_TS" << "VIDEO_TS";
        QTest::newRow("cancelled") << "VIDEO_TS" << "" << "";
    }
    void folderOrFileDialog()
    {
        QFETCH(QString, folder);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dvd;
        QVERIFY(QDir(dvd.path()).mkpath("VIDEO_TS"));
        QFile ifo(dvd.filePath("VIDEO_TS/VTS_01_0.IFO"));
        QVERIFY(ifo.open(QIODevice::WriteOnly));
        ifo.close();
        QString filter;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            filter = dialog->nameFilters().join(';');
            dialog->setDirectory(dvd.filePath(folder));
            auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            QPushButton *open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
            if (name)
                name->setText(typed);
            // The button a user presses, when the dialog lets them.
            if (typed.isEmpty() || !open || !open->isEnabled())
                dialog->reject();
            else
                open->click();
        });
        const QString answer = FileChooser::existingFolderOrFile(nullptr, "Open DVD", dvd.path(),
                                                                 "DVD IFO files (*.IFO *.ifo)");
        QCOMPARE(answer, chosen.isEmpty() ? QString() : dvd.filePath(chosen));
        QCOMPARE(filter, QString("DVD IFO files (*.IFO *.ifo)"));
    }
};

VEXO_TEST_CLASS(TestWindowSeams)
#include "tst_windowseams.moc"
