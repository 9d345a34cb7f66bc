#include "encoding/jobmanagerdialog.h"

#include "encoding/jobmanagerwidget.h"
#include "jobs/jobmanager.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace {
constexpr int MinimumWidthChars = 100;
}

JobManagerDialog::JobManagerDialog(const QString &title, QWidget *owner)
    : m_owner(owner)
{
    // Stays above the main window, which hides itself while jobs run on.
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    setWindowTitle(title.isEmpty() ? tr("Job manager") : title);
    m_layout = new QVBoxLayout(this);
    m_layout->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_view = new JobManagerWidget(this);
    m_view->setMinimumWidth(MinimumWidthChars * m_view->fontMetrics().averageCharWidth());
    m_layout->addWidget(m_view);
    connect(m_view, &JobManagerWidget::guiSizeAdjustRequest, this, &JobManagerDialog::adjustGuiSize);
    centreOnOwner();
}

void JobManagerDialog::replaceView(JobManagerWidget *view)
{
    m_layout->removeWidget(m_view);
    disconnect(m_view, nullptr, this, nullptr);
    delete m_view;
    m_view = view;
    m_view->setMinimumWidth(MinimumWidthChars * m_view->fontMetrics().averageCharWidth());
    m_layout->addWidget(m_view);
    connect(m_view, &JobManagerWidget::guiSizeAdjustRequest, this, &JobManagerDialog::adjustGuiSize);
}

void JobManagerDialog::centreOnOwner()
{
    if (!m_owner)
        return;
    // Halves truncated toward zero, as integer division does.
    move(m_owner->x() + (m_owner->width() - width()) / 2,
         m_owner->y() + (m_owner->height() - height()) / 2);
}

bool JobManagerDialog::isIdle() const
{
    return m_view->isIdle();
}

void JobManagerDialog::adjustGuiSize()
{
    adjustSize();
}

void JobManagerDialog::modalConsoleHidden()
{
    setModal(true);
    show();
}

void JobManagerDialog::closeEvent(QCloseEvent *event)
{
    if (killOnClose) {
        if (JobManager *manager = m_view->jobManager())
            manager->killAll();
        m_view->clear();
    } else if (m_owner) {
        m_owner->show();
    }
    event->accept();
}

void JobManagerDialog::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    emit hidden();
}
