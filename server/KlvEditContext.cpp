#include "KlvEditContext.h"

#include "KlvConnection.h"
#include "KlvEditorMessage.h"
#include "KlvServerWorker.h"
#include "KlvSession.h"

using namespace Qt::StringLiterals;

namespace {
const QString kCategory = u"EDIT"_s;
}

KlvEditContext::KlvEditContext(KlvCommandContext& context) : m_context(context) {}

KlvErpData& KlvEditContext::erp()
{
    return m_context.server().erp();
}

KlvEditorState& KlvEditContext::editor()
{
    return m_context.session().editor;
}

QString KlvEditContext::lang()
{
    return m_context.session().option(u"LANG"_s) == u"E" ? u"E"_s : u"D"_s;
}

KlvEditTransaction* KlvEditContext::transaction(bool mustBeActive, bool continuesPieces)
{
    const QString& tid = m_context.command().tid;
    KlvEditTransaction* t = editor().find(tid);
    if (!t) {
        refuse(KlvEditorMessage::NoTransaction, {tid});
        return nullptr;
    }
    if (!continuesPieces)
        t->endPieces();
    if (mustBeActive && !t->isActive()) {
        refuse(KlvEditorMessage::TransactionEnded, {tid});
        return nullptr;
    }
    return t;
}

KlvEditTransaction* KlvEditContext::changeableTransaction(bool continuesPieces)
{
    KlvEditTransaction* t = transaction(true, continuesPieces);
    if (t && t->isReadOnly()) {
        refuse(KlvEditorMessage::ReadOnly, {t->tid()});
        return nullptr;
    }
    return t;
}

QString KlvEditContext::text(int number, const QStringList& args)
{
    const QString own = KlvEditorMessage::text(number, lang(), args);
    return own.isEmpty() ? erp().serverText(number, lang(), args) : own;
}

void KlvEditContext::refuse(int number, const QStringList& args)
{
    answer().nak(text(number, args), number);
}

void KlvEditContext::refuseField(int number, const QStringList& args, int row, const QString& field)
{
    refuseFieldText(text(number, args), number, row, field);
}

void KlvEditContext::refuseFieldText(const QString& text, int number, int row, const QString& field)
{
    answer().error(text, kCategory, number, row, field);
    answer().nak(text, number);
}
