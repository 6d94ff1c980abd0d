#include "ChildRun.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Printed by the shell inside the surroundings, just before the program starts there.
const QString startedMark = u"KLV-CHILD-STARTED"_s;

ChildRun::Result run(const QStringList& command, const QProcessEnvironment& env)
{
    ChildRun::Result result;
    const QString unshare = QStandardPaths::findExecutable(u"unshare"_s);
    if (unshare.isEmpty()) {
        result.output = u"unshare is not installed"_s;
        return result;
    }
    QProcess child;
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    all.insert(env);
    child.setProcessEnvironment(all);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(unshare, command);
    if (!child.waitForFinished(240000)) {
        child.kill();
        child.waitForFinished();
        result.output = u"the child did not end within four minutes"_s;
    }
    result.output = QString::fromLocal8Bit(child.readAll()) + result.output;
    result.started = result.output.contains(startedMark);
    result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    return result;
}

} // namespace

namespace ChildRun {

bool privileged()
{
    return ::geteuid() == 0;
}

Result unprivileged(const QStringList& args, const QProcessEnvironment& env)
{
    // User 1000 in a namespace of its own stands for the user who runs the tests: the files
    // the tests made are its own, and it has no privileges over them.
    return run(QStringList{u"--map-user=1000"_s, u"--map-group=1000"_s, u"sh"_s, u"-c"_s,
                           u"echo "_s + startedMark + u"; exec \"$0\" \"$@\""_s,
                           QCoreApplication::applicationFilePath()} +
                   args,
               env);
}

Result onSmallDisk(const QString& folder, int kib, const QStringList& args, const QProcessEnvironment& env)
{
    return run(QStringList{u"-rm"_s, u"sh"_s, u"-c"_s,
                           u"mount -t tmpfs -o size="_s + QString::number(kib) + u"k tmpfs \"$0\" || exit 77; echo "_s +
                               startedMark + u"; exec \"$@\""_s,
                           folder, QCoreApplication::applicationFilePath()} +
                   args,
               env);
}

QStringList currentGoogleTest()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return {u"--gtest_filter="_s + QString::fromUtf8(test->test_suite_name()) + u'.' + QString::fromUtf8(test->name())};
}

} // namespace ChildRun
