// The seams through which window tests reach modal boxes, file choosers and links.

#include "jobs/filechooser.h"
#include "jobs/infoboxdialog.h"

#include "testregistry.h"
#include "windowtesting.h"

#include <QDesktopServices>
#include <QTest>

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

    void urlInterceptor()
    {
        UrlInterceptor links;
        QVERIFY(QDesktopServices::openUrl(QUrl("https://example.org/update")));
        QVERIFY(QDesktopServices::openUrl(QUrl::fromLocalFile("/tmp")));
        QCOMPARE(links.urls(), (QList<QUrl>{QUrl("https://example.org/update"), QUrl::fromLocalFile("/tmp")}));
    }

    // The answerer clicks the queued button of the modal box and records what it showed;
    // without an answer it rejects the box.
    void modalAnswerer()
    {
        ModalAnswerer answerer;
        answerer.answerWithButton("Don't close");
        InfoBoxDialog box;
        box.setText("Abort all running jobs, please confirm ?");
        box.setInformativeText("why");
        box.addButton("Abort all and close", QMessageBox::AcceptRole);
        box.addButton("Don't close", QMessageBox::RejectRole);
        QCOMPARE(box.exec(), 1);
        InfoBoxDialog second;
        second.setText("second");
        second.exec();
        QCOMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.seen().at(0).title, QString("Vexo 4.0 (Information Message)"));
        QVERIFY(answerer.seen().at(0).text.startsWith("Abort all running jobs, please confirm ?"));
        QCOMPARE(answerer.seen().at(0).informativeText, QString("why"));
        QCOMPARE(answerer.seen().at(1).className, QString("InfoBoxDialog"));
        QVERIFY(!answerer.seen().at(0).screenshot.isNull());
    }
};

VEXO_TEST_CLASS(TestWindowSeams)
#include "tst_windowseams.moc"
