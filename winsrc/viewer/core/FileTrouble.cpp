#include "FileTrouble.h"

#include "AppContext.h"

void FileTrouble::Note(const QString& key, const QString& text)
{
    AppContext& app = App();
    if (app.fileTroubleKeys.contains(key))
        return;
    app.fileTroubleKeys.append(key);
    app.fileTroubleTexts.append(text);
    if (app.fileTroubleListener)
        app.fileTroubleListener();
}

bool FileTrouble::Noted(const QString& key)
{
    return App().fileTroubleKeys.contains(key);
}

QStringList FileTrouble::Take()
{
    return std::exchange(App().fileTroubleTexts, QStringList());
}

void FileTrouble::SetListener(std::function<void()> listener)
{
    App().fileTroubleListener = std::move(listener);
}
