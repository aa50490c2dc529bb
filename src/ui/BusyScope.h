#pragma once
#include <Qt>

class QWidget;

namespace vyk {

// A command that blocks the user-interface thread: while one lives, user input to the
// blocked window is thrown away (not queued for later; dialogs the command opens still
// take theirs), except the rest of a double-click on a list whose first click came before
// the command (it is handed on when the command ends); the cursor shows that it is busy, and
// KeepPainted lets paint and expose events through so the window stays drawn.
// Scopes nest; the outermost one restores the cursor and the input.
class BusyScope {
 public:
  explicit BusyScope(QWidget* window, Qt::CursorShape cursor = Qt::WaitCursor);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  static bool Active();
  // Handles pending window-system events except user input, which waits for the end of
  // the scope and is then discarded.
  static void KeepPainted();
  // Changes the cursor of the running scope; nothing when none runs.
  static void SetCursorShape(Qt::CursorShape cursor);
};

// A dialog or message box opened by a busy command takes input: the normal cursor shows
// over it for this object's lifetime.
class ArrowCursor {
 public:
  ArrowCursor();
  ~ArrowCursor();
  ArrowCursor(const ArrowCursor&) = delete;
  ArrowCursor& operator=(const ArrowCursor&) = delete;

 private:
  bool busy_;
};

}  // namespace vyk
