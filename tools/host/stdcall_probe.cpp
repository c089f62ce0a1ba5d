#include "stdcall_probe.h"

#include <vector>

namespace host {

unsigned CallMeasuringStack(const void* function, std::initializer_list<std::uint32_t> args)
{
    const std::vector<std::uint32_t> slots(args);
    const std::uint32_t count = static_cast<std::uint32_t>(slots.size());
    const std::uint32_t* first = slots.data();
    std::uint32_t left = 0;  // bytes still on the stack after the call
#if defined(__i386__)
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
#else
#error "the stack probe is for 32-bit x86 only"
#endif
    return count * 4 - left;
}

}  // namespace host
