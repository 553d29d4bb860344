// Allocations that fail on purpose, in the test program only: the next one of at least a given size throws,
// once, as a failure deep inside a verb would.
#pragma once

#include <cstddef>

namespace test {

enum ALLOC_FAULT {
    ALLOC_BAD_ALLOC,  // memory running out
    ALLOC_ERROR,      // another failure: std::runtime_error("the disk caught fire")
    ALLOC_NO_ERROR,   // something thrown that is no std::exception
};

// Arms the fault for the next allocation of nBytes or more; SIZE_MAX disarms it.
void FailAllocationFrom(size_t nBytes, ALLOC_FAULT nFault);

}  // namespace test
