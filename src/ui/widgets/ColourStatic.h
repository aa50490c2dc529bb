#pragma once
#include <QFrame>
#include <string>

#include "config/ConfigFile.h"

namespace vyk {

// A static text drawn with its colour codes (transparent over the skin background).
// It keeps the last non-empty text it was given and shows that while its text is empty.
class ColourStatic : public QFrame {
  Q_OBJECT
 public:
  ColourStatic(const Settings& settings, QWidget* parent = nullptr);

  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }
  const std::string& KeptText() const { return kept_; }
  // Empties both the text and the kept text.
  void Clear();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Settings& settings_;
  std::string text_;
  std::string kept_;
};

}  // namespace vyk
