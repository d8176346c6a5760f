#include "platform/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace tolvane::ini {
namespace {

// ---- lines ----

struct Line {
  std::size_t begin;  // first byte of the content
  std::size_t end;    // one past the content, before the line end
  std::size_t next;   // first byte of the following line
};

// The line starting at pos (pos < t.size()).
Line LineAt(const std::string& t, std::size_t pos) {
  const std::size_t e = t.find_first_of("\r\n", pos);
  if (e == std::string::npos) return {pos, t.size(), t.size()};
  std::size_t n = e + 1;
  if (t[e] == '\r' && n < t.size() && t[n] == '\n') ++n;
  return {pos, e, n};
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

void Trim(const std::string& t, std::size_t* b, std::size_t* e) {
  while (*b < *e && IsBlank(t[*b])) ++*b;
  while (*e > *b && IsBlank(t[*e - 1])) --*e;
}

bool EqualNoCase(const std::string& t, std::size_t b, std::size_t e, const std::string& name) {
  if (e - b != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char x = t[b + i], y = name[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A header is a whole line "[name]", blanks allowed around it and the name.
bool IsHeader(const std::string& t, const Line& l, std::size_t* nb, std::size_t* ne) {
  std::size_t b = l.begin, e = l.end;
  Trim(t, &b, &e);
  if (e - b < 2 || t[b] != '[' || t[e - 1] != ']') return false;
  *nb = b + 1;
  *ne = e - 1;
  Trim(t, nb, ne);
  return true;
}

bool IsNonBlank(const std::string& t, const Line& l) {
  std::size_t b = l.begin, e = l.end;
  Trim(t, &b, &e);
  return b < e;
}

struct Found {
  bool hasKey = false;
  std::size_t valueBegin = 0, valueEnd = 0;
  bool hasSection = false;
  Line sectionLast{};  // last non-blank line of the first matching section
};

Found Scan(const std::string& t, const std::string& section, const std::string& key) {
  Found f;
  bool inSection = false, inFirst = false;
  for (std::size_t pos = t.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; pos < t.size();) {
    const Line l = LineAt(t, pos);
    pos = l.next;
    std::size_t nb, ne;
    if (IsHeader(t, l, &nb, &ne)) {
      inSection = EqualNoCase(t, nb, ne, section);
      inFirst = inSection && !f.hasSection;
      if (inFirst) {
        f.hasSection = true;
        f.sectionLast = l;
      }
      continue;
    }
    if (!inSection) continue;
    if (inFirst && IsNonBlank(t, l)) f.sectionLast = l;
    const void* at = std::memchr(t.data() + l.begin, '=', l.end - l.begin);
    if (!at) continue;
    const std::size_t eq = static_cast<std::size_t>(static_cast<const char*>(at) - t.data());
    std::size_t kb = l.begin, ke = eq;
    Trim(t, &kb, &ke);
    if (!EqualNoCase(t, kb, ke, key)) continue;
    std::size_t vb = eq + 1, ve = l.end;
    Trim(t, &vb, &ve);
    if (vb == ve) vb = ve = eq + 1;
    f.hasKey = true;
    f.valueBegin = vb;
    f.valueEnd = ve;
    break;
  }
  return f;
}

std::string LineEnd(const std::string& t) {
  const std::size_t e = t.find_first_of("\r\n");
  if (e == std::string::npos) return "\n";
  if (t[e] == '\r') return e + 1 < t.size() && t[e + 1] == '\n' ? "\r\n" : "\r";
  return "\n";
}

// ---- files ----

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

void MakeDirs(const std::string& dir) {
  for (std::size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
    const std::string part = dir.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
    if (at == std::string::npos) return;
  }
}

// Six letters of both cases after a prefix, as the writers make them.
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
// name nobody gives a copy of their own. Earlier versions wrote config.ini and
// the profile through "<name>." and six such letters; for those two files only,
// such names are theirs too. A user's "settings.ini.Backup" elsewhere stays.
constexpr const char* kTemporaryMark = ".tlv-";
bool IsTemporaryName(const std::string& name, const std::string& base) {
  if (name.compare(0, base.size(), base) != 0) return false;
  const std::string mark = kTemporaryMark;
  if (name.compare(base.size(), mark.size(), mark) == 0 && IsSixMixedLetters(name, base.size() + mark.size()))
    return true;
  const bool earlierWriter = base == "config.ini" || base == "tolvane.ini";
  return earlierWriter && name.size() > base.size() && name[base.size()] == '.' &&
         IsSixMixedLetters(name, base.size() + 1);
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
// their process: nothing here can be left stale or make us wait.
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
    const int fd = openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, now;
    if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dirfd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == held.st_ino &&
        now.st_dev == held.st_dev) {
      unlinkat(dirfd, name.c_str(), 0);
    }
    close(fd);
  }
}

// A new temporary, locked and still linked under its name.
int CreateTemporary(int dirfd, const std::string& base, mode_t mode, std::string* name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = TemporaryName(base);
    const int fd = openat(dirfd, name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    struct stat st;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    close(fd);  // another writer's clean-up took it before we locked it
  }
  return -1;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> FindValue(const std::string& text, const std::string& section, const std::string& key) {
  const Found f = Scan(text, section, key);
  if (!f.hasKey) return std::nullopt;
  return text.substr(f.valueBegin, f.valueEnd - f.valueBegin);
}

std::string SetValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value) {
  const Found f = Scan(text, section, key);
  if (f.hasKey) return text.substr(0, f.valueBegin) + value + text.substr(f.valueEnd);
  const std::string entry = key + "=" + value;
  if (f.hasSection) {
    const Line& l = f.sectionLast;
    if (l.next > l.end)
      return text.substr(0, l.next) + entry + text.substr(l.end, l.next - l.end) + text.substr(l.next);
    return text + LineEnd(text) + entry;  // the section's last line ends the file
  }
  const std::string eol = LineEnd(text);
  std::string out = text;
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
  return out + "[" + section + "]" + eol + entry + eol;
}

FileText ReadFile(const std::string& path, std::size_t maxBytes) {
  FileText r;
  struct stat st;
  // Looked at before it is opened: opening a FIFO or a device can block or act.
  if (stat(path.c_str(), &st) != 0) {
    r.state = errno == ENOENT || errno == ENOTDIR ? FileState::kAbsent : FileState::kUnusable;
    return r;
  }
  r.state = FileState::kUnusable;
  r.tooLarge = S_ISREG(st.st_mode) && st.st_size > static_cast<off_t>(maxBytes);
  if (!S_ISREG(st.st_mode) || r.tooLarge) return r;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return r;
  if (!ReadOpen(fd, maxBytes, &r)) r = FileText{FileState::kUnusable, {}, r.tooLarge};
  close(fd);
  return r;
}

bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit, bool makeDirs) {
  std::string target = path;
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      // Replace the file the link names and keep the link; a dangling link is left alone.
      char* real = realpath(path.c_str(), nullptr);
      if (!real) return false;
      target = real;
      std::free(real);
    }
  } else if (errno != ENOENT) {
    return false;
  } else if (makeDirs) {
    MakeDirs(SplitPath(target).first);
  }
  const FileText current = ReadFile(target);
  if (current.state == FileState::kUnusable) return false;
  mode_t mode = 0666;  // a new file: the process's umask applies
  if (current.state == FileState::kRead) {
    // A file made read-only stays as it is, although the folder would allow the rename.
    if (stat(target.c_str(), &st) != 0 || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
    mode = st.st_mode & 07777;
  }
  const std::string next = edit(current.bytes);
  if (next.size() > kMaxFileBytes) return false;

  const auto [dir, base] = SplitPath(target);
  const int dirfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd < 0) return false;
  RemoveLeftovers(dirfd, base);
  if (current.state == FileState::kRead && next == current.bytes) {
    close(dirfd);
    return true;
  }
  std::string temp;
  const int fd = CreateTemporary(dirfd, base, current.state == FileState::kRead ? 0600 : mode, &temp);
  bool ok = fd >= 0;
  if (ok) {
    // Renamed while still open: closing drops the lock that marks it as ours.
    ok = (current.state != FileState::kRead || fchmod(fd, mode) == 0) && WriteAll(fd, next) && fsync(fd) == 0 &&
         renameat(dirfd, temp.c_str(), dirfd, base.c_str()) == 0;
    if (!ok) unlinkat(dirfd, temp.c_str(), 0);
    close(fd);
  }
  if (ok) fsync(dirfd);
  close(dirfd);
  return ok;
}

}  // namespace tolvane::ini
