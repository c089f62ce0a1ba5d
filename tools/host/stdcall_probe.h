// Calls an export the way a player does. In a 32-bit build every argument is
// one 32-bit stack slot, pushed right to left, and the callee is expected to
// remove them: the probe measures what the callee really removed, so a wrong
// calling convention or argument count in the library shows up as a number
// instead of a corrupted stack. A 64-bit build has one calling convention and
// passes the arguments in registers: there is nothing to measure.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace host {

// True when CallExport measures the argument bytes the callee removed.
constexpr bool kMeasuresStack = sizeof(void*) == 4;

// Calls `function` with `args` (3 or 4 pointer-sized values) and returns the
// number of argument bytes the callee took off the stack (nothing in a 64-bit
// build). The stack pointer is restored afterwards whatever the callee did.
std::optional<unsigned> CallExport(const void* function, std::initializer_list<std::uintptr_t> args);

}  // namespace host
