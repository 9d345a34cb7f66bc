#pragma once

#include "encoding/encoderpreviewdialog.h"

class MervoJobManagerWidget;

// The preview window of the extended panel: a running preview is stopped through the
// extended job manager, so that its waiting finalising task is cancelled too.
class MervoEncoderPreviewDialog : public EncoderPreviewDialog
{
    Q_OBJECT

public:
    MervoEncoderPreviewDialog(const QString &title, MervoJobManagerWidget *view,
                              PlayerSetup *setup, QWidget *parent);

protected:
    void killJobs() override;

private:
    MervoJobManagerWidget *m_mervoView;
};
