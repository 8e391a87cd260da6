#pragma once
// Where the instance lock and the instances' sockets live. A socket's path must fit in the
// socket address (about a hundred bytes); a runtime folder too deep for that would silently give
// up the single-instance rule, so such a folder is replaced by a short private one of this user
// ("quarrow-<uid>" under $TMPDIR, else /tmp). Every instance of the user makes the same choice
// from the same folders, so a later one finds the earlier ones.

#include <string>

namespace quarrow {

// `runtimeDirectory` when the socket of any process of this user fits in it; else the private
// folder, made with mode 0700 when missing and used only when it is a real folder (never a
// symbolic link) owned by this user that nobody else may enter or read. Empty when no such
// folder can be had.
std::string InstanceDirectory(const std::string& runtimeDirectory);

// Whether a socket named "quarrow-<uid>-<pid>" fits in `directory` whatever the process id.
bool InstanceSocketFits(const std::string& directory);

// The private folder for `parent` ("<parent>/quarrow-<uid>"), made or checked as described
// above; empty when it is not safe to use.
std::string PrivateInstanceDirectory(const std::string& parent);

}  // namespace quarrow
