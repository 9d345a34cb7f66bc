#pragma once

// Support for tests of windows: screenshots (saved for a look afterwards and checked by
// pixel counts), answers to modal boxes, scripted file choosers and intercepted links.

#include "jobs/filechooser.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>


class QScrollArea;

namespace WindowTesting {

// True on a real X display (Xvfb in CI); the offscreen platform cannot host MPlayer.
bool onX11();

// Qt's own rendering of a widget and its children.
QImage grabWidget(QWidget *widget);
// What the X server shows in the widget's native window, children drawn by other programs
// (MPlayer through "-wid") included. Needs X11; a null image elsewhere.
QImage grabNative(QWidget *widget);

// The whole screen as the X server shows it, every window in its stacking; a null image
// elsewhere.
QImage grabScreen();
// The program's windows as the window manager stacks them, bottom first (X window ids from
// its _NET_CLIENT_LIST_STACKING); empty without a window manager.
QList<WId> stackingOrder();
// The states the window manager keeps for a window (_NET_WM_STATE: "ABOVE", ...).
QStringList windowManagerStates(WId window);
// Asks the window manager to close the window, as its close box does (_NET_CLOSE_WINDOW):
// the manager then asks the program (WM_DELETE_WINDOW). False without X11.
bool pressCloseBox(QWidget *window);

// Asks the window manager to give the window this size, as a person dragging its edge does
// (_NET_MOVERESIZE_WINDOW from the user): the program sees a resize it did not ask for.
// False without X11.
bool resizeByUser(QWidget *window, const QSize &size);

// Whether the screen (grabbed now, or the grab given) shows the widget, or a part of it
// (widget coordinates), where it is as the widget renders itself: the given share of the
// pixels within a few shades (its own rendering may have another background).
bool shownAsRendered(QWidget *widget, const QImage &screen = QImage(), const QRect &part = QRect(),
                     double share = 0.9);

// Where the widget is on the screen.
QRect screenRect(const QWidget *widget);
// The screen's area free of panels, where the window manager places windows.
QRect availableArea();
// Scrolls the area down to the widget (a job's strip in a job view) and tells whether the
// screen, grabbed into `screen`, shows it there, all its parts within the free area, with the
// title of its box: strips look alike, their boxes' titles name the jobs.
bool scrolledIntoView(QScrollArea *scroll, QWidget *strip, QImage *screen);

// Turns the mouse wheel over a point of a window (window coordinates) by whole notches, down
// for positive counts: each turn reaches the widget under the point as the window system's
// would, and goes up to its parents while none takes it.
void turnWheel(QWidget *window, const QPoint &at, int notches);

// Saves the image as <screenshot folder>/<name>.png and returns the path; the folder is
// $VEXO_SCREENSHOTS or "screenshots" in the working folder.
QString saveScreenshot(const QImage &image, const QString &name);

// Share (0..1) of pixels whose red, green and blue are all within tolerance of the colour.
double colourShare(const QImage &image, const QColor &colour, int tolerance = 8);
// Share of pixels that are not black (any channel above the tolerance).
double nonBlackShare(const QImage &image, int tolerance = 16);
// Number of distinct colours, counted up to the limit.
int distinctColours(const QImage &image, int limit = 64);

// How long a check of what the X server shows may wait: grabbing a native window is slow on a
// loaded two-core machine, and a player drawing into it slower still.
constexpr int kScreenWait = 30000;

// Waits, handling events, until the condition holds or the time is up.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = kScreenWait);

// The settings a main window test starts from: none but the target folder and name, and every
// title of the test DVDs (a few seconds each) kept.
void startSettings(const QString &targetFolder, const QString &targetName = QString());

// What a modal box showed when it was answered.
struct ModalSeen
{
    QString className;
    QString title;
    QString text;
    QString informativeText;
    QImage screenshot;
};

// Answers every modal window that becomes active while it lives: it polls
// QApplication::activeModalWidget(), records what the window shows and answers it with the
// next queued answer (clicking the button with that text, or the standard button); without
// a queued answer it rejects a dialog and leaves other modal windows (progress windows)
// alone. A queued answer that returns false is not ready yet and is tried again at the
// next poll.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    ModalAnswerer();

    void answerWithButton(const QString &buttonText);
    void answerWith(QMessageBox::StandardButton button);
    // Closes the next modal window as its close button would (for windows that are no dialogs).
    void answerByClosing();
    void answerWith(std::function<bool(QWidget *)> answer) { m_answers.enqueue(std::move(answer)); }
    // Saves a screenshot of each answered window under this name prefix.
    void screenshotAs(const QString &prefix) { m_screenshotPrefix = prefix; }

    const QList<ModalSeen> &seen() const { return m_seen; }

private:
    void poll();
    void answer(QWidget *modal);

    QTimer m_timer;
    QQueue<std::function<bool(QWidget *)>> m_answers;
    QList<ModalSeen> m_seen;
    QString m_screenshotPrefix;
    QPointer<QWidget> m_answered;
    bool m_scheduled = false; // an answer waits for its call
};

// Answers every file chooser of the program from a queue while it lives, and records
// what each chooser was asked. An empty queue answers as a cancelled dialog.
class FileChooserScript
{
public:
    FileChooserScript();
    ~FileChooserScript();
    FileChooserScript(const FileChooserScript &) = delete;
    FileChooserScript &operator=(const FileChooserScript &) = delete;

    void answer(const QString &path) { m_answers.enqueue(path); }
    const QList<FileChooser::Request> &requests() const { return m_requests; }

private:
    QQueue<QString> m_answers;
    QList<FileChooser::Request> m_requests;
};

// Catches the links the program opens with QDesktopServices (web pages, folders) while it
// lives, instead of starting a browser or file manager.
class UrlInterceptor : public QObject
{
    Q_OBJECT

public:
    UrlInterceptor();
    ~UrlInterceptor() override;

    // From now on the desktop opens nothing, as one without a browser or file manager:
    // Qt then reports every open request as failed.
    void refuseAll();

    const QList<QUrl> &urls() const { return m_urls; }

public slots:
    void open(const QUrl &url) { m_urls.append(url); }

private:
    QList<QUrl> m_urls;
};

} // namespace WindowTesting
