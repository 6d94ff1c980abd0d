#pragma once

#include "CatalogueWindow.h"

#include <QTreeWidgetItem>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

// The catalogue of the server's information systems, chosen by name, work area and kind
// ("InfosysListe", tag "InfosysList"), and the fields of the one chosen there
// ("InfosysFeldliste", tag "InfosysFieldList"). A row of InfosysListe shows the identifier
// handed to the ERP GUI client as its text and keeps its whole catalogue record in its tag
// (fields joined by TAB: 2 the number, 3 the search word, 4 the work area, 7 the
// description), whichever columns are shown. Every fill asks through a query of its own on
// the main window's session. Layout in "InfosysInfoWindowSettings".
class InfosysInfoForm : public CatalogueWindow
{
    Q_OBJECT

public:
    explicit InfosysInfoForm(QWidget* parent = nullptr);

    // Fills the list by the filter; false (after a message; the window closes) when the
    // server refused it.
    Q_INVOKABLE bool FillInfosysListe(const QSharedPointer<KLV>& session);
    // The fields of the row's information system, unless they are shown already (force asks
    // anyway).
    Q_INVOKABLE void FillInfosysFeldListe(const QSharedPointer<KLV>& session, QTreeWidgetItem* row, bool force);
    Q_INVOKABLE void ReloadForm() override;
    Q_INVOKABLE void SelectColumns() override;

    // A field of a row's record (from 1).
    static QString recordField(const QTreeWidgetItem* row, int field);

    QTreeWidget* infosysListe() const { return m_infosysListe; }
    QTreeWidget* infosysFeldliste() const { return m_feldliste; }
    QString panelText(int panel) const;

protected:
    bool handleKey(QWidget* control, const QKeyEvent* key) override;
    void refreshList(QTreeWidget* list) override;
    QMenu* contextMenuFor(QTreeWidget* list) const override;
    void fillEnded() override;

private:
    void fillFields(const QString& number);
    QTreeWidgetItem* selectedRow() const;
    QTreeWidgetItem* rowOf(const QString& number) const;
    void setPanel(int panel, const QString& text);

    ListViewColumnArray m_infosysColumns;
    ListViewColumnArray m_fieldColumns;
    // The information system whose fields were asked for last, and the one they show.
    QString m_lastInfosys;
    QString m_shownInfosys;

    QLineEdit* m_name = nullptr;
    QLineEdit* m_workArea = nullptr;
    QCheckBox* m_standard = nullptr;
    QCheckBox* m_custom = nullptr;
    QPushButton* m_startButton = nullptr;
    QTreeWidget* m_infosysListe = nullptr;
    QTreeWidget* m_feldliste = nullptr;
    QLabel* m_feldlisteLabel = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QLabel*> m_panels;
};
