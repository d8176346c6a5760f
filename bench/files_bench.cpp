// The stored files at their worst: config.ini at the 1 MiB cap in the shapes
// that cost the reader most, read and rewritten; and a profile store while
// another process holds the old lock file. Every figure should stay far below
// the 100 ms the window's thread may wait.
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "platform/config_ini.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"

namespace {

using namespace tolvane;

QByteArray Filled(const QByteArray& head, const QByteArray& unit) {
  QByteArray out = head;
  while (out.size() + unit.size() <= static_cast<qsizetype>(ini::kMaxFileBytes) - 32) out += unit;
  return out;
}

void BM_ConfigIniAtTheCap(benchmark::State& state, QByteArray text) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write");
  f.write(text);
  f.close();
  int lang = 0;
  for (auto _ : state) {
    if (!WriteLanguageType(path.toStdString(), lang) || ReadLanguageType(path.toStdString()) != lang)
      state.SkipWithError("lost the value");
    lang ^= 1;
  }
}

BENCHMARK_CAPTURE(BM_ConfigIniAtTheCap, empty_lines, Filled("", "\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConfigIniAtTheCap, keys_in_the_section, Filled("[System]\r\n", "Other=1\r\n"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConfigIniAtTheCap, one_long_line, Filled("[System]\n", "x"))->Unit(benchmark::kMillisecond);

void BM_StoreWhileTheLockIsHeld(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/tolvane.ini";
  QLockFile held(path + ".lock");
  if (!held.tryLock(0)) return state.SkipWithError("cannot take the lock");
  for (auto _ : state) {
    Comm().station = static_cast<uint8_t>(Comm().station + 1);
    IniProfileStore store(path.toStdString());
    StoreCommSettings(store);
  }
}
BENCHMARK(BM_StoreWhileTheLockIsHeld)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
