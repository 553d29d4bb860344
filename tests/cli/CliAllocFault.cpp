// The program's own allocation functions, which take the place of the library's: malloc and free, and the
// armed fault. Kept apart from any code that allocates, so that the compiler sees no mismatched pair.
#include "CliAllocFault.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

std::atomic<size_t> gnFailFrom{SIZE_MAX};
std::atomic<int> gnFault{test::ALLOC_BAD_ALLOC};

}  // namespace

namespace test {

void FailAllocationFrom(size_t nBytes, ALLOC_FAULT nFault) {
    gnFault = nFault;
    gnFailFrom = nBytes;
}

}  // namespace test

void* operator new(std::size_t nBytes) {
    size_t nFrom = gnFailFrom.load();
    if (nBytes >= nFrom && gnFailFrom.compare_exchange_strong(nFrom, SIZE_MAX)) {
        if (gnFault == test::ALLOC_BAD_ALLOC) {
            throw std::bad_alloc();
        }
        if (gnFault == test::ALLOC_ERROR) {
            throw std::runtime_error("the disk caught fire");
        }
        throw 42;
    }
    if (void* p = std::malloc(nBytes ? nBytes : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

// The standard library's temporary buffers take the nothrow form and give back through the plain delete.
void* operator new(std::size_t nBytes, const std::nothrow_t&) noexcept {
    return std::malloc(nBytes ? nBytes : 1);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
