#pragma once
#include <Qt>
#include <functional>

class QWidget;

namespace vyk {

// Runs work on a helper thread and returns when it is done. Meanwhile this thread keeps
// the windows drawn and throws the window's input away (BusyScope), so a command that
// blocks for seconds (a master exchange, a status query) never leaves a grey ghost.
// work must not touch any widget.
void RunKeepingPainted(QWidget* window, Qt::CursorShape cursor, const std::function<void()>& work);

}  // namespace vyk
