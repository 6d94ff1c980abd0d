#include "QueryKeys.h"

#include "ConditionsPanel.h"
#include "FieldListPane.h"
#include "FormSupport.h"
#include "MainModul.h"
#include "QueryForm.h"
#include "ResultListView.h"
#include "ResultPane.h"
#include "TableListPane.h"

#include <QKeyEvent>
#include <QPushButton>

using namespace MainModul;

bool QueryKeys::Handle(QueryForm& form, QWidget* control, const QKeyEvent* key)
{
    TableListPane* tables = form.tablePane();
    FieldListPane* fields = form.fieldPane();
    ResultPane* results = form.resultPane();
    ConditionsPanel* conditions = form.conditions();
    const Qt::KeyboardModifiers mods = FormSupport::shiftState(key);
    const auto within = [control](QWidget* list) { return control == list || list->isAncestorOf(control); };
    const bool inTables = within(tables);
    const bool inFields = within(fields);
    const bool inData = within(results);

    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (inTables)
            form.openSelectedTable();
        else if (conditions->breakButton()->isEnabled())
            form.BreakQuery();
        else if (conditions->startButton()->isEnabled())
            form.AbfrageStarten();
        return true;
    case Qt::Key_Escape:
        if (!form.isBusy())
            return false;
        form.breakOff();
        return true;
    case Qt::Key_F1:
        ShowHelpTopic(GetMessageTextByNr(904));
        return true;
    case Qt::Key_F5:
        if (inTables)
            form.FillTabellenListe();
        else if (inFields)
            form.FillFeldListe(true);
        else if (inData)
            form.AbfrageStarten();
        return inTables || inFields || inData;
    case Qt::Key_F7:
        if (inTables)
            form.SelectTableColumns();
        else if (inFields)
            form.SelectFieldColumns();
        return inTables || inFields;
    case Qt::Key_Insert:
        if (inFields && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
            form.AddExtraFeld(mods == Qt::ShiftModifier);
            return true;
        }
        if (inTables) {
            form.AddExtraTable();
            return true;
        }
        return false;
    case Qt::Key_F2:
        if (inFields) {
            if (QTreeWidgetItem* item = fields->selectedRow();
                item && (mods == Qt::NoModifier || mods == Qt::ShiftModifier))
                form.ChangeExtraFeld(FieldListPane::rowKey(item), mods == Qt::ShiftModifier);
            return true;
        }
        if (inTables) {
            form.ChangeTableName();
            return true;
        }
        return false;
    case Qt::Key_Delete:
        if (inFields) {
            if (QTreeWidgetItem* item = fields->selectedRow())
                form.DeleteExtraFeld(FieldListPane::rowKey(item));
            return true;
        }
        if (inTables) {
            form.RemoveExtraTable();
            return true;
        }
        return false;
    case Qt::Key_F11:
        form.GUIOeffnen(false);
        return true;
    case Qt::Key_F12:
        form.GUIOeffnen(true);
        return true;
    case Qt::Key_C:
        // Text boxes keep their own copy; the lists copy all their rows.
        if (mods == Qt::ControlModifier && (inTables || inFields || inData)) {
            CopyListViewToClipboard(inTables   ? static_cast<QWidget*>(tables)
                                    : inFields ? static_cast<QWidget*>(fields)
                                               : static_cast<QWidget*>(results->view()));
            return true;
        }
        return false;
    case Qt::Key_Print:
        if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
            PrintFormHardcopy(&form);
            return true;
        }
        return false;
    default:
        return false;
    }
}
