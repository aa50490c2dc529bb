#pragma once
#include <QRect>
#include <functional>
#include <string>
#include <vector>

class QFont;
class QWidget;

namespace vyk {

class SkinnedDialog;

// The id of statics nobody looks up; several controls may share it.
inline constexpr int kUnnamedControl = -1;

// One control of a dialog template, in dialog units.
struct ControlTemplate {
  int id = kUnnamedControl;
  std::string kind;  // button, checkbox, groupbox, static, colourstatic, edit, textarea,
                     // combo, listview, listbox, ipaddress
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<std::string> flags;  // default, disabled, readonly, password, vscroll, ...

  bool Has(const std::string& flag) const;
};

// A dialog as data: caption, client size in dialog units, font, controls in tab order.
struct DialogTemplate {
  int id = 0;
  std::string caption;
  int width = 0, height = 0;
  std::string fontName = "MS Sans Serif";
  int fontPointSize = 8;
  std::vector<ControlTemplate> controls;

  const ControlTemplate* Find(int controlId) const;
};

// Parses the text form of res/dialogs/*.dlg:
//   dialog <id> <width> <height> "<caption>"
//   font "<name>" <points>
//   control <id> <kind> <x> <y> <width> <height> "<text>" [flag ...]
// Blank lines and lines starting with # are ignored; "\n", "\"" and "\\" escape in quotes.
// On failure returns false with the line number and reason in error.
bool ParseDialogTemplate(const std::string& text, DialogTemplate& out, std::string* error);

// Loads :/dialogs/<id>.dlg from the program's resources.
bool LoadDialogTemplate(int id, DialogTemplate& out, std::string* error = nullptr);

// Horizontal and vertical dialog base units of a font, as Windows computes them: the
// average width of the 52 ASCII letters, rounded, and the font's height.
struct DialogBaseUnits {
  int x = 6;
  int y = 13;
};
DialogBaseUnits BaseUnitsOf(const QFont& font);
// x px = x * baseX / 4, y px = y * baseY / 8, rounded as MulDiv does.
QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int width, int height);
// The font a template asks for; unknown families fall back to the sans-serif default.
QFont TemplateFont(const DialogTemplate& tmpl);

// Makes the widget for a control instead of the default kind mapping (a list view's
// concrete class, a property list...). Returning null keeps the default.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

// Creates every control of the template on the dialog at its pixel geometry, sets the
// dialog's font, caption and client size, registers each control under its id (property
// "controlId") and wires buttons and check boxes to SkinnedDialog::OnCommand.
void BuildDialogControls(SkinnedDialog& dialog, const DialogTemplate& tmpl,
                         const ControlFactory& factory = {});

}  // namespace vyk
