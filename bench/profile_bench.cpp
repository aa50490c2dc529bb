// Reads of a large cache.srv through ProfileFile (parsed copy reused while the
// file is unchanged) against a reader that parses the file again for every
// read, as sorting the server list by launch count would otherwise do.
// Works in a temporary program directory; never touches the user's files.
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "BenchHome.h"
#include "core/ServerCache.h"
#include "platform/ProfileFile.h"

namespace {

constexpr int kSections = 10000;

std::string SectionName(int n) {
  return std::to_string(10 + n / 65536) + "." + std::to_string((n / 256) % 256) + "." +
         std::to_string(n % 256) + ".1:27960";
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The plain way: open, read and scan the whole file for every value.
std::optional<std::string> ReparseRead(const std::string& path, std::string_view section,
                                       std::string_view key) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream all;
  all << in.rdbuf();
  const std::string bytes = all.str();
  bool inSection = false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    if (nl == std::string::npos) nl = bytes.size();
    std::string_view line = Trim(std::string_view(bytes).substr(pos, nl - pos));
    pos = nl + 1;
    if (!line.empty() && line.front() == '[') {
      if (inSection) return std::nullopt;
      auto close = line.find(']');
      inSection = EqualsNoCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    auto eq = line.find('=');
    if (eq != std::string_view::npos && EqualsNoCase(Trim(line.substr(0, eq)), key))
      return std::string(Trim(line.substr(eq + 1)).substr(0, 259));
  }
  return std::nullopt;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void WriteCache(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  for (int n = 0; n < kSections; ++n)
    out << "[" << SectionName(n) << "]\r\nname=^1Server ^7number " << n
        << "\r\nconnectCount=" << n % 17 << "\r\nfavorite=" << (n % 5 == 0) << "\r\n";
}

// Random sections to read, one sequence over every phase, and the sum of what the
// reads gave.
struct Reads {
  std::mt19937 random{7};
  std::uniform_int_distribution<int> pick{0, kSections - 1};
  long checksum = 0;

  std::string AnySection() { return SectionName(pick(random)); }
  void Count(const std::optional<std::string>& v) {
    checksum += v ? static_cast<long>(v->size()) : -1;
  }
};

constexpr const char* kKeys[] = {"name", "connectCount", "favorite"};

// Cached reads: each still stats the file to notice changes.
double CachedReadsPerSecond(const std::string& path, Reads& reads) {
  vyk::ProfileFile::DropCache();
  vyk::ProfileFile::Read(path, SectionName(0), "name");  // first parse
  const int cachedReads = 300000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < cachedReads; ++i)
    reads.Count(vyk::ProfileFile::Read(path, reads.AnySection(), kKeys[i % 3]));
  return cachedReads / Seconds(start);
}

double ReparseReadsPerSecond(const std::string& path, Reads& reads) {
  const int reparseReads = 300;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < reparseReads; ++i)
    reads.Count(ReparseRead(path, reads.AnySection(), kKeys[i % 3]));
  return reparseReads / Seconds(start);
}

// The whole road of a list sort: program directory, path and read.
double CacheCallsPerSecond(Reads& reads) {
  const int cacheCalls = 100000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < cacheCalls; ++i) reads.checksum += vyk::GetConnectCount(reads.AnySection());
  return cacheCalls / Seconds(start);
}

// Writes replace the whole file and sync it; a write of the stored value is free.
double WritesPerSecond() {
  const int writes = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < writes; ++i)
    vyk::SetCachedName(SectionName(i), "renamed " + std::to_string(i));
  return writes / Seconds(start);
}

// Refresh workers name their servers at once: their writes share replacements.
constexpr int kWriters = 64, kWritesEach = 4;

double ConcurrentWritesPerSecond() {
  const auto start = std::chrono::steady_clock::now();
  {
    std::vector<std::thread> writers;
    for (int t = 0; t < kWriters; ++t)
      writers.emplace_back([t] {
        for (int i = 0; i < kWritesEach; ++i)
          vyk::SetCachedName(SectionName(t * kWritesEach + i), "busy " + std::to_string(i));
      });
    for (auto& w : writers) w.join();
  }
  return kWriters * kWritesEach / Seconds(start);
}

}  // namespace

int main() {
  const bench::BenchHome home("profile_bench");
  if (!home.Made()) return 1;
  const std::string path = vyk::ServerCachePath();
  WriteCache(path);
  std::printf("file: %s, %ju bytes\n", path.c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(path)));

  Reads reads;
  const double cachedPerSecond = CachedReadsPerSecond(path, reads);
  const double reparsePerSecond = ReparseReadsPerSecond(path, reads);
  const double cacheCallsPerSecond = CacheCallsPerSecond(reads);
  const double writesPerSecond = WritesPerSecond();
  const double unchangedWritesPerSecond = WritesPerSecond();
  const double concurrentWritesPerSecond = ConcurrentWritesPerSecond();

  std::printf("GetConnectCount calls per second: %.0f\n", cacheCallsPerSecond);
  std::printf("writes per second: changed %.1f, unchanged %.0f\n", writesPerSecond,
              unchangedWritesPerSecond);
  std::printf("writes per second from %d threads at once: %.1f\n", kWriters,
              concurrentWritesPerSecond);
  std::printf("checksum %ld\n", reads.checksum);
  std::printf(
      "profile_bench: sections=%d cached_reads_per_s=%.0f reparse_reads_per_s=%.0f "
      "ratio=%.1f\n",
      kSections, cachedPerSecond, reparsePerSecond, cachedPerSecond / reparsePerSecond);
  return 0;
}
