#include "app/playercapabilitydialog.h"

#include "app/capabilitylists.h"
#include "engines/playercapabilities.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QWidget *driverPage(const QString &title, const QMap<QString, QString> *map, QList<QListWidgetItem *> &items,
                    QWidget *owner)
{
    auto *page = new QWidget(owner);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(CapabilityLists::mainGroup(title, map ? *map : QMap<QString, QString>(), items, page));
    return page;
}

} // namespace

PlayerCapabilityDialog::PlayerCapabilityDialog(PlayerCapabilities *capabilities, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Player backend capabilities"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumWidth(260);
    m_videoPage = driverPage(tr("Available video drivers"), capabilities->videoDrivers, m_videoItems, this);
    m_audioPage = driverPage(tr("Available audio drivers"), capabilities->audioDrivers, m_audioItems, this);
    m_audioPage->hide();

    m_tabs = new QTabWidget(this);
    m_tabs->setMovable(false);
    m_tabs->addTab(m_videoPage, tr("Video"));
    if (capabilities->audioDrivers && !capabilities->audioDrivers->isEmpty())
        m_tabs->addTab(m_audioPage, tr("Audio"));
    m_tabs->setCurrentIndex(0);

    m_buttons = CapabilityLists::layOutTabs(this, m_tabs);
}
