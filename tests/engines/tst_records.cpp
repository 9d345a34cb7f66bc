// The disc title table: title numbers come from engine output, so one outside 1 to 99 must
// reach no entry and a valid one exactly its own.

#include "engines/diskinfo.h"
#include "testregistry.h"

#include <QTest>

class TestMediaRecords : public QObject
{
    Q_OBJECT

private slots:
    void titleLookupStaysInsideTheTable_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("index"); // -1: no entry
        QTest::newRow("first title") << 1 << 0;
        QTest::newRow("last title") << 99 << 98;
        QTest::newRow("title 0") << 0 << -1;
        QTest::newRow("title 100") << 100 << -1;
    }

    void titleLookupStaysInsideTheTable()
    {
        QFETCH(int, number);
        QFETCH(int, index);
        DiskInfo disk;
        DiskTitle *entry = disk.title(number);
        QCOMPARE(entry == nullptr, index < 0);
        if (entry)
            entry->chapters = 7;
        for (int i = 0; i < DiskInfo::MaxTitles; ++i)
            QCOMPARE(disk.titles[size_t(i)].chapters, i == index ? 7 : 0);
    }
};

VEXO_TEST_CLASS(TestMediaRecords)
#include "tst_records.moc"
