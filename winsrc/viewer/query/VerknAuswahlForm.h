#pragma once

#include <QDialog>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class KLV;
class KLVQuery;
class QCloseEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTreeWidget;
class ServerWait;
class QTreeWidgetItem;

// The reference-path chooser: a chain of reference fields from the query window's table
// through the tables they refer to, ending in a field of the last table, written as the field
// names joined by "^" ("kunde^vertreter^name"). Level 0 is the query window's table; opening a
// reference field goes one level deeper, into the table it refers to (the user picks one when
// the reference can point at several). The caller prepares it with InitVerknInfo, shows it
// modally and reads ErgebnisVerknFeld: the path, or "" when the user cancelled.
//
// Controls: VerwFeldListe (reference fields of the level's table), DatenFeldListe (its other
// fields), Verweisziele (the tables the last opened reference points at), AktVerknText (the
// path so far), their labels VerwFeldListeLabel, DatenFeldListeLabel, VerweiszieleLabel, and
// OKButton, AbbrechenButton, HilfeButton, VorigeEbeneButton. Column widths are kept in the
// settings section "RefAssWindowSettings". Closing hides the dialog; the instance lives on.
class VerknAuswahlForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString ErgebnisVerknFeld READ ErgebnisVerknFeld)

public:
    // The deepest level a path can reach: at most this many "^".
    static constexpr int MaxLevel = 100;

    explicit VerknAuswahlForm(QWidget* parent = nullptr);
    // Unloading keeps the column widths when the viewer settings say so.
    ~VerknAuswahlForm() override;

    // The program's one instance, loaded on first use.
    static VerknAuswahlForm* DefaultInstance();

    QString ErgebnisVerknFeld() const { return m_ergebnis; }
    int AktEbene() const { return m_aktEbene; }

    // Prepares a new path (path and typeCode empty) or an existing one whose last field has
    // the type code typeCode, on table (the query's table argument, shown as tableCaption).
    // ok is false when the path is deeper than MaxLevel (the user was told).
    Q_INVOKABLE void InitVerknInfo(const QSharedPointer<KLV>& session, const QString& table,
                                   const QString& tableCaption, const QString& path, const QString& typeCode, bool& ok);

    // Selects and shows the entry of list whose text is fieldName, if there is one.
    void SetFeldFocus(QTreeWidget* list, const QString& fieldName);
    // Makes the first target table (in list order) that knows fieldName the current level's.
    void GetFirstTableOfField(const QString& fieldName);
    void BuildFieldLists(const QString& table, const QString& tableCaption);
    // The target tables of a reference type; a single one becomes the level's table when it
    // has none, and with autoSelect is chosen at once.
    void BuildTargetList(const QString& fieldName, const QString& typeCode, bool autoSelect);
    // Makes a field-list entry the current level's field.
    void AppendFeld(QTreeWidgetItem* item);
    void BuildPathText();
    void FinishVerknAuswahl(bool ok);
    void GoToPreviousLevel();

    // The user's actions on the lists (double click or Enter).
    void OpenReferenceField();
    void ChooseDataField();
    void ChooseTarget();

    QTreeWidget* verwFeldListe() const { return m_verwFelder; }
    QTreeWidget* datenFeldListe() const { return m_datenFelder; }
    QTreeWidget* verweisziele() const { return m_ziele; }

public Q_SLOTS:
    // Escape cancels, as the cancel button does.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setAktEbene(int level);
    bool handleKey(const QKeyEvent* event);
    void enterPressed();
    void listSelectionChanged(QTreeWidget* list);
    void saveLayout();
    void clearLists();

    QString m_ergebnis;
    QSharedPointer<KLVQuery> m_query;
    // Its requests can be broken off (Esc, closing it).
    ServerWait* m_wait = nullptr;
    int m_aktEbene = 0;
    QStringList m_ebeneFeld;
    QStringList m_ebeneFeldArt;
    QStringList m_ebeneTabelle;
    QStringList m_ebeneTabellenName;
    bool m_neueEbene = false;
    bool m_inEbeneZurueck = false;
    // Set while the lists are changed by the dialog itself, not by the user.
    bool m_inCode = false;
    QWidget* m_fokusControl = nullptr;

    QTreeWidget* m_verwFelder = nullptr;
    QTreeWidget* m_datenFelder = nullptr;
    QTreeWidget* m_ziele = nullptr;
    QLabel* m_verwFelderLabel = nullptr;
    QLabel* m_datenFelderLabel = nullptr;
    QLabel* m_zieleLabel = nullptr;
    QLineEdit* m_aktVerknText = nullptr;
    QPushButton* m_vorigeEbene = nullptr;
};
