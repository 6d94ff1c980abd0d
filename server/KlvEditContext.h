#pragma once

#include "KlvCommandContext.h"
#include "KlvEditTransaction.h"
#include "KlvEditorState.h"
#include "KlvErpData.h"

#include <QString>
#include <QStringList>

// What every editor command needs beside the plain command context: the connection's edit
// transactions, the sample ERP, the session's language and the refusals in it.
class KlvEditContext
{
public:
    explicit KlvEditContext(KlvCommandContext& context);

    KlvCommandContext& command() { return m_context; }
    QString field(qsizetype i) const { return m_context.field(i); }
    KlvAnswer& answer() { return m_context.answer(); }
    KlvErpData& erp();
    KlvEditorState& editor();
    QString lang();

    // The transaction the command's id names. Refuses the command and returns nullptr when
    // there is none, or when it has ended and an open one is needed. Every command but a
    // free-text piece ends a run of pieces.
    KlvEditTransaction* transaction(bool mustBeActive = true, bool continuesPieces = false);
    // The same, and refuses when nothing may be changed in it.
    KlvEditTransaction* changeableTransaction(bool continuesPieces = false);

    // A message of the editor or of the sample ERP, in the session's language.
    QString text(int number, const QStringList& args = {});
    // NAK with that message.
    void refuse(int number, const QStringList& args = {});
    // An error line naming row and field, then the NAK, both with that message.
    void refuseField(int number, const QStringList& args, int row, const QString& field);
    // The same with a text made elsewhere.
    void refuseFieldText(const QString& text, int number, int row, const QString& field);

private:
    KlvCommandContext& m_context;
};
