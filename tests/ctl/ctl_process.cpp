#include "ctl/ctl_process.h"

#include <cctype>

namespace tolvane::test {

CtlResult RunCtl(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  return CtlProcess(args, env).Finish();
}

namespace {

struct Reader {
  const std::string& s;
  size_t i = 0;
  void Blank() {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  }
  bool Eat(char c) {
    Blank();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool String(std::string* out) {
    if (!Eat('"')) return false;
    while (i < s.size() && s[i] != '"') {
      if (static_cast<unsigned char>(s[i]) < 0x20) return false;
      if (s[i] == '\\') {
        if (++i >= s.size()) return false;
        const char e = s[i];
        if (e == 'u') {
          if (i + 4 >= s.size()) return false;
          *out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));  // ASCII is all the tests meet
          i += 4;
        } else {
          *out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
        ++i;
      } else {
        *out += s[i++];
      }
    }
    return Eat('"');
  }
  Json Value() {
    Json v;
    Blank();
    if (i >= s.size()) return v;
    if (s[i] == '{') {
      ++i;
      if (!Eat('}')) {
        do {
          std::string key;
          if (!String(&key) || !Eat(':')) return {};
          Json m = Value();
          if (!m.valid()) return {};
          v.members.emplace_back(key, m);
        } while (Eat(','));
        if (!Eat('}')) return {};
      }
      v.kind = Json::kObject;
    } else if (s[i] == '[') {
      ++i;
      if (!Eat(']')) {
        do {
          Json m = Value();
          if (!m.valid()) return {};
          v.items.push_back(m);
        } while (Eat(','));
        if (!Eat(']')) return {};
      }
      v.kind = Json::kArray;
    } else if (s[i] == '"') {
      if (!String(&v.text)) return {};
      v.kind = Json::kString;
    } else {
      for (const char* word : {"true", "false", "null"}) {
        if (s.compare(i, std::string(word).size(), word) == 0) {
          v.text = word;
          i += v.text.size();
          v.kind = v.text == "null" ? Json::kNull : Json::kBool;
          return v;
        }
      }
      const size_t start = i;
      if (i < s.size() && s[i] == '-') ++i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i == start || (i == start + 1 && s[start] == '-')) return {};
      v.text = s.substr(start, i - start);
      v.kind = Json::kNumber;
    }
    return v;
  }
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  static const Json missing;
  for (const auto& [k, v] : members)
    if (k == key) return v;
  return missing;
}

std::vector<std::string> Json::Keys() const {
  std::vector<std::string> keys;
  for (const auto& m : members) keys.push_back(m.first);
  return keys;
}

Json ParseJson(const std::string& text) {
  Reader r{text};
  Json v = r.Value();
  r.Blank();
  return r.i == text.size() && (v.kind == Json::kObject || v.kind == Json::kArray) ? v : Json{};
}

}  // namespace tolvane::test
