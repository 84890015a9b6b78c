// CPictureSizeLimit: while it lives, CheckPictureSize on the thread that
// made it also refuses a picture of more than `maxPixels` pixels (as out of
// memory), and the scope notes that it did. Every decoder checks the size
// it read from the header before it allocates or decodes anything, so a
// caller that only wants pictures of a bounded size (decoding ahead into a
// cache) learns that a file is too large without decoding it. Scopes nest;
// the innermost one counts.
#pragma once

#include <cstdint>

class CPictureSizeLimit {
  public:
    explicit CPictureSizeLimit(int64_t maxPixels);
    ~CPictureSizeLimit();
    CPictureSizeLimit(const CPictureSizeLimit&) = delete;
    CPictureSizeLimit& operator=(const CPictureSizeLimit&) = delete;

    // True once a picture over the bound was refused.
    bool Exceeded() const { return m_exceeded; }

    // True (and noted) when the innermost scope of this thread refuses a
    // picture of `pixels` pixels; false when there is no scope.
    static bool Refuses(int64_t pixels);

  private:
    int64_t m_maxPixels;
    bool m_exceeded = false;
    CPictureSizeLimit* m_outer;
};
