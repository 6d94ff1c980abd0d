#pragma once

#include "InfoFormBase.h"

// The message texts of the server.
class MsgInfoForm : public InfoFormBase
{
    Q_OBJECT

public:
    explicit MsgInfoForm(QWidget* parent = nullptr);
    // Prepares and shows the window itself (modeless).
    Q_INVOKABLE void ShowForm();

protected:
    bool request(KLVQuery& query) override;
};
