#pragma once

#include <QList>
#include <QString>

#include <optional>

// Which part of an edited object a command addresses. The editor's row operations pass the
// client's text through unchanged, so this is the whole syntax the server understands:
//   "" or "0"          the head part
//   "n"                table row n (from 1)
//   "a-b"              rows a to b
//   "n,a-b,..."        several of these
//   "*"                every row
//   "LAST"             the last row (any case)
class KlvEditRowSelection
{
public:
    // Nothing when the text is not a row selection.
    static std::optional<KlvEditRowSelection> parse(const QString& text);

    bool isHead() const { return m_kind == Kind::Head; }
    bool isAll() const { return m_kind == Kind::All; }
    // Exactly one row number was written (also one beyond the last row).
    std::optional<int> single() const;
    // The existing rows it names, ascending, each once. *missing (when given) receives the
    // first named row beyond rowCount, or 0.
    QList<int> rows(int rowCount, int* missing = nullptr) const;

private:
    enum class Kind { Head, Rows, All, Last };
    struct Range
    {
        int first;
        int last;
    };
    Kind m_kind = Kind::Head;
    QList<Range> m_ranges;
};
