#include "app/mervosoftwareupdatedialog.h"

#include <QPushButton>

MervoSoftwareUpdateDialog::MervoSoftwareUpdateDialog(QWidget *parent)
    : SoftwareUpdateDialog(parent)
{
    openButton()->hide();
}
