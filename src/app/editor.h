#pragma once
// Editor mode: rebuild the user's car from the catalogue and look at it in 3D.
namespace dx {

void gameUpdateEdit();
void gameDrawEdit();

}  // namespace dx
