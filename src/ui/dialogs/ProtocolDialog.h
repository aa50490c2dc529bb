#pragma once
#include <string>

#include "ui/widgets/CommandDialog.h"

class QComboBox;

namespace vyk {

// "Switch Protocol" (kProtocolTemplate): lists the versioned game executables of the game
// directory; OK makes the chosen one the active executable.
class ProtocolDialog : public CommandDialog<ProtocolDialog> {
  Q_OBJECT
 public:
  enum Id : int { kVersion = 1067 };

  explicit ProtocolDialog(const Settings& settings, QWidget* parent = nullptr);

  // The selected entry's text, or the combo's own text when none is selected.
  std::string ChosenEntry() const;

  static CommandTable Commands();

 private:
  void ApplyAndClose();

  QComboBox* combo_ = nullptr;
};

}  // namespace vyk
