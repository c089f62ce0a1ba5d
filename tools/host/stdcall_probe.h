// Calls an export the way a 32-bit player does: every argument one 32-bit
// stack slot, pushed right to left, and the callee expected to remove them.
// The probe measures what the callee really removed, so a wrong calling
// convention or argument count in the library shows up as a number instead
// of a corrupted stack.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace host {

// Pushes `args` (the first argument last), calls `function` and returns the
// number of argument bytes the callee took off the stack. The stack pointer
// is restored afterwards whatever the callee did.
unsigned CallMeasuringStack(const void* function, std::initializer_list<std::uint32_t> args);

}  // namespace host
