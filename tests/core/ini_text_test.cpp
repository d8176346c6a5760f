// The one INI reader: encodings that come back byte for byte, and what each
// kind of line is taken for.
#include "core/ini_text.h"

#include <gtest/gtest.h>

#include "support/utf16_bytes.h"

namespace tolvane::ini {
namespace {

using test::Utf16;

TEST(IniText, EveryEncodingDecodesToUtf8AndEncodesBackToTheSameBytes) {
  const struct {
    std::string bytes;
    TextEncoding encoding;
    std::string text;
  } cases[] = {
      {"[System]\nLanguageType=0\n", TextEncoding::kUtf8, "[System]\nLanguageType=0\n"},
      {"\xEF\xBB\xBF[A]\r\nk=\xE4\xB8\xAD\r\n", TextEncoding::kUtf8WithMark, "[A]\r\nk=\xE4\xB8\xAD\r\n"},
      {"bad \xFF\xC3 bytes", TextEncoding::kUtf8, "bad \xFF\xC3 bytes"},  // kept as they are
      {Utf16(u"[System]\r\nLanguageType=0\r\n"), TextEncoding::kUtf16Le, "[System]\r\nLanguageType=0\r\n"},
      {Utf16(u"k=\u4E2D\u00E9"), TextEncoding::kUtf16Le, "k=\xE4\xB8\xAD\xC3\xA9"},
      {Utf16(u"k=\U0001F600"), TextEncoding::kUtf16Le, "k=\xF0\x9F\x98\x80"},  // a surrogate pair
      // Unpaired surrogates, a low one first and a high one last: kept to be written back.
      {Utf16(std::u16string(u"a") + char16_t(0xDC01) + u"b" + char16_t(0xD801)), TextEncoding::kUtf16Le,
       "a\xED\xB0\x81"
       "b\xED\xA0\x81"},
      {"\xFF\xFE", TextEncoding::kUtf16Le, ""},
      {Utf16(u"[A]\r\nk=\u4E2D\U0001F600", true), TextEncoding::kUtf16Be, "[A]\r\nk=\xE4\xB8\xAD\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    const std::optional<DecodedText> d = DecodeText(c.bytes);
    ASSERT_TRUE(d) << c.text;
    EXPECT_EQ(d->encoding, c.encoding) << c.text;
    EXPECT_EQ(d->text, c.text);
    EXPECT_EQ(EncodeText(d->text, d->encoding), c.bytes) << c.text;
  }
  for (const char* half : {"\xFF\xFE[\0", "\xFE\xFF\0[\0"})  // half a character: no text to give back
    EXPECT_FALSE(DecodeText(std::string_view(half, 5)));
  // Text added in UTF-8 goes out as UTF-16, an undecodable byte as U+FFFD.
  EXPECT_EQ(EncodeText("k=\xE4\xB8\xAD\xFF", TextEncoding::kUtf16Le), Utf16(u"k=\u4E2D\uFFFD"));
}

TEST(IniText, LinesAreHeadersEntriesOrNothingAndValuesEndAtAComment) {
  const std::string text =
      "top=1\n"
      "  [Network] ; addresses\r\n"
      "; IPAddress=9.9.9.9\n"
      "IPAddress = 10.0.0.1 ; office\r"
      "Name=\"a;b\" ; quoted\n"
      "Esc=a\\;b;c\n"
      "Empty=   ; nothing\n"
      "[Broken\n"
      "\n"
      "no equals sign\n"
      "[ Other ]x\n"
      "Last=end";
  const IniLayout layout = ParseIni(text);
  using K = IniLine::Kind;
  const struct {
    K kind;
    std::string name, section, value;
  } want[] = {
      {K::kEntry, "top", "", "1"},
      {K::kHeader, "Network", "", ""},
      {K::kOther, "", "Network", ""},
      {K::kEntry, "IPAddress", "Network", "10.0.0.1"},
      {K::kEntry, "Name", "Network", "\"a;b\""},
      {K::kEntry, "Esc", "Network", "a\\;b"},
      {K::kEntry, "Empty", "Network", ""},
      {K::kOther, "", "Network", ""},  // "[Broken": no "]", so no header, and no "="
      {K::kOther, "", "Network", ""},
      {K::kOther, "", "Network", ""},
      {K::kHeader, "Other", "", ""},
      {K::kEntry, "Last", "Other", "end"},
  };
  ASSERT_EQ(layout.lines.size(), std::size(want));
  for (std::size_t i = 0; i < layout.lines.size(); ++i) {
    const IniLine& l = layout.lines[i];
    const K kind = want[i].kind;
    EXPECT_EQ(l.kind, kind) << i;
    if (kind == K::kOther) continue;
    EXPECT_EQ(l.name, want[i].name) << i;
    if (kind == K::kEntry) {
      EXPECT_EQ(l.section, want[i].section) << i;
      EXPECT_EQ(l.Value(text), want[i].value) << i;
    }
  }
  EXPECT_TRUE(layout.lastLineCut);
  // An empty value sits right after its "=", where a new one goes.
  const IniLine& empty = layout.lines[6];
  EXPECT_EQ(text[empty.valueBegin - 1], '=');
  for (const char* ends : {"k=1\n", "k=1\r\n   ", "k=1\r", ""}) EXPECT_FALSE(ParseIni(ends).lastLineCut) << ends;
  EXPECT_TRUE(SameName("LanguageType", "languagetype"));
  EXPECT_FALSE(SameName("Language", "LanguageType"));
}

}  // namespace
}  // namespace tolvane::ini
