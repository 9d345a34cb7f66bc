// The end of a file's writing, told by the system as the writer closes it: only for the
// file watched, only after writing, and also for a file that did not exist when the watch
// began.

#include "engines/fileclosewatcher.h"
#include "testregistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
}

class FileCloseWatcherTest : public QObject
{
    Q_OBJECT

private slots:
    void toldOnceTheWriterCloses()
    {
        QTemporaryDir folder;
        const QString watched = folder.filePath("volume 1.avi");
        FileCloseWatcher watcher;
        QSignalSpy closed(&watcher, &FileCloseWatcher::closedAfterWriting);
        watcher.watch(watched);

        // Another file in the folder, and the watched one only read: nothing to tell.
        QVERIFY(writeFile(folder.filePath("volume 2.avi"), "other"));
        QTest::qWait(100);
        QCOMPARE(closed.size(), 0);
        QVERIFY(writeFile(watched, "first"));
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 5000);
        QCOMPARE(closed.first().first().toString(), watched);
        QFile reader(watched);
        QVERIFY(reader.open(QIODevice::ReadOnly) && reader.readAll() == "first");
        reader.close();
        QTest::qWait(100);
        QCOMPARE(closed.size(), 1);

        // Watching another path forgets the first; an empty one watches nothing.
        const QString next = folder.filePath("volume 3.avi");
        watcher.watch(next);
        QVERIFY(writeFile(watched, "again"));
        QVERIFY(writeFile(next, "next"));
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 2, 5000);
        QCOMPARE(closed.last().first().toString(), next);
        watcher.watch(QString());
        QVERIFY(writeFile(next, "after"));
        QTest::qWait(100);
        QCOMPARE(closed.size(), 2);
    }

    void missingFolderTellsNothing()
    {
        QTemporaryDir folder;
        FileCloseWatcher watcher;
        QSignalSpy closed(&watcher, &FileCloseWatcher::closedAfterWriting);
        watcher.watch(folder.filePath("gone/volume.avi"));
        QCOMPARE(watcher.path(), folder.filePath("gone/volume.avi"));
        QVERIFY(writeFile(folder.filePath("volume.avi"), "elsewhere"));
        QTest::qWait(100);
        QCOMPARE(closed.size(), 0);
    }
};

VEXO_TEST_CLASS(FileCloseWatcherTest)
#include "tst_fileclosewatcher.moc"
