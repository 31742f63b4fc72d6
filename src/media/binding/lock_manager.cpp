#include "media/binding/lock_manager.h"

#include <atomic>
#include <condition_variable>
#include <stdexcept>
#include <thread>

#include "media/binding/ff_logger.h"
#include "media/binding/ff_utils.h"

namespace media {

// A recursive mutex that knows its owner, so that releasing it from the
// wrong thread is an error rather than undefined behaviour.
class TLockManager::OwnedMutex {
 public:
  OwnedMutex() : id_(++serial_) {}
  int Id() const { return id_; }

  void Obtain() {
    std::unique_lock guard(lock_);
    const auto me = std::this_thread::get_id();
    if (depth_ > 0 && owner_ == me) {
      ++depth_;
      return;
    }
    free_.wait(guard, [&] { return depth_ == 0; });
    owner_ = me;
    depth_ = 1;
  }

  void Release() {
    std::lock_guard guard(lock_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id())
      throw std::runtime_error("Attempt to release mutex not owned by caller");
    if (--depth_ == 0) {
      owner_ = {};
      free_.notify_one();
    }
  }

 private:
  static inline std::atomic<int> serial_{0};
  const int id_;
  std::mutex lock_;
  std::condition_variable free_;
  std::thread::id owner_;
  int depth_ = 0;
};

TLockManager::TLockManager() = default;
TLockManager::~TLockManager() = default;

void TLockManager::SetFinalising(bool on) {
  std::lock_guard guard(listLock_);
  finalising_ = on;
}

size_t TLockManager::RecordCount() const {
  std::lock_guard guard(listLock_);
  return records_.size();
}

TLockManager::Record* TLockManager::FindOrCreate(void** slot) {
  std::lock_guard guard(listLock_);
  if (!*slot) {
    records_.push_front({slot, nullptr});
    *slot = &records_.front();
  }
  return static_cast<Record*>(*slot);
}

void TLockManager::Remove(Record* record) {
  std::lock_guard guard(listLock_);
  *record->slot = nullptr;
  records_.remove_if([record](const Record& r) { return &r == record; });
}

int TLockManager::Callback(void** slot, int op) {
  {
    std::lock_guard guard(listLock_);
    if (finalising_) return 0;
  }
  if (!slot) return -1;
  try {
    Record* record = FindOrCreate(slot);
    // A slot that holds something we did not put there.
    if (record->slot != slot) return -1;
    switch (op) {
      case lmCreate:
        if (record->mutex) {
          LogFormat(nullptr, llError, "[lock manager] error, mutex [%d] already exist.", record->mutex->Id());
          return -1;
        }
        try {
          record->mutex = std::make_unique<OwnedMutex>();
        } catch (const std::exception& e) {
          LogFormat(nullptr, llError, "[lock manager] error, failed to create mutex: %s.", e.what());
          return -1;
        }
        LogFormat(nullptr, llDebug, "[lock manager] mutex [%d] created.", record->mutex->Id());
        return 0;
      case lmObtain:
        if (!record->mutex) {
          Log(nullptr, llError, "[lock manager] error, mutex not available.");
          return -1;
        }
        try {
          record->mutex->Obtain();
        } catch (const std::exception& e) {
          LogFormat(nullptr, llError, "[lock manager] error, could not wait on mutex [%d]: %s.",
                    record->mutex->Id(), e.what());
          return -1;
        }
        LogFormat(nullptr, llDebug, "[lock manager] mutex [%d] obtained.", record->mutex->Id());
        return 0;
      case lmRelease:
        if (!record->mutex) {
          Log(nullptr, llError, "[lock manager] error, mutex not available.");
          return -1;
        }
        try {
          record->mutex->Release();
        } catch (const std::exception& e) {
          LogFormat(nullptr, llError, "[lock manager] error, could not release mutex [%d]: %s.",
                    record->mutex->Id(), e.what());
          return -1;
        }
        LogFormat(nullptr, llDebug, "[lock manager] mutex [%d] release.", record->mutex->Id());
        return 0;
      case lmDestroy: {
        int result = 0;
        if (record->mutex) {
          LogFormat(nullptr, llDebug, "[lock manager] mutex [%d] destroyed.", record->mutex->Id());
        } else {
          Log(nullptr, llError, "[lock manager] error, mutex not available.");
          result = -1;
        }
        Remove(record);
        return result;
      }
      default:
        LogFormat(nullptr, llError, "[lock manager] error, invalid mutex operation %d.", op);
        return -1;
    }
  } catch (...) {
    return -1;  // the library gets a failure, never an exception
  }
}

TLockManager& LockManager() {
  static TLockManager manager;
  return manager;
}

int LockManagerCallback(void** slot, int op) { return LockManager().Callback(slot, op); }

}  // namespace media
