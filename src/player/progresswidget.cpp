#include "player/progresswidget.h"
#include "jobs/nestedloop.h"
#include "player/playerlogging.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

ProgressWidget::ProgressWidget(const QString &title, const QString &text, int minimum,
                               int maximum, QWidget *consoleWidget)
    : QWidget(nullptr)
    , progressBar(new QProgressBar)
    , consoleWidget(consoleWidget)
{
    setWindowTitle(title);
    // A title bar and nothing else: no minimise or maximise, the close button only where
    // the window manager always gives one.
    setWindowFlags(Qt::WindowTitleHint);

    progressBar->setRange(minimum, maximum);
    progressBar->setValue(minimum);
    auto *layout = new QVBoxLayout;
    layout->addWidget(new QLabel(text));
    layout->addWidget(progressBar);
    setLayout(layout);

    placeOverConsole();
}

void ProgressWidget::setProgress(int minimum, int maximum, int value)
{
    progressBar->setRange(minimum, maximum);
    progressBar->setValue(value);
}

void ProgressWidget::extendMaximum(int count)
{
    progressBar->setMaximum(progressBar->value() + count);
}

// QProgressBar refuses a value past its maximum, so stepping a full bar leaves it full.
void ProgressWidget::step()
{
    progressBar->setValue(progressBar->value() + 1);
}

void ProgressWidget::showPainted()
{
    // How long the window manager may take to put the window on screen.
    constexpr int kExposeWaitMs = 2000;
    show();
    QElapsedTimer clock;
    clock.start();
    while (windowHandle() && !windowHandle()->isExposed() && clock.elapsed() < kExposeWaitMs) {
        NestedLoop::processEvents("ProgressWidget::showPainted", QEventLoop::AllEvents, 10);
        QThread::yieldCurrentThread();
    }
    repaint();
    NestedLoop::processEvents("ProgressWidget::showPainted");
}

int ProgressWidget::value() const
{
    return progressBar->value();
}

void ProgressWidget::closeEvent(QCloseEvent *event)
{
    emit closedByUser();
    event->accept();
}

QPoint ProgressWidget::placementOver(const QPoint &consolePosition, const QSize &consoleSize)
{
    // Integer division truncates toward zero: a console narrower than the assumed size
    // puts the window left of (or above) the console's corner.
    return {consolePosition.x() + (consoleSize.width() - PlacementWidth) / 2,
            consolePosition.y() + (consoleSize.height() - PlacementHeight) / 2};
}

// Nothing is clipped to the screen: a console near an edge may put part of the window off it.
void ProgressWidget::placeOverConsole()
{
    if (!consoleWidget)
        return;
    const QSize consoleSize = consoleWidget->geometry().size();
    const QPoint target = placementOver(consoleWidget->pos(), consoleSize);
    QScreen *screen = consoleWidget->screen();
    qCDebug(lcPlayer) << "Progress Widget: console& =" << static_cast<void *>(consoleWidget);
    qCDebug(lcPlayer) << "Progress Widget: console size =" << consoleSize
                      << "console position =" << consoleWidget->pos();
    qCDebug(lcPlayer) << "Console screen number :" << QGuiApplication::screens().indexOf(screen);
    qCDebug(lcPlayer) << "Console screen available geometry:"
                      << (screen ? screen->availableGeometry() : QRect());
    qCDebug(lcPlayer) << "Progress Widget: progress bar& =" << static_cast<void *>(progressBar);
    qCDebug(lcPlayer) << "Progress Widget: progress bar size =" << progressBar->size();
    qCDebug(lcPlayer) << "Progress Widget: widget& =" << static_cast<void *>(this);
    qCDebug(lcPlayer) << "Progress Widget: widget size =" << size();
    qCDebug(lcPlayer) << "Progress Widget: widget arbitrary size =" << PlacementWidth << "x"
                      << PlacementHeight;
    qCDebug(lcPlayer) << "x:" << target.x() << "y:" << target.y();
    move(target);
}
