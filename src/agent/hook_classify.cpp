#include "agent/hook_gesture.h"

namespace agent {

// Interim: classification arrives with the window classifiers.
GestureTarget ClassifyGesturePoint(plat::Point, HookGesture, const CaptionMetrics&) { return {}; }

}  // namespace agent
