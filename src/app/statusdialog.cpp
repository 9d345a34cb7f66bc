#include "app/statusdialog.h"

#include "app/radiobox.h"
#include "engines/interfacestatus.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

StatusDialog::StatusDialog(QWidget *parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumWidth(260);
}

void StatusDialog::addField(QGridLayout *grid, int row, const QString &label, const QString &text)
{
    grid->addWidget(new QLabel(label), row, 0);
    auto *field = new QLineEdit(text);
    field->setToolTip(text);
    field->setFocusPolicy(Qt::NoFocus);
    field->setReadOnly(true);
    grid->addWidget(field, row, 1);
}

void StatusDialog::build(const InterfaceStatus &status, const Texts &texts,
                         const std::function<void(QGridLayout *)> &extraRows)
{
    auto *grid = new QGridLayout;
    addField(grid, 0, texts.firstRowLabel, status.signature);
    addField(grid, 1, tr("Version"), status.version);
    if (extraRows)
        extraRows(grid);

    auto *group = new QGroupBox(texts.stateGroupTitle, this);
    auto *ready = new RadioBox(tr("Ready"), group);
    auto *notReady = new RadioBox(tr("Not ready"), group);
    auto *notDefined = new RadioBox(tr("Not defined"), group);
    ready->setToolTip(texts.readyTip);
    notReady->setToolTip(texts.notReadyTip);
    notDefined->setToolTip(texts.notDefinedTip);
    auto *indicators = new QVBoxLayout(group);
    indicators->addWidget(ready);
    indicators->addWidget(notReady);
    indicators->addWidget(notDefined);
    if (status.state == InterfaceStatus::Reset)
        notDefined->setChecked(true);
    else if (status.state == InterfaceStatus::Ready)
        ready->setChecked(true);
    else
        notReady->setChecked(true);

    auto *centred = new QHBoxLayout;
    centred->addWidget(group);
    centred->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    m_buttons->setFocusPolicy(Qt::StrongFocus);
    m_buttons->setCenterButtons(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(10);
    layout->addLayout(centred);
    layout->addSpacing(10);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_buttons->setFocus(Qt::OtherFocusReason);
}
