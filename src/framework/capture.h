#pragma once
// Screen capture: the last seconds of drawn frames kept in memory, saved on request.
namespace dx {

void setRecordSeconds(int s);
void createRecordBuffer();
// Called after presenting; keeps the canvas when capture is on.
void captureFrame();
void saveRecording();
void saveScreenshot();

}  // namespace dx
