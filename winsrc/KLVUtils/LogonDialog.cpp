#include "LogonDialog.h"

#include "ConnectionDataDialog.h"
#include "ConnectionStore.h"
#include "FormKeyWatcher.h"
#include "KLVLogon.h"
#include "LogonWaitDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace klvutils {

namespace {

QLabel* label(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

QPushButton* button(const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    return b;
}

QLineEdit* lineEdit(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMinimumWidth(220);
    return e;
}

void setCaption(QWidget* widget, const QString& text)
{
    if (auto* l = qobject_cast<QLabel*>(widget))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(widget))
        b->setText(text);
}

} // namespace

LogonDialog::LogonDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"Logon"_s);

    m_label5 = label(u"Label5"_s, this);
    m_verbindungen = new QComboBox(this);
    m_verbindungen->setObjectName(u"Verbindungen"_s);
    m_verbindungen->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_verbindungen->setMinimumContentsLength(24);
    m_neueVerbindung = button(u"NeueVerbindung"_s, this);
    m_verbindungAendern = button(u"VerbindungAendern"_s, this);
    m_verbindungLoeschen = button(u"VerbindungLoeschen"_s, this);
    m_label1 = label(u"Label1"_s, this);
    m_userName = lineEdit(u"UserName"_s, this);
    // Disabled, the box takes the colour of the buttons so that it reads as "not asked for".
    QPalette palette = m_userName->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Active, QPalette::Button));
    m_userName->setPalette(palette);
    m_passwortLabel = label(u"PasswortLabel"_s, this);
    m_passwort = lineEdit(u"Passwort"_s, this);
    m_passwort->setEchoMode(QLineEdit::Password);
    m_passwort->setStyleSheet(u"lineedit-password-character: 42"_s);
    m_okButton = button(u"OKButton"_s, this);
    m_okButton->setDefault(true);
    m_abbruchButton = button(u"AbbruchButton"_s, this);

    m_label5->setBuddy(m_verbindungen);
    m_label1->setBuddy(m_userName);
    m_passwortLabel->setBuddy(m_passwort);

    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(m_neueVerbindung);
    editButtons->addWidget(m_verbindungAendern);
    editButtons->addWidget(m_verbindungLoeschen);
    editButtons->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(m_label5, 0, 0);
    grid->addWidget(m_verbindungen, 0, 1);
    grid->addLayout(editButtons, 1, 1);
    grid->setRowMinimumHeight(2, 8);
    grid->addWidget(m_label1, 3, 0);
    grid->addWidget(m_userName, 3, 1);
    grid->addWidget(m_passwortLabel, 4, 0);
    grid->addWidget(m_passwort, 4, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_abbruchButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_verbindungen, m_neueVerbindung);
    setTabOrder(m_neueVerbindung, m_verbindungAendern);
    setTabOrder(m_verbindungAendern, m_verbindungLoeschen);
    setTabOrder(m_verbindungLoeschen, m_userName);
    setTabOrder(m_userName, m_passwort);
    setTabOrder(m_passwort, m_okButton);
    setTabOrder(m_okButton, m_abbruchButton);

    m_captions = {{m_label5, 21}, {m_neueVerbindung, 22}, {m_verbindungAendern, 23}, {m_verbindungLoeschen, 24},
                  {m_label1, 28}, {m_passwortLabel, 25},  {m_okButton, 26},          {m_abbruchButton, 27}};

    connect(new FormKeyWatcher(this), &FormKeyWatcher::keyReleased, this, &LogonDialog::passKey);
    m_connectionData = new ConnectionDataDialog(this);
    m_connectionData->setModal(true);
    m_wait = new LogonWaitDialog(this);

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_abbruchButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_verbindungen, &QComboBox::activated, this, &LogonDialog::SetInputProperties);
    connect(m_neueVerbindung, &QPushButton::clicked, this, [this] {
        ShowConnData(u"N"_s);
        m_passwort->setFocus(Qt::OtherFocusReason);
    });
    connect(m_verbindungAendern, &QPushButton::clicked, this, [this] {
        ShowConnData(u"A"_s);
        m_passwort->setFocus(Qt::OtherFocusReason);
    });
    connect(m_verbindungLoeschen, &QPushButton::clicked, this, [this] {
        ShowConnData(u"L"_s);
        m_verbindungen->setFocus(Qt::OtherFocusReason);
    });
    connect(m_connectionData, &ConnectionDataDialog::keyReleased, this, &LogonDialog::passKey);

    LoadMessages(LogonTexts::systemLanguageId());
}

LogonDialog::~LogonDialog() = default;

void LogonDialog::LoadMessages(int lang)
{
    m_texts.setLanguage(lang);
    localise();
}

// Every caption follows the language now in force, also one shown before in another.
void LogonDialog::localise()
{
    setWindowTitle(GetMessageText(20));
    for (const auto& [widget, number] : m_captions)
        setCaption(widget, GetMessageText(number));
    m_connectionData->localise([this](int number) { return GetMessageText(number); });
    m_wait->localise([this](int number) { return GetMessageText(number); });
}

QString LogonDialog::GetMessageText(int msgNr, const QVariant& defaultText) const
{
    return m_texts.messageText(msgNr, defaultText);
}

void LogonDialog::LoadConnectionList()
{
    const ConnectionStore store(m_appl);
    const QStringList names = store.names();
    if (names.isEmpty()) {
        // Nothing stored yet: one entry that reads as the defaults, chosen, so that a first
        // logon needs no click in the list.
        FillConnList({GetMessageText(32, u"Default"_s)});
        m_verbindungen->setCurrentIndex(0);
        SetInputProperties();
        return;
    }
    FillConnList(names);
    const QString lastUsed = store.lastUsed();
    if (!lastUsed.isEmpty())
        selectConnection(lastUsed);
    SetInputProperties();
}

void LogonDialog::FillConnList(const QStringList& names)
{
    m_verbindungen->clear();
    m_verbindungen->addItems(names);
    m_verbindungen->setCurrentIndex(-1);
}

bool LogonDialog::selectConnection(const QString& name)
{
    const int index = m_verbindungen->findText(name, Qt::MatchFixedString); // without regard to case
    if (index < 0)
        return false;
    m_verbindungen->setCurrentIndex(index);
    SetInputProperties();
    return true;
}

QString LogonDialog::connectionText() const
{
    return m_verbindungen->currentIndex() >= 0 ? m_verbindungen->currentText() : QString();
}

void LogonDialog::ReadConnInfo(const QString& name, QString& host, int& port, QString& mandant, bool& withUserName,
                               QString& userName) const
{
    ConnectionStore(m_appl).read(name, host, port, mandant, withUserName, userName);
}

void LogonDialog::SetInputProperties()
{
    QString host;
    int port = 0;
    QString mandant;
    bool withUserName = false;
    QString userName;
    ReadConnInfo(connectionText(), host, port, mandant, withUserName, userName);

    if (withUserName) {
        m_userName->setEnabled(true);
        if (!userName.isEmpty())
            m_userName->setText(userName);
        else if (!m_rememberedUserName.isEmpty())
            m_userName->setText(m_rememberedUserName);
        m_rememberedUserName = m_userName->text();
    } else {
        m_userName->setEnabled(false);
        // Kept, so that switching back to a connection with user name restores it.
        if (!m_userName->text().isEmpty())
            m_rememberedUserName = m_userName->text();
        m_userName->clear();
    }
    SetInitialFocus();
}

void LogonDialog::SetInitialFocus()
{
    if (m_userName->isVisibleTo(this) && m_userName->isEnabled() && m_userName->text().isEmpty())
        m_userName->setFocus(Qt::OtherFocusReason);
    else if (m_passwort->isVisibleTo(this))
        m_passwort->setFocus(Qt::OtherFocusReason);
}

void LogonDialog::ShowConnData(const QString& editOp)
{
    const int title = editOp == u"N"_s ? 1 : editOp == u"A"_s ? 2 : 3;
    m_connectionData->setWindowTitle(GetMessageText(title));
    m_connectionData->localise([this](int number) { return GetMessageText(number); });

    // A new connection starts as a copy of the chosen one.
    const QString current = connectionText();
    QString host;
    int port = 0;
    QString mandant;
    bool withUserName = false;
    QString userName;
    ReadConnInfo(current, host, port, mandant, withUserName, userName);
    m_connectionData->setRecord(current, host, port, mandant, withUserName, userName);
    m_connectionData->setReadOnly(editOp == u"L"_s);
    placeConnectionData();

    // When the store cannot be written the user is told and gets the dialog back with what
    // was typed, to try again or cancel.
    do {
        m_connectionData->exec();
        if (m_connectionData->Aktion() != 1)
            return;
    } while (!storeConnData(editOp));
    SetInputProperties();
}

bool LogonDialog::storeConnData(const QString& editOp)
{
    ConnectionStore store(m_appl);
    const QString current = connectionText();
    const int currentIndex = m_verbindungen->currentIndex();

    if (editOp == u"L"_s) {
        if (!store.remove(current)) {
            showSaveFailure(store);
            return false;
        }
        if (currentIndex >= 0)
            m_verbindungen->removeItem(currentIndex);
        m_verbindungen->setCurrentIndex(-1);
        return true;
    }

    const QString name = m_connectionData->connName();
    if (!store.write(name, m_connectionData->host(), m_connectionData->port(), m_connectionData->mandant(),
                     m_connectionData->withUserName(), m_connectionData->userName())) {
        showSaveFailure(store);
        return false;
    }
    if (name == current)
        return true;

    // A renamed connection leaves its old record; a change of case only is the same record.
    if (editOp == u"A"_s && currentIndex >= 0 && name.compare(current, Qt::CaseInsensitive) != 0) {
        if (store.remove(current))
            m_verbindungen->removeItem(currentIndex);
        else
            showSaveFailure(store);
    }
    // The store keeps one record per name, and so does the list.
    int index = m_verbindungen->findText(name, Qt::MatchFixedString);
    if (index >= 0) {
        m_verbindungen->setItemText(index, name);
    } else {
        m_verbindungen->addItem(name);
        index = m_verbindungen->count() - 1;
    }
    m_verbindungen->setCurrentIndex(index);
    return true;
}

void LogonDialog::showSaveFailure(const ConnectionStore& store)
{
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), QString(), QMessageBox::Ok,
                    m_connectionData->isVisible() ? static_cast<QWidget*>(m_connectionData) : this);
    // The file's name is the caller's application name: shown as it is, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(GetMessageText(LogonTexts::SettingsNotSaved).arg(store.fileName()));
    box.exec();
}

// Centred across the screen, just below the logon dialog, but never off the screen.
void LogonDialog::placeConnectionData()
{
    m_connectionData->adjustSize();
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect available = s->availableGeometry();
    const QSize size = m_connectionData->frameGeometry().size();
    int left = available.left() + (available.width() - size.width()) / 2;
    int top = frameGeometry().bottom() + 1;
    top = std::max(available.top(), std::min(top, available.bottom() + 1 - size.height()));
    left = std::max(available.left(), left);
    m_connectionData->move(left, top);
}

QString LogonDialog::userNameText() const
{
    return m_userName->text();
}

void LogonDialog::setUserNameText(const QString& userName)
{
    m_userName->setText(userName);
}

bool LogonDialog::userNameEnabled() const
{
    return m_userName->isEnabled();
}

QString LogonDialog::passwordText() const
{
    return m_passwort->text();
}

void LogonDialog::setPasswordText(const QString& password)
{
    m_passwort->setText(password);
}

void LogonDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_aktion = 2;
    SetInitialFocus();
}

void LogonDialog::passKey(const QString& formName, int keyCode, int shift)
{
    if (m_keyEventRecipient)
        m_keyEventRecipient->formKeyUp(formName, keyCode, shift);
}

void LogonDialog::done(int result)
{
    m_aktion = result == QDialog::Accepted ? 1 : 2;
    QDialog::done(result);
}

} // namespace klvutils
