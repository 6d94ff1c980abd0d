#include "ServerWaitDialog.h"

#include "MainModul.h"
#include "ServerWait.h"

#include <QCloseEvent>

ServerWaitDialog::ServerWaitDialog(QWidget* parent) : QDialog(parent), m_wait(new ServerWait(this)) {}

void ServerWaitDialog::reject()
{
    if (m_wait->isBusy())
        m_wait->breakOff();
    else
        QDialog::reject();
}

void ServerWaitDialog::accept()
{
    if (m_wait->isBusy())
        m_wait->closeWindow();
    else
        QDialog::accept();
}

void ServerWaitDialog::closeEvent(QCloseEvent* event)
{
    if (m_wait->mayClose(event))
        QDialog::closeEvent(event);
}

bool ServerWaitDialog::mayShowFilled() const
{
    return !m_wait->isClosePending();
}

void ServerWaitDialog::fillFailed(const QString& why)
{
    if (!m_wait->isClosePending())
        MainModul::ShowMessageBox(m_wait->wasBrokenOff() ? MainModul::GetMessageTextByNr(35) : why);
    hide();
}
