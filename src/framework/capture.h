#pragma once
// Screen capture: the last seconds of drawn frames kept in memory, written on request as a
// looping GIF or the newest one as a PNG screenshot into the per-user folder.
#include <ctime>
#include <deque>
#include <string>

#include "framework/canvas.h"

namespace dx {

struct CaptureState {
  int recordSeconds = 30;               // 0 or less switches capture off
  bool fullSpeedGif = true;             // every drawn frame, or only those drawn on even update counts
  std::deque<SurfacePtr> recordFrames;  // oldest first
  size_t capacity = 1;
  SurfacePtr recordFrame;  // the spare surface the next capture is copied into
};

CaptureState& captureState();
void resetCaptureState();

// Frames the ring holds: recordSeconds times the captured frames per second, or 1 with capture off.
size_t recordCapacity(int recordSeconds, bool fullSpeedGif, int frameRate);

void setRecordSeconds(int s);
// Empties the ring and sizes the spare surface to the canvas; does nothing before a window exists.
void createRecordBuffer();
// Called after presenting; keeps the canvas when capture is on.
void captureFrame();
// Writes the captured frames, oldest first, at double size to writePath/video. Failures are
// logged and the program goes on.
void saveRecording();
// Writes the newest captured frame through the display remap and palette to
// writePath/screenshots. Failures are logged and the program goes on.
void saveScreenshot();
// Both name their file by the local date and time; a second capture within the same second gets
// "-2" (then "-3", …) before the extension, so no capture replaces another. Without a per-user
// folder nothing is saved and the log says so.

// "video-2024-03-05T07-08-09.gif" and "screenshot-2024-03-05T07:08:09.png" for that local time.
std::string videoFileName(const std::tm& t);
std::string screenshotFileName(const std::tm& t);

}  // namespace dx
