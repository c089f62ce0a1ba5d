#include "stdcall_probe.h"

#include <stdexcept>
#include <vector>

namespace host {

std::optional<unsigned> CallExport(const void* function, std::initializer_list<std::uintptr_t> args)
{
    const std::vector<std::uintptr_t> slots(args);
#if defined(__i386__)
    const std::uint32_t count = static_cast<std::uint32_t>(slots.size());
    const std::uintptr_t* first = slots.data();
    std::uint32_t left = 0;  // bytes still on the stack after the call
    // esi (kept by every callee) holds the stack pointer across the call;
    // the count is read before anything is pushed, so it may live on the stack.
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "movl %[count], %%ecx\n"
        "1:\n\t"
        "jecxz 2f\n\t"
        "pushl -4(%[first],%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%[function]\n\t"
        "movl %%esi, %%eax\n\t"
        "subl %%esp, %%eax\n\t"
        "movl %%esi, %%esp\n\t"
        : "=&a"(left)
        : [function] "r"(function), [first] "r"(first), [count] "g"(count)
        : "ecx", "edx", "esi", "memory", "cc");
    return count * 4 - left;
#elif defined(__x86_64__)
    using Three = void (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t);
    using Four = void (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t);
    if (slots.size() == 3) {
        reinterpret_cast<Three>(const_cast<void*>(function))(slots[0], slots[1], slots[2]);
    } else if (slots.size() == 4) {
        reinterpret_cast<Four>(const_cast<void*>(function))(slots[0], slots[1], slots[2], slots[3]);
    } else {
        throw std::invalid_argument("an export takes 3 or 4 arguments here");
    }
    return std::nullopt;
#else
#error "the export call is written for x86 and x86-64"
#endif
}

}  // namespace host
