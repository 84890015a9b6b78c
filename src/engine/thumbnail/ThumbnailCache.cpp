#include "engine/thumbnail/ThumbnailCache.h"

#include "engine/picture/ByteOrder.h"
#include "engine/picture/OutputFile.h"
#include "engine/picture/TextException.h"

#include <nettle/md5.h>
#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VELKOR_VERSION
#define VELKOR_VERSION "1.0"
#endif

namespace {

constexpr const char* kSoftware = "Velkor " VELKOR_VERSION;
constexpr const char* kFailFolder = "fail/velkor-" VELKOR_VERSION;
constexpr const char* kKeyUri = "Thumb::URI";
constexpr const char* kKeyMTime = "Thumb::MTime";
constexpr const char* kKeySize = "Thumb::Size";
constexpr const char* kKeyMimetype = "Thumb::Mimetype";
constexpr const char* kKeyWidth = "Thumb::Image::Width";
constexpr const char* kKeyHeight = "Thumb::Image::Height";
constexpr const char* kKeySoftware = "Software";
// The reason of a failure record, in the key PNG keeps for descriptions.
constexpr const char* kKeyDescription = "Description";
constexpr const char* kTextCannotWrite = "The thumbnail cannot be written.";
// A thumbnail file larger than this, or wider, is not one.
constexpr size_t kMaxThumbnailFileBytes = size_t(64) << 20;
constexpr uint32_t kMaxThumbnailSide = 4096;
constexpr size_t kPngSignatureSize = 8;
constexpr size_t kIhdrEnd = kPngSignatureSize + 8 + 13 + 4; // length, type, data, CRC

bool IsKept(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("-_.!~*'()/:@&=+$,", c) != nullptr);
}

void AppendChunk(std::string& out, const char* type, std::string_view data)
{
    uint8_t head[8];
    StoreBE32(ByteSpan(head), 0, uint32_t(data.size()));
    std::memcpy(head + 4, type, 4);
    out.append(reinterpret_cast<const char*>(head), sizeof head);
    out.append(data);
    uLong crc = crc32(0, head + 4, 4);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
    uint8_t tail[4];
    StoreBE32(ByteSpan(tail), 0, uint32_t(crc));
    out.append(reinterpret_cast<const char*>(tail), sizeof tail);
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
              uint64_t(st.st_size) <= kMaxThumbnailFileBytes;
    if (ok) {
        bytes.resize(size_t(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += size_t(n);
        }
        bytes.resize(got);
    }
    close(fd);
    return ok;
}

// Every folder of `path` that is missing, made with mode 0700.
bool MakeFolders(const std::string& path)
{
    std::string prefix;
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        prefix = path.substr(0, at);
        if (prefix.empty() || mkdir(prefix.c_str(), 0700) == 0 || errno == EEXIST)
            continue;
        return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Written under a temporary name beside `target`, mode 0600, then renamed.
void WriteAtomically(const std::string& target, const std::string& bytes)
{
    const size_t slash = target.rfind('/');
    if (slash == std::string::npos || !MakeFolders(target.substr(0, slash)) ||
        !WriteFileAtomically(target, bytes, COutputFile::Kind::Cache))
        throw CTextException(ErrAccessDenied, kTextCannotWrite);
}

bool ParseInt64(const std::string* text, int64_t& value)
{
    if (text == nullptr || text->empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text->c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0')
        return false;
    value = v;
    return true;
}

// The keys match the file: the same URI (when recorded) and modification time.
bool KeysMatch(const ThumbnailKeys& keys, const ThumbnailFileStamp& file)
{
    const std::string* uri = keys.Find(kKeyUri);
    int64_t mtime = 0;
    return uri != nullptr && *uri == file.uri && ParseInt64(keys.Find(kKeyMTime), mtime) &&
           mtime == file.mtime;
}

} // namespace

const std::string* ThumbnailKeys::Find(std::string_view key) const
{
    for (const auto& [k, v] : entries)
        if (k == key)
            return &v;
    return nullptr;
}

ThumbnailFileStamp ThumbnailFileStamp::Of(const std::string& path)
{
    ThumbnailFileStamp stamp;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return stamp;
    stamp.path = absolute.lexically_normal().string();
    // A trailing separator names a folder, never a picture.
    if (stamp.path.empty() || stamp.path.back() == '/')
        return stamp;
    struct stat st {};
    if (stat(stamp.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return stamp;
    stamp.mtime = int64_t(st.st_mtime);
    stamp.size = int64_t(st.st_size);
    stamp.uri = CThumbnailCache::FileUri(stamp.path);
    return stamp;
}

CThumbnailCache::CThumbnailCache(std::string root) : m_root(std::move(root))
{
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
}

std::string CThumbnailCache::DefaultRoot()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
        return std::string(cache) + "/thumbnails";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.cache/thumbnails";
}

std::string CThumbnailCache::FileUri(const std::string& absolutePath)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + absolutePath.size() * 3);
    for (unsigned char c : absolutePath) {
        if (IsKept(c)) {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string CThumbnailCache::CacheFileName(const std::string& uri)
{
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, uri.size(), reinterpret_cast<const uint8_t*>(uri.data()));
    uint8_t digest[MD5_DIGEST_SIZE];
    md5_digest(&context, sizeof digest, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string name;
    for (uint8_t b : digest) {
        name += kHex[b >> 4];
        name += kHex[b & 15];
    }
    return name + ".png";
}

std::string CThumbnailCache::ThumbnailPath(const std::string& uri, const ThumbnailSize& size) const
{
    return m_root + "/" + size.name + "/" + CacheFileName(uri);
}

std::string CThumbnailCache::FailurePath(const std::string& uri) const
{
    return m_root + "/" + kFailFolder + "/" + CacheFileName(uri);
}

CThumbnailCache::State CThumbnailCache::Lookup(const ThumbnailFileStamp& file, const ThumbnailSize& size,
                                               CWinBmp* pixels, std::string* reason) const
{
    if (!file.Valid())
        return State::Missing;
    std::string bytes;
    ThumbnailKeys keys;
    if (ReadWholeFile(ThumbnailPath(file.uri, size), bytes) && DecodeThumbnailPng(bytes, keys, nullptr) &&
        KeysMatch(keys, file) && (pixels == nullptr || DecodeThumbnailPng(bytes, keys, pixels)))
        return State::Current;
    keys.entries.clear();
    if (ReadWholeFile(FailurePath(file.uri), bytes) && DecodeThumbnailPng(bytes, keys, nullptr) &&
        KeysMatch(keys, file)) {
        if (reason != nullptr) {
            const std::string* text = keys.Find(kKeyDescription);
            *reason = text != nullptr ? *text : std::string();
        }
        return State::Failed;
    }
    return State::Missing;
}

void CThumbnailCache::Store(const ThumbnailFileStamp& file, const ThumbnailSize& size,
                            const CWinBmp& thumbnail, const ThumbnailSource& source) const
{
    ThumbnailKeys keys;
    keys.entries = {
        {kKeyUri, file.uri},
        {kKeyMTime, std::to_string(file.mtime)},
        {kKeySize, std::to_string(file.size)},
        {kKeyMimetype, source.mimeType},
        {kKeyWidth, std::to_string(source.width)},
        {kKeyHeight, std::to_string(source.height)},
        {kKeySoftware, kSoftware},
    };
    WriteAtomically(ThumbnailPath(file.uri, size), EncodeThumbnailPng(thumbnail, keys));
}

void CThumbnailCache::StoreFailure(const ThumbnailFileStamp& file, const std::string& reason) const
{
    ThumbnailKeys keys;
    keys.entries = {
        {kKeyUri, file.uri},
        {kKeyMTime, std::to_string(file.mtime)},
        {kKeySoftware, kSoftware},
        {kKeyDescription, reason},
    };
    // The standard's failure record: a PNG of one transparent pixel.
    CWinBmp pixel;
    pixel.Create(1, 1, 32, true);
    *pixel.GetLine32(0) = 0;
    WriteAtomically(FailurePath(file.uri), EncodeThumbnailPng(pixel, keys));
}

bool CThumbnailCache::Contains(const std::string& given) const
{
    std::error_code error;
    const std::string path = std::filesystem::absolute(given, error).lexically_normal().string();
    return path.size() > m_root.size() && path.compare(0, m_root.size(), m_root) == 0 &&
           path[m_root.size()] == '/';
}

CThumbnailCache::Outcome CThumbnailCache::Fetch(const std::string& path, const ThumbnailSize& size,
                                                CThumbnailer& thumbnailer, CWinBmp* pixels,
                                                std::string* reason) const
{
    const ThumbnailFileStamp file = ThumbnailFileStamp::Of(path);
    if (!file.Valid()) {
        if (reason != nullptr)
            *reason = "file not found";
        return Outcome::Failed;
    }
    switch (Lookup(file, size, pixels, reason)) {
    case State::Current:
        return Outcome::Cached;
    case State::Failed:
        return Outcome::Failed;
    case State::Missing:
        break;
    }
    CWinBmp made;
    ThumbnailSource source;
    try {
        source = thumbnailer.MakeFromFile(file.path, size.pixels, made);
    } catch (const CTextException& e) {
        if (e.GetCode() == ErrAborted)
            return Outcome::Aborted;
        std::string text = e.GetText();
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        if (reason != nullptr)
            *reason = text;
        // A file that vanished or cannot be read now may be readable later.
        if (e.GetCode() != ErrFileNotFound && e.GetCode() != ErrAccessDenied && e.GetCode() != ErrNoMemory &&
            !Contains(file.path)) {
            try {
                StoreFailure(file, text);
            } catch (const CTextException&) {
                // Not recorded: it is tried again next time.
            }
        }
        return Outcome::Failed;
    }
    if (!Contains(file.path)) {
        try {
            Store(file, size, made, source);
        } catch (const CTextException&) {
            // A cache that cannot be written still gives the thumbnail.
        }
    }
    if (pixels != nullptr)
        pixels->Swap(made);
    return Outcome::Made;
}

std::string EncodeThumbnailPng(const CBmp& thumbnail, const ThumbnailKeys& keys)
{
    const int width = thumbnail.GetWidth(), height = thumbnail.GetHeight();
    if (thumbnail.GetBitsPerPixel() != 32 || width <= 0 || height <= 0 ||
        uint32_t(width) > kMaxThumbnailSide || uint32_t(height) > kMaxThumbnailSide)
        throw CTextException(ErrInternal, kTextInternalError);
    const bool alpha = thumbnail.HasAlphaChannel();
    const int channels = alpha ? 4 : 3;
    // Top-down rows as libpng's simplified writer takes them.
    std::vector<uint8_t> rows(size_t(width) * size_t(height) * size_t(channels));
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = thumbnail.GetLine(y);
        uint8_t* out = rows.data() + size_t(y) * size_t(width) * size_t(channels);
        if (alpha) {
            std::memcpy(out, in, size_t(width) * 4);
        } else {
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    // libpng's quick packing: on photographs about the size other
    // thumbnailers write, at a third of the default's time.
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::string png(size, '\0');
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, rows.data(), 0, nullptr)) {
        png_image_free(&image);
        throw CTextException(ErrWriting, kTextCannotWrite);
    }
    png.resize(size);
    // The keys go right after the header, so a reader finds them before
    // the pixels.
    std::string text;
    for (const auto& [key, value] : keys.entries) {
        std::string data = key;
        data += '\0';
        data += value;
        AppendChunk(text, "tEXt", data);
    }
    png.insert(kIhdrEnd, text);
    return png;
}

bool DecodeThumbnailPng(std::string_view bytes, ThumbnailKeys& keys, CWinBmp* pixels)
{
    static const uint8_t kSignature[kPngSignatureSize] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < kIhdrEnd || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0)
        return false;
    const ByteView view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    keys.entries.clear();
    size_t at = kPngSignatureSize;
    while (at + 12 <= view.size()) {
        const size_t length = LoadBE32(view, at);
        if (length > view.size() - at - 12)
            return false;
        const std::string_view type(bytes.data() + at + 4, 4);
        if (type == "tEXt") {
            const std::string_view data(bytes.data() + at + 8, length);
            const size_t zero = data.find('\0');
            if (zero != std::string_view::npos && zero > 0)
                keys.entries.emplace_back(data.substr(0, zero), data.substr(zero + 1));
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    if (pixels == nullptr)
        return true;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return false;
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    if (image.width == 0 || image.height == 0 || image.width > kMaxThumbnailSide ||
        image.height > kMaxThumbnailSide) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_BGRA;
    const int width = int(image.width), height = int(image.height);
    try {
        pixels->Create(width, height, 32, alpha);
    } catch (const CTextException&) {
        png_image_free(&image);
        return false;
    }
    // Read top-down, then copied line by line into the bottom-up block.
    std::vector<uint8_t> rows(size_t(width) * size_t(height) * 4);
    if (!png_image_finish_read(&image, nullptr, rows.data(), 0, nullptr))
        return false;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels->GetLine(y), rows.data() + size_t(y) * size_t(width) * 4, size_t(width) * 4);
    return true;
}
