#pragma once

#include <QString>
#include <QWidget>

class QLabel;

// The information-system window: the mask of one information system, its run and its result
// rows. The main window opens it for a catalogue row and routes the export to it.
class InfosysForm : public QWidget
{
    Q_OBJECT

public:
    explicit InfosysForm(QWidget* parent = nullptr);

    // Initial state of the buttons, field panel and scroll bar.
    Q_INVOKABLE void InitControls();
    // Reads the definition of that information system and builds the mask.
    Q_INVOKABLE void BuildInfosysInfos(const QString& number, const QString& searchWord, const QString& description);
    // Builds the mask of the information system shown again (header fields, rebuild).
    Q_INVOKABLE void BuildAktInfosysInfos();
    Q_INVOKABLE void ReloadForm() { BuildAktInfosysInfos(); }
    Q_INVOKABLE void ShowExportDialog(int) {}

    QString number() const { return m_number; }

private:
    QString m_number;
    QString m_searchWord;
    QString m_description;
    QLabel* m_title = nullptr;
};
