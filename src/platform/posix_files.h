// The parts of posix_files.cpp that its tests drive directly.
#pragma once
#include <cstdint>

namespace tolvane::sysfile::posix {

// What a replacement through a temporary file and a rename would change about the file.
struct OwnerFacts {
  std::uint32_t fileUid = 0, fileGid = 0;
  std::uint64_t links = 1;                 // names the file has
  std::uint32_t tempUid = 0, tempGid = 0;  // what a new file in its folder gets
  bool privileged = false;                 // the writer may give a file to anyone
  bool inFileGroup = false;                // the writer belongs to the file's group
};

enum class ReplaceWay {
  kRename,            // the temporary already matches the file's owner and group
  kRenameAfterChown,  // give the temporary the file's owner and group first
  kInPlace            // a rename would split links or change the owner: overwrite the file itself
};

ReplaceWay ChooseReplaceWay(const OwnerFacts& f);

// Whether a write may follow a link owned by linkOwner, found in a folder of
// folderOwner with folderMode (its st_mode), for a writer of caller's user id.
// In a sticky folder that others may write, anyone may plant a link with the
// name a user is about to write to; only links of the writer or of the folder's
// owner are followed there, as the system follows them for an open.
bool MayFollowLink(std::uint32_t linkOwner, std::uint32_t folderOwner, std::uint32_t folderMode, std::uint32_t caller);

// The lock that marks a temporary as a live write's: flock unless a test sets
// another (nullptr restores flock). Same contract as flock(2).
using LockFunction = int (*)(int fd, int operation);
void SetLockFunction(LockFunction lock);

}  // namespace tolvane::sysfile::posix
