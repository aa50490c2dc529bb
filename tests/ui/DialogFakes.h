#pragma once
// Stand-ins for whatever would wait for a user or reach outside the test: message
// boxes, file pickers, the status line and error box, the clipboard, the game start.
#include <gtest/gtest.h>

#include <QPushButton>
#include <deque>
#include <string>
#include <vector>

#include "StatusFakes.h"
#include "config/Clipboard.h"
#include "core/StatusLine.h"
#include "launch/GameStarter.h"
#include "ui/dialogs/DialogPrompts.h"
#include "ui/widgets/SkinnedDialog.h"

namespace vyk::test {

class ScriptedPrompts : public DialogPrompts {
 public:
  struct FileRequest {
    std::string directory, filter, suffix;
    bool save = false;
  };

  std::deque<Answer> answers;      // next answers to AskYesNoCancel; Cancel when none
  std::vector<std::string> asked;  // texts of AskYesNoCancel
  std::vector<std::string> told;   // texts of Tell
  std::vector<std::string> errors;  // texts of ShowError
  std::deque<std::string> files;   // next picked paths; "" (cancel) when none
  std::vector<FileRequest> requests;

  Answer AskYesNoCancel(QWidget*, const std::string& text) override {
    asked.push_back(text);
    if (answers.empty()) return Answer::kCancel;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void Tell(QWidget*, const std::string& text) override { told.push_back(text); }
  void ShowError(QWidget*, const std::string& text) override { errors.push_back(text); }
  std::string SaveFileName(QWidget*, const std::string& directory, const std::string& filter,
                           const std::string& suffix) override {
    return Pick({directory, filter, suffix, true});
  }
  std::string OpenFileName(QWidget*, const std::string& directory, const std::string& filter,
                           const std::string& suffix) override {
    return Pick({directory, filter, suffix, false});
  }

 private:
  std::string Pick(const FileRequest& request) {
    requests.push_back(request);
    if (files.empty()) return {};
    std::string f = files.front();
    files.pop_front();
    return f;
  }
};

class RecordingStarter : public GameStarter {
 public:
  struct Start {
    std::string file, parameters, directory;
  };
  std::vector<Start> starts;
  bool StartGame(const std::string& file, const std::string& parameters,
                 const std::string& directory) override {
    starts.push_back({file, parameters, directory});
    return true;
  }
};

class RecordingClipboard : public Clipboard {
 public:
  std::vector<std::string> texts;
  bool SetText(const std::string& text) override {
    texts.push_back(text);
    return true;
  }
};

// Presses the push button with that control id, as a user would.
inline void Press(SkinnedDialog& dialog, int id) {
  auto* button = qobject_cast<QPushButton*>(dialog.Control(id));
  ASSERT_NE(button, nullptr) << "no button " << id;
  button->click();
}

}  // namespace vyk::test
