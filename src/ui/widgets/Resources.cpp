#include "ui/widgets/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterVykResources() {
  Q_INIT_RESOURCE(vyk);
}

namespace vyk {

void InitResources() {
  static const bool done = (RegisterVykResources(), true);
  (void)done;
}

}  // namespace vyk
