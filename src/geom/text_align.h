#pragma once
// Horizontal alignment of a text line about its anchor, used by text drawing callers.
#include <cstdint>

namespace dx {

enum TextAlign : uint8_t { taLeft = 0, taRight = 1, taCenter = 2 };

}  // namespace dx
