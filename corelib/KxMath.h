#pragma once
#include <type_traits>

// Fixed-size vector: exactly N elements from its first byte.
template <class T, int N>
struct KxFixedVec {
    T v[N] = {};
    T& operator[](int i) { return v[i]; }
    const T& operator[](int i) const { return v[i]; }
};

// Square matrix stored row by row: element (row, column) is at row * N + column.
template <class T, int N>
struct KxSquareMatrix {
    T m[N * N] = {};
    T& operator()(int row, int column) { return m[row * N + column]; }
    const T& operator()(int row, int column) const { return m[row * N + column]; }
    T& operator[](int i) { return m[i]; }
    const T& operator[](int i) const { return m[i]; }
};

static_assert(std::is_standard_layout<KxSquareMatrix<float, 4>>::value, "matrix layout");
static_assert(sizeof(KxSquareMatrix<float, 4>) == 16 * sizeof(float), "matrix size");
static_assert(sizeof(KxFixedVec<float, 3>) == 3 * sizeof(float), "vector size");
