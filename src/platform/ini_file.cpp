#include "platform/ini_file.h"

#include <filesystem>

#include "core/ini_text.h"

namespace tolvane::ini {
namespace {

struct Found {
  const IniLine* entry = nullptr;        // the first matching key
  const IniLine* sectionLast = nullptr;  // the last non-blank line of the first matching section
};

Found Scan(const IniLayout& layout, const std::string& section, const std::string& key) {
  Found f;
  bool inSection = false, inFirst = false;
  for (const IniLine& l : layout.lines) {
    if (l.kind == IniLine::Kind::kHeader) {
      inSection = SameName(l.name, section);
      inFirst = inSection && !f.sectionLast;
      if (inFirst) f.sectionLast = &l;
      continue;
    }
    if (!inSection) continue;
    if (inFirst && !l.blank) f.sectionLast = &l;
    if (l.kind == IniLine::Kind::kEntry && SameName(l.name, key)) {
      f.entry = &l;
      break;
    }
  }
  return f;
}

std::string LineEnd(const std::string& t) {
  const std::size_t e = t.find_first_of("\r\n");
  if (e == std::string::npos) return "\n";
  if (t[e] == '\r') return e + 1 < t.size() && t[e + 1] == '\n' ? "\r\n" : "\r";
  return "\n";
}

std::string SetInText(const std::string& text, const std::string& section, const std::string& key,
                      const std::string& value) {
  const IniLayout layout = ParseIni(text);
  const Found f = Scan(layout, section, key);
  if (f.entry) return text.substr(0, f.entry->valueBegin) + value + text.substr(f.entry->valueEnd);
  const std::string entry = key + "=" + value;
  if (f.sectionLast) {
    const IniLine& l = *f.sectionLast;
    if (l.next > l.end)
      return text.substr(0, l.next) + entry + text.substr(l.end, l.next - l.end) + text.substr(l.next);
    return text + LineEnd(text) + entry;  // the section's last line ends the file
  }
  const std::string eol = LineEnd(text);
  std::string out = text;
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
  return out + "[" + section + "]" + eol + entry + eol;
}

WriteProblem ProblemOfRead(const FileText& current) {
  if (current.state != FileState::kUnusable) return WriteProblem::kNone;
  if (current.notAFile) return WriteProblem::kNotAFile;
  return current.tooLarge ? WriteProblem::kTooLarge : WriteProblem::kOther;
}

bool Failed(WriteProblem why, WriteProblem* problem) {
  if (problem) *problem = why;
  return false;
}

}  // namespace

std::optional<std::string> FindValue(const std::string& bytes, const std::string& section, const std::string& key) {
  const std::optional<DecodedText> decoded = DecodeText(bytes);
  if (!decoded) return std::nullopt;
  const IniLayout layout = ParseIni(decoded->text);
  const Found f = Scan(layout, section, key);
  if (!f.entry) return std::nullopt;
  return std::string(f.entry->Value(decoded->text));
}

std::string SetValue(const std::string& bytes, const std::string& section, const std::string& key,
                     const std::string& value) {
  const std::optional<DecodedText> decoded = DecodeText(bytes);
  if (!decoded) return bytes;  // RewriteFile never gets here with such bytes
  return EncodeText(SetInText(decoded->text, section, key, value), decoded->encoding);
}

FileText ReadFile(const std::string& path, std::size_t maxBytes) { return sysfile::ReadFile(path, maxBytes); }

WriteProblem CheckRewrite(const std::string& path) {
  const WriteProblem read = ProblemOfRead(ReadFile(path));
  return read != WriteProblem::kNone ? read : sysfile::CheckReplace(path);
}

bool RewriteFile(const std::string& path, const std::function<std::string(const std::string&)>& edit, bool makeDirs,
                 WriteProblem* problem) {
  if (problem) *problem = WriteProblem::kNone;
  const FileText current = ReadFile(path);
  if (const WriteProblem read = ProblemOfRead(current); read != WriteProblem::kNone) return Failed(read, problem);
  // Text we could not give back as it was is left alone (UTF-16 cut in the middle of a character).
  if (current.state == FileState::kRead && !DecodeText(current.bytes)) return Failed(WriteProblem::kOther, problem);
  const std::string next = edit(current.bytes);
  if (next.size() > kMaxFileBytes) return Failed(WriteProblem::kOther, problem);
  if (current.state == FileState::kRead && next == current.bytes) return true;
  if (current.state == FileState::kAbsent && makeDirs) {
    const std::string folder = std::filesystem::path(path).parent_path().generic_string();
    if (!folder.empty()) sysfile::MakeFolders(folder);
  }
  WriteProblem why = WriteProblem::kNone;
  if (sysfile::ReplaceFile(path, next, &why)) return true;
  return Failed(why == WriteProblem::kNone ? WriteProblem::kOther : why, problem);
}

WriteProblem WriteWholeFile(const std::string& path, const std::string& bytes) {
  const WriteProblem read = ProblemOfRead(ReadFile(path));
  if (read != WriteProblem::kNone) return read;
  if (bytes.size() > kMaxFileBytes) return WriteProblem::kOther;
  WriteProblem problem = WriteProblem::kNone;
  if (!sysfile::ReplaceFile(path, bytes, &problem) && problem == WriteProblem::kNone) problem = WriteProblem::kOther;
  return problem;
}

}  // namespace tolvane::ini
