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
    // Entries ending in "/" are made as folders.
    void names_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("expected");
        const char *const rows[][4] = { // name, entries ("|" between), base name, result
            {"only names that merely start alike", "film2.avi|filmography.txt|film", "film", "film"},
            {"only film.avi", "film.avi", "film", "film (1)"},
            {"highest number plus one", "film.avi|film (1).avi|film (7).mkv", "film", "film (8)"},
            {"parentheses in the base name", "my (old) film.avi|my (old) film (2).avi",
             "my (old) film", "my (old) film (3)"},
            {"number that is not a number", "film.avi|film (x).avi", "film", "film (1)"},
            {"brackets are no wildcard", "film.avi|film (1).avi|film [1].avi", "film", "film (2)"},
            {"bracketed base name present", "film [1].avi", "film [1]", "film [1] (1)"},
            {"bracketed base name matches no class", "film 1.avi", "film [1]", "film [1]"},
            {"asterisk is no wildcard", "aXb.avi", "a*b", "a*b"},
            {"asterisk base name present", "a*b.avi|a*b (4).avi", "a*b", "a*b (5)"},
            {"question mark is no wildcard", "film.avi", "f?lm", "f?lm"},
            {"letter case ignored", "FILM.AVI|Film (3).mp4", "film", "film (4)"},
            {"odd numbered name still taken", "film.avi|film (1).x(y)", "film", "film (2)"},
            {"placeholder in the base name", "100%2.avi", "100%2", "100%2 (1)"},
            {"hidden entries count", ".film.avi", ".film", ".film (1)"},
            {"past the highest int", "film.avi|film (2147483647).avi", "film", "film (2147483648)"},
            {"folder named like the output", "film.avi/", "film", "film (1)"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[1]).split('|') << QString(row[2]) << QString(row[3]);
    }
    // Beside the expected name, the name returned never names an existing "<name>.*" entry.
    void names()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, baseName);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString &name : entries) {
            if (name.endsWith('/'))
                QVERIFY(QDir(dir.path()).mkdir(name));
            else
                QVERIFY2(QFile(dir.filePath(name)).open(QIODevice::WriteOnly), qPrintable(name));
        }
        const QString unique = makeUniqueBaseName(dir.path(), baseName);
        QCOMPARE(unique, expected);
        const auto filter = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        for (const QString &entry : QDir(dir.path()).entryList(filter))
            QVERIFY2(!entry.startsWith(unique + '.', Qt::CaseInsensitive), qPrintable(entry));
    }
};

VEXO_TEST_CLASS(TestUniqueBaseName)
#include "tst_uniquebasename.moc"
