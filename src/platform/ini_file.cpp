#include "platform/ini_file.h"

#include <cstring>
#include <filesystem>

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

// A header is a line "[name]", blanks allowed around it and the name; whatever
// follows the first "]" is a comment ("[System] ; UI settings").
bool IsHeader(const std::string& t, const Line& l, std::size_t* nb, std::size_t* ne) {
  std::size_t b = l.begin, e = l.end;
  Trim(t, &b, &e);
  if (b == e || t[b] != '[') return false;
  const void* close = std::memchr(t.data() + b + 1, ']', e - b - 1);
  if (!close) return false;
  *nb = b + 1;
  *ne = static_cast<std::size_t>(static_cast<const char*>(close) - t.data());
  Trim(t, nb, ne);
  return true;
}

// Where a value's own text ends: at a ";" outside double quotes, which starts a
// comment, else at the end of the line. A backslash escapes the next character.
std::size_t ValueTextEnd(const std::string& t, std::size_t b, std::size_t e) {
  bool quoted = false;
  for (std::size_t i = b; i < e; ++i) {
    if (t[i] == '\\') {
      ++i;
    } else if (t[i] == '"') {
      quoted = !quoted;
    } else if (t[i] == ';' && !quoted) {
      return i;
    }
  }
  return e;
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
    std::size_t vb = eq + 1, ve = ValueTextEnd(t, eq + 1, l.end);
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

FileText ReadFile(const std::string& path, std::size_t maxBytes) { return sysfile::ReadFile(path, maxBytes); }

bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit, bool makeDirs) {
  const FileText current = ReadFile(path);
  if (current.state == FileState::kUnusable) return false;
  const std::string next = edit(current.bytes);
  if (next.size() > kMaxFileBytes) return false;
  if (current.state == FileState::kRead && next == current.bytes) return true;
  if (current.state == FileState::kAbsent && makeDirs) {
    const std::string folder = std::filesystem::path(path).parent_path().generic_string();
    if (!folder.empty()) sysfile::MakeFolders(folder);
  }
  return sysfile::ReplaceFile(path, next);
}

}  // namespace tolvane::ini
