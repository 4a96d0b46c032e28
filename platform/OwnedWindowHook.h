// How each platform learns of the windows this thread makes, for
// OwnedWindowWatch: Windows through a CBT hook, the simulation by its boxes
// saying so themselves (StartOwnedWindowHook gives nullptr there).
#pragma once

namespace platform {

void* StartOwnedWindowHook();
void StopOwnedWindowHook(void* hook);

}  // namespace platform
