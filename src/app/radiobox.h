#pragma once

#include <QRadioButton>

// A radio button used as a state indicator: the program switches it; neither the mouse
// nor the keyboard can press, toggle or hover it.
class RadioBox : public QRadioButton
{
    Q_OBJECT

public:
    explicit RadioBox(const QString &text, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *) override {}
    void mouseReleaseEvent(QMouseEvent *) override {}
    void mouseDoubleClickEvent(QMouseEvent *) override {}
    void mouseMoveEvent(QMouseEvent *) override {}
    // The button's own key handling would toggle it with the space bar.
    void keyPressEvent(QKeyEvent *event) override { QWidget::keyPressEvent(event); }
    void keyReleaseEvent(QKeyEvent *event) override { QWidget::keyReleaseEvent(event); }
};
