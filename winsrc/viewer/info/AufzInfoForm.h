#pragma once

#include "CatalogueWindow.h"

class QLabel;
class QPushButton;

// The catalogue of the server's enumerations ("AufzListe", tag "EnumList") and of the
// positions of the enumeration chosen there ("AufzPosListe", tag "EnumPosList"). An
// enumeration is known by its name, the text of its row. Each fill asks through a query of
// its own. Layout in "AufzWindowSettings".
class AufzInfoForm : public CatalogueWindow
{
    Q_OBJECT

public:
    explicit AufzInfoForm(QWidget* parent = nullptr);

    // Keeps the session and fills both lists; ok tells whether the enumerations could be
    // read. When they cannot, the window closes itself after the message.
    Q_INVOKABLE void FillAufzListe(const QSharedPointer<KLV>& session, bool& ok);
    Q_INVOKABLE void ReloadForm() override;
    Q_INVOKABLE void SelectColumns() override;

    QTreeWidget* aufzListe() const { return m_aufzListe; }
    QTreeWidget* aufzPosListe() const { return m_aufzPosListe; }
    QLabel* aufzPosListeLabel() const { return m_posHeading; }

protected:
    void refreshList(QTreeWidget* list) override;
    void fillEnded() override;

private:
    // The positions of that enumeration, unless they are shown already (force asks anyway).
    void FillAZPosListe(const QString& name, bool force);
    void fillPositions(const QString& name);

    QSharedPointer<KLV> m_session;
    ListViewColumnArray m_enumColumns;
    ListViewColumnArray m_posColumns;
    // The enumeration whose positions were asked for last, and the one they show.
    QString m_lastEnumName;
    QString m_shownEnumName;

    QTreeWidget* m_aufzListe = nullptr;
    QTreeWidget* m_aufzPosListe = nullptr;
    QLabel* m_posHeading = nullptr;
};
