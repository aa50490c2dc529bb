#pragma once
#include <QComboBox>
#include <string>

#include "config/ConfigFile.h"

namespace vyk {

// Combo box with an edit field whose drop-down items are drawn with their colour codes.
// Items stay sorted by CompareColourNames (leading letters of the stripped name).
class ColourComboBox : public QComboBox {
  Q_OBJECT
 public:
  ColourComboBox(const Settings& settings, QWidget* parent = nullptr);

  // Inserts at its sorted place (after the items that compare equal); returns the index.
  int AddString(const std::string& text);
  std::string ItemText(int index) const;  // the raw 8-bit text, codes kept
  std::string EditText() const;
  void SetEditText(const std::string& text);

  const Settings& GetSettings() const { return settings_; }

 private:
  const Settings& settings_;
};

}  // namespace vyk
