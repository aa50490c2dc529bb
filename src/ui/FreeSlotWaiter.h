#pragma once
// The window's side of waiting for a free slot: a timer that asks the full
// server again on a thread of its own (the window stays usable), shows the
// countdown in the status line, and says when a public slot is free. One
// wait at a time.
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/ServerInfo.h"
#include "launch/FreeSlotWait.h"

namespace vyk {

class FreeSlotWaiter : public QObject {
  Q_OBJECT
 public:
  explicit FreeSlotWaiter(QObject* parent = nullptr,
                          FreeSlotWait::Timing timing = FreeSlotWait::Timing{},
                          std::chrono::milliseconds firstWait = kAnswerWait);
  ~FreeSlotWaiter() override;

  bool Waiting() const { return wait_.has_value(); }
  // Starts waiting for the server (a copy is asked; the list's record is not touched).
  void Start(const ServerInfo& server);
  // Ends the wait, the status line saying why.
  void Stop(const std::string& why);

  static constexpr const char* kStoppedText = "Wait for a free slot stopped";

 signals:
  // A public slot is free on the server, as its answer left it; the wait has ended.
  void slotFree(const ServerInfo& server);

 private:
  void Tick();
  void Ask();
  void TakeAnswer();
  void OnAnswer(const ServerInfo& server);
  void JoinAsker();

  FreeSlotWait::Timing timing_;
  std::chrono::milliseconds firstWait_;
  std::optional<FreeSlotWait> wait_;
  ServerInfo server_;
  QTimer ticker_;
  std::thread asker_;
  bool asking_ = false;
  // The asking thread's answer, taken by answerPoll_ on the window's thread.
  std::mutex answerMutex_;
  std::optional<ServerInfo> answer_;
  QTimer answerPoll_;
};

}  // namespace vyk
