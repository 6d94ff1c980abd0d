#include "GuiLink.h"

#include <QProcess>

using namespace Qt::StringLiterals;

QString GuiLink::DefaultService()
{
    return u"WEXA-TAV"_s;
}

QString GuiLink::ActionWord(int action, const QString& languageLetter)
{
    const bool english = languageLetter == u"E";
    switch (action) {
    case ActionEdit:
        return english ? u"<edit>"_s : u"<ändern>"_s;
    case ActionRun:
        return english ? u"<call>"_s : u"<hole>"_s;
    default:
        return QString();
    }
}

QString GuiLink::CommandText(const QString& name, const QString& text, int action, const QString& languageLetter)
{
    QString command;
    if (!name.isEmpty())
        command = u'<' + name + u'>';
    return command + text + ActionWord(action, languageLetter);
}

QString GuiLink::ServiceFor(const QString& client, const QString& sessionService)
{
    if (!client.isEmpty() && !sessionService.isEmpty())
        return sessionService;
    return DefaultService();
}

QString GuiLink::Program()
{
    return qEnvironmentVariable("KLV_GUI_COMMAND");
}

QStringList GuiLink::Arguments(const QString& service, const QString& commandText)
{
    return {service + u"|COMMAND"_s, commandText};
}

bool GuiLink::Execute(const QString& service, const QString& commandText, QString* errorText)
{
    const QString program = Program();
    if (program.isEmpty()) {
        if (errorText)
            errorText->clear();
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(Arguments(service, commandText));
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        if (errorText)
            *errorText = process.errorString();
        return false;
    }
    return true;
}
