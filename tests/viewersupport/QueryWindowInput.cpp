#include "QueryWindowInput.h"

#include "DialogDriver.h"
#include "ListTexts.h"
#include "QueryForm.h"
#include "UserInput.h"

#include <QInputDialog>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace ViewerTest {

QStringList checkedKeys(const QTreeWidget* fields)
{
    QStringList keys;
    for (int i = 0; i < fields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = fields->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            keys.append(item->data(0, QueryForm::RowKeyRole).toString());
    }
    return keys;
}

bool doubleClickTable(QueryForm* form, const QString& name)
{
    QTreeWidgetItem* item = row(form->tabellenListe(), name);
    if (!item)
        return false;
    UserInput::doubleClickItem(form->tabellenListe(), item);
    return form->AktTableName() == name && form->feldListe()->topLevelItemCount() > 0;
}

bool openTable(QueryForm* form, const QString& name)
{
    QTreeWidgetItem* item = row(form->tabellenListe(), name);
    if (!item)
        return false;
    form->tabellenListe()->setCurrentItem(item);
    QTest::keyClick(form->tabellenListe(), Qt::Key_Return);
    return form->AktTableName() == name;
}

void check(QueryForm* form, const QStringList& fieldNames)
{
    for (const QString& name : fieldNames) {
        if (QTreeWidgetItem* item = row(form->feldListe(), name))
            item->setCheckState(0, Qt::Checked);
    }
}

void answerInputBox(const QString& text, InputBox* seen)
{
    DialogDriver::whenShown(u"QInputDialog"_s, [text, seen](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        if (seen) {
            seen->shown = true;
            seen->prompt = box->labelText();
            seen->defaultText = box->textValue();
        }
        if (text.isNull()) {
            box->reject();
        } else {
            box->setTextValue(text);
            box->accept();
        }
    });
}

void answerInputBoxes(const QStringList& answers, QList<InputBox>* seen)
{
    if (answers.isEmpty())
        return;
    DialogDriver::whenShown(u"QInputDialog"_s, [answers, seen](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        if (seen)
            seen->append({box->labelText(), box->textValue(), true});
        // The next box is answered only once this one is gone.
        answerInputBoxes(answers.mid(1), seen);
        if (answers.first().isNull()) {
            box->reject();
        } else {
            box->setTextValue(answers.first());
            box->accept();
        }
    });
}

} // namespace ViewerTest
