// What reading and replacing a stored file needs from the operating system, one
// implementation per system (posix_files.cpp, win32_files.cpp). Paths are UTF-8
// text with '/' separators; nothing here names a system type.
#pragma once
#include <cstddef>
#include <string>

#include "core/write_problem.h"

namespace tolvane::sysfile {

enum class FileState {
  kRead,     // a regular file, read whole
  kAbsent,   // nothing there: writing creates it
  kUnusable  // something we must neither read nor replace
};

struct FileText {
  FileState state = FileState::kAbsent;
  std::string bytes;
  bool tooLarge = false;  // unusable because it is a regular file above the cap
  bool notAFile = false;  // unusable because it is a folder, a device or a pipe
};

// Reads a regular file of at most maxBytes (a link is followed). Anything else at
// the path (a FIFO or device, which is never opened in a way that can block, a
// folder, a file we may not read, a larger file) is kUnusable; a missing one kAbsent.
FileText ReadFile(const std::string& path, std::size_t maxBytes);

// Replaces the regular file at path (a link is followed to it) with bytes, or creates
// it when nothing is there. A link is not followed where the system would refuse
// to follow it for us: in a folder others may write that keeps its entries to
// their owners (sticky), one whose owner is neither us nor the folder's. The file keeps its owner, group, mode, access
// list and hard links; a reader sees the old or the new bytes, except where keeping those forces a write in place. A
// new file gets the mode a normal create gives and, when the writer is the administrator, the owner of its folder.
// Fails, touching nothing and leaving no temporary, when the file is not a regular file we may write or the folder is
// missing; *problem then says why. Temporaries of earlier writes that died are removed first.
bool ReplaceFile(const std::string& path, const std::string& bytes, WriteProblem* problem = nullptr);

// What would make ReplaceFile fail now, as far as can be told without writing.
WriteProblem CheckReplace(const std::string& path);

// Creates the folder and any missing folder above it, each owned by the owner of
// the folder above it and private to that owner. True when the folder exists.
bool MakeFolders(const std::string& path);

// The folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

// True when the executable in exeDir is installed (the system's layout for
// programs, with its guides in the documentation folder) rather than run from a
// build tree or a copied folder. An installed program never writes beside itself.
bool IsInstalledLayout(const std::string& exeDir);

// True when this user may create files in the folder.
bool FolderWritable(const std::string& folder);

}  // namespace tolvane::sysfile
