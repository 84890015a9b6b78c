#include "engine/picture/LazyLibrary.h"

#include "engine/picture/TextException.h"

#include <cstdlib>
#include <dlfcn.h>

CLazyLibrary::CLazyLibrary(std::string soname) : m_soname(std::move(soname)) {}

void* CLazyLibrary::Symbol(const char* name)
{
    std::call_once(m_once, [this] {
        // Tests point this at a folder without the library to see the
        // missing-library path.
        const char* folder = std::getenv("VELKOR_TEST_LIBRARY_DIR");
        const std::string path = folder ? std::string(folder) + "/" + m_soname : m_soname;
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            const char* why = dlerror();
            m_error = why ? why : "not found";
        }
    });
    if (m_handle == nullptr)
        throw CTextException(ErrUnsupported, m_soname + " could not be loaded: " + m_error);
    void* address = dlsym(m_handle, name);
    if (address == nullptr)
        throw CTextException(ErrUnsupported,
                             m_soname + " could not be loaded: it has no " + std::string(name));
    return address;
}
