#include "ExportTextPage.h"

#include "ExportChoosers.h"
#include "ExportTextWriter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgFileChooser = 254;

using Scope = ExportSettings::Scope;

} // namespace

ExportTextPage::ExportTextPage(QWidget* parent)
    : ExportOptionsPage(parent), m_file(lineEdit(u"ExportDateiName"_s)),
      m_withFieldList(checkBox(u"MitFeldliste"_s, u"217"_s)), m_rfc4180(checkBox(u"FormatRFC4180"_s, u"218"_s)),
      m_separator(lineEdit(u"Feldtrennzeichen"_s)), m_lineBreak(lineEdit(u"Zeilenumbruchzeichen"_s)),
      m_startProgram(checkBox(u"FileAppStarten"_s, u"221"_s)), m_program(lineEdit(u"FileAppName"_s)),
      m_startDesktopApp(checkBox(u"FileAppStartenExt"_s, u"222"_s))
{
    auto* fileChooser = chooserButton(u"DateiDialogButton"_s);
    auto* programChooser = chooserButton(u"FileAppDialogButton"_s);
    auto* lineBreakLabel = label(u"ZeilenumbruchzeichenLabel"_s, u"220"_s);
    m_separator->setMaximumWidth(80);
    m_lineBreak->setMaximumWidth(80);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(u"ExportDateiNameLabel"_s, u"216"_s), 0, 0);
    grid->addWidget(m_file, 0, 1, 1, 2);
    grid->addWidget(fileChooser, 0, 3);
    grid->addWidget(m_withFieldList, 1, 0, 1, 4);
    grid->addWidget(m_rfc4180, 2, 0, 1, 4);
    grid->addWidget(label(u"FeldtrennzeichenLabel"_s, u"219"_s), 3, 0);
    grid->addWidget(m_separator, 3, 1);
    grid->addWidget(lineBreakLabel, 4, 0);
    grid->addWidget(m_lineBreak, 4, 1);
    grid->addWidget(m_startProgram, 5, 0);
    grid->addWidget(m_program, 5, 1, 1, 2);
    grid->addWidget(programChooser, 5, 3);
    grid->addWidget(m_startDesktopApp, 6, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(7, 1);

    enableWith(m_rfc4180, {m_lineBreak, lineBreakLabel}, false);
    enableWith(m_startProgram, {m_program, programChooser});
    excludeEachOther(m_startProgram, m_startDesktopApp);
    connect(fileChooser, &QPushButton::clicked, this,
            [this] { ExportChoosers::SaveFile(this, m_file, MsgFileChooser, u"exp"_s, {}, true); });
    connect(programChooser, &QPushButton::clicked, this, [this] { ExportChoosers::ProgramFile(this, m_program); });

    bind(m_file, {u"ExportFileName"_s, Scope::PerCaption, u"{folder}/{name}.exp"_s});
    bind(m_withFieldList, {u"WithFieldList"_s, Scope::Shared, u"1"_s});
    bind(m_rfc4180, {u"FormatRFC4180"_s, Scope::Shared, u"0"_s});
    bind(m_separator, {u"FieldSeparator"_s, Scope::Shared, u";"_s});
    bind(m_lineBreak, {u"LineBreakChar"_s, Scope::Shared, u"#"_s});
    bind(m_startProgram, {u"StartFileApp"_s, Scope::Shared, u"0"_s});
    bind(m_program, {u"FileApp"_s, Scope::Shared, QString()});
    bind(m_startDesktopApp, {u"StartFileAppExt"_s, Scope::Shared, u"0"_s});
}

std::unique_ptr<ExportWriter> ExportTextPage::createWriter(const ExportJob& job) const
{
    ExportTextWriter::Options options;
    options.fileName = m_file->text();
    options.withFieldList = m_withFieldList->isChecked();
    options.rfc4180 = m_rfc4180->isChecked();
    options.separator = m_separator->text();
    options.lineBreak = m_lineBreak->text();
    options.startProgram = m_startProgram->isChecked();
    options.program = m_program->text();
    options.startDesktopApp = m_startDesktopApp->isChecked();
    return std::make_unique<ExportTextWriter>(job, options);
}

QWidget* ExportTextPage::focusControl(int option) const
{
    switch (option) {
    case ExportTextWriter::FileName:
        return m_file;
    case ExportTextWriter::Separator:
        return m_separator;
    default:
        return nullptr;
    }
}
