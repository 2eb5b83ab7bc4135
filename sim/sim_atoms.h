// Control of the sim's global atom table.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {
// Number of atoms in the table, and the references of one (0 when unknown).
std::size_t AtomCount();
int AtomReferences(std::uint16_t atom);
}  // namespace sim
