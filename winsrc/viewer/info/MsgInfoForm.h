#pragma once

#include "CatalogueWindow.h"

#include <QHash>
#include <QList>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QRadioButton;

// The server's message texts: searched by a text in one dictionary or in all of them, or
// read by their numbers in one dictionary, in the languages chosen ("MsgListe", tag
// "MsgList"). The window works through a query of its own on the main window's session.
// Layout in "MsgInfoWindowSettings".
class MsgInfoForm : public CatalogueWindow
{
    Q_OBJECT

public:
    explicit MsgInfoForm(QWidget* parent = nullptr);

    // Shows the window (for a server that speaks protocol 3.0 or later). The languages are
    // read first; when they cannot be, the failure is shown and the window does not open.
    Q_INVOKABLE void ShowForm();
    // The languages read anew and the search run again; when the languages cannot be read,
    // the failure is shown and the window closes.
    Q_INVOKABLE void ReloadForm() override;
    Q_INVOKABLE void SelectColumns() override;
    // The languages to choose from (enumeration "A158") and their identifiers ("A73"); the
    // list stays as it was when either cannot be read.
    Q_INVOKABLE bool FillSprachenListe();
    // The search the option buttons choose, into MsgListe.
    Q_INVOKABLE void SearchMessages();
    Q_INVOKABLE QStringList GetSelectedLanguages() const;
    Q_INVOKABLE QStringList GetSelectedDictionaries() const;

    // The whole numbers above 0 that the texts start with (halves to the even neighbour), in
    // order; count is how many. With none, numbers keeps one 0 per text.
    static void StringArray2LongArray(const QStringList& texts, QList<int>& numbers, int& count);

    QTreeWidget* msgListe() const { return m_msgListe; }
    QListWidget* sprachenListe() const { return m_sprachenListe; }
    QString statusText() const;

protected:
    bool handleKey(QWidget* control, const QKeyEvent* key) override;

private:
    QSharedPointer<KLVQuery> ownQuery();

    QSharedPointer<KLVQuery> m_query;
    ListViewColumnArray m_columns;
    // Language identifier by the code of its position in "A73".
    QHash<QString, QString> m_sprachKennungen;
    bool m_languagesRead = false;

    QRadioButton* m_textsuche = nullptr;
    QRadioButton* m_nummernsuche = nullptr;
    QLineEdit* m_msgText = nullptr;
    QLineEdit* m_msgNummern = nullptr;
    QComboBox* m_woerterbuch = nullptr;
    QListWidget* m_sprachenListe = nullptr;
    QCheckBox* m_ignoreCase = nullptr;
    QTreeWidget* m_msgListe = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
};
