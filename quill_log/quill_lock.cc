#include "quill/quill_lock.h"

#include <shared_mutex>

struct CQuillLock::Impl {
  std::shared_mutex mutex;
};

CQuillLock::CQuillLock(read_write_lock* /*external*/) : impl_(new Impl) {}

CQuillLock::~CQuillLock() = default;

bool CQuillLock::LockWriting() {
  impl_->mutex.lock();
  return true;
}

bool CQuillLock::UnlockWriting() {
  impl_->mutex.unlock();
  return true;
}

bool CQuillLock::LockReading() {
  impl_->mutex.lock_shared();
  return true;
}

bool CQuillLock::UnlockReading() {
  impl_->mutex.unlock_shared();
  return true;
}
