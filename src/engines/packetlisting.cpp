#include "engines/packetlisting.h"

#include "engines/syncrunner.h"
#include "jobs/nestedloop.h"
#include "jobs/processend.h"
#include "jobs/processkiller.h"
#include "jobs/processtree.h"
#include "jobs/programstart.h"
#include "jobs/workwatch.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

PacketListing::PacketListing(const QString &program, const QStringList &arguments, const QString &libraryPath,
                             QObject *parent)
    : QObject(parent)
    , m_program(program)
    , m_arguments(arguments)
    , m_libraryPath(libraryPath)
{
    start();
}

PacketListing::~PacketListing()
{
    stop();
}

void PacketListing::start()
{
    m_process = new QProcess;
    ProcessTree::bindToProgram(m_process);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &PacketListing::readOutput);
    connect(m_process, &QProcess::finished, this, [this] {
        finish();
        emit listingEnded();
    });
    if (!m_libraryPath.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), m_libraryPath);
        m_process->setProcessEnvironment(environment);
    }
    // Its errors are not read: a listing that fails is told by its end.
    m_process->setStandardErrorFile(QProcess::nullDevice());
    ProgramStart::start(m_process, m_program, m_arguments, QIODevice::ReadOnly);
}

void PacketListing::stop()
{
    disconnect(m_process, nullptr, this, nullptr);
    if (m_process->state() != QProcess::NotRunning)
        ProcessKiller::killAndWait(m_process, 1000);
    ProcessKiller::release(m_process);
    m_process = nullptr;
}

void PacketListing::startAgain()
{
    stop();
    m_lines = PacketLines();
    m_bytes = 0;
    m_cut = m_givenUp = m_ended = false;
    start();
}

void PacketListing::readOutput()
{
    const QByteArray bytes = m_process->readAllStandardOutput();
    if (m_cut)
        return;
    m_bytes += bytes.size();
    if (m_bytes > SyncRunner::ListingLimit) {
        m_cut = true;
        ProcessKiller::kill(m_process);
        return;
    }
    m_lines.append(bytes);
}

bool PacketListing::waitForEnd(int quietMs)
{
    return waitFor([](const QList<FFprobePacket> &) { return false; }, quietMs);
}

bool PacketListing::waitFor(const std::function<bool(const QList<FFprobePacket> &)> &enough, int quietMs)
{
    if (m_ended)
        return finish();
    if (m_process->state() == QProcess::Starting)
        m_process->waitForStarted(quietMs);
    // The listing of a long film takes its time, and a busy machine may hold FFprobe's next
    // block of lines back for long: FFprobe is given up only when it has neither printed nor
    // worked for a whole wait.
    WorkWatch watch(m_process->processId(), true, {});
    qint64 printed = -1;
    while (m_process->state() == QProcess::Running && !enough(m_lines.packets())) {
        if (m_bytes == printed && !watch.worked())
            break;
        printed = m_bytes;
        if (SyncRunner::LoadScope::active()) {
            QEventLoop loop;
            QTimer::singleShot(quietMs, &loop, &QEventLoop::quit);
            connect(m_process, &QProcess::finished, &loop, &QEventLoop::quit);
            // After readOutput(), connected before.
            connect(m_process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
            NestedLoop::exec("PacketListing::waitFor", loop);
        } else {
            m_process->waitForReadyRead(quietMs);
        }
    }
    if (m_process->state() == QProcess::NotRunning)
        return finish();
    if (enough(m_lines.packets()))
        return true;
    m_givenUp = true;
    ProcessKiller::killAndWait(m_process, 1000);
    finish();
    return false;
}

bool PacketListing::cutShort() const
{
    return m_givenUp || (!m_cut && m_ended && m_process->exitStatus() == QProcess::CrashExit);
}

QString PacketListing::failure() const
{
    if (!m_ended || finishedWell())
        return QString();
    if (m_givenUp)
        return tr("did not answer in time");
    if (m_cut)
        return tr("printed more than a listing may");
    if (m_process->error() == QProcess::FailedToStart)
        return ProcessEnd::startFailure(m_process, 0);
    return ProcessEnd::exitText(m_process->exitStatus(), m_process->exitCode());
}

bool PacketListing::finish()
{
    if (!m_ended) {
        m_ended = true;
        if (m_process->isOpen()) // a start refused before any fork opened nothing to read
            readOutput();
        if (!m_cut)
            m_lines.finish();
    }
    return finishedWell();
}

bool PacketListing::finishedWell() const
{
    return !m_cut && m_process->error() == QProcess::UnknownError && m_process->exitStatus() == QProcess::NormalExit
           && m_process->exitCode() == 0;
}
