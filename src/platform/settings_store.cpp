#include "platform/settings_store.h"

#include "platform/ini_file.h"

namespace tolvane {
namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
unsigned HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// An escaped character is a UTF-16 unit; the file's own bytes are UTF-8.
void AppendUnit(std::string* s, unsigned v) {
  v &= 0xFFFF;
  if (v < 0x80) {
    *s += static_cast<char>(v);
  } else if (v < 0x800) {
    *s += static_cast<char>(0xC0 | (v >> 6));
    *s += static_cast<char>(0x80 | (v & 0x3F));
  } else {
    *s += static_cast<char>(0xE0 | (v >> 12));
    *s += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    *s += static_cast<char>(0x80 | (v & 0x3F));
  }
}

std::string Unmark(std::string item) {
  if (item.compare(0, 2, "@@") == 0) item.erase(0, 1);
  return item;
}

}  // namespace

std::string DefaultProfilePath() { return UserConfigFolder() + "/tolvane.ini"; }

std::string DecodeProfileValue(const std::string& raw) {
  std::vector<std::string> items;
  std::string cur;
  bool list = false, inQuotes = false, quoted = false;
  std::size_t i = 0, chopLimit = 0;
  const std::size_t n = raw.size();
  auto skipSpaces = [&] {
    while (i < n && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    chopLimit = cur.size();
  };
  auto chop = [&] {
    while (cur.size() > chopLimit && (cur.back() == ' ' || cur.back() == '\t')) cur.pop_back();
  };
  skipSpaces();
  while (i < n) {
    const char c = raw[i++];
    if (c == '\\') {
      if (i >= n) break;
      const char e = raw[i++];
      static const char kCodes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                       {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
      bool simple = false;
      for (const auto& code : kCodes) {
        if (e == code[0]) {
          cur += code[1];
          simple = true;
        }
      }
      if (!simple && e == 'x' && i < n && IsHex(raw[i])) {
        unsigned v = 0;
        while (i < n && IsHex(raw[i])) v = ((v << 4) | HexValue(raw[i++])) & 0xFFFF;
        AppendUnit(&cur, v);
      } else if (!simple && e >= '0' && e <= '7') {
        unsigned v = static_cast<unsigned>(e - '0');
        while (i < n && raw[i] >= '0' && raw[i] <= '7') v = ((v << 3) | static_cast<unsigned>(raw[i++] - '0')) & 0xFFFF;
        AppendUnit(&cur, v);
      }  // any other escaped character is dropped
      chopLimit = cur.size();
    } else if (c == '"') {
      quoted = true;
      inQuotes = !inQuotes;
      if (!inQuotes) skipSpaces();
    } else if (c == ',' && !inQuotes) {
      if (!quoted) chop();
      list = true;
      items.push_back(Unmark(cur));
      cur.clear();
      quoted = false;
      skipSpaces();
    } else if (c == ';' && !inQuotes) {
      break;  // the rest of the line is a comment
    } else {
      cur += c;
    }
  }
  if (!quoted) chop();
  if (!list) return Unmark(cur);
  items.push_back(Unmark(cur));
  std::string joined;
  for (std::size_t k = 0; k < items.size(); ++k) joined += (k ? ", " : "") + items[k];
  return joined;
}

std::string EncodeProfileValue(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  auto hex = [](std::string* out, unsigned char ch) {
    *out += "\\x";
    if (ch >= 16) *out += kHex[ch >> 4];
    *out += kHex[ch & 15];
  };
  std::string s = text;
  if (!s.empty() && s[0] == '@') s = std::string(1, '@').append(text);
  std::string out;
  bool needsQuotes = false, escapeNextIfHex = false;
  for (const char c : s) {
    const auto ch = static_cast<unsigned char>(c);
    if (c == ';' || c == ',' || c == '=') needsQuotes = true;
    if (escapeNextIfHex && IsHex(c)) {  // it would read as part of the escape before it
      hex(&out, ch);
      continue;
    }
    escapeNextIfHex = false;
    switch (c) {
      case '\0':
        out += "\\0";
        escapeNextIfHex = true;
        break;
      case '\a':
        out += "\\a";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\v':
        out += "\\v";
        break;
      case '"':
      case '\\':
        out += '\\';
        out += c;
        break;
      default:
        if (ch <= 0x1F) {
          hex(&out, ch);
          escapeNextIfHex = true;
        } else {
          out += c;
        }
    }
  }
  if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
  return out;
}

IniProfileStore::IniProfileStore(const std::string& path) : path_(path) {}

std::string IniProfileStore::Read(const std::string& section, const std::string& key) {
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    if (it->section == section && it->key == key) return it->value;
  }
  if (!text_) {
    ini::FileText file = ini::ReadFile(path_);
    text_ = file.state == ini::FileState::kRead ? std::move(file.bytes) : std::string();
  }
  const std::optional<std::string> stored = ini::FindValue(*text_, section, key);
  return stored ? DecodeProfileValue(*stored) : std::string();
}

void IniProfileStore::Write(const std::string& section, const std::string& key, const std::string& value) {
  pending_.push_back({section, key, value});
}

bool IniProfileStore::Commit() {
  if (pending_.empty()) return true;
  const std::vector<Entry> edits = std::move(pending_);
  pending_.clear();
  text_.reset();
  return ini::RewriteFile(
      path_,
      [&](const std::string& text) {
        std::string out = text;
        for (const Entry& e : edits) out = ini::SetValue(out, e.section, e.key, EncodeProfileValue(e.value));
        return out;
      },
      /*makeDirs=*/true);
}

}  // namespace tolvane
