// Change notification with update counting, the unpaired EndUpdate assertion, the lock, and the
// size rules of TCustomMap.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "image/Bitmap32.h"
#include "image/ThreadPersistent.h"
#include "platform/Errors.h"
#include "tests/image/TestSupport.h"

namespace nox {
namespace {

using test::EventLog;
using test::Events;

TEST(ThreadPersistent, NotificationsAreHeldBackWhileAnUpdateIsOpen) {
    TCustomMap map;
    EventLog log;
    log.Bind(map);
    map.Changing();
    map.Changed();
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));

    map.BeginUpdate();
    map.BeginUpdate();
    map.Changing();
    map.Changed();
    map.EndUpdate();
    map.Changed();
    EXPECT_TRUE(log.Take().empty());
    map.EndUpdate();  // fires nothing by itself
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(map.UpdateCount(), 0);
    map.Changed();
    EXPECT_EQ(log.Take(), (Events{"change"}));
}

TEST(ThreadPersistent, ClearedCallbacksAreNotCalled) {
    TCustomMap map;
    EventLog log;
    log.Bind(map);
    map.SetOnChanging(nullptr);
    map.SetOnChange(nullptr);
    map.SetOnResize(nullptr);
    map.Changing();
    map.Changed();
    map.Resized();
    EXPECT_TRUE(log.Take().empty());
}

TEST(ThreadPersistent, UnpairedEndUpdateIsAnAssertion) {
    TBitmap32 buffer;
    try {
        buffer.EndUpdate();
        FAIL() << "EndUpdate without BeginUpdate was accepted";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Unpaired TThreadPersistent.EndUpdate");
    }
    EXPECT_EQ(buffer.UpdateCount(), 0);
    buffer.BeginUpdate();
    EXPECT_NO_THROW(buffer.EndUpdate());
    EXPECT_THROW(buffer.EndUpdate(), EAssertionFailed);
}

TEST(ThreadPersistent, LockIsRecursiveAndCounted) {
    TBitmap32 buffer;
    buffer.Lock();
    buffer.Lock();
    EXPECT_EQ(buffer.LockCount(), 2);
    buffer.Unlock();
    buffer.Unlock();
    EXPECT_EQ(buffer.LockCount(), 0);
}

TEST(ThreadPersistent, LockKeepsOtherThreadsOutUntilUnlock) {
    TBitmap32 buffer;
    buffer.Lock();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        buffer.Lock();
        entered = true;
        buffer.Unlock();
    });
    // The other thread counts its lock before it waits for the object's own lock.
    while (buffer.LockCount() != 2) std::this_thread::yield();
    EXPECT_FALSE(entered.load());
    buffer.Unlock();
    other.join();
    EXPECT_TRUE(entered.load());
    EXPECT_EQ(buffer.LockCount(), 0);
}

TEST(CustomMap, SetSizeNotifiesOnlyWhenTheSizeChanges) {
    TCustomMap map;
    EventLog log;
    log.Bind(map);
    EXPECT_TRUE(map.SetSize(-5, 10));
    EXPECT_EQ(map.Width(), 0);
    EXPECT_EQ(map.Height(), 10);
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize"}));
    EXPECT_FALSE(map.SetSize(0, 10));
    EXPECT_FALSE(map.SetSize(-1, 10));
    EXPECT_TRUE(log.Take().empty());
}

TEST(CustomMap, MakeEmptyWrapsTheResizeInItsOwnNotifications) {
    TBitmap32 buffer;
    buffer.SetSize(3, 3);
    EventLog log;
    log.Bind(buffer);
    buffer.MakeEmpty();
    EXPECT_EQ(log.Take(), (Events{"changing", "changing", "change", "resize", "change"}));
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Height(), 0);
}

}  // namespace
}  // namespace nox
