#include "VerwInfoForm.h"

#include "KLVQuery.h"

using namespace Qt::StringLiterals;

VerwInfoForm::VerwInfoForm(QWidget* parent) : InfoFormBase(u"VerwInfoForm"_s, u"DBListe"_s, parent) {}

bool VerwInfoForm::FillVerwInfos(const QSharedPointer<KLV>& session)
{
    return fill(session, 379);
}

bool VerwInfoForm::request(KLVQuery& query)
{
    return query.GetDatabaseNames();
}
