#pragma once

#include "app/softwareupdatedialog.h"

// The update check of the extended main window: only the extended release's button shows.
class MervoSoftwareUpdateDialog : public SoftwareUpdateDialog
{
    Q_OBJECT

public:
    explicit MervoSoftwareUpdateDialog(QWidget *parent = nullptr);
};
