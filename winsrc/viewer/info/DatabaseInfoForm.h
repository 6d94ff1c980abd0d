#pragma once

#include "CatalogueWindow.h"

class QComboBox;
class QLabel;

// The catalogue of the server's databases ("DBListe", tag "DBList") and of the groups of the
// database chosen there ("GruppenListe", tag "GrpList"), of the kind "GruppenTyp" chooses.
// A database row keeps its number as its tag. Layout in "DBInfoWindowSettings".
class DatabaseInfoForm : public CatalogueWindow
{
    Q_OBJECT

public:
    explicit DatabaseInfoForm(QWidget* parent = nullptr);

    // Keeps the session, makes the window's query and fills both lists.
    Q_INVOKABLE void FillDBListe(const QSharedPointer<KLV>& session);
    Q_INVOKABLE void ReloadForm() override;
    Q_INVOKABLE void SelectColumns() override;

    QTreeWidget* dbListe() const { return m_dbListe; }
    QTreeWidget* gruppenListe() const { return m_gruppenListe; }
    QComboBox* gruppenTyp() const { return m_gruppenTyp; }
    QLabel* gruppenlisteUeberschrift() const { return m_gruppenHeading; }
    const ListViewColumnArray& dbColumns() const { return m_dbColumns; }
    const ListViewColumnArray& groupColumns() const { return m_groupColumns; }

protected:
    void refreshList(QTreeWidget* list) override;
    void fillEnded() override;

private:
    void RebuildDBListe();
    void RebuildGruppenListe(const QString& databaseNr);
    // The groups of the selected database, of the chosen kind: now, or once a fill has ended.
    void groupsWanted();
    int groupListKind() const;
    QString selectedDatabase() const;

    QSharedPointer<KLV> m_session;
    QSharedPointer<KLVQuery> m_query;
    ListViewColumnArray m_dbColumns;
    ListViewColumnArray m_groupColumns;
    // Database and kind of the groups shown, and of those the user asked for last.
    QString m_shownGroups;
    QString m_wantedGroups;

    QTreeWidget* m_dbListe = nullptr;
    QTreeWidget* m_gruppenListe = nullptr;
    QLabel* m_gruppenHeading = nullptr;
    QComboBox* m_gruppenTyp = nullptr;
};
