// klvconnection: reads and writes a program's stored connections from a script, through the
// same store the logon dialog uses, so scripts never write the settings file themselves.
//
//   klvconnection [--app NAME] port CONNECTION
//       prints the stored port of the connection; exit code 1 when it is not stored
//   klvconnection [--app NAME] ensure CONNECTION HOST PORT MANDANT USER
//       stores the connection when it is missing; an existing one keeps what its user chose,
//       except that its port becomes PORT
#include "ConnectionStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int usage()
{
    std::fputs("usage: klvconnection [--app NAME] port CONNECTION\n"
               "       klvconnection [--app NAME] ensure CONNECTION HOST PORT MANDANT USER\n",
               stderr);
    return 2;
}

int fail(const QString& text)
{
    std::fprintf(stderr, "klvconnection: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString application = u"KLVViewer"_s;
    if (args.size() >= 2 && args.first() == u"--app"_s) {
        application = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage();
    klvutils::ConnectionStore store(application);
    const QString command = args.takeFirst();

    if (command == u"port"_s && args.size() == 1) {
        if (store.storedName(args.first()).isEmpty())
            return 1;
        QString host, mandant, user;
        int port = 0;
        bool withUser = false;
        store.read(args.first(), host, port, mandant, withUser, user);
        std::printf("%d\n", port);
        return 0;
    }

    if (command == u"ensure"_s && args.size() == 5) {
        const QString stored = store.storedName(args.at(0));
        const QString name = stored.isEmpty() ? args.at(0) : stored;
        bool ok = false;
        const int port = args.at(2).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return fail(u"the port must be a number from 1 to 65535, not \"%1\""_s.arg(args.at(2)));
        QString host = args.at(1), mandant = args.at(3), user = args.at(4);
        bool withUser = !user.isEmpty();
        if (!stored.isEmpty()) {
            int oldPort = 0;
            store.read(name, host, oldPort, mandant, withUser, user);
        }
        if (!store.write(name, host, port, mandant, withUser, user))
            return fail(u"cannot write %1"_s.arg(store.fileName()));
        return 0;
    }
    return usage();
}
