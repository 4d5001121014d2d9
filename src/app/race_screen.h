#pragma once
// The race screen: the track around the user's car and the gauges.
namespace dx {

class Car;

void gameDrawRace();
// The gauge panel in the bottom right corner: temperature, forces and speed.
void drawGauges(const Car& car);

}  // namespace dx
