#include "StartUp.h"

#include "AboutDialog.h"
#include "AppContext.h"
#include "Common.h"
#include "KLVViewerWindow.h"
#include "Languages.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

StartUp::StartUp(AppContext& context) : m_context(context) {}

QStringList StartUp::Words(int argc, char** argv)
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words.append(QString::fromLocal8Bit(argv[i]));
    return words;
}

std::optional<int> StartUp::Main(const QStringList& words)
{
    m_context.CommandLineWords = words;
    int langId = MainModul::GetPrimaryLangId(Common::UserLanguageId());
    MainModul::LangIdToCode(langId);
    const QString startLanguage = m_context.UILanguage;
    // Qt's own texts (the buttons of every message box and file dialog) follow the program's.
    Languages::InstallQtTranslations(startLanguage);

    if (!MainModul::LoadMessageFile())
        return 1;
    const CommandLine::Result parsed = MainModul::ParseCommandLine(words);
    if (m_context.UILanguage != startLanguage)
        Languages::InstallQtTranslations(m_context.UILanguage);
    if (parsed.outcome != CommandLine::Outcome::Start)
        return ShowUsageAndExit(parsed.usageText);
    if (m_context.UILanguage != startLanguage && !MainModul::LoadMessageFile())
        return 1;

    m_context.GuiDragDropFormat = MainModul::RegisterClipboardFormat(u"CF_WEXA_GUI_DRAGDROP"_s);
    MainModul::InitAppGlobals();

    if (!StartMainWindow())
        return 0;
    return std::nullopt;
}

void StartUp::Finish()
{
    delete m_context.MainForm.data();
}

int StartUp::ShowUsageAndExit(const QString& text)
{
    AboutDialog about(App().CommandLineWords);
    if (auto* button = about.findChild<QWidget*>(u"UsageButton"_s))
        button->hide();
    about.ShowUsage(text);
    about.exec();
    return text.isEmpty() ? 0 : 2;
}

bool StartUp::StartMainWindow()
{
    auto* window = new KLVViewerWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QString connection = m_context.StartConnectionName;
    if (!window->StartUp(connection, m_context.StartUserName, m_context.StartPassword, m_context.StartDataLanguage)) {
        delete window;
        return false;
    }
    if (!m_context.HiddenStartFlag)
        window->show();
    return true;
}
