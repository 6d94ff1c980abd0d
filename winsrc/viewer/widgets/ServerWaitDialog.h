#pragma once

#include <QDialog>

class ServerWait;

// A modal dialog that fills itself from the server before it shows. Its wait shows it when
// the server is slow to answer; Esc and Close meanwhile break the wait off, and OK or closing
// it closes it once the wait has ended, after which it does not show again filled. A fill
// that failed says why, unless the user closed the dialog.
class ServerWaitDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ServerWaitDialog(QWidget* parent = nullptr);

    void reject() override;
    void accept() override;

protected:
    void closeEvent(QCloseEvent* event) override;

    ServerWait* serverWait() const { return m_wait; }
    // After the fill: true when the dialog is to show (its user did not close it meanwhile).
    bool mayShowFilled() const;
    // The fill failed: the message says why (message 35 when the user broke it off), unless
    // the user closed the dialog, and the dialog hides.
    void fillFailed(const QString& why);

private:
    ServerWait* m_wait;
};
