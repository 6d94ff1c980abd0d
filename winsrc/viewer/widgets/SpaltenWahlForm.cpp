#include "SpaltenWahlForm.h"

#include "FormSupport.h"
#include "MainModul.h"

#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString Section = u"SpaltenWahlWindowSettings"_s;
// The help file's anchor of this dialog is not a message: it is the same in every language.
const QString HelpTopic = u"SpaltenAuswahl"_s;

} // namespace

SpaltenWahlForm::SpaltenWahlForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"SpaltenWahlForm"_s);
    setWindowTitle(u"1417"_s);
    setModal(true);

    auto* label = new QLabel(u"1418"_s, this);
    label->setObjectName(u"SpaltenListeLabel"_s);
    m_list = new QListWidget(this);
    m_list->setObjectName(u"SpaltenListe"_s);
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    label->setBuddy(m_list);

    auto* ok = new QPushButton(u"32"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"33"_s, this);
    cancel->setObjectName(u"AbbrechenButton"_s);
    auto* help = new QPushButton(u"47"_s, this);
    help->setObjectName(u"HilfeButton"_s);
    help->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { finish(ResultOk); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(ResultCancel); });
    connect(help, &QPushButton::clicked, this, [] { ShowHelpTopic(HelpTopic); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(help);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(label);
    listColumn->addWidget(m_list, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addLayout(buttons);
    resize(320, 360);

    InitFormCommon(this);
    LoadFormPosition(this, Section);
}

SpaltenWahlForm::~SpaltenWahlForm()
{
    SaveFormPosition(this, Section);
}

SpaltenWahlForm* SpaltenWahlForm::DefaultInstance()
{
    return FormSupport::defaultInstance<SpaltenWahlForm>();
}

int SpaltenWahlForm::SelectColumns(ListViewColumnArray& columns)
{
    m_list->clear();
    // The shown columns are selected at once and read back at once: an entry's selection
    // looked up or set one by one searches every selected range, however many columns there are.
    QItemSelection shown;
    for (qsizetype i = 1; i <= columns.size(); ++i) {
        auto* entry = new QListWidgetItem(columns[i - 1].Descr, m_list);
        entry->setData(Qt::UserRole, qint32(i));
        if (columns[i - 1].Visible) {
            const QModelIndex index = m_list->model()->index(int(i - 1), 0);
            shown.select(index, index);
        }
    }
    m_list->selectionModel()->select(shown, QItemSelectionModel::Select);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0, QItemSelectionModel::NoUpdate);

    m_result = ResultCancel;
    exec();

    if (m_result == ResultOk) {
        QList<bool> chosen(m_list->count(), false);
        for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes())
            chosen[index.row()] = true;
        for (int j = 0; j < m_list->count(); ++j) {
            const qsizetype i = m_list->item(j)->data(Qt::UserRole).toInt();
            // An entry the array no longer holds is passed over; the others still apply.
            if (i >= 1 && i <= columns.size())
                columns[i - 1].Visible = chosen[j];
        }
    }
    if (FormSupport::saveWindowState())
        SaveFormPosition(this, Section);
    return m_result;
}

void SpaltenWahlForm::reject()
{
    finish(ResultCancel);
}

void SpaltenWahlForm::finish(int result)
{
    m_result = result;
    // Hidden, not unloaded: the place survives until the next choice.
    done(result);
}
