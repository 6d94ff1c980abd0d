#pragma once

#include <QList>
#include <QSharedPointer>
#include <QStatusBar>

class KLVMessage;
class StatusPanel;

// The query window's status bar "StatusBar" with its six panels "Panel1" to "Panel6": tables,
// fields, saved query and record count take the room their texts need; the server messages
// and the selection string share the rest, cut with an ellipsis. A click on the messages shows
// them whole; a click on the selection string is reported (selectionClicked) for the window to
// show it.
class QueryStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 6;

    explicit QueryStatusBar(QWidget* parent = nullptr);

    // Panels count from 1; texts are whole, whatever a panel shows of them.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    StatusPanel* panel(int panel) const;

    // Panel 1: the tables listed; panel 2: the fields of the table shown (empty without
    // either).
    void showTableCount(int tables);
    void showFieldCount(const QString& table, int fields);
    // Panel 5 collects the status and error messages of the window's query, one a line.
    void appendMessage(const QSharedPointer<KLVMessage>& message);

Q_SIGNALS:
    void selectionClicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    QList<StatusPanel*> m_panels;
};
