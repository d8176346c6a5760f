// Hand-edited profiles and config.ini files. Loading never fails; a language
// change alters one line only, in the file's own encoding, and reads back as
// written; a stored profile loads back as stored and leaves the language line
// alone; no temporary file is left behind. UTF-16 cut in the middle of a
// character is no text: it reads as no keys and is never written over.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "core/comm_settings.h"
#include "platform/config_ini.h"
#include "platform/settings_store.h"

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// UTF-16 by its byte order mark, as 16-bit units; any other bytes one unit each.
std::u16string Units(const std::string& bytes, bool utf16, bool bigEndian) {
  std::u16string u;
  if (!utf16) {
    for (unsigned char c : bytes) u.push_back(c);
    return u;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    u.push_back(static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first));
  }
  return u;
}

// The shortest stretch in which the two texts differ: what was taken out may
// not span a line end, and what was put in may only be the key, its section
// and line ends.
bool OnlyOneLineChanged(const std::u16string& before, const std::u16string& after) {
  std::size_t p = 0;
  while (p < before.size() && p < after.size() && before[p] == after[p]) ++p;
  std::size_t s = 0;
  while (s < before.size() - p && s < after.size() - p && before[before.size() - 1 - s] == after[after.size() - 1 - s])
    ++s;
  const std::u16string out = before.substr(p, before.size() - p - s);
  const std::u16string in = after.substr(p, after.size() - p - s);
  return out.find_first_of(u"\r\n") == std::u16string::npos &&
         in.find_first_not_of(u"[System]LanguageType=01\r\n") == std::u16string::npos;
}

std::string Latin1AsUtf8(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int Entries(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) n += std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0;
    closedir(d);
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvane;
  // tmpfs where there is one: every write is flushed to disk.
  static const std::string& dir = *new std::string([] {
    std::string d = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/tolvane-fuzz-") +
                    std::to_string(getpid());
    mkdir(d.c_str(), 0700);
    return d;
  }());  // never destroyed: the clean-up below runs after static destructors
  static const bool cleanUp = std::atexit([] {
                                unlink((dir + "/file.ini").c_str());
                                rmdir(dir.c_str());
                              }) == 0;
  (void)cleanUp;
  const std::string path = dir + "/file.ini";
  const std::string input(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return 0;
    f.write(input.data(), static_cast<std::streamsize>(size));
  }
  {
    IniProfileStore store(path);
    LoadCommSettings(store);
  }
  const bool bigEndian = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
  const bool utf16 = bigEndian || (size >= 2 && data[0] == 0xFF && data[1] == 0xFE);
  if (utf16 && size % 2 != 0) {
    if (!(Comm() == CommSettings{}) || ReadLanguageType(path) != 1) __builtin_trap();
    if (WriteLanguageType(path, 0) || Bytes(path) != input) __builtin_trap();
    Comm().station = 7;
    bool stored = true;
    {
      IniProfileStore store(path);
      stored = StoreCommSettings(store);
    }
    if (stored || Bytes(path) != input || Entries(dir) != 1) __builtin_trap();
    return 0;
  }
  const int before = ReadLanguageType(path);
  if (before < 0 || before > 255) __builtin_trap();

  const int lang = size ? data[0] & 1 : 0;
  if (!WriteLanguageType(path, lang) || ReadLanguageType(path) != lang) __builtin_trap();
  const std::string written = Bytes(path);
  if (utf16 && (written.size() % 2 != 0 || written.compare(0, 2, input, 0, 2) != 0)) __builtin_trap();
  if (!OnlyOneLineChanged(Units(input, utf16, bigEndian), Units(written, utf16, bigEndian))) __builtin_trap();

  // Settings from the input's last bytes, the port name any bytes of its first.
  uint8_t b[9] = {};
  for (size_t i = 0; i < 9 && i < size; ++i) b[i] = data[size - 1 - i];
  CommSettings want;
  want.portName = input.substr(std::min<size_t>(1, size), size ? data[0] >> 3 : 0);
  // A UTF-16 file holds text only: there the name's bytes above 0x7F stand for
  // the characters U+0080 to U+00FF, in UTF-8.
  if (utf16) want.portName = Latin1AsUtf8(want.portName);
  want.station = b[0];
  want.baud = static_cast<uint32_t>(b[1]) | static_cast<uint32_t>(b[2]) << 8 | static_cast<uint32_t>(b[3]) << 16 |
              static_cast<uint32_t>(b[4]) << 24;
  want.dataBits = b[5];
  want.stopBits = b[6];
  want.parity = b[7];
  want.transferMode = b[8];
  Comm() = want;
  {
    IniProfileStore store(path);
    if (!StoreCommSettings(store)) __builtin_trap();
  }
  Comm() = CommSettings{};
  {
    IniProfileStore store(path);
    LoadCommSettings(store);
  }
  if (want.portName.empty()) want.portName = CommSettings{}.portName;  // an empty value keeps the default
  if (!(Comm() == want)) __builtin_trap();
  if (ReadLanguageType(path) != lang) __builtin_trap();
  if (Entries(dir) != 1) __builtin_trap();
  return 0;
}
