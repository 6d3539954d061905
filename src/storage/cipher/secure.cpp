#include "storage/cipher/secure.h"

#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace tb::storage {

// explicit_bzero is a store the optimiser must keep even when the buffer is
// about to be freed or go out of scope, which is exactly when secrets die.
void SecureWipe(void* data, size_t n) {
  if (data != nullptr && n != 0) explicit_bzero(data, n);
}

namespace {

int SystemLock(const void* address, size_t length) { return mlock(address, length); }
int SystemUnlock(const void* address, size_t length) { return munlock(address, length); }

// Locks do not nest in the kernel: one munlock frees a page whatever else
// lives on it. Small secrets share heap pages, so every page is counted
// and unlocked only when its last secret goes.
struct PageLocks {
  std::mutex mutex;
  std::unordered_map<uintptr_t, uint32_t> counts;  // page address -> secrets on it
  MemoryLockCall lock = SystemLock;
  MemoryLockCall unlock = SystemUnlock;
  uint64_t lockCalls = 0;
  std::atomic<bool> refused{false};
  uintptr_t pageSize = 4096;
};

// Never destroyed: secrets with static storage die after any ordinary
// static would have.
PageLocks& Locks() {
  static PageLocks* locks = [] {
    auto* l = new PageLocks;
    const long size = sysconf(_SC_PAGESIZE);
    if (size > 0) l->pageSize = uintptr_t(size);
    return l;
  }();
  return *locks;
}

}  // namespace

void LockSecretMemory(const void* data, size_t n) noexcept {
  if (data == nullptr || n == 0) return;
  PageLocks& l = Locks();
  if (l.refused.load(std::memory_order_relaxed)) return;
  const uintptr_t first = reinterpret_cast<uintptr_t>(data) & ~(l.pageSize - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(data) + n - 1) & ~(l.pageSize - 1);
  std::lock_guard<std::mutex> guard(l.mutex);
  try {
    for (uintptr_t page = first; page <= last; page += l.pageSize) {
      uint32_t& count = l.counts[page];
      if (count == 0 && !l.refused) {
        ++l.lockCalls;
        if (l.lock(reinterpret_cast<const void*>(page), l.pageSize) != 0) {
          // Kept unlocked; pages already counted stay as they are and are
          // released as usual.
          l.refused = true;
          l.counts.erase(page);
          return;
        }
      }
      if (count == 0 && l.refused) {
        l.counts.erase(page);
        return;
      }
      ++count;
    }
  } catch (...) {
    // No memory for the count: the secret simply stays unlocked.
  }
}

void UnlockSecretMemory(const void* data, size_t n) noexcept {
  if (data == nullptr || n == 0) return;
  PageLocks& l = Locks();
  const uintptr_t first = reinterpret_cast<uintptr_t>(data) & ~(l.pageSize - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(data) + n - 1) & ~(l.pageSize - 1);
  std::lock_guard<std::mutex> guard(l.mutex);
  if (l.counts.empty()) return;
  for (uintptr_t page = first; page <= last; page += l.pageSize) {
    // A secret that was never counted (allocated after a refusal, or
    // after its page's count was lost) may find its page shared with one
    // that was: that only ends the lock early, never makes a count wrong
    // below zero.
    const auto it = l.counts.find(page);
    if (it == l.counts.end()) continue;
    if (--it->second == 0) {
      l.unlock(reinterpret_cast<const void*>(page), l.pageSize);
      l.counts.erase(it);
    }
  }
}

SecretMemoryState SecretMemory() noexcept {
  PageLocks& l = Locks();
  std::lock_guard<std::mutex> guard(l.mutex);
  SecretMemoryState s;
  s.lockCalls = l.lockCalls;
  s.lockedPages = l.counts.size();
  s.refused = l.refused;
  return s;
}

void SetMemoryLockCallsForTesting(MemoryLockCall lock, MemoryLockCall unlock) noexcept {
  PageLocks& l = Locks();
  std::lock_guard<std::mutex> guard(l.mutex);
  for (const auto& [page, count] : l.counts) l.unlock(reinterpret_cast<const void*>(page), l.pageSize);
  l.counts.clear();
  l.lock = lock ? lock : SystemLock;
  l.unlock = unlock ? unlock : SystemUnlock;
  l.lockCalls = 0;
  l.refused = false;
}

}  // namespace tb::storage
