#pragma once

#include <QDialog>
#include <QFont>
#include <QList>
#include <QString>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QTabWidget;

// The viewer's own settings: protocol log, result-column headings, saving of settings,
// window places and queries, the saved-query directory, what happens to a changed query when
// it is closed, and the two fonts. Loaded hidden with the main window, it lives as long as
// it; its controls are the settings in effect and are read by name:
//   ProtokAktiv (check box), LogfileName (text box), OpenLogFileButton,
//   ColumnHeadersNames / ColumnHeadersDesc (option buttons),
//   SaveViewerSettings, SaveWindowState, SaveQueryAuto, SaveQueryByUser (check boxes),
//   SaveQueryIndivDir / SaveQueryInMand (option buttons), SaveQueryDir (text box),
//   QueryChangeDontSave / QueryChangeAskUser / QueryChangeSaveAlways (option buttons),
//   FormFontButton, DataFontButton, OKButton, HilfeButton, ViewerEinstellungenTab (tabs).
// The font controls are pairs sharing one object name, told apart by their property "Index"
// (0 the form font, 1 the data font): FontNameLabel, FontSizeLabel, FontBoldBox,
// FontItalicBox, FontUnderlineBox, FontStrikethroughBox, SampleText.
//
// There is no cancel: a change takes effect at once; OK (or closing the dialog) stores the
// query and font keys and hides it. It calls the main window (App().MainForm) by name:
// LoadFontSettings(QString, QFont&), SetElementsSize(), UpdateAllQueryDataColumnHeaders().
class ViewerEinstellungenDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ViewerEinstellungenDialog(QWidget* parent = nullptr);
    ~ViewerEinstellungenDialog() override;

    // Reads every stored setting into the controls, then has the main window load the fonts.
    Q_INVOKABLE void LoadKLVViewerSettings();
    // Stores the settings (all of them when SaveViewerSettings is checked, else only the two
    // saving choices).
    Q_INVOKABLE void SaveKLVViewerSettings();

    // Font pair control i (0 form, 1 data) of that object name.
    template <class T>
    T* fontControl(const char16_t* name, int index) const;

    // Picks a font in the font dialog into font (App().FormFont or DataFont).
    void ChooseFont(QFont& font, const QString& title);

    // The help topic of the current tab.
    QString HelpTopic() const;

public Q_SLOTS:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QAbstractButton* button(const char16_t* name) const;
    bool isChecked(const char16_t* name) const;

    void SaveQuerySettingsBoxes();
    void SaveFontSettings(const QString& prefix, const QFont& font);
    void ShowFontSample(int index, const QFont& font);
    void ShowHelpForTab();
    void okClicked();

    bool m_namesAtActivation = true;
    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_logfileName = nullptr;
    QLineEdit* m_saveQueryDir = nullptr;
};

template <class T>
T* ViewerEinstellungenDialog::fontControl(const char16_t* name, int index) const
{
    const QList<T*> controls = findChildren<T*>(QString::fromUtf16(name));
    for (T* c : controls) {
        if (c->property("Index").toInt() == index)
            return c;
    }
    return nullptr;
}
