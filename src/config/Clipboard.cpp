#include "config/Clipboard.h"

#include "core/StatusLine.h"

namespace vyk {

void CopyTextToClipboard(Clipboard& clipboard, const std::string& text) {
  ScopedStatus status("Copying info to clipboard");
  clipboard.SetText(text);
}

}  // namespace vyk
