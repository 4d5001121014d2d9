#pragma once
// The framework's module states back at their start-up defaults: the bottom of the chain of
// resets, one per library, that each library's tests begin from. The log sink is not among them:
// it belongs to whoever set it.

namespace dx {

void resetFrameworkModules();

}  // namespace dx
