#pragma once

namespace tgw {

class Toolkit;
class Runtime;

// Waits, keeping the window alive, until `threshold` seconds have passed since the
// whole second nearest to the start (a half goes to the even second). A wait that
// runs across midnight, when the timer falls back to 0, still ends on time.
void Pause(Toolkit& ui, Runtime& runtime, double threshold);

}  // namespace tgw
