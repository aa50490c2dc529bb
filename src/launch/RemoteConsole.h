#pragma once
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "core/AnswerWait.h"

namespace vyk {

class ServerInfo;

inline constexpr std::size_t kMaxRconPasswordLength = 249;
inline constexpr std::size_t kMaxRconCommandLength = 1022;

// The answer made fit for the output edit: every "\xFF\xFF\xFF\xFFprint\n"
// datagram header removed, then every "\n" turned into "\r\r\n".
std::string CleanRconAnswer(const std::string& answer);

// "RUN": stores the password edit's text in the record (memory only), sends
// the command with "RCON :<command> ON <address>" in the status line, and
// returns the cleaned answer for the output edit ("" clears it). Nothing
// happens, and nothing is returned, when the record has no host.
std::optional<std::string> RunRemoteCommand(ServerInfo& server, const std::string& password,
                                            const std::string& command,
                                            std::chrono::milliseconds firstWait = kAnswerWait);

}  // namespace vyk
