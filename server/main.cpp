// klvserver: the stand-in KLV server as a program, for trying the viewer without an ERP.
#include "KlvServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"klvserver"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Stand-in KLV server on 127.0.0.1 for the KLV Viewer and its tests."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port to listen on; 0 picks a free one (default 0)."_s, u"N"_s,
                                        u"0"_s);
    parser.addOption(portOption);
    const QCommandLineOption dataOption(u"data"_s, u"Sample ERP data file (JSON) instead of the built-in data."_s,
                                        u"FILE"_s);
    parser.addOption(dataOption);
    const QCommandLineOption rowsOption(u"rows"_s, u"Add the generated table 90:1 with N records (default 0: none)."_s,
                                        u"N"_s, u"0"_s);
    parser.addOption(rowsOption);
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "klvserver: --port needs a number from 0 to 65535, not \"%s\"\n",
                     qPrintable(parser.value(portOption)));
        return 2;
    }

    const int rows = parser.value(rowsOption).toInt(&ok);
    if (!ok || rows < 0) {
        std::fprintf(stderr, "klvserver: --rows needs a number from 0 up, not \"%s\"\n",
                     qPrintable(parser.value(rowsOption)));
        return 2;
    }

    KlvServerOptions options;
    options.port = static_cast<quint16>(port);
    options.dataFile = parser.value(dataOption);
    options.generatedRows = rows;
    // Nobody reads the record of received lines here: it would only grow.
    options.recordReceived = false;
    KlvServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "klvserver: cannot start on 127.0.0.1:%u: %s\n", port, qPrintable(server.errorString()));
        return 1;
    }
    std::printf("klvserver listening on 127.0.0.1:%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
