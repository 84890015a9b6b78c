// Codec libraries most runs never touch (libjxl, libheif, libavif and what
// they pull in) are opened on first use instead of at every start: loading
// and relocating them cost more than a small conversion. Each is reached
// through a table of function pointers whose types come from its own header.
#pragma once

#include <mutex>
#include <string>

class CLazyLibrary {
  public:
    // `soname` as the dynamic loader finds it, e.g. "libjxl.so.0.7".
    explicit CLazyLibrary(std::string soname);
    CLazyLibrary(const CLazyLibrary&) = delete;
    CLazyLibrary& operator=(const CLazyLibrary&) = delete;

    // The address of `name`, the library opened by the first call on any
    // thread. Throws CTextException(ErrUnsupported, "<soname> could not be
    // loaded: <why>") when the library or the symbol is missing. The library
    // stays loaded for the rest of the process.
    void* Symbol(const char* name);

  private:
    std::string m_soname;
    std::once_flag m_once;
    void* m_handle = nullptr;
    std::string m_error;
};

// Declares `struct Api`, one function pointer per name LIST gives, each typed
// from the library's own declaration (decltype(&::JxlDecoderCreate)), and
// `getter()`, which hands it out filled: the library opened on the first
// call, and CTextException thrown as by CLazyLibrary::Symbol.
#define VELKOR_API_MEMBER(name) decltype(&::name) name = nullptr;
#define VELKOR_LAZY_API(Api, getter, LIST)                                                                   \
    struct Api {                                                                                             \
        LIST(VELKOR_API_MEMBER)                                                                              \
    };                                                                                                       \
    const Api& getter();

// A unique_ptr deleter calling a free function out of a table:
// std::unique_ptr<heif_context, LibraryFree<&Heif, &HeifApi::heif_context_free>>.
template <auto Table, auto Member> struct LibraryFree {
    template <class T> void operator()(T* p) const { (Table().*Member)(p); }
};
