// CQuillLock: the read/write lock that log-service holders share.
//
// Writers exclude everyone; readers exclude writers only. Not copyable. Any
// thread may lock; the thread that took a lock gives it back. The results
// report success and are true on this platform.
#ifndef QUILL_QUILL_LOCK_H_
#define QUILL_QUILL_LOCK_H_

#include <memory>

// An externally owned lock the framework can wrap; this implementation
// always makes its own and accepts only null.
struct read_write_lock;

class CQuillLock {
 public:
  explicit CQuillLock(read_write_lock* external = nullptr);
  ~CQuillLock();
  CQuillLock(const CQuillLock&) = delete;
  CQuillLock& operator=(const CQuillLock&) = delete;

  bool LockWriting();
  bool UnlockWriting();
  bool LockReading();
  bool UnlockReading();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

#endif  // QUILL_QUILL_LOCK_H_
