// Mutexes handed out to a codec library through its lock-manager callback.
// libavcodec 59 locks by itself, so this is not registered with it; it is
// kept for libraries that ask for such a callback.
#pragma once

#include <list>
#include <memory>
#include <mutex>

namespace media {

enum TLockOp { lmCreate = 0, lmObtain = 1, lmRelease = 2, lmDestroy = 3 };

class TLockManager {
 public:
  TLockManager();
  ~TLockManager();  // frees every record still there
  TLockManager(const TLockManager&) = delete;
  TLockManager& operator=(const TLockManager&) = delete;

  // The callback: slot is the library's mutex slot, op a TLockOp. Returns 0
  // on success and -1 on failure; failures are logged, nothing is thrown.
  int Callback(void** slot, int op);

  // While the process ends every call succeeds without doing anything.
  void SetFinalising(bool on);
  size_t RecordCount() const;

 private:
  class OwnedMutex;
  struct Record {
    void** slot;
    std::unique_ptr<OwnedMutex> mutex;
  };

  Record* FindOrCreate(void** slot);
  void Remove(Record* record);

  mutable std::mutex listLock_;
  std::list<Record> records_;
  bool finalising_ = false;
};

// The process's lock manager and a C-style entry point into it.
TLockManager& LockManager();
int LockManagerCallback(void** slot, int op);

}  // namespace media
