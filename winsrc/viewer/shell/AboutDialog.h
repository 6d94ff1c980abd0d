#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// The program's version and, on demand, how to call it. Collapsed it ends below the usage
// button; expanded it also shows the usage part: the usage line, the switches, a message and,
// lowest, the line the program was started with (a password given with "-p" as stars).
// Controls: VersionsinfoLabel, UsageLabel, AufrufWarLabel, UsageMessage, UsageButton,
// OKButton.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // words: the command line the program was started with.
    explicit AboutDialog(const QStringList& words, QWidget* parent = nullptr);

    // Expands the dialog with text as its message ("" for none).
    Q_INVOKABLE void ShowUsage(const QString& Text);
    Q_INVOKABLE void HideUsage();
    bool UsageShown() const { return m_usageShown; }

private:
    void usageClicked();
    void fitHeight();

    bool m_usageShown = false;
    QString m_usageButtonCaption;
    QWidget* m_usagePart = nullptr;
    QLabel* m_usageMessage = nullptr;
    QPushButton* m_usageButton = nullptr;
};
