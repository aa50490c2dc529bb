#pragma once
// Starting the game: the stand-in for the shell's "open" of an executable.
#include <string>
#include <string_view>
#include <vector>

namespace vyk {

// Splits parameter text into arguments the way the game tokenises its own
// command line: characters up to the blank separate, a double quote opens an
// argument that runs to the next double quote (the quotes are dropped, an
// empty pair gives an empty argument, an unclosed quote runs to the end), and
// a quote also ends an unquoted argument.
std::vector<std::string> SplitCommandLine(std::string_view text);

// Starts `file` as a detached process, nothing left to reap. The process
// starts in `workingDirectory` (unchanged when empty) and a relative `file` is
// found from there; no shell and no PATH search. False when the directory
// cannot be entered or the file cannot be executed.
//  - POSIX: its own session, standard streams on /dev/null, `parameters`
//    split by SplitCommandLine into its arguments.
//  - Windows: CreateProcessW with no console of ours and no inherited
//    handles; the command line is the quoted path and `parameters` as they
//    are, since the game reads and splits its own command line.
bool StartProcess(const std::string& file, const std::string& parameters,
                  const std::string& workingDirectory);

}  // namespace vyk
