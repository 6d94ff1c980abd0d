#include "SavedQueryStore.h"

#include "MainModul.h"
#include "NumberText.h"
#include "SavedQuerySettings.h"
#include "SavedQueryWindow.h"
#include "ViewerConfig.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QMap>
#include <QMenu>
#include <QMetaMethod>
#include <QTreeWidgetItem>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// Messages of the saved-query storage.
constexpr int MsgQueryLabel = 177;    // status panel 3: text & " " & name
constexpr int MsgQueryChanged = 182;  // the change question, text & " " & name
constexpr int MsgSaveChanges = 46;    // its second line
constexpr int MsgNewNameEntry = 858;  // save-menu entry 0
constexpr int MsgNewNamePrompt = 860; // input box
constexpr int MsgNewNameTitle = 861;  // input box
constexpr int MsgTemplateEntry = 864; // load-menu entry 1
constexpr int MsgNameRefused = 1390;  // a name that cannot be a section
constexpr int MsgSaveFailed = 1391;   // the file could not be written
constexpr int MsgNoDirectory = 1392;  // no saved-query directory
constexpr int MsgNoTable = 139;       // no table open in the window

// A check box or option button of the viewer settings, else its stored value.
bool viewerChoice(const char16_t* control, ViewerConfig::Key key)
{
    if (App().ViewerSettingsForm) {
        if (auto* button = App().ViewerSettingsForm->findChild<QAbstractButton*>(QString::fromUtf16(control)))
            return button->isChecked();
    }
    return ViewerConfig::getBool(key);
}

bool dontSaveChanges()
{
    return viewerChoice(u"QueryChangeDontSave", ViewerConfig::Key::QueryChangeDontSave);
}

bool askBeforeSaving()
{
    if (App().ViewerSettingsForm) {
        if (auto* button = App().ViewerSettingsForm->findChild<QAbstractButton*>(u"QueryChangeAskUser"_s))
            return button->isChecked();
    }
    // The stored choice: never, else always, else ask.
    return !ViewerConfig::getBool(ViewerConfig::Key::QueryChangeDontSave) &&
           !ViewerConfig::getBool(ViewerConfig::Key::QueryChangeSaveAlways);
}

bool isDefaultName(const QString& name)
{
    return name.isEmpty() || name == SavedQuerySettings::DefaultName();
}

// The window's query in its stored form.
SavedQuerySettings windowSettings(const SavedQueryWindow& w)
{
    SavedQuerySettings s;
    w.getCurrentFieldList(s.Fields, s.FieldWidths);
    s.Krit = w.criteria();
    s.ByRows = Bool2Str(w.byRows());
    s.AliveFlag = w.aliveFlag();
    s.Ascending = Bool2Str(w.ascending());
    s.Order = w.order();
    s.AndJunction = Bool2Str(w.andJunction());
    s.SortKey = w.sortKey();
    return s;
}

QStringList splitList(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(u',');
}

// The field-list row of name with part marker d: standard field first, then extra field.
QTreeWidgetItem* findField(const SavedQueryWindow& w, const QString& name, const QString& d)
{
    if (QTreeWidgetItem* item = w.fieldItem(BuildFeldKey(name, d, false)))
        return item;
    return w.fieldItem(BuildFeldKey(name, d, true));
}

bool isChecked(const QTreeWidgetItem* item)
{
    return item->checkState(0) == Qt::Checked;
}

QString entryCaption(const QString& name)
{
    QString caption = name;
    return caption.replace(u'&', u"&&"_s);
}

// Brings the array entryName of menu to exactly the entries of captions (index -> (text,
// query name)); entries beyond them go, the rest stand in index order.
void setMenuArray(QMenu* menu, const char* entryName, const QMap<int, QPair<QString, QString>>& entries,
                  const QMap<int, bool>& visibility)
{
    if (!menu)
        return;
    const QString objectName = QString::fromLatin1(entryName);
    QMap<int, QAction*> existing;
    for (QAction* a : menu->actions()) {
        if (a->objectName() != objectName)
            continue;
        const int index = SavedQueryStore::MenuIndex(a);
        if (!entries.contains(index) || existing.contains(index)) {
            menu->removeAction(a);
            a->deleteLater();
        } else {
            existing.insert(index, a);
        }
    }
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        QAction* a = existing.value(it.key());
        if (!a) {
            a = new QAction(menu);
            a->setObjectName(objectName);
            a->setProperty("Index", it.key());
            existing.insert(it.key(), a);
        }
        a->setText(entryCaption(it.value().first));
        a->setData(it.value().second);
        if (visibility.contains(it.key()))
            a->setVisible(visibility.value(it.key()));
        menu->removeAction(a);
        menu->addAction(a);
    }
}

} // namespace

QString SavedQueryStore::GetQuerySettingsFile(const QString& table)
{
    return SavedQuerySettings::FileFor(GetQuerySettingsDir(), table);
}

bool SavedQueryStore::SaveQuerySettings(QWidget* window, const QString& table, const QString& name)
{
    SavedQueryWindow w(window);
    if (w.isNull())
        return false;
    // A query belongs to a table: without one there is nothing to file it under.
    if (table.trimmed().isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(MsgNoTable));
        return false;
    }
    if (!SavedQuerySettings::IsStorableName(name)) {
        ShowMessageBox(GetMessageTextByNr(MsgNameRefused) + u"\r\n"_s + name);
        return false;
    }
    if (GetQuerySettingsDir().isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(MsgNoDirectory));
        return false;
    }
    if (!EnsureQuerySettingsDir())
        return false; // already told
    const QString file = GetQuerySettingsFile(table);
    QString error;
    if (!windowSettings(w).write(file, name, &error)) {
        ShowMessageBox(GetMessageTextByNr(MsgSaveFailed) + u"\r\n"_s + file + u"\r\n"_s + error);
        return false;
    }
    return true;
}

QStringList SavedQueryStore::GetTableQueries(const QString& table)
{
    return SavedQuerySettings::QueryNames(GetQuerySettingsFile(table));
}

void SavedQueryStore::GetQuerySettings(QWidget* window, const QString& table, const QString& templateRef, QString& name,
                                       bool byRowsDefault)
{
    SavedQueryWindow w(window);
    if (w.isNull())
        return;
    const QString file = GetQuerySettingsFile(table);
    w.clearDataColumns();
    const QString defaultName = SavedQuerySettings::DefaultName();
    if (!IsDbGroupName(table) && SavedQuerySettings::read(file, defaultName, {}).Fields.isEmpty()) {
        w.loadRohlingProperties(templateRef);
        w.setQueryName(defaultName);
    } else {
        GetQuerySettingsFromIniFile(file, window, table, name, byRowsDefault);
        w.setQueryName(name);
    }
    w.setStatusPanel(3, GetMessageTextByNr(MsgQueryLabel) + u' ' + name);
}

void SavedQueryStore::GetQuerySettingsFromIniFile(const QString& file, QWidget* window, const QString& table,
                                                  const QString& name, bool byRowsDefault)
{
    Q_UNUSED(table);
    SavedQueryWindow w(window);
    if (w.isNull())
        return;
    SavedQuerySettings defaults;
    defaults.ByRows = byRowsDefault ? u"-1"_s : u"0"_s;
    defaults.AliveFlag = u"9"_s;
    defaults.Ascending = u"1"_s;
    defaults.AndJunction = u"1"_s;
    defaults.SortKey = w.firstSortKey();
    const SavedQuerySettings s = SavedQuerySettings::read(file, name, defaults);

    const QStringList fields = splitList(s.Fields);
    const QStringList widths = splitList(s.FieldWidths);
    int width = 0;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i < widths.size()) {
            // A width that is no number leaves the one before in force.
            if (NumberText::isNumber(widths[i])) {
                if (const auto n = NumberText::roundToInt32(NumberText::leadingValue(widths[i])))
                    width = *n;
            }
        } else {
            width = 0;
        }
        const QString& entry = fields[i];
        // An empty entry (",," in a hand-edited file) names no field: nothing to look up.
        if (entry.trimmed().isEmpty())
            continue;
        QTreeWidgetItem* item = nullptr;
        if (entry.size() >= 2 && (entry[0] == u'0' || entry[0] == u'1') && entry[1] == u':') {
            const QString d = entry.left(1);
            const QString fieldName = entry.mid(2);
            item = findField(w, fieldName, d);
            if (item) {
                item->setCheckState(0, Qt::Checked);
            } else {
                w.insertExtraFeld(fieldName);
                item = w.fieldItem(BuildFeldKey(fieldName, d, true));
            }
        } else {
            item = findField(w, entry, u"0"_s);
            if (item && !isChecked(item)) {
                item->setCheckState(0, Qt::Checked);
            } else if (item) {
                // The same name came before: this entry is the table part's field.
                item = findField(w, entry, u"1"_s);
                if (item)
                    item->setCheckState(0, Qt::Checked);
            } else {
                item = findField(w, entry, u"1"_s);
                if (item) {
                    item->setCheckState(0, Qt::Checked);
                } else {
                    w.insertExtraFeld(entry);
                    item = w.fieldItem(BuildFeldKey(entry, u"0"_s, true));
                    if (!item)
                        item = w.fieldItem(BuildFeldKey(entry, u"1"_s, true));
                }
            }
        }
        if (item)
            w.insertDataColumn(item, width);
    }

    w.setCriteria(s.Krit);
    const auto aliveFlag = NumberText::roundToInt32(NumberText::leadingValue(s.AliveFlag));
    w.selectAliveFlag(aliveFlag.value_or(0));
    w.setByRows(w.byRowsEnabled() && s.ByRows != u"0"_s);
    w.setAndJunction(s.AndJunction == u"1"_s);
    w.setOrder(s.Order);
    w.setSortKey(s.SortKey);
    w.setAscending(s.Ascending == u"1"_s);
}

void SavedQueryStore::DeleteQuerySetting(const QString& table, const QString& name)
{
    SavedQuerySettings::remove(GetQuerySettingsFile(table), name);
}

void SavedQueryStore::CheckQuerySettingsChanges(QWidget* window, int& result)
{
    result = 1;
    SavedQueryWindow w(window);
    if (w.isNull() || dontSaveChanges())
        return;
    const QString name = w.queryName();
    if (isDefaultName(name))
        return;
    const QString table = w.tableName();
    const QString file = GetQuerySettingsFile(table);
    if (file.isEmpty())
        return;

    SavedQuerySettings defaults;
    defaults.AliveFlag = u"9"_s;
    const SavedQuerySettings stored = SavedQuerySettings::read(file, name, defaults);
    SavedQuerySettings current;
    // Compared in this order, stopping at the first difference: the field list is asked
    // for only when everything else is equal.
    bool changed = stored.Krit != w.criteria() || stored.AndJunction != Bool2Str(w.andJunction()) ||
                   stored.AliveFlag != w.aliveFlag() || stored.ByRows != Bool2Str(w.byRows()) ||
                   stored.SortKey != w.sortKey() || stored.Ascending != Bool2Str(w.ascending()) ||
                   stored.Order != w.order();
    if (!changed) {
        w.getCurrentFieldList(current.Fields, current.FieldWidths);
        changed = stored.Fields != current.Fields || stored.FieldWidths != current.FieldWidths;
    }
    if (!changed)
        return;

    if (askBeforeSaving()) {
        const QMessageBox::StandardButton answer = ShowMessageBox(
            GetMessageTextByNr(MsgQueryChanged) + u' ' + name + u"\r\n"_s + GetMessageTextByNr(MsgSaveChanges),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::No) {
            result = 7;
            return;
        }
        if (answer != QMessageBox::Yes) {
            result = 2;
            return;
        }
    }
    SaveQuerySettings(window, table, name);
}

void SavedQueryStore::FillTableQueries(QWidget* menuOwner, const QString& table)
{
    if (!menuOwner)
        return;
    const QStringList names = GetTableQueries(table);
    const int n = int(names.size());
    const QString templateCaption = GetMessageTextByNr(MsgTemplateEntry);

    QMap<int, QPair<QString, QString>> load;
    load.insert(0, {names[0], names[0]});
    load.insert(1, {templateCaption, templateCaption});
    for (int i = 2; i <= n; ++i)
        load.insert(i, {names[i - 1], names[i - 1]});
    const QMap<int, bool> templateVisible{{1, !IsDbGroupName(table)}};

    QMap<int, QPair<QString, QString>> save;
    save.insert(0, {GetMessageTextByNr(MsgNewNameEntry), QString()});
    for (int i = 1; i <= n; ++i)
        save.insert(i, {names[i - 1], names[i - 1]});

    setMenuArray(menuOwner->findChild<QMenu*>(QString::fromLatin1(LoadMenuName)), LoadEntryName, load, templateVisible);
    setMenuArray(menuOwner->findChild<QMenu*>(QString::fromLatin1(TabLoadMenuName)), TabLoadEntryName, load,
                 templateVisible);
    setMenuArray(menuOwner->findChild<QMenu*>(QString::fromLatin1(SaveMenuName)), SaveEntryName, save, {});
}

void SavedQueryStore::LoadQueryIntoWindow(QWidget* window, const QString& name, bool templateEntry)
{
    SavedQueryWindow w(window);
    if (w.isNull())
        return;
    int answer = 1;
    CheckQuerySettingsChanges(window, answer); // the load goes on whatever the answer
    w.setAllFieldsSelection(1, 2);
    w.clearDataRows();
    bool byRows = false;
    if (templateEntry && !IsDbGroupName(w.tableName())) {
        w.loadRohlingProperties(w.tableId());
    } else {
        QString queryName = name;
        byRows = w.hasTable();
        GetQuerySettings(window, w.tableName(), w.tableId(), queryName, byRows);
    }
    w.updateDataColumns(byRows);
}

void SavedQueryStore::ShowQuerySettingsDlg(QWidget* window, QWidget* queryListForm)
{
    SavedQueryWindow w(window);
    if (w.isNull())
        return;
    QWidget* form = queryListForm;
    if (!form) {
        const QList<QWidget*> windows = QApplication::topLevelWidgets();
        for (QWidget* candidate : windows) {
            if (candidate->objectName() == u"QueryListForm"_s) {
                form = candidate;
                break;
            }
        }
    }
    auto* dialog = qobject_cast<QDialog*>(form);
    if (!dialog)
        return;
    QString table = w.tableName();
    QString file = GetQuerySettingsFile(table);
    const QMetaObject* meta = dialog->metaObject();
    int index = meta->indexOfMethod(QMetaObject::normalizedSignature("LoadQueryList(QString&,QString&)").constData());
    if (index >= 0) {
        meta->method(index).invoke(dialog, Qt::DirectConnection, Q_ARG(QString&, table), Q_ARG(QString&, file));
    } else {
        index = meta->indexOfMethod(QMetaObject::normalizedSignature("LoadQueryList(QString,QString)").constData());
        if (index < 0)
            return;
        meta->method(index).invoke(dialog, Qt::DirectConnection, Q_ARG(QString, table), Q_ARG(QString, file));
    }
    QPointer<QDialog> guard(dialog);
    dialog->exec();
    if (!guard || w.isNull())
        return;
    QVariant result = dialog->property("DialogResult");
    if (!result.isValid())
        result = dialog->property("QueryListResult");
    if (result.toInt() != 1)
        return;
    auto* list = dialog->findChild<QAbstractItemView*>(u"QueryList"_s);
    if (!list || !list->selectionModel())
        return;
    const QModelIndexList rows = list->selectionModel()->selectedRows(0);
    if (rows.isEmpty())
        return;
    LoadQueryIntoWindow(window, rows.first().data(Qt::DisplayRole).toString(), false);
}

void SavedQueryStore::SaveQueryFromMenu(QWidget* menuOwner, QWidget* window, const QAction* entry)
{
    SavedQueryWindow w(window);
    const int index = MenuIndex(entry);
    // A window without a current table is no query window: there is nothing to save.
    if (w.isNull() || !w.hasTableMember() || index < 0)
        return;
    QString name;
    if (index != 0) {
        name = MenuQueryName(entry);
    } else {
        bool ok = false;
        // Blanks around a typed name are not part of it: a section name cannot keep them.
        name = QInputDialog::getText(menuOwner, GetMessageTextByNr(MsgNewNameTitle),
                                     GetMessageTextByNr(MsgNewNamePrompt), QLineEdit::Normal, QString(), &ok)
                   .trimmed();
        if (!ok || name.isEmpty() || w.isNull())
            return;
    }
    const QString table = w.tableName();
    if (!SaveQuerySettings(window, table, name))
        return;
    FillTableQueries(menuOwner, table);
    w.setQueryName(name);
    w.setStatusPanel(3, GetMessageTextByNr(MsgQueryLabel) + u' ' + name);
}

void SavedQueryStore::MenuEntryTriggered(QWidget* menuOwner, QWidget* window, const QAction* entry)
{
    if (!entry || !window)
        return;
    const QString array = entry->objectName();
    if (array == QLatin1StringView(SaveEntryName))
        SaveQueryFromMenu(menuOwner, window, entry);
    else if (array == QLatin1StringView(LoadEntryName) || array == QLatin1StringView(TabLoadEntryName))
        LoadQueryIntoWindow(window, MenuQueryName(entry), MenuIndex(entry) == 1);
}

int SavedQueryStore::MenuIndex(const QAction* entry)
{
    if (!entry)
        return -1;
    bool ok = false;
    const int index = entry->property("Index").toInt(&ok);
    return ok ? index : -1;
}

QString SavedQueryStore::MenuQueryName(const QAction* entry)
{
    if (!entry)
        return QString();
    const QVariant data = entry->data();
    if (data.isValid())
        return data.toString();
    // An entry made at design time: its caption is the name.
    QString text = entry->text();
    return text.replace(u"&&"_s, u"\x01"_s).remove(u'&').replace(u'\x01', u'&');
}
