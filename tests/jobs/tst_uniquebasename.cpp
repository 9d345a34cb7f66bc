#include "jobs/uniquebasename.h"

#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestUniqueBaseName : public QObject
{
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, QStringList files, const char *baseName,
                      const char *expected, QStringList folders = {}) {
            QTest::newRow(name) << files << folders << QString::fromUtf8(baseName)
                                << QString::fromUtf8(expected);
        };
        row("empty folder", {}, "film", "film");
        row("only names that merely start alike", {"film2.avi", "filmography.txt", "film"},
            "film", "film");
        row("only film.avi", {"film.avi"}, "film", "film (1)");
        row("highest number plus one", {"film.avi", "film (1).avi", "film (7).mkv"}, "film",
            "film (8)");
        row("gaps are not reused", {"film.avi", "film (3).avi"}, "film", "film (4)");
        row("parentheses in the base name", {"my (old) film.avi", "my (old) film (2).avi"},
            "my (old) film", "my (old) film (3)");
        row("number that is not a number", {"film.avi", "film (x).avi"}, "film", "film (1)");
        row("brackets are no wildcard", {"film.avi", "film (1).avi", "film [1].avi"}, "film",
            "film (2)");
        row("bracketed base name present", {"film [1].avi"}, "film [1]", "film [1] (1)");
        row("bracketed base name matches no class", {"film 1.avi"}, "film [1]", "film [1]");
        row("asterisk is no wildcard", {"aXb.avi"}, "a*b", "a*b");
        row("asterisk base name present", {"a*b.avi", "a*b (4).avi"}, "a*b", "a*b (5)");
        row("question mark is no wildcard", {"film.avi"}, "f?lm", "f?lm");
        row("letter case ignored", {"FILM.AVI", "Film (3).mp4"}, "film", "film (4)");
        row("hidden entries count", {".film.avi"}, ".film", ".film (1)");
        row("empty extension counts", {"film."}, "film", "film (1)");
        row("placeholder in the base name", {"100%2.avi"}, "100%2", "100%2 (1)");
        row("odd numbered name still taken", {"film.avi", "film (1).x(y)"}, "film", "film (2)");
        row("highest int", {"film.avi", "film (2147483647).avi"}, "film", "film (2147483648)");
        row("folder named like the output", {}, "film", "film (1)", {"film.avi"});
    }

    // Beside the expected name, the name returned never names an existing
    // "<name>.*" entry, whatever the other entries are.
    void names()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, folders);
        QFETCH(QString, baseName);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(name));
        }
        for (const QString &name : folders)
            QVERIFY(QDir(dir.path()).mkdir(name));

        const QString unique = makeUniqueBaseName(dir.path(), baseName);
        QCOMPARE(unique, expected);
        const QStringList entries =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString &entry : entries)
            QVERIFY2(!entry.startsWith(unique + '.', Qt::CaseInsensitive), qPrintable(entry));
    }

    void missingFolderGivesBaseName()
    {
        QTemporaryDir dir;
        QCOMPARE(makeUniqueBaseName(dir.filePath("absent"), QStringLiteral("film")),
                 QStringLiteral("film"));
    }
};

VEXO_TEST_CLASS(TestUniqueBaseName)
#include "tst_uniquebasename.moc"
