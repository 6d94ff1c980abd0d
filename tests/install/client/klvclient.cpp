// A client of the installed library: logs on and prints the client's name.
#include <KLV.h>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    KLV session;
    if (argc < 2 || !session.BeginSessionUser(QStringLiteral("127.0.0.1"), atoi(argv[1]), QStringLiteral("100"),
                                              QStringLiteral("admin"), QStringLiteral("secret"))) {
        std::fprintf(stderr, "logon failed: %s\n", qPrintable(session.GetLastError()));
        return 1;
    }
    std::printf("Mandant: %s\n", qPrintable(session.GetMandantName()));
    return session.EndSession() ? 0 : 1;
}
