#pragma once

#include "InfoFormBase.h"

// The catalogue of enumerations.
class AufzInfoForm : public InfoFormBase
{
    Q_OBJECT

public:
    explicit AufzInfoForm(QWidget* parent = nullptr);
    // Keeps the session and fills the list of enumerations; false after its own message.
    Q_INVOKABLE bool FillAufzListe(const QSharedPointer<KLV>& session);

protected:
    bool request(KLVQuery& query) override;
};
