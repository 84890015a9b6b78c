#include "engine/picture/DataSource.h"

void CDataSource::Open(const std::string& name, const uint8_t* data, size_t size)
{
    m_name = name;
    // An empty block still counts as open.
    static const uint8_t kEmpty = 0;
    m_start = data ? data : &kEmpty;
    m_offset = 0;
    m_size = data ? size : 0;
}

void CDataSource::Close()
{
    m_name.clear();
    m_start = nullptr;
    m_offset = 0;
    m_size = 0;
}
