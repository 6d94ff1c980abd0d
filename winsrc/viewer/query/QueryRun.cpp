#include "QueryRun.h"

#include "ConditionsPanel.h"
#include "FormSupport.h"
#include "KLVError.h"
#include "KLVQuery.h"
#include "KLVSelection.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "QueryContext.h"
#include "QueryForm.h"
#include "QueryRules.h"
#include "QueryStatusBar.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "ResultPane.h"
#include "ServerWait.h"
#include "ViewerConfig.h"

#include <QPointer>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace MainModul;

QueryRun::QueryRun(QueryForm* form, QueryContext* context, ServerWait* wait)
    : m_form(form), m_context(context), m_wait(wait)
{}

void QueryRun::setRunState(bool running)
{
    m_running = running;
    m_form->conditions()->setRunning(running);
    FormSupport::setMainEntryEnabled(u"ExportMenue"_s, !running);
    FormSupport::setMainEntryEnabled(u"DatenlisteMenue"_s, !running);
    FormSupport::setMousePointer(running ? 11 : 0);
}

void QueryRun::breakOff()
{
    if (!m_running)
        return;
    m_breakRequested = true;
    // The reading of the records breaks its own query off; a wait for the first block is the
    // window's wait.
    ResultFill* fill = m_form->resultPane()->fill();
    if (fill->isRunning()) {
        fill->requestBreak();
        m_wait->markBrokenOff();
    } else {
        m_wait->breakOff();
    }
}

void QueryRun::run()
{
    const QSharedPointer<KLVQuery> query = m_context->query;
    // The library's waits run the event loop: the window may hear of a break meanwhile, or
    // go.
    ServerWait::Scope busy(m_wait, 0, query);
    const QPointer<QueryForm> self(m_form);
    QueryStatusBar* status = m_form->statusBar();
    m_breakRequested = false;
    setRunState(true);
    const QSharedPointer<KLVSelection> selection = m_form->GetSelection();
    const QString fields = m_form->BuildFldLst();
    if (ViewerFlag(u"SaveQueryAuto"_s, ViewerConfig::Key::QueryAutoSave))
        MemberCall::Invoke(App().MainForm, "SaveQuerySettings",
                           {QVariant::fromValue<QWidget*>(m_form), m_context->aktTableName, GetMessageTextByNr(126)});
    if (!self)
        return;

    status->setPanelText(6, selection->SelString());
    if (QueryStringForm* strings = m_form->queryStringWindow()) {
        busy.on(strings->lookupQuery());
        strings->SetQueryString(m_context->aktTableName, m_context->aktTableID, selection->SelString(), fields);
    }

    int rows = 0;
    QString readError;
    // What came before the query (the query-string window looks the table up) also waits on
    // the server: a break meanwhile ends the run before the query goes out.
    const bool started = !m_breakRequested && query && query->StartQuerySel(selection, fields + u",+id"_s);
    if (!self)
        return;
    if (!started) {
        if (!m_breakRequested && query) {
            const QSharedPointer<KLVError> error = query->GetLastKLVError();
            ShowMessageBox(GetMessageTextByNr(140) + u"\r\n"_s +
                           ServerErrorText(error ? error->ErrInfo() : query->GetLastError()));
        }
    } else {
        ResultFill* fill = m_form->resultPane()->fill();
        rows = fill->run(query, m_form->datenListe()->columnCount(),
                         [this](int n, int total) { m_form->ShowAnzSaetze(n, total); });
        if (!self)
            return;
        readError = fill->wasBroken() || fill->lastError().isEmpty() ? QString() : ServerErrorText(fill->lastError());
    }
    m_form->ShowAnzSaetze(std::max(rows, 0), started && query ? query->GetRecordTotal() : 0);
    // A block that could not be read ends the run as failed: the rows read so far stay, and
    // the count says that they are not all there.
    if (!readError.isEmpty()) {
        status->setPanelText(4, QueryRules::CountText(std::max(rows, 0), query->GetRecordTotal()) + u" - "_s +
                                    GetMessageTextByNr(149) + u": "_s + readError);
        ShowMessageBox(GetMessageTextByNr(148) + u"\r\n"_s + readError);
    }
    setRunState(false);
}
