#include "jobs/folderorfiledialog.h"

#include <QFileInfo>

FolderOrFileDialog::FolderOrFileDialog(QWidget *parent, const QString &caption, const QString &start,
                                       const QString &filter)
    : OpenFileDialog(parent, caption, start, filter)
{
    // The platform's own dialog would not ask this class whether a folder is an answer.
    setOption(QFileDialog::DontUseNativeDialog);
}

QString FolderOrFileDialog::chosenPath() const
{
    return chosenFile();
}

void FolderOrFileDialog::accept()
{
    const QFileInfo named = namedEntry();
    const QString selected = named.exists() ? named.absoluteFilePath() : selectedFiles().value(0);
    if (QFileInfo(selected).isDir()) {
        choose(selected);
        return;
    }
    // A file: the base class finds it and closes the dialog.
    OpenFileDialog::accept();
}
