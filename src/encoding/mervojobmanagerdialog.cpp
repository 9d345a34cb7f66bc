#include "encoding/mervojobmanagerdialog.h"

#include "encoding/mervojobmanagerwidget.h"
#include "jobs/mervojobmanager.h"


MervoJobManagerDialog::MervoJobManagerDialog(const QString &title, QWidget *owner)
    : JobManagerDialog(title, owner)
{
    m_mervoView = new MervoJobManagerWidget(this);
    replaceView(m_mervoView);
}

void MervoJobManagerDialog::killJobs()
{
    if (MervoJobManager *manager = m_mervoView->mervoJobManager())
        manager->killAll();
    m_mervoView->clear();
}
