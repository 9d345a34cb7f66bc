#pragma once

#include <QRadioButton>

// A radio button used as a state indicator: the program switches it, the mouse cannot
// press, toggle or hover it.
class RadioBox : public QRadioButton
{
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *) override {}
    void mouseReleaseEvent(QMouseEvent *) override {}
    void mouseDoubleClickEvent(QMouseEvent *) override {}
    void mouseMoveEvent(QMouseEvent *) override {}
};
