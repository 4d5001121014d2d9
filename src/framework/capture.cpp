#include "framework/capture.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "framework/errors.h"
#include "framework/file_io.h"
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

// Claims a name in folder that no other capture has: stem + ext, or stem-2 + ext, stem-3 + ext…
// when captures come within the same second. The name is reserved by creating the (empty) file,
// which the capture then replaces; "" when no file can be made there (errno tells why).
std::string reserveName(const std::string& folder, const std::string& stem, const std::string& ext) {
  for (int k = 1; k <= 1000; ++k) {
    std::string name = stem;
    if (k > 1) name.append("-").append(std::to_string(k));
    const std::string path = joinPath(folder, name + ext);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return path;
    }
    if (errno != EEXIST) return "";
  }
  errno = EEXIST;
  return "";
}

// The name's stem and extension: "screenshot-2024-03-05T07:08:09" and ".png".
std::pair<std::string, std::string> splitName(const std::string& name) {
  const size_t dot = name.rfind('.');
  return {name.substr(0, dot), name.substr(dot)};
}

// Captures go to the per-user folder only; without one they are not saved (rather than landing
// in whatever the working directory is).
bool havePerUserFolder(const char* what) {
  if (!writePath().empty()) return true;
  debug(std::string("unable to save ") + what + ": there is no per-user folder (see the writePath line at start-up)");
  return false;
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
  for (int i = 0; i < (1 << depth); ++i)
    colors[i] = GifColorType{p.colors[size_t(i)].r, p.colors[size_t(i)].g, p.colors[size_t(i)].b};
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

// giflib's output function: the encoded bytes go to memory, and from there to the file in one
// atomic write.
int appendBytes(GifFileType* gif, const GifByteType* bytes, int n) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), size_t(n));
  return n;
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

// The per-user subfolder a capture goes to, made when missing; "" when there is none or it
// cannot be made (failLine says so).
std::string captureFolder(const char* what, const char* sub, const char* failLine) {
  if (!havePerUserFolder(what)) return "";
  const std::string folder = joinPath(writePath(), sub);
  if (makeFolder(folder)) return folder;
  debug(failLine, folder);
  return "";
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
  if (!loopState().windowOpen) return;
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
  const std::string folder = captureFolder("gif", "video", "unable to create video output directory");
  if (folder.empty()) return;
  const auto [stem, ext] = splitName(videoFileName(localNow()));
  const std::string path = reserveName(folder, stem, ext);
  if (path.empty()) {
    debug("unable to create gif: ", joinPath(folder, stem + ext));
    return;
  }
  debug("created gif: ", path);
  std::string bytes;
  int err = 0;
  GifFileType* gif = EGifOpen(&bytes, appendBytes, &err);
  const DrawState& d = drawState();
  int written = 0;
  const bool ok = gif && putRecording(gif, d.screenWidth, d.screenHeight, written);
  const int bodyError = gif ? gif->Error : err;
  const bool closed = gif && EGifCloseFile(gif, &err) == GIF_OK;
  try {
    if (!ok || !closed) throw GameError(gifError(ok ? err : bodyError));
    writeFileAtomically(path, bytes);
  } catch (const GameError& e) {
    // The reserved empty file would pass for a recording; remove it and say why.
    debug("unable to write gif: ", path, e.what());
    std::remove(path.c_str());
    return;
  }
  echo("completed saving gif ", path, " frames: ", written);
}

void saveScreenshot() {
  const std::string folder = captureFolder("screenshot", "screenshots", "unable to create screenshot output directory");
  if (folder.empty()) return;
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
  const auto [stem, ext] = splitName(screenshotFileName(localNow()));
  const std::string path = reserveName(folder, stem, ext);
  if (path.empty()) {
    debug("unable to save screenshot: ", joinPath(folder, stem + ext) + ": " + std::strerror(errno));
    return;
  }
  try {
    writePngRGBA(path, rgba);
  } catch (const GameError& e) {
    debug("unable to save screenshot: ", e.what());
    std::remove(path.c_str());
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
