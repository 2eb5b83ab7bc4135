// Control of the sim's named shared memory.
#pragma once
#include <cstdint>
#include <string>

namespace sim {

// Whether a mapping of that name exists (some handle to it is open).
bool MappingExists(const std::wstring& name);
// The bytes of a named mapping, nullptr when it does not exist.
void* MappingData(const std::wstring& name);
// Another process creates the mapping and keeps it open until released.
void HoldMapping(const std::wstring& name, std::uint32_t size);
// Another process releases its mapping after the given number of further
// CreateFileMappingW calls on that name (a restart waiting for an old agent).
void ReleaseHeldMappingAfterChecks(const std::wstring& name, int checks);
// Mapping views of this name fail (a second instance that cannot map the block).
void SetMapViewFails(const std::wstring& name, bool fails);
// Number of CreateFileMappingW calls on the name since the reset.
int MappingCreateCalls(const std::wstring& name);

}  // namespace sim
