#include "fuzztarget.h"

#include "engines/engineobjects.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "jobs/console.h"

#include <QApplication>
#include <QtGlobal>

namespace {
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}
} // namespace

void FuzzTarget::setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qInstallMessageHandler(dropMessage);
    static Console console;
    EngineObjects::setConsole(&console);
}

void FuzzTarget::setUpWindows()
{
    setUp();
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

void FuzzTarget::tearDown()
{
    delete QCoreApplication::instance();
}

qsizetype FuzzTarget::found = -1;

void FuzzTarget::parsed(qsizetype count)
{
    found = qMax<qsizetype>(found, 0) + qMax<qsizetype>(count, 0);
}

QByteArray FuzzTarget::bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

QString FuzzTarget::text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

QList<QByteArray> FuzzTarget::lines(const uint8_t *data, size_t size)
{
    return bytes(data, size).split('\n');
}

MediaInfoData FuzzTarget::mediaInfoReport(const uint8_t *data, size_t size, bool status)
{
    MediaInfoData report;
    InterfaceStatus answer;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init(QStringLiteral("mediainfo"), &report, &answer);
    if (status) {
        answer.stdOut = bytes(data, size);
        answer.state = InterfaceStatus::OutputCaptured;
        mediaInfo.parseStatus();
    }
    report.rawText = text(data, size);
    mediaInfo.parseData(&report);
    return report;
}
