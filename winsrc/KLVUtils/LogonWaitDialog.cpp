#include "LogonWaitDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace klvutils {

LogonWaitDialog::LogonWaitDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"LogonWait"_s);
    // The user waits for this and nothing else: the other windows take no input meanwhile.
    setWindowModality(Qt::ApplicationModal);

    m_text = new QLabel(this);
    m_text->setObjectName(u"WaitText"_s);
    // The host is the user's own input.
    m_text->setTextFormat(Qt::PlainText);
    m_text->setMinimumWidth(320);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"WaitProgress"_s);
    // How long the server takes cannot be told: the bar only shows that the wait goes on.
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_abbruch = new QPushButton(this);
    m_abbruch->setObjectName(u"AbbruchButton"_s);
    m_abbruch->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_abbruch);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_progress);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_abbruch, &QPushButton::clicked, this, &QDialog::reject);
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(ShowAfterMs);
    connect(&m_showTimer, &QTimer::timeout, this, [this] {
        if (m_breakOff)
            showCentred();
    });
}

// Where the logon dialog stands, in the middle of the screen: the wait follows it there, also
// when the dialog was never shown.
void LogonWaitDialog::showCentred()
{
    adjustSize();
    if (const QScreen* s = screen()) {
        const QRect available = s->availableGeometry();
        const QSize size = frameGeometry().size();
        move(available.left() + std::max(0, (available.width() - size.width()) / 2),
             available.top() + std::max(0, (available.height() - size.height()) / 2));
    }
    show();
}

void LogonWaitDialog::localise(const std::function<QString(int)>& messageText)
{
    setWindowTitle(messageText(20));
    m_abbruch->setText(messageText(27));
}

void LogonWaitDialog::begin(const QString& text, std::function<void()> breakOff)
{
    m_text->setText(text);
    m_breakOff = std::move(breakOff);
    if (!m_breakOff)
        m_breakOff = [] {};
    m_showTimer.start();
}

void LogonWaitDialog::end()
{
    m_showTimer.stop();
    m_breakOff = nullptr;
    hide();
}

void LogonWaitDialog::done(int result)
{
    // Every way the window ends while the wait goes on is the user's break-off; the window
    // goes at once, the caller's wait ends with the break-off.
    m_showTimer.stop();
    QDialog::done(result);
    if (const std::function<void()> breakOff = std::exchange(m_breakOff, nullptr))
        breakOff();
}

} // namespace klvutils
