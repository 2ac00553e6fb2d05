#include "startuptip.h"

#include <QMessageBox>

void showStartupTaskTip(const StartupTaskOutcome &outcome)
{
    if (!outcome.failed)
        return;
    if (outcome.modalTip) {
        QMessageBox::information(nullptr, QStringLiteral("Tip"), outcome.tipText, QMessageBox::Ok,
                                 QMessageBox::NoButton);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Tip"), outcome.tipText,
                                QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::NoButton);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setModal(false);
    box->show();
}
