// Control of the sim's message boxes: each box is recorded and answered with
// the next scripted button (IDOK, or IDNO for a Yes/No box, when none is).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sim {
struct MessageBoxShown {
  std::wstring text, caption;
  std::uint32_t type = 0;
};
std::vector<MessageBoxShown> MessageBoxes();
void ScriptMessageBoxAnswer(int button);
}  // namespace sim
