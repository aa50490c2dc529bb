#pragma once
// Reads what tests/launch/helper/ArgRecorder wrote about its start.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TestHome.h"

namespace vyk::test {

struct ArgRecord {
  std::string cwd;
  std::string sessionId;
  std::string standardInput;
  std::string extraDescriptors;
  std::vector<std::string> argv;
};

// Points the recorder at `file` for every process started from now on.
inline void RecordStartsTo(const std::filesystem::path& file) {
  SetVariable("VYK_ARG_RECORD", file.string().c_str());
}

// The record, once the started program has written it; nothing when it did
// not appear within a generous limit.
inline std::optional<ArgRecord> ParseArgRecord(const std::string& bytes) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (std::size_t at; (at = bytes.find('\0', from)) != std::string::npos; from = at + 1) {
    fields.push_back(bytes.substr(from, at - from));
  }
  if (fields.size() < 4) return std::nullopt;
  ArgRecord record{fields[0], fields[1], fields[2], fields[3], {}};
  record.argv.assign(fields.begin() + 4, fields.end());
  return record;
}

// The record once it can be read whole. Under Wine a file just renamed into
// place can still refuse a first read: it is read again until the limit.
inline std::optional<ArgRecord> WaitForArgRecord(const std::filesystem::path& file) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    if (std::filesystem::exists(file)) {
      if (std::optional<ArgRecord> record = ParseArgRecord(ReadFile(file))) return record;
    }
    if (std::chrono::steady_clock::now() > limit) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace vyk::test
