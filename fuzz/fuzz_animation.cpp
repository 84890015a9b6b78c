// Arbitrary bytes to the animation readers: the frame table is read and
// every frame composed, forward and then once from the start again. Only
// CTextException may come out; anything else, and every crash, is a finding.
#include "engine/picture/Animation.h"
#include "engine/picture/PictureSizeLimit.h"
#include "engine/picture/WinBmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A canvas the picture limit allows, held beside the composed frame,
    // can pass the fuzzer's memory limit without being a fault: 64 MP here.
    CPictureSizeLimit limit(int64_t(1) << 26);
    try {
        auto bytes = std::make_shared<std::vector<uint8_t>>(data, data + size);
        std::unique_ptr<CFrameSource> frames = OpenFrames(std::move(bytes));
        if (!frames)
            return 0;
        CWinBmp bmp;
        // Bounded work per input: a few frames, then a step back.
        const int count = frames->FrameCount() < 8 ? frames->FrameCount() : 8;
        for (int i = 0; i < count && i < frames->FrameCount(); ++i)
            frames->ComposeFrame(i, bmp);
        if (frames->FrameCount() > 1)
            frames->ComposeFrame(1, bmp);
    } catch (const CTextException&) {
    }
    return 0;
}
