#include "framework/capture.h"

#include "framework/log.h"

namespace dx {

namespace {
int gRecordSeconds = 30;
}

void setRecordSeconds(int s) { gRecordSeconds = s; }
void createRecordBuffer() {}
void captureFrame() {}
void saveRecording() { debug("screen recording is not available in this build"); }
void saveScreenshot() { debug("screenshots are not available in this build"); }

}  // namespace dx
