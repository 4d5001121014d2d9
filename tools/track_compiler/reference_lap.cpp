#include "track_compiler/reference_lap.h"

#include <filesystem>

#include "framework/run_loop.h"

namespace dx {

std::optional<ReferenceCar> loadReferenceCar(const std::string& assetRoot) {
  namespace fs = std::filesystem;
  const fs::path assets = fs::path(assetRoot) / "assets";
  const fs::path catalogue = assets / "components.json", car = assets / "testCar.json";
  std::error_code ec;
  if (!fs::exists(catalogue, ec) || !fs::exists(car, ec)) return std::nullopt;
  // The catalogue's component models are read from the same folder.
  loopState().assetPath = assets.string();
  loadCarComponentSettings(catalogue.string());
  CarSettings settings;
  loadCarSettings(car.string(), settings);
  recalculate(settings);
  return ReferenceCar{car.lexically_normal().string(), measureCarLimits(settings)};
}

}  // namespace dx
