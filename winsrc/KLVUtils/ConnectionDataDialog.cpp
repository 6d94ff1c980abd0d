#include "ConnectionDataDialog.h"

#include "ConnectionStore.h"
#include "FormKeyWatcher.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace klvutils {

namespace {

QLineEdit* lineEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(240);
    return edit;
}

void setCaption(QWidget* widget, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
}

} // namespace

ConnectionDataDialog::ConnectionDataDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"ConnectionData"_s);

    m_connNameLabel = new QLabel(this);
    m_connNameLabel->setObjectName(u"ConnNameLabel"_s);
    m_connName = lineEdit(u"ConnName"_s, this);
    m_hostLabel = new QLabel(this);
    m_hostLabel->setObjectName(u"HostLabel"_s);
    m_host = lineEdit(u"Host"_s, this);
    m_portLabel = new QLabel(this);
    m_portLabel->setObjectName(u"PortLabel"_s);
    m_port = new QLineEdit(this);
    m_port->setObjectName(u"Port"_s);
    // Digits only, as typed; ports run to 65535.
    m_port->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,5}"_s), m_port));
    m_port->setMaxLength(5);
    m_port->setMaximumWidth(m_port->fontMetrics().horizontalAdvance(u"0000000"_s) + 16);
    m_mandantLabel = new QLabel(this);
    m_mandantLabel->setObjectName(u"MandantLabel"_s);
    m_mandant = lineEdit(u"Mandant"_s, this);
    m_mitUsername = new QCheckBox(this);
    m_mitUsername->setObjectName(u"MitUsername"_s);
    m_userNameLabel = new QLabel(this);
    m_userNameLabel->setObjectName(u"Label1"_s);
    m_userName = lineEdit(u"UserName"_s, this);
    // Disabled, the box takes the colour of the buttons, as the logon dialog's does.
    QPalette palette = m_userName->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Active, QPalette::Button));
    m_userName->setPalette(palette);

    m_speichern = new QPushButton(this);
    m_speichern->setObjectName(u"SpeichernButton"_s);
    m_speichern->setDefault(true);
    m_abbruch = new QPushButton(this);
    m_abbruch->setObjectName(u"AbbruchButton"_s);

    m_connNameLabel->setBuddy(m_connName);
    m_hostLabel->setBuddy(m_host);
    m_portLabel->setBuddy(m_port);
    m_mandantLabel->setBuddy(m_mandant);
    m_userNameLabel->setBuddy(m_userName);

    auto* form = new QFormLayout;
    form->addRow(m_connNameLabel, m_connName);
    form->addRow(m_hostLabel, m_host);
    form->addRow(m_portLabel, m_port);
    form->addRow(m_mandantLabel, m_mandant);
    form->addRow(m_mitUsername);
    form->addRow(m_userNameLabel, m_userName);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_speichern);
    buttons->addWidget(m_abbruch);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_connName, m_host);
    setTabOrder(m_host, m_port);
    setTabOrder(m_port, m_mandant);
    setTabOrder(m_mandant, m_mitUsername);
    setTabOrder(m_mitUsername, m_userName);
    setTabOrder(m_userName, m_speichern);
    setTabOrder(m_speichern, m_abbruch);

    m_captions = {{m_connNameLabel, 10}, {m_hostLabel, 11}, {m_portLabel, 12},   {m_mandantLabel, 13},
                  {m_speichern, 14},     {m_abbruch, 15},   {m_mitUsername, 16}, {m_userNameLabel, 29}};

    connect(m_speichern, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_abbruch, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_mitUsername, &QCheckBox::toggled, this, &ConnectionDataDialog::updateUserNameBox);
    connect(m_connName, &QLineEdit::textChanged, this, &ConnectionDataDialog::updateSaveButton);
    connect(m_port, &QLineEdit::textChanged, this, &ConnectionDataDialog::updateSaveButton);
    connect(new FormKeyWatcher(this), &FormKeyWatcher::keyReleased, this, &ConnectionDataDialog::keyReleased);
    updateUserNameBox();
    updateSaveButton();
}

void ConnectionDataDialog::localise(const std::function<QString(int)>& messageText)
{
    for (const auto& [widget, number] : m_captions)
        setCaption(widget, messageText(number));
}

void ConnectionDataDialog::setRecord(const QString& name, const QString& host, int port, const QString& mandant,
                                     bool withUserName, const QString& userName)
{
    m_connName->setText(name);
    m_host->setText(host);
    m_port->setText(QString::number(port));
    m_mandant->setText(mandant);
    m_mitUsername->setChecked(withUserName);
    m_userName->setText(userName);
    updateUserNameBox();
}

void ConnectionDataDialog::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QLineEdit* edit : {m_connName, m_host, m_port, m_mandant, m_userName})
        edit->setReadOnly(readOnly);
    m_mitUsername->setEnabled(!readOnly);
    updateSaveButton();
}

QString ConnectionDataDialog::connName() const
{
    return m_connName->text();
}

QString ConnectionDataDialog::host() const
{
    return m_host->text();
}

int ConnectionDataDialog::port() const
{
    return m_port->text().isEmpty() ? ConnectionStore::DefaultPort : m_port->text().toInt();
}

QString ConnectionDataDialog::mandant() const
{
    return m_mandant->text();
}

bool ConnectionDataDialog::withUserName() const
{
    return m_mitUsername->isChecked();
}

QString ConnectionDataDialog::userName() const
{
    return m_userName->text();
}

void ConnectionDataDialog::updateUserNameBox()
{
    m_userName->setEnabled(m_mitUsername->isChecked());
}

bool ConnectionDataDialog::portValid() const
{
    const QString text = m_port->text();
    bool ok = false;
    const int value = text.toInt(&ok);
    return text.isEmpty() || (ok && value <= 65535);
}

// A connection needs a name to be stored under, and a port that fits.
void ConnectionDataDialog::updateSaveButton()
{
    m_speichern->setEnabled(!m_connName->text().trimmed().isEmpty() && (m_readOnly || portValid()));
}

void ConnectionDataDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_aktion = 2;
    QWidget* target = m_connName;
    for (QLineEdit* edit : {m_connName, m_host, m_port, m_mandant}) {
        if (edit->text().isEmpty()) {
            target = edit;
            break;
        }
    }
    target->setFocus(Qt::OtherFocusReason);
}

void ConnectionDataDialog::done(int result)
{
    m_aktion = result == QDialog::Accepted ? 1 : 2;
    QDialog::done(result);
}

} // namespace klvutils
