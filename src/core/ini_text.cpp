#include "core/ini_text.h"

#include <cstring>

namespace tolvane::ini {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

void AppendUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUnit(std::string* out, char32_t unit, bool bigEndian) {
  const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
  *out += bigEndian ? high : low;
  *out += bigEndian ? low : high;
}

// The code point of the UTF-8 sequence at text[*at], advancing past it; a byte
// that starts no whole sequence is U+FFFD and one byte long. Three-byte forms of
// surrogates are taken as they are: DecodeText makes them for unpaired ones.
char32_t NextCodePoint(std::string_view text, std::size_t* at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b = byte(*at);
  std::size_t length = 0;
  char32_t c = 0, least = 0;
  if (b < 0x80) {
    ++*at;
    return b;
  } else if ((b & 0xE0) == 0xC0) {
    length = 2, c = b & 0x1F, least = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3, c = b & 0x0F, least = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4, c = b & 0x07, least = 0x10000;
  }
  if (length == 0 || *at + length > text.size()) {
    ++*at;
    return 0xFFFD;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(*at + i) & 0xC0) != 0x80) {
      ++*at;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(*at + i) & 0x3F);
  }
  if (c < least || c > 0x10FFFF) {
    ++*at;
    return 0xFFFD;
  }
  *at += length;
  return c;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

void Trim(std::string_view t, std::size_t* b, std::size_t* e) {
  while (*b < *e && IsBlank(t[*b])) ++*b;
  while (*e > *b && IsBlank(t[*e - 1])) --*e;
}

// Where a value's own text ends: at a ";" outside double quotes, else at the end.
std::size_t ValueTextEnd(std::string_view t, std::size_t b, std::size_t e) {
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

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::optional<DecodedText> DecodeText(std::string_view bytes) {
  DecodedText d;
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    d.encoding = TextEncoding::kUtf8WithMark;
    d.text = bytes.substr(kUtf8Mark.size());
    return d;
  }
  const std::string_view mark = bytes.substr(0, 2);
  const bool bigEndian = mark == kUtf16BeMark;
  if (mark != kUtf16LeMark && !bigEndian) {
    d.text = bytes;
    return d;
  }
  if (bytes.size() % 2 != 0) return std::nullopt;
  d.encoding = bigEndian ? TextEncoding::kUtf16Be : TextEncoding::kUtf16Le;
  d.text.reserve(bytes.size());
  const auto unit = [&](std::size_t i) -> char32_t {
    const char32_t first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? first << 8 | second : second << 8 | first;
  };
  for (std::size_t i = kUtf16LeMark.size(); i < bytes.size(); i += 2) {
    const char32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(&d.text, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(&d.text, u);  // an unpaired surrogate too, in its three-byte form
  }
  return d;
}

std::string EncodeText(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8:
      return std::string(text);
    case TextEncoding::kUtf8WithMark:
      return std::string(kUtf8Mark) + std::string(text);
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      break;
  }
  const bool bigEndian = encoding == TextEncoding::kUtf16Be;
  std::string out(bigEndian ? kUtf16BeMark : kUtf16LeMark);
  out.reserve(2 + text.size() * 2);
  for (std::size_t at = 0; at < text.size();) {
    const char32_t c = NextCodePoint(text, &at);
    if (c < 0x10000) {
      AppendUnit(&out, c, bigEndian);
    } else {
      AppendUnit(&out, 0xD800 + ((c - 0x10000) >> 10), bigEndian);
      AppendUnit(&out, 0xDC00 + ((c - 0x10000) & 0x3FF), bigEndian);
    }
  }
  return out;
}

IniLayout ParseIni(std::string_view t) {
  IniLayout layout;
  std::string_view section;
  for (std::size_t pos = 0; pos < t.size();) {
    IniLine l;
    l.begin = pos;
    const std::size_t e = t.find_first_of("\r\n", pos);
    if (e == std::string_view::npos) {
      l.end = l.next = t.size();
    } else {
      l.end = e;
      l.next = e + 1;
      if (t[e] == '\r' && l.next < t.size() && t[l.next] == '\n') ++l.next;
    }
    pos = l.next;
    std::size_t b = l.begin, end = l.end;
    Trim(t, &b, &end);
    l.blank = b == end;
    if (!l.blank && t[b] == '[') {
      const void* close = std::memchr(t.data() + b + 1, ']', end - b - 1);
      if (close) {
        std::size_t nb = b + 1, ne = static_cast<std::size_t>(static_cast<const char*>(close) - t.data());
        Trim(t, &nb, &ne);
        l.kind = IniLine::Kind::kHeader;
        l.name = section = t.substr(nb, ne - nb);
      }
    }
    if (l.kind != IniLine::Kind::kHeader) {
      l.section = section;
      const void* at = l.blank || t[b] == ';' ? nullptr : std::memchr(t.data() + b, '=', end - b);
      if (at) {
        const std::size_t eq = static_cast<std::size_t>(static_cast<const char*>(at) - t.data());
        std::size_t kb = b, ke = eq;
        Trim(t, &kb, &ke);
        std::size_t vb = eq + 1, ve = ValueTextEnd(t, eq + 1, l.end);
        Trim(t, &vb, &ve);
        if (vb == ve) vb = ve = eq + 1;
        l.kind = IniLine::Kind::kEntry;
        l.name = t.substr(kb, ke - kb);
        l.valueBegin = vb;
        l.valueEnd = ve;
      }
    }
    layout.lastLineCut = l.next == l.end && !l.blank;
    layout.lines.push_back(l);
  }
  return layout;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace tolvane::ini
