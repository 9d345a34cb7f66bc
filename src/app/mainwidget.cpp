#include "app/mainwidget.h"

#include <QVBoxLayout>

MainWidget::MainWidget(QWidget *playerPanel, QWidget *encoderPanel, QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_player(nullptr)
    , m_encoder(nullptr)
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setPlayerWidget(playerPanel);
    setEncoderWidget(encoderPanel);
}

void MainWidget::replace(QWidget *&held, QWidget *panel)
{
    if (held)
        m_layout->removeWidget(held);
    held = panel;
    if (!panel)
        return;
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_layout->addWidget(panel);
}

void MainWidget::setPlayerWidget(QWidget *panel)
{
    replace(m_player, panel);
}

void MainWidget::setEncoderWidget(QWidget *panel)
{
    replace(m_encoder, panel);
}

void MainWidget::adjustGuiSize()
{
    adjustSize();
    emit guiSizeAdjustRequest();
}
