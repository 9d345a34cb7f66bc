#include "fuzztarget.h"

#include "engines/engineobjects.h"
#include "jobs/console.h"

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
