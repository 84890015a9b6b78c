// CFileSource: a data source over a copy of a file read into memory.
// Reading the file up front (instead of mapping it) means that another
// program shortening the file during a decode cannot fault the reader: the
// decode sees the bytes that were there and ends in the end-of-file error
// like any truncated file.
#pragma once

#include "DataSource.h"

#include <memory>

class CFileSource : public CDataSource {
public:
    CFileSource() = default;
    ~CFileSource() override { Close(); }

    // Returns 0 on success, else an error code: 4 file not found (or any
    // other open failure), 3 path not found, 5 access denied, and 5 when the
    // file cannot be read into memory (an empty file included). A file that
    // shrinks while it is read keeps the bytes read.
    int Open(const std::string& fileName);
    void Close() override;

private:
    using CDataSource::Open;
    std::unique_ptr<uint8_t[]> m_bytes;
};
