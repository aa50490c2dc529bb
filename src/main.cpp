#include "ui/FinderApp.h"

int main(int argc, char** argv) {
  vyk::FinderApp app(argc, argv);
  return app.Run();
}
