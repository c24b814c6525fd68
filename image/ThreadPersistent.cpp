// Change notification with update counting, the two-level lock, and the sized map.
#include "image/ThreadPersistent.h"

#include "platform/Errors.h"

namespace nox {

namespace {

// Guards the lock counts of every object, so that a count is never read half-updated.
std::mutex& SharedLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

void TThreadPersistent::Changing() {
    if (updateCount_ == 0 && onChanging_) onChanging_(this);
}

void TThreadPersistent::Changed() {
    if (updateCount_ == 0 && onChange_) onChange_(this);
}

void TThreadPersistent::BeginUpdate() { ++updateCount_; }

void TThreadPersistent::EndUpdate() {
    if (updateCount_ <= 0) throw EAssertionFailed("Unpaired TThreadPersistent.EndUpdate");
    --updateCount_;
}

void TThreadPersistent::Lock() const {
    {
        std::lock_guard<std::mutex> guard(SharedLock());
        ++lockCount_;
    }
    lock_.lock();
}

void TThreadPersistent::Unlock() const {
    lock_.unlock();
    std::lock_guard<std::mutex> guard(SharedLock());
    --lockCount_;
}

int32_t TThreadPersistent::LockCount() const {
    std::lock_guard<std::mutex> guard(SharedLock());
    return lockCount_;
}

void TCustomMap::MakeEmpty() {
    Changing();
    SetSize(0, 0);
    Changed();
}

void TCustomMap::Resized() {
    if (onResize_) onResize_(this);
}

bool TCustomMap::SetSize(int32_t width, int32_t height) {
    if (width < 1) width = 0;
    if (height < 1) height = 0;
    if (width == width_ && height == height_) return false;
    Changing();
    width_ = width;
    height_ = height;
    Changed();
    Resized();
    return true;
}

}  // namespace nox
