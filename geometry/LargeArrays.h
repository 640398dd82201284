#pragma once

#include <cstddef>

// Asks the kernel to back a large array with huge pages where it can. Filling a mesh of a hundred megabytes
// otherwise costs one page fault every 4 KiB, which is most of the time the largest generators take.
// Nothing changes in the contents; where the kernel cannot (another system, huge pages off) it is a no-op.
void adviseHugePages(void* array, std::size_t bytes);
