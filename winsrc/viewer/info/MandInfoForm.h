#pragma once

#include "InfoFormBase.h"

// The client (Mandant) the session is logged on to: the session's information items.
class MandInfoForm : public InfoFormBase
{
    Q_OBJECT

public:
    explicit MandInfoForm(QWidget* parent = nullptr);
    // Fills the window from the session and the main window's Host and Port.
    Q_INVOKABLE void LoadMandInfos(const QSharedPointer<KLV>& session);

protected:
    bool request(KLVQuery& query) override;
};
