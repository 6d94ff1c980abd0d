#pragma once

#include "CatalogueWindow.h"
#include "KLVQuery.h"
#include "VerwFeldInfo.h"

#include <QHash>
#include <QList>

class QCheckBox;
class QLabel;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTreeWidgetItem;

// The references between the server's databases and groups. A fill walks the whole catalogue
// once (every database, its groups, their fields) and keeps every reference field, once per
// target; the tree "DBListe" then shows the databases with their groups, and for the node
// chosen there "VonVerwListe" lists the reference fields of that group with their targets and
// "NachVerwListe" the reference fields anywhere that point at that database or group. The
// lists have fixed columns. The OK button breaks a running fill off (Esc does so too). Layout in
// "VerwWindowSettings".
//
// A tree node's key (Qt::UserRole) is "D" & database for a database and "D" & database & "G"
// & group for a group.
class VerwInfoForm : public CatalogueWindow
{
    Q_OBJECT

public:
    explicit VerwInfoForm(QWidget* parent = nullptr);

    // Keeps the session and fills the tree and the records; true when done (also after a
    // break or a refused catalogue request).
    Q_INVOKABLE bool FillVerwInfos(const QSharedPointer<KLV>& session);
    Q_INVOKABLE void ReloadForm() override;

    QTreeWidget* dbListe() const { return m_tree; }
    QTreeWidget* vonVerwListe() const { return m_von; }
    QTreeWidget* nachVerwListe() const { return m_nach; }
    QCheckBox* excludeVRefs() const { return m_excludeVRefs; }
    const QList<VerwFeldInfo>& verwFeldInfos() const { return m_infos; }

    // True for a multiple reference: a type beginning with "V" whose last two characters
    // read as a number above 50.
    static bool IsMultipleReference(const QString& typeCode);

protected:
    bool event(QEvent* event) override;
    bool handleKey(QWidget* control, const QKeyEvent* key) override;
    QMenu* contextMenuFor(QTreeWidget* list) const override;
    void breakFill() override;
    void saveLayout() override;
    // During a fill the button breaks it off.
    void okClicked() override;

private:
    void readGroups(int databaseNr, const QString& databaseName, QTreeWidgetItem* databaseNode,
                    const QSharedPointer<KLVQuery>& groups, const QSharedPointer<KLVQuery>& fields,
                    const QSharedPointer<KLVQuery>& refTypes);
    void AddVerwFeldInfo(const QSharedPointer<KLVQuery>& fields, int databaseNr, const QString& databaseName,
                         int groupNr, const QString& groupName, const QSharedPointer<KLVTAVArtInfo>& target);
    void AddVerwToIndex(int databaseNr, int groupNr, int position);
    void FillVerwListen(QTreeWidgetItem* node);

    QSharedPointer<KLV> m_session;
    QList<VerwFeldInfo> m_infos;
    QHash<QString, QList<int>> m_fromIndex;
    QHash<QString, QList<int>> m_toIndex;
    QHash<QString, QTreeWidgetItem*> m_nodes;
    // Target lists by type code, asked once per fill.
    QHash<QString, KLVTAVArtInfoList> m_targets;
    bool m_break = false;
    bool m_listsBusy = false;

    QTreeWidget* m_tree = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_von = nullptr;
    QTreeWidget* m_nach = nullptr;
    QSplitter* m_split = nullptr;
    QCheckBox* m_excludeVRefs = nullptr;
    QLabel* m_loadingLabel = nullptr;
    QProgressBar* m_progress = nullptr;
};
