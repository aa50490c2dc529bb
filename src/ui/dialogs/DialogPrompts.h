#pragma once
#include <QString>
#include <QStringList>
#include <string>

#include "core/Outcome.h"

class QFileDialog;
class QWidget;

namespace vyk {

// Caption of the questions and notices the small dialogs show.
inline constexpr const char* kAppName = "Vyk Finder";

// The message boxes and file pickers of the small dialogs. The dialogs ask through
// this, so tests can answer in place of a user and nothing ever waits for one.
class DialogPrompts {
 public:
  enum class Answer { kYes, kNo, kCancel };

  virtual ~DialogPrompts() = default;
  // Yes, No and Cancel buttons, the application's name as caption. Closing the box is
  // Cancel.
  virtual Answer AskYesNoCancel(QWidget* owner, const std::string& text) = 0;
  // An OK button and the application's name as caption.
  virtual void Tell(QWidget* owner, const std::string& text) = 0;
  // A failure the user must see: caption "Error", an information icon and OK. The owner
  // is the main window.
  virtual void ShowError(QWidget* owner, const std::string& text) = 0;
  // File pickers, opening in directory; filter as "description|pattern|..." pairs. The
  // chosen path, or empty when the user cancelled.
  virtual std::string SaveFileName(QWidget* owner, const std::string& directory,
                                   const std::string& filter, const std::string& suffix) = 0;
  virtual std::string OpenFileName(QWidget* owner, const std::string& directory,
                                   const std::string& filter, const std::string& suffix) = 0;

  // Shows the failure's message, when it has one, with ShowError; whether it is done.
  bool Report(QWidget* owner, const Outcome& outcome);
};

// Qt's message boxes and (never the platform's) file dialogs.
DialogPrompts& SystemPrompts();
// What a dialog given no prompts of its own asks: the installed ones (tests of the main
// window install a script), else SystemPrompts. Null uninstalls.
void InstallDialogPrompts(DialogPrompts* prompts);
DialogPrompts& CurrentPrompts();

// The file dialog the pickers run: Qt's own (never the platform's, which could block a
// test), opening in directory, patterns matched without regard to letter case.
QFileDialog* NewFileDialog(QWidget* owner, const std::string& directory, const std::string& filter,
                           const std::string& suffix);

// "desc|pattern|desc|pattern|" as Qt name filters ("desc (pattern)"). "*.*" becomes "*",
// which is what it means where the filter comes from; patterns separated by ";" are
// joined by blanks.
QStringList NameFilters(const std::string& filter);

}  // namespace vyk
