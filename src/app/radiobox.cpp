#include "app/radiobox.h"

RadioBox::RadioBox(const QString &text, QWidget *parent)
    : QRadioButton(text, parent)
{
    setFocusPolicy(Qt::NoFocus);
}

bool RadioBox::event(QEvent *event)
{
    setAttribute(Qt::WA_Hover, false);
    setAttribute(Qt::WA_NoMousePropagation, false);
    // Past the button's own handling, so that no key or shortcut toggles it either.
    return QWidget::event(event);
}
