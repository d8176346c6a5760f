#include "app/config_ini.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include "app/decimal.h"

namespace tolvane {
namespace {

const QString kSection = "System";
const QString kKey = "LanguageType";

bool IsSectionLine(const QString& line, QString* name) {
  const QString t = line.trimmed();
  if (!t.startsWith('[') || !t.endsWith(']')) return false;
  *name = t.mid(1, t.size() - 2).trimmed();
  return true;
}

bool IsKeyLine(const QString& line, QString* value) {
  const int eq = line.indexOf('=');
  if (eq < 0 || line.left(eq).trimmed().compare(kKey, Qt::CaseInsensitive) != 0) return false;
  *value = line.mid(eq + 1).trimmed();
  return true;
}

}  // namespace

// Read by hand rather than through QSettings: its per-process cache can miss a
// rewrite that keeps the file's size and time stamp.
int ReadLanguageType(const QString& configPath) {
  QFile file(configPath);
  if (!file.open(QIODevice::ReadOnly)) return 1;
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  bool inSection = false;
  for (const QString& line : lines) {
    QString name, value;
    if (IsSectionLine(line, &name)) {
      inSection = name.compare(kSection, Qt::CaseInsensitive) == 0;
    } else if (inSection && IsKeyLine(line, &value)) {
      return DecimalValue(value.toStdString()) & 0xFF;
    }
  }
  return 1;
}

bool WriteLanguageType(const QString& configPath, int language) {
  QStringList lines;
  {
    QFile file(configPath);
    if (file.open(QIODevice::ReadOnly)) lines = QString::fromUtf8(file.readAll()).split('\n');
  }
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  const QString entry = kKey + "=" + QString::number(language);
  int sectionAt = -1;
  bool done = false;
  for (int i = 0; i < lines.size() && !done; ++i) {
    QString name, value;
    if (IsSectionLine(lines[i], &name)) {
      if (sectionAt >= 0) {
        lines.insert(i, entry);  // the section had no key yet
        done = true;
      } else if (name.compare(kSection, Qt::CaseInsensitive) == 0) {
        sectionAt = i;
      }
    } else if (sectionAt >= 0 && IsKeyLine(lines[i], &value)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (sectionAt < 0) lines << "[" + kSection + "]";
    lines << entry;
  }
  // Written to a temporary file and renamed: a failure never leaves half a file.
  QSaveFile out(configPath);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write((lines.join('\n') + '\n').toUtf8());
  return out.commit();
}

}  // namespace tolvane
