#pragma once

// What a test needs of this machine beyond a plain user's rights (root, a mount namespace, a loop device, a
// FUSE view), decided in one place and before any namespace is entered: a test that lacks one skips with the
// reason. Root here is root of the machine itself; the root of a user namespace that a plain user's test made
// for itself may mount a tmpfs there, but may not mount a loop device, keep a flag of chattr or take another
// user's id, so it never counts as root.

#include <QString>

namespace TestSupport {

enum ENeed : unsigned
{
    // Root of the machine: another user id, chown to it, chattr +i.
    kNeedRoot = 1u << 0,
    // A private mount namespace: root's own, or that of a user namespace where the kernel lets a user make
    // one.
    kNeedMountNamespace = 1u << 1,
    // A fresh ext4 volume on a loop device: root, /dev/loop-control and mkfs.ext4.
    kNeedExt4Volume = 1u << 2,
    // A FUSE view mounted by bindfs: root, /dev/fuse and bindfs.
    kNeedFuse = 1u << 3,
    // No root at all, of the machine or of a user namespace: a folder's mode binds the process (root passes
    // over it).
    kNeedPlainUser = 1u << 4,
};

// This process is root of the machine itself: user id 0 in the machine's first user namespace. The same in a
// test's mount-namespace child as in its parent.
bool MachineRoot();
// Why this machine and user cannot give every need of `needs`, or empty when they can. In a test's
// mount-namespace child a mount namespace is there already.
QString Lacking(unsigned needs);

} // namespace TestSupport

// Skips the present test (or data row) unless this machine and user give every need of `needs`; `what` says
// what the test needs them for, and the skip says it with what is lacking.
#define SKIP_UNLESS_GIVEN(needs, what)                                                                       \
    do {                                                                                                     \
        const QString lacking = TestSupport::Lacking(needs);                                                 \
        if (!lacking.isEmpty())                                                                              \
            QSKIP(qPrintable(QStringLiteral(what) + QStringLiteral(": ") + lacking));                        \
    } while (false)
