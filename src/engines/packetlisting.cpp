#include "engines/packetlisting.h"

#include "engines/syncrunner.h"
#include "jobs/processkiller.h"
#include "jobs/processtree.h"
#include "jobs/programstart.h"

#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <QtNumeric>

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
    m_pending += bytes;
    qsizetype begin = 0;
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n', begin)) {
        FFprobePacket packet;
        if (parseLine(QByteArrayView(m_pending).sliced(begin, end - begin), packet))
            m_packets.append(packet);
        begin = end + 1;
    }
    m_pending.remove(0, begin);
}

bool PacketListing::parseLine(QByteArrayView line, FFprobePacket &packet)
{
    // Read in place, field by field: a film's listing has hundreds of thousands of lines.
    double pts = qQNaN();
    double dts = qQNaN();
    packet = FFprobePacket();
    for (qsizetype begin = 0; begin < line.size();) {
        qsizetype end = line.indexOf('|', begin);
        if (end < 0)
            end = line.size();
        const QByteArrayView field = line.sliced(begin, end - begin);
        begin = end + 1;
        const qsizetype equal = field.indexOf('=');
        if (equal <= 0)
            continue;
        const QByteArrayView key = field.first(equal);
        const QByteArray value = QByteArray::fromRawData(field.data() + equal + 1, field.size() - equal - 1);
        bool number = false;
        const double seconds = value.toDouble(&number);
        if (key == "pts_time" && number)
            pts = seconds;
        else if (key == "dts_time" && number)
            dts = seconds;
        else if (key == "duration_time" && number && seconds > 0.0)
            packet.duration = seconds;
        else if (key == "flags")
            packet.key = value.startsWith('K');
        else if (key == "pos") {
            bool whole = false;
            const qint64 pos = value.toLongLong(&whole);
            packet.pos = whole && pos >= 0 ? pos : -1; // "N/A" where the demuxer does not tell
        }
    }
    packet.time = qIsNaN(pts) ? dts : pts;
    return !qIsNaN(packet.time);
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
    // The listing of a long film takes its time: FFprobe is given up only when it has
    // printed nothing for a whole wait.
    for (qint64 before = -1; m_process->state() == QProcess::Running && m_bytes != before && !enough(m_packets);) {
        before = m_bytes;
        if (SyncRunner::LoadScope::active()) {
            QEventLoop loop;
            QTimer::singleShot(quietMs, &loop, &QEventLoop::quit);
            connect(m_process, &QProcess::finished, &loop, &QEventLoop::quit);
            // After readOutput(), connected before.
            connect(m_process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
            loop.exec();
        } else {
            m_process->waitForReadyRead(quietMs);
        }
    }
    if (m_process->state() == QProcess::NotRunning)
        return finish();
    if (enough(m_packets))
        return true;
    ProcessKiller::killAndWait(m_process, 1000);
    finish();
    return false;
}

bool PacketListing::finish()
{
    if (!m_ended) {
        m_ended = true;
        if (m_process->isOpen()) // a start refused before any fork opened nothing to read
            readOutput();
        FFprobePacket last; // a last line without its line end
        if (!m_cut && parseLine(m_pending, last))
            m_packets.append(last);
        m_pending.clear();
    }
    return !m_cut && m_process->error() == QProcess::UnknownError && m_process->exitStatus() == QProcess::NormalExit
           && m_process->exitCode() == 0;
}
