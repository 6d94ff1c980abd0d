#pragma once

#include "ServerWaitDialog.h"

#include <QSharedPointer>
#include <QString>

class KLV;
class QCheckBox;
class QLineEdit;

// What the server's key catalogue says about one key of one table, in read-only fields:
// "Schluesselname", "Bedingungsfeld", "Schluesselfelder", "Tabellenschluessel" (check box),
// "Schluesselart", "Datenbank", "GruppenNamen", "GruppenNummern", "Ablageart", "SchluesselNr",
// "SchlNamePrimaerSprache", "SchluesselBezeichner", "SchluesselZahl". The query window opens
// it for the key chosen in its key box: FillSchlInfo, then the modal showing when it could
// fill the fields. The program's one instance is kept between uses. A slow answer shows the
// dialog while it waits, and Esc or a close breaks the wait off.
class SchlInfoForm : public ServerWaitDialog
{
    Q_OBJECT

public:
    explicit SchlInfoForm(QWidget* parent = nullptr);

    static SchlInfoForm* DefaultInstance();

    // Reads the key (tableId names the table for the server, tableName as the table list
    // shows it) and fills the fields; ok is false (after a message, the fields emptied) when
    // the key could not be read or was not found, or its user closed it meanwhile.
    Q_INVOKABLE void FillSchlInfo(const QSharedPointer<KLV>& session, const QString& tableName, const QString& tableId,
                                  QString& keyName, bool& ok);

    QLineEdit* field(const QString& name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clearFields();

    QList<QLineEdit*> m_fields;
    QCheckBox* m_tableKey = nullptr;
};
