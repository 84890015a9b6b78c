// CFileSpec: wildcard search of one directory.
#pragma once

#include "models/platform/FileStatus.h"

#include <string>

class CFileSpec {
  public:
    CFileSpec() = default;
    virtual ~CFileSpec();
    CFileSpec(const CFileSpec&) = delete;
    CFileSpec& operator=(const CFileSpec&) = delete;

    // Starts a search for `pattern` (relative to the working directory
    // unless absolute; the wildcards * and ? in the last component, matched
    // ignoring case; "*.*" matches every name) and stores the first entry.
    // Closes a search that was open. True when an entry was found.
    bool FindFirst(const std::string& pattern);
    // Next matching entry; false when none is left or no search is open.
    bool FindNext();
    void Close();
    bool IsOpen() const { return handle != nullptr; }

    // Case-insensitive wildcard match of a name against one pattern.
    static bool Matches(const std::string& pattern, const std::string& name);

    // The current entry (attributes, times, size, name).
    vkplatform::FileStatus entry;

  private:
    bool Fetch();

    void* handle = nullptr; // DIR* while a search is open
    int dirFd = -1;
    std::string pattern;
};
