#include "ui/dialogs/BlockingWork.h"

#include <chrono>
#include <future>

#include "ui/BusyScope.h"

namespace vyk {

void RunKeepingPainted(QWidget* window, Qt::CursorShape cursor, const std::function<void()>& work) {
  BusyScope busy(window, cursor);
  std::future<void> done = std::async(std::launch::async, work);
  while (done.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready)
    BusyScope::KeepPainted();
  done.get();
}

}  // namespace vyk
