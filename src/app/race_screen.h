#pragma once
// The race screen: the track around the followed car (the user's unless the view follows an
// AI car) and the gauges, with the status panel over them while it is on.
namespace dx {

class Car;

void gameDrawRace();
// The gauge panel in the bottom right corner: temperature, forces and speed.
void drawGauges(const Car& car);

}  // namespace dx
