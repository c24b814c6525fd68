// Sharing the rows of a large picture with the helper thread: every row exactly once, in bands of
// ascending rows, whoever runs them, also when two callers share at once or a band shares again.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "image/RowBands.h"

namespace nox {
namespace {

// How often each row was visited, and the bands seen.
struct TVisits {
    explicit TVisits(int64_t rows) : Count(static_cast<size_t>(rows)) {}
    std::vector<std::atomic<int>> Count;
    std::mutex Mutex;
    std::vector<std::pair<int64_t, int64_t>> Bands;

    void Visit(int64_t first, int64_t last) {
        for (int64_t row = first; row < last; ++row) Count[static_cast<size_t>(row)].fetch_add(1);
        std::lock_guard lock(Mutex);
        Bands.emplace_back(first, last);
    }
    bool EachRowOnce() const {
        for (const auto& c : Count)
            if (c.load() != 1) return false;
        return true;
    }
};

TEST(ForRowBands, EveryRowIsVisitedOnceInNonEmptyBands) {
    struct Case {
        int64_t rows;
        bool share;
    };
    const Case cases[] = {{1, true}, {16, true}, {17, true}, {33, true}, {700, true}, {1080, true}, {4999, true},
                          {700, false}, {1, false}};
    for (const Case& c : cases) {
        TVisits visits(c.rows);
        ForRowBands(c.rows, c.share, [&](int64_t first, int64_t last) { visits.Visit(first, last); });
        EXPECT_TRUE(visits.EachRowOnce()) << c.rows << (c.share ? " shared" : "");
        for (const auto& [first, last] : visits.Bands) {
            EXPECT_LT(first, last) << c.rows;
            EXPECT_GE(first, 0);
            EXPECT_LE(last, c.rows);
        }
    }
}

TEST(ForRowBands, UnsharedWorkIsOneBandOnTheCallingThread) {
    const auto caller = std::this_thread::get_id();
    std::vector<std::pair<int64_t, int64_t>> bands;
    std::thread::id ranOn;
    ForRowBands(1000, false, [&](int64_t first, int64_t last) {
        bands.emplace_back(first, last);
        ranOn = std::this_thread::get_id();
    });
    EXPECT_EQ(bands, (std::vector<std::pair<int64_t, int64_t>>{{0, 1000}}));
    EXPECT_EQ(ranOn, caller);
}

TEST(ForRowBands, NoRowsCallsNothingHarmful) {
    int calls = 0;
    int64_t covered = 0;
    ForRowBands(0, true, [&](int64_t first, int64_t last) {
        ++calls;
        covered += last - first;
    });
    EXPECT_EQ(covered, 0);
    EXPECT_LE(calls, 1);
}

TEST(ForRowBands, ABandThatSharesAgainRunsItsOwnRowsToo) {
    // The helper is taken by the outer call, so the inner ones run on whichever thread asks.
    constexpr int64_t kOuter = 64, kInner = 200;
    TVisits outer(kOuter);
    std::vector<std::unique_ptr<TVisits>> inner;
    for (int64_t i = 0; i < kOuter; ++i) inner.push_back(std::make_unique<TVisits>(kInner));
    ForRowBands(kOuter, true, [&](int64_t first, int64_t last) {
        outer.Visit(first, last);
        for (int64_t row = first; row < last; ++row)
            ForRowBands(kInner, true, [&, row](int64_t f, int64_t l) { inner[static_cast<size_t>(row)]->Visit(f, l); });
    });
    EXPECT_TRUE(outer.EachRowOnce());
    for (const auto& visits : inner) EXPECT_TRUE(visits->EachRowOnce());
}

TEST(ForRowBands, CallersOnSeveralThreadsEachGetEveryRow) {
    constexpr int kThreads = 4, kCalls = 200;
    constexpr int64_t kRows = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int call = 0; call < kCalls; ++call) {
                TVisits visits(kRows);
                ForRowBands(kRows, true, [&](int64_t first, int64_t last) { visits.Visit(first, last); });
                if (!visits.EachRowOnce()) failures.fetch_add(1);
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace nox
