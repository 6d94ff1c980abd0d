#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One header field or result column of an information system.
struct InfosysFeld
{
    QString Name;   // the editor's field name: the definition's vname without its first two characters
    QString Art;    // the ERP type code
    QString Beschr; // label or column caption
    bool IstParam = false;
    // Header text boxes: numbers and other right-justified values.
    bool RightAligned = false;
};

// An information system's definition as the mask needs it: the table rows of its record in
// "65:1", read one by one, split into header fields and result columns.
class InfosysDefinition
{
public:
    // Database and group of the definitions, and the fields the definition query asks for,
    // in this order; each row is read back by these names.
    static const QString Table;
    static QStringList QueryFields();

    // Reads the definition's Booleans: the library's words ("ja", "yes", "1", ...) or the
    // server's own word for true, so every Boolean mode of the session reads the same.
    static bool IsTrue(const QString& text);

    void clear();
    // Takes one definition row (values by the names of QueryFields). Rows that are not in the
    // mask and buttons among the result columns are passed over.
    void addRow(const QHash<QString, QString>& row);

    const QList<InfosysFeld>& kopfFelder() const { return m_kopf; }
    const QList<InfosysFeld>& ergebnisFelder() const { return m_ergebnis; }
    // The editor field names, exactly one per field.
    QStringList kopfFeldNamen() const;
    QStringList ergebnisFeldNamen() const;
    // The header field (from 1) that takes the focus once the mask stands: the first
    // parameter field with a text box or a combo box from the second row on, else the first.
    int erstesParamFeld() const { return m_erstesParamFeld; }

private:
    QList<InfosysFeld> m_kopf;
    QList<InfosysFeld> m_ergebnis;
    int m_erstesParamFeld = 1;
};
