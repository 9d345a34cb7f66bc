#pragma once

#include <QComboBox>

// The combo box of the encoder panel's format and codec choices: it tells its receivers that
// the user released a mouse button or a key on it, before it handles the release itself.
class ActiveComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ActiveComboBox(QWidget *parent);

signals:
    void released();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
};
