#include "jobs/infoboxdialog.h"
#include "jobs/producttitle.h"

InfoBoxDialog::InfoBoxDialog(QWidget *parent)
    : QMessageBox(parent)
{
}

int InfoBoxDialog::exec()
{
    // The product title, not the application name: the latter carries the edition.
    setWindowTitle(tr("%1 (Information Message)").arg(productTitle()));
    padText();
    return QMessageBox::exec();
}

void InfoBoxDialog::padText()
{
    // A message box is as wide as its text; blanks widen the short ones.
    const int width = narrow ? 80 : 160;
    const int pad = width - text().size();
    if (pad > 0)
        setText(text() + QString(pad, QLatin1Char(' ')));
}
