#pragma once

// Another local user for the tests of what such a user may put in a folder the operator chose: run as root
// (as in CI), a forked child takes nobody's user id and makes the entry, so it is that user's own. Elsewhere
// the tests that need it skip.

#include <QString>

#include <sys/types.h>

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

} // namespace OtherUser
