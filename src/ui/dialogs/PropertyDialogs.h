#pragma once
#include <functional>
#include <string>

#include "config/PropertyItemDesc.h"

class QFont;
class QString;
class QWidget;

namespace vyk {

// The standard dialogs the property list runs. Each returns true on OK and then has
// written the choice into its last argument; tests put their own in.
struct PropertyDialogs {
  std::function<bool(QWidget* owner, Color& colour)> chooseColour;
  std::function<bool(QWidget* owner, PropertyFont& font)> chooseFont;
  // open: the open-file form, else the save form (asks before overwriting). filter is
  // "description|pattern|" pairs; path is the initial file name and receives the choice.
  std::function<bool(QWidget* owner, bool open, const std::string& filter, std::string& path)>
      chooseFile;
  // Warning message box with an exclamation icon and OK.
  std::function<void(QWidget* owner, const std::string& text, const std::string& caption)> warn;

  // The platform's colour, font and file dialogs and message box.
  static PropertyDialogs Standard();
};

// "Server Files (*.vyk)|*.vyk|All Files (*.*)|*.*|" as a file dialog name filter list.
QString FileDialogFilter(const std::string& filter);
QFont ToQFont(const PropertyFont& font);
PropertyFont FromQFont(const QFont& font);

}  // namespace vyk
