#include "engines/packetlisting.h"

#include "engines/syncrunner.h"
#include "jobs/nestedloop.h"
#include "jobs/processkiller.h"
#include "jobs/processtree.h"
#include "jobs/programstart.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

PacketListing::PacketListing(const QString &program, const QStringList &arguments, const QString &libraryPath,
                             QObject *parent)
    : QObject(parent)
    , m_process(new QProcess)
{
    ProcessTree::bindToProgram(m_process);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &PacketListing::readOutput);
    if (!libraryPath.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
        m_process->setProcessEnvironment(environment);
    }
    // Its errors are not read: a listing that fails is told by its end.
    m_process->setStandardErrorFile(QProcess::nullDevice());
    ProgramStart::start(m_process, program, arguments, QIODevice::ReadOnly);
}

PacketListing::~PacketListing()
{
    disconnect(m_process, nullptr, this, nullptr);
    if (m_process->state() != QProcess::NotRunning)
        ProcessKiller::killAndWait(m_process, 1000);
    ProcessKiller::release(m_process);
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
    qint64 printed = -1;
    qint64 worked = -1;
    while (m_process->state() == QProcess::Running && !enough(m_lines.packets())) {
        const qint64 work = workDone();
        if (m_bytes == printed && (work < 0 || work == worked))
            break;
        printed = m_bytes;
        worked = work;
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
    ProcessKiller::killAndWait(m_process, 1000);
    finish();
    return false;
}

qint64 PacketListing::workDone() const
{
    const qint64 pid = m_process->processId();
    if (pid <= 0)
        return -1;
    // "pid (name) state ppid ... utime stime ...": the times are the 12th and 13th fields
    // after the name, which may itself hold blanks and parentheses.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    qint64 work = fields.at(11).toLongLong() + fields.at(12).toLongLong();
    // A process waiting for a slow disk uses no processor time, but what it read counts.
    QFile io(QStringLiteral("/proc/%1/io").arg(pid));
    if (io.open(QIODevice::ReadOnly)) {
        for (const QByteArray &entry : io.readAll().split('\n')) {
            if (entry.startsWith("rchar:"))
                work += entry.mid(6).trimmed().toLongLong();
        }
    }
    return work;
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
    return !m_cut && m_process->error() == QProcess::UnknownError && m_process->exitStatus() == QProcess::NormalExit
           && m_process->exitCode() == 0;
}
