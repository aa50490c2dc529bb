#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vyk {

struct PlayerInfo {
  std::string name;  // at most 32 characters as read; may hold colour codes
  std::int32_t ping = 0;
  std::int32_t score = 0;
  bool isBuddy = false;
};

// Ordered players of a server, or the buddy name fragments. Indexing out of
// range returns a default entry (empty name, 0, 0, false).
class NameList {
 public:
  NameList() = default;
  virtual ~NameList() = default;
  NameList(const NameList& other) = default;
  NameList& operator=(const NameList& other) = default;

  // Appends a copy; an entry with an empty name is not added (-1).
  int Add(const PlayerInfo& entry);
  const PlayerInfo& operator[](int index) const;
  PlayerInfo& operator[](int index);
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }

  // Buddy-list file use only (never called for a server's players).
  virtual bool Load(const std::string& path);
  virtual bool Save(const std::string& path) const;

 protected:
  std::vector<PlayerInfo> entries_;

 private:
  PlayerInfo default_;
};

}  // namespace vyk
