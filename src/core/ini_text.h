// INI text as every file of ours is read: config.ini, the per-user profile and
// parameter files. One set of rules for all of them:
//  - The bytes are UTF-8, with or without its byte order mark, or UTF-16 with
//    its byte order mark (what Windows editors call "Unicode", little-endian,
//    or "Unicode big endian").
//  - Lines end with LF, CR LF or CR.
//  - A header is a line whose first non-blank is `[`, the name running to the
//    first `]`; whatever follows that is a comment ("[System] ; UI settings").
//  - A line whose first non-blank is `;` is a comment.
//  - Any other line with a `=` is `key=value`; the value's own text ends at a
//    `;` outside double quotes (a comment follows), a backslash escaping the
//    next character. Blanks around names and values are not theirs.
//  - Section and key names are compared without letter case (ASCII only).
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::ini {

enum class TextEncoding {
  kUtf8,          // no byte order mark (bytes that are not UTF-8 are kept as they are)
  kUtf8WithMark,  // EF BB BF first
  kUtf16Le,       // FF FE first
  kUtf16Be        // FE FF first
};

struct DecodedText {
  // UTF-8 without the mark. An unpaired UTF-16 surrogate is kept in its three-byte
  // form, so that encoding the text again gives back every byte it came from.
  std::string text;
  TextEncoding encoding = TextEncoding::kUtf8;
};

// nullopt for UTF-16 text of an odd number of bytes: there is no text to keep.
std::optional<DecodedText> DecodeText(std::string_view bytes);
// The text in that encoding, its byte order mark first.
std::string EncodeText(std::string_view text, TextEncoding encoding);

// One line of decoded text, as positions into it.
struct IniLine {
  enum class Kind { kOther, kHeader, kEntry };  // other: blank, comment, or no `=`
  Kind kind = Kind::kOther;
  std::size_t begin = 0, end = 0, next = 0;  // the content, its end before the line end, the next line
  std::string_view name;                     // a header's section name, an entry's key
  std::string_view section;                  // the section an entry or other line is in ("" before any)
  std::size_t valueBegin = 0, valueEnd = 0;  // an entry's value; both just after the `=` when it is empty
  bool blank = true;                         // nothing but blanks on the line
  std::string_view Value(std::string_view text) const { return text.substr(valueBegin, valueEnd - valueBegin); }
};

struct IniLayout {
  std::vector<IniLine> lines;
  bool lastLineCut = false;  // the last line has text but no line end
};

// The lines of decoded text (see DecodeText).
IniLayout ParseIni(std::string_view text);

// Names as the rules compare them: ASCII letters without case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace tolvane::ini
