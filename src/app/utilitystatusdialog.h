#pragma once

#include "app/statusdialog.h"

// The status of an analysis utility (MediaInfo, FFprobe) under the caller's title.
class UtilityStatusDialog : public StatusDialog
{
    Q_OBJECT

public:
    UtilityStatusDialog(const QString &title, InterfaceStatus *status, QWidget *parent = nullptr);
};
