#include "FileSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int CFileSource::Open(const std::string& fileName)
{
    Close();
    m_fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        switch (errno) {
        case ENOENT: {
            // A missing folder is "path not found", a missing file "file not found".
            auto slash = fileName.rfind('/');
            if (slash != std::string::npos && slash > 0) {
                struct stat st;
                if (::stat(fileName.substr(0, slash).c_str(), &st) != 0)
                    return ErrPathNotFound;
            }
            return ErrFileNotFound;
        }
        case ENOTDIR:
            return ErrPathNotFound;
        case EACCES:
        case EPERM:
        case ETXTBSY:
            return ErrAccessDenied;
        default:
            return ErrFileNotFound;
        }
    }
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        Close();
        return ErrAccessDenied;
    }
    m_mapSize = size_t(st.st_size);
    void* map = ::mmap(nullptr, m_mapSize, PROT_READ, MAP_PRIVATE, m_fd, 0);
    if (map == MAP_FAILED) {
        m_mapSize = 0;
        Close();
        return ErrAccessDenied;
    }
    m_map = map;
    ::madvise(m_map, m_mapSize, MADV_SEQUENTIAL);
    CDataSource::Open(fileName, static_cast<const uint8_t*>(m_map), m_mapSize);
    return 0;
}

void CFileSource::Close()
{
    if (m_map) {
        ::munmap(m_map, m_mapSize);
        m_map = nullptr;
        m_mapSize = 0;
    }
    CDataSource::Close();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
