// The farm's configurations, statistics and control messages as bytes, so a
// farm can be driven from another process (q3sim --control, RemoteFarm.cpp).
// Integers are little-endian; strings are a u32 length and the bytes as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Farm.h"
#include "MasterConfig.h"
#include "ServerConfig.h"

namespace q3sim::wire {

// Largest request or answer; a UDP datagram holds a little more.
constexpr std::size_t kMaxMessage = 60000;

class Writer {
 public:
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void Bool(bool v) { U8(v ? 1 : 0); }
  void U16(std::uint16_t v) { Le(v, 2); }
  void U32(std::uint32_t v) { Le(v, 4); }
  void U64(std::uint64_t v) { Le(v, 8); }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void I64(std::int64_t v) { U64(static_cast<std::uint64_t>(v)); }
  void Size(std::size_t v) { U64(v); }
  void Bytes(std::string_view v);
  const std::string& Data() const { return out_; }

 private:
  void Le(std::uint64_t v, int bytes);
  std::string out_;
};

// Reads what Writer wrote; after a read past the end or an absurd length every
// read gives 0 or "" and Ok() stays false.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  std::uint8_t U8() { return static_cast<std::uint8_t>(Le(1)); }
  bool Bool();
  std::uint16_t U16() { return static_cast<std::uint16_t>(Le(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
  std::uint64_t U64() { return Le(8); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  std::size_t Size();
  std::string Bytes();
  // A count of items still to read, each at least minBytes long.
  std::size_t Count(std::size_t minBytes);
  bool Ok() const { return ok_; }
  std::size_t Remaining() const { return in_.size() - pos_; }
  // Everything read and nothing left over.
  bool Done() const { return ok_ && pos_ == in_.size(); }

 private:
  std::uint64_t Le(int bytes);
  std::string_view in_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// rconHandler does not travel: the caller refuses a config that has one.
void Put(Writer& w, const ServerConfig& c);
void Put(Writer& w, const MasterConfig& c);
void Put(Writer& w, const ServerStats& s);
void Put(Writer& w, const MasterStats& s);
void Get(Reader& r, ServerConfig& c);
void Get(Reader& r, MasterConfig& c);
void Get(Reader& r, ServerStats& s);
void Get(Reader& r, MasterStats& s);
// The single results of the other calls.
void Put(Writer& w, bool v);
void Put(Writer& w, int v);
void Put(Writer& w, std::uint16_t v);
void Put(Writer& w, std::uint64_t v);
void Put(Writer& w, const std::string& v);
void Get(Reader& r, bool& v);
void Get(Reader& r, int& v);
void Get(Reader& r, std::uint16_t& v);
void Get(Reader& r, std::uint64_t& v);
void Get(Reader& r, std::string& v);

// A request: "Q3RQ", client (a random number per client object), seq (counts
// up per client; a resent request keeps its seq), handle (0 for "New"), the
// operation's name (a Farm member: "AddServer"...) and its arguments.
// An answer: "Q3AN", the request's seq, a Status and, when Ok, the results.
enum class Status : std::uint8_t { Ok = 0, UnknownHandle = 1, BadRequest = 2, TooLong = 3 };

struct RequestHead {
  std::uint64_t client = 0;
  std::uint64_t seq = 0;
  std::uint64_t handle = 0;
  std::string op;
};

void PutRequestHead(Writer& w, const RequestHead& h);
bool GetRequestHead(Reader& r, RequestHead& h);
void PutAnswerHead(Writer& w, std::uint64_t seq, Status status);
bool GetAnswerHead(Reader& r, std::uint64_t& seq, Status& status);

}  // namespace q3sim::wire
