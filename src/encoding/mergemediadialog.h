#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class MediaMerger;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

// "Merge options": the files to join with the first one (each checked by the merger as it
// is added), the output folder choice and the output file name. The dialog starts nothing;
// it keeps the caller's variables up to date, and the caller queues the merge after exec()
// returned Accepted.
class MergeMediaDialog : public QDialog
{
    Q_OBJECT

public:
    // files holds the merger's reference file on entry; folder is the user's output folder.
    MergeMediaDialog(QStringList *files, MediaMerger *merger, bool *useInputFolder,
                     const QString &folder, QString *outputName, QWidget *parent = nullptr);

protected slots:
    void fileAddOneToMerge();
    void folderSetChoice();
    void folderSetFileName();

private:
    void buildOutputBox(QVBoxLayout *layout);
    void buildInputBox(QVBoxLayout *layout);
    void buildButtonRow(QVBoxLayout *layout);
    QLineEdit *addEmptyFileLine();
    QString startFolder() const;
    void refuse(const QString &message);

    QStringList *m_files;
    MediaMerger *m_merger;
    bool *m_useInputFolder;
    QString *m_outputName;
    QString m_folder;
    QString m_inputFolder;
    QList<QLineEdit *> m_fileLines;

    QRadioButton *m_userFolderChoice = nullptr;
    QRadioButton *m_inputFolderChoice = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QVBoxLayout *m_fileLayout = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_mergeButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
