#include "KlvSessionCommands.h"

#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvConnection.h"
#include "KlvMessageNumber.h"
#include "KlvOptionTable.h"
#include "KlvServerWorker.h"
#include "KlvSession.h"

#include <QDate>

using namespace Qt::StringLiterals;

namespace {
const QString kServerKlvVersion = u"3.31"_s;

std::optional<int> toInt(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

QString dateText(const QString& mode)
{
    const QDate today = QDate::currentDate();
    if (mode == u"TAV")
        return today.toString(u"dd.MM.yy"_s);
    if (mode == u"SORT")
        return today.toString(u"yyyyMMdd"_s);
    return today.toString(u"dd.MM.yyyy"_s);
}

// The metadata of an option answer: one column per field of its records.
QList<QStringList> optionMetadata(bool named)
{
    if (named) {
        return {{u"NAME"_s, u"OPTION"_s, u"NAME"_s, u"VALUE"_s},
                {u"DESC"_s, u"Option"_s, u"Name"_s, u"Value"_s},
                {u"LENGTH"_s, u"20"_s, u"20"_s, u"255"_s},
                {u"TYPE"_s, u"A20"_s, u"A20"_s, u"A255"_s}};
    }
    return {{u"NAME"_s, u"OPTION"_s, u"VALUE"_s},
            {u"DESC"_s, u"Option"_s, u"Value"_s},
            {u"LENGTH"_s, u"20"_s, u"255"_s},
            {u"TYPE"_s, u"A20"_s, u"A255"_s}};
}
} // namespace

void KlvSessionCommands::addTo(KlvCommandTable& table)
{
    using Access = KlvCommandTable::Access;
    table.add(u"CHM"_s, Access::Always, &changeMandant);
    table.add(u"LGN"_s, Access::Always, &logon);
    table.add(u"END"_s, Access::Always, &end);
    table.add(u"BRQ"_s, Access::Always, &breakRequest);
    table.add(u"TA"_s, Access::LoggedOn, &transaction);
    table.add(u"SET"_s, Access::LoggedOn, &setOption);
    table.add(u"SHO"_s, Access::LoggedOn, &showOption);
    table.add(u"LCK"_s, Access::LoggedOn, &lock);
    table.add(u"XSH"_s, Access::LoggedOn, &shell);
}

void KlvSessionCommands::greeting(KlvAnswer& answer, bool withVersion)
{
    if (withVersion)
        answer.status(u"KLV server %1 ready"_s.arg(kServerKlvVersion), u"VERSION"_s, KlvMessageNumber::Greeting);
    else
        answer.status(u"KLV server ready"_s, u"READY"_s, KlvMessageNumber::Greeting);
}

void KlvSessionCommands::changeMandant(KlvCommandContext& context)
{
    const QString id = context.field(0);
    KlvAnswer& answer = context.answer();
    if (context.session().loggedOn) {
        answer.nak(u"Already logged on; end the session to change the Mandant"_s, KlvMessageNumber::AlreadyLoggedOn);
    } else if (id.isEmpty()) {
        answer.nak(u"No Mandant given"_s, KlvMessageNumber::MissingField);
    } else if (!context.server().directory().mandant(id)) {
        answer.nak(u"Mandant \"%1\" unknown"_s.arg(id), KlvMessageNumber::UnknownMandant);
    } else {
        context.session().mandant = id;
        answer.ack();
    }
}

void KlvSessionCommands::refuseLogon(KlvCommandContext& context, const QString& reason)
{
    context.answer().error(reason, u"LOGON"_s, KlvMessageNumber::LogonRefused);
    context.answer().nak(u"Logon refused"_s, KlvMessageNumber::LogonRefused);
}

void KlvSessionCommands::logon(KlvCommandContext& context)
{
    const QString password = context.field(0);
    const QString mandantId = context.field(1).isEmpty() ? context.session().mandant : context.field(1);
    const QString clientVersion = context.field(2);
    const QString userName = context.field(7);
    KlvUserDirectory& directory = context.server().directory();

    if (mandantId.isEmpty())
        return refuseLogon(context, u"No Mandant given: switch with CHM or name it in the logon"_s);
    if (!directory.mandant(mandantId))
        return refuseLogon(context, u"Mandant \"%1\" unknown"_s.arg(mandantId));
    if (clientVersion.isEmpty())
        return refuseLogon(context, u"Client protocol version missing"_s);

    // A one-time password is spent by the attempt, whether the rest of the logon holds or not.
    const QString oneTimeUser = directory.redeemOneTimePassword(mandantId, password);
    const KlvUserDirectory::User* user = nullptr;
    if (!userName.isEmpty()) {
        user = directory.user(mandantId, userName);
        if (!user)
            return refuseLogon(context, u"User \"%1\" unknown in Mandant %2"_s.arg(userName, mandantId));
        const bool passwordFits = oneTimeUser.isEmpty() ? user->password == password
                                                        : oneTimeUser.compare(user->name, Qt::CaseInsensitive) == 0;
        if (!passwordFits)
            return refuseLogon(context, u"Wrong password for user \"%1\""_s.arg(userName));
    } else {
        user = oneTimeUser.isEmpty() ? directory.userByPassword(mandantId, password)
                                     : directory.user(mandantId, oneTimeUser);
        if (!user)
            return refuseLogon(context, u"Wrong password"_s);
    }

    KlvSession& session = context.session();
    session.loggedOn = true;
    session.mandant = mandantId;
    session.user = user->name;
    session.clientVersion = clientVersion;
    session.applicationName = context.field(4);
    session.station = context.field(5);
    context.answer().ack();
}

void KlvSessionCommands::end(KlvCommandContext& context)
{
    context.answer().line(u"END"_s);
    context.answer().append(KlvAction::close());
}

void KlvSessionCommands::breakRequest(KlvCommandContext&)
{
    // Nothing is running (a running answer is broken as soon as the line arrives), and the
    // client reads no answer to a break: one would be taken for the next request's.
}

void KlvSessionCommands::transaction(KlvCommandContext& context)
{
    const QString action = context.field(0);
    KlvSession& session = context.session();
    KlvAnswer& answer = context.answer();
    if (action == u"START") {
        if (session.transactionOpen)
            return answer.nak(u"A transaction is already open"_s, KlvMessageNumber::TransactionState);
        session.transactionOpen = true;
    } else if (action == u"COMMIT" || action == u"ABORT") {
        if (!session.transactionOpen)
            return answer.nak(u"No transaction open"_s, KlvMessageNumber::TransactionState);
        session.transactionOpen = false;
    } else {
        return answer.nak(u"Unknown transaction action \"%1\""_s.arg(action), KlvMessageNumber::InvalidValue);
    }
    answer.ack();
}

void KlvSessionCommands::setOption(KlvCommandContext& context)
{
    const QString keyword = context.field(0).toUpper();
    KlvSession& session = context.session();
    KlvAnswer& answer = context.answer();

    if (keyword == u"TESTFLAG") {
        const std::optional<int> flag = toInt(context.field(1));
        if (!flag)
            return answer.nak(u"TESTFLAG needs a flag number"_s, KlvMessageNumber::MissingField);
        if (KlvOptionTable::isTrue(context.field(2)))
            session.testFlags.insert(*flag);
        else
            session.testFlags.remove(*flag);
        return answer.ack();
    }

    const KlvOptionTable::Option* option = KlvOptionTable::find(keyword);
    if (!option) {
        QString ignored;
        if (information(context, keyword, &ignored) || keyword == u"MAINTMODE")
            return answer.nak(u"Option %1 cannot be set"_s.arg(keyword), KlvMessageNumber::ReadOnlyOption);
        return answer.nak(u"Unknown option \"%1\""_s.arg(context.field(0)), KlvMessageNumber::UnknownOption);
    }
    const QString value = context.field(1);
    const std::optional<QString> stored = KlvOptionTable::normalise(*option, value);
    if (!stored)
        return answer.nak(u"Value \"%1\" not allowed for option %2"_s.arg(value, option->keyword),
                          KlvMessageNumber::InvalidValue);

    if (option->kind == KlvOptionTable::Kind::User) {
        const KlvUserDirectory::User* user = context.server().directory().user(session.mandant, *stored);
        if (!stored->isEmpty() && !user)
            return answer.nak(u"User \"%1\" unknown in Mandant %2"_s.arg(*stored, session.mandant),
                              KlvMessageNumber::InvalidValue);
        // One target for the next one-time password: the option set last names it.
        session.setOption(u"OTPWUSER"_s, QString());
        session.setOption(u"OTPWWEBUSER"_s, QString());
        session.setOption(option->keyword, user ? user->name : QString());
        return answer.ack();
    }

    session.setOption(option->keyword, *stored);
    answer.ack();
    if (option->keyword == u"CHARSET") {
        // The ACK still goes out in the old character set; everything after it in the new one.
        KlvConnection* connection = &context.connection();
        const bool utf8 = *stored == u"UTF-8";
        answer.append(KlvAction::callback([connection, utf8] { connection->setUtf8(utf8); }));
    }
}

void KlvSessionCommands::showOption(KlvCommandContext& context)
{
    // SHO keyword [name] flag: the name is left out when empty.
    const bool named = context.command().fields.size() >= 3;
    const QString keyword = context.field(0).toUpper();
    const QString name = named ? context.field(1) : QString();
    const bool withMetadata = KlvOptionTable::isTrue(context.field(named ? 2 : 1));
    KlvSession& session = context.session();
    KlvAnswer& answer = context.answer();
    QList<QStringList> records;

    if (keyword.isEmpty()) {
        for (const KlvOptionTable::Option& o : KlvOptionTable::options())
            records.append({o.keyword, session.option(o.keyword)});
    } else if (keyword == u"TESTFLAG") {
        if (named) {
            const std::optional<int> flag = toInt(name);
            if (!flag)
                return answer.nak(u"TESTFLAG needs a flag number"_s, KlvMessageNumber::MissingField);
            records.append({keyword, name, session.testFlags.contains(*flag) ? u"1"_s : u"0"_s});
        } else {
            QList<int> flags = session.testFlags.values();
            std::sort(flags.begin(), flags.end());
            QStringList texts;
            for (int f : flags)
                texts.append(QString::number(f));
            records.append({keyword, texts.join(u',')});
        }
    } else if (const KlvOptionTable::Option* option = KlvOptionTable::find(keyword)) {
        records.append({option->keyword, session.option(option->keyword)});
    } else {
        QString error;
        const std::optional<QString> value = information(context, keyword, &error);
        if (!value) {
            if (!error.isEmpty())
                return answer.nak(error, KlvMessageNumber::InvalidValue);
            return answer.nak(u"Unknown option \"%1\""_s.arg(context.field(0)), KlvMessageNumber::UnknownOption);
        }
        records.append({keyword, *value});
    }
    answer.records(u"SHO"_s, records,
                   withMetadata ? optionMetadata(named && keyword == u"TESTFLAG") : QList<QStringList>());
}

std::optional<QString> KlvSessionCommands::information(KlvCommandContext& context, const QString& keyword,
                                                       QString* error)
{
    KlvSession& session = context.session();
    KlvUserDirectory& directory = context.server().directory();
    const KlvUserDirectory::Mandant* mandant = directory.mandant(session.mandant);
    const KlvUserDirectory::User* user = directory.user(session.mandant, session.user);
    if (!mandant || !user)
        return std::nullopt;

    if (keyword == u"KLVVERSION")
        return kServerKlvVersion;
    if (keyword == u"WEXAVERSION")
        return u"8.2.1"_s;
    if (keyword == u"TAVVERSION")
        return u"6.12"_s;
    if (keyword == u"WEXAVERSNUM")
        return u"80201"_s;
    if (keyword == u"NEWVERSSTR")
        return u"8.3.0"_s;
    if (keyword == u"PWDREF")
        return user->passwordRef;
    if (keyword == u"MANDANT")
        return mandant->name;
    if (keyword == u"MANDNAME")
        return mandant->id;
    if (keyword == u"MANDDIR")
        return mandant->dir;
    if (keyword == u"MANDDIRUNC")
        return u"\\\\erpsrv\\mand\\"_s + mandant->id;
    if (keyword == u"HOMEDIR")
        return user->homeDir;
    if (keyword == u"HOMEDIRUNC")
        return u"\\\\erpsrv\\home\\"_s + user->name;
    if (keyword == u"MAINTMODE")
        return u"0"_s;
    if (keyword == u"SERVERPID")
        return QString::number(20000 + context.connection().id()); // one server process per session
    if (keyword == u"GUIDDESRVNAME")
        return u"WEXAGUI_"_s + mandant->id;
    if (keyword == u"DBCLIENTID")
        return mandant->dbClientId;
    if (keyword == u"OPERATORCODE")
        return user->operatorCode;
    if (keyword == u"LANGCODE")
        return session.option(u"LANG"_s) == u"E" ? u"ENG"_s : u"DEU"_s;
    if (keyword == u"LANGISO")
        return session.option(u"LANG"_s) == u"E" ? u"en-GB"_s : u"de-DE"_s;
    if (keyword == u"ONETIMEPWD") {
        QString target = session.option(u"OTPWWEBUSER"_s);
        if (target.isEmpty())
            target = session.option(u"OTPWUSER"_s);
        if (target.isEmpty())
            target = session.user;
        return directory.issueOneTimePassword(session.mandant, target);
    }
    if (keyword == u"DATE")
        return dateText(session.option(u"DATEMODE"_s));
    if (keyword.startsWith(u"DATE(") && keyword.endsWith(u')')) {
        const QString mode = keyword.mid(5, keyword.size() - 6);
        if (mode.isEmpty())
            return dateText(session.option(u"DATEMODE"_s));
        if (mode != u"TAV" && mode != u"TAV4" && mode != u"SORT") {
            *error = u"Unknown date mode \"%1\""_s.arg(mode);
            return std::nullopt;
        }
        return dateText(mode);
    }
    return std::nullopt;
}

void KlvSessionCommands::lock(KlvCommandContext& context)
{
    static const QStringList kAppLocks = {u"SINGLEUSER"_s, u"INTERRUPT"_s, u"BACKUP"_s, u"READONLY"_s};
    const QString kind = context.field(0);
    const QString name = context.field(1);
    const QString modeWord = context.field(2);
    QString behaviour = context.field(3);
    KlvSession& session = context.session();
    KlvAnswer& answer = context.answer();

    if (kind != u"APP" && kind != u"STRING")
        return answer.nak(u"Unknown lock class \"%1\""_s.arg(kind), KlvMessageNumber::InvalidLock);
    if (kind == u"APP" && !kAppLocks.contains(name))
        return answer.nak(u"Unknown application lock \"%1\""_s.arg(name), KlvMessageNumber::InvalidLock);
    if (name.isEmpty())
        return answer.nak(u"Lock name missing"_s, KlvMessageNumber::InvalidLock);

    KlvServerWorker* server = &context.server();
    KlvConnection* connection = &context.connection();
    const QString key = session.mandant + u'\n' + kind + u'\n' + name;

    if (modeWord == u"UNLOCK") {
        if (!server->locks().unlock(key, connection->id()))
            return answer.nak(u"Lock \"%1\" is not held by this session"_s.arg(name), KlvMessageNumber::InvalidLock);
        answer.ack();
        server->wakeWaiters();
        return;
    }

    KlvLockTable::Holder requester;
    if (modeWord == u"EXCLUSIVE")
        requester.mode = KlvLockTable::Mode::Exclusive;
    else if (modeWord == u"MODIFY")
        requester.mode = KlvLockTable::Mode::Modify;
    else if (modeWord == u"READONLY")
        requester.mode = KlvLockTable::Mode::ReadOnly;
    else
        return answer.nak(u"Unknown lock mode \"%1\""_s.arg(modeWord), KlvMessageNumber::InvalidLock);
    requester.connectionId = connection->id();
    requester.user = session.user;
    requester.station = session.station;

    if (behaviour.isEmpty())
        behaviour = session.option(u"LOCKBEHAVIOR"_s);
    const KlvOptionTable::Option* behaviourOption = KlvOptionTable::find(u"LOCKBEHAVIOR"_s);
    const std::optional<QString> normalised = KlvOptionTable::normalise(*behaviourOption, behaviour);
    if (!normalised)
        return answer.nak(u"Unknown lock behaviour \"%1\""_s.arg(behaviour), KlvMessageNumber::InvalidLock);
    // "WAIT" and "WAIT:0" wait as long as it takes; "WAIT:n" n seconds; "NOWAIT" not at all.
    int timeoutMs = -1;
    if (*normalised == u"NOWAIT")
        timeoutMs = 0;
    else if (normalised->startsWith(u"WAIT:") && normalised->mid(5).toInt() > 0)
        timeoutMs = normalised->mid(5).toInt() * 1000;

    const bool longMessage = KlvOptionTable::isTrue(session.option(u"LONGLOCKMSG"_s));
    const QString tid = context.command().tid;
    auto attempt = [server, connection, key, requester, tid] {
        if (!server->locks().tryLock(key, requester))
            return false;
        KlvAnswer granted = connection->newAnswer(tid);
        granted.ack();
        connection->runNext(granted.take());
        return true;
    };
    auto refuse = [server, connection, key, requester, tid, name, longMessage] {
        // One last try when the time is up: the lock may have gone this very moment.
        KlvLockTable::Holder blocker;
        KlvAnswer refused = connection->newAnswer(tid);
        if (server->locks().tryLock(key, requester, &blocker)) {
            refused.ack();
            connection->runNext(refused.take());
            return;
        }
        const QString text = longMessage
                                 ? u"Lock \"%1\" is held by user %2 at station %3 (session %4)"_s.arg(
                                       name, blocker.user, blocker.station, QString::number(blocker.connectionId))
                                 : u"Lock \"%1\" is held by another session"_s.arg(name);
        refused.nak(text, KlvMessageNumber::Locked);
        connection->runNext(refused.take());
    };
    answer.append(KlvAction::wait(attempt, timeoutMs, refuse));
}

void KlvSessionCommands::shell(KlvCommandContext& context)
{
    // Nothing is run for real: a few commands stand in for a shell, enough to be slow on
    // purpose ("sleep"), to fail ("exit") and to talk ("echo").
    const QString command = context.field(0).trimmed();
    KlvAnswer& answer = context.answer();
    if (command.isEmpty())
        return answer.nak(u"No shell command given"_s, KlvMessageNumber::MissingField);
    const qsizetype blank = command.indexOf(u' ');
    const QString verb = command.left(blank < 0 ? command.size() : blank);
    const QString argument = blank < 0 ? QString() : command.mid(blank + 1).trimmed();

    int exitCode = 0;
    if (verb == u"sleep") {
        const std::optional<int> ms = toInt(argument);
        if (!ms || *ms < 0)
            return answer.nak(u"sleep needs milliseconds"_s, KlvMessageNumber::InvalidValue);
        answer.append(KlvAction::delay(*ms));
    } else if (verb == u"exit") {
        exitCode = toInt(argument).value_or(0);
    } else if (verb == u"echo") {
        if (KlvOptionTable::isTrue(context.session().option(u"SHOWTEXT"_s)))
            answer.status(argument, u"TEXT"_s, 0);
    } else {
        exitCode = 127; // what a shell answers for a command it cannot find
    }
    answer.records(u"XSH"_s, {{QString::number(exitCode)}});
}
