#include "windowtesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QScrollArea>
#include <QSet>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

#include <algorithm>

namespace WindowTesting {

namespace {
const char *const kInterceptedSchemes[] = {"http", "https", "file", "mailto"};
constexpr int kPollMs = 20;
}

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QImage grabWidget(QWidget *widget)
{
    return widget->grab().toImage();
}

QImage grabNative(QWidget *widget)
{
    if (!onX11() || !widget)
        return QImage();
    QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen->grabWindow(widget->winId()).toImage();
}

QImage grabScreen()
{
    if (!onX11())
        return QImage();
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

namespace {
// One property of the root window or of a window, as xprop prints it.
QString xprop(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xprop"), arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return QString();
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
} // namespace

QList<WId> stackingOrder()
{
    // "_NET_CLIENT_LIST_STACKING(WINDOW): window id # 0x400007, 0x600003"
    const QString text = xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<WId> windows;
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return windows;
    for (const QString &part : text.mid(hash + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const WId id = part.trimmed().toULongLong(&ok, 16);
        if (ok)
            windows.append(id);
    }
    return windows;
}

QStringList windowManagerStates(WId window)
{
    // "_NET_WM_STATE(ATOM) = _NET_WM_STATE_ABOVE, _NET_WM_STATE_FOCUSED"
    const QString text = xprop({QStringLiteral("-id"), QString::number(window),
                                QStringLiteral("_NET_WM_STATE")});
    QStringList states;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return states;
    for (QString part : text.mid(equals + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        states.append(part.trimmed().remove(QStringLiteral("_NET_WM_STATE_")));
    return states;
}

namespace {
// Sends the window manager a request about the window (an EWMH client message to the root
// window) with up to five values; false without X11.
bool askWindowManager(QWidget *window, const QByteArray &request, std::initializer_list<uint32_t> values)
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!onX11() || !x11 || !window)
        return false;
    xcb_connection_t *connection = x11->connection();
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(request.size()), request.constData()), nullptr);
    if (!atom)
        return false;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(window->window()->winId());
    message.type = atom->atom;
    int at = 0;
    for (const uint32_t value : values)
        message.data.data32[at++] = value;
    free(atom);
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    return true;
}
} // namespace

bool pressCloseBox(QWidget *window)
{
    // Asked by the user (2), through a pager or a box of the manager's.
    return askWindowManager(window, QByteArrayLiteral("_NET_CLOSE_WINDOW"), {XCB_CURRENT_TIME, 2});
}

bool resizeByUser(QWidget *window, const QSize &size)
{
    // The width and the height given (bits 10 and 11), asked by the user (2 in bits 12-13).
    return askWindowManager(window, QByteArrayLiteral("_NET_MOVERESIZE_WINDOW"),
                            {(1u << 10) | (1u << 11) | (2u << 12), 0, 0, uint32_t(size.width()),
                             uint32_t(size.height())});
}

bool shownAsRendered(QWidget *widget, const QImage &screen, const QRect &part, double share)
{
    const QRect local = part.isNull() ? widget->rect() : part & widget->rect();
    const QRect where(widget->mapToGlobal(local.topLeft()), local.size());
    const QImage shown = (screen.isNull() ? grabScreen() : screen).copy(where).convertToFormat(QImage::Format_RGB32);
    const QImage own = widget->grab(local).toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.isNull() || shown.size() != own.size())
        return false;
    const auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 12 && qAbs(qGreen(a) - qGreen(b)) <= 12
            && qAbs(qBlue(a) - qBlue(b)) <= 12;
    };
    qint64 same = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            same += near(shown.pixel(x, y), own.pixel(x, y)) ? 1 : 0;
    }
    return double(same) > share * qint64(shown.width()) * shown.height();
}

QRect screenRect(const QWidget *widget)
{
    return {widget->mapToGlobal(QPoint(0, 0)), widget->size()};
}

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

bool scrolledIntoView(QScrollArea *scroll, QWidget *strip, QImage *screen)
{
    scroll->ensureWidgetVisible(strip);
    *screen = grabScreen();
    const QRect where = screenRect(strip);
    QWidget *box = strip->parentWidget();
    const QRect title(0, 0, box->width(), box->fontMetrics().height() + 2);
    if (!screenRect(scroll->viewport()).contains(where) || !availableArea().contains(where))
        return false;
    // Its buttons and labels too: a strip narrower than its layout needs lays them out past
    // its edge, where nobody sees them.
    const QList<QWidget *> parts = strip->findChildren<QWidget *>();
    const bool partsShown = std::all_of(parts.cbegin(), parts.cend(), [&](const QWidget *part) {
        return !part->isVisible() || where.contains(screenRect(part));
    });
    return partsShown && shownAsRendered(box, *screen, title, 0.995);
}

void turnWheel(QWidget *window, const QPoint &at, int notches)
{
    for (int i = 0; i < std::abs(notches); ++i) {
        QWidget *under = window->childAt(at);
        if (!under)
            under = window;
        QWheelEvent wheel(under->mapFrom(window, at), window->mapToGlobal(at), QPoint(),
                          QPoint(0, notches > 0 ? -120 : 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        // Only a spontaneous wheel event goes on to the parents of a widget that ignores it.
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QApplication::instance()->notify(under, &wheel);
    }
}

QString saveScreenshot(const QImage &image, const QString &name)
{
    QString folder = qEnvironmentVariable("VEXO_SCREENSHOTS");
    if (folder.isEmpty())
        folder = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!image.save(path))
        qWarning("screenshot %s not saved", qPrintable(path));
    return path;
}

namespace {
template <typename Test>
double share(const QImage &image, Test test)
{
    if (image.isNull() || image.width() * image.height() == 0)
        return 0.0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 hits = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            hits += test(line[x]) ? 1 : 0;
    }
    return double(hits) / (qint64(rgb.width()) * rgb.height());
}
} // namespace

double colourShare(const QImage &image, const QColor &colour, int tolerance)
{
    return share(image, [&](QRgb pixel) {
        return qAbs(qRed(pixel) - colour.red()) <= tolerance
               && qAbs(qGreen(pixel) - colour.green()) <= tolerance
               && qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
    });
}

double nonBlackShare(const QImage &image, int tolerance)
{
    return share(image, [&](QRgb pixel) {
        return qRed(pixel) > tolerance || qGreen(pixel) > tolerance || qBlue(pixel) > tolerance;
    });
}

int distinctColours(const QImage &image, int limit)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < rgb.height() && colours.size() < limit; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width() && colours.size() < limit; ++x)
            colours.insert(line[x]);
    }
    return int(colours.size());
}

void startSettings(const QString &targetFolder, const QString &targetName)
{
    QSettings settings;
    settings.clear();
    settings.setValue("Output/target folder", targetFolder);
    if (!targetName.isEmpty())
        settings.setValue("Output/target name", targetName);
    settings.setValue("Preferences/Player/DVD/ignore short titles", false);
    settings.sync();
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// ---------------------------------------------------------------------------------------

ModalAnswerer::ModalAnswerer()
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

void ModalAnswerer::answerWithButton(const QString &buttonText)
{
    m_answers.enqueue([buttonText](QWidget *modal) {
        for (QAbstractButton *button : modal->findChildren<QAbstractButton *>()) {
            if (button->text() == buttonText && button->isVisible()) {
                button->click();
                return true;
            }
        }
        return false;
    });
}

void ModalAnswerer::answerWith(QMessageBox::StandardButton standard)
{
    m_answers.enqueue([standard](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QAbstractButton *button = box ? box->button(standard) : nullptr;
        if (!button)
            return false;
        button->click();
        return true;
    });
}

void ModalAnswerer::answerByClosing()
{
    m_answers.enqueue([](QWidget *modal) { return modal->close(); });
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || m_scheduled)
        return;
    // The window just answered may still be on screen until its event loop ends.
    if (modal == m_answered)
        return;
    // Answered from a call of its own: an answer that opens another modal window (a dialog
    // whose close asks a question) runs that window's loop there, and this timer, which does
    // not fire while its own call runs, goes on to answer it.
    m_scheduled = true;
    QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(modal)] {
        m_scheduled = false;
        if (window && window->isVisible() && window == QApplication::activeModalWidget())
            answer(window);
    });
}

void ModalAnswerer::answer(QWidget *modal)
{
    auto *dialog = qobject_cast<QDialog *>(modal);
    if (m_answers.isEmpty() && !dialog)
        return;
    ModalSeen seen;
    seen.className = QString::fromLatin1(modal->metaObject()->className());
    seen.title = modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen.text = box->text();
        seen.informativeText = box->informativeText();
    }
    seen.screenshot = onX11() ? grabNative(modal) : grabWidget(modal);
    if (!m_answers.isEmpty()) {
        if (!m_answers.head()(modal))
            return;
        m_answers.dequeue();
    } else {
        dialog->reject();
    }
    if (!m_screenshotPrefix.isEmpty())
        saveScreenshot(seen.screenshot, m_screenshotPrefix + QString::number(m_seen.size() + 1));
    m_seen.append(seen);
    m_answered = modal;
    // A box shown again later is a new question.
    QTimer::singleShot(kPollMs * 5, this, [this] {
        if (m_answered && !m_answered->isVisible())
            m_answered = nullptr;
    });
}

// ---------------------------------------------------------------------------------------

FileChooserScript::FileChooserScript()
{
    FileChooser::setHandler([this](const FileChooser::Request &request) {
        m_requests.append(request);
        return m_answers.isEmpty() ? QString() : m_answers.dequeue();
    });
}

FileChooserScript::~FileChooserScript()
{
    FileChooser::setHandler(nullptr);
}

UrlInterceptor::UrlInterceptor()
{
    for (const char *scheme : kInterceptedSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
}

void UrlInterceptor::refuseAll()
{
    // Qt reports an open request as done when it could call the handler: a handler name
    // this object has no slot for makes every call fail.
    for (const char *scheme : kInterceptedSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "refusedByTheDesktop");
}

UrlInterceptor::~UrlInterceptor()
{
    for (const char *scheme : kInterceptedSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

} // namespace WindowTesting
