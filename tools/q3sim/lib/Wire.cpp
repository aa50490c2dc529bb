#include "Wire.h"

#include <chrono>
#include <concepts>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace q3sim::wire {

namespace {

const std::string_view kRequestMagic = "Q3RQ";
const std::string_view kAnswerMagic = "Q3AN";

std::int64_t Nanoseconds(std::chrono::system_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

std::chrono::system_clock::time_point FromNanoseconds(std::int64_t ns) {
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::nanoseconds(ns)));
}

bool Magic(Reader& r, std::string_view magic) {
  for (char ch : magic) {
    if (r.U8() != static_cast<std::uint8_t>(ch)) return false;
  }
  return r.Ok();
}

}  // namespace

void Writer::Bytes(std::string_view v) {
  U32(static_cast<std::uint32_t>(v.size()));
  out_.append(v);
}

void Writer::Le(std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint64_t Reader::Le(int bytes) {
  if (!ok_ || in_.size() - pos_ < static_cast<std::size_t>(bytes)) {
    ok_ = false;
    return 0;
  }
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(in_[pos_ + i])) << (8 * i);
  pos_ += bytes;
  return v;
}

bool Reader::Bool() {
  std::uint8_t v = U8();
  if (v > 1) ok_ = false;
  return v == 1;
}

std::size_t Reader::Size() {
  std::uint64_t v = U64();
  if (v > in_.size()) ok_ = false;  // no size in a message exceeds the message
  return ok_ ? static_cast<std::size_t>(v) : 0;
}

std::size_t Reader::Count(std::size_t minBytes) {
  std::size_t n = Size();
  if (ok_ && minBytes > 0 && n > (in_.size() - pos_) / minBytes) ok_ = false;
  return ok_ ? n : 0;
}

std::string Reader::Bytes() {
  std::uint32_t n = U32();
  if (!ok_ || in_.size() - pos_ < n) {
    ok_ = false;
    return {};
  }
  std::string s(in_.substr(pos_, n));
  pos_ += n;
  return s;
}

// Every record travels as one list of its fields, written by the Writer
// overloads and read back by the Reader ones in the same order. Integers
// travel as 64 bits whatever their type.
void Field(Writer& w, bool v) {
  w.Bool(v);
}
void Field(Reader& r, bool& v) {
  v = r.Bool();
}
template <std::integral T>
void Field(Writer& w, T v) {
  w.U64(static_cast<std::uint64_t>(v));
}
template <std::integral T>
void Field(Reader& r, T& v) {
  v = static_cast<T>(r.U64());
}
template <typename T>
requires std::is_enum_v<T>
void Field(Writer& w, T v) {
  w.U64(static_cast<std::uint64_t>(v));
}
template <typename T>
requires std::is_enum_v<T>
void Field(Reader& r, T& v) {
  v = static_cast<T>(r.U64());
}
void Field(Writer& w, const std::string& v) {
  w.Bytes(v);
}
void Field(Reader& r, std::string& v) {
  v = r.Bytes();
}
void Field(Writer& w, std::chrono::system_clock::time_point v) {
  w.I64(Nanoseconds(v));
}
void Field(Reader& r, std::chrono::system_clock::time_point& v) {
  v = FromNanoseconds(r.I64());
}
template <typename T>
void Field(Writer& w, const std::vector<T>& v) {
  w.Size(v.size());
  for (const T& e : v) Field(w, e);
}
template <typename T>
void Field(Reader& r, std::vector<T>& v) {
  v.resize(r.Count(1));
  for (T& e : v) Field(r, e);
}
template <typename T>
void Field(Writer& w, const std::optional<T>& v) {
  w.Bool(v.has_value());
  if (v) Field(w, *v);
}
template <typename T>
void Field(Reader& r, std::optional<T>& v) {
  v.reset();
  if (r.Bool()) Field(r, v.emplace());
}
template <typename Io, typename... T>
void Fields(Io& io, T&... fields) {
  (Field(io, fields), ...);
}

template <typename Io, typename A, typename B>
void Field(Io& io, std::pair<A, B>& v) {
  Fields(io, v.first, v.second);
}
template <typename Io, typename A, typename B>
void Field(Io& io, const std::pair<A, B>& v) {
  Fields(io, v.first, v.second);
}

template <typename T, typename Record>
concept RecordOf = std::same_as<std::remove_const_t<T>, Record>;

template <typename Io, RecordOf<Player> P>
void Field(Io& io, P& p) {
  Fields(io, p.score, p.ping, p.name);
}

// An entry travels as its family, its address's bytes and its port: a long
// list must fit one message.
void Field(Writer& w, const MasterEntry& e) {
  const bool v6 = e.family == Family::kIpv6;
  w.Bool(v6);
  if (v6) {
    for (std::uint8_t b : e.address6) w.U8(b);
  } else {
    for (std::uint8_t b : e.address) w.U8(b);
  }
  w.U16(e.port);
}
void Field(Reader& r, MasterEntry& e) {
  e = MasterEntry{};
  if (r.Bool()) {
    e.family = Family::kIpv6;
    for (std::uint8_t& b : e.address6) b = r.U8();
  } else {
    for (std::uint8_t& b : e.address) b = r.U8();
  }
  e.port = r.U16();
}

template <typename Io, RecordOf<ReplyMoment> M>
void Field(Io& io, M& m) {
  Fields(io, m.request, m.requestArrived, m.replySent);
}

template <typename Io, RecordOf<ServerConfig> C>
void Field(Io& io, C& c) {
  Fields(io, c.info, c.players, c.latencyMinMs, c.latencyMaxMs, c.latencySeed, c.silent,
         c.echoChallenge, c.rconPassword, c.splitInto, c.splitRepeatsHeader, c.padTo, c.rawReply,
         c.rateLimit, c.rawPlayerLines, c.statusLimit, c.datagramMax, c.floodAfter, c.floodSeed,
         c.replyFromOtherPort, c.strayBeforeReply, c.hostile);
}

template <typename Io, RecordOf<MasterConfig> C>
void Field(Io& io, C& c) {
  Fields(io, c.delayMs, c.silent, c.listFarm, c.listedServers, c.extraEntries, c.knowsExt,
         c.floodProtection, c.floodBurst, c.floodDecayMs);
}

template <typename Io, RecordOf<ServerStats> S>
void Field(Io& io, S& s) {
  Fields(io, s.requests, s.replies, s.lastRequest, s.lastRepliedRequestArrived, s.lastReplySent,
         s.recentReplies, s.requestsDropped, s.datagramsDropped, s.repliesDropped);
}

template <typename Io, RecordOf<MasterStats> S>
void Field(Io& io, S& s) {
  Fields(io, s.requests, s.replies, s.lastRequest, s.getservers, s.getserversExt, s.floodDropped,
         s.recentRequests);
}

// The rcon handler does not travel: a config read back has none.
void Get(Reader& r, ServerConfig& c) {
  c = ServerConfig{};
  Field(r, c);
}

void Put(Writer& w, const ServerConfig& v) {
  Field(w, v);
}
void Put(Writer& w, const MasterConfig& v) {
  Field(w, v);
}
void Put(Writer& w, const ServerStats& v) {
  Field(w, v);
}
void Put(Writer& w, const MasterStats& v) {
  Field(w, v);
}
void Put(Writer& w, bool v) {
  Field(w, v);
}
void Put(Writer& w, int v) {
  Field(w, v);
}
void Put(Writer& w, std::uint16_t v) {
  Field(w, v);
}
void Put(Writer& w, std::uint64_t v) {
  Field(w, v);
}
void Put(Writer& w, const std::string& v) {
  Field(w, v);
}
void Get(Reader& r, MasterConfig& v) {
  Field(r, v);
}
void Get(Reader& r, ServerStats& v) {
  Field(r, v);
}
void Get(Reader& r, MasterStats& v) {
  Field(r, v);
}
void Get(Reader& r, bool& v) {
  Field(r, v);
}
void Get(Reader& r, int& v) {
  Field(r, v);
}
void Get(Reader& r, std::uint16_t& v) {
  Field(r, v);
}
void Get(Reader& r, std::uint64_t& v) {
  Field(r, v);
}
void Get(Reader& r, std::string& v) {
  Field(r, v);
}

void PutRequestHead(Writer& w, const RequestHead& h) {
  for (char ch : kRequestMagic) w.U8(static_cast<std::uint8_t>(ch));
  w.U64(h.client);
  w.U64(h.seq);
  w.U64(h.handle);
  w.Bytes(h.op);
}

bool GetRequestHead(Reader& r, RequestHead& h) {
  if (!Magic(r, kRequestMagic)) return false;
  h.client = r.U64();
  h.seq = r.U64();
  h.handle = r.U64();
  h.op = r.Bytes();
  return r.Ok();
}

void PutAnswerHead(Writer& w, std::uint64_t seq, Status status) {
  for (char ch : kAnswerMagic) w.U8(static_cast<std::uint8_t>(ch));
  w.U64(seq);
  w.U8(static_cast<std::uint8_t>(status));
}

bool GetAnswerHead(Reader& r, std::uint64_t& seq, Status& status) {
  if (!Magic(r, kAnswerMagic)) return false;
  seq = r.U64();
  std::uint8_t s = r.U8();
  if (s > static_cast<std::uint8_t>(Status::TooLong)) return false;
  status = static_cast<Status>(s);
  return r.Ok();
}

}  // namespace q3sim::wire
