#include "jobs/folderorfiledialog.h"

#include <QFileInfo>

FolderOrFileDialog::FolderOrFileDialog(QWidget *parent, const QString &caption, const QString &start,
                                       const QString &filter)
    : QFileDialog(parent, caption, start, filter)
{
    // The platform's own dialog would not ask this class whether a folder is an answer.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
}

QString FolderOrFileDialog::chosenPath() const
{
    return m_chosen;
}

void FolderOrFileDialog::accept()
{
    const QString selected = selectedFiles().value(0);
    if (QFileInfo(selected).isDir()) {
        m_chosen = selected;
        QDialog::accept();
        return;
    }
    // A file: the base class checks that it exists and closes the dialog.
    QFileDialog::accept();
    if (result() == QDialog::Accepted)
        m_chosen = selectedFiles().value(0);
}
