#include "encoding/numberedit.h"

NumberEdit::NumberEdit(int value, QWidget *parent)
    : QLineEdit(QString::number(value), parent)
{
    connect(this, &QLineEdit::textEdited, this, &NumberEdit::onTextEdited);
}

void NumberEdit::setValue(int value)
{
    setText(QString::number(value));
}

void NumberEdit::onTextEdited(const QString &text)
{
    // A text that is no number (a lone minus sign while typing) reads as 0.
    emit valueChanged(text.toInt());
}
