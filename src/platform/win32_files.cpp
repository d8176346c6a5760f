// Stored files on Windows. Paths are UTF-8 with '/' (or '\') separators inside
// the program and become UTF-16 at each call.
#include <windows.h>
// Ours is sysfile::ReplaceFile; the system's is called by its full name.
#undef ReplaceFile

#include <random>
#include <vector>

#include "platform/system_files.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"

namespace tolvane::sysfile {
namespace winapi {
namespace {
ReplaceFunction g_replace = nullptr;
}  // namespace

void SetReplaceFunction(ReplaceFunction replace) { g_replace = replace; }

}  // namespace winapi

namespace {

using win32::Wide;

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (ok()) CloseHandle(h_);
  }
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::pair<std::wstring, std::wstring> SplitPath(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"/\\");
  if (slash == std::wstring::npos) return {L".", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// Our temporaries are the file's name, ".tlv-" and six letters of both cases,
// as on Linux; no other name is ever ours to remove.
bool IsTemporaryName(const std::wstring& name, const std::wstring& base) {
  const std::wstring mark = base + L".tlv-";
  if (name.size() != mark.size() + 6 || name.compare(0, mark.size(), mark) != 0) return false;
  bool lower = false, upper = false;
  for (size_t i = mark.size(); i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (c >= L'a' && c <= L'z') {
      lower = true;
    } else if (c >= L'A' && c <= L'Z') {
      upper = true;
    } else {
      return false;
    }
  }
  return lower && upper;
}

std::wstring TemporaryName(const std::wstring& base) {
  static thread_local std::mt19937 gen{std::random_device{}()};
  std::wstring s = base + L".tlv-";
  for (int i = 0; i < 6; ++i) {
    const unsigned v = gen() % 26;
    // Even places upper case, odd ones lower case: both cases, always.
    s += static_cast<wchar_t>((i % 2 ? L'a' : L'A') + v);
  }
  return s;
}

bool LockWhole(HANDLE h) {
  OVERLAPPED at{};
  return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at);
}

bool MarkForDeletion(HANDLE h) {
  FILE_DISPOSITION_INFO gone{TRUE};
  return SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone);
}

bool DeletePending(HANDLE h) {
  FILE_STANDARD_INFO info{};
  return !GetFileInformationByHandleEx(h, FileStandardInfo, &info, sizeof info) || info.DeletePending;
}

// A writer holds an exclusive LockFileEx lock on its temporary until the file
// has taken its place; the lock goes with its process, so a temporary we can
// lock belongs to a write that died.
void RemoveLeftovers(const std::wstring& dir, const std::wstring& base) {
  WIN32_FIND_DATAW found;
  const HANDLE scan = FindFirstFileW((dir + L"\\" + base + L".tlv-*").c_str(), &found);
  if (scan == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> names;
  do {
    if (IsTemporaryName(found.cFileName, base) && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.emplace_back(found.cFileName);
  } while (FindNextFileW(scan, &found));
  FindClose(scan);
  for (const std::wstring& name : names) {
    const Handle h(CreateFileW((dir + L"\\" + name).c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (h.ok() && LockWhole(h.get())) MarkForDeletion(h.get());
  }
}

// A new temporary in dir, locked and not taken by another writer's clean-up.
HANDLE CreateTemporary(const std::wstring& dir, const std::wstring& base, std::wstring* path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *path = dir + L"\\" + TemporaryName(base);
    const HANDLE h = CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return h;
    }
    if (LockWhole(h) && !DeletePending(h)) return h;
    MarkForDeletion(h);
    CloseHandle(h);
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE h, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = bytes.size() - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size() - done);
    if (!::WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
  }
  return true;
}

// The new bytes over the old, for a file with other names that a replacement
// would leave on the old bytes. A reader may see a mixture meanwhile.
bool WriteInPlace(const std::wstring& path, const std::string& bytes) {
  const Handle h(CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  return h.ok() && WriteAll(h.get(), bytes) && SetEndOfFile(h.get()) && FlushFileBuffers(h.get());
}

// The file a link leads to; the path itself when it is no link.
bool FollowLink(const std::wstring& path, DWORD attributes, std::wstring* target) {
  *target = path;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  const Handle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) return false;  // a dangling link is left alone
  std::wstring final(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
  if (n >= final.size()) {
    final.resize(n + 1);
    n = GetFinalPathNameByHandleW(h.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
  }
  if (n == 0 || n >= final.size()) return false;
  final.resize(n);
  *target = final;
  return true;
}

WriteProblem ProblemOf(DWORD err) {
  switch (err) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return WriteProblem::kNoFolder;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return WriteProblem::kNoPermission;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return WriteProblem::kDiskFull;
    default:
      return WriteProblem::kOther;
  }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A scanner, the search indexer or a sync client may hold the just-closed
// temporary or the file for a moment: such a step is tried again, a few times
// within about a quarter of a second, and then fails with the last error.
template <typename Step>
bool WithRetries(Step step) {
  static constexpr DWORD kPauses[] = {10, 20, 40, 70, 110};
  for (DWORD pause : kPauses) {
    if (step()) return true;
    const DWORD err = GetLastError();
    if (err != ERROR_SHARING_VIOLATION && err != ERROR_ACCESS_DENIED) return false;
    Sleep(pause);
  }
  return step();
}

// The temporary takes the file's place. A failed replacement may have moved
// the file away already (1176: it is gone; 1177: it lives on under another
// name): the temporary then goes where it was, as it holds the only copy of
// the new bytes. The temporary is deleted only while the file is there.
bool PutInPlace(const std::wstring& target, const std::wstring& temp, bool exists) {
  const auto replace = winapi::g_replace ? winapi::g_replace : ::ReplaceFileW;
  const auto move = [&] { return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0; };
  bool ok = exists ? WithRetries([&] {
    return replace(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
  })
                   : WithRetries(move);
  if (ok) return true;
  DWORD err = GetLastError();
  if (exists && (err == ERROR_UNABLE_TO_MOVE_REPLACEMENT || err == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) &&
      !Exists(target)) {
    if (WithRetries(move)) return true;
    err = GetLastError();
  }
  if (Exists(target) || !exists) DeleteFileW(temp.c_str());
  SetLastError(err);
  return false;
}

}  // namespace

FileText ReadFile(const std::string& path, std::size_t maxBytes) {
  FileText r;
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD err = GetLastError();
    r.state = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? FileState::kAbsent : FileState::kUnusable;
    return r;
  }
  r.state = FileState::kUnusable;
  r.notAFile = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (r.notAFile) return r;
  const Handle h(CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  // A name such as COM1 or NUL opens a device, never a file to read.
  LARGE_INTEGER size{};
  r.notAFile = h.ok() && GetFileType(h.get()) != FILE_TYPE_DISK;
  if (!h.ok() || r.notAFile || !GetFileSizeEx(h.get(), &size)) return r;
  if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
    r.tooLarge = true;
    return r;
  }
  std::string bytes;
  char buf[16384];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(h.get(), buf, sizeof buf, &n, nullptr)) return r;
    if (n == 0) break;
    bytes.append(buf, n);
    if (bytes.size() > maxBytes) {  // grew while we read it
      r.tooLarge = true;
      return r;
    }
  }
  r.state = FileState::kRead;
  r.bytes = std::move(bytes);
  return r;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, WriteProblem* problem) {
  const auto fail = [problem](WriteProblem why) {
    if (problem) *problem = why;
    return false;
  };
  if (problem) *problem = WriteProblem::kNone;
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
    return fail(ProblemOf(GetLastError()));  // no folder, no access
  std::wstring target = wide;
  if (exists) {
    if (!FollowLink(wide, attributes, &target)) return fail(WriteProblem::kOther);
    const DWORD real = GetFileAttributesW(target.c_str());
    // A file made read-only stays as it is, although the folder would allow the replacement.
    if (real == INVALID_FILE_ATTRIBUTES) return fail(WriteProblem::kOther);
    if (real & FILE_ATTRIBUTE_DIRECTORY) return fail(WriteProblem::kNotAFile);
    if (real & FILE_ATTRIBUTE_READONLY) return fail(WriteProblem::kNoPermission);
    const Handle file(CreateFileW(target.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.ok() || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info))
      return fail(file.ok() ? WriteProblem::kNotAFile : ProblemOf(GetLastError()));
    if (info.nNumberOfLinks > 1) return WriteInPlace(target, bytes) || fail(ProblemOf(GetLastError()));
  }
  const auto [dir, base] = SplitPath(target);
  RemoveLeftovers(dir, base);
  std::wstring temp;
  const HANDLE h = CreateTemporary(dir, base, &temp);
  if (h == INVALID_HANDLE_VALUE) return fail(ProblemOf(GetLastError()));
  bool ok = WriteAll(h, bytes) && FlushFileBuffers(h);
  DWORD err = ok ? ERROR_SUCCESS : GetLastError();
  if (ok && exists) {
    // ReplaceFileW gives the new bytes the old file's identity (access list,
    // owner, creation time); the flags that hide or mark it go on the temporary
    // first, as not every ReplaceFileW carries them over.
    FILE_BASIC_INFO basic{};
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD old = GetFileAttributesW(target.c_str());
    ok = GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic);
    basic.FileAttributes = (old & kKept) ? old & kKept : FILE_ATTRIBUTE_NORMAL;
    ok = ok && SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
  }
  if (!ok) MarkForDeletion(h);
  // ReplaceFileW wants the temporary to itself, so the lock that marks a live
  // write goes with the handle here. Should another writer's clean-up take the
  // temporary in between, this write fails and that writer's stands.
  CloseHandle(h);
  if (!ok) return fail(ProblemOf(err));
  return PutInPlace(target, temp, exists) || fail(ProblemOf(GetLastError()));
}

WriteProblem CheckReplace(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() != ERROR_FILE_NOT_FOUND) return ProblemOf(GetLastError());
  std::wstring target = wide;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (!FollowLink(wide, attributes, &target)) return WriteProblem::kOther;
    const DWORD real = GetFileAttributesW(target.c_str());
    if (real == INVALID_FILE_ATTRIBUTES) return WriteProblem::kOther;
    if (real & FILE_ATTRIBUTE_DIRECTORY) return WriteProblem::kNotAFile;
    if (real & FILE_ATTRIBUTE_READONLY) return WriteProblem::kNoPermission;
    const Handle file(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.ok()) return ProblemOf(GetLastError());
  }
  // The folder's access list is only known by trying: a temporary of ours that
  // goes as its handle closes.
  const auto [dir, base] = SplitPath(target);
  const DWORD folder = GetFileAttributesW(dir.c_str());
  if (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY)) return WriteProblem::kNoFolder;
  const Handle probe(CreateFileW((dir + L"\\" + TemporaryName(base)).c_str(), GENERIC_WRITE | DELETE, kShareAll,
                                 nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return probe.ok() ? WriteProblem::kNone : ProblemOf(GetLastError());
}

bool MakeFolders(const std::string& path) {
  std::wstring folder = Wide(path);
  while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\')) folder.pop_back();
  if (folder.empty()) return false;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return attributes & FILE_ATTRIBUTE_DIRECTORY;
  const size_t slash = folder.find_last_of(L"/\\");
  // "C:" and a share's root are there or not; nothing above them to make.
  if (slash != std::wstring::npos && slash > 0 && folder[slash - 1] != L':' &&
      !MakeFolders(win32::Utf8(folder.substr(0, slash))))
    return false;
  // A new folder inherits the access list of the folder above it.
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n;
  while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
    path.resize(path.size() * 2);
  path.resize(n);
  const size_t slash = path.find_last_of(L"\\/");
  if (n == 0 || slash == std::wstring::npos) return ".";
  std::string folder = win32::Utf8(path.substr(0, slash));
  for (char& c : folder)
    if (c == '\\') c = '/';
  return folder;
}

// A Windows program keeps its config.ini beside itself wherever it is.
bool IsInstalledLayout(const std::string&) { return false; }

// A folder's read-only flag means nothing on Windows, and its access list is
// only known to be enough once a write has gone through: an existing folder
// counts as writable, and a write that fails there fails silently.
bool FolderWritable(const std::string& folder) {
  const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace tolvane::sysfile
