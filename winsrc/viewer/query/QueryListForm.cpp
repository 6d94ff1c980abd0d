#include "QueryListForm.h"

#include "FormSupport.h"
#include "IniFile.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "SavedQuerySettings.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString Section = u"QueryList"_s;

constexpr int MsgCaption = 181;
constexpr int MsgDeleteQuestion = 191;
constexpr int MsgAnd = 194;
constexpr int MsgOr = 195;
constexpr int MsgDefaultKey = 123;
constexpr int MsgHelpTopic = 918;

// The columns: the query's name, then one per stored value, each keyed by its INI key so the
// widths are kept under readable names.
struct Column
{
    const char16_t* key;
    const char16_t* caption;
    int width;
};
constexpr Column Columns[] = {
    {u"Name", u"1403", 130},       {u"Fields", u"1404", 160},   {u"Krit", u"1405", 160},
    {u"ANDJunction", u"1406", 80}, {u"Order", u"1407", 90},     {u"Ascending", u"1408", 80},
    {u"ByRows", u"1409", 90},      {u"AliveFlag", u"1410", 90}, {u"SortKey", u"1411", 90},
};

// A stored flag as the user reads it: numbers and the words True/False become the Yes/No
// texts; anything else is shown as it is stored rather than guessed at.
QString flagText(const QString& stored)
{
    const QString value = stored.trimmed();
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (isNumber)
        return Bool2MsgText(number != 0);
    if (value.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return Bool2MsgText(true);
    if (value.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return Bool2MsgText(false);
    return stored;
}

// The storage kind's name; a number the server did not name is shown as the number.
QString storageKindText(const QString& code)
{
    for (const auto& [number, text] : std::as_const(App().AblageartenListe)) {
        if (number == code)
            return text;
    }
    return code;
}

} // namespace

QueryListForm::QueryListForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"QueryListForm"_s);
    setWindowTitle(QString::number(MsgCaption));
    setModal(true);
    buildControls();

    m_dialogResult = ResultCancel;
    InitFormCommon(this);
    LoadFormPosition(this, Section);
    LoadListViewColumns(m_list, Section, false);

    FormSupport::watchKeys(this);
}

QueryListForm::~QueryListForm()
{
    if (FormSupport::saveWindowState()) {
        SaveFormPosition(this, Section);
        SaveListViewColumns(m_list, Section, false);
    }
}

QueryListForm* QueryListForm::DefaultInstance()
{
    return FormSupport::defaultInstance<QueryListForm>();
}

void QueryListForm::buildControls()
{
    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"QueryList"_s);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setColumnCount(int(std::size(Columns)));
    QTreeWidgetItem* header = m_list->headerItem();
    for (int c = 0; c < int(std::size(Columns)); ++c) {
        header->setText(c, QString::fromUtf16(Columns[c].caption));
        header->setData(c, LayoutStore::ColumnKeyRole, QString::fromUtf16(Columns[c].key));
        ListViewHelpers::SetDefaultColumnWidth(m_list, c, Columns[c].width);
    }
    m_list->header()->setStretchLastSection(false);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { closeStep(true); });

    auto* ok = new QPushButton(u"32"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"33"_s, this);
    cancel->setObjectName(u"AbbruchButton"_s);
    auto* remove = new QPushButton(u"1400"_s, this);
    remove->setObjectName(u"QueryLoeschenButton"_s);
    remove->setAutoDefault(false);
    auto* help = FormSupport::helpButton(this, MsgHelpTopic);
    help->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { closeStep(true); });
    connect(cancel, &QPushButton::clicked, this, [this] { closeStep(false); });
    connect(remove, &QPushButton::clicked, this, [this] { DeleteSavedQuery(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    // Below this size the layout is not redone: the list and its buttons keep their room.
    setMinimumSize(300, 150);
    resize(760, 300);
}

void QueryListForm::LoadQueryList(QString& tableName, QString& iniFile)
{
    m_tableName = tableName;
    m_iniFile = iniFile;
    setWindowTitle(GetMessageTextByNr(MsgCaption) + u' ' + tableName);
    m_list->clear();

    const QStringList names = SavedQuerySettings::QueryNames(iniFile);
    // The file is read once for all its queries, not once per value.
    IniFile file(iniFile);
    file.load();
    const IniFile::Values values = file.values();
    for (const QString& name : names) {
        const auto read = [&](const QString& key, const QString& fallback) {
            return values.value(name, key, fallback).left(IniFile::MaxValueLength);
        };
        auto* row = new QTreeWidgetItem(m_list);
        row->setText(0, name);
        row->setText(1, read(u"Fields"_s, u"*"_s));
        row->setText(2, read(u"Krit"_s, QString()));
        row->setText(3, GetMessageTextByNr(read(u"ANDJunction"_s, u"1"_s) == u"1" ? MsgAnd : MsgOr));
        row->setText(4, read(u"Order"_s, QString()));
        row->setText(5, flagText(read(u"Ascending"_s, u"1"_s)));
        row->setText(6, flagText(read(u"ByRows"_s, u"0"_s)));
        const QString aliveFlag = read(u"AliveFlag"_s, QString());
        if (!aliveFlag.isEmpty())
            row->setText(7, storageKindText(aliveFlag));
        row->setText(8, read(u"SortKey"_s, GetMessageTextByNr(MsgDefaultKey)));
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void QueryListForm::reject()
{
    closeStep(false);
}

void QueryListForm::DeleteSavedQuery()
{
    QTreeWidgetItem* row = m_list->currentItem();
    if (!row || !row->isSelected())
        return;
    const QString name = row->text(0);
    if (ShowMessageBox(GetMessageTextByNr(MsgDeleteQuestion) + u": "_s + name, QMessageBox::Ok | QMessageBox::Cancel) !=
        QMessageBox::Ok)
        return;
    // A failed write is not told here: the row goes in any case.
    SavedQuerySettings::remove(m_iniFile, name);
    delete row;
}

void QueryListForm::closeStep(bool ok)
{
    m_dialogResult = ok ? ResultOk : ResultCancel;
    // Hidden, not unloaded: the caller reads the result and the selected row afterwards.
    done(m_dialogResult);
}

bool QueryListForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool QueryListForm::handleKey(const QKeyEvent* event)
{
    if (FormSupport::helpOrHardcopyKey(this, event, MsgHelpTopic))
        return true;
    const Qt::KeyboardModifiers shift = FormSupport::shiftState(event);
    switch (event->key()) {
    case Qt::Key_C:
        if (shift != Qt::ControlModifier)
            return false;
        CopyListViewToClipboard(focusWidget());
        return true;
    case Qt::Key_Delete:
        if (focusWidget() != m_list)
            return false;
        DeleteSavedQuery();
        return true;
    default:
        return false;
    }
}
