#pragma once

#include <QDialog>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

class KLV;
class KLVQuery;
class KLVSelection;
class QCheckBox;
class QCloseEvent;
class QKeyEvent;
class QLineEdit;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class ServerWait;

// Estimates, for the query window's selection, how many records each key of the table would
// deliver, so the user can pick the key that narrows the selection most. One counting request
// per key (two for a key with a condition field) asks only for the record total; keys that
// cannot serve the selection are greyed with a remark and not counted, and the best key (the
// lowest count, the earlier of equal ones) is shown bold in green. The criteria, sort order,
// junction and row selection can be changed and estimated again; a double click on a key
// opens the query window's key information for it.
//
// Of the query window it uses, by name: GetSelection() -> QSharedPointer<KLVSelection> (a new
// selection from the window's controls) and ShowSchluesselInfo(QString, QString, QString).
//
// Controls: Tabelle, Ablageart (shown only), SelKrit, Sortierung (text boxes),
// UNDVerknuepfung, ODERVerknuepfung (option buttons), ZeilenSelektion, SchluesselSortieren
// (check boxes), SchluesselListe (list view), AktualisierenButton, OKButton, HilfeButton.
// Settings section "SchlWindowSettings": window place and size, column widths and
// "KeyListAutoSort".
class SchluesselSchaetzenForm : public QDialog
{
    Q_OBJECT

public:
    enum Column {
        ColName,
        ColKeyCount,
        ColEstimate,
        ColFields,
        ColAliveRecs,
        ColRange,
        ColCondition,
        ColRemark,
        ColSortKey,
        ColumnCount
    };
    // The count of a key that was not counted.
    static constexpr qint64 NotCounted = 999999999;
    // Entry colours, as RGB numbers with red in the lowest byte.
    static constexpr qint32 MarkedColour = 0x7F7F7F;
    static constexpr qint32 RefusedColour = 0xAF;
    static constexpr qint32 BestColour = 0x7F00;

    explicit SchluesselSchaetzenForm(QWidget* parent = nullptr);
    ~SchluesselSchaetzenForm() override;

    // The program's one instance, loaded on first use.
    static SchluesselSchaetzenForm* DefaultInstance();

    // Sets the dialog up from the query window's selection, estimates and shows it modally.
    void SchaetzungZeigen(const QSharedPointer<KLV>& session, QWidget* queryWindow);
    // Lists the table's keys and counts them for the selection the controls describe.
    void EstimateKeyCounts();

    QTreeWidget* schluesselListe() const { return m_list; }
    // True while it waits for the server.
    bool isBusy() const;
    // The text of the key estimated best, "" when none was.
    QString bestKey() const { return m_bestKey; }

public Q_SLOTS:
    // The dialog has no cancel: Escape closes it like OK.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // The fields that only show the selection look read-only.
    void showReadOnly();
    // What loading the window restores, each time it is shown.
    void load();
    void unload();
    void closeDialog();
    bool handleKey(const QKeyEvent* event);
    void setSorted(bool sorted);
    void showKeyInfo(QTreeWidgetItem* item);

    QSharedPointer<KLVQuery> m_query;
    QSharedPointer<KLVSelection> m_display;
    QSharedPointer<KLVSelection> m_count;
    QPointer<QWidget> m_queryWindow;
    QString m_specialKey;
    // Its counting requests can be broken off (Esc, closing it).
    ServerWait* m_wait = nullptr;
    QString m_bestKey;

    QLineEdit* m_tabelle = nullptr;
    QLineEdit* m_ablageart = nullptr;
    QLineEdit* m_selKrit = nullptr;
    QLineEdit* m_sortierung = nullptr;
    QRadioButton* m_und = nullptr;
    QRadioButton* m_oder = nullptr;
    QCheckBox* m_zeilen = nullptr;
    QCheckBox* m_sortieren = nullptr;
    QTreeWidget* m_list = nullptr;
};
