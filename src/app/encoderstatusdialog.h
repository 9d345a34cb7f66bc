#pragma once

#include "app/statusdialog.h"

// The status of one encoding engine (FFmpeg, MEncoder, x264, MKVmerge), titled
// "<engine> status". The caller's record is read only while the dialog is built.
class EncoderStatusDialog : public StatusDialog
{
    Q_OBJECT

public:
    EncoderStatusDialog(const QString &engineName, InterfaceStatus *status, QWidget *parent = nullptr);
};
