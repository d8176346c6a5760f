// What a console program needs of the system: its standard streams, Ctrl-C,
// its arguments as UTF-8 and where its executable lies. One file per system.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::console {

// Makes sure the three standard descriptors/handles exist before anything else
// is opened, so that no later open (a serial port!) can take the place of a
// closed stdout or stderr. Call first thing in main.
void PrepareStandardStreams();

// The program's arguments, UTF-8, argv[0] first.
std::vector<std::string> Arguments(int argc, char** argv);

// Ctrl-C (SIGINT / the console's control handler) only sets a flag that the
// program checks before each step; an interrupt the parent told us to ignore
// stays ignored.
void CatchInterrupt();
bool Interrupted();
// Ends the process as an interrupted console program does: on POSIX the
// default SIGINT action is restored and the signal raised again (the calling
// shell sees the signal), on Windows the exit status is 130.
[[noreturn]] void ExitInterrupted();

enum class Stream { kOut, kErr };
bool IsTerminal(Stream stream);
// Writes UTF-8 text; to a console on Windows as UTF-16. False when the bytes
// could not be written.
bool Write(Stream stream, std::string_view utf8);
// Flushes and closes stdout; false when anything written to it was lost.
bool FinishOutput();

// The running executable's full path, UTF-8.
std::string ExecutablePath();

}  // namespace tolvane::console
