#include "encoding/jobmanagerdialog.h"

#include "encoding/jobmanagerwidget.h"
#include "encoding/miniconsolewidget.h"
#include "encoding/screenkeeper.h"
#include "encoding/windowplacement.h"
#include "jobs/jobmanager.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {
constexpr int JobListWidthChars = 100;
} // namespace

JobManagerDialog::JobManagerDialog(const QString &title, QWidget *owner)
    : m_owner(owner)
{
    // Stays above the main window, which hides itself while jobs run on.
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    setWindowTitle(title.isEmpty() ? tr("Job manager") : title);
    setSizeGripEnabled(true);
    m_layout = new QVBoxLayout(this);
    // The jobs scroll: the window never needs to be taller than the screen to show them all.
    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_contents = new QWidget;
    // The jobs stand from the top and the list grows below them: a job added draws itself and
    // what it uncovers, not again every box already on the screen (a long queue repainted
    // the whole window at each add).
    m_contents->setAttribute(Qt::WA_StaticContents);
    auto *contentsLayout = new QVBoxLayout(m_contents);
    contentsLayout->setContentsMargins(0, 0, 0, 0);
    // The jobs from the top, however tall the user makes the window.
    contentsLayout->addStretch(1);
    m_scroll->setWidget(m_contents);
    m_layout->addWidget(m_scroll);
    // The list grows, or the window, after a job was added: it is brought into view again. A
    // scroll of the user's own leaves the list where the user put it.
    QScrollBar *bar = m_scroll->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, &JobManagerDialog::queueReveal);
    connect(bar, &QScrollBar::actionTriggered, this, [this] { m_revealed = nullptr; });
    m_view = new JobManagerWidget(this);
    adoptView(m_view);
    m_keeper = new ScreenKeeper(this, [this] {
        if (!m_userSized)
            fitHeight(false);
        // The owner may have grown under it while it was hidden or being placed.
        keepOffOwnerMenus();
        m_requestedSize = size();
    });
    // Modal boxes anywhere in the program, and the view's own growth.
    qApp->installEventFilter(this);
}

void JobManagerDialog::adoptView(JobManagerWidget *view)
{
    m_view = view;
    m_view->setMinimumWidth(JobListWidthChars * m_view->fontMetrics().averageCharWidth());
    // Never below the height of its jobs: the scroll area gives a taller widget only its
    // minimum, and the view's own layout runs before the scroll area grows it; squeezed,
    // every box of a long list would be resized again at each add.
    m_view->layout()->setSizeConstraint(QLayout::SetMinimumSize);
    static_cast<QVBoxLayout *>(m_contents->layout())->insertWidget(0, m_view);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                               m_scroll->verticalScrollBar());
    m_scroll->setMinimumWidth(m_view->minimumWidth() + scrollBar + 2 * m_scroll->frameWidth());
    connect(m_view, &JobManagerWidget::guiSizeAdjustRequest, this, &JobManagerDialog::adjustGuiSize);
    connect(m_view, &JobManagerWidget::stripShown, this, &JobManagerDialog::revealJob);
}

void JobManagerDialog::revealJob(QWidget *strip)
{
    // The job's box, with its title; a strip of a flat list alone.
    QWidget *box = strip->parentWidget();
    m_revealed = box && box != m_view && m_view->isAncestorOf(box) ? box : strip;
    queueReveal();
}

void JobManagerDialog::queueReveal()
{
    // Once the layouts have placed it: at the time it is added, the box has no place yet.
    if (!m_revealed || m_revealQueued)
        return;
    m_revealQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_revealQueued = false;
        if (m_revealed && m_revealed->isVisible())
            m_scroll->ensureWidgetVisible(m_revealed, 0, 0);
    });
}

void JobManagerDialog::replaceView(JobManagerWidget *view)
{
    m_contents->layout()->removeWidget(m_view);
    disconnect(m_view, nullptr, this, nullptr);
    delete m_view;
    adoptView(view);
}

bool JobManagerDialog::isIdle() const
{
    return m_view->isIdle();
}

int JobManagerDialog::contentsHeight() const
{
    const QMargins margins = m_layout->contentsMargins();
    return margins.top() + margins.bottom() + 2 * m_scroll->frameWidth()
        + m_view->sizeHint().height();
}

QMargins JobManagerDialog::expectedDecorations() const
{
    const QMargins frame = WindowPlacement::decorations(this);
    // Not shown yet: the owner's frame is the best guess of what the window manager adds.
    return frame.isNull() && m_owner ? WindowPlacement::decorations(m_owner) : frame;
}

QRect JobManagerDialog::screenArea() const
{
    return WindowPlacement::availableArea(m_owner ? m_owner.data() : this);
}

int JobManagerDialog::roomBelowTop() const
{
    const QRect area = screenArea();
    if (area.isEmpty())
        return QWIDGETSIZE_MAX;
    const QMargins frame = expectedDecorations();
    return area.bottom() + 1 - frameGeometry().top() - frame.top() - frame.bottom();
}

void JobManagerDialog::fitHeight(bool mayShrink)
{
    int wanted = std::min(contentsHeight(), roomBelowTop());
    wanted = std::max(wanted, minimumSizeHint().height());
    if (wanted == height() || (wanted < height() && !mayShrink))
        return;
    m_requestedSize = QSize(std::max(width(), minimumSizeHint().width()), wanted);
    resize(m_requestedSize);
}

void JobManagerDialog::placeBesideOwner()
{
    const QRect area = screenArea();
    if (area.isEmpty())
        return;
    const QMargins frame = expectedDecorations();
    const int outerWidth = std::max(width(), minimumSizeHint().width()) + frame.left() + frame.right();
    // Frame positions: what move() takes for a window.
    QPoint at(std::max(area.left(), area.right() + 1 - outerWidth), area.top());
    if (m_owner && m_owner->windowHandle()) {
        const QRect owner = m_owner->frameGeometry();
        at.setY(std::clamp(owner.top(), area.top(), area.bottom()));
        if (owner.right() + outerWidth <= area.right()) {
            at.setX(owner.right() + 1);
        } else if (owner.left() - outerWidth >= area.left()) {
            at.setX(owner.left() - outerWidth);
        } else if (const QRect menus = ownerMenus(); !menus.isEmpty()) {
            // No room beside it: over its body, never over its menus.
            at.setY(std::max(at.y(), menus.bottom() + 1));
        }
    }
    move(at);
    fitHeight(true);
}

bool JobManagerDialog::isOwnerMenuBar(const QObject *object) const
{
    const auto *bar = qobject_cast<const QMenuBar *>(object);
    return bar && m_owner && bar->window() == m_owner;
}

QRect JobManagerDialog::ownerMenus() const
{
    const QMenuBar *bar = m_owner ? m_owner->findChild<QMenuBar *>() : nullptr;
    if (!bar || !bar->isVisible())
        return {};
    return {bar->mapToGlobal(QPoint(0, 0)), bar->size()};
}

void JobManagerDialog::keepOffOwnerMenus()
{
    const QRect menus = ownerMenus();
    if (menus.isEmpty() || !frameGeometry().intersects(menus))
        return;
    // Placed again, it fits what the screen leaves below its new top.
    placeBesideOwner();
}

bool JobManagerDialog::staysOnTop() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void JobManagerDialog::setStaysOnTop(bool on)
{
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // Told to the native window as it is: setWindowFlags() would hide and re-create it.
    overrideWindowFlags(flags);
    if (QWindow *window = windowHandle())
        window->setFlags(flags);
}

bool JobManagerDialog::isOtherModal(const QWidget *widget, const QWidget *self)
{
    return widget != self && widget->isWindow() && widget->isModal();
}

void JobManagerDialog::updateStacking()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool modalOpen = std::any_of(windows.cbegin(), windows.cend(), [this](const QWidget *window) {
        return window->isVisible() && isOtherModal(window, this);
    });
    setStaysOnTop(!modalOpen);
}

bool JobManagerDialog::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::LayoutRequest:
        // A job came or went: grow with it while the screen has room. Not before the window
        // manager has placed the window: a size given meanwhile may move it.
        if (watched == m_view && m_keeper->isOnScreen() && !m_userSized)
            fitHeight(false);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        // Kept above its owner, the window must not cover the owner's menus once the owner
        // grows (a larger zoom) or moves under it. The menu bar follows the owner's size at
        // the next layout: its own resize tells where it ends.
        if ((watched == m_owner || isOwnerMenuBar(watched)) && isVisible() && m_keeper->isOnScreen())
            keepOffOwnerMenus();
        break;
    case QEvent::Show:
        // Before the box is mapped, so that it opens above this window.
        if (watched->isWidgetType() && isOtherModal(static_cast<QWidget *>(watched), this))
            setStaysOnTop(false);
        break;
    case QEvent::Hide:
        if (watched->isWidgetType() && isOtherModal(static_cast<QWidget *>(watched), this))
            QMetaObject::invokeMethod(this, &JobManagerDialog::updateStacking, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void JobManagerDialog::adjustGuiSize()
{
    if (!m_userSized)
        fitHeight(true);
}

void JobManagerDialog::modalConsoleHidden()
{
    setModal(true);
    show();
}

void JobManagerDialog::reject()
{
    close();
}

void JobManagerDialog::killJobs()
{
    // The ends of the killed engines come back on later turns of the event loop, by then to
    // a cleared view: redrawn for each of hundreds of ends it would hold the close.
    if (JobManager *manager = m_view->jobManager())
        manager->killAll();
    m_view->clear();
}

void JobManagerDialog::closeForGood()
{
    killOnClose = true;
    m_jobsKilled = false;
    close();
    if (!m_jobsKilled)
        killJobs();
    hide();
}

void JobManagerDialog::closeEvent(QCloseEvent *event)
{
    if (killOnClose) {
        killJobs();
        m_jobsKilled = true;
    } else if (m_owner) {
        m_owner->show();
    }
    event->accept();
}

void JobManagerDialog::setVisible(bool visible)
{
    // Placed before it is shown: a position given while hidden is the frame's, as the
    // window manager then draws it.
    if (visible && !isVisible()) {
        if (!m_placed) {
            m_placed = true;
            placeBesideOwner();
        } else if (!m_userSized) {
            fitHeight(false);
        }
        m_requestedSize = size();
    }
    QDialog::setVisible(visible);
}

void JobManagerDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    updateStacking();
}

void JobManagerDialog::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    emit hidden();
}

void JobManagerDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // A size the window system reports that the program did not ask for is the user's.
    if (event->spontaneous() && m_placed && event->size() != m_requestedSize)
        m_userSized = true;
}
