#include "framework/capture.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "framework/errors.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

CaptureState gCapture;

std::tm localNow() {
  const std::time_t t = std::time(nullptr);
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

std::string dateTime(const std::tm& t) {
  char buf[64];
  const size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &t);
  return std::string(buf, n);
}

// True when the folder exists afterwards, whether or not it had to be made.
bool makeFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

// A frame covers the canvas when it is at least as wide and as high as it.
bool coversCanvas(const Surface& f, int w, int h) {
  return f.w >= w && f.h >= h && f.data.size() >= size_t(f.w) * size_t(f.h);
}

// Each canvas pixel becomes a 2 x 2 block of its colour index.
void doubleFrame(const Surface& f, int w, int h, std::vector<GifByteType>& out) {
  const int gw = 2 * w;
  for (int y = 0; y < 2 * h; ++y) {
    const uint8_t* src = f.data.data() + size_t(y / 2) * size_t(f.w);
    GifByteType* dst = out.data() + size_t(y) * size_t(gw);
    for (int x = 0; x < gw; ++x) dst[x] = src[x / 2];
  }
}

// Screen descriptor with the current palette, then the NETSCAPE2.0 block that loops forever.
bool putHeader(GifFileType* gif, int gw, int gh) {
  const Palette& p = currentPalette();
  const int depth = p.size < 17 ? 4 : 8;
  GifColorType colors[256];
  for (int i = 0; i < (1 << depth); ++i) colors[i] = GifColorType{p.colors[size_t(i)].r, p.colors[size_t(i)].g, p.colors[size_t(i)].b};
  ColorMapObject* map = GifMakeMapObject(1 << depth, colors);
  EGifSetGifVersion(gif, true);
  const bool ok = map && EGifPutScreenDesc(gif, gw, gh, depth, 0, map) == GIF_OK;
  GifFreeMapObject(map);  // the descriptor keeps its own copy
  if (!ok) return false;
  static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType loopForever[] = {1, 0, 0};
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof netscape, netscape) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof loopForever, loopForever) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool putFrame(GifFileType* gif, std::vector<GifByteType>& pixels, int gw, int gh, int delay) {
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
  gcb.DelayTime = delay;
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType ext[4];
  const size_t n = EGifGCBToExtension(&gcb, ext);
  return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext) == GIF_OK &&
         EGifPutImageDesc(gif, 0, 0, gw, gh, false, nullptr) == GIF_OK &&
         EGifPutLine(gif, pixels.data(), gw * gh) == GIF_OK;
}

// Header and frames, oldest first, stopping at a frame from an older, smaller canvas.
bool putRecording(GifFileType* gif, int w, int h, int& written) {
  const CaptureState& c = gCapture;
  const int gw = 2 * w, gh = 2 * h;
  if (!putHeader(gif, gw, gh)) return false;
  std::vector<GifByteType> pixels(size_t(gw) * size_t(gh));
  const int delay = c.fullSpeedGif ? 2 : 3;
  for (size_t k = 0; k < c.recordFrames.size(); ++k) {
    const Surface& f = *c.recordFrames[k];
    if (!coversCanvas(f, w, h)) {
      debug("went past end of input data on frame ", k, " of ", c.recordFrames.size());
      break;
    }
    doubleFrame(f, w, h, pixels);
    if (!putFrame(gif, pixels, gw, gh, delay)) return false;
    ++written;
  }
  return true;
}

const char* gifError(int code) {
  const char* s = GifErrorString(code);
  return s ? s : "unknown error";
}

}  // namespace

CaptureState& captureState() { return gCapture; }

void resetCaptureState() { gCapture = CaptureState{}; }

size_t recordCapacity(int recordSeconds, bool fullSpeedGif, int frameRate) {
  if (recordSeconds <= 0) return 1;
  const int perSecond = fullSpeedGif ? frameRate : frameRate / 2;
  return std::max<size_t>(size_t(recordSeconds) * size_t(std::max(perSecond, 0)), 1);
}

void setRecordSeconds(int s) {
  gCapture.recordSeconds = s;
  createRecordBuffer();
}

void createRecordBuffer() {
  if (!loopState().window) return;
  CaptureState& c = gCapture;
  c.capacity = recordCapacity(c.recordSeconds, c.fullSpeedGif, loopState().frameRate);
  c.recordFrames.clear();
  const DrawState& d = drawState();
  c.recordFrame = newSurface(d.screenWidth, d.screenHeight);
}

void captureFrame() {
  CaptureState& c = gCapture;
  if (c.recordSeconds <= 0 || !c.recordFrame) return;
  if (!c.fullSpeedGif && loopState().frame % 2 != 0) return;
  const Surface& canvas = *drawState().swCanvas;
  Surface& f = *c.recordFrame;
  f.data = canvas.data;
  f.w = canvas.w;
  f.h = canvas.h;
  c.recordFrames.push_back(c.recordFrame);
  while (c.recordFrames.size() > c.capacity) c.recordFrames.pop_front();
  c.recordFrame = newSurface(canvas.w, canvas.h);
}

void saveRecording() {
  const std::string folder = joinPath(writePath(), "video");
  if (!makeFolder(folder)) {
    debug("unable to create video output directory");
    return;
  }
  const std::string path = joinPath(folder, videoFileName(localNow()));
  int err = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
  if (!gif) {
    debug("unable to create gif: ", path);
    return;
  }
  debug("created gif: ", path);
  const DrawState& d = drawState();
  int written = 0;
  const bool ok = putRecording(gif, d.screenWidth, d.screenHeight, written);
  const int bodyError = gif->Error;
  const bool closed = EGifCloseFile(gif, &err) == GIF_OK;
  if (!ok || !closed) {
    // A half-written file would pass for a recording; remove it and say why.
    debug("unable to write gif: ", path, gifError(ok ? err : bodyError));
    std::remove(path.c_str());
    return;
  }
  echo("completed saving gif ", path, " frames: ", written);
}

void saveScreenshot() {
  const std::string folder = joinPath(writePath(), "screenshots");
  if (!makeFolder(folder)) {
    debug("unable to create screenshot output directory");
    return;
  }
  const CaptureState& c = gCapture;
  if (c.recordFrames.empty()) {
    debug("no captured frame to save as a screenshot");
    return;
  }
  const Surface& f = *c.recordFrames.back();
  const DrawState& d = drawState();
  const Palette& p = currentPalette();
  Surface rgba;
  rgba.channels = 4;
  rgba.w = d.screenWidth;
  rgba.h = d.screenHeight;
  rgba.data.resize(size_t(rgba.w) * size_t(rgba.h) * 4);
  uint8_t* out = rgba.data.data();
  for (int y = 0; y < rgba.h; ++y) {
    for (int x = 0; x < rgba.w; ++x, out += 4) {
      const RGB col = p.colors[size_t(d.paletteMapDisplay[get(f, x, y)] & 0xFF)];
      out[0] = col.r;
      out[1] = col.g;
      out[2] = col.b;
      out[3] = 255;
    }
  }
  const std::string path = joinPath(folder, screenshotFileName(localNow()));
  try {
    writePngRGBA(path, rgba);
  } catch (const GameError& e) {
    debug("unable to save screenshot: ", e.what());
    return;
  }
  debug("saved screenshot to: ", path);
}

std::string videoFileName(const std::tm& t) {
  std::string s = dateTime(t);
  std::replace(s.begin(), s.end(), ':', '-');
  return "video-" + s + ".gif";
}

std::string screenshotFileName(const std::tm& t) { return "screenshot-" + dateTime(t) + ".png"; }

}  // namespace dx
