#pragma once

#include "KlvEditTransaction.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

// The edit transactions of one connection, by transaction id. Ended transactions stay
// answerable to status requests (the reference of a record saved as new is read after the
// save), up to a limit, so a long session does not pile them up.
class KlvEditorState
{
public:
    KlvEditorState() = default;
    KlvEditorState(const KlvEditorState&) = delete;
    KlvEditorState& operator=(const KlvEditorState&) = delete;

    // A new transaction with a fresh id.
    KlvEditTransaction& open(KlvEditTransaction::Kind kind, KlvErpData::Group group, const KlvErpData::Record& record);
    KlvEditTransaction* find(const QString& tid);
    // Active sub-screens opened on a transaction.
    std::vector<KlvEditTransaction*> subsOf(const QString& tid);
    // Every transaction of the connection, for the clean-up when it ends.
    std::vector<KlvEditTransaction*> all();
    // Forgets the oldest ended transactions beyond the limit.
    void prune();

    static constexpr int kEndedKept = 100;

private:
    std::map<int, std::unique_ptr<KlvEditTransaction>> m_transactions; // by number, oldest first
    int m_next = 101;
};
