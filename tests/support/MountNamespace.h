#pragma once

// Tests that mount (a tmpfs, a read-only bind mount, a volume that did not mount) run their test function
// again as a child in a private mount namespace, so nothing they mount is ever seen outside it. As root the
// child gets a mount namespace; otherwise the root of a new user namespace, where the kernel allows one.
// Whether the child can be made, and whether the machine gives what the test mounts, is decided in the
// parent (MachineNeeds.h): the child never skips, and never takes the root of its user namespace for root.

#include "tests/support/MachineNeeds.h"

#include <QString>
#include <QStringList>

namespace TestSupport {

// This process is such a child.
bool InMountNamespace();
// The arguments of unshare that make such a namespace for this user.
QStringList MountNamespaceArguments();
// Runs the present test function (and data row) of this program again as a child in a private mount
// namespace, for at most `boundMs` (stretched under a sanitizer): a storage that spins fails the test instead
// of never ending. Empty when the child passed; else the child's output (a skip in the child fails too).
QString RunInMountNamespace(int boundMs = 60000);
// A tmpfs with the given options mounted on `dir`.
bool MountTmpfs(const QString& dir, const char* options);
// Detaches whatever is mounted on `dir`.
bool Unmount(const QString& dir);
// Where mkfs.ext4 is; empty when it is not installed.
QString Mkfs4Path();
// A fresh ext4 volume of `megabytes` in the image file `image`, mounted by a loop device on `dir`; the loop
// device goes when it is unmounted.
bool MountExt4(const QString& image, const QString& dir, int megabytes);
// Shuts the ext4 volume on `dir` down as the kernel does after disk errors: from then on every call on it,
// reads included, fails with EIO.
bool ShutDownExt4(const QString& dir);

} // namespace TestSupport

// The first line of a test function that mounts: in the parent it skips with the reason when a mount
// namespace, or any other need the arguments name (ENeed, as kNeedExt4Volume), is lacking here, else runs
// the function in the child and ends with the child's verdict; in the child it goes on.
#define IN_MOUNT_NAMESPACE(...)                                                                              \
    do {                                                                                                     \
        if (!TestSupport::InMountNamespace()) {                                                              \
            SKIP_UNLESS_GIVEN(TestSupport::kNeedMountNamespace __VA_OPT__(| __VA_ARGS__),                    \
                              "It mounts in a namespace of its own");                                        \
            const QString failure = TestSupport::RunInMountNamespace();                                      \
            QVERIFY2(failure.isEmpty(), qPrintable(failure));                                                \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
