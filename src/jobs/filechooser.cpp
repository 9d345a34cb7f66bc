#include "jobs/filechooser.h"

#include "jobs/folderorfiledialog.h"

#include <QFileDialog>

namespace {
FileChooser::Handler &installedHandler()
{
    static FileChooser::Handler handler;
    return handler;
}

QString runDialog(const FileChooser::Request &request)
{
    switch (request.kind) {
    case FileChooser::OpenFile:
        return QFileDialog::getOpenFileName(request.parent, request.caption, request.start,
                                            request.filter);
    case FileChooser::SaveFile:
        return QFileDialog::getSaveFileName(request.parent, request.caption, request.start,
                                            request.filter);
    case FileChooser::ExistingFolder:
        return QFileDialog::getExistingDirectory(request.parent, request.caption, request.start);
    case FileChooser::ExistingFolderOrFile: {
        FolderOrFileDialog dialog(request.parent, request.caption, request.start, request.filter);
        dialog.exec();
        return dialog.chosenPath();
    }
    }
    return QString();
}
} // namespace

QString FileChooser::openFileName(QWidget *parent, const QString &caption, const QString &start,
                                  const QString &filter)
{
    return choose({OpenFile, parent, caption, start, filter});
}

QString FileChooser::saveFileName(QWidget *parent, const QString &caption, const QString &start,
                                  const QString &filter)
{
    return choose({SaveFile, parent, caption, start, filter});
}

QString FileChooser::existingFolder(QWidget *parent, const QString &caption, const QString &start)
{
    return choose({ExistingFolder, parent, caption, start, QString()});
}

QString FileChooser::existingFolderOrFile(QWidget *parent, const QString &caption, const QString &start,
                                         const QString &filter)
{
    return choose({ExistingFolderOrFile, parent, caption, start, filter});
}

void FileChooser::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

QString FileChooser::choose(const Request &request)
{
    const Handler &handler = installedHandler();
    return handler ? handler(request) : runDialog(request);
}
