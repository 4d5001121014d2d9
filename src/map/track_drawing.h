#pragma once
// The race view of a track: a low-polygon 3D scene seen from a chase camera, drawn as a camera
// set-up and six layers that the race screen calls in order every frame. The layers that draw
// nodes take the nodes near the view sorted farthest first, so near nodes are painted last.
#include <array>
#include <cstdint>
#include <span>

#include "framework/canvas.h"
#include "map/track.h"

namespace dx {

struct TrackDrawState {
  float zoom = 1.0f;
  float fov = 35.0f;  // degrees
  float cameraPitch = 10.0f;
  float near = 0.0f, far = 0.0f;      // set by setupCamera
  Vec3f cameraPos{}, cameraTarget{};  // smoothed from frame to frame
  bool debugDepth = false;
};

TrackDrawState& trackDrawState();
void resetTrackDrawState();

// Progress colours from start to finish.
inline constexpr std::array<ColorId, 7> trackColors{8, 9, 10, 11, 12, 14, 15};

// The progress colour of node i: trackColors[clamp(trunc(i / n * 6), 0, 6)].
ColorId trackColor(const Map& map, int64_t i);

// The chase camera above and behind the followed car (position and velocity in map units),
// rising as the car speeds up; clears the depth held in the stencil buffer.
void setupCamera(Vec2f carPos, Vec2f carVel);

// `current` is the node of the followed car; it may count past the node total on a loop.
// Background colour and the deep grid.
void drawLayer0(const Map& map, int64_t current);
// Objects below z 0.75 within 16 nodes: all shadows, then all bodies.
void drawLayer1(const Map& map, int64_t current);
// The road, its banks, walls and rims; nodes outside the 16-node window as silhouettes.
void drawLayer2(const Map& map, std::span<const Node> nodes, int64_t current);
// Line figures: centre lines, edge lines, moving dashes, wall outlines and split dividers.
void drawLayer3(const Map& map, std::span<const Node> nodes, int64_t current);
// Objects from z 0.75 up within 16 nodes, then the hexagon decor.
void drawLayer4(const Map& map, int64_t current);
// Gates across the road and the scenery sprites of the view box (map units).
void drawLayer5(const Map& map, std::span<const Node> nodes, int64_t current, const AABB& box);

// A scenery sprite. Its position is used directly as a 2D pixel position under the framework's
// current camera offset, without the 3D projection; layer 5 hands it the projected ground point.
void drawObj(const Map& map, const MapObject& object, float scale);

}  // namespace dx
