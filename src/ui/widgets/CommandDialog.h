#pragma once
#include <span>

#include "ui/widgets/SkinnedDialog.h"

namespace vyk {

// A dialog whose commands run members named in a table, one row per control or menu id:
// D::Commands() lists them. An id the table does not name gets SkinnedDialog's handling
// (commandIssued, and kOk or kCancel end the dialog); a member that wants that too after
// its own work calls SkinnedDialog::OnCommand itself.
template <class D>
class CommandDialog : public SkinnedDialog {
 public:
  struct Command {
    int id;
    void (D::*run)();
  };
  using CommandTable = std::span<const Command>;

  using SkinnedDialog::SkinnedDialog;

  void OnCommand(int id) override {
    for (const Command& command : D::Commands())
      if (command.id == id) return (static_cast<D*>(this)->*command.run)();
    SkinnedDialog::OnCommand(id);
  }
};

}  // namespace vyk
