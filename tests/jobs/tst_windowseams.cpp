// The seam through which window tests reach the file choosers.

#include "jobs/filechooser.h"

#include "testregistry.h"
#include "windowtesting.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QMessageBox>
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
        // Not read as a list of the names between its quotes.
        QTest::newRow("folder named with quotes") << "" << "DVD \"one\"" << "DVD \"one\"";
        QTest::newRow("cancelled") << "VIDEO_TS" << "" << "";
    }
    void folderOrFileDialog()
    {
        QFETCH(QString, folder);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dvd;
        QVERIFY(QDir(dvd.path()).mkpath("VIDEO_TS"));
        QVERIFY(QDir(dvd.path()).mkpath("DVD \"one\""));
        QFile piece(dvd.filePath("one"));
        QVERIFY(piece.open(QIODevice::WriteOnly));
        piece.close();
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
            // Typed as a person types, into the field that has the focus.
            if (name) {
                dialog->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(dialog));
                name->setFocus();
                name->setText(typed);
            }
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

    // A file clicked in the open dialog's list, or its name typed in the name field, opens
    // with the Open button, whatever the name holds: the name field reads double quotes as a
    // list of names, which one name with quotes must not be taken for (nor must files named
    // as its pieces be opened in its place).
    void openDialogOpensTheNamedFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("typed"); // else clicked in the list
        QTest::addColumn<bool>("folder"); // the name is a folder's: no answer
        const QString names[] = {"plain clip.avi", "say \"hi\" clip.avi", "\"quoted\".avi", "5\" disc.avi",
                                 "\"a.avi\" \"b.avi\""};
        for (const QString &name : names) {
            QTest::newRow(qPrintable("clicked " + name)) << name << false << false;
            QTest::newRow(qPrintable("typed " + name)) << name << true << false;
        }
        QTest::newRow("typed folder say \"hi\"") << "say \"hi\"" << true << true;
    }
    void openDialogOpensTheNamedFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, typed);
        QFETCH(bool, folder);
        QTemporaryDir place;
        // Beside it, files named as the pieces between its quotes.
        for (const QString &file : {name, QString("hi"), QString("quoted"), QString("a.avi"), QString("b.avi")}) {
            QFile clip(place.filePath(file));
            QVERIFY(folder && file == name ? QDir(place.path()).mkdir(file) : clip.open(QIODevice::WriteOnly));
        }
        QString refusal = "not asked";
        bool entered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *field = dialog->findChild<QLineEdit *>("fileNameEdit");
            QPushButton *open = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open);
            // The list or the detail view, whichever the dialog shows.
            QAbstractItemView *list = nullptr;
            for (auto *view : dialog->findChildren<QAbstractItemView *>())
                if (view->isVisible() && (view->objectName() == "listView" || view->objectName() == "treeView"))
                    list = view;
            QVERIFY(field && open && list);
            const auto item = [&] {
                return list->model()->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole, name, 1,
                                            Qt::MatchExactly).value(0);
            };
            QTRY_VERIFY(item().isValid()); // the folder is listed
            if (typed) {
                field->setFocus();
                QTest::keyClicks(field, name);
                // The completion offered meanwhile closes, as a click beside it closes it.
                if (field->completer() && field->completer()->popup())
                    field->completer()->popup()->hide();
            } else {
                list->scrollTo(item());
                QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {},
                                  list->viewport()->mapTo(dialog, list->visualRect(item()).center()));
            }
            QVERIFY(open->isEnabled());
            // A box that says the file is not there answers the press.
            QTimer::singleShot(0, [&] {
                refusal.clear();
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    refusal = box->text();
                    box->reject();
                }
            });
            QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {}, open->mapTo(dialog, open->rect().center()));
            // A folder is no file to open: the dialog enters it.
            entered = QApplication::activeModalWidget() == dialog && dialog->directory() == QDir(place.filePath(name));
            if (QApplication::activeModalWidget() == dialog)
                dialog->reject();
        });
        const QString chosen = FileChooser::openFileName(nullptr, "Open", place.path(), QString());
        QCOMPARE(chosen, folder ? QString() : place.filePath(name));
        QCOMPARE(entered, folder);
        QCOMPARE(refusal, QString());
    }
};

VEXO_TEST_CLASS(TestWindowSeams)
#include "tst_windowseams.moc"
