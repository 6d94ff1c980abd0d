#include "AppContext.h"
#include "KLVTraceWindow.h"
#include "StartUp.h"
#include "TerminationSignals.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    // The program's state outlives every window, the application object included.
    AppContext context;
    // Our switches are read from the raw words; Qt sees none of them, so it cannot take one
    // of ours (or an argument of ours) as its own.
    const QStringList words = StartUp::Words(argc, argv);
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, qtArgv);
    // The desktop entry klvviewer.desktop names this program to the window manager.
    QGuiApplication::setDesktopFileName(u"klvviewer"_s);
    // The library's trace shows in its window, not on standard error.
    KLVTraceWindow::Install();

    // SIGTERM and SIGINT end the program as closing its window does.
    const TerminationSignals endSignals;
    StartUp startUp(context);
    if (const std::optional<int> exitCode = startUp.Main(words))
        return *exitCode;
    // A signal during the start ends the program once the start is through.
    const int exitCode = endSignals.received() != 0 ? 0 : app.exec();
    startUp.Finish();
    return exitCode;
}
