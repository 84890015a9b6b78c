// The image view's loader on its own: a request superseded while its file
// decodes stops that decode at its next line and is never delivered.
#include "TestSupport.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/SaveDispatch.h"
#include "ui/browser/PreviewLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

class Delivered {
  public:
    CPreviewLoader::Deliver Callback()
    {
        return [this](std::shared_ptr<PreviewLoadResult> result) {
            std::lock_guard lock(m_mutex);
            m_results.push_back(std::move(result));
            m_changed.notify_all();
        };
    }
    // The results once one with `id` has arrived (bounded wait).
    std::vector<std::shared_ptr<PreviewLoadResult>> Until(uint64_t id)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(60), [&] {
            for (const auto& r : m_results)
                if (r->id == id && !r->interim)
                    return true;
            return false;
        });
        return m_results;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<PreviewLoadResult>> m_results;
};

PreviewLoadRequest RequestFor(uint64_t id, const std::string& path, bool reducedFirst = false)
{
    PreviewLoadRequest request;
    request.id = id;
    request.path = path;
    request.clientWidth = 400;
    request.clientHeight = 300;
    request.shrink = true;
    request.reducedFirst = reducedFirst;
    return request;
}

// Waits until the loader has started decoding its `n`th file.
void UntilDecoding(const CPreviewLoader& loader, int n)
{
    for (int i = 0; i < 60000 && loader.GetCounts().decodes < n; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(loader.GetCounts().decodes, n);
}

} // namespace

TEST(PreviewLoader, ASupersededDecodeStopsEarlyAndIsNeverDelivered)
{
    vktest::TempDir dir;
    CWinBmp picture;
    vktest::MakeTestPicture(picture, 4000, 3000);
    // A PNG and a JPEG large enough that their decodes are still running
    // when the next request arrives; the JPEG goes through the reduced
    // first decode.
    const std::string png = dir.File("big.png"), jpeg = dir.File("big.jpg"), small = dir.File("small.png");
    ASSERT_TRUE(SavePicture(kSavePng, png, picture, SaveOptionValues{}));
    ASSERT_TRUE(SavePicture(kSaveJpg, jpeg, picture, SaveOptionValues{}));
    CWinBmp little;
    vktest::MakeTestPicture(little, 30, 20);
    ASSERT_TRUE(SavePicture(kSavePng, small, little, SaveOptionValues{}));

    Delivered delivered;
    CPreviewLoader loader(delivered.Callback());
    loader.Request(RequestFor(1, png));
    UntilDecoding(loader, 1);
    loader.Request(RequestFor(2, small));
    auto results = delivered.Until(2);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0]->id, 2u);
    EXPECT_TRUE(results[0]->ok);
    EXPECT_EQ(results[0]->picture->GetWidth(), 30);
    EXPECT_EQ(loader.GetCounts().stoppedEarly, 1);
    EXPECT_EQ(loader.AbandonedCount(), 1);

    loader.Request(RequestFor(3, jpeg, true));
    UntilDecoding(loader, 3);
    loader.Request(RequestFor(4, small));
    results = delivered.Until(4);
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.back()->id, 4u);
    for (const auto& r : results)
        EXPECT_TRUE(r->id != 3 || r->interim) << "the full picture of a superseded request";
    // The reduced decode is stopped (and the full one then never begins).
    const int stopped = loader.GetCounts().stoppedEarly;
    EXPECT_GE(stopped, 2);

    // The loader decodes in full afterwards.
    loader.Request(RequestFor(5, png));
    results = delivered.Until(5);
    ASSERT_TRUE(results.back()->ok);
    EXPECT_EQ(results.back()->picture->GetWidth(), 4000);
    EXPECT_EQ(loader.GetCounts().stoppedEarly, stopped);
}
