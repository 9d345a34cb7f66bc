#include "encoding/activecombobox.h"

ActiveComboBox::ActiveComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setInsertPolicy(QComboBox::InsertAlphabetically);
}

void ActiveComboBox::mouseReleaseEvent(QMouseEvent *event)
{
    emit released();
    QComboBox::mouseReleaseEvent(event);
}

void ActiveComboBox::keyReleaseEvent(QKeyEvent *event)
{
    emit released();
    QComboBox::keyReleaseEvent(event);
}
