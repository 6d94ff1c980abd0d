#include "QueryStatusBar.h"

#include "StatusPanel.h"

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
            if (!panelText(p).isEmpty())
                Q_EMIT panelClicked(p);
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
    if (StatusPanel* p = this->panel(panel))
        p->setText(text);
}
