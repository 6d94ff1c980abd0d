#include "SavedQueryWindow.h"

#include "ResultListView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QStatusBar>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// A member the window offers under that signature (normalised), or an invalid one.
QMetaMethod member(QObject* object, const char* signature)
{
    if (!object)
        return {};
    const QByteArray normalized = QMetaObject::normalizedSignature(signature);
    const int index = object->metaObject()->indexOfMethod(normalized.constData());
    return index < 0 ? QMetaMethod() : object->metaObject()->method(index);
}

QString textOf(QWidget* w)
{
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    return w ? w->property("text").toString() : QString();
}

void setTextOf(QWidget* w, const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (w)
        w->setProperty("text", text);
}

} // namespace

SavedQueryWindow::SavedQueryWindow(QWidget* window) : m_window(window) {}

template <class T>
T* SavedQueryWindow::control(const char16_t* name) const
{
    return m_window ? m_window->findChild<T*>(QString::fromUtf16(name)) : nullptr;
}

bool SavedQueryWindow::hasTableMember() const
{
    return m_window && m_window->property("AktTableName").isValid();
}

QString SavedQueryWindow::tableName() const
{
    return m_window ? m_window->property("AktTableName").toString() : QString();
}

QString SavedQueryWindow::tableId() const
{
    return m_window ? m_window->property("AktTableID").toString() : QString();
}

bool SavedQueryWindow::hasTable() const
{
    return m_window && m_window->property("AktTableHasTable").toBool();
}

QString SavedQueryWindow::queryName() const
{
    return m_window ? m_window->property("AktQueryName").toString() : QString();
}

void SavedQueryWindow::setQueryName(const QString& name)
{
    if (m_window)
        m_window->setProperty("AktQueryName", name);
}

QString SavedQueryWindow::criteria() const
{
    return textOf(control<QWidget>(u"Kriterien"));
}

void SavedQueryWindow::setCriteria(const QString& text)
{
    setTextOf(control<QWidget>(u"Kriterien"), text);
}

QString SavedQueryWindow::order() const
{
    return textOf(control<QWidget>(u"Sortierung"));
}

void SavedQueryWindow::setOrder(const QString& text)
{
    setTextOf(control<QWidget>(u"Sortierung"), text);
}

QString SavedQueryWindow::sortKey() const
{
    return textOf(control<QWidget>(u"Schluessel"));
}

void SavedQueryWindow::setSortKey(const QString& text)
{
    auto* combo = control<QComboBox>(u"Schluessel");
    if (!combo)
        return;
    const int index = combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0)
        combo->setCurrentIndex(index);
    else if (combo->isEditable())
        combo->setEditText(text);
    // A key the list does not hold cannot be chosen in a fixed list: the choice stays.
}

QString SavedQueryWindow::firstSortKey() const
{
    auto* combo = control<QComboBox>(u"Schluessel");
    return combo && combo->count() > 0 ? combo->itemText(0) : QString();
}

QString SavedQueryWindow::aliveFlag() const
{
    auto* combo = control<QComboBox>(u"Ablageart");
    if (!combo || combo->currentIndex() < 0)
        return QString();
    const QVariant data = combo->currentData();
    bool ok = false;
    const qint64 number = data.toLongLong(&ok);
    return ok ? QString::number(number) : data.toString();
}

void SavedQueryWindow::selectAliveFlag(qint64 value)
{
    auto* combo = control<QComboBox>(u"Ablageart");
    if (!combo || combo->count() == 0)
        return;
    combo->setCurrentIndex(0);
    for (int i = 0; i < combo->count(); ++i) {
        bool ok = false;
        if (combo->itemData(i).toLongLong(&ok) == value && ok) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

bool SavedQueryWindow::byRows() const
{
    auto* box = control<QAbstractButton>(u"ZeilenSelektion");
    return box && box->isChecked();
}

bool SavedQueryWindow::byRowsEnabled() const
{
    auto* box = control<QAbstractButton>(u"ZeilenSelektion");
    return box && box->isEnabled();
}

void SavedQueryWindow::setByRows(bool on)
{
    if (auto* box = control<QAbstractButton>(u"ZeilenSelektion"))
        box->setChecked(on);
}

bool SavedQueryWindow::ascending() const
{
    auto* button = control<QAbstractButton>(u"Aufsteigend");
    return button && button->isChecked();
}

void SavedQueryWindow::setAscending(bool on)
{
    if (auto* button = control<QAbstractButton>(on ? u"Aufsteigend" : u"Absteigend"))
        button->setChecked(true);
}

bool SavedQueryWindow::andJunction() const
{
    auto* button = control<QAbstractButton>(u"UNDVerknuepfung");
    return button && button->isChecked();
}

void SavedQueryWindow::setAndJunction(bool on)
{
    if (auto* button = control<QAbstractButton>(on ? u"UNDVerknuepfung" : u"ODERVerknuepfung"))
        button->setChecked(true);
}

bool SavedQueryWindow::getCurrentFieldList(QString& fields, QString& widths) const
{
    const QMetaMethod m = member(m_window, "GetCurrentFieldList(QString&,QString&)");
    return m.isValid() && m.invoke(m_window, Qt::DirectConnection, Q_ARG(QString&, fields), Q_ARG(QString&, widths));
}

void SavedQueryWindow::setAllFieldsSelection(int scope, int action)
{
    const QMetaMethod m = member(m_window, "SetAllFieldsSelection(int,int)");
    if (m.isValid())
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(int, scope), Q_ARG(int, action));
}

void SavedQueryWindow::loadRohlingProperties(const QString& reference)
{
    QString ref = reference;
    QMetaMethod m = member(m_window, "LoadRohlingProperties(QString&)");
    if (m.isValid()) {
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(QString&, ref));
        return;
    }
    m = member(m_window, "LoadRohlingProperties(QString)");
    if (m.isValid())
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(QString, ref));
}

void SavedQueryWindow::insertExtraFeld(const QString& name)
{
    // Not selected, at no particular place, checked: the reader relies only on the row
    // appearing.
    int position = 0;
    int result = 0;
    const QMetaMethod m = member(m_window, "InsertExtraFeld(QString,bool,int&,bool)");
    if (!m.isValid())
        return;
    if (m.returnType() == QMetaType::Int)
        m.invoke(m_window, Qt::DirectConnection, Q_RETURN_ARG(int, result), Q_ARG(QString, name), Q_ARG(bool, false),
                 Q_ARG(int&, position), Q_ARG(bool, true));
    else
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(QString, name), Q_ARG(bool, false), Q_ARG(int&, position),
                 Q_ARG(bool, true));
}

void SavedQueryWindow::insertDataColumn(QTreeWidgetItem* item, int width)
{
    int w = width;
    QMetaMethod m = member(m_window, "InsertDataColumn(QTreeWidgetItem*,int&)");
    if (m.isValid()) {
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(QTreeWidgetItem*, item), Q_ARG(int&, w));
        return;
    }
    m = member(m_window, "InsertDataColumn(QTreeWidgetItem*,int)");
    if (m.isValid())
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(QTreeWidgetItem*, item), Q_ARG(int, w));
}

void SavedQueryWindow::updateDataColumns(bool byRows)
{
    QMetaMethod m = member(m_window, "UpdateDataColumns()");
    if (m.isValid()) {
        bool ok = false;
        if (m.returnType() == QMetaType::Bool)
            m.invoke(m_window, Qt::DirectConnection, Q_RETURN_ARG(bool, ok));
        else
            m.invoke(m_window, Qt::DirectConnection);
        return;
    }
    m = member(m_window, "UpdateDataColumns(bool)");
    if (m.isValid())
        m.invoke(m_window, Qt::DirectConnection, Q_ARG(bool, byRows));
}

QTreeWidgetItem* SavedQueryWindow::fieldItem(const QString& key) const
{
    auto* list = control<QTreeWidget>(u"FeldListe");
    if (!list)
        return nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->data(0, RowKeyRole).toString() == key)
            return item;
    }
    return nullptr;
}

void SavedQueryWindow::clearDataRows()
{
    auto* view = control<QAbstractItemView>(u"DatenListe");
    if (auto* tree = qobject_cast<QTreeWidget*>(view)) {
        tree->clear();
    } else if (auto* results = qobject_cast<ResultListView*>(view)) {
        // The query window's result list keeps its rows apart from what a model removes.
        results->clearRows();
    } else if (view && view->model()) {
        view->model()->removeRows(0, view->model()->rowCount());
    }
}

void SavedQueryWindow::clearDataColumns()
{
    auto* view = control<QAbstractItemView>(u"DatenListe");
    if (auto* tree = qobject_cast<QTreeWidget*>(view)) {
        tree->setColumnCount(0);
    } else if (view && view->model()) {
        view->model()->removeColumns(0, view->model()->columnCount());
    }
}

void SavedQueryWindow::setStatusPanel(int panel, const QString& text)
{
    auto* bar = control<QStatusBar>(u"StatusBar");
    if (!bar)
        return;
    if (auto* label = bar->findChild<QLabel*>(u"Panel"_s + QString::number(panel)))
        label->setText(text);
}
