#pragma once

#include <QWidget>

class QVBoxLayout;

// The main window's central widget: the player panel above the encoder panel.
class MainWidget : public QWidget
{
    Q_OBJECT

public:
    MainWidget(QWidget *playerPanel, QWidget *encoderPanel, QWidget *parent = nullptr);

    // Removes the panel held so far from the layout and appends the new one at the end; the
    // caller deletes the old panel.
    void setPlayerWidget(QWidget *panel);
    void setEncoderWidget(QWidget *panel);
    QWidget *playerWidget() const { return m_player; }
    QWidget *encoderWidget() const { return m_encoder; }

signals:
    void guiSizeAdjustRequest();

public slots:
    void adjustGuiSize();

private:
    void replace(QWidget *&held, QWidget *panel);

    QVBoxLayout *m_layout;
    QWidget *m_player;
    QWidget *m_encoder;
};
