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
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("About") << true << "About Vexo 4.0"
                           << QStringList{"About Vexo 4.0",
                                          QString("Version 4.0.1.0 build 9173 (%1)").arg(HelpBoxes::platformName()),
                                          QString("Running with Qt %1").arg(qVersion()),
                                          "Vexo 4.0 is an audio/video encoder as well as a powerful DVD copier.",
                                          "http://www.vexo-media.org"};
    QTest::newRow("Credits") << false << "Credits" << QStringList{"Encoding engines", "Encoding binaries", "Video utilities"};
}

void HelpBoxesTest::boxes()
{
    QFETCH(bool, about);
    QFETCH(QString, title);
    QFETCH(QStringList, lines);
    WindowTesting::ModalAnswerer answerer;
    // Qt's own rendering of the box: other tests' windows may overlap it on the shared display.
    QImage shot;
    answerer.answerWith([&shot](QWidget *modal) {
        shot = WindowTesting::grabWidget(modal);
        static_cast<QMessageBox *>(modal)->button(QMessageBox::Ok)->click();
        return true;
    });
    if (about)
        HelpBoxes::about(nullptr);
    else
        HelpBoxes::credits(nullptr);
    QCOMPARE(answerer.seen().size(), 1);
    const WindowTesting::ModalSeen &seen = answerer.seen().first();
    QCOMPARE(seen.title, title);
    QTextDocument document;
    document.setHtml(seen.text);
    const QString plain = document.toPlainText();
    for (const QString &line : lines)
        QVERIFY2(plain.contains(line), qPrintable(line + " not in " + plain));
    WindowTesting::saveScreenshot(shot, "help-" + title.replace(' ', '-'));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY(WindowTesting::distinctColours(shot) > 4);
}

// Each engine the program drives is credited, by its project, with a link to its page.
void HelpBoxesTest::creditsNameTheEngineProjects()
{
    const QString text = HelpBoxes::creditsText();
    for (const char *project : {"MPlayer/MEncoder", "FFmpeg", "x264", "mkvmerge", "MediaInfo"})
        QVERIFY2(text.contains(QLatin1String(project)), project);
    // Every link is a web address.
    static const QRegularExpression href("href=\"([^\"]*)\"");
    auto matches = href.globalMatch(text);
    int links = 0;
    while (matches.hasNext()) {
        const QUrl url(matches.next().captured(1));
        QVERIFY2(url.scheme().startsWith("http") && !url.host().isEmpty(), qPrintable(url.toString()));
        ++links;
    }
    QVERIFY(links >= 6);
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
