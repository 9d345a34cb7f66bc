// The update check against a service of the test's own on 127.0.0.1: the request it sends,
// and one outcome, shown in the dialog, for every kind of reply a service can give.

#include "app/mervosoftwareupdatedialog.h"
#include "app/replytext.h"
#include "app/softwareupdate.h"
#include "app/softwareupdatedialog.h"
#include "app/website.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

VEXO_TEST_NEEDS_DISPLAY

namespace {

const QByteArray kValidBody = "<html><RESPONSE>\n  A <b>new</b> release is out.\n</RESPONSE>"
                              "<OPENURL> http://127.0.0.1/open.zip </OPENURL>"
                              "<MERVOURL>https://127.0.0.1/mervo.zip</MERVOURL>"
                              "<WHATYOUGET>Faster <a href=\"http://127.0.0.1/notes\">notes</a></WHATYOUGET></html>";

// A one-connection HTTP service that answers the way its mode says and records the request.
class UpdateService : public QTcpServer
{
public:
    explicit UpdateService(const QString &mode, const QByteArray &body = {}) : m_mode(mode), m_body(body)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }
    QUrl base() const { return QUrl(QString("http://127.0.0.1:%1").arg(serverPort())); }

    QByteArray request;
    int connections = 0;

private:
    void read(QTcpSocket *socket)
    {
        m_pending[socket] += socket->readAll();
        const QByteArray &data = m_pending[socket];
        const int headerEnd = data.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QByteArray lengthHeader = "Content-Length: ";
        const int lengthAt = data.indexOf(lengthHeader);
        const int length = lengthAt < 0 ? 0 : data.mid(lengthAt + lengthHeader.size(), 12).split('\r').first().toInt();
        if (data.size() < headerEnd + 4 + length)
            return;
        request = data;
        ++connections;
        answer(socket);
    }

    void send(QTcpSocket *socket, const QByteArray &status, const QByteArray &body, const QByteArray &extra = {})
    {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n" + extra + "Connection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    void answer(QTcpSocket *socket)
    {
        if (m_mode == "valid") {
            send(socket, "200 OK", kValidBody);
        } else if (m_mode == "two pieces") {
            const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(kValidBody.size())
                    + "\r\nConnection: close\r\n\r\n";
            socket->write(head + kValidBody.left(20));
            socket->flush();
            QTimer::singleShot(300, socket, [socket] {
                socket->write(kValidBody.mid(20));
                socket->disconnectFromHost();
            });
        } else if (m_mode == "empty") {
            send(socket, "200 OK", "");
        } else if (m_mode == "garbage") {
            QByteArray junk;
            for (int i = 0; i < 4096; ++i)
                junk += char((i * 37) % 256);
            send(socket, "200 OK", junk);
        } else if (m_mode == "bad links") {
            send(socket, "200 OK", "<RESPONSE>New</RESPONSE><OPENURL>file:///etc/passwd</OPENURL>"
                                   "<MERVOURL>javascript:alert(1)</MERVOURL>");
        } else if (m_mode == "not found") {
            send(socket, "404 Not Found", "<RESPONSE>This is no answer</RESPONSE>");
        } else if (m_mode == "redirect nowhere") {
            send(socket, "300 Multiple Choices", "<RESPONSE>This is no answer</RESPONSE>");
        } else if (m_mode == "closed") {
            socket->abort();
        } else if (m_mode == "redirect loop") {
            send(socket, "302 Found", "", "Location: /vexo/update/request.php\r\n");
        } else if (m_mode == "body") {
            send(socket, "200 OK", m_body);
        } else if (m_mode == "drip") {
            // A byte now and then, never silent long enough for the transfer time-out; the
            // drip stops by itself after 20 s.
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n");
            auto *drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket, drip, ticks = 0]() mutable {
                socket->write("x");
                if (++ticks == 200)
                    drip->stop();
            });
            drip->start(100);
        } else if (m_mode == "large") {
            send(socket, "200 OK", "<RESPONSE>" + QByteArray(3 * 1024 * 1024, 'x') + "</RESPONSE>");
        }
        // "silent": no answer at all.
    }

    QString m_mode;
    QByteArray m_body;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

QLabel *messageLabel(QDialog &dialog)
{
    return dialog.findChildren<QGroupBox *>().first()->findChild<QLabel *>();
}

QGroupBox *extraGroup(QDialog &dialog)
{
    return dialog.findChildren<QGroupBox *>().at(1);
}

} // namespace

class SoftwareUpdateTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { WebSite::setBase(QUrl("http://www.vexo-media.org")); }
    void theRequest();
    void requestBodyIsEncoded_data();
    void requestBodyIsEncoded();
    void replyTags_data();
    void replyTags();
    void oneOutcomePerCheck_data();
    void oneOutcomePerCheck();
    void replyFormattingKept_data();
    void replyFormattingKept();
    void hostileRepliesShownAsText_data();
    void hostileRepliesShownAsText();
    void onlyWebLinksOpen();
    void failureReasonShownAsText();
};

// Method, path, headers and body of the one request a check sends.
void SoftwareUpdateTest::theRequest()
{
    UpdateService service("valid");
    WebSite::setBase(service.base());
    QString response, extra, open, mervo;
    SoftwareUpdate checker(&response, &extra, &open, &mervo);
    QSignalSpy finished(&checker, &SoftwareUpdate::checkUpdateFinished);
    QSignalSpy started(&checker, &SoftwareUpdate::checkUpdateStarted);
    checker.checkUpdate();
    checker.checkUpdate(); // ignored while the first one runs
    QCOMPARE(started.count(), 1);
    QVERIFY(finished.wait(20000));
    QCOMPARE(service.connections, 1);

    const QList<QByteArray> lines = service.request.split('\n');
    QCOMPARE(lines.first().trimmed(), QByteArray("POST /vexo/update/request.php HTTP/1.1"));
    QVERIFY(service.request.contains("\r\nReferer: CheckUpdates\r\n"));
    QVERIFY(service.request.contains("\r\nUser-Agent: Vexo 4.0.1.0\r\n"));
    QVERIFY(service.request.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n"));
    const QByteArray body = service.request.mid(service.request.indexOf("\r\n\r\n") + 4);
    QVERIFY2(!body.contains('\n') && !body.contains(' '), body.constData());
    const QUrlQuery query(QString::fromLatin1(body));
    QCOMPARE(query.queryItemValue("platform"), QSysInfo::kernelType());
    QCOMPARE(query.queryItemValue("version"), QString("4.0.1.0"));
    QCOMPARE(query.queryItemValue("build"), QString("9173"));
    const QString system = query.queryItemValue("system", QUrl::FullyDecoded);
    QCOMPARE(system, SoftwareUpdate::systemText());
    QVERIFY(!system.isEmpty() && !system.contains('\n') && !system.contains('\r'));
}

void SoftwareUpdateTest::requestBodyIsEncoded_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("spaces and brackets") << "Debian 12 (bookworm)" << QByteArray("Debian%2012%20%28bookworm%29");
    QTest::newRow("field separators inside a value") << "a&b=c" << QByteArray("a%26b%3Dc");
    QTest::newRow("non-Latin letters as UTF-8") << "Ève" << QByteArray("%C3%88ve");
    QTest::newRow("plus sign") << "1+1" << QByteArray("1%2B1");
}

void SoftwareUpdateTest::requestBodyIsEncoded()
{
    QFETCH(QString, system);
    QFETCH(QByteArray, encoded);
    QCOMPARE(SoftwareUpdate::requestBody("linux", "4.0.1.0", "9173", system),
             "platform=linux&version=4.0.1.0&build=9173&system=" + encoded);
}

void SoftwareUpdateTest::replyTags_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("values"); // response, open, mervo, what you get
    QTest::newRow("response only") << "<RESPONSE>Up to date</RESPONSE>" << QStringList{"Up to date", "", "", ""};
    QTest::newRow("tag twice: first opening to last closing")
            << "<OPENURL>a</OPENURL> and <OPENURL>b</OPENURL>" << QStringList{"", "a</OPENURL> and <OPENURL>b", "", ""};
    QTest::newRow("trimmed across lines") << "<MERVOURL>\n  http://x/y \r\n</MERVOURL><WHATYOUGET> A\nB </WHATYOUGET>"
                                          << QStringList{"", "", "http://x/y", "A\nB"};
    QTest::newRow("case matters") << "<response>no</response>" << QStringList{"", "", "", ""};
    QTest::newRow("unclosed tag") << "<RESPONSE>half" << QStringList{"", "", "", ""};
}

void SoftwareUpdateTest::replyTags()
{
    QFETCH(QString, body);
    QFETCH(QStringList, values);
    const SoftwareUpdate::Answer answer = SoftwareUpdate::parseReply(body);
    QCOMPARE(QStringList({answer.response, answer.openUrl, answer.mervoUrl, answer.whatYouGet}), values);
}

void SoftwareUpdateTest::oneOutcomePerCheck_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("openEnabled");
    QTest::newRow("valid") << "valid" << true << "A <b>new</b> release is out." << true;
    QTest::newRow("two pieces") << "two pieces" << true << "A <b>new</b> release is out." << true;
    QTest::newRow("empty body") << "empty" << true << "update server is not responding" << false;
    QTest::newRow("garbage") << "garbage" << true << "update server is not responding" << false;
    QTest::newRow("404 with a body") << "not found" << false << "update server error" << false;
    QTest::newRow("300 without a place to go") << "redirect nowhere" << false << "Network error #300" << false;
    QTest::newRow("closed connection") << "closed" << false << "update server error" << false;
    QTest::newRow("no answer") << "silent" << false << "No answer within 1.5 seconds" << false;
    QTest::newRow("redirect loop") << "redirect loop" << false << "update server error" << false;
    QTest::newRow("very large body") << "large" << false << "The reply is larger than" << false;
    QTest::newRow("a byte now and then") << "drip" << false << "No complete answer within 4 seconds" << false;
}

void SoftwareUpdateTest::oneOutcomePerCheck()
{
    QFETCH(QString, mode);
    QFETCH(bool, succeeds);
    QFETCH(QString, message);
    QFETCH(bool, openEnabled);
    UpdateService service(mode);
    WebSite::setBase(service.base());
    SoftwareUpdateDialog dialog;
    // Short, to keep the test short, yet far from what the server's timers and a busy
    // machine's turns of the event loop take: a pause of 300 ms between two pieces, a byte
    // every 100 ms.
    dialog.checker()->setTransferTimeout(1500);
    dialog.checker()->setDeadline(4000);
    QSignalSpy succeeded(dialog.checker(), &SoftwareUpdate::checkUpdateSucceeded);
    QSignalSpy failed(dialog.checker(), &SoftwareUpdate::checkUpdateFailed);
    QSignalSpy finished(dialog.checker(), &SoftwareUpdate::checkUpdateFinished);
    dialog.checkUpdate();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(finished.count() == 1 || finished.wait(10000));
    QTest::qWait(400); // a second outcome would arrive here
    QCOMPARE(succeeded.count() + failed.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(succeeded.count(), int(succeeds));
    QVERIFY2(messageLabel(dialog)->text().contains(message), qPrintable(messageLabel(dialog)->text()));
    QCOMPARE(dialog.openButton()->isEnabled(), openEnabled);
    QCOMPARE(dialog.mervoButton()->isEnabled(), openEnabled);
    QCOMPARE(extraGroup(dialog)->isVisible(), openEnabled);
    if (!succeeds)
        QVERIFY(!messageLabel(dialog)->text().contains("This is no answer"));
    const QImage shot = WindowTesting::grabWidget(&dialog);
    WindowTesting::saveScreenshot(shot, "update-" + mode.replace(' ', '-'));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
}

void SoftwareUpdateTest::replyFormattingKept_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bold, italics, break, link")
            << "A <b>new</b> <i>release</i><br>is <a href=\"http://x.org/d\">out</a>."
            << "A <b>new</b> <i>release</i><br>is <a href=\"http://x.org/d\">out</a>.";
    QTest::newRow("strong, em, upper case") << "<STRONG>s</STRONG><Em>e</Em>" << "<b>s</b><i>e</i>";
    QTest::newRow("nesting made flat") << "<b><b><i>x</i></b>y</b>" << "<b><i>x</i></b><b>y</b>";
    QTest::newRow("paragraphs") << " <p>One</p>\n<p>Two</p> " << "One<br><br>Two";
    QTest::newRow("line breaks bounded") << "a<br><br/><br><br><br><br>b" << "a<br><br><br><br>b";
    QTest::newRow("image as text") << "<img src='file:///dev/zero'>" << "&lt;img src='file:///dev/zero'&gt;";
    QTest::newRow("division and style as text") << "<div style=\"x\">d</div>"
                                                << "&lt;div style=&quot;x&quot;&gt;d&lt;/div&gt;";
    QTest::newRow("link to a file dropped") << "<a href=\"file:///etc/passwd\">x</a>" << "x";
    QTest::newRow("link of another scheme dropped") << "<a href=\"ftp://example.org/x\">x</a>" << "x";
    QTest::newRow("secure web link kept") << "<a href='HTTPS://x.org/d?a=1&amp;b=2'>x</a>"
                                          << "<a href=\"https://x.org/d?a=1&amp;b=2\">x</a>";
    QTest::newRow("references kept, lone signs escaped") << "Caf&eacute; &amp; &#233; & 5 < 6"
                                                         << "Caf&eacute; &amp; &#233; &amp; 5 &lt; 6";
    QTest::newRow("long text cut") << QString(5000, 'x')
                                   << QString(ReplyText::MaximumShownCharacters, 'x') + "&hellip;";
}

void SoftwareUpdateTest::replyFormattingKept()
{
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QCOMPARE(ReplyText::richText(value), shown);
}

void SoftwareUpdateTest::hostileRepliesShownAsText_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("shown"); // part of the message label's text
    QTest::newRow("image of /dev/zero") << QByteArray("New <img src='file:///dev/zero'>")
                                        << "New &lt;img src='file:///dev/zero'&gt;";
    QTest::newRow("image of a FIFO") << QByteArray("New <img src='file://FIFO'>") << "&lt;img src='file://";
    QByteArray tables = "x";
    for (int i = 0; i < 19; ++i)
        tables = "<table><tr><td>" + tables + "</td></tr></table>";
    QTest::newRow("19 nested tables") << tables << "&lt;table&gt;&lt;tr&gt;";
    QTest::newRow("150 KB of nested divisions")
            << QByteArray("<div>").repeated(12500) + "deep" + QByteArray("</div>").repeated(12500)
            << "&lt;div&gt;&lt;div&gt;";
}

// What a service sends is shown as text beside the formatting kept: nothing it names is
// opened, and laying it out takes no time to speak of.
void SoftwareUpdateTest::hostileRepliesShownAsText()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, shown);
    QTemporaryDir folder;
    const QByteArray fifo = QFile::encodeName(folder.path() + "/image.png");
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    response.replace("file://FIFO", "file://" + fifo);
    UpdateService service("body", "<RESPONSE>" + response + "</RESPONSE><WHATYOUGET>" + response + "</WHATYOUGET>");
    WebSite::setBase(service.base());
    SoftwareUpdateDialog dialog;
    QSignalSpy succeeded(dialog.checker(), &SoftwareUpdate::checkUpdateSucceeded);
    QElapsedTimer clock;
    clock.start();
    dialog.checkUpdate();
    dialog.show();
    QVERIFY(succeeded.wait(20000));
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shot = WindowTesting::grabWidget(&dialog);
    // Laid out at once; before, the tables took a minute and a half, the divisions 42 s.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    WindowTesting::saveScreenshot(shot, "update-hostile-" + QString(QTest::currentDataTag()).replace(' ', '-'));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY2(messageLabel(dialog)->text().contains(shown), qPrintable(messageLabel(dialog)->text().left(200)));
    QVERIFY(extraGroup(dialog)->findChild<QLabel *>()->text().contains(shown));
    // Nobody opened the FIFO for reading: a writer that does not wait finds no reader.
    const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
    QCOMPARE(writer, -1);
    QCOMPARE(errno, ENXIO);
}

// Release buttons and labels open http and https addresses only.
void SoftwareUpdateTest::onlyWebLinksOpen()
{
    WindowTesting::UrlInterceptor interceptor;
    QDesktopServices::setUrlHandler("javascript", &interceptor, "open");
    for (const QString mode : {"valid", "bad links"}) {
        UpdateService service(mode);
        WebSite::setBase(service.base());
        MervoSoftwareUpdateDialog dialog;
        QSignalSpy finished(dialog.checker(), &SoftwareUpdate::checkUpdateFinished);
        dialog.checkUpdate();
        dialog.show();
        QVERIFY(finished.wait(20000));
        QVERIFY(!dialog.openButton()->isVisible());
        dialog.openButton()->click();
        dialog.mervoButton()->click();
        emit extraGroup(dialog)->findChild<QLabel *>()->linkActivated("file:///etc/passwd");
    }
    QDesktopServices::unsetUrlHandler("javascript");
    QCOMPARE(interceptor.urls(),
             QList<QUrl>({QUrl("http://127.0.0.1/open.zip"), QUrl("https://127.0.0.1/mervo.zip")}));

    const QList<std::pair<QString, bool>> links = {
        {"http://www.vexo-media.org/vexo/help", true}, {"HTTPS://example.org/", true},
        {"file:///etc/passwd", false}, {"file://localhost/etc/passwd", false}, {"ftp://example.org/x", false}, {"javascript:alert(1)", false}, {"mailto:a@b.c", false},
        {"http:///no-host", false}, {"relative/path", false}};
    for (const auto &link : links)
        QCOMPARE(WebSite::openLink(link.first), link.second);
}

void SoftwareUpdateTest::failureReasonShownAsText()
{
    SoftwareUpdateDialog dialog;
    QVERIFY(QMetaObject::invokeMethod(&dialog, "checkUpdateFailed", Q_ARG(QString, "<img src=x> broke")));
    QCOMPARE(messageLabel(dialog)->text(),
             QString("<i>Vexo 4.0 update server error.</i><br><br><b>&lt;img src=x&gt; broke.</b>"));
    QVERIFY(QMetaObject::invokeMethod(&dialog, "checkUpdateFailed", Q_ARG(QString, QString())));
    QVERIFY(messageLabel(dialog)->text().endsWith("<b>Unknown error.</b>"));
}

VEXO_TEST_CLASS(SoftwareUpdateTest)
#include "tst_softwareupdate.moc"
