// The About and Credits boxes and the on-line help pages.

#include "app/helpboxes.h"
#include "app/website.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTextDocument>

VEXO_TEST_NEEDS_DISPLAY

class HelpBoxesTest : public QObject
{
    Q_OBJECT

private slots:
    void boxes_data();
    void boxes();
    void creditsNameTheEngineProjects();
    void pages();
};

void HelpBoxesTest::boxes_data()
{
    QTest::addColumn<bool>("about");
    QTest::addColumn<int>("edition");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("absent");
    const int base = int(HelpBoxes::Edition::Base), extended = int(HelpBoxes::Edition::Extended);
    const QStringList aboutLines{"About Vexo 4.0",
                                 QString("Version 4.0.1.0 build 9173 (%1)").arg(HelpBoxes::platformName()),
                                 QString("Running with Qt %1").arg(qVersion()),
                                 "Vexo 4.0 is an audio/video encoder as well as a powerful DVD copier.",
                                 "http://www.vexo-media.org"};
    const QString edition = "Vexo 4.0 Mervo Edition also encodes H.264 with x264 and muxes Matroska with MKVmerge.";
    const QStringList sections{"Encoding engines", "Encoding binaries", "Video utilities", "MPlayer/MEncoder",
                               "FFmpeg", "MediaInfo"};
    const QStringList extendedTools{"x264", "mkvmerge", "tsMuxeR"};
    QTest::newRow("About") << true << base << "About Vexo 4.0" << aboutLines << QStringList{edition};
    QTest::newRow("About, extended") << true << extended << "About Vexo 4.0" << aboutLines + QStringList{edition}
                                     << QStringList();
    QTest::newRow("Credits") << false << base << "Credits" << sections << extendedTools;
    QTest::newRow("Credits, extended") << false << extended << "Credits" << sections + extendedTools << QStringList();
}

void HelpBoxesTest::boxes()
{
    QFETCH(bool, about);
    QFETCH(int, edition);
    QFETCH(QString, title);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);
    WindowTesting::ModalAnswerer answerer;
    // Qt's own rendering of the box: other tests' windows may overlap it on the shared display.
    QImage shot;
    answerer.answerWith([&shot](QWidget *modal) {
        shot = WindowTesting::grabWidget(modal);
        static_cast<QMessageBox *>(modal)->button(QMessageBox::Ok)->click();
        return true;
    });
    if (about)
        HelpBoxes::about(nullptr, HelpBoxes::Edition(edition));
    else
        HelpBoxes::credits(nullptr, HelpBoxes::Edition(edition));
    QCOMPARE(answerer.seen().size(), 1);
    const WindowTesting::ModalSeen &seen = answerer.seen().first();
    QCOMPARE(seen.title, title);
    QTextDocument document;
    document.setHtml(seen.text);
    const QString plain = document.toPlainText();
    for (const QString &line : lines)
        QVERIFY2(plain.contains(line), qPrintable(line + " not in " + plain));
    for (const QString &line : absent)
        QVERIFY2(!plain.contains(line), qPrintable(line + " in " + plain));
    WindowTesting::saveScreenshot(shot, "help-" + QString(QTest::currentDataTag()).replace(' ', '-').remove(','));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY(WindowTesting::distinctColours(shot) > 4);
}

// Each engine the program drives is credited, by its project, with a link to its page.
void HelpBoxesTest::creditsNameTheEngineProjects()
{
    const QString text = HelpBoxes::creditsText(HelpBoxes::Edition::Extended);
    // Every link is a web address.
    static const QRegularExpression href("href=\"([^\"]*)\"");
    auto matches = href.globalMatch(text);
    int links = 0;
    while (matches.hasNext()) {
        const QUrl url(matches.next().captured(1));
        QVERIFY2(url.scheme().startsWith("http") && !url.host().isEmpty(), qPrintable(url.toString()));
        ++links;
    }
    QVERIFY(links >= 8);
}

void HelpBoxesTest::pages()
{
    WindowTesting::UrlInterceptor interceptor;
    HelpBoxes::onlineHelp();
    HelpBoxes::onlineFaq();
    QCOMPARE(interceptor.urls(), QList<QUrl>({QUrl("http://www.vexo-media.org/vexo/help"),
                                              QUrl("http://www.vexo-media.org/vexo/faq.php")}));
}

VEXO_TEST_CLASS(HelpBoxesTest)
#include "tst_helpboxes.moc"
