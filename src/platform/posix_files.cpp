#include "platform/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <random>
#include <vector>

#include "platform/system_files.h"

namespace tolvane::sysfile {
namespace posix {

ReplaceWay ChooseReplaceWay(const OwnerFacts& f) {
  if (f.links > 1) return ReplaceWay::kInPlace;  // a rename would leave the other names on the old bytes
  if (f.fileUid == f.tempUid && f.fileGid == f.tempGid) return ReplaceWay::kRename;
  if (f.privileged) return ReplaceWay::kRenameAfterChown;
  // An owner may hand its file to a group it belongs to, never to another user.
  if (f.fileUid == f.tempUid && f.inFileGroup) return ReplaceWay::kRenameAfterChown;
  return ReplaceWay::kInPlace;
}

bool MayFollowLink(std::uint32_t linkOwner, std::uint32_t folderOwner, std::uint32_t folderMode, std::uint32_t caller) {
  const bool guarded = (folderMode & S_ISVTX) != 0 && (folderMode & S_IWOTH) != 0;
  return !guarded || linkOwner == caller || linkOwner == folderOwner;
}

namespace {
LockFunction g_lock = nullptr;
}  // namespace

void SetLockFunction(LockFunction lock) { g_lock = lock; }

}  // namespace posix

namespace {

using posix::ReplaceWay;

int Lock(int fd, int operation) { return posix::g_lock ? posix::g_lock(fd, operation) : flock(fd, operation); }

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {  // errno stays what the failure that brought us here set
    const int err = errno;
    if (fd_ >= 0) close(fd_);
    errno = err;
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool ReadOpen(int fd, std::size_t maxBytes, FileText* out) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size > static_cast<off_t>(maxBytes)) {
    out->tooLarge = true;
    return false;
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
  char buf[16384];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) {  // grew while we read it
      out->tooLarge = true;
      return false;
    }
  }
  out->state = FileState::kRead;
  out->bytes = std::move(bytes);
  return true;
}

std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Six letters of both cases, as TemporaryName makes them.
bool IsSixMixedLetters(const std::string& name, std::size_t from) {
  if (name.size() != from + 6) return false;
  bool lower = false, upper = false;
  for (std::size_t i = from; i < name.size(); ++i) {
    const char c = name[i];
    if (c >= 'a' && c <= 'z') {
      lower = true;
    } else if (c >= 'A' && c <= 'Z') {
      upper = true;
    } else {
      return false;
    }
  }
  return lower && upper;
}

// Our temporaries are the file's name, ".tlv-" and six letters of both cases, a
// name nobody gives a copy of their own. Names of other shapes are never ours to
// remove, whatever an earlier version wrote: "config.ini.Backup" is a user's file.
constexpr const char* kTemporaryMark = ".tlv-";
bool IsTemporaryName(const std::string& name, const std::string& base) {
  const std::string mark = kTemporaryMark;
  return name.compare(0, base.size(), base) == 0 && name.compare(base.size(), mark.size(), mark) == 0 &&
         IsSixMixedLetters(name, base.size() + mark.size());
}

std::string TemporaryName(const std::string& base) {
  static thread_local std::mt19937 gen{std::random_device{}()};
  std::string s = base + kTemporaryMark;
  const std::size_t first = s.size();
  bool lower = false, upper = false;
  for (int i = 0; i < 6; ++i) {
    const unsigned v = gen() % 52;
    s += static_cast<char>(v < 26 ? 'A' + v : 'a' + (v - 26));
    (v < 26 ? upper : lower) = true;
  }
  if (!lower) s[first] = static_cast<char>(s[first] - 'A' + 'a');
  if (!upper) s[first] = static_cast<char>(s[first] - 'a' + 'A');
  return s;
}

// A writer holds an exclusive flock on its temporary until the rename, so a
// temporary we can lock belongs to a write that died. flock locks vanish with
// their process: nothing here can be left stale or make us wait. Where locks are
// not supported, nothing proves a temporary dead, and it stays.
void RemoveLeftovers(int dirfd, const std::string& base) {
  const int scan = dup(dirfd);
  if (scan < 0) return;
  DIR* d = fdopendir(scan);
  if (!d) {
    close(scan);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) {
    if (IsTemporaryName(e->d_name, base)) names.emplace_back(e->d_name);
  }
  closedir(d);
  for (const std::string& name : names) {
    const Fd fd(openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok()) continue;
    struct stat held, now;
    if (fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) && Lock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dirfd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == held.st_ino &&
        now.st_dev == held.st_dev) {
      unlinkat(dirfd, name.c_str(), 0);
    }
  }
}

// A new temporary, locked where the file system has locks, still linked under its name.
int CreateTemporary(int dirfd, const std::string& base, mode_t mode, std::string* name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = TemporaryName(base);
    const int fd = openat(dirfd, name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    if (Lock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
      // Another writer's clean-up took it between our create and our lock.
      unlinkat(dirfd, name->c_str(), 0);
      close(fd);
      continue;
    }  // any other failure: locks are not supported here, and an unlocked temporary is never taken
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    close(fd);  // removed by a clean-up before we locked it
  }
  return -1;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The new bytes over the old: the file's owner, mode, access list and other names
// stay as they are. A reader may see a mixture meanwhile; nothing else keeps them.
bool WriteInPlace(int fd, const std::string& bytes) {
  return WriteAll(fd, bytes) && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && fsync(fd) == 0;
}

std::string Attribute(int fd, const char* name) {
  const ssize_t size = fgetxattr(fd, name, nullptr, 0);
  if (size < 0) return {};
  std::string value(static_cast<std::size_t>(size), '\0');
  const ssize_t n = fgetxattr(fd, name, value.data(), value.size());
  value.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return value;
}

// Every extended attribute we can read (the access list among them) onto the
// temporary; false when one of them cannot be given to it.
bool CopyAttributes(int from, int to) {
  constexpr const char* kAcl = "system.posix_acl_access";
  ssize_t size = flistxattr(from, nullptr, 0);
  if (size < 0) return errno == ENOTSUP || errno == ENOSYS;  // no attributes on this file system
  std::string names(static_cast<std::size_t>(size), '\0');
  size = size ? flistxattr(from, names.data(), names.size()) : 0;
  if (size < 0) return false;
  names.resize(static_cast<std::size_t>(size));
  bool hasAcl = false;
  for (std::size_t at = 0; at < names.size();) {
    std::size_t end = names.find('\0', at);
    if (end == std::string::npos) end = names.size();
    const std::string name = names.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    if (name == kAcl) hasAcl = true;
    errno = 0;
    const std::string value = Attribute(from, name.c_str());
    if (errno != 0) continue;  // not ours to read (a trusted attribute, say)
    if (fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0 && Attribute(to, name.c_str()) != value)
      return false;
  }
  // A folder's default access list gave the temporary one the file does not have.
  if (!hasAcl && fremovexattr(to, kAcl) != 0 && errno != ENODATA && errno != ENOTSUP) return false;
  return true;
}

bool InGroup(gid_t gid) {
  if (getegid() == gid) return true;
  const int n = getgroups(0, nullptr);
  if (n <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(n));
  const int got = getgroups(n, groups.data());
  for (int i = 0; i < got; ++i) {
    if (groups[static_cast<std::size_t>(i)] == gid) return true;
  }
  return false;
}

// The temporary is renamed while still open: closing drops the lock that marks it as ours.
bool RenameInto(int dirfd, int fd, const std::string& temp, const std::string& base, const std::string& bytes) {
  const bool ok = WriteAll(fd, bytes) && fsync(fd) == 0 && renameat(dirfd, temp.c_str(), dirfd, base.c_str()) == 0;
  if (!ok) {
    const int err = errno;
    unlinkat(dirfd, temp.c_str(), 0);
    errno = err;
    return false;
  }
  fsync(dirfd);
  return true;
}

bool CreateNew(int dirfd, const std::string& base, const std::string& bytes) {
  std::string temp;
  const Fd fd(CreateTemporary(dirfd, base, 0666, &temp));  // the umask applies, as to any new file
  if (!fd.ok()) return false;
  struct stat dir;
  // The administrator writing into a user's folder leaves the user a file of their own.
  if (geteuid() == 0 && fstat(dirfd, &dir) == 0) (void)!fchown(fd.get(), dir.st_uid, dir.st_gid);
  return RenameInto(dirfd, fd.get(), temp, base, bytes);
}

bool ReplaceExisting(int dirfd, const std::string& base, const std::string& bytes) {
  const Fd file(openat(dirfd, base.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st;
  if (!file.ok() || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_nlink > 1) return WriteInPlace(file.get(), bytes);
  std::string temp;
  const Fd fd(CreateTemporary(dirfd, base, 0600, &temp));
  struct stat ts;
  if (!fd.ok()) return false;
  if (fstat(fd.get(), &ts) != 0) {
    unlinkat(dirfd, temp.c_str(), 0);
    return false;
  }
  const posix::OwnerFacts facts{st.st_uid, st.st_gid,      st.st_nlink,       ts.st_uid,
                                ts.st_gid, geteuid() == 0, InGroup(st.st_gid)};
  const ReplaceWay way = posix::ChooseReplaceWay(facts);
  // The mode last: a change of owner clears set-id bits, and an access list sets group bits.
  const bool kept = way != ReplaceWay::kInPlace &&
                    (way == ReplaceWay::kRename || fchown(fd.get(), st.st_uid, st.st_gid) == 0) &&
                    CopyAttributes(file.get(), fd.get()) && fchmod(fd.get(), st.st_mode & 07777) == 0;
  if (!kept) {
    unlinkat(dirfd, temp.c_str(), 0);
    return WriteInPlace(file.get(), bytes);
  }
  return RenameInto(dirfd, fd.get(), temp, base, bytes);
}

WriteProblem ProblemOf(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return WriteProblem::kNoFolder;
    case EACCES:
    case EPERM:
    case EROFS:
      return WriteProblem::kNoPermission;
    case ENOSPC:
    case EDQUOT:
      return WriteProblem::kDiskFull;
    default:
      return WriteProblem::kOther;
  }
}

// The file a write to path lands on.
struct Target {
  std::string path;  // links at its end followed
  bool exists = false;
  nlink_t links = 1;
};

// Follows the links at the end of path one by one, as the system would follow
// them for an open: a resolved path handed to open would bypass its refusal to
// follow a planted link, and so would realpath. The folders above are left to
// the system (it opens them). A file that is there must be a regular file we
// may write; a dangling link is left alone.
WriteProblem Resolve(const std::string& path, Target* t) {
  t->path = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    // Missing, also at the end of a link the user made to where the file shall
    // be: created there; a missing folder shows on opening it.
    if (lstat(t->path.c_str(), &st) != 0) return errno == ENOENT ? WriteProblem::kNone : ProblemOf(errno);
    if (!S_ISLNK(st.st_mode)) {
      // A file made read-only stays as it is, although the folder would allow the rename.
      if (!S_ISREG(st.st_mode)) return WriteProblem::kNotAFile;
      if (faccessat(AT_FDCWD, t->path.c_str(), W_OK, AT_EACCESS) != 0) return ProblemOf(errno);
      t->exists = true;
      t->links = st.st_nlink;
      return WriteProblem::kNone;
    }
    const auto [dir, base] = SplitPath(t->path);
    struct stat folder;
    if (stat(dir.c_str(), &folder) != 0) return ProblemOf(errno);
    if (!posix::MayFollowLink(st.st_uid, folder.st_uid, folder.st_mode, geteuid())) return WriteProblem::kNoPermission;
    std::string to(PATH_MAX, '\0');
    const ssize_t n = readlink(t->path.c_str(), to.data(), to.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= to.size()) return WriteProblem::kOther;
    to.resize(static_cast<std::size_t>(n));
    t->path = to.front() == '/' ? to : dir + "/" + to;
  }
  return WriteProblem::kOther;  // a loop of links
}

}  // namespace

FileText ReadFile(const std::string& path, std::size_t maxBytes) {
  FileText r;
  struct stat st;
  // Looked at before it is opened: opening a FIFO or a device can block or act.
  if (stat(path.c_str(), &st) != 0) {
    r.state = errno == ENOENT || errno == ENOTDIR ? FileState::kAbsent : FileState::kUnusable;
    return r;
  }
  r.state = FileState::kUnusable;
  r.notAFile = !S_ISREG(st.st_mode);
  r.tooLarge = S_ISREG(st.st_mode) && st.st_size > static_cast<off_t>(maxBytes);
  if (!S_ISREG(st.st_mode) || r.tooLarge) return r;
  const Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.ok()) return r;
  if (!ReadOpen(fd.get(), maxBytes, &r)) r = FileText{FileState::kUnusable, {}, r.tooLarge};
  return r;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, WriteProblem* problem) {
  if (problem) *problem = WriteProblem::kNone;
  const auto fail = [problem](WriteProblem why) {
    if (problem) *problem = why;
    return false;
  };
  Target t;
  if (const WriteProblem why = Resolve(path, &t); why != WriteProblem::kNone) return fail(why);
  const auto [dir, base] = SplitPath(t.path);
  const Fd dirfd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dirfd.ok()) return fail(errno == ENOENT || errno == ENOTDIR ? WriteProblem::kNoFolder : ProblemOf(errno));
  RemoveLeftovers(dirfd.get(), base);
  errno = 0;
  if (t.exists ? ReplaceExisting(dirfd.get(), base, bytes) : CreateNew(dirfd.get(), base, bytes)) return true;
  return fail(ProblemOf(errno));
}

WriteProblem CheckReplace(const std::string& path) {
  Target t;
  if (const WriteProblem why = Resolve(path, &t); why != WriteProblem::kNone) return why;
  // A file of several names is written in place: its folder need not take a temporary.
  if (t.exists && t.links > 1) return WriteProblem::kNone;
  const auto [dir, base] = SplitPath(t.path);
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) return ProblemOf(errno);
  if (!S_ISDIR(st.st_mode)) return WriteProblem::kNoFolder;
  if (faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return ProblemOf(errno);
  return WriteProblem::kNone;
}

bool MakeFolders(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty()) return false;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (errno != ENOENT) return false;
  const std::size_t slash = folder.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  if (!MakeFolders(parent)) return false;
  if (mkdir(folder.c_str(), 0700) != 0) return errno == EEXIST && stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  // Made by the administrator in a user's folder: the user's, as if they had made it.
  struct stat above;
  if (geteuid() == 0 && stat(parent.c_str(), &above) == 0) {
    const Fd made(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (made.ok()) (void)!fchown(made.get(), above.st_uid, above.st_gid);
  }
  return true;
}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return slash == 0 ? "/" : exe.substr(0, slash);
}

bool IsInstalledLayout(const std::string& exeDir) {
  struct stat st;
  const std::string docs = exeDir + "/" + TOLVANE_DOC_DIR_FROM_BIN;
  return stat(docs.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FolderWritable(const std::string& folder) { return access(folder.c_str(), W_OK) == 0; }

}  // namespace tolvane::sysfile
