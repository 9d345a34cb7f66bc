#include "encoding/mervojobmanagerdialog.h"

#include "encoding/mervojobmanagerwidget.h"
#include "jobs/mervojobmanager.h"

#include <QCloseEvent>

MervoJobManagerDialog::MervoJobManagerDialog(const QString &title, QWidget *owner)
    : JobManagerDialog(title, owner)
{
    m_mervoView = new MervoJobManagerWidget(this);
    replaceView(m_mervoView);
}

void MervoJobManagerDialog::closeEvent(QCloseEvent *event)
{
    if (killOnClose) {
        if (MervoJobManager *manager = m_mervoView->mervoJobManager())
            manager->killAll();
        m_mervoView->clear();
    } else if (owner()) {
        owner()->show();
    }
    event->accept();
}
