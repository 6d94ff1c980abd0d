#pragma once

#include "InfoFormBase.h"

// The references between databases: here the databases whose references the full window
// shows.
class VerwInfoForm : public InfoFormBase
{
    Q_OBJECT

public:
    explicit VerwInfoForm(QWidget* parent = nullptr);
    // Keeps the session and fills the reference information; false after its own message.
    Q_INVOKABLE bool FillVerwInfos(const QSharedPointer<KLV>& session);

protected:
    bool request(KLVQuery& query) override;
};
