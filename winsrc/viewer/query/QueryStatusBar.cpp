#include "QueryStatusBar.h"

#include "KLVMessage.h"
#include "MainModul.h"
#include "QueryRules.h"
#include "StatusPanel.h"

#include <QEvent>
#include <QTimer>

using namespace Qt::StringLiterals;

QueryStatusBar::QueryStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(u"StatusBar"_s);
    setSizeGripEnabled(false);
    // Captioned with message numbers until the window is localised.
    const int captions[PanelCount] = {159, 160, 177, 161, 162, 163};
    for (int p = 1; p <= PanelCount; ++p) {
        const bool fitted = p <= 4;
        auto* panel = new StatusPanel(fitted, this);
        panel->setObjectName(u"Panel"_s + QString::number(p));
        panel->setText(QString::number(captions[p - 1]));
        addWidget(panel, fitted ? 0 : 1);
        connect(panel, &StatusPanel::clicked, this, [this, p] {
            const QString text = panelText(p);
            if (text.isEmpty())
                return;
            if (p == 5)
                MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(147) + u"\r\n\r\n"_s + text);
            else if (p == 6)
                Q_EMIT selectionClicked();
        });
        m_panels.append(panel);
    }
}

StatusPanel* QueryStatusBar::panel(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1] : nullptr;
}

QString QueryStatusBar::panelText(int panel) const
{
    const StatusPanel* p = this->panel(panel);
    return p ? p->text() : QString();
}

void QueryStatusBar::setPanelText(int panel, const QString& text)
{
    StatusPanel* p = this->panel(panel);
    if (!p || p->text() == text)
        return;
    const QSize before = p->sizeHint();
    p->setText(text);
    // The status bar lays its widgets out anew only when its height changes: a panel that
    // needs another width has it laid out here.
    if (p->sizeHint() != before)
        reformat();
}

void QueryStatusBar::changeEvent(QEvent* event)
{
    QStatusBar::changeEvent(event);
    // The window's fonts reach the panels after the bar: they are laid out once all have them.
    if (event->type() == QEvent::FontChange)
        QTimer::singleShot(0, this, [this] { reformat(); });
}

void QueryStatusBar::showTableCount(int tables)
{
    setPanelText(1, QString::number(tables) + u' ' + MainModul::GetMessageTextByNr(125));
}

void QueryStatusBar::showFieldCount(const QString& table, int fields)
{
    if (table.isEmpty() && fields == 0) {
        setPanelText(2, QString());
        return;
    }
    setPanelText(2, table + u": "_s + QString::number(fields) + u' ' + MainModul::GetMessageTextByNr(128));
}

void QueryStatusBar::appendMessage(const QSharedPointer<KLVMessage>& message)
{
    if (!message)
        return;
    const QString line = QueryRules::MessageLine(int(message->MsgType()), message->Text());
    if (line.isEmpty())
        return;
    const QString now = panelText(5);
    setPanelText(5, now.isEmpty() ? line : now + u"\r\n"_s + line);
}
