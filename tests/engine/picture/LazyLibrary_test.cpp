// CLazyLibrary: a library opened on first use, its symbols found by name, and
// the clear error when the library or a symbol is missing.
#include "engine/picture/LazyLibrary.h"
#include "engine/picture/TextException.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

// The text and code of what Symbol throws, or an empty text.
std::pair<int, std::string> ErrorOf(CLazyLibrary& library, const char* name)
{
    try {
        library.Symbol(name);
    } catch (const CTextException& e) {
        return {e.GetCode(), e.GetText()};
    }
    return {0, ""};
}

} // namespace

TEST(LazyLibrary, FindsSymbolsAndNamesWhatIsMissing)
{
    CLazyLibrary zlib("libz.so.1");
    // The same function the linker bound, reached through the library.
    EXPECT_EQ(zlib.Symbol("zlibVersion"), reinterpret_cast<void*>(&zlibVersion));
    EXPECT_EQ(ErrorOf(zlib, "velkorNoSuchFunction"),
              std::make_pair(int(ErrUnsupported),
                             std::string("libz.so.1 could not be loaded: it has no velkorNoSuchFunction")));

    // A library that is not there: the same error every time, nothing crashes.
    CLazyLibrary missing("libvelkor-missing.so.0");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto [code, text] = ErrorOf(missing, "anything");
        EXPECT_EQ(code, ErrUnsupported);
        EXPECT_EQ(text.rfind("libvelkor-missing.so.0 could not be loaded: ", 0), 0u) << text;
    }
}
