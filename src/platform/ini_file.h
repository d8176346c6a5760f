// INI files kept as their bytes: config.ini and the per-user profile.
//
// Only regular files of at most kMaxFileBytes are read; anything else at the
// path (a FIFO, a device, a directory, a file we may not read, a huge file)
// counts as absent for reading and is never replaced. A change edits the one
// key's value in place and keeps every other byte, whatever its encoding, and
// the file is replaced through a temporary file and a rename.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace tolvane::ini {

inline constexpr std::size_t kMaxFileBytes = 1 << 20;

enum class FileState {
  kRead,     // a regular file, read whole
  kAbsent,   // nothing there: writing creates it
  kUnusable  // something we must neither read nor replace
};

struct FileText {
  FileState state = FileState::kAbsent;
  std::string bytes;
  bool tooLarge = false;  // unusable because it is a regular file above the cap
};

// maxBytes: a smaller cap for files that are never that large.
FileText ReadFile(const std::string& path, std::size_t maxBytes = kMaxFileBytes);

// The value of the first `key=value` line under a `[section]` header, blanks
// around it removed. Section and key names are compared without letter case;
// lines end with LF, CR LF or CR; a UTF-8 byte order mark is skipped.
std::optional<std::string> FindValue(const std::string& text, const std::string& section, const std::string& key);

// The text with that key set to `value`: the value bytes of the line FindValue
// would read are replaced, or a line is added at the end of the first such
// section, or the section is appended. New lines use the file's own line end.
std::string SetValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value);

// Replaces the file with edit(current bytes): a temporary file beside it (a
// symbolic link is followed to its regular file), flushed to disk, then renamed
// over it, so a reader sees the old or the new file and never half of one.
// Temporaries left by an earlier killed write are removed first. Fails, and
// touches nothing, when the file is unusable or read-only, or the result
// would exceed the size cap. makeDirs creates missing parent folders.
bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit,
                 bool makeDirs = false);

}  // namespace tolvane::ini
