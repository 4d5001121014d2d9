#pragma once
// The enumerations shared by the object model, the track and the cars. Their numeric values
// matter (files and comparisons use them); each is stored in one byte.
#include <cstdint>

namespace dx {

enum PowerupKind : uint8_t {
  NONE,
  BOOST,
  MISSILE,
  ROCKET,
  BOMB,
  MINES,
  MACHINEGUN,
  SHIELD,
  AUTOPILOT,
  GLITCH,
  QUAKE,
};

enum class ComponentKind : uint8_t { Hull, Thruster, Heatsink, Wing, Cover, Pod };

enum class CarClass : uint8_t { classC, classB, classA, classS };

enum Team : uint8_t { teamCA, teamSK, teamDK, teamUAE, teamTH, teamSA };

enum class ControlScheme : uint8_t { Classic, Analog };

enum ParticleKind : uint8_t {
  particleSpark,
  particleSmoke,
  particleDust,
  particleBoost,
  particleRain,
  particleSnow,
  particleFog,
  particleExplosion,
};

enum TrackObjectKind : uint8_t { toBooster, toPowerup, toCursor };

}  // namespace dx
