#include "objects/shared_records.h"

namespace dx {

namespace {
SharedRecords gShared;
}

SharedRecords& sharedRecords() { return gShared; }
void resetSharedRecords() { gShared = SharedRecords{}; }

}  // namespace dx
