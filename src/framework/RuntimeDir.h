#pragma once
#include <string>

// The per-user folder for the program's runtime files (the single-instance lock and
// its socket, the trace socket): "$XDG_RUNTIME_DIR/tolvan" when XDG_RUNTIME_DIR is set,
// else "<TMPDIR or /tmp>/tolvan-<uid>". Created with mode 0700 when missing. Empty when
// no safe folder can be had: the name is a symbolic link or not a folder, belongs to
// another user, or cannot be made.
std::string UserRuntimeDir();

// Makes `dir` a private folder of this user: creates it with mode 0700 when missing,
// takes the group and other bits off a folder of ours, and refuses (false) a link, a
// non-folder or a folder of another user. Never follows a link at `dir` itself.
bool EnsurePrivateDir(const std::string& dir);
