#include "InfosysForm.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

InfosysForm::InfosysForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"InfosysForm"_s);
    setWindowTitle(u"InfosysForm"_s);
    m_title = new QLabel(this);
    m_title->setObjectName(u"InfosysLabel"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addStretch();
}

void InfosysForm::InitControls()
{
    m_title->clear();
}

void InfosysForm::BuildInfosysInfos(const QString& number, const QString& searchWord, const QString& description)
{
    m_number = number;
    m_searchWord = searchWord;
    m_description = description;
    m_title->setText(number + u' ' + searchWord + u' ' + description);
}

void InfosysForm::BuildAktInfosysInfos()
{
    if (!m_number.isEmpty())
        BuildInfosysInfos(m_number, m_searchWord, m_description);
}
