// CSlideShow: the slide show worker. Steps through the entries of the file
// list in the chosen order, decodes each into a picture of its own and
// hands it to the owner's thread with the step, where the view swaps it in.
// The view's own picture is never written from here. Each step names the
// file it decoded; the owner may hand over the list as it changes, and the
// show goes on from the last file it picked.
//
// It waits for the delay, and for the owner to take the previous step, on
// a condition variable that the stop signal also wakes: Stop ends a show at
// once, even during a long delay; a decode already running is finished on
// the side and dropped.
#pragma once

#include "engine/edit/Picture.h"
#include "engine/picture/Animation.h"
#include "engine/picture/AnyPicDecoder.h"
#include "models/browser/SlideOrder.h"
#include "models/fileops/Thread.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// One step of the show, delivered on the owner's thread.
struct SlideStep {
    uint64_t serial = 0;               // 1 for the first step of a show
    int index = -1;                    // the entry shown, in the worker's list
    std::string name;                  // the file decoded
    bool ok = false;                   // decoded; otherwise "Unknow format"
    std::unique_ptr<CPicture> picture; // the decoded picture (ok only)
    // A picture that moves: its frames, the first of them in `picture`.
    std::unique_ptr<CFrameSource> frames;
    std::vector<std::string> warnings; // a damaged file read in part
};

class CSlideShow : public CThread {
  public:
    using StepHandler = std::function<void(SlideStep& step)>;

    CSlideShow();
    ~CSlideShow() override;

    // The show's values: order, delay (0..10 s), whether the delay starts
    // when the picture is ready (`delayAfterLoad`) or includes decoding, the
    // entries of the file list with the one current at the start, and the
    // folder they are in (one trailing separator removed). `seed` seeds the
    // random order once for the whole show.
    void Configure(int sequence, int delaySeconds, bool delayAfterLoad, std::vector<std::string> entries,
                   int current, const std::string& directory, uint64_t seed);
    // Runs on the owner's thread for every step; the owner calls StepShown
    // when it has taken the picture, and the worker hands over no further
    // step before that.
    void SetStepHandler(StepHandler handler) { m_handler = std::move(handler); }
    void StepShown(uint64_t serial);
    // The file list as it is now (Delete, Rename, Refresh): later steps pick
    // from it, and a picture whose file left it meanwhile is not handed over.
    void SetEntries(std::vector<std::string> entries);

    // The stop signal: wakes a waiting job at once. Reset before a show.
    void SignalStop();
    void ResetStop();
    bool IsStopSignalled() const;

    int GetSequence() const { return m_sequence; }
    int GetDelaySeconds() const { return m_delaySeconds; }

  protected:
    int Work() override { return CommandLoop(); }
    void DoJob() override;

  private:
    // Waits until `deadline` or the stop signal; false when stopped.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    // Waits until the owner took step `serial`; false when stopped.
    bool WaitShown(uint64_t serial);
    // Replaces the entry picked last (`current`, named `name`) by the next
    // one in the list as it is now; waits while the list is empty; false
    // when stopped.
    bool PickNext(CSlideOrder& order, int& current, std::string& name);
    bool IsListed(const std::string& name) const;

    CAnyPicDecoder m_decoder;
    int m_sequence = 0;
    int m_delaySeconds = 0;
    bool m_delayAfterLoad = true;
    std::vector<std::string> m_entries; // guarded by m_mutex while a show runs
    int m_current = -1;
    std::string m_directory;
    uint64_t m_seed = 0;
    StepHandler m_handler;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    uint64_t m_shown = 0;
    bool m_entriesChanged = false;
};
