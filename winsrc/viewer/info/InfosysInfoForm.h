#pragma once

#include "InfoFormBase.h"

// The catalogue of information systems. Its list InfosysListe has one row per information
// system: the row's text is the name handed to the ERP GUI client; sub-item 1 the number,
// 2 the search word, 6 the description.
class InfosysInfoForm : public InfoFormBase
{
    Q_OBJECT

public:
    explicit InfosysInfoForm(QWidget* parent = nullptr);
    // Keeps the session and fills the list; false after its own message.
    Q_INVOKABLE bool FillInfosysListe(const QSharedPointer<KLV>& session);

protected:
    bool request(KLVQuery& query) override;
};
