#include "MandInfoForm.h"

#include "KLV.h"
#include "MainModul.h"

#include <QTreeWidget>

using namespace Qt::StringLiterals;

MandInfoForm::MandInfoForm(QWidget* parent) : InfoFormBase(u"MandInfoForm"_s, u"MandInfoListe"_s, parent)
{
    list()->setColumnCount(2);
}

void MandInfoForm::LoadMandInfos(const QSharedPointer<KLV>& session)
{
    list()->clear();
    if (!session)
        return;
    const QWidget* main = MainModul::MainForm;
    const QList<QPair<QString, QString>> rows{
        {u"Host"_s, main ? main->property("Host").toString() : QString()},
        {u"Port"_s, main ? main->property("Port").toString() : QString()},
        {u"Mandant"_s, session->GetMandantName()},
        {u"ID"_s, session->GetMandantID()},
        {u"Dir"_s, session->GetMandantDirUNC()},
        {u"TAV"_s, session->GetTAVVersion()},
        {u"KLV"_s, session->GetKLVVersion()},
    };
    for (const auto& [name, value] : rows)
        new QTreeWidgetItem(list(), {name, value});
}

bool MandInfoForm::request(KLVQuery&)
{
    return true;
}
