#include "AufzInfoForm.h"

#include "KLVQuery.h"

using namespace Qt::StringLiterals;

AufzInfoForm::AufzInfoForm(QWidget* parent) : InfoFormBase(u"AufzInfoForm"_s, u"AufzListe"_s, parent) {}

bool AufzInfoForm::FillAufzListe(const QSharedPointer<KLV>& session)
{
    return fill(session, 304);
}

bool AufzInfoForm::request(KLVQuery& query)
{
    return query.GetEnumerations();
}
