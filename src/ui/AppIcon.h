#pragma once
#include <QIcon>

namespace vyk {

// The program's icon, drawn at every size it is asked for.
QIcon AppIcon();

}  // namespace vyk
