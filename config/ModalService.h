// Modality, in one place. Korvel has one user-interface thread; every box,
// common dialog and modal dialog runs a message loop of its own on it, in
// which a paint, a tray click, a timer, a MIDI request or a close request can
// arrive. This service keeps the rules that make that safe.
//
// To open a box:            ShowMessageBox(text, caption, type)
// To open a common dialog:  Modality().RunCommonDialog([](platform::Window owner) { ... })
// To open a modal dialog:   make its window with OwnerOfNextWindow() as its
//                           owner, then ModalService::Dialog open(service, window);
//                           open.Run(done);   (Windows only: app/ModalDialog.cpp)
// Before anything that acts or shows a window from outside the window the
// user works in (tray, taskbar, a close request, end of session, a timer):
//                           if (Modality().DeclineWhileModal()) return;
// (a close request then waits for the dialog: WhenNoModalWindow).
//
// Each modal window is owned by the innermost one open (a box raised while
// a box is open is owned by that box), else by the main window; its owner
// stays disabled while it is open. Handling a window message is an operation: MIDI
// requests and work deferred by a nested handler wait until the outermost
// operation is over (Operation, HandleAsOperation).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <utility>

#include "platform/Platform.h"

namespace korvel {

class ModalService {
 public:
  // The latest service made is the program's (Modality()) until it goes;
  // the application owns one.
  ModalService();
  ~ModalService();
  ModalService(const ModalService&) = delete;
  ModalService& operator=(const ModalService&) = delete;

  // ---- Modal windows ---------------------------------------------------

  // While it lives, a modal window owned by OwnerOfNextWindow() (taken at
  // construction) is open. Windows the system makes (boxes, common dialogs)
  // become known once made. Scopes end in the reverse order of their making.
  class ModalWindow {
   public:
    explicit ModalWindow(ModalService& service, platform::Window window = 0);
    ~ModalWindow();
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

    platform::Window Owner() const { return owner_; }
    platform::Window Handle() const { return window_; }

   private:
    friend class ModalService;
    ModalService& service_;
    platform::Window owner_;
    platform::Window window_;
    ModalWindow* outer_;
  };

  // Korvel's own modal dialog, made with OwnerOfNextWindow() as its owner:
  // while it lives the owner is disabled and the dialog shown; at its end
  // the owner comes back enabled and active before the dialog goes.
  class Dialog {
   public:
    Dialog(ModalService& service, platform::Window window);
    ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Dispatches messages, with the dialog keys, until `done` is set or the
    // window is gone. A WM_QUIT that arrives meanwhile is passed on.
    void Run(const bool& done);

   private:
    ModalWindow open_;
  };

  // The main window owns a modal window when none is open (0 before
  // start-up sets it, and in programs without one).
  void SetMainWindow(platform::Window main) { main_ = main; }
  bool ModalWindowOpen() const { return innermost_ != nullptr; }
  platform::Window OwnerOfNextWindow() const;
  // While a modal window is open: brings the innermost one forward and
  // activates it, and answers true, so that the caller does not act
  // (Windows only: app/ModalDialog.cpp).
  bool DeclineWhileModal();
  // Runs `work` once no modal window is open: now, or when the last one
  // closes (a close request waits for the dialog the user is in). Only the
  // latest work waits; it must not throw.
  void WhenNoModalWindow(std::function<void()> work);

  // A message box owned by the window the user is working in: returns the
  // button pressed. A box with only OK goes to the status line while
  // StatusLineReports are open (StatusLine.h).
  int ShowMessageBox(const char* text, const char* caption, unsigned type);
  // Runs a common dialog, `show(owner)`, as a modal window.
  template <typename Show>
  auto RunCommonDialog(Show&& show) {
    ModalWindow open(*this);
    platform::OwnedWindowWatch watch(open.owner_, &open.window_);
    return show(open.owner_);
  }

  // ---- Operations ------------------------------------------------------

  // Marks an operation in progress for its lifetime; operations nest.
  class Operation {
   public:
    explicit Operation(ModalService& service) : service_(service) { ++service_.depth_; }
    ~Operation() { service_.EndOperation(); }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    ModalService& service_;
  };

  bool InOperation() const { return depth_ > 0; }
  // The operation running now began inside another one: a repaint in the
  // middle of a load, or a message handled under a box that another shows.
  bool InNestedOperation() const { return depth_ > 1; }
  // Asks for a turn (PostUserInterfaceWork) when the last operation ends:
  // MIDI requests that arrived inside one run then.
  void TurnAfterOperations() { turnWanted_ = true; }

  // Work that must not run inside an operation (the main window's device
  // read after a paint in the middle of a load): asked for inside one, it
  // runs once the outermost handler has returned.
  void SetDeferredWork(std::function<void()> work) { deferredWork_ = std::move(work); }
  void DeferWork() { deferredWanted_ = true; }
  // Outside every operation, runs the work asked for, once, in an operation
  // of its own.
  void RunDeferredWork();

  // Handles one message as an operation (or, for a message that decides for
  // itself whether it may run now, outside one); an exception that escapes
  // is shown in a box and the program goes on. What the handler deferred
  // runs after it either way. Every window procedure goes through here.
  template <typename Handler>
  std::intptr_t HandleAsOperation(Handler&& handle, bool asOperation = true) {
    std::intptr_t result = 0;
    try {
      if (asOperation) {
        Operation operation(*this);
        result = static_cast<std::intptr_t>(handle());
      } else {
        result = static_cast<std::intptr_t>(handle());
      }
    } catch (...) {
      ShowException(std::current_exception());
    }
    try {
      RunDeferredWork();
    } catch (...) {
      ShowException(std::current_exception());
    }
    return result;
  }
  // The application's standard box for an exception that reached the
  // toolkit, shown as an operation so that MIDI requests do not run under it.
  void ShowException(std::exception_ptr error) noexcept;

 private:
  void EndOperation();

  ModalService* previous_;
  platform::Window main_ = 0;
  ModalWindow* innermost_ = nullptr;
  std::function<void()> whenNoModalWindow_;
  int depth_ = 0;
  bool turnWanted_ = false;
  bool deferredWanted_ = false;
  std::function<void()> deferredWork_;
};

// The program's modality service (a default one where no application made
// its own, as in the tools and tests).
ModalService& Modality();

// Modality().ShowMessageBox: the one way the program shows a box.
int ShowMessageBox(const char* text, const char* caption, unsigned type);

}  // namespace korvel
