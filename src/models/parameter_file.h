// Parameter files: one module's settings kept in a text file, to be put into
// the window again (and from there, with the download buttons, into the next
// module). This part works on text only; reading and writing the file itself is
// the window's business.
//
// The file is INI text (core/ini_text.h: UTF-8 or UTF-16LE), format 1:
//   [Tolvane]        Format, Version (of the tool), Saved (ISO 8601 date and time)
//   [Module]         Model, TypeCode, SoftwareVersion, ContractVersion, HardwareVersion
//   [Communication]  Station, ModeCode, BaudRateCode
//   [Shutdown]       StopRegisterAddress, StopOperationCode
//   [Network]        MACAddress, IPAddress, SubnetMask, Gateway
// Section and key names are read without letter case; keys we do not know are
// ignored. Only the writable values are ever loaded, and all of them must be
// there and valid; ModeCode is told, never loaded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "core/texts.h"
#include "core/write_problem.h"
#include "models/main_model.h"

namespace tolvane {

inline constexpr int kParameterFileFormat = 1;
// Far above any file we write; anything larger is not one of ours.
inline constexpr std::size_t kMaxParameterFileBytes = 64 * 1024;

struct ModuleParameters {
  // The module's identity as the window shows it: kept for the reader, never loaded.
  std::string model, typeCode, softwareVersion, contractVersion, hardwareVersion, mac;
  // The writable values: what Load puts into the window. The mode is the one
  // the module talked with when saved: told on loading, never loaded; -1 when
  // a file read names no valid one.
  int station = 1;
  int modeCode = 0;
  int baudCode = 3;
  int stopAddress = 8192;
  int stopCode = 3;
  std::string ip, mask, gateway;
  bool operator==(const ModuleParameters&) const = default;
};

struct ParameterFileStamp {
  std::string version;  // the tool's
  std::string saved;    // ISO 8601 date and time
};

// A catalogue pair with its {name} parts filled in.

std::string ParameterFileText(const ModuleParameters& values, const ParameterFileStamp& stamp);

struct ParameterFileReading {
  std::optional<ModuleParameters> values;  // the writable values, when the whole file is valid
  FilledPair problem;                      // otherwise the first thing wrong with it
};
// The file's bytes, in any encoding the INI reader takes.
ParameterFileReading ReadParameterFile(const std::string& bytes);

// Save: the window's fields as they stand now (taken first). A value that the
// field check or a download would refuse is refused here with that check's
// message, and nothing is to be written (nullopt).
std::optional<ModuleParameters> CollectParameters(MainModel& model);
// Load, with a connected module only: the file's writable values into the
// window, then the loaded message (which names the file's communication mode
// when it is not the module's); or the one problem (no connection, something
// wrong in the file) shown and the window left exactly as it was.
bool LoadParameters(MainModel& model, const std::string& text);
// A file name to propose for saving these values, e.g. "KX-130_station1.ini".
std::string ProposedParameterFileName(const ModuleParameters& values);

// The chosen file name with ".ini" added when its last part has no suffix.
std::string WithParameterSuffix(const std::string& path);
// The Saved stamp: local time with its offset from UTC, "2026-03-04T10:20:30+01:00"
// ("Z" for an offset of 0).
std::string SavedStamp(int64_t epochSeconds);

// The file as Save and Load reach it; each window hands in its platform's.
struct ParameterFileAccess {
  std::function<bool(const std::string& path)> exists;
  // Replaces the whole file with bytes, or leaves it as it was and says why.
  std::function<WriteProblem(const std::string& path, const std::string& bytes)> replace;
  // The bytes of a regular file of at most kMaxParameterFileBytes; nullopt for
  // anything else, with *tooLarge when its size was the reason.
  std::function<std::optional<std::string>(const std::string& path, bool* tooLarge)> read;
};

// The message for a parameter file that could not be written, naming its cause.
FilledPair ParameterSaveFailure(WriteProblem problem, const std::string& path);

// Save once the user has named a file (paths are UTF-8, shown as given): the
// suffix added, an existing file replaced only when the user agrees, the
// outcome told. Returns the path written; empty when nothing was.
std::string SaveParameterFile(MainModel& model, const ModuleParameters& values, const std::string& chosen,
                              const ParameterFileStamp& stamp, const ParameterFileAccess& files);
// Load once the user has picked a file: a file that cannot be read is refused
// with its message, else LoadParameters.
bool LoadParameterFile(MainModel& model, const std::string& path, const ParameterFileAccess& files);

}  // namespace tolvane
