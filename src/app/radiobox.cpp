#include "app/radiobox.h"

bool RadioBox::event(QEvent *event)
{
    setAttribute(Qt::WA_Hover, false);
    setAttribute(Qt::WA_NoMousePropagation, false);
    // Past the button's own handling, so that no key or shortcut toggles it either.
    return QWidget::event(event);
}
