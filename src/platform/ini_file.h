// INI files kept as their bytes: config.ini and the per-user profile, read by
// the rules of core/ini_text.h.
//
// Only regular files of at most kMaxFileBytes are read; anything else at the
// path (a FIFO, a device, a directory, a file we may not read, a huge file)
// counts as absent for reading and is never replaced. A change edits the one
// key's value in place and keeps every other byte and the file's encoding
// (UTF-8 with or without its mark, UTF-16LE); the file itself is replaced as
// sysfile::ReplaceFile says.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "core/write_problem.h"
#include "platform/system_files.h"

namespace tolvane::ini {

inline constexpr std::size_t kMaxFileBytes = 1 << 20;

using FileState = sysfile::FileState;
using FileText = sysfile::FileText;

// maxBytes: a smaller cap for files that are never that large.
FileText ReadFile(const std::string& path, std::size_t maxBytes = kMaxFileBytes);

// The value (UTF-8) of the first `key=value` line under a `[section]` header of
// a file's bytes; nullopt also for bytes that are no text (UTF-16 of an odd length).
std::optional<std::string> FindValue(const std::string& bytes, const std::string& section, const std::string& key);

// The bytes with that key set to `value` (UTF-8), in the bytes' own encoding: the
// text FindValue would return is replaced (blanks and a comment after it stay), or
// a line is added at the end of the first such section, or the section is
// appended. New lines use the file's own line end.
std::string SetValue(const std::string& bytes, const std::string& section, const std::string& key,
                     const std::string& value);

// Replaces the file with edit(current bytes) through sysfile::ReplaceFile; when
// the edit changes nothing, nothing is written. Fails, and touches nothing, when
// the file is unusable or read-only, holds no text we could give back, or the
// result would exceed the size cap; *problem then says why. makeDirs creates
// missing parent folders (sysfile::MakeFolders).
bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit,
                 bool makeDirs = false, WriteProblem* problem = nullptr);

// Replaces the whole file with bytes (a saved parameter file, say), under the
// same refusals as RewriteFile except that what is there need not be text.
WriteProblem WriteWholeFile(const std::string& path, const std::string& bytes);

// What would stop WriteWholeFile now, found without writing anything: whatever
// asks for the file's contents can first make sure they can be kept.
WriteProblem CheckRewrite(const std::string& path);

}  // namespace tolvane::ini
