#pragma once

#include <QLineEdit>

// A line edit holding a decimal integer, paired with a slider: only the user's edits report
// a new value, so a slider that sets the text and listens to the value does not loop.
class NumberEdit : public QLineEdit
{
    Q_OBJECT

public:
    NumberEdit(int value, QWidget *parent);

    int value() const { return text().toInt(); }

signals:
    void valueChanged(int value);

public slots:
    void setValue(int value);
    void onTextEdited(const QString &text);
};
