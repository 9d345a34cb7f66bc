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
    // The view goes first: it is not shown again, and redrawn for each end of hundreds of
    // killed engines it would hold the close for seconds.
    m_mervoView->clear();
    if (MervoJobManager *manager = m_mervoView->mervoJobManager())
        manager->killAll();
}
