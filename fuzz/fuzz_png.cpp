// PNG decoding, both as palette indices (spritesheets, tilesets) and as RGBA (fonts). The
// chunk checksums of the input are put right before it is decoded, so that mutated inputs get
// past the decoder's CRC test and reach the image data.
#include <zlib.h>

#include <vector>

#include "framework/png_io.h"
#include "fuzz_support.h"

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void fixChunkCrcs(std::vector<uint8_t>& b) {
  size_t pos = 8;  // after the signature
  while (pos + 12 <= b.size()) {
    const uint32_t len = be32(&b[pos]);
    if (len > b.size() - pos - 12) return;
    const uint32_t crc = uint32_t(crc32(0, &b[pos + 4], uInt(len + 4)));
    uint8_t* out = &b[pos + 8 + len];
    out[0] = uint8_t(crc >> 24), out[1] = uint8_t(crc >> 16), out[2] = uint8_t(crc >> 8), out[3] = uint8_t(crc);
    pos += 12 + len;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  fixChunkCrcs(bytes);
  const std::string_view png = dx::fuzz::asText(bytes.data(), bytes.size());
  dx::fuzz::guarded([&] { dx::decodeSurfaceIndexed(png, "image.png"); });
  dx::fuzz::guarded([&] { dx::decodeSurfaceRGBA(png, "image.png"); });
  return 0;
}
