#pragma once

#include "app/statusdialog.h"

struct PlayerStatus;

// The status of the player back-end, with whether it offers an OpenGL video output.
class PlayerStatusDialog : public StatusDialog
{
    Q_OBJECT

public:
    explicit PlayerStatusDialog(PlayerStatus *status, QWidget *parent = nullptr);
};
