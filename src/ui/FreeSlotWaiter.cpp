#include "ui/FreeSlotWaiter.h"

#include <algorithm>

#include "core/StatusLine.h"

namespace vyk {

FreeSlotWaiter::FreeSlotWaiter(QObject* parent, FreeSlotWait::Timing timing,
                               std::chrono::milliseconds firstWait)
    : QObject(parent), timing_(timing), firstWait_(firstWait) {
  // The countdown moves each second; a shorter interval (tests) ticks as often.
  ticker_.setInterval(std::min<std::chrono::milliseconds>(std::chrono::seconds(1),
                                                          timing_.interval));
  connect(&ticker_, &QTimer::timeout, this, &FreeSlotWaiter::Tick);
  answerPoll_.setInterval(std::chrono::milliseconds(20));
  connect(&answerPoll_, &QTimer::timeout, this, &FreeSlotWaiter::TakeAnswer);
}

FreeSlotWaiter::~FreeSlotWaiter() {
  JoinAsker();
}

void FreeSlotWaiter::JoinAsker() {
  if (asker_.joinable()) asker_.join();
}

void FreeSlotWaiter::Start(const ServerInfo& server) {
  server_ = server;
  wait_.emplace(server, SteadyNow(), timing_);
  ticker_.start();
  Tick();
}

void FreeSlotWaiter::Stop(const std::string& why) {
  if (!wait_) return;
  wait_.reset();
  ticker_.stop();
  SetStatus(why);
}

void FreeSlotWaiter::Tick() {
  if (!wait_) return;
  const SteadyTime now = SteadyNow();
  if (wait_->Expired(now)) return Stop(FreeSlotWait::kGaveUpText);
  if (!asking_ && now >= wait_->NextAsk()) Ask();
  if (wait_) SetStatus(wait_->StatusText(now));
}

void FreeSlotWaiter::Ask() {
  JoinAsker();
  asking_ = true;
  wait_->Asked(SteadyNow());
  // The destructor joins the thread, so the waiter outlives it; an answer not
  // yet taken when the waiter goes is dropped with it.
  asker_ = std::thread([this, server = server_, wait = firstWait_]() mutable {
    server.Query(wait);
    const std::lock_guard lock(answerMutex_);
    answer_ = std::move(server);
  });
  answerPoll_.start();
}

void FreeSlotWaiter::TakeAnswer() {
  std::optional<ServerInfo> answer;
  {
    const std::lock_guard lock(answerMutex_);
    answer.swap(answer_);
  }
  if (!answer) return;
  answerPoll_.stop();
  JoinAsker();
  OnAnswer(*answer);
}

void FreeSlotWaiter::OnAnswer(const ServerInfo& server) {
  asking_ = false;
  if (!wait_ || server.Address() != wait_->Address()) return;  // a wait that has ended
  server_ = server;
  if (!wait_->SlotFree(server)) {
    SetStatus(wait_->StatusText(SteadyNow()));
    return;
  }
  wait_.reset();
  ticker_.stop();
  SetStatus("A slot is free on " + server.Address());
  emit slotFree(server);
}

}  // namespace vyk
