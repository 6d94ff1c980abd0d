#pragma once

#include <QObject>

class QWidget;

namespace klvutils {

// Reports every key released anywhere in a dialog, whichever control has the focus, as a
// Windows key code: the dialogs hand function keys on to their caller (F1 for help).
// Controls such as line edits keep their key releases, so the dialog itself never sees them.
class FormKeyWatcher : public QObject
{
    Q_OBJECT
public:
    // Watches the form and the controls it has now.
    explicit FormKeyWatcher(QWidget* form);

Q_SIGNALS:
    void keyReleased(const QString& formName, int keyCode, int shift);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_form;
};

} // namespace klvutils
