#include "ExportWorkbookPage.h"

#include "ExportChoosers.h"
#include "ExportWorkbookWriter.h"
#include "MainModul.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgAllFiles = 258;
constexpr int MsgWorkbookChooser = 259;
constexpr int MsgWorkbooks = 260;

using Scope = ExportSettings::Scope;

} // namespace

ExportWorkbookPage::ExportWorkbookPage(QWidget* parent)
    : ExportOptionsPage(parent), m_file(lineEdit(u"ExportExcelName"_s)), m_sheet(lineEdit(u"ExcelWorksheet"_s)),
      m_withFieldNames(checkBox(u"ExcelMitFeldnamen"_s, u"225"_s)),
      m_formatColumns(checkBox(u"ExcelFormatColumns"_s, u"226"_s)), m_dateFormat(lineEdit(u"ExcelDateFormat"_s)),
      m_timeFormat(lineEdit(u"ExcelTimeFormat"_s)), m_startProgram(checkBox(u"ExcelStarten"_s, u"229"_s))
{
    auto* chooser = chooserButton(u"ExcelNameAuswaehlenButton"_s);
    auto* dateLabel = label(u"ExcelDateFormatLabel"_s, u"227"_s);
    auto* timeLabel = label(u"ExcelTimeFormatLabel"_s, u"228"_s);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(u"ExportExcelNameLabel"_s, u"223"_s), 0, 0);
    grid->addWidget(m_file, 0, 1, 1, 2);
    grid->addWidget(chooser, 0, 3);
    grid->addWidget(label(u"ExcelWorksheetLabel"_s, u"224"_s), 1, 0);
    grid->addWidget(m_sheet, 1, 1, 1, 2);
    grid->addWidget(m_withFieldNames, 2, 0, 1, 4);
    grid->addWidget(m_formatColumns, 3, 0, 1, 4);
    grid->addWidget(dateLabel, 4, 0);
    grid->addWidget(m_dateFormat, 4, 1);
    grid->addWidget(timeLabel, 5, 0);
    grid->addWidget(m_timeFormat, 5, 1);
    grid->addWidget(m_startProgram, 6, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(7, 1);

    enableWith(m_formatColumns, {m_dateFormat, m_timeFormat, dateLabel, timeLabel});
    connect(chooser, &QPushButton::clicked, this, [this] {
        const QString ext = App().ExcelFileExt;
        ExportChoosers::SaveFile(
            this, m_file, MsgWorkbookChooser, ext,
            {ExportChoosers::Filter(MsgWorkbooks, u"*."_s + ext), ExportChoosers::Filter(MsgAllFiles, u"*"_s)}, false);
    });

    bind(m_file, {u"ExcelFileName"_s, Scope::PerCaption, u"{folder}/{name}.{ext}"_s});
    bind(m_withFieldNames, {u"ExcelWithFieldNames"_s, Scope::Shared, u"1"_s});
    bind(m_formatColumns, {u"ExcelFormatColumns"_s, Scope::Shared, u"1"_s});
    bind(m_dateFormat, {u"ExcelDateFormat"_s, Scope::Shared, u"dd.mm.yyyy"_s});
    bind(m_timeFormat, {u"ExcelTimeFormat"_s, Scope::Shared, u"hh:mm"_s});
    bind(m_startProgram, {u"StartExcel"_s, Scope::Shared, u"0"_s});
}

void ExportWorkbookPage::setCaption(const QString& caption)
{
    // The worksheet is named by the caption, not stored.
    QString sheet = caption;
    sheet.replace(u":"_s, u" - "_s);
    m_sheet->setText(sheet);
}

std::unique_ptr<ExportWriter> ExportWorkbookPage::createWriter(const ExportJob& job) const
{
    ExportWorkbookWriter::Options options;
    options.fileName = m_file->text();
    options.sheetName = m_sheet->text();
    options.withFieldNames = m_withFieldNames->isChecked();
    options.formatColumns = m_formatColumns->isChecked();
    options.dateFormat = m_dateFormat->text();
    options.timeFormat = m_timeFormat->text();
    options.startProgram = m_startProgram->isChecked();
    return std::make_unique<ExportWorkbookWriter>(job, options);
}

QWidget* ExportWorkbookPage::focusControl(int option) const
{
    switch (option) {
    case ExportWorkbookWriter::FileName:
        return m_file;
    case ExportWorkbookWriter::SheetName:
        return m_sheet;
    default:
        return nullptr;
    }
}
