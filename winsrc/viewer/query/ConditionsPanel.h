#pragma once

#include <QGroupBox>
#include <QSharedPointer>

class KLVSelection;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QueryContext;

// The query window's conditions frame "BedingungenFrame": the key "Schluessel" with its info
// and estimation buttons, the storage kind "Ablageart", the criteria "Kriterien", the sort
// order "Sortierung" with the direction "Aufsteigend"/"Absteigend", the junction
// "UNDVerknuepfung"/"ODERVerknuepfung" and the row selection "ZeilenSelektion" on the left,
// in a grid; "StartQueryButton" and "BreakQueryButton" at its right end, spaced evenly in its
// height. Other windows find the controls by these names.
//
// It fills the key and storage-kind boxes for the window's table, makes the selection of a
// run from the controls and loads the server's selection template into them. The buttons it
// only reports (startClicked and so on): the window decides what runs.
class ConditionsPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit ConditionsPanel(QueryContext* context, QWidget* parent = nullptr);

    QPushButton* startButton() const { return m_startButton; }
    QPushButton* breakButton() const { return m_breakButton; }

    // The keys of the window's table, behind the entry for no key; their names also go to the
    // main window's menu "TabListeKeyInfosMenue". A refused request is told in a message box.
    void fillKeys();
    // The storage kinds the table's keys offer.
    void fillStorageKinds();
    // Whether a key holds records of that storage kind.
    bool key4AblageartExists(int AblArt) const;
    // The chosen key, or "" for none.
    QString keyName() const;
    // Whether the chosen key can deliver the chosen storage kind (a run is refused otherwise).
    bool keyServesStorageKind() const;

    // A new selection on the window's table from the controls.
    QSharedPointer<KLVSelection> selection() const;

    // The controls as a template sets them before it is read: no criteria, no sort order, no
    // row selection, ascending, AND, the first storage kind, no key.
    void resetSelection();
    // Resets the controls and fills them from the server's selection template ref (read with
    // the window's second query); a template that cannot be read leaves them reset.
    void loadTemplate(const QString& ref);
    // Empties the key and storage-kind boxes and the criteria and sort texts.
    void clear();

    // Start and break swap their state for a run.
    void setRunning(bool running);

Q_SIGNALS:
    void startClicked();
    void breakClicked();
    void keyInfoClicked();
    void estimateClicked();

private:
    void buildControls();
    void keyChosen();

    QueryContext* m_context;
    QComboBox* m_schluessel = nullptr;
    QComboBox* m_ablageart = nullptr;
    QLineEdit* m_kriterien = nullptr;
    QLineEdit* m_sortierung = nullptr;
    QRadioButton* m_aufsteigend = nullptr;
    QRadioButton* m_absteigend = nullptr;
    QRadioButton* m_und = nullptr;
    QRadioButton* m_oder = nullptr;
    QCheckBox* m_zeilenSelektion = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_breakButton = nullptr;
    QPushButton* m_schlInfoButton = nullptr;
    QPushButton* m_schaetzenButton = nullptr;
};
