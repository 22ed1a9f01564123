// The model store: the mesh, the current time step, the work arrays and the INTERP points, under the
// names the analysis uses; beside it the run values of one conversion. Indices are 1-based: X(n) is node n,
// ELEM(e, 5) is the material number of element e.
//
// Arrays are sized once, from the result file's own counts, after the reader has checked that the
// records really hold that many entries; nothing is allocated per step.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace seep {

// The storage of the arrays below: memory that comes zeroed, so that sizing an array needs no pass of
// its own to clear it. A large array's pages come from the system as they are first used, and the
// arrays a kind never fills (the velocities of a kind that skips them) take no memory at all.
template <class T>
struct ZeroedAllocator {
  static_assert(std::is_arithmetic_v<T>, "zero bytes are the value 0 of numbers only");
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}  // NOLINT: converts like std::allocator
  T* allocate(std::size_t n) {
    void* p = std::calloc(n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { std::free(p); }
  // An entry made without a value keeps the zero it was allocated with. The arrays only ever grow
  // into fresh storage (Resize makes a new one), never into storage used before.
  template <class U>
  void construct(U*) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  friend bool operator==(const ZeroedAllocator&, const ZeroedAllocator&) { return true; }
};

template <class T>
using ZeroedVector = std::vector<T, ZeroedAllocator<T>>;

// Node arrays, element arrays and point arrays: entry n is A(n), n from 1.
template <class T>
class Array1 {
 public:
  void Resize(std::int32_t n) { ZeroedVector<T>(n > 0 ? static_cast<std::size_t>(n) : 0).swap(v_); }
  T& operator()(std::int32_t n) { return v_[static_cast<std::size_t>(n - 1)]; }
  const T& operator()(std::int32_t n) const { return v_[static_cast<std::size_t>(n - 1)]; }
  std::int32_t Size() const { return static_cast<std::int32_t>(v_.size()); }
  T* Data() { return v_.data(); }
  const T* Data() const { return v_.data(); }
  void Reserve(std::size_t n) { v_.reserve(n); }
  void PushBack(const T& x) { v_.push_back(x); }

 private:
  ZeroedVector<T> v_;
};

// Tables with a fixed number of columns: entry (r, c) is A(r, c), both from 1. A row's columns stand
// together, so an element's corners and material are one cache line.
template <class T, int Columns>
class Array2 {
 public:
  void Resize(std::int32_t rows) {
    ZeroedVector<T>(rows > 0 ? static_cast<std::size_t>(rows) * Columns : 0).swap(v_);
  }
  T& operator()(std::int32_t r, int c) { return v_[static_cast<std::size_t>(r - 1) * Columns + (c - 1)]; }
  const T& operator()(std::int32_t r, int c) const {
    return v_[static_cast<std::size_t>(r - 1) * Columns + (c - 1)];
  }
  std::int32_t Rows() const { return static_cast<std::int32_t>(v_.size() / Columns); }
  T* Data() { return v_.data(); }
  const T* Data() const { return v_.data(); }

 private:
  ZeroedVector<T> v_;
};

// Columns of ELEM.
inline constexpr int kI = 1, kJ = 2, kK = 3, kL = 4, kMAT = 5;

inline constexpr std::size_t kNameLength = 20;
using Name = std::array<char, kNameLength>;

struct Store {
  // Mesh, fixed once the result file header is read.
  std::array<char, 80> TITLE{};
  std::int32_t NUMNP = 0;
  std::int32_t NUMEL = 0;
  Array1<double> X, Y;
  Array2<std::int32_t, 5> ELEM;  // corners I, J, K, L and MAT

  // Current time step.
  std::int32_t ISTEP = 0;
  double TIME = 0.0;
  Array1<std::int32_t> NCODE;
  Array1<double> P, Q;
  Array1<double> VXE, VYE;

  // Work arrays that the writers rebuild for every step they write.
  Array1<double> VXN, VYN;
  Array1<std::int32_t> NCNT;
  // The kind's work on this step (its nodal average in VXN, VYN and NCNT) was done as the step was
  // read; the writer takes the mark (TakePrepared) instead of doing the work again.
  bool prepared = false;

  // INTERP points.
  std::int32_t NPT = 0;
  Array1<double> XP, YP;
  Array2<std::int32_t, 3> IPN;
  Array2<double, 3> WPN;
};

// Sizes every node array for NUMNP nodes (and every element array for NUMEL elements), zeroed.
void SizeNodeArrays(Store& s, std::int32_t numnp);
void SizeElementArrays(Store& s, std::int32_t numel);

// True when n names a node of the mesh. Corner numbers outside 1 … NUMNP come only from damaged
// result files; the writers skip them wherever they would index a node array.
// True when the kind's work on this step was done as it was read; the mark serves once.
inline bool TakePrepared(Store& s) {
  return std::exchange(s.prepared, false);
}

inline bool IsNode(const Store& s, std::int32_t n) {
  return n >= 1 && n <= s.NUMNP;
}

// True when element e is a triangle stored with its third corner repeated (K = L). The legacy kinds
// know triangles by this rule alone.
inline bool RepeatsThirdCorner(const Store& s, std::int32_t e) {
  return s.ELEM(e, kK) == s.ELEM(e, kL);
}

// True when element e is a triangle I, J, K: its third corner repeated (L = K) or no fourth corner
// (L = 0). Point location and the kinds that know shapes by corner count use this rule.
inline bool IsTriangle(const Store& s, std::int32_t e) {
  return RepeatsThirdCorner(s, e) || s.ELEM(e, kL) == 0;
}

// Speed of a velocity (vx, vy), computed as every output shows it: the root of the sum of squares.
inline double Speed(double vx, double vy) {
  return std::sqrt(vx * vx + vy * vy);
}

// Active element: MAT greater than 0.
inline bool IsActive(const Store& s, std::int32_t e) {
  return s.ELEM(e, kMAT) > 0;
}

}  // namespace seep
