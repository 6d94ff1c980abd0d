#include "DatabaseInfoForm.h"

#include "KLVQuery.h"

using namespace Qt::StringLiterals;

DatabaseInfoForm::DatabaseInfoForm(QWidget* parent) : InfoFormBase(u"DatabaseInfoForm"_s, u"DBListe"_s, parent) {}

void DatabaseInfoForm::FillDBListe(const QSharedPointer<KLV>& session)
{
    fill(session, 379);
}

bool DatabaseInfoForm::request(KLVQuery& query)
{
    return query.GetDatabaseNames();
}
