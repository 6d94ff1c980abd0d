#include "InfosysInfoForm.h"

#include "KLVQuery.h"

using namespace Qt::StringLiterals;

InfosysInfoForm::InfosysInfoForm(QWidget* parent) : InfoFormBase(u"InfosysInfoForm"_s, u"InfosysListe"_s, parent) {}

bool InfosysInfoForm::FillInfosysListe(const QSharedPointer<KLV>& session)
{
    return fill(session, 1108);
}

bool InfosysInfoForm::request(KLVQuery& query)
{
    return query.GetInfosystemNames();
}
