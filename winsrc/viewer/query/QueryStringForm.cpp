#include "QueryStringForm.h"

#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "MainModul.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString Section = u"QueryStringWindowSettings"_s;
constexpr QChar DQ = u'"';

} // namespace

QueryStringForm::QueryStringForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"QueryStringForm"_s);
    setWindowTitle(u"1412"_s);

    auto* grid = new QGridLayout;
    const auto row = [this, grid](int r, const QString& name, const QString& caption) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(name + u"Label"_s);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        label->setBuddy(edit);
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
        return edit;
    };
    m_pure = row(0, u"PureQueryString"_s, u"1413"_s);
    m_klvexport = row(1, u"klvexportString"_s, u"1414"_s);
    m_fo = row(2, u"FOString"_s, u"1415"_s);
    m_gui = row(3, u"GUIString"_s, u"1416"_s);
    grid->setColumnStretch(1, 1);

    auto* refresh = new QPushButton(u"1401"_s, this);
    refresh->setObjectName(u"AktualisierenButton"_s);
    auto* close = new QPushButton(u"1402"_s, this);
    close->setObjectName(u"SchliessenButton"_s);
    connect(refresh, &QPushButton::clicked, this, &QueryStringForm::RequestRefresh);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(refresh);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    // The base caption is the localised design caption; the table is appended to it later.
    InitFormCommon(this);
    m_baseCaption = windowTitle();
    // The texts stretch with the width; the height stays as laid out.
    resize(900, sizeHint().height());
    setMinimumWidth(sizeHint().width());
    setFixedHeight(sizeHint().height());
    LoadFormPosition(this, Section);
}

QueryStringForm::~QueryStringForm()
{
    unload();
}

void QueryStringForm::closeEvent(QCloseEvent* event)
{
    unload();
    event->accept();
}

void QueryStringForm::unload()
{
    if (FormSupport::saveWindowState())
        SaveFormPosition(this, Section);
}

void QueryStringForm::SetQueryString(const QString& TableName, const QString& TableID, const QString& SelString,
                                     const QString& FieldList)
{
    if (TableID.isEmpty()) {
        setWindowTitle(m_baseCaption);
        for (QLineEdit* edit : {m_pure, m_klvexport, m_fo, m_gui})
            edit->clear();
        return;
    }
    setWindowTitle(m_baseCaption + u" ["_s + TableName + u'/' + TableID + u']');
    const Notations texts = Notate(TableName, SelString, FieldList, lookUp(TableName, TableID));
    m_pure->setText(texts.pure);
    m_klvexport->setText(texts.klvexport);
    m_fo->setText(texts.fo);
    m_gui->setText(texts.gui);
    for (QLineEdit* edit : {m_pure, m_klvexport, m_fo, m_gui})
        edit->setCursorPosition(0);
}

QSharedPointer<KLVQuery> QueryStringForm::lookupQuery()
{
    if (!m_query) {
        if (const QSharedPointer<KLV> session = App().MainSession.toStrongRef())
            m_query = session->CreateQuery();
    }
    return m_query;
}

QueryStringForm::TableAddress QueryStringForm::lookUp(const QString& tableName, const QString& tableId)
{
    TableAddress table;
    if (!lookupQuery())
        return table;
    // An id names exactly one table; a name may be ambiguous only when it is not an id.
    const QString lookup = IsDbGroupName(tableId) ? tableId : tableName;
    if (m_query->GetTableNames(lookup) && m_query->GetNextRecord()) {
        table.typeOther = m_query->GetField(4) != u"1";
        table.db = m_query->GetField(6);
        table.groups = m_query->GetField(9).replace(u',', u'.');
    }
    return table;
}

QueryStringForm::Notations QueryStringForm::Notate(const QString& tableName, const QString& selString,
                                                   const QString& fieldList, const TableAddress& table)
{
    Notations texts;
    texts.pure = selString;

    texts.klvexport = u"klvexport.sh -l "_s + DQ + tableName + DQ;
    if (!selString.isEmpty())
        texts.klvexport += u" -k '"_s + selString + u'\'';
    if (!fieldList.isEmpty())
        texts.klvexport += u" -f "_s + DQ + fieldList + DQ;

    // Every field followed by "=;": the GUI client reads the list as empty assignments.
    const QString fieldPart = fieldList.isEmpty() ? QString() : QString(fieldList + u',').split(u',').join(u"=;"_s);
    const QString selPart = selString.isEmpty() ? QString() : selString + u';';

    if (table.typeOther) {
        texts.fo = u".hole OBJ "_s + DQ + u'$' + tableName;
        if (!selString.isEmpty())
            texts.fo += u",,"_s + selString;
        texts.fo += DQ;
        texts.gui = u"<obj>%"_s + tableName + u",,"_s + selPart + fieldPart;
    } else {
        const QString base = u"@datei="_s + table.db + u";@gruppe="_s + table.groups + u';';
        texts.fo = u".hole OBJ "_s + DQ + u"$,,"_s + base + selString + DQ;
        texts.gui = u"<obj>%,,"_s + base + selPart + fieldPart;
    }
    return texts;
}
