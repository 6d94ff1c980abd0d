#pragma once

#include "ExportOptionsPage.h"

class QCheckBox;
class QLineEdit;

// The HTML file's page: the file, the heading table, the border's size and colour, the
// header's and the odd and even rows' colours (each box with its colour chooser), and the web
// browser afterwards.
class ExportHtmlPage : public ExportOptionsPage
{
    Q_OBJECT

public:
    explicit ExportHtmlPage(QWidget* parent = nullptr);

    std::unique_ptr<ExportWriter> createWriter(const ExportJob& job) const override;
    QWidget* focusControl(int option) const override;

private:
    QLineEdit* colorBox(const QString& name, const QString& buttonName);

    QLineEdit* m_file;
    QCheckBox* m_withHeading;
    QLineEdit* m_borderSize;
    QLineEdit* m_headerForeground = nullptr;
    QLineEdit* m_headerBackground = nullptr;
    QLineEdit* m_evenForeground = nullptr;
    QLineEdit* m_evenBackground = nullptr;
    QLineEdit* m_oddForeground = nullptr;
    QLineEdit* m_oddBackground = nullptr;
    QLineEdit* m_borderColor = nullptr;
    QCheckBox* m_showInBrowser;
    QList<QWidget*> m_colorButtons;
};
