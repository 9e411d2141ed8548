// A fixed-size array for struct and class members. Portable: no windows.h.
//
// In every shipped build FixedBuffer<T, N> is a plain T[N] in a struct:
// same size and layout, an aggregate (so `= {}` zeroes it and a string
// literal or a brace list initialises it), trivially copyable whenever T is.
//
// With ZOR_HEAP_BUFFERS (set by the fuzz configuration only) each buffer is
// instead a heap block of exactly N elements. AddressSanitizer puts red
// zones around every heap block and every stack or global variable, but not
// between the members of one object: an index that runs past a member array
// into the member behind it is a silent overwrite there, and an overflow
// here is a report.
//
// Portable code must be right in both forms: size() rather than sizeof
// (under ZOR_HEAP_BUFFERS sizeof gives the pointer's size), no memset/memcpy/
// memcmp over a whole struct that holds a FixedBuffer, no reliance on the
// elements lying inside the enclosing object. Win32 code only ever sees the
// in-place form.
#pragma once

#include <cassert>
#include <cstddef>
#include <type_traits>

#if defined(ZOR_HEAP_BUFFERS) && defined(_WIN32)
// The Win32 side hands requests across threads by address and reads their
// first bytes as the name: only the host's fuzz build may move buffers out.
#error "ZOR_HEAP_BUFFERS is for the host fuzz build only"
#endif

#ifdef ZOR_HEAP_BUFFERS
#include <algorithm>
#include <initializer_list>
#include <memory>
#endif

template <std::size_t N, typename I>
constexpr bool FixedBufferIndexInRange(I i) {
  static_assert(std::is_integral<I>::value, "an index is an integer");
  if constexpr (std::is_signed<I>::value) {
    if (i < 0) return false;
  }
  return static_cast<std::size_t>(i) < N;
}

#ifndef ZOR_HEAP_BUFFERS

template <typename T, std::size_t N>
struct FixedBuffer {
  static_assert(N > 0, "a buffer holds at least one element");

  static constexpr std::size_t size() { return N; }
  T* data() { return elements; }
  const T* data() const { return elements; }
  T* begin() { return elements; }
  T* end() { return elements + N; }
  const T* begin() const { return elements; }
  const T* end() const { return elements + N; }

  // A template, so that every index type is an exact match: with a
  // size_t parameter an int index would be as good a match for the built-in
  // pointer subscript (ptrdiff_t is int on 32-bit targets) and ambiguous.
  template <typename I>
  T& operator[](I i) {
    assert(FixedBufferIndexInRange<N>(i));
    return elements[i];
  }
  template <typename I>
  const T& operator[](I i) const {
    assert(FixedBufferIndexInRange<N>(i));
    return elements[i];
  }

  // Callers hand the buffer to C-style functions as they would a T[N].
  operator T*() { return elements; }
  operator const T*() const { return elements; }

  // Public, and the only data member, so the type stays an aggregate.
  T elements[N];
};

#else  // ZOR_HEAP_BUFFERS

template <typename T, std::size_t N>
class FixedBuffer {
 public:
  static_assert(N > 0, "a buffer holds at least one element");

  // Value-initialised, as `= {}` gives the in-place form.
  FixedBuffer() : elements_(new T[N]()) {}
  // What aggregate initialisation from a string literal or a brace list
  // gives the in-place form: the given elements, the rest value-initialised.
  template <std::size_t M>
  FixedBuffer(const T (&init)[M]) : FixedBuffer() {
    static_assert(M <= N, "initialiser longer than the buffer");
    std::copy(init, init + M, elements_.get());
  }
  FixedBuffer(std::initializer_list<T> init) : FixedBuffer() {
    assert(init.size() <= N);
    std::copy(init.begin(), init.begin() + std::min(init.size(), N), elements_.get());
  }
  // Copies and moves copy the elements into the target's own block, as
  // for an array member: a moved-from buffer keeps its contents and its
  // block, so no object ever shares or loses its storage.
  FixedBuffer(const FixedBuffer& other) : FixedBuffer() { std::copy(other.begin(), other.end(), begin()); }
  FixedBuffer& operator=(const FixedBuffer& other) {
    if (this != &other) std::copy(other.begin(), other.end(), begin());
    return *this;
  }
  ~FixedBuffer() = default;

  static constexpr std::size_t size() { return N; }
  T* data() { return elements_.get(); }
  const T* data() const { return elements_.get(); }
  T* begin() { return elements_.get(); }
  T* end() { return elements_.get() + N; }
  const T* begin() const { return elements_.get(); }
  const T* end() const { return elements_.get() + N; }

  template <typename I>
  T& operator[](I i) {
    assert(FixedBufferIndexInRange<N>(i));
    return elements_[i];
  }
  template <typename I>
  const T& operator[](I i) const {
    assert(FixedBufferIndexInRange<N>(i));
    return elements_[i];
  }

  operator T*() { return elements_.get(); }
  operator const T*() const { return elements_.get(); }

 private:
  std::unique_ptr<T[]> elements_;
};

#endif  // ZOR_HEAP_BUFFERS
