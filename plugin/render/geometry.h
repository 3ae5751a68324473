// Points, affine matrices and rectangles shared by the renderer and the player core.
#pragma once

#include <cstddef>
#include <cstdint>

namespace render {

struct Point {
  double x = 0;
  double y = 0;
};

// A SWF MATRIX in a b c d tx ty form:
//   x' = a*x + c*y + tx,  y' = b*x + d*y + ty
// a = ScaleX, b = RotateSkew0, c = RotateSkew1, d = ScaleY. Shape matrices
// translate in twips; a matrix handed to draw() maps shape twips to device pixels.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static Matrix translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Matrix scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Matrix rotation(double radians);

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  // Applies only the linear part (for vectors).
  Point apply_vector(Point v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
  double determinant() const { return a * d - b * c; }
  // The inverse; a singular matrix gives a matrix that maps everything to (0, 0)
  // translated, and `ok` (when given) is set false.
  Matrix inverse(bool* ok = nullptr) const;
  bool is_identity() const { return a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0; }
};

// outer * inner: apply inner first, then outer (child matrix inside its parent's).
Matrix operator*(const Matrix& outer, const Matrix& inner);

// Reads a byte-aligned MATRIX record. Returns the bytes it used, 0 if the data ends first.
size_t read_matrix(const uint8_t* data, size_t length, Matrix& out);

// A rectangle in twips (SWF RECT order: x_min, x_max, y_min, y_max).
struct Rect {
  int32_t x_min = 0, x_max = 0, y_min = 0, y_max = 0;
  bool empty() const { return x_max <= x_min || y_max <= y_min; }
};

// Reads a byte-aligned RECT record. Returns the bytes it used, 0 if the data ends first.
size_t read_rect(const uint8_t* data, size_t length, Rect& out);

// The bounding box of a twips rectangle after a matrix (for example the device
// pixel box of a shape). Coordinates stay fractional.
struct Box {
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  bool empty() const { return x_max <= x_min || y_max <= y_min; }
};
Box transform_box(const Matrix& m, const Rect& r);

// A device pixel rectangle: left/top inclusive, right/bottom exclusive.
struct IntRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};
IntRect intersect(const IntRect& a, const IntRect& b);
IntRect unite(const IntRect& a, const IntRect& b);
// The smallest pixel rectangle that holds the box.
IntRect enclosing_pixels(const Box& box);

}  // namespace render
