#include "car/speed_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "framework/errors.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

constexpr float kStep = float(carTimeStep);
// Every straight run has settled long before a minute.
constexpr int kLongestRun = 3600;
// Circles of 2 to 512 map units, each radius sqrt(2) times the last.
constexpr int kRadii = 17;
constexpr float kSmallestRadius = 2;
// Under steady controls: time to settle into a circle, then time to measure it.
constexpr int kSettleSteps = 360, kCircleSteps = 120;
// Halvings of the speed or steer range in the search for a circle's highest speed.
constexpr int kBisections = 16;

// Three wall-less nodes: a car's step needs a track under it; the measurements want no walls.
MapPtr openGround() {
  MapPtr ground = newMap();
  ground->laps = 1;
  for (int64_t i = 0; i < 3; ++i) {
    addNode(*ground, initNode(0, i, {32.0f * float(i), 0}, {0, 1}, 0, 32, 32, 8, 8, flagNoWalls));
    ground->racingLine.push_back(ground->path.back().pos);
  }
  newParticleSystem(16, ground->ps);
  return ground;
}

// The measurements' own car at rest at the origin, facing +x, set up as newCar sets a car up
// (without the shared body model and collision answers, which driving alone never uses).
Car parkedCar(const CarSettings& settings, Map& ground) {
  Car car;
  car.settings = settings;
  car.map = &ground;
  car.trail = newRingBuffer<Vec2f>(16);
  car.temperature = 24;
  car.boostReset = true;
  return car;
}

float forwardSpeed(const Car& car) { return dot(car.vel, headingOf(car)); }

// Drives straight on with full throttle or full brake until the speed stops changing that way;
// every step's mean rate of change, at the step's middle speed, in the order driven.
SpeedTable straightRun(Car& car, RandomState& r, bool braking) {
  car.controls = Controls{};
  car.controls.accel = !braking;
  car.controls.brake = braking;
  SpeedTable run;
  for (int k = 0; k < kLongestRun; ++k) {
    const float before = forwardSpeed(car);
    car.update(kStep, r);
    const float after = forwardSpeed(car), change = braking ? before - after : after - before;
    if (!(change > 0)) break;
    run.speeds.push_back(0.5f * (before + after));
    run.rates.push_back(change / kStep);
    if (after <= 0) break;
  }
  return run;
}

// The circle a car settles into under steady controls, and its speed there.
struct Circle {
  float radius, speed;
};

// Drives with a fixed steer and full throttle (heldSpeed 0) or the throttle holding a speed;
// once settled, the distance driven over the turn of the velocity is the circle's radius.
Circle steadyCircle(const Car& start, float steer, float heldSpeed, RandomState& r) {
  Car car = start;
  double distance = 0, turned = 0;
  for (int k = 0; k < kSettleSteps + kCircleSteps; ++k) {
    car.controls.steer = steer;
    car.controls.accel = heldSpeed == 0 || length(car.vel) < heldSpeed;
    const float heading = angle(car.vel);
    car.update(kStep, r);
    if (k < kSettleSteps) continue;
    distance += double(length(car.vel)) * carTimeStep;
    turned += double(angleDiff(angle(car.vel), heading));
  }
  const float radius = turned > 0 ? float(distance / turned) : std::numeric_limits<float>::infinity();
  return {radius, float(distance / (kCircleSteps * carTimeStep))};
}

// Where turning limits the speed: at full lock, the highest held speed whose circle is no wider.
float turningLimited(const Car& parked, float radius, float fastest, RandomState& r) {
  float lo = 0, hi = fastest, best = 0;
  for (int k = 0; k < kBisections; ++k) {
    const float mid = 0.5f * (lo + hi);
    Car car = parked;
    car.vel = {mid, 0};
    const Circle c = steadyCircle(car, 1, mid, r);
    if (c.radius <= radius)
      lo = mid, best = c.speed;
    else
      hi = mid;
  }
  return best;
}

// Where the engine limits the speed: at full throttle, the least steer whose circle is no wider.
float engineLimited(const Car& flatOut, Circle fullLock, float radius, RandomState& r) {
  float lo = 0, hi = 1, best = fullLock.speed;
  for (int k = 0; k < kBisections; ++k) {
    const float mid = 0.5f * (lo + hi);
    const Circle c = steadyCircle(flatOut, mid, 0, r);
    if (c.radius <= radius)
      hi = mid, best = c.speed;
    else
      lo = mid;
  }
  return best;
}

// Linear between the table's speeds, the nearest rate beyond them; none in an empty table (a car
// that cannot move).
float rateAt(const SpeedTable& t, float speed) {
  const std::vector<float>& s = t.speeds;
  if (s.empty()) return 0;
  const size_t i = size_t(std::upper_bound(s.begin(), s.end(), speed) - s.begin());
  if (i == 0) return t.rates.front();
  if (i == s.size()) return t.rates.back();
  return lerp(t.rates[i - 1], t.rates[i], (speed - s[i - 1]) / (s[i] - s[i - 1]));
}

// The speed after `distance` from `speed` when the speed grows at rate(speed): forward under the
// throttle, or backward from the end of a braking. v dv/ds = rate(v) is integrated in v^2, which
// stays smooth from rest, with Runge-Kutta steps of at most a map unit.
template <class Rate>
float gained(const Rate& rate, float speed, float distance) {
  const int64_t steps = std::max<int64_t>(1, truncToInt64(std::ceil(distance)));
  const double h = double(distance) / double(steps);
  auto slope = [&](double w) { return 2.0 * double(rate(float(std::sqrt(std::max(w, 0.0))))); };
  double w = double(speed) * double(speed);
  for (int64_t k = 0; k < steps; ++k) {
    const double k1 = slope(w), k2 = slope(w + 0.5 * h * k1), k3 = slope(w + 0.5 * h * k2), k4 = slope(w + h * k3);
    w += h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
  }
  return float(std::sqrt(w));
}

float braked(const CarLimits& l, float speed, float distance) {
  return gained([&](float v) { return rateAt(l.braking, v); }, speed, distance);
}

// Full throttle from a point whose bend allows `bendSpeed`. On a bend part of the thrust goes
// into the slip the bend needs: at the bend's speed on a wide circle full throttle gains nothing
// more, so the straight's acceleration there is what the bend takes; below it, that share is
// taken to shrink with the square of the speed.
float accelerated(const CarLimits& l, float speed, float distance, float bendSpeed) {
  const float taken = bendSpeed > 0 ? rateAt(l.acceleration, bendSpeed) / (bendSpeed * bendSpeed) : 0.0f;
  auto rate = [&](float v) { return std::max(0.0f, rateAt(l.acceleration, v) - taken * v * v); };
  return std::min(gained(rate, speed, distance), std::max(speed, l.topSpeed));
}

// Radius of the circle through three points; infinite when they are on a line.
float circumradius(Vec2f a, Vec2f b, Vec2f c) {
  const double abx = double(b.x) - a.x, aby = double(b.y) - a.y, acx = double(c.x) - a.x, acy = double(c.y) - a.y;
  const double twiceArea = std::fabs(abx * acy - aby * acx);
  if (!(twiceArea > 0)) return std::numeric_limits<float>::infinity();
  const double bc = std::hypot(double(c.x) - b.x, double(c.y) - b.y);
  return float(std::hypot(abx, aby) * std::hypot(acx, acy) * bc / (2 * twiceArea));
}

// The racing line's points, the distance to each from the one before it (none before an open
// track's first) and the speed each one's bend allows.
struct PlanLine {
  const std::vector<Vec2f>& points;
  std::vector<float> gaps, bends;
  bool loop;
  size_t at(int64_t i) const { return size_t(wrap(i, int64_t(points.size()))); }
};

// The bend's speed from the radius of the circle through a point and its neighbours; an open
// track's ends count as straight.
PlanLine lineOf(const Map& map, const CarLimits& l) {
  const int64_t n = int64_t(map.racingLine.size());
  PlanLine line{map.racingLine, std::vector<float>(size_t(n), 0.0f), std::vector<float>(size_t(n)), isLooping(map)};
  for (int64_t i = 0; i < n; ++i) {
    const bool end = !line.loop && (i == 0 || i == n - 1);
    const Vec2f before = line.points[line.at(i - 1)], here = line.points[size_t(i)];
    if (line.loop || i > 0) line.gaps[size_t(i)] = length(here - before);
    const float radius =
        end ? std::numeric_limits<float>::infinity() : circumradius(before, here, line.points[line.at(i + 1)]);
    line.bends[size_t(i)] = cornerSpeed(l, radius);
  }
  return line;
}

// A forward pass (no point faster than the throttle brings the car from the one before) and a
// backward one (none faster than the brake can lose before the next), repeated round a loop until
// the speeds settle.
void limitByThrottleAndBrake(std::vector<float>& v, const PlanLine& line, const CarLimits& l) {
  const int64_t n = int64_t(v.size()), first = line.loop ? 0 : 1;
  std::vector<float> before;
  do {
    before = v;
    for (int64_t k = first; k < n + (line.loop ? 1 : 0); ++k) {
      const size_t i = line.at(k), p = line.at(k - 1);
      v[i] = std::min(v[i], accelerated(l, v[p], line.gaps[i], line.bends[p]));
    }
    for (int64_t k = n - 2 + (line.loop ? 1 : 0); k >= 0; --k) {
      const size_t i = size_t(k), next = line.at(k + 1);
      v[i] = std::min(v[i], braked(l, v[next], line.gaps[next]));
    }
  } while (v != before);
}

double segmentTime(float v0, float v1, float gap) {
  return gap > 0 ? 2.0 * double(gap) / (double(v0) + double(v1)) : 0.0;
}

// Seconds from point `from` to point `to` (a loop's indices may run past its end) at the speeds.
double flyingTime(const std::vector<float>& v, const PlanLine& line, int64_t from, int64_t to) {
  double t = 0;
  for (int64_t i = from + 1; i <= to; ++i) t += segmentTime(v[line.at(i - 1)], v[line.at(i)], line.gaps[line.at(i)]);
  return t;
}

// The same from rest at `from`, under full throttle wherever the plan allows more.
double standingTime(const std::vector<float>& v, const PlanLine& line, const CarLimits& l, int64_t from, int64_t to) {
  double t = 0;
  float speed = 0;
  for (int64_t i = from + 1; i <= to; ++i) {
    const size_t k = line.at(i);
    const float next = std::min(v[k], accelerated(l, speed, line.gaps[k], line.bends[line.at(i - 1)]));
    t += segmentTime(speed, next, line.gaps[k]);
    speed = next;
  }
  return t;
}

}  // namespace

CarLimits measureCarLimits(const CarSettings& settings) {
  const MapPtr ground = openGround();
  RandomState r;  // nothing is drawn without walls to hit or boost to spend; it keeps the steps private
  Car car = parkedCar(settings, *ground);
  const Car parked = car;
  CarLimits l;
  l.acceleration = straightRun(car, r, false);
  l.topSpeed = forwardSpeed(car);
  const Car flatOut = car;
  const Circle fullLock = steadyCircle(flatOut, 1, 0, r);
  SpeedTable braking = straightRun(car, r, true);
  std::reverse(braking.speeds.begin(), braking.speeds.end());
  std::reverse(braking.rates.begin(), braking.rates.end());
  l.braking = braking;
  for (int k = 0; k < kRadii; ++k) {
    const float radius = kSmallestRadius * std::exp2(0.5f * float(k));
    l.radii.push_back(radius);
    l.cornerSpeeds.push_back(radius <= fullLock.radius ? turningLimited(parked, radius, fullLock.speed, r)
                                                       : engineLimited(flatOut, fullLock, radius, r));
  }
  return l;
}

float cornerSpeed(const CarLimits& l, float radius) {
  const std::vector<float>&R = l.radii, &V = l.cornerSpeeds;
  if (radius <= R.front()) return V.front() * radius / R.front();
  if (radius >= R.back()) return lerp(l.topSpeed, V.back(), R.back() / radius);
  const size_t i = size_t(std::upper_bound(R.begin(), R.end(), radius) - R.begin());
  return lerp(V[i - 1], V[i], (radius - R[i - 1]) / (R[i] - R[i - 1]));
}

SpeedPlan planSpeeds(const Map& map, const CarLimits& limits) {
  const int64_t n = int64_t(map.path.size());
  if (n == 0) throw IndexError("a speed plan of a track without nodes");
  if (limits.radii.empty()) throw IndexError("a speed plan needs the car's measured limits");
  if (map.racingLine.size() != map.path.size()) throw IndexError("a speed plan of a track without its racing line");
  const PlanLine line = lineOf(map, limits);
  SpeedPlan plan;
  plan.speeds = line.bends;
  limitByThrottleAndBrake(plan.speeds, line, limits);
  const int64_t start = line.loop ? 0 : getStartNode(map, 0), finish = line.loop ? n : getEndNode(map);
  plan.flyingLap = float(flyingTime(plan.speeds, line, start, finish));
  plan.standingLap = float(standingTime(plan.speeds, line, limits, getStartNode(map, 2), finish));
  plan.topSpeed = limits.topSpeed;
  return plan;
}

float plannedSpeedAt(const SpeedPlan& plan, const Map& map, float node) {
  const float i = std::floor(node);
  const int64_t a = int64_t(i);
  const float va = plan.speeds[size_t(nodeAt(map, a).id)], vb = plan.speeds[size_t(nodeAt(map, a + 1).id)];
  return lerp(va, vb, node - i);
}

std::string referenceLapLine(const SpeedPlan& plan, const std::string& carFile) {
  char line[64];
  std::snprintf(line, sizeof line, "reference lap %.1f s flying, %.1f s standing for ", double(plan.flyingLap),
                double(plan.standingLap));
  return line + carFile;
}

}  // namespace dx
