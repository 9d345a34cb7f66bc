#pragma once

#include <QMessageBox>

// The program's message box: every window uses it for errors, notices and questions so
// that all of them carry the same title and open wide enough to read.
class InfoBoxDialog : public QMessageBox
{
    Q_OBJECT

public:
    explicit InfoBoxDialog(QWidget *parent = nullptr);

    // Sets the title, pads the text with blanks (to 160 characters, 80 when narrow) so
    // that the box opens wide, and runs the box modally. Returns the dialog result: for a
    // button added with addButton(text, role) that is its index in the order the buttons
    // were added (0 for the first); for a standard button its StandardButton value.
    int exec() override;

    // Pads to 80 characters instead of 160.
    bool narrow = false;

private:
    void padText();
};
