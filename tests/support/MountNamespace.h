#pragma once

// Tests that mount (a tmpfs, a read-only bind mount, a volume that did not mount) run their test function
// again as a child in a private mount namespace, so nothing they mount is ever seen outside it. As root the
// child gets a mount namespace; otherwise the root of a new user namespace, where the kernel allows one.

#include <QString>

namespace TestSupport {

// This process is such a child.
bool InMountNamespace();
// Runs the present test function (and data row) of this program again as a child in a private mount
// namespace, for at most `boundMs` (stretched under a sanitizer): a storage that spins fails the test instead
// of never ending. Empty when the child passed; the reason to skip (starting with "skip: ") when no such
// namespace can be made here; else the child's output.
QString RunInMountNamespace(int boundMs = 60000);
// A tmpfs with the given options mounted on `dir`.
bool MountTmpfs(const QString& dir, const char* options);
// Detaches whatever is mounted on `dir`.
bool Unmount(const QString& dir);
// Why an ext4 volume cannot be made here (no loop device, no mkfs.ext4), or empty when it can: checked in
// the parent, so that the test skips instead of failing in its child.
QString NoExt4Volume();
// A fresh ext4 volume of `megabytes` in the image file `image`, mounted by a loop device on `dir`; the loop
// device goes when it is unmounted.
bool MountExt4(const QString& image, const QString& dir, int megabytes);
// Shuts the ext4 volume on `dir` down as the kernel does after disk errors: from then on every call on it,
// reads included, fails with EIO.
bool ShutDownExt4(const QString& dir);

} // namespace TestSupport

// The first line of a test function that mounts: in the parent it runs the function in the child and ends
// with the child's verdict; in the child it goes on.
#define IN_MOUNT_NAMESPACE()                                                                                 \
    do {                                                                                                     \
        if (!TestSupport::InMountNamespace()) {                                                              \
            const QString failure = TestSupport::RunInMountNamespace();                                      \
            if (failure.startsWith(QStringLiteral("skip: ")))                                                \
                QSKIP(qPrintable(failure));                                                                  \
            QVERIFY2(failure.isEmpty(), qPrintable(failure));                                                \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
