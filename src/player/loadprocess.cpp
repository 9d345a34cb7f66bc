#include "player/loadprocess.h"

#include "engines/syncrunner.h"
#include "jobs/nestedloop.h"
#include "jobs/processkiller.h"
#include "jobs/processtree.h"
#include "jobs/programstart.h"

#include <QEventLoop>

#include <algorithm>

namespace {
void startProgram(QProcess *process, const QString &program, const QStringList &arguments)
{
    ProgramStart::start(process, program, arguments, QIODevice::ReadWrite);
}

LoadProcess::StartFunction s_start = startProgram;
} // namespace

LoadProcess::StartFunction LoadProcess::setStartFunction(StartFunction start)
{
    const StartFunction previous = s_start;
    s_start = start ? start : startProgram;
    return previous;
}

LoadProcess::~LoadProcess()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning)
        ProcessTree::kill(m_process);
    ProcessKiller::release(m_process);
}

void LoadProcess::begin(const QString &program, const QStringList &arguments, const QByteArray &input,
                        int startTimeoutMs, int finishTimeoutMs, bool patient)
{
    m_program = program;
    m_arguments = arguments;
    m_input = input;
    m_finishTimeoutMs = finishTimeoutMs;
    m_patient = patient;
    m_process = new QProcess;
    ProcessTree::bindToProgram(m_process);
    // What the engine prints stays in the process's buffers until the run is read; its
    // coming is progress.
    if (patient) {
        for (auto ready : {&QProcess::readyReadStandardOutput, &QProcess::readyReadStandardError})
            connect(m_process, ready, this, [this] {
                m_quiet.start();
                m_printed.start();
            });
    }
    connect(m_process, &QProcess::started, this, &LoadProcess::onStarted);
    connect(m_process, &QProcess::finished, this, &LoadProcess::conclude);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_couldNotStart = true;
            m_startDecided = true;
            conclude();
        }
    });
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &LoadProcess::onTimeout);
    m_timer.start(startTimeoutMs);
    s_start(m_process, program, arguments);
}

bool LoadProcess::runs(const QString &program, const QStringList &arguments) const
{
    return m_process && m_program == program && m_arguments == arguments;
}

void LoadProcess::onStarted()
{
    m_started = true;
    m_startDecided = true;
    m_process->write(m_input);
    m_running.start();
    m_quiet.start();
    m_printed.start();
    if (m_patient)
        m_work = WorkWatch(m_process->processId(), true, {});
    m_timer.start(nextLook());
}

int LoadProcess::nextLook() const
{
    const qint64 quietLeft = m_finishTimeoutMs - m_quiet.elapsed();
    if (!m_patient)
        return int(std::max<qint64>(0, quietLeft));
    const qint64 runLeft = qint64(m_finishTimeoutMs) * SyncRunner::PatienceFactor - m_running.elapsed();
    return int(std::max<qint64>(0, std::min({quietLeft, runLeft, qint64(WorkWatch::LookMs)})));
}

void LoadProcess::onTimeout()
{
    if (!m_started) {
        m_startDecided = true;
        conclude();
        return;
    }
    if (m_patient) {
        if (m_work.movedOn(m_printed.elapsed(), qint64(m_finishTimeoutMs) * SyncRunner::WorkAloneFactor))
            m_quiet.start();
        if (m_quiet.elapsed() < m_finishTimeoutMs
            && m_running.elapsed() < qint64(m_finishTimeoutMs) * SyncRunner::PatienceFactor) {
            m_timer.start(nextLook());
            return;
        }
    }
    // Whatever arrived meanwhile is in the buffers; the kill is not waited for.
    m_killed = true;
    ProcessTree::kill(m_process);
    conclude();
}

void LoadProcess::conclude()
{
    if (m_over)
        return;
    m_timer.stop();
    m_over = true;
    emit over();
}

void LoadProcess::waitUntil(bool (LoadProcess::*done)() const)
{
    if ((this->*done)())
        return;
    QEventLoop loop;
    connect(this, &LoadProcess::over, &loop, &QEventLoop::quit);
    connect(m_process, &QProcess::started, &loop, &QEventLoop::quit);
    // A loop that returns with a code was told to end by the program (it quits or
    // restarts): the run is then given up.
    while (!(this->*done)()) {
        if (NestedLoop::exec("LoadProcess::waitUntil", loop) != 0) {
            m_startDecided = true;
            if (!m_over)
                onTimeout();
            return;
        }
    }
}

bool LoadProcess::waitStarted()
{
    if (!m_process)
        return false;
    waitUntil(&LoadProcess::startDecided);
    return m_started;
}

bool LoadProcess::waitEnded()
{
    if (!m_process)
        return false;
    waitUntil(&LoadProcess::isOver);
    return m_started && !m_killed;
}

bool LoadProcess::readLine(QProcess::ProcessChannel channel, QByteArray *line)
{
    if (!m_process)
        return false;
    m_process->setReadChannel(channel);
    if (!m_process->canReadLine())
        return false;
    *line = m_process->readLine();
    return true;
}
