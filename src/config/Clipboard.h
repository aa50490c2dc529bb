#pragma once
// The system clipboard as the logic sees it; the user interface implements it.
#include <string>

namespace vyk {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's content with the 8-bit text; false when the
  // clipboard could not be opened or filled.
  virtual bool SetText(const std::string& text) = 0;
};

// Puts the text on the clipboard, announcing it in the status line.
// Failures are not reported: the clipboard simply keeps what it had.
void CopyTextToClipboard(Clipboard& clipboard, const std::string& text);

}  // namespace vyk
