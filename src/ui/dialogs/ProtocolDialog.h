#pragma once
#include <string>

#include "ui/widgets/SkinnedDialog.h"

class QComboBox;

namespace vyk {

// "Switch Protocol" (kProtocolTemplate): lists the versioned game executables of the game
// directory; OK makes the chosen one the active executable.
class ProtocolDialog : public SkinnedDialog {
  Q_OBJECT
 public:
  enum Id : int { kVersion = 1067 };

  explicit ProtocolDialog(const Settings& settings, QWidget* parent = nullptr);

  // The selected entry's text, or the combo's own text when none is selected.
  std::string ChosenEntry() const;

  void OnCommand(int id) override;

 private:
  QComboBox* combo_ = nullptr;
};

}  // namespace vyk
