// INI files kept as their bytes: config.ini and the per-user profile.
//
// Only regular files of at most kMaxFileBytes are read; anything else at the
// path (a FIFO, a device, a directory, a file we may not read, a huge file)
// counts as absent for reading and is never replaced. A change edits the one
// key's value in place and keeps every other byte, whatever its encoding; the
// file itself is replaced as sysfile::ReplaceFile says.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/system_files.h"

namespace tolvane::ini {

inline constexpr std::size_t kMaxFileBytes = 1 << 20;

using FileState = sysfile::FileState;
using FileText = sysfile::FileText;

// maxBytes: a smaller cap for files that are never that large.
FileText ReadFile(const std::string& path, std::size_t maxBytes = kMaxFileBytes);

// The value of the first `key=value` line under a `[section]` header: its own
// text, which ends at a `;` outside double quotes (a comment follows), blanks
// around it removed. A header is a line whose first non-blank is `[`, the name
// running to the first `]`; whatever follows that is a comment. Section and key
// names are compared without letter case; lines end with LF, CR LF or CR; a
// UTF-8 byte order mark is skipped.
std::optional<std::string> FindValue(const std::string& text, const std::string& section, const std::string& key);

// The text with that key set to `value`: the bytes FindValue would return are
// replaced (blanks and a comment after them stay), or a line is added at the end of the first such
// section, or the section is appended. New lines use the file's own line end.
std::string SetValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value);

// Replaces the file with edit(current bytes) through sysfile::ReplaceFile; when
// the edit changes nothing, nothing is written. Fails, and touches nothing, when
// the file is unusable or read-only, or the result would exceed the size cap.
// makeDirs creates missing parent folders (sysfile::MakeFolders).
bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit,
                 bool makeDirs = false);

}  // namespace tolvane::ini
