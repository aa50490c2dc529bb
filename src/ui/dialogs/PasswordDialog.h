#pragma once
#include <string>

#include "ui/widgets/CommandDialog.h"

namespace vyk {

class ServerInfo;

// "Need Password" (kPasswordTemplate): asks for the game password of a server, offering the
// one remembered for its address. OK remembers the typed text for the address.
class PasswordDialog : public CommandDialog<PasswordDialog> {
  Q_OBJECT
 public:
  static constexpr int kPasswordEdit = 1064;

  PasswordDialog(const Settings& settings, const ServerInfo& server, QWidget* parent = nullptr);
  static CommandTable Commands();
  const std::string& Password() const { return password_; }

 private:
  void RememberAndClose();

  const ServerInfo& server_;
  std::string password_;
};

}  // namespace vyk
