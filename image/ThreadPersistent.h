// TThreadPersistent: an object that others display, announcing changes through OnChanging and
// OnChange (held back while an update is open) and guarded by a lock of its own; TCustomMap adds a
// width and a height with OnResize.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/Persistent.h"

namespace nox {

// A notification callback; `sender` is the object that notifies. Empty means unset.
using TNotifyEvent = std::function<void(TPersistent* sender)>;

class TThreadPersistent : public TPersistent {
public:
    TThreadPersistent() = default;
    TThreadPersistent(const TThreadPersistent&) = delete;
    TThreadPersistent& operator=(const TThreadPersistent&) = delete;
    const char* ClassName() const override { return "TThreadPersistent"; }

    // Call OnChanging / OnChange when set and no update is open.
    virtual void Changing();
    virtual void Changed();

    // While the update count is above 0, Changing and Changed fire nothing. EndUpdate fires
    // nothing itself; an EndUpdate without BeginUpdate throws EAssertionFailed
    // "Unpaired TThreadPersistent.EndUpdate" and leaves the count at 0.
    void BeginUpdate();
    void EndUpdate();
    int32_t UpdateCount() const { return updateCount_; }

    // Lock counts the outstanding locks under a lock shared by every object, then enters the
    // object's own recursive lock; Unlock undoes both in the reverse order. Locking does not
    // change the object, so a reader holding it const may lock it.
    void Lock() const;
    void Unlock() const;
    int32_t LockCount() const;

    const TNotifyEvent& OnChanging() const { return onChanging_; }
    const TNotifyEvent& OnChange() const { return onChange_; }
    void SetOnChanging(TNotifyEvent handler) { onChanging_ = std::move(handler); }
    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }

private:
    mutable std::recursive_mutex lock_;
    mutable int32_t lockCount_ = 0;
    int32_t updateCount_ = 0;
    TNotifyEvent onChanging_;
    TNotifyEvent onChange_;
};

// Holds an object's lock for one scope.
class TLockGuard {
public:
    explicit TLockGuard(const TThreadPersistent& object) : object_(object) { object_.Lock(); }
    ~TLockGuard() { object_.Unlock(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    const TThreadPersistent& object_;
};

class TCustomMap : public TThreadPersistent {
public:
    const char* ClassName() const override { return "TCustomMap"; }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    void SetWidth(int32_t width) { SetSize(width, height_); }
    void SetHeight(int32_t height) { SetSize(width_, height); }

    // Changing, SetSize (0, 0), Changed.
    virtual void MakeEmpty();
    virtual bool IsEmpty() const { return width_ == 0 || height_ == 0; }
    // Calls OnResize when set; not held back by an open update.
    virtual void Resized();
    // Sizes below 1 become 0. Returns false, doing nothing, when the size stays; otherwise
    // Changing, the new size, Changed, Resized and true.
    virtual bool SetSize(int32_t width, int32_t height);

    const TNotifyEvent& OnResize() const { return onResize_; }
    void SetOnResize(TNotifyEvent handler) { onResize_ = std::move(handler); }

protected:
    int32_t height_ = 0;
    int32_t width_ = 0;

private:
    TNotifyEvent onResize_;
};

}  // namespace nox
