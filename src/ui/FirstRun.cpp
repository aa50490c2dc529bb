#include "ui/FirstRun.h"

#include "ui/dialogs/OptionsDialog.h"

namespace vyk {

bool RunFirstRunIfNeeded(Settings& settings) {
  return RunFirstRunIfNeeded(settings, [](OptionsDialog& dialog) { return dialog.exec(); });
}

bool RunFirstRunIfNeeded(Settings& settings, const OptionsRunner& run) {
  if (ConfigFileExists()) return true;
  OptionsDialog dialog(settings, nullptr);
  return run(dialog) == SkinnedDialog::kOk;
}

}  // namespace vyk
