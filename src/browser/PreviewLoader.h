// CPreviewLoader: decodes the files the image view asks for on one worker
// thread. The newest request wins: a request that arrives while another is
// decoding raises the abort flag, so the older decode stops at its next line
// and is never delivered. A delivered result carries the picture, the
// scaled pixels of its first paint and the warnings its decoder raised.
#pragma once

#include "edit/Picture.h"
#include "picture/AnyPicDecoder.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct PreviewLoadRequest {
    uint64_t id = 0;
    std::string path;
    int clientWidth = 0;
    int clientHeight = 0;
    bool shrink = false;
    bool enlarge = false;
    int position = 0;
};

struct PreviewLoadResult {
    uint64_t id = 0;
    bool ok = false;
    std::unique_ptr<CPicture> picture;
    PictureSize display;
    int clientWidth = 0;
    int clientHeight = 0;
    QImage cache;
    QRect cacheRect;
    std::vector<std::string> warnings;
};

class CPreviewLoader {
public:
    // Called on the worker thread with each result that was not superseded.
    using Deliver = std::function<void(std::shared_ptr<PreviewLoadResult>)>;

    explicit CPreviewLoader(Deliver deliver);
    ~CPreviewLoader();
    CPreviewLoader(const CPreviewLoader&) = delete;
    CPreviewLoader& operator=(const CPreviewLoader&) = delete;

    // Supersedes any request waiting or decoding.
    void Request(PreviewLoadRequest request);
    // Drops the waiting request and stops the one decoding.
    void Cancel();
    // How many decodes stopped early because they were superseded.
    int AbandonedCount() const { return m_abandoned.load(); }

private:
    bool Superseded();
    void Run();
    static void BuildFirstCache(const PreviewLoadRequest& request, PreviewLoadResult& result);

    Deliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<PreviewLoadRequest> m_pending;
    bool m_stop = false;
    std::atomic<bool> m_abort{false};
    std::atomic<int> m_abandoned{0};
    CAnyPicDecoder m_decoder; // used by the worker only
    std::thread m_thread;
};
