#pragma once

namespace vyk {

// Registers the compiled-in resources (dialog templates, pictures). The resource object
// lives in a static library, so nothing would pull it in otherwise. Safe to call often.
void InitResources();

}  // namespace vyk
