// AgentMain: the life of the first instance: the hidden main form, its
// message loop and its end.
#pragma once
#include <cstdint>
#include <string>

namespace agent {

// Creates TVorlFolder with the start argument, runs the message loop until
// the application terminates, destroys the form; returns the exit code 0.
int AgentMain(const std::wstring& start_argument, std::uint32_t wm_qxaddfolder);

}  // namespace agent
