// The title sets of a disc's titles, read from its VIDEO_TS.IFO: whole tables and damaged ones.

#include "engines/dvdtitlesets.h"
#include "testregistry.h"

#include <QTest>

namespace {
// A VIDEO_TS.IFO whose table of titles stands in its second sector, one entry per title
// naming its title set.
QByteArray ifo(const QList<int> &titleSets, const QByteArray &magic = "DVDVIDEO-VMG", quint8 tableSector = 1)
{
    QByteArray bytes(2048 + 8 + 12 * titleSets.size(), '\0');
    bytes.replace(0, magic.size(), magic);
    bytes[0xC7] = char(tableSector);
    bytes[2048] = char(titleSets.size() >> 8);
    bytes[2049] = char(titleSets.size() & 0xff);
    for (int i = 0; i < titleSets.size(); ++i)
        bytes[2048 + 8 + 12 * i + 6] = char(titleSets.at(i));
    return bytes;
}
} // namespace

class TestDvdTitleSets : public QObject
{
    Q_OBJECT

private slots:
    void titleSetOf_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("title");
        QTest::addColumn<int>("titleSet");
        const QByteArray three = ifo({1, 2, 2});
        QTest::newRow("first title") << three << 1 << 1;
        QTest::newRow("last title, a set of two titles") << three << 3 << 2;
        QTest::newRow("no title 0") << three << 0 << 0;
        QTest::newRow("beyond the table, within the file") << three + QByteArray(64, '\x07') << 4 << 0;
        QTest::newRow("an entry cut off") << three.left(three.size() - 4) << 3 << 0;
        QTest::newRow("a title set's IFO") << ifo({1}, "DVDVIDEO-VTS") << 1 << 0;
        QTest::newRow("the table beyond the file") << ifo({1}, "DVDVIDEO-VMG", 9) << 1 << 0;
        QTest::newRow("no table") << ifo({1}, "DVDVIDEO-VMG", 0) << 1 << 0;
        QTest::newRow("empty") << QByteArray() << 1 << 0;
    }
    void titleSetOf()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, title);
        QFETCH(int, titleSet);
        QCOMPARE(DvdTitleSets::titleSetOf(bytes, title), titleSet);
    }
};

VEXO_TEST_CLASS(TestDvdTitleSets)
#include "tst_dvdtitlesets.moc"
