// The seam through which window tests reach the file choosers.

#include "jobs/filechooser.h"

#include "testregistry.h"
#include "windowtesting.h"

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
};

VEXO_TEST_CLASS(TestWindowSeams)
#include "tst_windowseams.moc"
