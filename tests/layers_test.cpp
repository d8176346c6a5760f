// Reads every include of src/ against the layer table, so that an include that
// points up or sideways is caught even where the build would let it through
// (a header that happens to be reachable some other way).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
  std::vector<std::string> uses;
  bool qt = false;
  bool win32 = false;  // the Win32 window's layer
};

std::map<std::string, Layer> ReadTable(const fs::path& file) {
  std::map<std::string, Layer> table;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    Layer& layer = table[line.substr(0, colon)];
    std::istringstream rest(line.substr(colon + 1));
    for (std::string word; rest >> word;) {
      if (word == "qt")
        layer.qt = true;
      else if (word == "win32")
        layer.win32 = true;
      else
        layer.uses.push_back(word);
    }
  }
  return table;
}

// The layers a layer may include: itself and all it builds on, directly or not.
std::set<std::string> Reachable(const std::map<std::string, Layer>& table, const std::string& from) {
  std::set<std::string> seen{from};
  std::vector<std::string> open{from};
  while (!open.empty()) {
    const std::string at = open.back();
    open.pop_back();
    auto it = table.find(at);
    if (it == table.end()) continue;
    for (const std::string& next : it->second.uses)
      if (seen.insert(next).second) open.push_back(next);
  }
  return seen;
}

// Every include that breaks the table, as "file: include" lines.
std::vector<std::string> Violations(const fs::path& src) {
  const auto table = ReadTable(src / "layers.txt");
  const std::regex quoted(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")");
  const std::regex qt(R"(^\s*#\s*include\s*<Q)");
  const std::regex windows(R"(^\s*#\s*include\s*<(windows|windowsx|commctrl|shellapi|shlobj|uxtheme)\.h>)",
                           std::regex::icase);
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const fs::path& path = entry.path();
    if (path.extension() != ".h" && path.extension() != ".cpp") continue;
    const std::string layer = path.lexically_relative(src).begin()->string();
    const std::string name = path.lexically_relative(src).string();
    auto it = table.find(layer);
    if (it == table.end()) {
      found.push_back(name + ": folder not in the layer table");
      continue;
    }
    const auto allowed = Reachable(table, layer);
    std::ifstream in(path);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
      if (std::regex_search(line, m, quoted) && !allowed.count(m[1].str())) found.push_back(name + ": " + line);
      if (!it->second.qt && std::regex_search(line, qt)) found.push_back(name + ": " + line + " (no Qt here)");
      // The system's own headers: in the Win32 window's layer, or in a system's own file of link/ or platform/.
      if (!it->second.win32 && !path.filename().string().starts_with("win32_") && std::regex_search(line, windows))
        found.push_back(name + ": " + line + " (no Win32 here)");
    }
  }
  return found;
}

TEST(Layers, EveryIncludePointsDownTheTable) {
  const std::vector<std::string> found = Violations(TOLVANE_SOURCE_DIR "/src");
  std::string all;
  for (const auto& f : found) all += f + "\n";
  EXPECT_TRUE(found.empty()) << all;
}

TEST(Layers, AnUpwardOrSidewaysIncludeIsCaught) {
  // A copy of the table with one file per layer, each breaking a rule once.
  const fs::path dir = fs::temp_directory_path() / ("tolvane-layers-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::copy_file(TOLVANE_SOURCE_DIR "/src/layers.txt", dir / "layers.txt");
  auto write = [&](const std::string& file, const std::string& text) {
    fs::create_directories((dir / file).parent_path());
    std::ofstream(dir / file) << text;
  };
  write("link/up.cpp", "#include \"modbus/modbus_master.h\"\n#include \"core/texts.h\"\n");
  write("models/sideways.h", "#include \"platform/port_list.h\"\n#include \"link/serial_link.h\"\n");
  write("device/qt.cpp", "#include <QString>\n");
  write("ui/fine.cpp", "#include \"core/texts.h\"\n#include <QWidget>\n");
  write("models/win.cpp", "#include <windows.h>\n");
  write("platform/win32_fine.cpp", "#include <windows.h>\n");
  write("winui/fine.cpp", "#include <Windows.h>\n#include \"models/main_model.h\"\n");
  write("winui/qt.cpp", "#include <QWidget>\n");
  std::vector<std::string> found = Violations(dir);
  fs::remove_all(dir);
  std::sort(found.begin(), found.end());
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0], "device/qt.cpp: #include <QString> (no Qt here)");
  EXPECT_EQ(found[1], "link/up.cpp: #include \"modbus/modbus_master.h\"");
  EXPECT_EQ(found[2], "models/sideways.h: #include \"platform/port_list.h\"");
  EXPECT_EQ(found[3], "models/win.cpp: #include <windows.h> (no Win32 here)");
  EXPECT_EQ(found[4], "winui/qt.cpp: #include <QWidget> (no Qt here)");
}

}  // namespace
