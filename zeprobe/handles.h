// Level Zero's two-call enumeration: one call with a null array for the count, a second one
// into a heap array of that many handles.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "common/free_deleter.h"
#include "errors.h"

namespace zeprobe {

template <typename Handle>
class HandleList {
 public:
  HandleList(Handle* storage, std::uint32_t capacity) : storage_(storage), capacity_(capacity) {}

  Handle* data() { return storage_.get(); }
  // Keeps the first `count` handles, never more than the array holds.
  void setCount(std::uint32_t count) { count_ = std::min(count, capacity_); }
  bool empty() const { return count_ == 0; }
  const Handle* begin() const { return storage_.get(); }
  const Handle* end() const { return storage_.get() + count_; }

 private:
  std::unique_ptr<Handle[], common::FreeDeleter> storage_;
  std::uint32_t capacity_;
  std::uint32_t count_ = 0;
};

template <typename Error, typename Enumerate>
std::uint32_t queryHandleCount(const char* function, Enumerate enumerate);
template <typename Error, typename Handle, typename Enumerate>
HandleList<Handle> fetchHandles(const char* function, Enumerate enumerate, std::uint32_t count);

// The handles of one enumeration: the count, then that many handles.
template <typename Error, typename Handle, typename Enumerate>
HandleList<Handle> enumerateHandles(const char* function, Enumerate enumerate) {
  return fetchHandles<Error, Handle>(function, enumerate,
                                     queryHandleCount<Error>(function, enumerate));
}

// Asks for the number of handles (a call with a null array).
template <typename Error, typename Enumerate>
std::uint32_t queryHandleCount(const char* function, Enumerate enumerate) {
  std::uint32_t count = 0;
  checkCall<Error>(enumerate(&count, nullptr), function);
  return count;
}

// Fetches up to count handles. The list keeps the count that the call leaves, but never more
// than was allocated, so a driver that raises the count cannot make the caller read past the
// array.
template <typename Error, typename Handle, typename Enumerate>
HandleList<Handle> fetchHandles(const char* function, Enumerate enumerate, std::uint32_t count) {
  // At least one element, so that a count of 0 is never mistaken for a failed allocation.
  // Zero-filled, so that a slot a driver leaves unwritten holds a null handle, not heap bytes.
  auto* storage =
      static_cast<Handle*>(std::calloc(std::max<std::size_t>(count, 1), sizeof(Handle)));
  if (storage == nullptr) throw Error{"malloc failed"};
  HandleList<Handle> handles(storage, count);
  std::uint32_t filled = count;
  checkCall<Error>(enumerate(&filled, handles.data()), function);
  handles.setCount(filled);
  return handles;
}

}  // namespace zeprobe
