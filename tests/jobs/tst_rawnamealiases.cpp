// Files whose names are not UTF-8: their readable names, the aliases that reach them, and the
// open-file chooser that offers those aliases.

#include "jobs/filechooser.h"
#include "jobs/rawnamealiases.h"

#include "rawnamedfiles.h"
#include "testregistry.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
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
        QTest::newRow("UTF-8 kept") << QByteArray("caf\xc3\xa9 \xe2\x80\x93 \xf0\x9f\x8e\xac.avi")
                                    << QString::fromUtf8("café – 🎬.avi");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9 \xff.avi") << QString::fromUtf8("café ÿ.avi");
        QTest::newRow("Windows quotes and euro") << QByteArray("\x93x\x94 \x80\x92") << QString::fromUtf8("“x” €’");
        QTest::newRow("byte Windows leaves out") << QByteArray("a\x81" "b") << QString::fromUtf8("a\xef\xbf\xbd" "b");
        QTest::newRow("UTF-8 beside Latin-1") << QByteArray("\xc3\xa9\xe9") << QString::fromUtf8("éé");
        QTest::newRow("sequence cut short") << QByteArray("a\xe2\x82") << QString::fromUtf8("aâ‚");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString::fromUtf8("À¯");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\xc2\xa0€");
    }
    void readableName()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, readable);
        QCOMPARE(RawNameAliases::readableName(raw), readable);
    }

    // Each file Qt cannot spell gets an alias that reads as its own bytes; names that read
    // alike are told apart, names too long once readable are cut, folders and spelled names
    // get none; a file added later gets its alias at the next look.
    void aliases()
    {
        RawNamedFiles real;
        QVERIFY(real.write("\xc3\xa9\xff.txt", "first"));
        QVERIFY(real.write("\xe9\xff.txt", "second"));
        QVERIFY(real.write(QByteArray(250, '\xe9') + ".txt", "long"));
        QVERIFY(real.write("spelled.txt", "spelled"));
        QVERIFY(real.makeFolder("d\xff"));

        const QString folder = RawNameAliases::aliasFolder(real.path());
        QVERIFY(!folder.isEmpty());
        QVERIFY(!folder.startsWith(real.path()));
        QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names.size(), 3);
        QSet<QByteArray> contents;
        for (const QString &name : names) {
            QVERIFY2(QFile::encodeName(name).size() <= 255, qPrintable(name));
            contents.insert(contentOf(folder + '/' + name));
            QVERIFY(RawNameAliases::isAlias(folder + '/' + name));
            QCOMPARE(RawNameAliases::realFolder(folder + '/' + name), real.path());
            // What the split and merge dialogs take for the input folder.
            QCOMPARE(QFileInfo(folder + '/' + name).canonicalPath(), QFileInfo(real.path()).canonicalFilePath());
        }
        QCOMPARE(contents, QSet<QByteArray>({"first", "second", "long"}));
        QVERIFY(names.contains(QString::fromUtf8("éÿ.txt")) && names.contains(QString::fromUtf8("éÿ (2).txt")));

        QVERIFY(!RawNameAliases::isAlias(real.path() + "/spelled.txt"));
        QCOMPARE(RawNameAliases::realFolder(real.path() + "/spelled.txt"), real.path());
        QVERIFY(real.write("late\xff.txt", "late"));
        QCOMPARE(RawNameAliases::aliasFolder(real.path() + "/"), folder);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
        QCOMPARE(contentOf(folder + QString::fromUtf8("/lateÿ.txt")), QByteArray("late"));

        RawNamedFiles plain;
        QVERIFY(plain.write("spelled.txt", "spelled"));
        QCOMPARE(RawNameAliases::aliasFolder(plain.path()), QString());
    }

    // The open-file dialog: a folder the user enters that holds such a file puts the folder of
    // its aliases in the side bar, and an alias chosen there is what the chooser returns.
    void dialogOffersAliases()
    {
        QTemporaryDir start;
        RawNamedFiles real;
        QVERIFY(real.write("clip\xff.avi", "clip"));
        QString aliasFolder;
        bool offeredAtStart = true, offeredOnEntering = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const auto offered = [dialog](const QString &folder) {
                return !folder.isEmpty() && dialog->sidebarUrls().contains(QUrl::fromLocalFile(folder));
            };
            aliasFolder = RawNameAliases::aliasFolder(real.path());
            offeredAtStart = offered(aliasFolder);
            dialog->setDirectory(real.path());
            offeredOnEntering = offered(aliasFolder);
            dialog->setDirectory(aliasFolder);
            dialog->selectFile(QString::fromUtf8("clipÿ.avi"));
            QPushButton *open = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open);
            if (open && open->isEnabled())
                open->click();
            else
                dialog->reject();
        });
        const QString chosen = FileChooser::openFileName(nullptr, "Open", start.path(), QString());
        QVERIFY(!offeredAtStart);
        QVERIFY(offeredOnEntering);
        QCOMPARE(chosen, aliasFolder + QString::fromUtf8("/clipÿ.avi"));
        QCOMPARE(contentOf(chosen), QByteArray("clip"));
    }
};

VEXO_TEST_CLASS(TestRawNameAliases)
#include "tst_rawnamealiases.moc"
