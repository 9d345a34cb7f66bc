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
    // Beside the expected name, the name returned never names an existing "<name>.*" entry.
    void names()
    {
        const char *const rows[][3] = { // entries ("|" between; "/" ends a folder), base, result
            {"film2.avi|filmography.txt|film", "film", "film"}, // names that merely start alike
            {"film.avi", "film", "film (1)"},
            {"film.avi|film (1).avi|film (7).mkv", "film", "film (8)"},
            {"my (old) film.avi|my (old) film (2).avi", "my (old) film", "my (old) film (3)"},
            {"film.avi|film (x).avi", "film", "film (1)"},
            {"film.avi|film (1).x(y)", "film", "film (2)"}, // its number reads as "y"
            {"film.avi|film (1).avi|film [1].avi", "film", "film (2)"}, // no wildcards
            {"film 1.avi", "film [1]", "film [1]"},
            {"aXb.avi", "a*b", "a*b"},
            {"film.avi", "f?lm", "f?lm"},
            {"FILM.AVI|Film (3).mp4", "film", "film (4)"},
            {"100%2.avi", "100%2", "100%2 (1)"},
            {"film.avi|film (2147483647).avi", "film", "film (2147483648)"},
            {"film.avi/", "film", "film (1)"},
        };
        for (const auto &row : rows) {
            QTemporaryDir dir;
            for (const QString &name : QString(row[0]).split('|')) {
                if (name.endsWith('/'))
                    QVERIFY(QDir(dir.path()).mkdir(name));
                else
                    QVERIFY2(QFile(dir.filePath(name)).open(QIODevice::WriteOnly), qPrintable(name));
            }
            const QString unique = makeUniqueBaseName(dir.path(), row[1]);
            QCOMPARE(unique, QString(row[2]));
            const auto filter = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
            for (const QString &entry : QDir(dir.path()).entryList(filter))
                QVERIFY2(!entry.startsWith(unique + '.', Qt::CaseInsensitive), qPrintable(entry));
        }
    }

    // A reserved name is taken until every reservation of it is released, in whatever case
    // each was given.
    void reservedNames()
    {
        QTemporaryDir dir;
        reserveOutputName(dir.path(), "Film");
        reserveOutputName(dir.path(), "film");
        QCOMPARE(makeUniqueBaseName(dir.path(), "film"), QString("film (1)"));
        releaseOutputName(dir.path(), "FILM");
        QCOMPARE(makeUniqueBaseName(dir.path(), "film"), QString("film (1)"));
        releaseOutputName(dir.path(), "Film");
        QCOMPARE(makeUniqueBaseName(dir.path(), "film"), QString("film"));
    }
};

VEXO_TEST_CLASS(TestUniqueBaseName)
#include "tst_uniquebasename.moc"
