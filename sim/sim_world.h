// The simulated world of the host build.
//
// Each area of the sim (clock, registry, drives, windows, shell, ...) keeps its
// state in its own file and registers a reset function here; tests call
// sim::ResetWorld() to start every case from an empty, known world.
#pragma once
#include <functional>

namespace sim {

// Registers a function that puts one area of the world back to its initial
// state. Call it from a static initializer in the area's source file.
bool RegisterReset(std::function<void()> reset);

// Resets every registered area.
void ResetWorld();

}  // namespace sim
