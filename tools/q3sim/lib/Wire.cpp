#include "Wire.h"

#include <chrono>

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

void PutStrings(Writer& w, const std::vector<std::string>& v) {
  w.Size(v.size());
  for (const auto& s : v) w.Bytes(s);
}

std::vector<std::string> GetStrings(Reader& r) {
  std::vector<std::string> v(r.Count(4));
  for (auto& s : v) s = r.Bytes();
  return v;
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

void Put(Writer& w, const ServerConfig& c) {
  w.Size(c.info.size());
  for (const auto& [k, v] : c.info) {
    w.Bytes(k);
    w.Bytes(v);
  }
  w.Size(c.players.size());
  for (const auto& p : c.players) {
    w.I32(p.score);
    w.I32(p.ping);
    w.Bytes(p.name);
  }
  w.I32(c.latencyMinMs);
  w.I32(c.latencyMaxMs);
  w.U32(c.latencySeed);
  w.Bool(c.silent);
  w.Bytes(c.rconPassword);
  w.I32(c.splitInto);
  w.Bool(c.splitRepeatsHeader);
  w.Size(c.padTo);
  w.Bool(c.rawReply.has_value());
  if (c.rawReply) PutStrings(w, *c.rawReply);
  w.Bool(c.rateLimit);
  PutStrings(w, c.rawPlayerLines);
  w.Size(c.statusLimit);
  w.Size(c.datagramMax);
  w.I32(c.floodAfter);
  w.U32(c.floodSeed);
  w.Bool(c.replyFromOtherPort);
  w.Bool(c.strayBeforeReply);
  w.U32(c.hostile);
}

void Get(Reader& r, ServerConfig& c) {
  c = ServerConfig{};
  c.info.resize(r.Count(8));
  for (auto& [k, v] : c.info) {
    k = r.Bytes();
    v = r.Bytes();
  }
  c.players.resize(r.Count(12));
  for (auto& p : c.players) {
    p.score = r.I32();
    p.ping = r.I32();
    p.name = r.Bytes();
  }
  c.latencyMinMs = r.I32();
  c.latencyMaxMs = r.I32();
  c.latencySeed = r.U32();
  c.silent = r.Bool();
  c.rconPassword = r.Bytes();
  c.splitInto = r.I32();
  c.splitRepeatsHeader = r.Bool();
  c.padTo = static_cast<std::size_t>(r.U64());
  if (r.Bool()) c.rawReply = GetStrings(r);
  c.rateLimit = r.Bool();
  c.rawPlayerLines = GetStrings(r);
  c.statusLimit = static_cast<std::size_t>(r.U64());
  c.datagramMax = static_cast<std::size_t>(r.U64());
  c.floodAfter = r.I32();
  c.floodSeed = r.U32();
  c.replyFromOtherPort = r.Bool();
  c.strayBeforeReply = r.Bool();
  c.hostile = r.U32();
}

void Put(Writer& w, const MasterConfig& c) {
  w.I32(c.delayMs);
  w.Bool(c.silent);
  w.Bool(c.listFarm);
  w.Size(c.extraEntries.size());
  for (const auto& e : c.extraEntries) {
    for (std::uint8_t b : e.address) w.U8(b);
    w.U16(e.port);
  }
}

void Get(Reader& r, MasterConfig& c) {
  c = MasterConfig{};
  c.delayMs = r.I32();
  c.silent = r.Bool();
  c.listFarm = r.Bool();
  c.extraEntries.resize(r.Count(6));
  for (auto& e : c.extraEntries) {
    for (auto& b : e.address) b = r.U8();
    e.port = r.U16();
  }
}

void Put(Writer& w, const ServerStats& s) {
  w.U64(s.requests);
  w.U64(s.replies);
  w.Bytes(s.lastRequest);
  w.I64(Nanoseconds(s.lastRepliedRequestArrived));
  w.I64(Nanoseconds(s.lastReplySent));
}

void Get(Reader& r, ServerStats& s) {
  s = ServerStats{};
  s.requests = r.U64();
  s.replies = r.U64();
  s.lastRequest = r.Bytes();
  s.lastRepliedRequestArrived = FromNanoseconds(r.I64());
  s.lastReplySent = FromNanoseconds(r.I64());
}

void Put(Writer& w, const MasterStats& s) {
  w.U64(s.requests);
  w.U64(s.replies);
  w.Bytes(s.lastRequest);
}

void Get(Reader& r, MasterStats& s) {
  s = MasterStats{};
  s.requests = r.U64();
  s.replies = r.U64();
  s.lastRequest = r.Bytes();
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
