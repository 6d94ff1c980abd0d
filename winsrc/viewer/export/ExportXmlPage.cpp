#include "ExportXmlPage.h"

#include "ExportChoosers.h"
#include "ExportXmlWriter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgFileChooser = 254;
constexpr int MsgAllFiles = 258;
constexpr int MsgXmlFiles = 1201;

using Scope = ExportSettings::Scope;

} // namespace

ExportXmlPage::ExportXmlPage(QWidget* parent)
    : ExportOptionsPage(parent), m_file(lineEdit(u"XMLDateiName"_s)), m_idField(new QComboBox(this)),
      m_captionField(new QComboBox(this)), m_suppressEmpty(checkBox(u"XMLLeerfelderUnterdruecken"_s, u"271"_s)),
      m_startProgram(checkBox(u"XMLAppStarten"_s, u"221"_s)), m_program(lineEdit(u"XMLAppName"_s)),
      m_startDesktopApp(checkBox(u"XMLStdAppStarten"_s, u"222"_s))
{
    m_idField->setObjectName(u"XMLSatzIDFeld"_s);
    m_captionField->setObjectName(u"XMLBeschrFeld"_s);
    m_idField->setMinimumContentsLength(20);
    m_captionField->setMinimumContentsLength(20);
    auto* fileChooser = chooserButton(u"XMLDateiDialogButton"_s);
    auto* programChooser = chooserButton(u"XMLAppDialogButton"_s);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(u"XMLDateiNameLabel"_s, u"216"_s), 0, 0);
    grid->addWidget(m_file, 0, 1, 1, 2);
    grid->addWidget(fileChooser, 0, 3);
    grid->addWidget(label(u"XMLSatzIDFeldLabel"_s, u"269"_s), 1, 0);
    grid->addWidget(m_idField, 1, 1);
    grid->addWidget(label(u"XMLBeschrFeldLabel"_s, u"270"_s), 2, 0);
    grid->addWidget(m_captionField, 2, 1);
    grid->addWidget(m_suppressEmpty, 3, 0, 1, 4);
    grid->addWidget(m_startProgram, 4, 0);
    grid->addWidget(m_program, 4, 1, 1, 2);
    grid->addWidget(programChooser, 4, 3);
    grid->addWidget(m_startDesktopApp, 5, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);

    enableWith(m_startProgram, {m_program, programChooser});
    excludeEachOther(m_startProgram, m_startDesktopApp);
    connect(fileChooser, &QPushButton::clicked, this, [this] {
        ExportChoosers::SaveFile(
            this, m_file, MsgFileChooser, u"xml"_s,
            {ExportChoosers::Filter(MsgXmlFiles, u"*.xml"_s), ExportChoosers::Filter(MsgAllFiles, u"*"_s)}, true);
    });
    connect(programChooser, &QPushButton::clicked, this, [this] { ExportChoosers::ProgramFile(this, m_program); });

    bind(m_file, {u"XMLFileName"_s, Scope::PerCaption, u"{folder}/{name}.xml"_s});
    bind(
        {u"XMLRecIdFld"_s, Scope::PerCaption, QString()}, [this](const QString& value) { m_storedIdField = value; },
        [this] { return m_idField->currentText(); });
    bind(
        {u"XMLDescrFld"_s, Scope::PerCaption, QString()},
        [this](const QString& value) { m_storedCaptionField = value; },
        [this] { return m_captionField->currentText(); });
    bind(m_suppressEmpty, {u"XMLSuppressEmptyFields"_s, Scope::Shared, u"1"_s});
    bind(m_startProgram, {u"StartXMLApp"_s, Scope::Shared, u"0"_s});
    bind(m_program, {u"XMLAppName"_s, Scope::Shared, QString()});
    bind(m_startDesktopApp, {u"StartXMLStdApp"_s, Scope::Shared, u"0"_s});
}

void ExportXmlPage::setFields(const QList<ExportField>& fields)
{
    m_idField->clear();
    m_captionField->clear();
    m_idField->addItem(QString(), 0);
    m_captionField->addItem(QString(), 0);
    for (int i = 0; i < int(fields.size()); ++i) {
        // Only fields of the table part can name or caption a record.
        if (!fields[i].tablePart)
            continue;
        const QString& text = fields[i].caption;
        m_idField->addItem(text, i + 1);
        m_captionField->addItem(text, i + 1);
        const int entry = m_idField->count() - 1;
        if (m_storedIdField.isEmpty() ? m_idField->currentIndex() == 0 && text.startsWith(u"num"_s)
                                      : text == m_storedIdField)
            m_idField->setCurrentIndex(entry);
        if (m_storedCaptionField.isEmpty() ? m_captionField->currentIndex() == 0 && text == u"name"_s
                                           : text == m_storedCaptionField)
            m_captionField->setCurrentIndex(entry);
    }
}

std::unique_ptr<ExportWriter> ExportXmlPage::createWriter(const ExportJob& job) const
{
    ExportXmlWriter::Options options;
    options.fileName = m_file->text();
    options.recordIdField = m_idField->currentData().toInt();
    options.captionField = m_captionField->currentData().toInt();
    options.suppressEmptyFields = m_suppressEmpty->isChecked();
    options.startProgram = m_startProgram->isChecked();
    options.program = m_program->text();
    options.startDesktopApp = m_startDesktopApp->isChecked();
    return std::make_unique<ExportXmlWriter>(job, options);
}

QWidget* ExportXmlPage::focusControl(int option) const
{
    return option == ExportXmlWriter::FileName ? m_file : nullptr;
}
