#include "framework/png_io.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "framework/errors.h"
#include "framework/file_io.h"

namespace dx {

namespace {

// Larger images are refused before any pixel memory is allocated: a few bytes of header must
// not claim gigabytes (16384 x 16384 RGBA would be 1 GiB).
constexpr png_uint_32 kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t(4096) * 4096;

// Everything libpng's callbacks touch. libpng reports errors by longjmp, so this is plain data
// and the functions that call setjmp own nothing with a destructor; the C++ objects live in
// their callers.
struct PngIo {
  const uint8_t* in = nullptr;
  size_t inSize = 0, inPos = 0;
  uint8_t* out = nullptr;
  size_t outSize = 0, outCap = 0;
  char message[200] = "";
};

PngIo* ioOf(png_structp png) { return static_cast<PngIo*>(png_get_error_ptr(png)); }

void onError(png_structp png, png_const_charp msg) {
  std::snprintf(ioOf(png)->message, sizeof ioOf(png)->message, "%s", msg);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readCallback(png_structp png, png_bytep dst, png_size_t n) {
  PngIo* io = ioOf(png);
  if (io->inSize - io->inPos < n) png_error(png, "the file ends early (truncated PNG)");
  std::memcpy(dst, io->in + io->inPos, n);
  io->inPos += n;
}

void writeCallback(png_structp png, png_bytep src, png_size_t n) {
  PngIo* io = ioOf(png);
  if (io->outCap - io->outSize < n) {
    const size_t cap = std::max(io->outCap * 2, io->outSize + n + 4096);
    auto* grown = static_cast<uint8_t*>(std::realloc(io->out, cap));
    if (!grown) png_error(png, "out of memory");
    io->out = grown;
    io->outCap = cap;
  }
  std::memcpy(io->out + io->outSize, src, n);
  io->outSize += n;
}

void flushCallback(png_structp) {}

struct Layout {
  png_uint_32 w = 0, h = 0;
  size_t rowBytes = 0;
};

bool readHeader(png_structp png, png_infop info, bool indexed, Layout* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_read_info(png, info);
  if (uint64_t(png_get_image_width(png, info)) * png_get_image_height(png, info) > kMaxPixels)
    png_error(png, "the image is too large (more than 4096 x 4096 pixels)");
  const int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  if (indexed) {
    if (type != PNG_COLOR_TYPE_PALETTE && type != PNG_COLOR_TYPE_GRAY) png_error(png, "not a palette image");
    if (depth < 8) png_set_packing(png);  // one byte per index, values unchanged
    if (depth == 16) png_set_strip_16(png);
  } else {
    png_set_expand(png);  // palette to RGB, small greys to 8 bits, tRNS to alpha
    if (depth == 16) png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(type & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
      png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out->w = png_get_image_width(png, info);
  out->h = png_get_image_height(png, info);
  out->rowBytes = png_get_rowbytes(png, info);
  if (out->rowBytes != size_t(out->w) * (indexed ? 1 : 4)) png_error(png, "unexpected pixel layout");
  return true;
}

bool readRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

struct ReadGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadGuard() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

SurfacePtr decode(std::string_view bytes, const std::string& path, bool indexed) {
  PngIo io;
  io.in = reinterpret_cast<const uint8_t*>(bytes.data());
  io.inSize = bytes.size();
  ReadGuard g;
  g.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, onError, onWarning);
  if (g.png) g.info = png_create_info_struct(g.png);
  if (!g.info) throw GameError(path + ": cannot start the PNG decoder");
  png_set_read_fn(g.png, &io, readCallback);
  Layout layout;
  if (!readHeader(g.png, g.info, indexed, &layout)) throw FormatError(path + ": " + io.message);
  auto s = std::make_shared<Surface>();
  s->channels = indexed ? 1 : 4;
  s->w = int(layout.w);
  s->h = int(layout.h);
  s->filename = path;
  s->data.assign(layout.rowBytes * layout.h, 0);
  std::vector<png_bytep> rows(layout.h);
  for (png_uint_32 y = 0; y < layout.h; ++y) rows[y] = s->data.data() + y * layout.rowBytes;
  if (!readRows(g.png, rows.data())) throw FormatError(path + ": " + io.message);
  return s;
}

struct WriteJob {
  png_uint_32 w = 0, h = 0;
  int colorType = 0;
  const png_color* palette = nullptr;
  int paletteSize = 0;
  png_bytepp rows = nullptr;
};

bool writeImage(png_structp png, png_infop info, const WriteJob* job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, job->w, job->h, 8, job->colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (job->palette) png_set_PLTE(png, info, job->palette, job->paletteSize);
  png_write_info(png, info);
  png_write_image(png, job->rows);
  png_write_end(png, nullptr);
  return true;
}

struct WriteGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngIo io;
  ~WriteGuard() {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::free(io.out);
  }
};

void encode(const std::string& path, const Surface& s, int colorType, const std::vector<png_color>& palette) {
  if (s.w <= 0 || s.h <= 0 || s.data.size() < size_t(s.w) * size_t(s.h) * size_t(s.channels))
    throw GameError(path + ": cannot write an empty or inconsistent image");
  WriteGuard g;
  g.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &g.io, onError, onWarning);
  if (g.png) g.info = png_create_info_struct(g.png);
  if (!g.info) throw GameError(path + ": cannot start the PNG encoder");
  png_set_write_fn(g.png, &g.io, writeCallback, flushCallback);
  std::vector<png_bytep> rows(size_t(s.h));
  const size_t pitch = size_t(s.w) * size_t(s.channels);
  for (int y = 0; y < s.h; ++y) rows[size_t(y)] = const_cast<png_bytep>(s.data.data() + size_t(y) * pitch);
  WriteJob job;
  job.w = png_uint_32(s.w);
  job.h = png_uint_32(s.h);
  job.colorType = colorType;
  job.palette = palette.empty() ? nullptr : palette.data();
  job.paletteSize = int(palette.size());
  job.rows = rows.data();
  if (!writeImage(g.png, g.info, &job)) throw GameError(path + ": " + g.io.message);
  writeFileAtomically(path, std::string_view(reinterpret_cast<const char*>(g.io.out), g.io.outSize));
}

}  // namespace

SurfacePtr decodeSurfaceIndexed(std::string_view bytes, const std::string& name) { return decode(bytes, name, true); }

SurfacePtr decodeSurfaceRGBA(std::string_view bytes, const std::string& name) { return decode(bytes, name, false); }

SurfacePtr loadSurfaceIndexed(const std::string& path) {
  return decodeSurfaceIndexed(readTextFile(path, readCap::image), path);
}

SurfacePtr loadSurfaceRGBA(const std::string& path) {
  return decodeSurfaceRGBA(readTextFile(path, readCap::image), path);
}

void writePngRGBA(const std::string& path, const Surface& s) {
  if (s.channels != 4) throw GameError(path + ": an RGBA PNG needs a 4-channel surface");
  encode(path, s, PNG_COLOR_TYPE_RGBA, {});
}

void writePngIndexed(const std::string& path, const Surface& s, const Palette& p) {
  if (s.channels != 1) throw GameError(path + ": a palette PNG needs a 1-channel surface");
  int used = 0;
  for (uint8_t v : s.data) used = std::max(used, int(v) + 1);
  std::vector<png_color> colors(size_t(std::clamp(std::max(p.size, used), 1, 256)));
  for (size_t i = 0; i < colors.size(); ++i) colors[i] = png_color{p.colors[i].r, p.colors[i].g, p.colors[i].b};
  encode(path, s, PNG_COLOR_TYPE_PALETTE, colors);
}

}  // namespace dx
