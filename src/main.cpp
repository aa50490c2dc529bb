#include "cli/CommandLine.h"
#include "platform/Terminal.h"
#include "ui/FinderApp.h"

int main(int argc, char** argv) {
  vyk::UseParentConsole();
  // Switches run without a window (no display needed) and end the program.
  if (auto code = vyk::RunCommandLine(argc, argv)) return *code;
  vyk::FinderApp app(argc, argv);
  return app.Run();
}
