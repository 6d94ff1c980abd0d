#include "FormLocalizer.h"

#include <QAbstractButton>
#include <QAction>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>

FormLocalizer::FormLocalizer(std::function<QString(const QString&)> translate) : m_translate(std::move(translate)) {}

QString FormLocalizer::tr(const QString& text) const
{
    return text.isEmpty() ? text : m_translate(text);
}

void FormLocalizer::localize(QWidget* form) const
{
    if (!form)
        return;
    form->setWindowTitle(tr(form->windowTitle()));
    if (!form->toolTip().isEmpty())
        form->setToolTip(tr(form->toolTip()));

    const QList<QWidget*> widgets = form->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(tr(label->text()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setText(tr(button->text()));
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            group->setTitle(tr(group->title()));
        } else if (auto* menu = qobject_cast<QMenu*>(w)) {
            menu->setTitle(tr(menu->title()));
        } else if (auto* dock = qobject_cast<QDockWidget*>(w)) {
            dock->setWindowTitle(tr(dock->windowTitle()));
        } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setTabText(i, tr(tabs->tabText(i)));
                if (!tabs->tabToolTip(i).isEmpty())
                    tabs->setTabToolTip(i, tr(tabs->tabToolTip(i)));
            }
        } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            QTreeWidgetItem* header = tree->headerItem();
            for (int c = 0; c < header->columnCount(); ++c)
                header->setText(c, tr(header->text(c)));
        } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
            for (int c = 0; c < table->columnCount(); ++c) {
                if (QTableWidgetItem* item = table->horizontalHeaderItem(c))
                    item->setText(tr(item->text()));
            }
        }
        if (!w->toolTip().isEmpty())
            w->setToolTip(tr(w->toolTip()));
    }

    // Menu entries and tool-bar actions, wherever they hang.
    QList<QAction*> actions = form->findChildren<QAction*>();
    for (QWidget* w : widgets) {
        for (QAction* a : w->actions()) {
            if (!actions.contains(a))
                actions.append(a);
        }
    }
    for (QAction* a : form->actions()) {
        if (!actions.contains(a))
            actions.append(a);
    }
    for (QAction* action : std::as_const(actions)) {
        if (action->isSeparator())
            continue;
        // A submenu's own action carries its title, which the menu already took.
        if (action->menu() && action->menu()->title() == action->text())
            continue;
        action->setText(tr(action->text()));
        if (!action->toolTip().isEmpty() && action->toolTip() != action->text())
            action->setToolTip(tr(action->toolTip()));
    }
}

void FormLocalizer::applyFonts(QWidget* form, const QFont& formFont, const QFont& dataFont)
{
    if (!form)
        return;
    form->setFont(formFont);
    const QList<QWidget*> widgets = form->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (qobject_cast<QTreeView*>(w) || qobject_cast<QTableView*>(w))
            w->setFont(dataFont);
        else
            w->setFont(formFont);
    }
}
