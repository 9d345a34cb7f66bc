#include "app/encoderstatusdialog.h"

EncoderStatusDialog::EncoderStatusDialog(const QString &engineName, InterfaceStatus *status, QWidget *parent)
    : StatusDialog(parent)
{
    setWindowTitle(tr("%1 status").arg(engineName));
    build(*status, {tr("Engine"), tr("Engine state"),
                    tr("Encoder engine is not defined (check binary path)."),
                    tr("Failed to read encoder engine status."), tr("Encoder engine is ready.")});
}
