#include "ExportChoosers.h"

#include "DesktopLauncher.h"
#include "ExportColor.h"
#include "MainModul.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgAllFiles = 258;
constexpr int MsgProgramChooser = 261;
constexpr int MsgPrograms = 262;
constexpr int MsgNotAColour = 1211;

} // namespace

QString ExportChoosers::Filter(int message, const QString& pattern)
{
    return GetMessageTextByNr(message) + u" ("_s + pattern + u')';
}

void ExportChoosers::SaveFile(QWidget* parent, QLineEdit* target, int titleMessage, const QString& suffix,
                              const QStringList& filters, bool confirmOverwrite)
{
    QFileDialog chooser(parent, GetMessageTextByNr(titleMessage));
    chooser.setObjectName(u"ExportFileChooser"_s);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    chooser.setDefaultSuffix(suffix);
    if (!filters.isEmpty())
        chooser.setNameFilters(filters);
    chooser.selectFile(target->text());
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        target->setText(chooser.selectedFiles().constFirst());
}

void ExportChoosers::ProgramFile(QWidget* parent, QLineEdit* target)
{
    QFileDialog chooser(parent, GetMessageTextByNr(MsgProgramChooser));
    chooser.setObjectName(u"ExportProgramChooser"_s);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    // Any program the user may run: an executable file, whatever its name.
    chooser.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    chooser.setNameFilters({Filter(MsgPrograms, u"*"_s), Filter(MsgAllFiles, u"*"_s)});
    // The box holds a command: its program starts the chooser.
    const QString program = DesktopLauncher::CommandArguments(target->text(), QString()).value(0);
    if (!program.isEmpty())
        chooser.selectFile(program);
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        target->setText(DesktopLauncher::QuotedProgram(chooser.selectedFiles().constFirst()));
}

void ExportChoosers::HtmlColor(QWidget* parent, QLineEdit* target)
{
    target->setText(ExportColor::Convert(
        target->text(),
        [] {
            return ShowMessageBox(GetMessageTextByNr(MsgNotAColour), QMessageBox::Yes | QMessageBox::No) ==
                   QMessageBox::Yes;
        },
        [parent](int value) {
            const QColor start(value % 256, (value / 256) % 256, (value / 65536) % 256);
            QColorDialog chooser(start, parent);
            chooser.setObjectName(u"ExportColourChooser"_s);
            chooser.setOption(QColorDialog::DontUseNativeDialog);
            if (chooser.exec() != QDialog::Accepted)
                return value;
            const QColor chosen = chooser.selectedColor();
            return chosen.red() + 256 * chosen.green() + 65536 * chosen.blue();
        }));
}
