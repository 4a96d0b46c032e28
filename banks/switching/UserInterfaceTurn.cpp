#include "banks/switching/UserInterfaceTurn.h"

#include "platform/Platform.h"

namespace korvel {

UserInterfaceTurn::Operation::~Operation() {
  if (--turn_.depth_ > 0 || !turn_.turnWanted_) return;
  turn_.turnWanted_ = false;
  platform::PostUserInterfaceWork();
}

void UserInterfaceTurn::RunDeferredWork() {
  if (depth_ > 0 || !deferredWanted_) return;
  deferredWanted_ = false;
  if (!deferredWork_) return;
  Operation work(*this);
  deferredWork_();
}

}  // namespace korvel
