#include "encoding/consoledialog.h"

#include "encoding/consoletextfeed.h"
#include "encoding/displaypacer.h"
#include "encoding/progresstotals.h"
#include "encoding/viewtext.h"
#include "jobs/task.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr int LargeViewLines = 33;
constexpr int SmallViewLines = 6;
constexpr int ConsoleWidthChars = 100;

QTextEdit *makeOutputView(QWidget *parent, int maximumLines)
{
    auto *view = new QTextEdit(parent);
    view->setReadOnly(true);
    view->setLineWrapMode(QTextEdit::NoWrap);
    view->setMaximumHeight(maximumLines * view->fontMetrics().height());
    return view;
}
} // namespace

ConsoleDialog::ConsoleDialog(const QString &title, const QString &text, const QString &command,
                             const QString &engineName, int pid, bool informationChannel)
    : m_title(title), m_text(text), m_engineName(engineName), m_command(command), m_pid(pid)
{
    // Only a title bar: the console is shown and hidden from its mini console.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(title.isEmpty() ? tr("Console") : title);
    buildWindow(informationChannel);
}

void ConsoleDialog::buildWindow(bool informationChannel)
{
    auto *layout = new QVBoxLayout(this);

    m_statusRow = new QWidget(this);
    m_statusLayout = new QHBoxLayout(m_statusRow);
    m_statusLayout->setContentsMargins(0, 0, 0, 0);
    m_stateLabel = new QLabel(m_text, m_statusRow);
    m_stateLabel->setTextFormat(Qt::PlainText);
    m_stateLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_stateLabel->setToolTip(m_pid == 0 ? tr("Waiting")
                                        : tr("%1 running with PID %2").arg(m_engineName).arg(m_pid));
    m_progressBar = new QProgressBar(m_statusRow);
    m_progressBar->setRange(0, 100);
    m_statusLayout->addWidget(m_stateLabel);
    m_statusLayout->addWidget(m_progressBar);
    layout->addWidget(m_statusRow);

    auto *commandBox = new QGroupBox(tr("Command"), this);
    auto *commandLayout = new QVBoxLayout(commandBox);
    m_commandLabel = new QLabel(m_command, commandBox);
    m_commandLabel->setTextFormat(Qt::PlainText);
    m_commandLabel->setWordWrap(true);
    commandLayout->addWidget(m_commandLabel);
    layout->addWidget(commandBox);

    // FFmpeg writes its progress and its messages to the error channel, which then is the
    // large view and comes first.
    m_stdOutView = makeOutputView(this, informationChannel ? SmallViewLines : LargeViewLines);
    m_stdErrView = makeOutputView(this, informationChannel ? LargeViewLines : SmallViewLines);
    auto *stdOutLabel = new QLabel(tr("Standard output:"), this);
    auto *stdErrLabel = new QLabel(informationChannel ? tr("Information channel:")
                                                      : tr("Error output:"), this);
    if (informationChannel) {
        stdErrLabel->setToolTip(tr("Messages from error ouput"));
        layout->addWidget(stdErrLabel);
        layout->addWidget(m_stdErrView);
        layout->addWidget(stdOutLabel);
        layout->addWidget(m_stdOutView);
    } else {
        layout->addWidget(stdOutLabel);
        layout->addWidget(m_stdOutView);
        layout->addWidget(stdErrLabel);
        layout->addWidget(m_stdErrView);
    }
    m_stdOutFeed = new ConsoleTextFeed(m_stdOutView, this);
    m_stdErrFeed = new ConsoleTextFeed(m_stdErrView, this);
    m_pacer = new DisplayPacer(this);

    setMinimumWidth(ConsoleWidthChars * m_stdOutView->fontMetrics().averageCharWidth());
}

void ConsoleDialog::setProcess(Task *task)
{
    if (m_task)
        disconnect(m_task, nullptr, this, nullptr);
    m_task = task;
    if (task)
        connect(task, &Task::stateChanged, this, &ConsoleDialog::displayProgress);
    // A task that did not start has failed before its console was made.
    showFailure();
}

void ConsoleDialog::showFailure()
{
    if (m_failureShown || !m_task || !m_task->isFinished() || m_task->failure().isEmpty())
        return;
    m_failureShown = true;
    m_stdErrFeed->append(tr("%1: %2.").arg(m_task->name(), m_task->failure()));
}

void ConsoleDialog::appendStdOut(const QString &text)
{
    m_stdOutFeed->append(text);
}

void ConsoleDialog::appendStdErr(const QString &text)
{
    m_stdErrFeed->append(text);
}

void ConsoleDialog::flushOutput()
{
    m_stdOutFeed->flush();
    m_stdErrFeed->flush();
}

ProgressTotals ConsoleDialog::totals() const
{
    ProgressTotals totals;
    totals.duration = durationTotal;
    totals.frames = frameTotal;
    totals.size = sizeTotal;
    return totals;
}

bool ConsoleDialog::completePercent(int frame, double position, int &percent, int size) const
{
    return totals().completePercent(frame, position, percent, size);
}

void ConsoleDialog::updateProgress(int &frame, double &position, int &percent, int &size)
{
    changeStateDisplay();
    int noTimeLeft = -1;
    totals().dropImpossible(frame, position, size, noTimeLeft);
    completePercent(frame, position, percent, size);
    showPercent(percent);
    emit progressUpdated(frame, position, percent, size);
}

namespace {
// The ended states the console shows itself; waiting, starting, cancelled and failed tasks
// are shown by the mini console alone.
struct EndedStateRow
{
    int state;
    const char *toolTip;
};
constexpr EndedStateRow EndedStates[] = {
    {Task::Terminated, QT_TRANSLATE_NOOP("ConsoleDialog", "%1 process terminated")},
    {Task::Completed, QT_TRANSLATE_NOOP("ConsoleDialog", "%1 process completed")},
    {Task::Aborted, QT_TRANSLATE_NOOP("ConsoleDialog", "%1 process aborted")},
};
} // namespace

void ConsoleDialog::changeStateDisplay()
{
    if (!m_task)
        return;
    showFailure();
    if (m_task->state == Task::Running) {
        // Reached for every status line: the tip is made again only for another process.
        if (const qint64 pid = m_task->processId(); pid && pid != m_runningPidShown) {
            ViewText::setToolTip(m_stateLabel, tr("%1 running with PID %2").arg(m_engineName).arg(pid));
            m_runningPidShown = pid;
        }
        // Reached for every status line: a bar already enabled is left alone.
        if (!m_progressBar->isEnabled())
            m_progressBar->setEnabled(true);
        return;
    }
    for (const EndedStateRow &row : EndedStates) {
        if (row.state != m_task->state)
            continue;
        m_runningPidShown = 0;
        ViewText::setToolTip(m_stateLabel, tr(row.toolTip).arg(m_engineName));
        m_progressBar->setEnabled(false);
    }
    // Through the pacer: a figure still waiting there would otherwise come after it.
    if (endedWell())
        m_pacer->setValue(m_progressBar, 100);
}

bool ConsoleDialog::endedWell() const
{
    return m_task && (m_task->state == Task::Terminated || m_task->state == Task::Completed);
}

void ConsoleDialog::showPercent(int percent)
{
    // A task that ended well did all its work, whatever its last status line said.
    if (percent >= 0 && !endedWell())
        m_pacer->setValue(m_progressBar, percent);
}

void ConsoleDialog::displayProgress()
{
    changeStateDisplay();
    // A state change (the end above all) shows the latest figures at once.
    m_pacer->flush();
    emit progressUpdated();
}

void ConsoleDialog::reject()
{
    QDialog::reject();
}
