#pragma once

#include "ExportOptionsPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// The XML file's page: the file, the fields that name and caption a record (table-part fields
// only; a stored choice per caption, else the first field whose name starts with "num" and the
// field "name"), whether empty fields are left out, and the program to start afterwards (a
// named one, or the desktop's for the file: never both).
class ExportXmlPage : public ExportOptionsPage
{
    Q_OBJECT

public:
    explicit ExportXmlPage(QWidget* parent = nullptr);

    void setFields(const QList<ExportField>& fields) override;
    std::unique_ptr<ExportWriter> createWriter(const ExportJob& job) const override;
    QWidget* focusControl(int option) const override;

private:
    QLineEdit* m_file;
    QComboBox* m_idField;
    QComboBox* m_captionField;
    QCheckBox* m_suppressEmpty;
    QCheckBox* m_startProgram;
    QLineEdit* m_program;
    QCheckBox* m_startDesktopApp;
    // The stored choices, until the fields come.
    QString m_storedIdField;
    QString m_storedCaptionField;
};
