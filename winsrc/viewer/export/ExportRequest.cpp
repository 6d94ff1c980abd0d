#include "ExportRequest.h"

#include "ExportDialog.h"
#include "MainModul.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgExportRunning = 281;

} // namespace

ExportDialog* ExportRequest::Open(const ExportRequest& request)
{
    if (ExportDialog::IsExportRunning()) {
        ShowMessageBox(GetMessageTextByNr(MsgExportRunning));
        return nullptr;
    }
    ExportDialog* dialog = ExportDialog::DefaultInstance();
    dialog->SetExportProperties(request.caption, request.tableId, request.exportType, request.rowsFromCaller,
                                request.caller, request.rowCount);

    // The selection as the window shows it.
    const auto setText = [dialog](const QString& name, const QString& text) {
        if (auto* box = dialog->findChild<QLineEdit*>(name))
            box->setText(text);
    };
    const auto setChecked = [dialog](const QString& name, bool on) {
        if (auto* button = dialog->findChild<QAbstractButton*>(name))
            button->setChecked(on);
    };
    setText(u"Bedingungen"_s, request.criteria);
    setChecked(u"UNDVerknuepfung"_s, request.andJunction);
    setChecked(u"ODERVerknuepfung"_s, !request.andJunction);
    setChecked(u"ZeilenSelektion"_s, request.byRows);
    setText(u"Sortierung"_s, request.order);
    setText(u"Schluessel"_s, request.key);
    setText(u"AblageartText"_s, request.storageKindText);
    dialog->setExportAliveFlag(request.storageKind);
    setChecked(u"Aufsteigend"_s, request.ascending);
    setChecked(u"Absteigend"_s, !request.ascending);

    QTreeWidget* list = dialog->feldListe();
    list->clear();
    for (const Field& field : request.fields)
        ExportDialog::AddExportField(list, field.key, field.caption, Bool2ErpText(field.tablePart), field.tag,
                                     field.typeCode);
    dialog->SetExportFldListe(nullptr);

    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}
