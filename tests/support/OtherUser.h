#pragma once

// Another local user for the tests of what such a user may put in a folder the operator chose: run as root
// (as in CI), a forked child takes nobody's user id and makes the entry, so it is that user's own. Elsewhere
// the tests that need it skip.

#include <QString>

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace OtherUser {

// Nobody's user id: another user than the program's.
constexpr uid_t kUid = 65534;

// True when a child can take kUid (the test runs as root).
bool Available();
// A folder that kUid may write to, as a shared folder is (mode 1777, as /tmp); the folder above it is
// made passable for kUid.
bool MakeSharedFolder(const QString& path);
// Made by kUid in a child process: a named pipe, a link to `target`, a file holding `bytes`. False when
// the child could not take the user id or make the entry.
bool MakePipe(const QString& path);
bool MakeLink(const QString& target, const QString& path);
bool MakeFile(const QString& path, const QByteArray& bytes);

// Runs `act` in a child process as kUid; true when the child took the user id and `act` said so. Only what
// is safe between fork and exit runs in the child: the threads of the test process are not there.
template <typename Act> bool Do(Act act)
{
    if (!Available())
        return false;
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const gid_t group = kUid;
        const bool as = ::setgroups(0, nullptr) == 0 && ::setresgid(group, group, group) == 0 &&
                        ::setresuid(kUid, kUid, kUid) == 0;
        ::_exit(as && act() ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace OtherUser
