#pragma once

#include "InfosysDefinition.h"
#include "InfosysResultList.h"

#include <QList>
#include <QPoint>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class ChildWindowFrame;
class InfosysFeldPanel;
class KLV;
class KLVEditor;
class KLVMessageCollector;
class KLVQuery;
class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTreeWidget;
class ServerWait;

// The information-system window: the mask of one information system, its run and its result
// rows. The main window opens it for a row of the information-system catalogue (its one
// default instance) or as a further window, calls InitControls and then BuildInfosysInfos.
//
// Top to bottom: the header-field panel "FeldContainerView" and the result list "DatenListe"
// in the splitter "DatenSplit", the buttons "StartInfosysButton", "AbbrechenButton",
// "TabelleNeuLadenButton", "HilfeButton" and "SchliessenButton", and the status bar
// "StatusZeile" with the panels "Panel1" (kept empty), "Panel2" (the information system),
// "Panel3" (the row count) and "Panel4" (what the window is doing). A new mask gets the room
// for all its rows, as far as the frame allows.
//
// The window works on a session of its own, a clone of the main window's; when the clone
// cannot be made the failure is shown and hasSession() is false: the window must not open.
// It runs the information system through an editor of that session. While it waits for the
// server its message loop runs: a second run and a rebuild are refused then, Stop and Esc
// break the request off (the status bar says so), and a close breaks it off and closes once
// it has ended.
class InfosysForm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString InfosysNr READ InfosysNr)

public:
    // Settings section of the window's place and size.
    static constexpr const char16_t* SettingsSection = u"InfosysWindowSettings";

    using ExportField = InfosysResultList::ExportField;

    explicit InfosysForm(QWidget* parent = nullptr);
    ~InfosysForm() override;

    // False when the window's own session could not be opened (the failure was shown).
    bool hasSession() const { return m_session != nullptr; }
    QString InfosysNr() const { return m_infosysNr; }
    // True from the start of a run or a table reload until it ended.
    bool isRunning() const { return m_running; }
    // True while the window waits for the server.
    bool isBusy() const;
    // True while the edit operation of the shown information system is open.
    bool isEditOpen() const { return m_editOpen; }
    const InfosysDefinition& definition() const { return m_definition; }
    InfosysFeldPanel* feldPanel() const { return m_panel; }
    InfosysResultList* datenListe() const { return m_datenListe; }
    QSplitter* datenSplit() const { return m_split; }
    QString panelText(int panel) const;
    ChildWindowFrame* frame() const { return m_frame; }
    QSize sizeHint() const override;

    // ---- Frame.
    // Buttons and the window's menus off until a mask stands.
    Q_INVOKABLE void InitControls();
    // The mask built again for the information system shown (nothing before the first).
    Q_INVOKABLE void ReloadForm();
    Q_INVOKABLE void BuildAktInfosysInfos() { ReloadForm(); }

    // ---- Mask.
    // Reads the definition of that information system, builds its mask and opens its edit
    // operation. Refused while the window waits for the server.
    Q_INVOKABLE void BuildInfosysInfos(const QString& number, const QString& searchWord, const QString& description);

    // ---- Run.
    Q_INVOKABLE void InfosystemAusfuehren();
    Q_INVOKABLE void InfosystemAusfuehrungAbbrechen();
    Q_INVOKABLE void TabelleNeuLaden();
    // Sends the value of header field n (from 1); false when the server refused it.
    Q_INVOKABLE bool UpdateFeldwert(int n, const QString& value);

    // ---- Result list ("New field" and "Delete field" of its popup menu).
    // Brings a result column taken out back; the user chooses which.
    Q_INVOKABLE void DatenlisteFeldNeu();
    // Takes the result column the popup menu was opened on out of the list.
    Q_INVOKABLE void DatenlisteFeldLoeschen();

    // ---- Export.
    // The fields an export of this window covers: one per result column shown, in column order.
    QList<ExportField> exportFields() const;
    // The cell of list row `row` (from 1, in the list's present order) and list column
    // `column` (from 1: 1 is the entry column, 2 on the result columns); empty outside the list.
    Q_INVOKABLE QString GetResultField(int row, int column) const;
    // The same cell for the export, whose field keys are the column numbers as text.
    Q_INVOKABLE QString GetResultField(int row, const QString& key) const;
    // Opens the export dialog for the rows shown (export type 0 to 4).
    Q_INVOKABLE void ShowExportDialog(int ExportType);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setPanel(int panel, const QString& text);
    QString rowCountText(int count) const;
    void setMainMenuEnabled(const QString& name, bool enabled) const;
    void popupMainMenu(const QString& name, const QPoint& globalPos);
    void setRunState(bool running);
    void showFailure(int message, const QString& details);
    bool closing() const;
    // The panel takes the room for all its rows, as far as the frame allows.
    void giveMaskItsRoom();

    // Mask.
    void fillFeldListen();
    void fillEnumeration(QComboBox* combo, const QString& typeCode);

    // Edit operation and run.
    void startInfosysEdit();
    void endInfosysEdit();
    void updateKopfFelder();
    void ladeTabelle();
    QString collectedOr(const QString& fallback) const;
    // Sends the values of the header fields the user left, in that order, unless the window
    // waits (they go once it is done); false when the server refused one.
    bool sendLeftFields();
    bool sendField(int n);

    // Keys.
    bool handleKey(QWidget* control, const QKeyEvent* key);

    QString m_infosysNr;
    QString m_suchwort;
    QString m_beschreibung;
    InfosysDefinition m_definition;

    QSharedPointer<KLV> m_session;
    QSharedPointer<KLVEditor> m_editor;
    QSharedPointer<KLVQuery> m_query;
    QSharedPointer<KLVMessageCollector> m_collector;

    bool m_editOpen = false;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_updating = false;
    bool m_runAfterUpdate = false;
    // Header fields left whose values have not gone out yet: they go once the event that moved
    // the focus is done, or once the window no longer waits.
    QList<int> m_leftFields;
    bool m_sendingLeftFields = false;
    bool m_closing = false;
    // The result column the list's popup menu was opened on.
    int m_popupColumn = 0;
    // A new mask waits for the window's size to get its room.
    bool m_maskRoomPending = false;

    ChildWindowFrame* m_frame = nullptr;
    ServerWait* m_wait = nullptr;
    QSplitter* m_split = nullptr;
    InfosysFeldPanel* m_panel = nullptr;
    InfosysResultList* m_datenListe = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_reloadButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QLabel*> m_panels;
};
