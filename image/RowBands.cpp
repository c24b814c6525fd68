// The helper thread behind ForRowBands: started at the first shared call and kept for the next
// ones rather than started for each, stopped when the program ends.
//
// The rows are handed out a band at a time rather than split in halves up front: the helper is
// woken some microseconds after the caller starts, and on a busy machine it may not run at all
// for a while; the caller then simply takes more bands. A helper that has not started by the time
// the caller has taken the last band is called off, so the caller never waits for it to be woken.
#include "image/RowBands.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace nox {

namespace {

using TBand = std::function<void(int64_t, int64_t)>;

// Rows per band: few enough that the two threads end close together, enough that taking a band
// costs nothing beside sampling it.
constexpr int64_t kBandRows = 16;

// How long the helper waits awake for more work after a call, before it sleeps.
constexpr std::chrono::microseconds kAwakeAfterWork{50};

// The rows of one call, taken a band at a time by whichever thread is free.
struct TShare {
    const TBand* Band = nullptr;
    int64_t Rows = 0;
    std::atomic<int64_t> Next{0};

    void Run() {
        for (;;) {
            const int64_t first = Next.fetch_add(kBandRows, std::memory_order_relaxed);
            if (first >= Rows) return;
            (*Band)(first, std::min(first + kBandRows, Rows));
        }
    }
};

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

class THelper {
public:
    THelper() : thread_([this] { Run(); }) {}
    ~THelper() {
        state_.store(kStop, std::memory_order_release);
        state_.notify_one();
        thread_.join();
    }
    THelper(const THelper&) = delete;
    THelper& operator=(const THelper&) = delete;

    // Runs `share` on the calling thread and the helper; false, with nothing run, while the
    // helper works for another caller.
    bool Run(TShare& share) {
        uint32_t idle = kIdle;
        if (!state_.compare_exchange_strong(idle, kClaimed, std::memory_order_acquire)) return false;
        share_ = &share;
        state_.store(kPosted, std::memory_order_release);
        state_.notify_one();
        share.Run();
        // Every band is taken. A helper that has not begun is called off; one that has is inside
        // its last band, which ends about now: sooner than a sleeping thread is woken, so wait
        // awake for a while before sleeping.
        uint32_t posted = kPosted;
        if (!state_.compare_exchange_strong(posted, kIdle, std::memory_order_acq_rel)) {
            Await([](uint32_t s) { return s == kDone; }, std::chrono::microseconds(200));
            state_.store(kIdle, std::memory_order_release);
        }
        return true;
    }

private:
    // kIdle -> kClaimed (a caller writes share_) -> kPosted -> kRunning (the helper took it) ->
    // kDone -> kIdle (the caller saw it); or kPosted -> kIdle when the caller calls the helper off.
    enum : uint32_t { kIdle, kClaimed, kPosted, kRunning, kDone, kStop };

    // Waits until `reached(state)` holds, awake for `awake` and then asleep on the state; returns
    // the state that ended the wait.
    template <class Reached>
    uint32_t Await(Reached reached, std::chrono::microseconds awake) {
        uint32_t s = state_.load(std::memory_order_acquire);
        const auto until = std::chrono::steady_clock::now() + awake;
        while (!reached(s) && std::chrono::steady_clock::now() < until) {
            Relax();
            s = state_.load(std::memory_order_acquire);
        }
        while (!reached(s)) {
            state_.wait(s, std::memory_order_acquire);
            s = state_.load(std::memory_order_acquire);
        }
        return s;
    }

    void Run() {
        for (;;) {
            // Shared work comes in runs: the window repaints its panes one after another in one
            // pass, and a large copy of the rest of a pane may follow its repaint. Stay awake for a
            // while before sleeping, so the next share is not kept waiting for the helper to be
            // woken again.
            uint32_t s = Await([](uint32_t t) { return t == kPosted || t == kStop; }, kAwakeAfterWork);
            if (s == kStop) return;
            if (!state_.compare_exchange_strong(s, kRunning, std::memory_order_acquire)) continue;  // called off
            share_->Run();
            state_.store(kDone, std::memory_order_release);
            state_.notify_one();
        }
    }

    std::atomic<uint32_t> state_{kIdle};
    TShare* share_ = nullptr;  // written in kClaimed, read in kRunning
    std::thread thread_;       // last: started once every other member is ready
};

}  // namespace

void ForRowBands(int64_t rows, bool share, const TBand& band) {
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    if (!share || !twoCores || rows <= kBandRows) {
        band(0, rows);
        return;
    }
    static THelper helper;
    TShare work;
    work.Band = &band;
    work.Rows = rows;
    if (!helper.Run(work)) band(0, rows);
}

}  // namespace nox
