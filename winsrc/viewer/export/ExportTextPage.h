#pragma once

#include "ExportOptionsPage.h"

class QCheckBox;
class QLineEdit;

// The delimited text file's page: the file, the header line, RFC 4180 quoting (which leaves
// no line-break replacement to set), the separator and the line-break replacement, and the
// program to start afterwards (a named one, or the desktop's for the file: never both).
class ExportTextPage : public ExportOptionsPage
{
    Q_OBJECT

public:
    explicit ExportTextPage(QWidget* parent = nullptr);

    std::unique_ptr<ExportWriter> createWriter(const ExportJob& job) const override;
    QWidget* focusControl(int option) const override;

private:
    QLineEdit* m_file;
    QCheckBox* m_withFieldList;
    QCheckBox* m_rfc4180;
    QLineEdit* m_separator;
    QLineEdit* m_lineBreak;
    QCheckBox* m_startProgram;
    QLineEdit* m_program;
    QCheckBox* m_startDesktopApp;
};
