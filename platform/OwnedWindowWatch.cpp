#include "platform/OwnedWindowHook.h"
#include "platform/Platform.h"

namespace platform {

namespace {
// Only the user-interface thread makes modal windows.
OwnedWindowWatch* innermost = nullptr;
}  // namespace

OwnedWindowWatch::OwnedWindowWatch(Window owner, Window* made) : owner_(owner), made_(made), outer_(innermost) {
  innermost = this;
  hook_ = StartOwnedWindowHook();
}

OwnedWindowWatch::~OwnedWindowWatch() {
  StopOwnedWindowHook(hook_);
  innermost = outer_;
}

// A window without an owner is taken only by a watch for no owner.
void OwnedWindowWatch::WindowMade(Window window, Window owner) {
  OwnedWindowWatch* watch = innermost;
  if (watch && *watch->made_ == 0 && owner == watch->owner_) *watch->made_ = window;
}

}  // namespace platform
