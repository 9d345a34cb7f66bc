#include "app/capabilitylists.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QGroupBox *groupAround(QListWidget *list, const QString &title, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(group);
    list->setParent(group);
    layout->addWidget(list);
    return group;
}

QString itemText(const QString &name)
{
    return QStringLiteral(" - ") + name;
}

} // namespace

QGroupBox *CapabilityLists::mainGroup(const QString &title, const QMap<QString, QString> &map,
                                      QList<QListWidgetItem *> &items, QWidget *parent)
{
    auto *list = new QListWidget;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        auto *item = new QListWidgetItem(itemText(it.key()));
        item->setToolTip(it.value());
        list->addItem(item);
        items.append(item);
    }
    list->sortItems(Qt::AscendingOrder);
    return groupAround(list, title, parent);
}

QGroupBox *CapabilityLists::libraryGroup(const QString &library, const QStringList &names, int mainCount,
                                         QWidget *parent)
{
    auto *list = new QListWidget;
    for (const QString &name : names)
        list->addItem(itemText(name));
    list->sortItems(Qt::AscendingOrder);
    // Long main lists leave less room to the library lists below them.
    const int lines = std::min(20 - mainCount, int(names.size())) + 2;
    const int height = int(lines * QFontMetrics(list->font()).lineSpacing() * 1.2);
    list->setMaximumHeight(std::max(height, 0));
    return groupAround(list, QCoreApplication::translate("EncoderCapabilityDialog", "Supported library - %1").arg(library),
                       parent);
}

QListWidget *CapabilityLists::listOf(QGroupBox *group)
{
    return group->findChild<QListWidget *>();
}

QDialogButtonBox *CapabilityLists::layOutTabs(QDialog *dialog, QWidget *tabs)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, dialog);
    buttons->setCenterButtons(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    return buttons;
}
