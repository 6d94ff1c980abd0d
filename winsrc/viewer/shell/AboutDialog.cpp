#include "AboutDialog.h"

#include "MainModul.h"
#include "ProgramInfo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel* label(QWidget* parent, QLayout* layout, const QString& name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(l);
    return l;
}

} // namespace

AboutDialog::AboutDialog(const QStringList& words, QWidget* parent) : QDialog(parent)
{
    setObjectName(u"AboutDialog"_s);
    setWindowTitle(u"730"_s);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    label(this, layout, u"ProduktLabel"_s, u"731"_s);
    label(this, layout, u"VersionsinfoLabel"_s, QString());

    auto* buttons = new QHBoxLayout;
    m_usageButton = new QPushButton(u"732"_s, this);
    m_usageButton->setObjectName(u"UsageButton"_s);
    auto* ok = new QPushButton(u"733"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    buttons->addWidget(m_usageButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    // The usage part: shown only while expanded; the invocation line is its lowest element.
    m_usagePart = new QWidget(this);
    m_usagePart->setObjectName(u"UsagePart"_s);
    auto* usage = new QVBoxLayout(m_usagePart);
    usage->setContentsMargins(0, 0, 0, 0);
    label(m_usagePart, usage, u"UsageLabel"_s, QString());
    for (int nr = 734; nr <= 741; ++nr)
        label(m_usagePart, usage, u"UsageSwitchLabel"_s + QString::number(nr - 733), QString::number(nr));
    m_usageMessage = label(m_usagePart, usage, u"UsageMessage"_s, QString());
    m_usageMessage->setWordWrap(true);
    label(m_usagePart, usage, u"AufrufWarLabel"_s, QString());
    layout->addWidget(m_usagePart);

    MainModul::InitFormCommon(this);

    m_usageButtonCaption = m_usageButton->text();
    m_usageMessage->clear();
    HideUsage();

    findChild<QLabel*>(u"VersionsinfoLabel"_s)
        ->setText(MainModul::GetMessageTextByNr(34) + u' ' + QString::number(ProgramInfo::Major()) + u'.' +
                  QString::number(ProgramInfo::Minor()) + u"  Rev. "_s + QString::number(ProgramInfo::Revision()));
    findChild<QLabel*>(u"UsageLabel"_s)
        ->setText(MainModul::FormatMessage(48, u"usage: {1}"_s, ProgramInfo::ExecutableName()));
    findChild<QLabel*>(u"AufrufWarLabel"_s)
        ->setText(MainModul::FormatMessage(
            59, u"{1}"_s, QString(ProgramInfo::ExecutableName() + u' ' + ProgramInfo::CommandLineText(words))));

    connect(m_usageButton, &QPushButton::clicked, this, &AboutDialog::usageClicked);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::HideUsage()
{
    m_usagePart->hide();
    m_usageShown = false;
    m_usageButton->setText(m_usageButtonCaption + u" >>"_s);
    fitHeight();
}

void AboutDialog::ShowUsage(const QString& Text)
{
    m_usageMessage->setText(Text);
    m_usageShown = true;
    m_usagePart->show();
    m_usageButton->setText(m_usageButtonCaption + u" <<"_s);
    fitHeight();
}

void AboutDialog::usageClicked()
{
    if (m_usageShown)
        HideUsage();
    else
        ShowUsage(QString());
}

void AboutDialog::fitHeight()
{
    if (layout())
        layout()->activate();
    adjustSize();
}
