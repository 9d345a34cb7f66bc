// The renderer's size and place (zoom and centring), its background, and the panel's
// three consoles.

#include "player/playerwidget.h"

#include "engines/player.h"
#include "jobs/console.h"
#include "jobs/nestedloop.h"
#include "player/rendererframe.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QTextEdit>

#include <limits>

namespace {

// The largest size of the given aspect that fits the maximum-zoom box, in the integer
// arithmetic of the zoom menu. A size with a zero side has no aspect: it gets the box.
QSize maximumZoomSize(const QSize &size, const QSize &box)
{
    const int boxWidth = box.width();
    const int boxHeight = box.height();
    if (size.width() <= 0 || size.height() <= 0)
        return {boxWidth, boxHeight};
    const int width = int(qint64(boxHeight) * size.width() / size.height());
    if (width <= boxWidth)
        return {width, boxHeight};
    return {boxWidth, int(qint64(boxWidth) * size.height() / size.width())};
}

// Halves round up, as qRound does for positive values; sizes here are never negative.
QSize scaled(const QSize &size, double factor)
{
    // A side read from a file may be near the largest int: twice that is no int.
    const auto side = [factor](int pixels) {
        const double value = pixels * factor;
        return value >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : qRound(value);
    };
    return {side(size.width()), side(size.height())};
}

// The size, shrunk with its aspect kept when it is larger than the box: the renderer never
// grows past the screen, whatever size a file claims (a panel of millions of pixels stalls
// the window or crashes the X connection).
QSize withinBox(const QSize &size, const QSize &box)
{
    if (size.width() <= box.width() && size.height() <= box.height())
        return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

} // namespace

void PlayerWidget::setZoom(double factor)
{
    const QSize displaySize(preferences.displayWidth, preferences.displayHeight);
    // A video whose size is unknown (a side of zero) is shown at the display size, as a
    // source without video is: its zoom would otherwise divide by zero.
    const bool sizeUnknown = videoSize.width() <= 0 || videoSize.height() <= 0;
    if (noVideo || (mediaKind == 1 && movieInfo.audioOnly) || sizeUnknown) {
        videoSize = displaySize;
        rendererSize = displaySize;
    }
    if (factor == 0.0)
        autoZoom = true;
    if (autoZoom)
        factor = fitZoom();
    zoom = factor;

    const QSize maximumBox(MaximumZoomWidth, MaximumZoomHeight);
    const QSize room = zoomRoom.isValid() ? zoomRoom : screenSize().expandedTo(maximumBox);
    if (zoom > MaximumZoomThreshold) {
        // Never more than the display the largest zoom is made for, never less than a picture.
        const QSize smallest(MaximumZoomWidth / 8, MaximumZoomHeight / 8);
        const QSize box = room.boundedTo(maximumBox).expandedTo(smallest);
        rendererSize = withinBox(maximumZoomSize(rendererSize, box), room.expandedTo(smallest));
        log(tr("Set player maximum zoom (display resolution: %1x%2)")
                .arg(rendererSize.width())
                .arg(rendererSize.height()),
            LogLevel::Verbose);
    } else {
        rendererSize = withinBox(scaled(videoSize, zoom), room);
        log(tr("Set player zoom %1 (display resolution: %2x%3)")
                .arg(QString::number(zoom, 'g', 6))
                .arg(rendererSize.width())
                .arg(rendererSize.height()),
            LogLevel::Verbose);
    }
    displayFrame->setMinimumSize(rendererSize);
    player->setDisplaySize(rendererSize.width(), rendererSize.height());
    centerRenderer();
}

void PlayerWidget::setZoomRoom(const QSize &room)
{
    zoomRoom = room.expandedTo(QSize(1, 1));
}

QSize PlayerWidget::screenSize() const
{
    const QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return shown ? shown->availableGeometry().size() : QSize(MaximumZoomWidth, MaximumZoomHeight);
}

double PlayerWidget::fitZoom() const
{
    // setZoom never leaves a side of zero; a direct caller gets the neutral factor.
    if (videoSize.width() <= 0 || videoSize.height() <= 0)
        return 1.0;
    const double widthRatio = videoSize.width() == preferences.displayWidth
        ? 1.0
        : double(preferences.displayWidth) / videoSize.width();
    if (videoSize.height() == preferences.displayHeight)
        return widthRatio;
    const double heightRatio = double(preferences.displayHeight) / videoSize.height();
    return widthRatio < heightRatio ? widthRatio : heightRatio;
}

void PlayerWidget::centerRenderer()
{
    renderer->setFixedSize(rendererSize);
    const int x = renderer->width() < displayFrame->width()
        ? (displayFrame->width() - renderer->width()) / 2
        : 0;
    const int y = renderer->height() < displayFrame->height()
        ? (displayFrame->height() - renderer->height()) / 2
        : 0;
    renderer->move(x, y);
    audioPicture->setFixedSize(rendererSize);
    audioPicture->move(0, 0);
    showAudioPixmap();
    emit guiSizeAdjustRequest();
}

void PlayerWidget::showAudioPixmap()
{
    const QSize label = audioPicture->size();
    if (label.width() >= audioPixmap.width() && label.height() >= audioPixmap.height())
        audioPicture->setPixmap(audioPixmap);
    else
        audioPicture->setPixmap(audioPixmap.scaled(label, Qt::KeepAspectRatio, Qt::FastTransformation));
}

void PlayerWidget::setRendererActive(bool active)
{
    renderer->setActive(active);
}

void PlayerWidget::resizeEvent(QResizeEvent *)
{
    centerRenderer();
}

// ---------------------------------------------------------------------------------------
// Consoles

namespace {
// Pending events are handled after each line shown, so the window stays painted and
// clicks (a progress window's close) reach the panel during long synchronous work.
void writeConsoleLine(QTextEdit *console, int verbosity, int level, const char *prefix,
                      const QString &text)
{
    Console::writeLine(console, verbosity, level, prefix, text);
    if (console && level <= verbosity)
        NestedLoop::processEvents("PlayerWidget::log");
}
} // namespace

void PlayerWidget::log(const QString &text, int level)
{
    writeConsoleLine(logConsole, verbosity, level, "PlayerWidget Log:", text);
}

void PlayerWidget::logStdOut(const QString &text, int level)
{
    writeConsoleLine(stdOutConsole, verbosity, level, "PlayerWidget stdOut:", text);
}

void PlayerWidget::logStdErr(const QString &text, int level)
{
    writeConsoleLine(stdErrConsole, verbosity, level, "PlayerWidget stdErr:", text);
}
