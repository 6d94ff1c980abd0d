#include "AufzInfoForm.h"

#include "HeadedSplitter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "ServerWait.h"
#include "SpaltenWahlForm.h"

#include <QLabel>
#include <QPointer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

AufzInfoForm::AufzInfoForm(QWidget* parent)
    : CatalogueWindow(u"AufzInfoForm"_s, u"308"_s, u"AufzWindowSettings"_s, 909, parent)
{
    auto* enumHeading = new QLabel(u"309"_s, this);
    enumHeading->setObjectName(u"AufzListeLabel"_s);
    m_aufzListe = makeList(u"AufzListe"_s, u"EnumList"_s);
    enumHeading->setBuddy(m_aufzListe);
    m_posHeading = new QLabel(u"303"_s, this);
    m_posHeading->setObjectName(u"AufzPosListeLabel"_s);
    m_aufzPosListe = makeList(u"AufzPosListe"_s, u"EnumPosList"_s);
    m_posHeading->setBuddy(m_aufzPosListe);
    setBody(nullptr, makePanes(enumHeading, m_aufzListe, m_posHeading, m_aufzPosListe), {});

    const KLVTools tools;
    m_enumColumns.resize(tools.EnumFieldCount());
    m_posColumns.resize(tools.EnumPosFieldCount());
    InitListViewColumnProps(1650, m_enumColumns);
    InitListViewColumnProps(1680, m_posColumns);
    m_enumColumns[1].Width = 2500;
    m_posColumns[1].Width = 2500;
    keepListLayout(m_aufzListe, &m_enumColumns, true);
    keepListLayout(m_aufzPosListe, &m_posColumns, true);
    finishLoad();
    BuildListViewColumns(m_aufzListe, 1650, m_enumColumns, {});
    BuildListViewColumns(m_aufzPosListe, 1680, m_posColumns, {});

    connect(m_aufzListe, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current)
            FillAZPosListe(current->text(0), false);
    });
}

void AufzInfoForm::FillAufzListe(const QSharedPointer<KLV>& session, bool& ok)
{
    // A refill asked for while a fill runs leaves the window as it is.
    ok = !closing();
    if (refused())
        return;
    m_session = session;
    const QSharedPointer<KLVQuery> query = createQuery(session);
    const ServerWait::Scope busy(serverWait(), 11, query);
    const QPointer<AufzInfoForm> self(this);
    clearList(m_aufzListe);
    if (!query || !query->GetEnumerations(QString())) {
        if (!self)
            return;
        // Broken off by the user, it says so; refused, it says why.
        if (brokenOff())
            showMessage(GetMessageTextByNr(35));
        else
            showRefusal(GetMessageTextByNr(304), query ? query->GetLastError() : QString());
        closeWindow();
        ok = false;
        return;
    }
    if (!self)
        return;
    showAnswer(m_aufzListe, m_enumColumns, 1650, 0, query);
    if (!self || brokenOff())
        return;
    const QTreeWidgetItem* first = m_aufzListe->topLevelItem(0);
    if (first) {
        // Filled once this fill has ended (fillEnded).
        m_lastEnumName = first->text(0);
        m_shownEnumName.clear();
    } else {
        // An empty answer leaves the positions empty too.
        m_lastEnumName.clear();
        m_shownEnumName.clear();
        clearList(m_aufzPosListe);
        m_posHeading->setText(GetMessageTextByNr(303));
    }
}

void AufzInfoForm::ReloadForm()
{
    bool ok = false;
    FillAufzListe(mainSession(), ok);
}

void AufzInfoForm::FillAZPosListe(const QString& name, bool force)
{
    if (!force && name == m_lastEnumName)
        return;
    m_lastEnumName = name;
    if (refused())
        return; // the last one asked for is filled once the running fill has ended
    m_shownEnumName.clear();
    fillPositions(name);
}

void AufzInfoForm::fillPositions(const QString& name)
{
    const QSharedPointer<KLVQuery> query = createQuery(m_session);
    const ServerWait::Scope busy(serverWait(), 11, query);
    const QPointer<AufzInfoForm> self(this);
    m_shownEnumName = name;
    m_posHeading->setText(GetMessageTextByNr(303) + u' ' + name + u':');
    clearList(m_aufzPosListe);
    if (!query || !query->GetEnumPos(name, false).toBool()) {
        if (self)
            showRefusal(GetMessageTextByNr(305) + u' ' + name, errInfo(query));
        return;
    }
    if (self)
        showAnswer(m_aufzPosListe, m_posColumns, 1680, 0, query);
}

void AufzInfoForm::fillEnded()
{
    if (!m_lastEnumName.isEmpty() && m_lastEnumName != m_shownEnumName)
        fillPositions(m_lastEnumName);
}

void AufzInfoForm::refreshList(QTreeWidget* list)
{
    if (refused())
        return;
    if (list == m_aufzListe) {
        bool ok = false;
        FillAufzListe(m_session, ok);
    } else if (list == m_aufzPosListe && m_aufzListe->currentItem()) {
        FillAZPosListe(m_aufzListe->currentItem()->text(0), true);
    }
}

void AufzInfoForm::SelectColumns()
{
    if (refused())
        return;
    QTreeWidget* list = focusedList();
    if (list == m_aufzListe) {
        StoreListViewColumnWidths(m_aufzListe, m_enumColumns);
        if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_enumColumns) == SpaltenWahlForm::ResultOk)
            ReloadForm();
    } else if (list == m_aufzPosListe) {
        StoreListViewColumnWidths(m_aufzPosListe, m_posColumns);
        if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_posColumns) == SpaltenWahlForm::ResultOk &&
            m_aufzListe->currentItem())
            FillAZPosListe(m_aufzListe->currentItem()->text(0), true);
    }
}
