#pragma once
// Spritesheets loaded from indexed PNG files into the 16 slots of the drawing state.
namespace dx {

// Decodes every loaded sheet again from its file (after the window regains focus).
void reloadSpritesheets();

}  // namespace dx
