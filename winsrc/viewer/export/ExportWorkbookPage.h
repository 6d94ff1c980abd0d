#pragma once

#include "ExportOptionsPage.h"

class QCheckBox;
class QLineEdit;

// The workbook's page: the workbook and its worksheet (named after the caption, ":" made
// " - "), the header row, the columns' formats (their date and time formats only with it), and
// the desktop's program for the workbook afterwards.
class ExportWorkbookPage : public ExportOptionsPage
{
    Q_OBJECT

public:
    explicit ExportWorkbookPage(QWidget* parent = nullptr);

    void setCaption(const QString& caption) override;
    std::unique_ptr<ExportWriter> createWriter(const ExportJob& job) const override;
    QWidget* focusControl(int option) const override;

private:
    QLineEdit* m_file;
    QLineEdit* m_sheet;
    QCheckBox* m_withFieldNames;
    QCheckBox* m_formatColumns;
    QLineEdit* m_dateFormat;
    QLineEdit* m_timeFormat;
    QCheckBox* m_startProgram;
};
