#pragma once

#include "InfoFormBase.h"

// The catalogue of databases and groups.
class DatabaseInfoForm : public InfoFormBase
{
    Q_OBJECT

public:
    explicit DatabaseInfoForm(QWidget* parent = nullptr);
    // Keeps the session and fills the list of databases.
    Q_INVOKABLE void FillDBListe(const QSharedPointer<KLV>& session);

protected:
    bool request(KLVQuery& query) override;
};
