#pragma once

#include <QDialog>
#include <QHash>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class KLVQuery;
class QAbstractButton;
class QComboBox;
class QLineEdit;

// The session settings: the options the KLV session applies to the values it delivers. The
// dialog is loaded hidden with the main window and lives as long as it; its controls are the
// settings in effect, which the main window reads by name when it pushes them to the session
// (option buttons and check boxes as checked, text boxes as text):
//   display mode   DisplaymodeOperating, DisplaymodeOutput, DisplaymodeUniversal
//   references     VerweisDarstRef, VerweisDarstNummer, VerweisDarstSuchwort, VerweisDarstExt
//   dates          DatumTAV, DatumTAV4, DatumSort
//   numbers        ZahlenDarstTAV, ZahlenDarstExt, ZahlenDarstRoh; DezPunktKomma, DezPunktPunkt
//   Booleans       BoolDarstTAV, BoolDarstNum
//   enumerations   AufzDarstText, AufzDarstCode, AufzDarstBriefDesc
//   free texts     FTextDarstExt, FTextDarstText, text box FTLaenge
//   line break     ZeilenumbruchLF, ZeilenumbruchCRLF
//   variable names VarLangDeutsch, VarLangEnglisch
//   check boxes    FeldwerteTrimmen, UsePasswordLang; text box DatasetSize;
//   combo boxes    AktSprache (data language), AusgabeSprache (output language)
// Each display mode keeps its own set of the six display options (references, dates,
// numbers, decimal point, Booleans, enumerations).
//
// OK hands the settings to the main window's SetKLVSessionSettings(bool& WithLanguage),
// called by name on App().MainForm, and stores them when the viewer settings say so.
// Cancel puts back what was in effect when the dialog opened.
class KLVEinstellungenDialog : public QDialog
{
    Q_OBJECT

public:
    enum DisplayMode { Operating = 0, Output = 1, Universal = 2 };

    explicit KLVEinstellungenDialog(QWidget* parent = nullptr);
    ~KLVEinstellungenDialog() override;

    // Fills both language lists from the server's enumerations "A72" (data languages) and
    // "A159" (output languages), through the query.
    Q_INVOKABLE void LoadLanguages(const QSharedPointer<KLVQuery>& query);
    // Selects the first data language whose code (byCode) or shown name equals text.
    Q_INVOKABLE void SetAktSprache(const QString& text, bool byCode);
    // The selected data language's code; "" when none is selected.
    Q_INVOKABLE QString GetAktSprKZ() const;
    // The selected output language's code; the first entry's when none is selected.
    Q_INVOKABLE QString GetAktOutputSpr() const;
    Q_INVOKABLE void SetAktOutputSpr(const QString& code);
    // Shows the dialog modally; OK applies and stores, Cancel restores.
    Q_INVOKABLE void DialogZeigen();
    // Reads the stored settings into the controls.
    Q_INVOKABLE void LoadKLVSessionSettings();

    // "Operating", "Output", "Universal"; "" for any other index.
    static QString GetDisplayModeName(int mode);

    int CurrentDisplayMode() const { return m_mode; }
    // 1 after OK, 3 while shown or after Cancel.
    int Result() const { return m_result; }

private:
    void buildControls();
    void connectControls();
    QAbstractButton* button(const char16_t* name) const;
    bool isChecked(const char16_t* name) const;
    void check(const char16_t* name);

    void SaveKLVSessionSettings();
    void LoadModeSettings();
    void SaveModeSettings(int mode);
    QString FormatSampleText(const QString& text) const;
    void UpdateNumberSample();
    void ToggleSessionFlag();
    void displayModeClicked(int mode);
    void showSample(QAbstractButton* button);
    void showAllSamples();
    void okClicked();

    // What Cancel puts back: every control's state and the stored option sets of the modes.
    struct Snapshot
    {
        int mode = Operating;
        QHash<QString, bool> checked;
        QHash<QString, QString> texts;
        int aktSprache = -1;
        int ausgabeSprache = -1;
        QHash<QString, QVariant> modeSettings; // "mode|key number" -> stored text; invalid when absent
    };
    Snapshot takeSnapshot() const;
    void restoreSnapshot(const Snapshot& snapshot);

    int m_mode = Operating;
    int m_result = 3;
    QString m_samplePrefix;
    QStringList m_aktSprachCodes;
    QStringList m_ausgabeSprachCodes;
    QString m_outputCode; // the output language asked for, kept while the list cannot show it
    bool m_restoring = false;
    bool m_filling = false;

    QComboBox* m_aktSprache = nullptr;
    QComboBox* m_ausgabeSprache = nullptr;
    QLineEdit* m_ftLaenge = nullptr;
    QLineEdit* m_datasetSize = nullptr;
};
