#pragma once

#include "encoding/jobmanagerdialog.h"

class MervoJobManagerWidget;

// The job manager window of the extended main window, holding the extended view.
class MervoJobManagerDialog : public JobManagerDialog
{
    Q_OBJECT

public:
    MervoJobManagerDialog(const QString &title, QWidget *owner);

    MervoJobManagerWidget *mervoView() const { return m_mervoView; }

protected:
    void killJobs() override;

private:
    MervoJobManagerWidget *m_mervoView;
};
