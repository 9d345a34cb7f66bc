#include "encoding/miniconsolewidget.h"

#include "encoding/consoledialog.h"
#include "encoding/displaypacer.h"
#include "encoding/progresstotals.h"
#include "encoding/viewtext.h"
#include "jobs/task.h"

#include <QHash>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {
constexpr const char *RunningIcon = ":/gui4/images/running.png";
constexpr const char *DoneIcon = ":/gui4/images/done.png";
constexpr const char *AbortedIcon = ":/gui4/images/aborted.png";
constexpr const char *ConsoleIcon = ":/gui4/images/console.png";

// Each icon made once: a new QIcon reads its file's header to learn its format, which costs
// more than all the rest of a strip's state change, and a long queue ends its thousand jobs
// at once.
QIcon stripIcon(const char *path)
{
    static QHash<const char *, QIcon> icons;
    QIcon &icon = icons[path];
    if (icon.isNull())
        icon = QIcon(QString::fromLatin1(path));
    return icon;
}

// How the strip shows each task state it knows; the label tip of a running task also needs
// its process id, so that row has none here. Starting and unset states change nothing.
struct StateRow
{
    int state;
    bool processEnabled;
    const char *icon;
    const char *processToolTip;
    const char *labelToolTip;
    bool barEnabled;
    bool consoleEnabled;
    // What the bar says of a task that ended without its result, in place of how far it
    // got; null for the percent.
    const char *barText = nullptr;
};
constexpr StateRow StateRows[] = {
    {Task::Waiting, false, RunningIcon, QT_TRANSLATE_NOOP("MiniConsoleWidget", "Waiting"),
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Waiting"), false, false},
    {Task::Running, true, RunningIcon, QT_TRANSLATE_NOOP("MiniConsoleWidget", "Running, click to abort"),
     nullptr, true, true},
    {Task::Terminated, true, RunningIcon,
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Process terminated, click to remove"),
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "%1 process terminated"), false, true},
    {Task::Completed, true, DoneIcon,
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Process completed, click to remove"),
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "%1 process completed"), false, true},
    {Task::Aborted, true, AbortedIcon, QT_TRANSLATE_NOOP("MiniConsoleWidget", "Aborted, click to remove"),
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "%1 process aborted"), false, true,
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Failed")},
    // Nothing ran, so there is no output to show.
    {Task::Cancelled, true, AbortedIcon, QT_TRANSLATE_NOOP("MiniConsoleWidget", "Cancelled, click to remove"),
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "%1 process cancelled"), false, false,
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Cancelled")},
    {Task::FailedToStart, true, AbortedIcon,
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Failed to start, click to remove"),
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "%1 process failed to start"), false, false,
     QT_TRANSLATE_NOOP("MiniConsoleWidget", "Failed")},
};
} // namespace

MiniConsoleWidget::MiniConsoleWidget(ConsoleDialog *console, QWidget *parent)
    : QWidget(parent), m_task(console->task()), m_console(console)
{
    const int pid = console->pid();
    m_row = new QWidget(this);
    m_rowLayout = new QHBoxLayout(m_row);
    m_rowLayout->setContentsMargins(0, 0, 0, 0);

    m_processButton = new QPushButton(stripIcon(RunningIcon), QString(), m_row);
    m_processButton->setFlat(true);
    m_label = new QLabel(console->text(), m_row);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_consoleButton = new QPushButton(stripIcon(ConsoleIcon), QString(), m_row);
    m_consoleButton->setToolTip(tr("Show/Hide process console"));
    m_consoleButton->setFlat(true);
    m_progressBar = new QProgressBar(m_row);
    m_progressBar->setRange(0, 100);
    m_pacer = new DisplayPacer(this);

    if (pid != 0) {
        m_label->setToolTip(tr("%1 running with PID %2").arg(console->engineName()).arg(pid));
        m_processButton->setToolTip(tr("Running, click to abort"));
    } else {
        m_label->setToolTip(tr("Waiting"));
        m_processButton->setToolTip(tr("Waiting"));
    }
    m_processButton->setEnabled(pid != 0);
    m_consoleButton->setEnabled(pid != 0);

    m_rowLayout->addWidget(m_processButton);
    m_rowLayout->addWidget(m_label);
    m_rowLayout->addWidget(m_progressBar);
    m_rowLayout->addWidget(m_consoleButton);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_row);
    setContentsMargins(0, 0, 0, 0);

    connect(m_processButton, &QPushButton::clicked, this, &MiniConsoleWidget::clickProcess);
    connect(m_consoleButton, &QPushButton::clicked, this, &MiniConsoleWidget::showConsole);
    connect(console, qOverload<int, double, int, int>(&ConsoleDialog::progressUpdated), this,
            qOverload<int, double, int, int>(&MiniConsoleWidget::displayProgress));
    connect(console, qOverload<>(&ConsoleDialog::progressUpdated), this,
            qOverload<>(&MiniConsoleWidget::displayProgress));
}

MiniConsoleWidget::~MiniConsoleWidget()
{
    // The task outlives its strip: it must not point at the console deleted here.
    if (m_task && m_task->console() == m_console)
        m_task->setConsole(nullptr);
    delete m_console;
}

void MiniConsoleWidget::setProcessButtonHidden(bool hidden)
{
    m_processButtonHidden = hidden;
    disconnect(m_processButton, &QPushButton::clicked, nullptr, nullptr);
    if (!hidden) {
        connect(m_processButton, &QPushButton::clicked, this, &MiniConsoleWidget::clickProcess);
        m_processButton->show();
    } else {
        m_processButton->hide();
    }
}

void MiniConsoleWidget::setConsoleButtonHidden(bool hidden)
{
    m_consoleButton->setVisible(!hidden);
}

void MiniConsoleWidget::showConsole(bool)
{
    m_console->setVisible(m_console->isHidden());
}

MiniConsoleWidget::ClickRequest MiniConsoleWidget::clickRequest() const
{
    if (!m_task || m_task->state == Task::Waiting)
        return ClickRequest::None;
    return m_task->state == Task::Running ? ClickRequest::Abort : ClickRequest::Remove;
}

void MiniConsoleWidget::clickProcess()
{
    const ClickRequest request = clickRequest();
    if (request == ClickRequest::Abort)
        emit requestToAbort(this);
    else if (request == ClickRequest::Remove)
        emit requestToRemove(this);
}

void MiniConsoleWidget::displayProgress()
{
    showState();
    // A state change (the end above all) shows the latest figures at once.
    m_pacer->flush();
}

void MiniConsoleWidget::showState()
{
    // Called for every progress line: the widgets change only when the state does.
    if (!m_task || m_task->state == m_shownState)
        return;
    for (const StateRow &row : StateRows) {
        if (row.state != m_task->state)
            continue;
        m_processButton->setEnabled(row.processEnabled);
        m_processButton->setIcon(stripIcon(row.icon));
        ViewText::setToolTip(m_processButton, tr(row.processToolTip));
        if (row.labelToolTip) {
            const QString tip = tr(row.labelToolTip);
            ViewText::setToolTip(m_label, tip.contains(QLatin1String("%1"))
                                              ? tip.arg(m_console->engineName()) : tip);
        } else if (const qint64 pid = m_task->processId()) {
            ViewText::setToolTip(m_label,
                                 tr("%1 running with PID %2").arg(m_console->engineName()).arg(pid));
        }
        m_progressBar->setEnabled(row.barEnabled);
        // The engine's last status line often falls short of the end (a copy that stops
        // at 97 %): a task that ended well did all its work.
        // Through the pacer: a figure still waiting there would otherwise come after it.
        if (endedWell()) {
            m_pacer->setValue(m_progressBar, 100);
            m_pacer->flush();
        }
        m_consoleButton->setEnabled(row.consoleEnabled);
        m_shownState = m_task->state;
        // A system's reason is short and says what to mend ("No space left on device"): it
        // shows on the bar itself, the whole failure in the bar's tip.
        const QString reason = m_task->engineReason();
        if (row.barText)
            showFailure(reason.isEmpty() ? tr(row.barText) : tr("%1: %2").arg(tr(row.barText), reason));
    }
}

void MiniConsoleWidget::showFailure(const QString &text)
{
    // An empty bar that says so, with the reason as its tip: the figures it showed last
    // ("97 %") were those of a result that is not there.
    m_pacer->flush();
    m_progressBar->setFormat(text);
    m_progressBar->setValue(0);
    ViewText::setToolTip(m_progressBar, m_task->failure());
}

int MiniConsoleWidget::showPercent(int frame, double position, int percent, int size)
{
    ProgressTotals totals;
    totals.duration = durationTotal;
    totals.frames = frameTotal;
    totals.size = sizeTotal;
    int completed = percent;
    const bool known = totals.completePercent(frame, position, completed, size) || completed >= 0;
    // Output read after the end (the rest of the last lines) does not move it back, nor
    // the bar of a failed task forward.
    if (known && !hasEnded())
        m_pacer->setValue(m_progressBar, completed);
    return completed;
}

bool MiniConsoleWidget::endedWell() const
{
    return m_task && (m_task->state == Task::Terminated || m_task->state == Task::Completed);
}

bool MiniConsoleWidget::hasEnded() const
{
    return m_task && m_task->isFinished() && m_task->state != Task::Unset;
}

void MiniConsoleWidget::displayProgress(int frame, double position, int percent, int size)
{
    showState();
    showPercent(frame, position, percent, size);
}
