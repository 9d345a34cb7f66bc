#include "encoding/jobmanagerwidget.h"

#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "encoding/consoledialog.h"
#include "encoding/miniconsolewidget.h"
#include "encoding/progresstotals.h"
#include "encoding/viewtext.h"
#include "jobs/infoboxdialog.h"
#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/process.h"
#include "jobs/task.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

JobManagerWidget::JobManagerWidget(QWidget *parent)
    : QWidget(parent)
{
    // Grows and shrinks below what it shows: only the area a change uncovers is drawn again.
    setAttribute(Qt::WA_StaticContents);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->setAlignment(Qt::AlignCenter);
    m_emptyLabel = new QLabel(tr("<b>No job currently running.</b>"), this);
    m_layout->addWidget(m_emptyLabel);
    setContentsMargins(0, 0, 0, 0);
}

JobManagerWidget::~JobManagerWidget()
{
    // Strips placed in an owner's layout are not children of the view, yet belong to it.
    for (const QPointer<MiniConsoleWidget> &mini : std::as_const(m_shown) + m_removed)
        delete mini.data();
    for (const QPointer<QWidget> &widget : std::as_const(m_doomed))
        delete widget.data();
}

void JobManagerWidget::setJobManager(JobManager *manager)
{
    m_manager = manager;
    rebuild();
}

void JobManagerWidget::rebuild()
{
    if (!m_manager)
        return;
    const QList<Job *> jobs = m_manager->jobs();
    for (Job *job : jobs) {
        if (job->task())
            addMiniConsole(job->task());
    }
}

QList<MiniConsoleWidget *> JobManagerWidget::miniConsoles() const
{
    QList<MiniConsoleWidget *> shown;
    for (const QPointer<MiniConsoleWidget> &mini : m_shown) {
        if (mini)
            shown.append(mini);
    }
    return shown;
}

QLayout *JobManagerWidget::consoleLayout(const EncodingTaskData *data)
{
    const QVariant value = taskDataValue(data, TaskDataSlot::ConsoleLayout);
    if (value.canConvert<QPointer<QLayout>>())
        return value.value<QPointer<QLayout>>().data();
    // A builder may also hand over a plain layout pointer.
    return qobject_cast<QLayout *>(value.value<QObject *>());
}

void JobManagerWidget::setConsoleLayout(EncodingTaskData *data, QLayout *layout)
{
    // Two-pass jobs carry fewer slots: the layout still has its place.
    if (!data)
        return;
    while (data->size() <= TaskDataSlot::ConsoleLayout)
        data->append(QVariant());
    (*data)[TaskDataSlot::ConsoleLayout] = QVariant::fromValue(QPointer<QLayout>(layout));
}

void JobManagerWidget::setTotals(ConsoleDialog *console, MiniConsoleWidget *mini, const Task *task)
{
    const ProgressTotals totals = ProgressTotals::fromTaskData(task->taskData);
    for (double *duration : {&console->durationTotal, &mini->durationTotal})
        *duration = totals.duration;
    console->frameTotal = mini->frameTotal = totals.frames;
    console->sizeTotal = mini->sizeTotal = totals.size;
}

QGroupBox *JobManagerWidget::makeBox(const QString &title, const QString &output)
{
    // The name of the file the job writes stands beside its title, as the job writes it.
    const QString shown = output.isEmpty() ? title : tr("%1 \u2192 %2").arg(title, output);
    auto *box = new QGroupBox(ViewText::withoutMnemonic(shown));
    auto *layout = new QVBoxLayout(box);
    layout->setSpacing(0);
    QMargins margins = layout->contentsMargins();
    margins.setRight(0);
    margins.setBottom(0);
    layout->setContentsMargins(margins);
    box->setToolTip(ViewText::richToolTip(tr("Output: %1").arg(ViewText::escaped(output))));
    m_boxes.insert(box);
    return box;
}

void JobManagerWidget::addBox(QGroupBox *box, int spacing)
{
    if (m_pages.isEmpty() || !m_pages.constLast() || m_boxesOnLastPage == PageBoxes) {
        // A box added grows its page at once, to its boxes' height, before they are laid out:
        // laid out first in the page's old height, every box of the page would be squeezed,
        // then stretched back, and drawn again. Grown, the page draws only what it gained.
        // The list scrolled to its newest job then moves what it shows instead of drawing it
        // again (a page that changed under the view kept the move from being a copy).
        auto *page = new QWidget(this);
        page->setAttribute(Qt::WA_StaticContents);
        auto *layout = new QVBoxLayout(page);
        layout->setSizeConstraint(QLayout::SetMinimumSize);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        m_layout->addWidget(page);
        m_pages.append(page);
        m_boxesOnLastPage = 0;
    }
    auto *layout = static_cast<QVBoxLayout *>(m_pages.constLast()->layout());
    if (spacing > 0)
        layout->addSpacing(spacing);
    layout->addWidget(box);
    ++m_boxesOnLastPage;
}

void JobManagerWidget::takeOutOfLayout(QWidget *widget)
{
    if (QWidget *parent = widget->parentWidget(); parent && parent->layout())
        parent->layout()->removeWidget(widget);
}

bool JobManagerWidget::isOnPage(const QWidget *widget) const
{
    for (const QWidget *parent = widget->parentWidget(); parent && parent != this; parent = parent->parentWidget()) {
        if (m_pages.contains(parent))
            return true;
    }
    return false;
}

void JobManagerWidget::hideEmptyBox(QWidget *box)
{
    // Only a box of the view is hidden with its strips, never an owner's widget; and not
    // while it still shows the strip of another job (a finalising step runs in the box of
    // the encoding it finishes).
    if (flatList || !isOwnBox(box))
        return;
    for (const QPointer<MiniConsoleWidget> &shown : std::as_const(m_shown)) {
        if (shown && shown->parentWidget() == box)
            return;
    }
    box->hide();
    takeOutOfLayout(box);
    m_boxes.remove(box);
    // Its removed strips go with it; a task whose data still names its layout gets a box of
    // its own, as it would after a clear.
    box->deleteLater();
}

bool JobManagerWidget::isOwnBox(const QWidget *widget) const
{
    // By address: a box leaves the set when it is deleted.
    return widget && m_boxes.contains(widget);
}

void JobManagerWidget::placeMiniConsole(MiniConsoleWidget *mini, Task *task, QLayout *layout)
{
    if (QLayout *target = consoleLayout(task->taskData)) {
        target->addWidget(mini);
        return;
    }
    layout->addWidget(mini);
    setConsoleLayout(task->taskData, layout);
}

void JobManagerWidget::addShown(MiniConsoleWidget *mini)
{
    m_shown.append(mini);
    m_emptyLabel->hide();
    emit stripShown(mini);
}

void JobManagerWidget::addMiniConsole(Task *task)
{
    deleteRemovedConsoles();
    if (!task || m_tasks.contains(task))
        return;
    m_tasks.append(task);

    const int engine = taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt();
    const QLayout *target = consoleLayout(task->taskData);
    auto *console = new ConsoleDialog(task->name(), task->text(), task->commandLine(),
                                      Encoder::engineName(engine), int(task->processId()),
                                      engine == EngineType::FFmpeg);
    task->setConsole(console);
    console->setProcess(task);

    QLayout *layout = m_layout;
    if (!flatList && !target) {
        QGroupBox *box = makeBox(task->name(), task->job ? task->job->output() : QString());
        addBox(box, 8);
        layout = box->layout();
    }
    auto *mini = new MiniConsoleWidget(console, this);
    mini->setProcessButtonHidden(processButtonHidden);
    mini->setConsoleButtonHidden(consoleButtonHidden);
    setTotals(console, mini, task);
    placeMiniConsole(mini, task, layout);
    // A process may end before its strip exists (logging processes events).
    mini->displayProgress();

    connect(mini, &MiniConsoleWidget::requestToAbort, this, &JobManagerWidget::abortMiniConsole);
    connect(mini, &MiniConsoleWidget::requestToRemove, this,
            qOverload<MiniConsoleWidget *>(&JobManagerWidget::removeMiniConsole));
    addShown(mini);
}

void JobManagerWidget::abortMiniConsole(MiniConsoleWidget *mini)
{
    Task *task = mini ? mini->task() : nullptr;
    if (!task)
        return;
    if (!confirmAbort(task, QString()))
        return;
    task->kill();
}

bool JobManagerWidget::confirmAbort(Task *task, const QString &informativeText)
{
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Question);
    box.setTextFormat(Qt::RichText);
    box.setText(tr("Do you really want to abort encoding process:<br><b>%1</b> ?")
                    .arg(ViewText::escaped(task->name())));
    box.setInformativeText(informativeText);
    box.addButton(tr("Abort encoding"), QMessageBox::AcceptRole);
    box.addButton(tr("Continue encoding"), QMessageBox::RejectRole);
    if (box.exec() != 0)
        return false;
    // The task may have ended while the question was open; the kill then reaches nothing.
    if (task->process)
        task->process->abortedByUser = true;
    return true;
}

bool JobManagerWidget::confirmRemoval(const QString &name)
{
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Question);
    box.setTextFormat(Qt::RichText);
    box.setText(tr("Do you really want to remove this job from the manager:<br><b>%1</b> ?")
                    .arg(ViewText::escaped(name)));
    box.setInformativeText(tr("The job will be clear from the manager window manager but the "
                              "output file won't be deleted."));
    box.addButton(tr("Remove job"), QMessageBox::AcceptRole);
    box.addButton(tr("Keep job"), QMessageBox::RejectRole);
    return box.exec() == 0;
}

void JobManagerWidget::removeMiniConsole(MiniConsoleWidget *mini)
{
    removeMiniConsole(mini, false);
}

void JobManagerWidget::removeMiniConsole(MiniConsoleWidget *mini, bool force)
{
    if (!mini || !m_shown.contains(mini))
        return;
    if (!force && !confirmRemoval(mini->task() ? mini->task()->name() : mini->console()->title()))
        return;
    if (Task *task = mini->task())
        task->setConsole(nullptr);
    mini->console()->close();

    mini->hide();
    takeOutOfLayout(mini);
    m_shown.removeAll(mini);
    m_removed.append(mini);
    releaseJobOf(mini);
    hideEmptyBox(mini->parentWidget());
    if (miniConsoles().isEmpty())
        m_emptyLabel->show();
    emit guiSizeAdjustRequest();
}

void JobManagerWidget::releaseJobOf(const MiniConsoleWidget *mini)
{
    if (m_manager && mini->task() && mini->task()->job)
        m_manager->releaseJob(mini->task()->job);
}

void JobManagerWidget::deleteRemovedConsoles()
{
    const QList<QPointer<MiniConsoleWidget>> removed = m_removed;
    m_removed.clear();
    for (const QPointer<MiniConsoleWidget> &mini : removed)
        delete mini.data();
}

void JobManagerWidget::clear()
{
    const QList<QPointer<MiniConsoleWidget>> minis = m_shown + m_removed;
    m_shown.clear();
    m_removed.clear();
    for (const QPointer<MiniConsoleWidget> &mini : minis) {
        if (!mini)
            continue;
        // The task outlives its strip: from now on its output reaches no console, and a task
        // built from its data no longer joins a box of this view.
        if (Task *task = mini->task()) {
            releaseJobOf(mini);
            if (task->console() == mini->console())
                task->setConsole(nullptr);
            if (const QLayout *layout = consoleLayout(task->taskData);
                layout && (layout->parentWidget() == this || isOnPage(layout->parentWidget())))
                setConsoleLayout(task->taskData, nullptr);
        }
        mini->console()->hide();
        if (!isOnPage(mini)) {
            mini->hide();
            takeOutOfLayout(mini);
            m_doomed.append(mini.data());
        }
    }
    // The pages go out of sight above the view rather than hidden: hiding tells each of the
    // thousands of widgets of a long list, which would hold the window longer than deleting
    // a slice of them. Nothing on them keeps the keyboard focus.
    QWidget *focus = QApplication::focusWidget();
    for (const QPointer<QWidget> &page : std::as_const(m_pages)) {
        if (!page)
            continue;
        m_layout->removeWidget(page);
        if (focus && page->isAncestorOf(focus))
            focus->clearFocus();
        page->move(page->x(), -page->height() - 1);
        m_doomed.append(page);
    }
    m_pages.clear();
    m_boxes.clear();
    m_tasks.clear();
    // And the gaps that were put before them.
    for (int i = m_layout->count() - 1; i >= 0; --i) {
        if (m_layout->itemAt(i)->spacerItem())
            delete m_layout->takeAt(i);
    }
    m_emptyLabel->show();
    deleteDoomedSlice();
}

void JobManagerWidget::deleteDoomedSlice()
{
    QElapsedTimer clock;
    clock.start();
    // One page a turn (a few jobs' widgets), or loose strips for a few milliseconds.
    while (!m_doomed.isEmpty()) {
        QWidget *widget = m_doomed.takeLast().data();
        const bool strip = qobject_cast<MiniConsoleWidget *>(widget) != nullptr;
        delete widget;
        if (!strip || clock.elapsed() >= SliceMs)
            break;
    }
    if (!m_doomed.isEmpty())
        QTimer::singleShot(0, this, &JobManagerWidget::deleteDoomedSlice);
}

bool JobManagerWidget::isIdle() const
{
    for (const QPointer<MiniConsoleWidget> &mini : m_shown) {
        if (mini && mini->task() && !mini->task()->isFinished())
            return false;
    }
    return true;
}

void JobManagerWidget::setConsoleButton(bool hidden)
{
    consoleButtonHidden = hidden;
    for (MiniConsoleWidget *mini : miniConsoles())
        mini->setConsoleButtonHidden(hidden);
}
