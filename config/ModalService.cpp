#include "config/ModalService.h"

#include <string>

#include "config/StatusLine.h"

namespace korvel {

namespace {

// The buttons of a box, without its icon.
constexpr unsigned kButtonsMask = 0xF;

// Only the user-interface thread uses the service.
ModalService* current = nullptr;

std::string ExceptionText(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& caught) {
    text = caught.what() ? caught.what() : "";
  } catch (...) {
  }
  if (text.empty()) text = "Unknown exception";
  if (text.back() != '.') text += '.';
  return text;
}

}  // namespace

ModalService::ModalService() : previous_(current) { current = this; }

ModalService::~ModalService() { current = previous_; }

// The default service is made only where none is: once made, it is the
// current one whenever no other is.
ModalService& Modality() {
  if (current) return *current;
  static ModalService fallback;
  return fallback;
}

ModalService::ModalWindow::ModalWindow(ModalService& service, platform::Window window)
    : service_(service), owner_(service.OwnerOfNextWindow()), window_(window), outer_(service.innermost_) {
  service_.innermost_ = this;
}

// The last modal window to close lets the waiting work run; it only posts
// or records, so nothing here can throw past the destructor.
ModalService::ModalWindow::~ModalWindow() {
  service_.innermost_ = outer_;
  if (outer_ || !service_.whenNoModalWindow_) return;
  std::function<void()> work = std::move(service_.whenNoModalWindow_);
  service_.whenNoModalWindow_ = nullptr;
  try {
    work();
  } catch (...) {
  }
}

// A window the system makes (a box) is unknown until it is made: until
// then the next one shares its owner.
platform::Window ModalService::OwnerOfNextWindow() const {
  if (!innermost_) return main_;
  return innermost_->window_ != 0 ? innermost_->window_ : innermost_->owner_;
}

void ModalService::WhenNoModalWindow(std::function<void()> work) {
  if (!ModalWindowOpen()) {
    work();
    return;
  }
  whenNoModalWindow_ = std::move(work);
}

int ModalService::ShowMessageBox(const char* text, const char* caption, unsigned type) {
  if (StatusLineReportsOpen() && (type & kButtonsMask) == platform::kMbOk) {
    ReportInStatusLine(text);
    return platform::kIdOk;
  }
  return RunCommonDialog([&](platform::Window owner) { return platform::MessageBoxA(owner, text, caption, type); });
}

int ShowMessageBox(const char* text, const char* caption, unsigned type) {
  return Modality().ShowMessageBox(text, caption, type);
}

void ModalService::EndOperation() {
  if (--depth_ > 0 || !turnWanted_) return;
  turnWanted_ = false;
  platform::PostUserInterfaceWork();
}

void ModalService::RunDeferredWork() {
  if (depth_ > 0 || !deferredWanted_) return;
  deferredWanted_ = false;
  if (!deferredWork_) return;
  Operation work(*this);
  deferredWork_();
}

// Called from window procedures, which nothing may leave by an exception:
// a box that cannot be shown (no memory for its text) is given up.
void ModalService::ShowException(std::exception_ptr error) noexcept {
  try {
    Operation operation(*this);
    ShowMessageBox(ExceptionText(error).c_str(), "Korvel", platform::kMbOk | platform::kMbIconError);
  } catch (...) {
  }
}

}  // namespace korvel
