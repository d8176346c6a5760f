// Why a file the user asked us to write was not written: the causes a message
// can name, each with a remedy of its own.
#pragma once

namespace tolvane {

enum class WriteProblem {
  kNone,
  kNoFolder,      // the folder it goes into does not exist
  kNoPermission,  // the folder or the file may not be written (a planted link counts here)
  kDiskFull,      // the file system has no room for it
  kTooLarge,      // the file there is larger than any file of ours, so it is not replaced
  kNotAFile,      // what is there is a folder, a device or a pipe
  kOther          // anything else: an input or output error
};

}  // namespace tolvane
