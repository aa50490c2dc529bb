#include "launch/GameStarter.h"

#include "platform/ProcessStart.h"

namespace vyk {
namespace {

class DetachedGameStarter final : public GameStarter {
 public:
  bool StartGame(const std::string& file, const std::string& parameters,
                 const std::string& directory) override {
    return StartProcess(file, parameters, directory);
  }
};

}  // namespace

GameStarter& SystemGameStarter() {
  static DetachedGameStarter starter;
  return starter;
}

}  // namespace vyk
