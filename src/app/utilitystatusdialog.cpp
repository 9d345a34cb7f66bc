#include "app/utilitystatusdialog.h"

UtilityStatusDialog::UtilityStatusDialog(const QString &title, InterfaceStatus *status, QWidget *parent)
    : StatusDialog(parent)
{
    setWindowTitle(title);
    // The indicator tips name MediaInfo for either utility, as they always have.
    build(*status, {tr("Utility"), tr("utility state"),
                    tr("MediaInfo utility is not defined (check binary path)."),
                    tr("Failed to read MediaInfo utility status."), tr("MediaInfo utility is ready.")});
}
