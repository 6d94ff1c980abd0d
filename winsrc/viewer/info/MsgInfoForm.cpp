#include "MsgInfoForm.h"

#include "KLVQuery.h"
#include "MainModul.h"

#include <QMdiSubWindow>

using namespace Qt::StringLiterals;

MsgInfoForm::MsgInfoForm(QWidget* parent) : InfoFormBase(u"MsgInfoForm"_s, u"MsgListe"_s, parent) {}

void MsgInfoForm::ShowForm()
{
    if (!session())
        fill(MainModul::MainSession.toStrongRef(), 353);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->show();
    show();
}

bool MsgInfoForm::request(KLVQuery& query)
{
    return query.GetMessageTexts2(u"cc"_s, 1, 9999);
}
