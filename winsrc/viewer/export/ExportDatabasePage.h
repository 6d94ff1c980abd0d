#pragma once

#include "ExportOptionsPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The database table's page: the kind (an SQLite file, or an ODBC data source, which has no
// file to choose and no program to open it with), the database, the table, the column names
// with or without the table-part prefix, and the desktop's program for the file afterwards.
class ExportDatabasePage : public ExportOptionsPage
{
    Q_OBJECT

public:
    explicit ExportDatabasePage(QWidget* parent = nullptr);

    std::unique_ptr<ExportWriter> createWriter(const ExportJob& job) const override;
    QWidget* focusControl(int option) const override;

private:
    void kindChanged();
    void chooseDatabase();
    bool isOdbc() const;

    QComboBox* m_kinds;
    QLineEdit* m_database;
    QLineEdit* m_table;
    QCheckBox* m_withTablePrefix;
    QCheckBox* m_startProgram;
    QPushButton* m_chooser;
};
