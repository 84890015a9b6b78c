// CFileSource: a data source over a copy of a file read into memory.
// Reading the file up front (instead of mapping it) means that another
// program shortening the file during a decode cannot fault the reader: the
// decode sees the bytes that were there and ends in the end-of-file error
// like any truncated file.
#pragma once

#include "engine/picture/DataSource.h"

#include <memory>
#include <string>

// Why a file could not be read, told apart for the user: the file is gone,
// it is empty, it may not be read, or something else (a folder, a read
// error, a file too large to hold).
enum class FileFailure { None, NotFound, Empty, Denied, Unreadable };

// The failure behind an open(2) error number.
FileFailure FileFailureFromErrno(int error);
// "file not found", "the file is empty", "permission denied", "the file
// cannot be read"; empty for None.
const char* FileFailureText(FileFailure failure);

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
    // Why the last Open failed; None after a success.
    FileFailure GetFailure() const { return m_failure; }

  private:
    using CDataSource::Open;
    int Fail(FileFailure failure, int code)
    {
        m_failure = failure;
        return code;
    }
    FileFailure m_failure = FileFailure::None;
    std::unique_ptr<uint8_t[]> m_bytes;
};
