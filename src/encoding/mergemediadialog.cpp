#include "encoding/mergemediadialog.h"

#include "encoder/mediamerger.h"
#include "jobs/filechooser.h"
#include "jobs/infoboxdialog.h"
#include "jobs/uniquebasename.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace {

constexpr int kMinimumWidth = 320;

// "<base>.<suffix>" with the base numbered when "<base>.*" exists in the folder.
QString uniqueFileName(const QString &folder, const QString &baseName, const QString &suffix)
{
    return makeUniqueBaseName(folder, baseName) + QLatin1Char('.') + suffix;
}

bool usableFolder(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

} // namespace

MergeMediaDialog::MergeMediaDialog(QStringList *files, MediaMerger *merger, bool *useInputFolder,
                                   const QString &folder, QString *outputName, QWidget *parent)
    : QDialog(parent),
      m_files(files),
      m_merger(merger),
      m_useInputFolder(useInputFolder),
      m_outputName(outputName),
      m_folder(folder)
{
    const QFileInfo first(m_files->value(0));
    m_inputFolder = first.canonicalPath();
    *m_outputName = uniqueFileName(m_folder, first.completeBaseName() + QStringLiteral(".merge"),
                                   first.suffix());

    setWindowTitle(tr("Merge options"));
    // The folders live in tool tips.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumWidth(kMinimumWidth);
    auto *layout = new QVBoxLayout(this);
    buildOutputBox(layout);
    buildInputBox(layout);
    buildButtonRow(layout);
}

void MergeMediaDialog::buildOutputBox(QVBoxLayout *layout)
{
    auto *box = new QGroupBox(tr("Output file"), this);
    auto *grid = new QGridLayout(box);
    m_userFolderChoice = new QRadioButton(tr("Merge in user folder"), box);
    m_userFolderChoice->setToolTip(m_folder);
    m_inputFolderChoice = new QRadioButton(tr("Merge in input folder"), box);
    m_inputFolderChoice->setToolTip(m_inputFolder);
    m_nameEdit = new QLineEdit(*m_outputName, box);
    m_nameEdit->setObjectName(QStringLiteral("outputName"));
    grid->addWidget(m_userFolderChoice, 0, 0, 1, 2);
    grid->addWidget(m_inputFolderChoice, 1, 0, 1, 2);
    grid->addWidget(new QLabel(tr("File:"), box), 2, 0);
    grid->addWidget(m_nameEdit, 2, 1);
    (*m_useInputFolder ? m_inputFolderChoice : m_userFolderChoice)->setChecked(true);
    connect(m_userFolderChoice, &QRadioButton::clicked, this, &MergeMediaDialog::folderSetChoice);
    connect(m_inputFolderChoice, &QRadioButton::clicked, this, &MergeMediaDialog::folderSetChoice);
    connect(m_nameEdit, &QLineEdit::editingFinished, this, &MergeMediaDialog::folderSetFileName);
    layout->addWidget(box);
}

void MergeMediaDialog::buildInputBox(QVBoxLayout *layout)
{
    auto *box = new QGroupBox(tr("Input file list"), this);
    m_fileLayout = new QVBoxLayout(box);
    auto *firstLine = new QLineEdit(QFileInfo(m_files->value(0)).fileName(), box);
    firstLine->setReadOnly(true);
    firstLine->setToolTip(tr("In folder %1").arg(m_inputFolder));
    m_fileLayout->addWidget(firstLine);
    m_fileLines.append(firstLine);
    m_loadButton = new QPushButton(tr("Load file"), box);
    m_loadButton->setToolTip(tr("Click to load next file to merge..."));
    m_fileLayout->addWidget(m_loadButton);
    addEmptyFileLine();
    connect(m_loadButton, &QPushButton::clicked, this, &MergeMediaDialog::fileAddOneToMerge);
    layout->addWidget(box);
}

void MergeMediaDialog::buildButtonRow(QVBoxLayout *layout)
{
    auto *row = new QHBoxLayout;
    row->addStretch(3);
    m_mergeButton = new QPushButton(tr("Merge media files"), this);
    m_mergeButton->setToolTip(tr("Start merge job"));
    m_mergeButton->setEnabled(false);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setToolTip(tr("Cancel merge operation"));
    row->addWidget(m_mergeButton);
    row->addWidget(m_cancelButton);
    connect(m_mergeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(row);
}

// The line for the next file sits just above "Load file".
QLineEdit *MergeMediaDialog::addEmptyFileLine()
{
    auto *line = new QLineEdit(m_loadButton->parentWidget());
    line->setReadOnly(true);
    line->setPlaceholderText(tr("Click below to load next file to merge..."));
    m_fileLayout->insertWidget(m_fileLayout->indexOf(m_loadButton), line);
    m_fileLines.append(line);
    return line;
}

QString MergeMediaDialog::startFolder() const
{
    if (usableFolder(m_folder))
        return m_folder;
    for (auto location : {QStandardPaths::MoviesLocation, QStandardPaths::DocumentsLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (usableFolder(folder))
            return folder;
    }
    return QDir::homePath();
}

void MergeMediaDialog::fileAddOneToMerge()
{
    const QString path = FileChooser::openFileName(this, tr("Open media file"), startFolder(), QString());
    QLineEdit *line = m_fileLines.last();
    if (path.isEmpty()) {
        line->clear();
    } else {
        QString message;
        if (m_merger->addFile(path, message) != MediaMerger::Accepted) {
            refuse(message);
            line->clear();
        } else {
            const QFileInfo file(path);
            line->setText(file.fileName());
            line->setToolTip(file.canonicalPath());
            line->disconnect();
            m_files->append(path);
            addEmptyFileLine();
        }
    }
    m_mergeButton->setEnabled(m_files->size() > 1);
}

// The merger's message names the file: file names may hold "<" or "&", so it is escaped
// before it goes into the rich text.
void MergeMediaDialog::refuse(const QString &message)
{
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Warning);
    box.setTextFormat(Qt::RichText);
    box.setText(tr("<b>Selected file can't be merged with current ones."));
    box.setInformativeText(QStringLiteral("<i>%1</i>").arg(message.toHtmlEscaped()));
    box.exec();
}

void MergeMediaDialog::folderSetChoice()
{
    *m_useInputFolder = m_inputFolderChoice->isChecked();
    folderSetFileName();
}

// Names are made unique in the user's folder whichever choice is checked; the folder
// actually chosen is checked by the merger when the merge starts.
void MergeMediaDialog::folderSetFileName()
{
    const QFileInfo typed(m_folder + QLatin1Char('/') + m_nameEdit->text());
    *m_outputName = uniqueFileName(m_folder, typed.completeBaseName(), typed.suffix());
    m_nameEdit->setText(*m_outputName);
}
