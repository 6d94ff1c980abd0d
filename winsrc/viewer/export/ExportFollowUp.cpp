#include "ExportFollowUp.h"

#include "MainModul.h"

#include <QUrl>

namespace {

ExportFollowUp::Handler& handler()
{
    static ExportFollowUp::Handler h;
    return h;
}

} // namespace

void ExportFollowUp::SetHandler(Handler h)
{
    handler() = std::move(h);
}

void ExportFollowUp::StartProgram(const QString& command, const QString& file)
{
    if (handler())
        handler()(Kind::Program, command, file);
    else
        MainModul::ShellWithFileArgument(command, file);
}

void ExportFollowUp::OpenWithDesktopApp(const QString& file)
{
    if (handler())
        handler()(Kind::DesktopApp, QString(), file);
    else
        MainModul::OpenFileWithAssociatedApp(file);
}

void ExportFollowUp::OpenInBrowser(const QString& file)
{
    if (handler())
        handler()(Kind::Browser, QString(), file);
    else
        MainModul::OpenUrlInBrowser(QUrl::fromLocalFile(file).toString());
}
