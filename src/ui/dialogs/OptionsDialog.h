#pragma once
#include "config/ConfigFile.h"
#include "config/OptionsModel.h"
#include "ui/widgets/CommandDialog.h"

namespace vyk {

class CResizeCtrl;
class PropertyList;

// "Configuration": every setting in one property list. OK writes every row to Config.ini
// and reloads the settings; Cancel writes nothing. exec() returns kOk or kCancel.
// The caller applies the new values after OK (colours, server list, filters).
class OptionsDialog : public CommandDialog<OptionsDialog> {
  Q_OBJECT
 public:
  static constexpr int kListId = 1037;

  explicit OptionsDialog(Settings& settings, QWidget* parent = nullptr);

  PropertyList* List() const { return list_; }
  CResizeCtrl* Layout() const { return resize_; }
  // Where OK sends its values; Config.ini unless set.
  void SetProfileWriter(ProfileWriter writer) { writer_ = std::move(writer); }

  static CommandTable Commands();

 private:
  void Fill();
  // Every row into Config.ini, the settings read again, then the dialog closes.
  void WriteAndClose();

  Settings& settings_;
  PropertyList* list_ = nullptr;
  CResizeCtrl* resize_ = nullptr;
  ProfileWriter writer_;
};

}  // namespace vyk
