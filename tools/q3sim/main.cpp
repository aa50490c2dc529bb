// q3sim: a farm of Quake III servers and masters on 127.0.0.1 and [::1], until SIGINT/SIGTERM.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Control.h"
#include "Farm.h"
#include "Generator.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: q3sim [--servers N] [--base-port P] [--master-port M] [--silent "
               "FRACTION]\n"
               "             [--latency MIN:MAX] [--players MIN:MAX] [--seed S] [--list "
               "FILE]\n"
               "             [--protocols 66,67,68] [--full FRACTION] [--password "
               "FRACTION]\n"
               "             [--rcon-password PW] [--master-delay MS] [--rate-limit]\n"
               "             [--hostile PERCENT] [--ipv6 FRACTION] [--master2-port M2]\n"
               "             [--drop PERCENT]\n"
               "       q3sim --control PORT\n"
               "servers listen on 127.0.0.1:P..P+N-1 (P 0: free ports); the master on "
               "M\n"
               "(default: a free port). --hostile makes that share of the servers "
               "answer\n"
               "with oversized, binary, absurd or misdirected replies. --ipv6 puts "
               "that\n"
               "share on [::1] instead (on the same port numbers), listed by "
               "getserversExt.\n"
               "--master2-port adds a master on 127.0.0.1:M2 that knows only getservers "
               "and\n"
               "shares part of its list with the first. --drop loses that share of the\n"
               "datagrams to and from the servers.\n"
               "--control serves farms made and driven over UDP on 127.0.0.1:PORT (0: a "
               "free\n"
               "port, printed as \"control PORT\") for programs linked with the remote "
               "farm\n"
               "library, which find it through Q3SIM_CONTROL=127.0.0.1:PORT.\n");
}

bool ParseInt(const char* text, long lo, long hi, long& out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseFraction(const char* text, double& out) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(v >= 0.0 && v <= 1.0)) return false;
  out = v;
  return true;
}

bool ParsePercent(const char* text, double& out) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (end != text && *end == '%') ++end;
  if (end == text || *end != '\0' || !(v >= 0.0 && v <= 100.0)) return false;
  out = v;
  return true;
}

bool ParseRange(const std::string& text, int& lo, int& hi) {
  auto colon = text.find(':');
  std::string a = text.substr(0, colon);
  std::string b = colon == std::string::npos ? a : text.substr(colon + 1);
  long x, y;
  if (!ParseInt(a.c_str(), 0, 1000000, x) || !ParseInt(b.c_str(), 0, 1000000, y) || y < x)
    return false;
  lo = static_cast<int>(x);
  hi = static_cast<int>(y);
  return true;
}

bool ParseProtocols(const std::string& text, std::vector<int>& out) {
  out.clear();
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(',', pos);
    std::string item =
        text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    long v;
    if (!ParseInt(item.c_str(), 1, 1000000, v)) return false;
    out.push_back(static_cast<int>(v));
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return !out.empty();
}

// What the command line asks for.
struct Options {
  q3sim::GeneratorOptions farm;
  long basePort = 27960;
  long masterPort = 0;
  long masterDelay = 0;
  long controlPort = -1;
  long master2Port = -1;
  double ipv6Fraction = 0.0;
  double dropPercent = 0.0;
  bool rateLimit = false;
  std::string listFile;
};

enum class Parsed { kOk, kBadValue, kUnknown };

// Reads the value of one option that takes one.
Parsed ParseOption(const std::string& arg, const char* value, Options& o) {
  q3sim::GeneratorOptions& farm = o.farm;
  long v = 0;
  bool ok = true;
  if (arg == "--servers") {
    ok = ParseInt(value, 0, 60000, v);
    farm.count = static_cast<int>(v);
  } else if (arg == "--base-port") {
    ok = ParseInt(value, 0, 65535, o.basePort);
  } else if (arg == "--master-port") {
    ok = ParseInt(value, 0, 65535, o.masterPort);
  } else if (arg == "--master-delay") {
    ok = ParseInt(value, 0, 600000, o.masterDelay);
  } else if (arg == "--silent") {
    ok = ParseFraction(value, farm.silentFraction);
  } else if (arg == "--full") {
    ok = ParseFraction(value, farm.fullFraction);
  } else if (arg == "--password") {
    ok = ParseFraction(value, farm.passwordFraction);
  } else if (arg == "--latency") {
    ok = ParseRange(value, farm.latencyMinMs, farm.latencyMaxMs);
  } else if (arg == "--players") {
    ok = ParseRange(value, farm.playersMin, farm.playersMax) && farm.playersMax <= 64;
  } else if (arg == "--seed") {
    ok = ParseInt(value, 0, 4294967295L, v);
    farm.seed = static_cast<std::uint32_t>(v);
  } else if (arg == "--protocols") {
    ok = ParseProtocols(value, farm.protocols);
  } else if (arg == "--hostile") {
    double percent = 0;
    ok = ParsePercent(value, percent);
    farm.hostileFraction = percent / 100.0;
  } else if (arg == "--ipv6") {
    ok = ParseFraction(value, o.ipv6Fraction);
  } else if (arg == "--master2-port") {
    ok = ParseInt(value, 0, 65535, o.master2Port);
  } else if (arg == "--drop") {
    ok = ParsePercent(value, o.dropPercent);
  } else if (arg == "--rcon-password") {
    farm.rconPassword = value;
  } else if (arg == "--control") {
    ok = ParseInt(value, 0, 65535, o.controlPort);
  } else if (arg == "--list") {
    o.listFile = value;
  } else {
    return Parsed::kUnknown;
  }
  return ok ? Parsed::kOk : Parsed::kBadValue;
}

// The options, or the exit status when q3sim is not to run (help, or a bad command line).
std::optional<Options> ParseCommandLine(int argc, char** argv, int& exitStatus) {
  Options o;
  exitStatus = 2;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage();
      exitStatus = 0;
      return std::nullopt;
    }
    if (arg == "--rate-limit") {
      o.rateLimit = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "q3sim: %s needs a value\n", arg.c_str());
      return std::nullopt;
    }
    const char* value = argv[++i];
    const Parsed parsed = ParseOption(arg, value, o);
    if (parsed == Parsed::kUnknown) {
      std::fprintf(stderr, "q3sim: unknown option %s\n", arg.c_str());
      Usage();
      return std::nullopt;
    }
    if (parsed == Parsed::kBadValue) {
      std::fprintf(stderr, "q3sim: bad value for %s: %s\n", arg.c_str(), value);
      return std::nullopt;
    }
  }
  if (o.basePort != 0 && o.basePort + o.farm.count - 1 > 65535) {
    std::fprintf(stderr, "q3sim: ports %ld..%ld do not fit below 65536\n", o.basePort,
                 o.basePort + o.farm.count - 1);
    return std::nullopt;
  }
  return o;
}

// The loop thread inherits the blocked signals, so only sigwait sees them. A shell
// starts background jobs with SIGINT ignored, and sigwait never sees an ignored
// signal: restore the default first.
sigset_t BlockStopSignals() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

// The IPv6 servers spread evenly over the farm.
std::vector<q3sim::Family> ServerFamilies(const q3sim::Farm& farm, std::size_t count,
                                          double ipv6Fraction) {
  std::vector<q3sim::Family> families(count, q3sim::Family::kIpv4);
  const long long ipv6Count =
      ipv6Fraction > 0 ? std::llround(ipv6Fraction * static_cast<double>(count)) : 0;
  if (ipv6Count > 0 && !farm.HasIpv6()) {
    std::fprintf(stderr, "q3sim: [::1] cannot be bound here: every server on 127.0.0.1\n");
  } else {
    const long long n = static_cast<long long>(count);
    for (long long i = 0; i < n; ++i) {
      if ((i + 1) * ipv6Count / n > i * ipv6Count / n)
        families[static_cast<std::size_t>(i)] = q3sim::Family::kIpv6;
    }
  }
  return families;
}

// What the farm has bound.
struct Bound {
  std::vector<int> ids;  // of the servers
  std::uint16_t masterPort = 0;
  int master2 = -1;  // the second master's id, -1 without one
};

// Binds the farm's servers and masters; nothing when a socket could not be bound.
std::optional<Bound> AddServersAndMasters(q3sim::Farm& farm, const Options& o,
                                          const std::vector<q3sim::ServerConfig>& configs,
                                          const std::vector<q3sim::Family>& families) {
  Bound bound;
  bound.ids = q3sim::AddServers(farm, configs, static_cast<std::uint16_t>(o.basePort), families);
  const std::vector<int>& ids = bound.ids;
  if (ids.size() != configs.size()) {
    std::fprintf(stderr, "q3sim: cannot bind %d servers from port %ld on loopback\n", o.farm.count,
                 o.basePort);
    return std::nullopt;
  }
  q3sim::MasterConfig mc;
  mc.delayMs = static_cast<int>(o.masterDelay);
  q3sim::MasterConfig mc2 = mc;
  if (o.master2Port >= 0) {
    // Two masters that overlap: the first misses one IPv4 server in eight, which
    // the second (every other server and one in four more; IPv4 alone) has.
    mc.listedServers.emplace();
    mc2.listedServers.emplace();
    mc2.knowsExt = false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (i % 8 != 7 || families[i] == q3sim::Family::kIpv6) mc.listedServers->push_back(ids[i]);
      if (i % 2 == 0 || i % 4 == 3) mc2.listedServers->push_back(ids[i]);
    }
  }
  farm.SetMasterConfig(mc);
  bound.masterPort = farm.OpenMaster(static_cast<std::uint16_t>(o.masterPort));
  if (bound.masterPort == 0) {
    std::fprintf(stderr, "q3sim: cannot bind the master to 127.0.0.1:%ld\n", o.masterPort);
    return std::nullopt;
  }
  if (o.master2Port >= 0) {
    bound.master2 = farm.AddMaster(mc2, static_cast<std::uint16_t>(o.master2Port));
    if (bound.master2 < 0) {
      std::fprintf(stderr, "q3sim: cannot bind the second master to 127.0.0.1:%ld\n",
                   o.master2Port);
      return std::nullopt;
    }
  }
  return bound;
}

bool WriteList(const q3sim::Farm& farm, const std::vector<int>& ids, const std::string& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (int id : ids) out << farm.Address(id) << "\n";
  if (out) return true;
  std::fprintf(stderr, "q3sim: cannot write %s\n", file.c_str());
  return false;
}

void PrintReady(const q3sim::Farm& farm, const Options& o,
                const std::vector<q3sim::ServerConfig>& configs,
                const std::vector<q3sim::Family>& families, const Bound& bound) {
  int hostile = 0;
  for (const auto& c : configs) hostile += c.hostile != 0;
  int ipv6 = 0;
  for (q3sim::Family f : families) ipv6 += f == q3sim::Family::kIpv6;
  std::string more = " ipv6=" + std::to_string(ipv6);
  if (bound.master2 >= 0) more += " master2_port=" + std::to_string(farm.MasterPort(bound.master2));
  std::printf("q3sim: ready servers=%d base_port=%u master_port=%u hostile=%d%s\n", o.farm.count,
              bound.ids.empty() ? 0u : farm.Port(bound.ids.front()), bound.masterPort, hostile,
              more.c_str());
  std::fflush(stdout);
}

// Serves the farm the options describe until SIGINT or SIGTERM.
int RunFarm(const Options& o, const sigset_t& signals) {
  q3sim::Farm farm;
  std::vector<q3sim::ServerConfig> configs = q3sim::GenerateServers(o.farm);
  for (auto& c : configs) c.rateLimit = o.rateLimit;
  const std::vector<q3sim::Family> families = ServerFamilies(farm, configs.size(), o.ipv6Fraction);
  const std::optional<Bound> bound = AddServersAndMasters(farm, o, configs, families);
  if (!bound) return 1;
  farm.SetDrop(o.dropPercent / 100.0, o.farm.seed);
  if (!o.listFile.empty() && !WriteList(farm, bound->ids, o.listFile)) return 1;
  if (!farm.Start()) {
    std::fprintf(stderr, "q3sim: cannot start the event loop\n");
    return 1;
  }
  PrintReady(farm, o, configs, families, *bound);

  int sig = 0;
  sigwait(&signals, &sig);
  farm.Stop();
  std::printf("q3sim: stopped requests=%llu\n",
              static_cast<unsigned long long>(farm.TotalRequests()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int exitStatus = 0;
  const std::optional<Options> options = ParseCommandLine(argc, argv, exitStatus);
  if (!options) return exitStatus;
  const sigset_t signals = BlockStopSignals();
  if (options->controlPort >= 0)
    return q3sim::RunControl(static_cast<std::uint16_t>(options->controlPort));
  return RunFarm(*options, signals);
}
