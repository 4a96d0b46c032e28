// When work that the MIDI thread leaves for the user-interface thread may
// run there. Not inside an operation of that thread (a window message being
// handled, start-up, shut-down): a message box, dialog or menu that the
// operation shows runs a message loop of its own, which would otherwise run
// the work in the middle of the operation. Such work waits, and gets a turn
// of its own (a posted message) once the last operation has ended and the
// thread is back in its top-level message loop.
#pragma once

#include <functional>
#include <utility>

namespace korvel {

class UserInterfaceTurn {
 public:
  // Marks an operation in progress for its lifetime; operations nest.
  class Operation {
   public:
    explicit Operation(UserInterfaceTurn& turn) : turn_(turn) { ++turn_.depth_; }
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    UserInterfaceTurn& turn_;
  };

  UserInterfaceTurn() = default;
  UserInterfaceTurn(const UserInterfaceTurn&) = delete;
  UserInterfaceTurn& operator=(const UserInterfaceTurn&) = delete;

  bool InOperation() const { return depth_ > 0; }
  // The operation running now began inside another one: a repaint in the
  // middle of a load, or a message handled under a box that another shows.
  bool InNestedOperation() const { return depth_ > 1; }
  // Asks for a turn (PostUserInterfaceWork) when the last operation ends.
  void TurnAfterOperations() { turnWanted_ = true; }

  // Work of the user-interface thread itself that must not run inside an
  // operation (the main window's device read after a paint in the middle
  // of a load): asked for inside one, it runs once the outermost handler
  // has returned, before the thread waits for the next message.
  void SetDeferredWork(std::function<void()> work) { deferredWork_ = std::move(work); }
  void DeferWork() { deferredWanted_ = true; }
  // Outside every operation, runs the work asked for, once, in an operation
  // of its own.
  void RunDeferredWork();

 private:
  int depth_ = 0;
  bool turnWanted_ = false;
  bool deferredWanted_ = false;
  std::function<void()> deferredWork_;
};

}  // namespace korvel
