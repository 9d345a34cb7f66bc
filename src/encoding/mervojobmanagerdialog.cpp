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
    // The ends of the killed engines come back on later turns of the event loop, by then to
    // a cleared view: redrawn for each of hundreds of ends it would hold the close.
    if (MervoJobManager *manager = m_mervoView->mervoJobManager())
        manager->killAll();
    m_mervoView->clear();
}
