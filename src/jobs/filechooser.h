#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every file and folder chooser of the program opens through here. Normally it opens the
// platform's dialog; a handler installed with setHandler answers instead, which is how the
// window tests choose files without a dialog on screen.
class FileChooser
{
public:
    enum Kind { OpenFile, SaveFile, ExistingFolder, ExistingFolderOrFile };

    // What a chooser was asked: its kind, parent, caption, start folder or file, filter; and
    // for a file to open, the folder of aliases it offers for the start folder's files whose
    // names Qt cannot spell (empty when there are none; see RawNameAliases).
    struct Request
    {
        Kind kind;
        QWidget *parent;
        QString caption;
        QString start;
        QString filter;
        QString aliasFolder = QString();
    };

    // Returns the chosen path, or an empty text when the user cancelled.
    using Handler = std::function<QString(const Request &)>;

    static QString openFileName(QWidget *parent, const QString &caption, const QString &start,
                                const QString &filter);
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &start,
                                const QString &filter);
    static QString existingFolder(QWidget *parent, const QString &caption, const QString &start);
    // An existing folder, or an existing file that the filter shows.
    static QString existingFolderOrFile(QWidget *parent, const QString &caption, const QString &start,
                                        const QString &filter);

    // An empty handler puts the platform's dialogs back.
    static void setHandler(Handler handler);

private:
    static QString choose(const Request &request);
};
