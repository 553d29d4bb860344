// The user's private runtime folder and the checks that keep a local socket between the user's own
// processes. Another local user must never be able to stand in for the running program: the folder is the
// user's alone (owner and mode 0700), a socket found there must be the user's, and the process at the other
// end of a connection must run under the user's id.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// $XDG_RUNTIME_DIR when it is set, absolute and a folder of the user's own with mode 0700; otherwise a
// private folder "pictavo-<uid>" of the user's in $TMPDIR (default /tmp), made with mode 0700 when missing.
// None, with the reason in sWhy, when no such folder can be had: a private folder that is a link, not a
// folder, or owned by another user is refused, never used nor changed.
std::optional<std::filesystem::path> ZsGetRuntimeDir(std::string& sWhy);

// True when the path names a folder (not a link to one) owned by the user with no access for others. A
// folder of the user's own with a wider mode is narrowed to 0700 when bFix is set; sWhy says what is wrong.
bool ZsIsPrivateDir(const std::filesystem::path& dir, bool bFix, std::string& sWhy);

// True when nothing exists at the path or it is a socket owned by the user; sWhy says what is there instead.
bool ZsIsOwnSocketPath(const std::filesystem::path& path, std::string& sWhy);

// True when the process at the other end of the connected local socket runs under the user's id; sWhy names
// the other id, or why it could not be told (then the peer is not trusted either).
bool ZsIsOwnPeer(int nSocket, std::string& sWhy);
