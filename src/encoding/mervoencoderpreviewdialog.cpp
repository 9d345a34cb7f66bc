#include "encoding/mervoencoderpreviewdialog.h"

#include "encoding/mervojobmanagerwidget.h"

MervoEncoderPreviewDialog::MervoEncoderPreviewDialog(const QString &title,
                                                     MervoJobManagerWidget *view,
                                                     PlayerSetup *setup, QWidget *parent)
    : EncoderPreviewDialog(title, view, setup, parent), m_mervoView(view)
{
}

void MervoEncoderPreviewDialog::killJobs()
{
    if (m_mervoView && m_mervoView->mervoJobManager())
        m_mervoView->mervoJobManager()->killAll();
}
