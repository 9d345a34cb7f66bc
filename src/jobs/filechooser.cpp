#include "jobs/filechooser.h"

#include "jobs/folderorfiledialog.h"
#include "jobs/openfiledialog.h"
#include "jobs/rawnamealiases.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QUrl>

namespace {
FileChooser::Handler &installedHandler()
{
    static FileChooser::Handler handler;
    return handler;
}

QString startFolder(const QString &start)
{
    const QFileInfo info(start);
    return info.isDir() ? start : info.path();
}

// The dialog cannot list a file whose name Qt cannot spell: each folder the user enters that
// holds such files puts the folder of their aliases in the dialog's side bar, where the user
// can pick them. The side bar keeps what it was offered while the dialog is open.
QString openFileDialog(const FileChooser::Request &request)
{
    OpenFileDialog dialog(request.parent, request.caption, request.start, request.filter);
    const auto offer = [&dialog](const QString &aliasFolder) {
        const QUrl url = QUrl::fromLocalFile(aliasFolder);
        QList<QUrl> sidebar = dialog.sidebarUrls();
        if (!aliasFolder.isEmpty() && !sidebar.contains(url))
            dialog.setSidebarUrls(sidebar << url);
    };
    offer(request.aliasFolder);
    const auto offerFor = [offer](const QString &folder) { offer(RawNameAliases::aliasFolder(folder)); };
    // The dialog tells of a folder entered only for some of the ways into one (not for a
    // folder typed in the name field); its file model tells of every one.
    if (auto *model = dialog.findChild<QFileSystemModel *>())
        QObject::connect(model, &QFileSystemModel::rootPathChanged, &dialog, offerFor);
    else
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, offerFor);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenFile() : QString();
}

QString runDialog(const FileChooser::Request &request)
{
    switch (request.kind) {
    case FileChooser::OpenFile:
        return openFileDialog(request);
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
    return choose({OpenFile, parent, caption, start, filter,
                   RawNameAliases::aliasFolder(startFolder(start))});
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
