#include "engine/picture/HugePages.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
// The order of a 2 MiB block of 4 KiB pages.
constexpr int kHugeOrder = 9;

} // namespace

size_t FreeHugeBlocks(std::string_view buddyinfo)
{
    size_t blocks = 0;
    while (!buddyinfo.empty()) {
        const size_t end = buddyinfo.find('\n');
        std::string line(buddyinfo.substr(0, end));
        buddyinfo.remove_prefix(end == std::string_view::npos ? buddyinfo.size() : end + 1);
        // "Node 0, zone   Normal  <free blocks of order 0> <order 1> ..."
        const size_t zone = line.find("zone");
        if (zone == std::string::npos)
            continue;
        const char* p = line.c_str() + zone + 4;
        while (*p == ' ' || *p == '\t')
            ++p;
        while (*p && *p != ' ' && *p != '\t')
            ++p; // the zone's name
        for (int order = 0; order < 20; ++order) {
            char* next = nullptr;
            const unsigned long long count = std::strtoull(p, &next, 10);
            if (next == p)
                break;
            p = next;
            if (order >= kHugeOrder && count < (SIZE_MAX >> 12))
                blocks += size_t(count) << (order - kHugeOrder);
        }
    }
    return blocks;
}

void AdviseHugePages(void* begin, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<uintptr_t>(begin);
    const uintptr_t first = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    const uintptr_t last = (start + bytes) & ~uintptr_t(kHugePage - 1);
    if (last <= first)
        return;
    const size_t wanted = (last - first) / kHugePage;
    std::FILE* file = std::fopen("/proc/buddyinfo", "re");
    if (!file)
        return;
    char text[4096];
    const size_t length = std::fread(text, 1, sizeof text, file);
    std::fclose(file);
    // Twice what is wanted, so the faults never reach the last free blocks.
    if (FreeHugeBlocks(std::string_view(text, length)) >= 2 * wanted)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}
