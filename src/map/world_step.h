#pragma once
// One simulation step of a track and of everything on it, and the lanes on which objects that
// meet nothing else can be stepped apart from the rest.
#include "framework/random.h"
#include "map/track.h"

namespace dx {

// Advances the world by dt: one relaxation step of the racing line, the update of every object in
// list order, the collisions of the objects near each other on the track, the removal of the
// objects that asked for it, and the particle pools. Whatever is drawn at random comes from r (a
// car with a stream of its own drives with that), so the result depends only on the map, dt and
// r: never on drawing, input or the loop.
void stepWorld(Map& map, float dt, RandomState& r);
// The step with the simulation's generator.
void update(Map& map, float dt);

// A world for objects that meet nothing else on the track, such as the ethereal training cars: a
// copy of the map's track and of the racing line the cars follow, without objects, with empty
// particle pools of its own and without the springs (nothing on the track reads them, so a
// lane does not relax them again).
MapPtr newLane(const Map& map);

}  // namespace dx
