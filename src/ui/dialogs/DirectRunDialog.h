#pragma once
#include <string>

#include "launch/ConnectHost.h"
#include "ui/widgets/CommandDialog.h"
#include "ui/widgets/ResourceIds.h"

class QLineEdit;

namespace vyk {

class Clipboard;
class GameStarter;
class ServerList;

// Direct run (kDirectRunTemplate): connect to an address typed by hand, look it up once,
// copy its description, or add it to the server list. Ends with kOk (Connect), kAddToList
// or kCancel (Cancel, Escape, close box).
class DirectRunDialog : public CommandDialog<DirectRunDialog>, private ConnectHost {
  Q_OBJECT
 public:
  enum Id : int {
    kAddress = 1006,
    kParameters = 1007,
    kInfo = 1009,
    kGetInfo = 1055,
    kPassword = 1064,
    kAddToList = 1051,
    kCopyInfo = kCopyCommand,
  };
  static constexpr const char* kSection = "DIRECT RUN";
  static constexpr const char* kDefaultServer = "0.0.0.0:27960";

  // servers: the main window's list, for adding; alias: the chosen alias for "+name".
  // starter and clipboard: null for the real game start and the system clipboard.
  DirectRunDialog(const Settings& settings, ServerList& servers, const std::string& alias,
                  QWidget* parent = nullptr, GameStarter* starter = nullptr,
                  Clipboard* clipboard = nullptr);
  ~DirectRunDialog() override;

  // The address text of the server "Add to List" (or Connect with addOnDirectRun) added,
  // as typed; empty when none. The main window selects the row with this address.
  const std::string& AddedAddress() const { return addedAddress_; }

  // The address, password and parameters as typed, into cache.srv.
  void SaveDirectRunFields();
  // The typed server into the list and the list into the server list file.
  void AddTypedServer();

  static CommandTable Commands();

 private:
  std::string Text(QLineEdit* edit) const;
  void GetInfo();
  void CopyInfo();
  void AddAndClose();
  void Connect();
  void SaveAndCancel();
  // The connect sequence's host: a typed address has no row, prompt or minimising here.
  void RefreshCurrentRow() override;
  std::string AskServerPassword(const ServerInfo& server) override;
  void MinimizeMainWindow() override;
  void QueryServer(ServerInfo& server, std::chrono::milliseconds firstWait, int attempts) override;

  ServerList& servers_;
  std::string alias_;
  GameStarter* starter_;
  Clipboard* clipboard_;
  std::string addedAddress_;
  QLineEdit* address_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* parameters_ = nullptr;
  QLineEdit* info_ = nullptr;
};

}  // namespace vyk
