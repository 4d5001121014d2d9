#include "app/session.h"

namespace dx {

namespace {

SessionOptions gOptions;
TrainingRecord gRecord;

}  // namespace

SessionOptions& sessionOptions() { return gOptions; }
TrainingRecord& trainingRecord() { return gRecord; }

void resetSession() {
  gOptions = SessionOptions{};
  gRecord = TrainingRecord{};
}

}  // namespace dx
