// Files whose names are not UTF-8: their readable names, the aliases that reach them, and the
// open-file chooser that offers those aliases.

#include "jobs/filechooser.h"
#include "jobs/rawnamealiases.h"

#include "rawnamedfiles.h"
#include "testregistry.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {
QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestRawNameAliases : public QObject
{
    Q_OBJECT

private slots:
    void readableName_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("readable");
        QTest::newRow("UTF-8 kept") << QByteArray("caf\xc3\xa9 \xf0\x9f\x8e\xac") << QString::fromUtf8("café 🎬");
        QTest::newRow("Latin-1 beside UTF-8") << QByteArray("\xc3\xa9\xe9\xff") << QString::fromUtf8("ééÿ");
        QTest::newRow("Windows-1252") << QByteArray("\x93x\x94\x80 a\x81") << QString::fromUtf8("“x”€ a\xef\xbf\xbd");
        QTest::newRow("cut, overlong, surrogate") << QByteArray("\xe2\x82 \xc0\xaf \xed\xa0\x80")
                                                  << QString::fromUtf8("â‚ À¯ í\xc2\xa0€");
    }
    void readableName()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, readable);
        QCOMPARE(RawNameAliases::readableName(raw), readable);
    }

    // Each file Qt cannot spell gets an alias that reads as its own bytes: names that read
    // alike are told apart, names too long once readable are cut; folders and spelled names
    // get none; a file added later gets its alias at the next look.
    void aliases()
    {
        RawNamedFiles real;
        QVERIFY(real.write("\xc3\xa9\xff.txt", "first") && real.write("\xe9\xff.txt", "second"));
        QVERIFY(real.write(QByteArray(250, '\xe9') + ".txt", "long") && real.write("spelled", "spelled"));
        QVERIFY(QDir(real.path()).mkdir("d") && real.moveIn(real.path() + "/d", "d\xff"));
        const QString folder = RawNameAliases::aliasFolder(real.path());
        const QStringList names = QDir(folder).entryList(QDir::Files);
        QSet<QByteArray> contents;
        for (const QString &name : names) {
            contents.insert(contentOf(folder + '/' + name));
            QVERIFY(RawNameAliases::isAlias(folder + '/' + name));
            QCOMPARE(RawNameAliases::realFolder(folder + '/' + name), real.path());
            // What the split and merge dialogs take for the input folder.
            QCOMPARE(QFileInfo(folder + '/' + name).canonicalPath(), QFileInfo(real.path()).canonicalFilePath());
        }
        QCOMPARE(contents, QSet<QByteArray>({"first", "second", "long"}));
        QVERIFY(names.contains(QString::fromUtf8("éÿ.txt")) && names.contains(QString::fromUtf8("éÿ (2).txt")));
        QVERIFY(!RawNameAliases::isAlias(real.path() + "/spelled"));
        QVERIFY(real.write("late\xff", "late"));
        QCOMPARE(RawNameAliases::aliasFolder(real.path() + "/"), folder);
        QCOMPARE(contentOf(folder + QString::fromUtf8("/lateÿ")), QByteArray("late"));
        QCOMPARE(RawNameAliases::aliasFolder(QDir::tempPath()), QString());
    }

    // The open-file dialog: a folder entered that holds such a file puts the folder of its
    // aliases in the side bar, and an alias chosen there is what the chooser returns.
    void dialogOffersAliases()
    {
        RawNamedFiles real;
        QVERIFY(real.write("clip\xff.avi", "clip"));
        QString aliases;
        bool offeredAtStart = true, offeredOnEntering = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            aliases = RawNameAliases::aliasFolder(real.path());
            const QUrl offer = QUrl::fromLocalFile(aliases);
            offeredAtStart = dialog->sidebarUrls().contains(offer);
            dialog->setDirectory(real.path());
            offeredOnEntering = dialog->sidebarUrls().contains(offer);
            dialog->setDirectory(aliases);
            dialog->selectFile(QString::fromUtf8("clipÿ.avi"));
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->click();
        });
        const QString chosen = FileChooser::openFileName(nullptr, "Open", QDir::tempPath(), QString());
        QVERIFY(!offeredAtStart && offeredOnEntering);
        QCOMPARE(contentOf(chosen), QByteArray("clip"));
    }
};

VEXO_TEST_CLASS(TestRawNameAliases)
#include "tst_rawnamealiases.moc"
