#pragma once
// PNG decoding into Surfaces (8-bit palette indices or 8-bit RGBA) and PNG encoding for the
// tools, the picture tests and screenshots.
#include <string>
#include <string_view>

#include "framework/canvas.h"
#include "framework/palette.h"

namespace dx {

// Decodes a palette PNG (1, 2, 4 or 8 bits per pixel) or a greyscale PNG into one index byte per
// pixel; the surface's filename is the path. Raises readFile's IOError, or FormatError naming
// the file for a truncated or malformed PNG or a colour image.
SurfacePtr loadSurfaceIndexed(const std::string& path);
// Decodes any PNG into 4 bytes per pixel (red, green, blue, alpha; opaque where the file has
// no transparency). Errors as loadSurfaceIndexed.
SurfacePtr loadSurfaceRGBA(const std::string& path);
// The same two over the bytes of a PNG file; `name` stands for the file in errors and becomes
// the surface's filename.
SurfacePtr decodeSurfaceIndexed(std::string_view bytes, const std::string& name);
SurfacePtr decodeSurfaceRGBA(std::string_view bytes, const std::string& name);

// Writes a 4-channel surface as an 8-bit RGBA PNG, replacing the file atomically.
void writePngRGBA(const std::string& path, const Surface& s);
// Writes a 1-channel surface as an 8-bit palette PNG whose palette holds the first
// max(p.size, largest index + 1) entries of p (at most 256).
void writePngIndexed(const std::string& path, const Surface& s, const Palette& p);

}  // namespace dx
