#include "app/playerstatusdialog.h"

#include "engines/playerstatus.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

PlayerStatusDialog::PlayerStatusDialog(PlayerStatus *status, QWidget *parent)
    : StatusDialog(parent)
{
    setWindowTitle(tr("Player status"));
    const PlayerStatus record = *status;
    const auto openGlRow = [this, record](QGridLayout *grid) {
        grid->addWidget(new QLabel(tr("OpenGL")), 2, 0);
        auto *field = new QLineEdit;
        field->setFocusPolicy(Qt::NoFocus);
        field->setReadOnly(true);
        // Only a ready back-end has told which outputs it has.
        if (record.state == InterfaceStatus::Ready) {
            if (record.openGl) {
                field->setText(tr("supported"));
            } else {
                field->setText(tr("not supported"));
                field->setToolTip(tr("<p>Windows switches color space when starting playback, producing "
                                     "annoying (but hurtless) black screen flashes.</p>"));
            }
        }
        grid->addWidget(field, 2, 1);
    };
    build(record, {tr("Backend"), tr("Backend state"),
                   tr("Player backend is not defined (check binary path)."),
                   tr("Failed to read player backend status."), tr("Player backend is ready.")},
          openGlRow);
}
