#pragma once
// The race screen: the track around the user's car and the gauges.
namespace dx {

void gameDrawRace();

}  // namespace dx
