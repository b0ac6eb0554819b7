// The pool of executable memory, for code that must know where it will run
// before it is written (a callback stub holds its own address).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::platform {

// Room for `size` bytes: written at `write_at`, run at `run_at`; false when
// the system refuses the memory.
bool reserve_code(size_t size, uint8_t*& write_at, uint8_t*& run_at);
// Once written: the instruction cache learns of the new code.
void finish_code(uint8_t* run_at, size_t size);

}  // namespace orv::platform
