#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs this test program again, as a child, in surroundings a test cannot make inside its
// own process:
// - on a small disk: a file system of its own (tmpfs) mounted on a folder, which fills up, in
//   a mount namespace of the child's own (unshare -rm);
// - without privileges: as an ordinary user in a user namespace of its own (unshare
//   --map-user), who owns the files the tests made, so that a file's permissions hold even
//   when the tests run as root.
// A test usually runs itself again this way: it finds out from the environment it gives the
// child (or from privileged()) whether it is the child, and the parent takes the child's exit
// code. started is false when the surroundings cannot be made here; the test then skips.
namespace ChildRun {

struct Result
{
    bool started = false; // the surroundings were made and the program was started in them
    int exitCode = -1;
    QString output; // standard output and error, for the failure message
};

// True when file permissions do not hold for this process (it runs as root).
bool privileged();

// Runs this program with args and env (added to this process's environment) as an ordinary
// user.
Result unprivileged(const QStringList& args, const QProcessEnvironment& env = {});

// Runs this program with args and env with a file system of kib KiB mounted on folder.
Result onSmallDisk(const QString& folder, int kib, const QStringList& args, const QProcessEnvironment& env = {});

// The arguments that run only the GoogleTest test running now.
QStringList currentGoogleTest();

} // namespace ChildRun
