#include "jobs/openfiledialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

OpenFileDialog::OpenFileDialog(QWidget *parent, const QString &caption, const QString &start,
                               const QString &filter)
    : QFileDialog(parent, caption, start, filter)
{
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    connect(this, &QFileDialog::currentChanged, this, [this](const QString &path) { m_current = path; });
    // The platform's own dialog has no name field of Qt's: it reads names itself.
    m_nameField = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (m_nameField)
        connect(m_nameField, &QLineEdit::textChanged, this, &OpenFileDialog::offerNamedFile);
}

QFileInfo OpenFileDialog::namedEntry() const
{
    const QString text = m_nameField ? m_nameField->text() : QString();
    if (!text.contains(QLatin1Char('"')))
        return QFileInfo();
    const QFileInfo named(directory().filePath(text));
    return named.exists() ? named : QFileInfo();
}

void OpenFileDialog::offerNamedFile()
{
    // Runs after the dialog's own reading of the field, which turned the button off for the
    // pieces of the name.
    const auto *buttons = findChild<QDialogButtonBox *>();
    QPushButton *open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (open && namedEntry().exists())
        open->setEnabled(true);
}

void OpenFileDialog::choose(const QString &path)
{
    m_chosen = path;
    QDialog::accept();
}

void OpenFileDialog::accept()
{
    const QFileInfo named = namedEntry();
    if (named.isDir()) {
        // As the dialog enters a folder whose name is typed.
        setDirectory(named.absoluteFilePath());
        m_nameField->clear();
        return;
    }
    if (named.isFile()) {
        choose(named.absoluteFilePath());
        return;
    }
    // One file is asked for: more than one selected means the dialog added files named as
    // pieces of the one the user moved to.
    const QStringList selected = selectedFiles();
    if (selected.size() > 1 && selected.contains(m_current) && QFileInfo(m_current).isFile()) {
        choose(m_current);
        return;
    }
    // The base class checks that the file exists and closes the dialog.
    QFileDialog::accept();
    if (result() == QDialog::Accepted)
        m_chosen = selectedFiles().value(0);
}
