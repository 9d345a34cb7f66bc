#pragma once

#include "jobs/openfiledialog.h"

// A file chooser that also takes a folder: a file the name filter shows is opened as in
// any file chooser, and a folder that is selected (not entered by a double click) is
// taken as the answer. The DVD chooser needs both: a DVD root or VIDEO_TS folder, or one
// of its IFO files.
class FolderOrFileDialog : public OpenFileDialog
{
    Q_OBJECT

public:
    FolderOrFileDialog(QWidget *parent, const QString &caption, const QString &start,
                       const QString &filter);

    // The chosen folder or file; empty when the dialog was cancelled.
    QString chosenPath() const;

public slots:
    void accept() override;
};
