#pragma once
#include <string>

namespace kelvora::platform {

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config; "" when neither is known.
std::string UserConfigFolder();

// True when `path` is a folder only this user can reach: a real folder (not a link), owned by
// the user, with no access for group or others. With `create`, a missing folder is made so
// (its parent must exist).
bool IsPrivateFolder(const std::string& path, bool create = false);

// A private folder for the program's endpoints: `runtimeFolder` (the user's $XDG_RUNTIME_DIR)
// when that is private, else "kelvora-<user id>" in `tempFolder`, created when missing. "" when
// neither will do: someone else owns the name, or it is a link or open to others.
std::string PrivateRuntimeFolder(const std::string& runtimeFolder, const std::string& tempFolder);
// The same for this session: $XDG_RUNTIME_DIR, else the system's temporary folder.
std::string PrivateRuntimeFolder();

}  // namespace kelvora::platform
