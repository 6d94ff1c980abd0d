#include "ListTexts.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QTreeWidget>

namespace ViewerTest {

QStringList column(const QAbstractItemModel& model, int c)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts.append(model.data(model.index(r, c), Qt::DisplayRole).toString());
    return texts;
}

QStringList column(const QAbstractItemView& view, int c)
{
    return view.model() ? column(*view.model(), c) : QStringList();
}

QStringList column(const QAbstractItemView* view, int c)
{
    return view ? column(*view, c) : QStringList();
}

QStringList headers(const QTreeWidget* list)
{
    QStringList captions;
    for (int c = 0; c < list->columnCount(); ++c)
        captions.append(list->headerItem()->text(c));
    return captions;
}

QTreeWidgetItem* row(const QTreeWidget* list, const QString& text)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == text)
            return list->topLevelItem(i);
    }
    return nullptr;
}

} // namespace ViewerTest
