#include "ExportDatabasePage.h"

#include "ExportChoosers.h"
#include "ExportDatabaseWriter.h"
#include "MainModul.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using Target = ExportDatabaseWriter::Target;

namespace {

constexpr int MsgOdbcChooser = 255;
constexpr int MsgDatabaseChooser = 256;
constexpr int MsgDatabaseFiles = 257;
constexpr int MsgAllFiles = 258;

using Scope = ExportSettings::Scope;

// The kinds as the settings store them. SQLite files stand in for the Windows program's Access
// formats, whose stored names choose it as well.
const QString SQLiteKind = u"SQLite"_s;
const QString OdbcKind = u"ODBC"_s;

} // namespace

ExportDatabasePage::ExportDatabasePage(QWidget* parent)
    : ExportOptionsPage(parent), m_kinds(new QComboBox(this)), m_database(lineEdit(u"ExportDBName"_s)),
      m_table(lineEdit(u"NeueTabelle"_s)), m_withTablePrefix(checkBox(u"DBFelderMitTabPraefix"_s, u"267"_s)),
      m_startProgram(checkBox(u"AccessStarten"_s, u"268"_s)), m_chooser(chooserButton(u"DBAuswaehlenButton"_s))
{
    m_kinds->setObjectName(u"ExportDBTypen"_s);
    m_kinds->addItem(SQLiteKind, int(Target::SQLite));
    m_kinds->addItem(OdbcKind, int(Target::Odbc));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(u"ExportDBTypenLabel"_s, u"232"_s), 0, 0);
    grid->addWidget(m_kinds, 0, 1);
    grid->addWidget(label(u"ExportDBNameLabel"_s, u"264"_s), 1, 0);
    grid->addWidget(m_database, 1, 1, 1, 2);
    grid->addWidget(m_chooser, 1, 3);
    grid->addWidget(label(u"NeueTabelleLabel"_s, u"266"_s), 2, 0);
    grid->addWidget(m_table, 2, 1, 1, 2);
    grid->addWidget(m_withTablePrefix, 3, 0, 1, 4);
    grid->addWidget(m_startProgram, 4, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);

    m_kinds->setCurrentIndex(0);
    kindChanged();
    connect(m_kinds, &QComboBox::currentIndexChanged, this, &ExportDatabasePage::kindChanged);
    connect(m_chooser, &QPushButton::clicked, this, &ExportDatabasePage::chooseDatabase);

    bind(m_table, {u"DBTableName"_s, Scope::PerCaption, u"{caption}"_s});
    // No default: the first kind stays.
    bind(
        {u"ExportDBType"_s, Scope::Shared, QString()},
        [this](const QString& value) {
            int index = m_kinds->findText(value);
            if (index < 0 && value.startsWith(u"MS Access"_s))
                index = m_kinds->findText(SQLiteKind);
            if (index >= 0)
                m_kinds->setCurrentIndex(index);
        },
        [this] { return m_kinds->currentText(); });
    // The settings file is plain text that anyone reading the home folder may see: a
    // connection string goes without its password.
    bind(
        {u"ExportDBName"_s, Scope::Shared, QString()}, [this](const QString& value) { m_database->setText(value); },
        [this] { return ExportSettings::WithoutPassword(m_database->text()); });
    bind(m_startProgram, {u"StartAccess"_s, Scope::Shared, u"0"_s});
    bind(m_withTablePrefix, {u"DBFieldsWithTabPfx"_s, Scope::Shared, u"1"_s});
}

bool ExportDatabasePage::isOdbc() const
{
    return m_kinds->currentData().toInt() == int(Target::Odbc);
}

void ExportDatabasePage::kindChanged()
{
    // A data source's name (or a connection string) is typed into the name box.
    const bool odbc = isOdbc();
    m_chooser->setEnabled(!odbc);
    if (odbc)
        m_startProgram->setChecked(false);
    m_startProgram->setEnabled(!odbc);
}

void ExportDatabasePage::chooseDatabase()
{
    if (isOdbc()) {
        MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(MsgOdbcChooser));
        return;
    }
    if (m_kinds->currentIndex() < 0) {
        ExportChoosers::SaveFile(this, m_database, MsgDatabaseChooser, QString(),
                                 {ExportChoosers::Filter(MsgAllFiles, u"*"_s)}, false);
        return;
    }
    ExportChoosers::SaveFile(
        this, m_database, MsgDatabaseChooser, u"sqlite"_s,
        {ExportChoosers::Filter(MsgDatabaseFiles, u"*.sqlite *.db"_s), ExportChoosers::Filter(MsgAllFiles, u"*"_s)},
        false);
}

std::unique_ptr<ExportWriter> ExportDatabasePage::createWriter(const ExportJob& job) const
{
    ExportDatabaseWriter::Options options;
    options.target = isOdbc() ? Target::Odbc : Target::SQLite;
    options.database = m_database->text();
    options.table = m_table->text();
    options.withTablePrefix = m_withTablePrefix->isChecked();
    options.startProgram = m_startProgram->isChecked();
    return std::make_unique<ExportDatabaseWriter>(job, options);
}

QWidget* ExportDatabasePage::focusControl(int option) const
{
    switch (option) {
    case ExportDatabaseWriter::Database:
        return m_database;
    case ExportDatabaseWriter::Table:
        return m_table;
    default:
        return nullptr;
    }
}
