#pragma once

#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

class QLineEdit;

// A chooser of one existing file that opens the file the user means also when its name holds
// double quotes. Qt's dialog reads quotes in its name field as a list of names ("a" "b"): a
// name with quotes, typed there or written there by a click in the list, is split into its
// pieces, so the Open button stays off, "file not found" answers it, or a file named as one
// of the pieces is selected beside it and opened in its place. A folder named so is entered.
class OpenFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    OpenFileDialog(QWidget *parent, const QString &caption, const QString &start, const QString &filter);

    // The chosen file; empty when the dialog was cancelled.
    QString chosenFile() const { return m_chosen; }

public slots:
    void accept() override;

protected:
    // Ends the dialog with this path as the answer.
    void choose(const QString &path);
    // What the name field names read as one name, when it has quotes and names an existing
    // file or folder; else nothing (the dialog reads the field itself).
    QFileInfo namedEntry() const;

private:
    void offerNamedFile();

    QPointer<QLineEdit> m_nameField;
    // The file the user last moved to in the list (a click, the arrow keys).
    QString m_current;
    QString m_chosen;
};
