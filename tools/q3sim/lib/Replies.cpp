#include "Replies.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <random>

namespace q3sim {

namespace {

constexpr std::size_t kMaxLine = 1023;  // MAX_STRING_CHARS - 1

// The console tokenizer: blanks separate, double quotes group, "//" ends the line,
// "/* */" is skipped.
std::vector<std::string> Tokenize(const std::string& text) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto at = [&](std::size_t k) -> unsigned char {
    return k < n ? static_cast<unsigned char>(text[k]) : 0;
  };
  while (true) {
    while (i < n && at(i) <= ' ') ++i;
    if (i >= n) return args;
    if (at(i) == '/' && at(i + 1) == '/') return args;
    if (at(i) == '/' && at(i + 1) == '*') {
      while (i < n && !(at(i) == '*' && at(i + 1) == '/')) ++i;
      if (i >= n) return args;
      i += 2;
      continue;
    }
    std::string token;
    if (at(i) == '"') {
      ++i;
      while (i < n && at(i) != '"') token += text[i++];
      args.push_back(token);
      if (i >= n) return args;
      ++i;
      continue;
    }
    while (i < n && at(i) > ' ') {
      if (at(i) == '"') break;
      if (at(i) == '/' && (at(i + 1) == '/' || at(i + 1) == '*')) break;
      token += text[i++];
    }
    args.push_back(token);
  }
}

// Adds key/value in front, after removing the key, as ioquake3's Info_SetValueForKey does.
void PrependInfo(std::string& info, const std::string& key, const std::string& value) {
  if (value.empty()) return;
  info = "\\" + key + "\\" + value + info;
}

// strtol with base 0 over the whole word, as the master reads numbers.
bool WholeNumber(const std::string& word, long& value) {
  if (word.empty()) return false;
  char* end = nullptr;
  value = std::strtol(word.c_str(), &end, 0);
  return end != word.c_str() && *end == '\0';
}

int HumanPlayers(const ServerConfig& config) {
  return static_cast<int>(std::count_if(config.players.begin(), config.players.end(),
                                        [](const Player& p) { return p.ping != 0; }));
}

std::string HeaderLine(const std::string& datagram) {
  if (datagram.compare(0, kOobMarker.size(), kOobMarker) != 0) return {};
  std::size_t nl = datagram.find('\n');
  return nl == std::string::npos ? std::string() : datagram.substr(0, nl + 1);
}

}  // namespace

const std::string& Request::Arg(std::size_t i) const {
  static const std::string empty;
  return i < args.size() ? args[i] : empty;
}

Request ParseRequest(std::string_view datagram) {
  Request r;
  if (datagram.size() < 4 || datagram.substr(0, 4) != kOobMarker) return r;
  r.outOfBand = true;
  for (std::size_t i = 4; i < datagram.size() && r.line.size() < kMaxLine; ++i) {
    unsigned char c = static_cast<unsigned char>(datagram[i]);
    if (c == 0 || c == '\n') break;
    if (c == '%' || c > 127) c = '.';
    r.line += static_cast<char>(c);
  }
  r.args = Tokenize(r.line);
  return r;
}

std::string InfoString(const InfoList& info) {
  std::string s;
  for (const auto& [k, v] : info) s += "\\" + k + "\\" + v;
  return s;
}

std::string StatusResponse(const ServerConfig& config, const std::string& challenge) {
  InfoList info = config.info;
  info.erase(std::remove_if(info.begin(), info.end(),
                            [](const auto& p) { return p.first == "challenge"; }),
             info.end());
  std::string infoText = InfoString(info);
  PrependInfo(infoText, "challenge", challenge);

  // ioquake3 stops the player lines before MAX_MSGLEN (statusLimit).
  const std::size_t limit = config.statusLimit;
  std::string players;
  for (const Player& p : config.players) {
    std::string line =
        std::to_string(p.score) + " " + std::to_string(p.ping) + " \"" + p.name + "\"\n";
    if (limit != 0 && players.size() + line.size() >= limit) break;
    players += line;
  }
  for (const std::string& line : config.rawPlayerLines) {
    if (limit != 0 && players.size() + line.size() >= limit) break;
    players += line;
  }

  const std::string head = std::string(kOobMarker) + "statusResponse\n";
  std::size_t size = head.size() + infoText.size() + 1 + players.size();
  if (config.padTo > size) {
    const std::string padKey = "\\sv_pad\\";
    std::size_t fill =
        config.padTo - size > padKey.size() ? config.padTo - size - padKey.size() : 1;
    infoText += padKey + std::string(fill, 'x');
  }
  return head + infoText + "\n" + players;
}

std::string InfoResponse(const ServerConfig& config, const std::string& challenge) {
  int maxClients = std::atoi(config.Info("sv_maxclients").c_str());
  int privateClients = std::atoi(config.Info("sv_privateClients").c_str());
  const int humans = HumanPlayers(config);
  std::string gametype = config.Info("g_gametype");
  std::string pure = config.Info("sv_pure");

  std::string info;
  PrependInfo(info, "challenge", challenge);
  PrependInfo(info, "gamename", config.Info("gamename"));
  PrependInfo(info, "protocol", config.Info("protocol"));
  PrependInfo(info, "hostname", config.Info("sv_hostname"));
  PrependInfo(info, "mapname", config.Info("mapname"));
  PrependInfo(info, "clients", std::to_string(config.players.size()));
  PrependInfo(info, "g_humanplayers", std::to_string(humans));
  PrependInfo(info, "sv_maxclients", std::to_string(maxClients - privateClients));
  PrependInfo(info, "gametype", gametype.empty() ? "0" : gametype);
  PrependInfo(info, "pure", pure.empty() ? "1" : pure);
  PrependInfo(info, "g_needpass", std::to_string(std::atoi(config.Info("g_needpass").c_str())));
  PrependInfo(info, "game", config.Info("fs_game"));
  return std::string(kOobMarker) + "infoResponse\n" + info;
}

std::vector<std::string> PrintDatagrams(const std::string& output) {
  const std::string head = std::string(kOobMarker) + "print\n";
  std::vector<std::string> out;
  std::string buffer;
  // Each line stands for one console print; a print that does not fit flushes first.
  std::size_t pos = 0;
  while (pos < output.size()) {
    std::size_t nl = output.find('\n', pos);
    std::size_t end = nl == std::string::npos ? output.size() : nl + 1;
    std::string_view msg(output.data() + pos, end - pos);
    pos = end;
    while (!msg.empty()) {
      if (buffer.size() + msg.size() > kRconChunk && !buffer.empty()) {
        out.push_back(head + buffer);
        buffer.clear();
      }
      std::size_t take = std::min(msg.size(), kRconChunk - buffer.size());
      buffer.append(msg.substr(0, take));
      msg.remove_prefix(take);
    }
  }
  out.push_back(head + buffer);  // the final flush, a bare "print\n" when nothing was printed
  return out;
}

std::vector<std::string> RconResponse(const ServerConfig& config, const Request& request) {
  if (config.rconPassword.empty()) return PrintDatagrams("No rconpassword set on the server.\n");
  if (request.Arg(1) != config.rconPassword) return PrintDatagrams("Bad rconpassword.\n");
  // The command is the raw text after the password, so its blanks and quotes survive.
  const std::string& line = request.line;
  std::size_t i = std::min<std::size_t>(4, line.size());
  while (i < line.size() && line[i] == ' ') ++i;
  while (i < line.size() && line[i] != ' ') ++i;
  while (i < line.size() && line[i] == ' ') ++i;
  std::string command = line.substr(i);
  if (command.empty()) return PrintDatagrams({});  // an empty console line prints nothing
  std::string output =
      config.rconHandler ? config.rconHandler(command) : DefaultRconOutput(config, command);
  return PrintDatagrams(output);
}

std::vector<std::string> SplitDatagram(const std::string& datagram, int parts, bool repeatHeader) {
  std::string header = repeatHeader ? HeaderLine(datagram) : std::string();
  std::string_view body(datagram);
  body.remove_prefix(header.size());
  std::size_t count = parts < 1 ? 1 : static_cast<std::size_t>(parts);
  count = std::max<std::size_t>(1, std::min(count, body.size()));
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t end = body.size() * (i + 1) / count;
    out.push_back(header + std::string(body.substr(start, end - start)));
    start = end;
  }
  return out;
}

std::vector<std::string> CutDatagram(const std::string& datagram, std::size_t most) {
  if (most == 0 || datagram.size() <= most) return {datagram};
  std::vector<std::string> out;
  for (std::size_t at = 0; at < datagram.size(); at += most)
    out.push_back(datagram.substr(at, most));
  return out;
}

std::vector<std::string> ReplyDatagrams(const ServerConfig& config, const Request& request) {
  if (!request.outOfBand || request.args.empty()) return {};
  std::string cmd = request.args[0];
  for (char& ch : cmd) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (cmd != "getstatus" && cmd != "getinfo" && cmd != "rcon") return {};
  if (cmd != "rcon" && request.Arg(1).size() > 128) return {};  // ioquake3 refuses long challenges
  if (config.rawReply) return *config.rawReply;

  std::vector<std::string> whole;
  if (cmd == "getstatus")
    whole.push_back(StatusResponse(config, config.echoChallenge ? request.Arg(1) : std::string()));
  else if (cmd == "getinfo")
    whole.push_back(InfoResponse(config, request.Arg(1)));
  else
    whole = RconResponse(config, request);
  std::vector<std::string> out;
  for (const std::string& d : whole) {
    std::vector<std::string> pieces =
        config.splitInto > 1 ? SplitDatagram(d, config.splitInto, config.splitRepeatsHeader)
                             : std::vector<std::string>{d};
    for (const std::string& piece : pieces) {
      for (std::string& cut : CutDatagram(piece, config.datagramMax)) out.push_back(std::move(cut));
    }
  }
  return out;
}

std::vector<std::string> FloodDatagrams(int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::size_t size = std::uniform_int_distribution<std::size_t>(1, 1400)(rng);
    std::string d;
    // Every fourth one passes for an answer at first sight.
    if (i % 4 == 0) d = std::string(kOobMarker) + "statusResponse\n\\sv_hostname\\flood";
    while (d.size() < size) d += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    out.push_back(std::move(d));
  }
  return out;
}

std::string StrayDatagram(std::uint32_t seed) {
  std::mt19937 rng(seed ^ 0x5eed5u);
  std::string d = std::string(kOobMarker) + "statusResponse\n\\sv_hostname\\stray\\";
  for (int i = 0; i < 48; ++i)
    d += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
  return d;
}

ServersRequest ParseServersRequest(std::string_view datagram) {
  ServersRequest r;
  if (datagram.substr(0, kOobMarker.size()) != kOobMarker) return r;
  std::string_view text = datagram.substr(kOobMarker.size());
  text = text.substr(0, text.find('\0'));
  constexpr std::string_view kOld = "getservers ", kExt = "getserversExt ";
  if (text.starts_with(kExt)) {
    r.ext = true;
    text.remove_prefix(kExt.size());
  } else if (text.starts_with(kOld)) {
    text.remove_prefix(kOld.size());
  } else {
    return r;
  }

  std::vector<std::string> words;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t blank = std::min(text.find(' ', at), text.size());
    if (blank > at) words.emplace_back(text.substr(at, blank - at));
    at = blank + 1;
  }
  std::size_t next = 0;
  if (next < words.size() && (r.ext || !WholeNumber(words[next], r.protocol)))
    r.game = words[next++];
  if (next >= words.size() || !WholeNumber(words[next], r.protocol)) return r;
  bool ipv4 = false, ipv6 = false;
  for (++next; next < words.size(); ++next) {
    r.empty |= words[next] == "empty";
    r.full |= words[next] == "full";
    ipv4 |= words[next] == "ipv4";
    ipv6 |= words[next] == "ipv6";
  }
  if (r.ext) {
    r.ipv4 = ipv4 || !ipv6;
    r.ipv6 = ipv6 || !ipv4;
  }
  r.valid = true;
  return r;
}

bool MasterLists(const ServersRequest& request, const ServerConfig& config) {
  long protocol = 0;
  if (!request.valid || !WholeNumber(config.Info("protocol"), protocol) ||
      protocol != request.protocol) {
    return false;
  }
  // The extended query names the master's game for every Quake III server; the
  // old one compares the server's own "gamename".
  if (request.ext ? request.game != kMasterGame
                  : !request.game.empty() && config.Info("gamename") != request.game)
    return false;
  // A server with bots only counts as empty, as its infoResponse says.
  if (HumanPlayers(config) == 0 && !request.empty) return false;
  const int slots = std::atoi(config.Info("sv_maxclients").c_str()) -
                    std::atoi(config.Info("sv_privateClients").c_str());
  if (static_cast<int>(config.players.size()) >= slots && !request.full) return false;
  return true;
}

bool MasterListsFamily(const ServersRequest& request, Family family) {
  return family == Family::kIpv6 ? request.ipv6 : request.ipv4;
}

namespace {

// Entries packed greedily into datagrams of at most kMasterDatagramMax bytes; the
// end mark goes into the last one, or into one of its own when it does not fit.
std::vector<std::string> PackEntries(const std::string& head,
                                     const std::vector<MasterEntry>& entries, bool ext) {
  const std::string eot("\\EOT\0\0\0", 7);
  std::vector<std::string> out;
  std::string d = head;
  std::string entry;
  for (const MasterEntry& e : entries) {
    entry.clear();
    if (e.family == Family::kIpv6) {
      if (!ext) continue;
      entry += '/';
      for (std::uint8_t b : e.address6) entry += static_cast<char>(b);
    } else {
      entry += '\\';
      for (std::uint8_t b : e.address) entry += static_cast<char>(b);
    }
    entry += static_cast<char>(e.port >> 8);
    entry += static_cast<char>(e.port & 0xff);
    if (d.size() + entry.size() > kMasterDatagramMax) {
      out.push_back(d);
      d = head;
    }
    d += entry;
  }
  if (d.size() + eot.size() > kMasterDatagramMax) {
    out.push_back(d);
    d = head;
  }
  out.push_back(d + eot);
  return out;
}

}  // namespace

std::vector<std::string> MasterResponse(const std::vector<MasterEntry>& entries) {
  return PackEntries(std::string(kOobMarker) + "getserversResponse", entries, false);
}

std::vector<std::string> MasterExtResponse(const std::vector<MasterEntry>& entries) {
  return PackEntries(std::string(kOobMarker) + "getserversExtResponse", entries, true);
}

}  // namespace q3sim
