// CFileSource: a data source over a read-only memory mapping of a file.
#pragma once

#include "DataSource.h"

class CFileSource : public CDataSource {
public:
    CFileSource() = default;
    ~CFileSource() override { Close(); }

    // Returns 0 on success, else an error code: 4 file not found (or any
    // other open failure), 3 path not found, 5 access denied, and 5 when the
    // file cannot be mapped (an empty file included).
    int Open(const std::string& fileName);
    void Close() override;

private:
    using CDataSource::Open;
    void* m_map = nullptr;
    size_t m_mapSize = 0;
    int m_fd = -1;
};
