#pragma once
#include <QIcon>

namespace vyk {

// The program's icon (128), drawn at every size it is asked for.
QIcon AppIcon();

}  // namespace vyk
