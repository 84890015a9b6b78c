// Huge pages for large pictures, only where they cost no wait. A block
// advised for huge pages is given them when it is first touched; with none
// free, the kernel then compacts memory first, and the first picture of a
// process may wait hundreds of milliseconds for it. So the advice is given
// only while the kernel holds enough free 2 MiB blocks.
#pragma once

#include <cstddef>
#include <string_view>

// The free 2 MiB blocks /proc/buddyinfo's text counts (a larger free block
// counts as the 2 MiB blocks it holds).
size_t FreeHugeBlocks(std::string_view buddyinfo);

// Advises huge pages for the whole 2 MiB pages within [begin, begin + bytes)
// when that many are free with room to spare. Only a hint: nothing depends
// on it being taken.
void AdviseHugePages(void* begin, size_t bytes);
