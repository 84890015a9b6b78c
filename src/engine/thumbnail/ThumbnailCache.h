// CThumbnailCache: the desktop's shared thumbnail cache (the freedesktop
// thumbnail standard). A thumbnail lives in <root>/<size name>/ under the
// MD5 of its file's URI, as a PNG whose text keys name the file and its
// modification time; one is used only while those still match the file, so
// thumbnails other programs made are used and theirs use ours. Files that
// cannot be read are recorded under fail/velkor-<version>/ and not tried
// again until they change.
#pragma once

#include "engine/picture/WinBmp.h"
#include "engine/thumbnail/Thumbnailer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A file as the cache knows it.
struct ThumbnailFileStamp {
    std::string path; // absolute, . and .. resolved
    std::string uri;  // file:// and the path, escaped
    int64_t mtime = 0;
    int64_t size = 0;
    // Empty and false when the path names no regular file.
    bool Valid() const { return !uri.empty(); }
    static ThumbnailFileStamp Of(const std::string& path);
};

// The text keys of a thumbnail file, in the order they are written.
struct ThumbnailKeys {
    std::vector<std::pair<std::string, std::string>> entries;
    const std::string* Find(std::string_view key) const;
};

class CThumbnailCache {
  public:
    // `root` is the thumbnails folder itself.
    explicit CThumbnailCache(std::string root = DefaultRoot());

    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when that is unset
    // or not absolute.
    static std::string DefaultRoot();
    const std::string& Root() const { return m_root; }

    // file:// and the absolute path with every byte outside the letters,
    // digits and -_.!~*'()/:@&=+$, escaped as %XX.
    static std::string FileUri(const std::string& absolutePath);
    // The MD5 of the URI in lower-case hex, and ".png".
    static std::string CacheFileName(const std::string& uri);
    std::string ThumbnailPath(const std::string& uri, const ThumbnailSize& size) const;
    std::string FailurePath(const std::string& uri) const;

    enum class State { Missing, Current, Failed };
    // The state of the file's thumbnail of `size`: Current when one exists
    // whose Thumb::URI and Thumb::MTime match the file (its pixels then read
    // into `pixels` when given), Failed when our failure record of this
    // version of the file exists (its reason in `reason` when given).
    State Lookup(const ThumbnailFileStamp& file, const ThumbnailSize& size, CWinBmp* pixels = nullptr,
                 std::string* reason = nullptr) const;

    // Writes the thumbnail through a temporary file in the same folder,
    // mode 0600 in folders of 0700. Throws CTextException on failure.
    void Store(const ThumbnailFileStamp& file, const ThumbnailSize& size, const CWinBmp& thumbnail,
               const ThumbnailSource& source) const;
    void StoreFailure(const ThumbnailFileStamp& file, const std::string& reason) const;

    enum class Outcome { Cached, Made, Failed, Aborted };
    // The cached thumbnail, else one made and stored (a failure recorded);
    // the pixels land in `pixels` when given and the reason of a failure in
    // `reason`. Files inside the cache itself are made but never stored.
    Outcome Fetch(const std::string& path, const ThumbnailSize& size, CThumbnailer& thumbnailer,
                  CWinBmp* pixels = nullptr, std::string* reason = nullptr) const;

    // True for a path inside the cache, whose files are never thumbnailed
    // into it.
    bool Contains(const std::string& path) const;

  private:
    std::string m_root;
};

// The PNG file of a thumbnail: its bytes with the keys as tEXt chunks after
// the header, and the reading back of both. Exposed for the tests.
std::string EncodeThumbnailPng(const CBmp& thumbnail, const ThumbnailKeys& keys);
// False for anything but a readable PNG; the pixels are read only when
// `pixels` is given.
bool DecodeThumbnailPng(std::string_view bytes, ThumbnailKeys& keys, CWinBmp* pixels);
