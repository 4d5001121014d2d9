#pragma once
// Spritesheets loaded from indexed PNG files into the 16 slots of the drawing state.
#include <cstdint>
#include <string>

namespace dx {

// Decodes the asset file into slot index (0..15) with tile size tw x th and prints
// "loaded spritesheet: <file> <w>x<h> tile:<tw>x<th>". A slot that was current stays current.
// Raises IndexError "Invalid spritesheet <index>" for a bad slot, and the decoder's errors.
void loadSpriteSheet(int64_t index, const std::string& filename, int tw, int th);

// Decodes every loaded sheet again from its file (after the window regains focus), in place,
// so the current sheet follows. A sheet that fails to decode keeps its old pixels.
void reloadSpritesheets();

}  // namespace dx
