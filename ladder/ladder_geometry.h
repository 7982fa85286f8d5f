#pragma once
// Where things lie in the ladder view: every length is in twips and follows from the
// drawing unit (Cunit) and the row gap (Csai).

namespace ladder {

// Rounds to the nearest whole number, an exact half going to the even neighbour.
int RoundHalfEven(double value);

constexpr int kDefaultCunit = 80;
constexpr int kDefaultCsai = 300;
constexpr int kMinCunit = 41, kMaxCunit = 121;
constexpr int kMinCsai = 50, kMaxCsai = 550;

struct LadderGeometry {
  int Cunit = kDefaultCunit;  // u: every symbol coordinate is a multiple of it
  int Csai = kDefaultCsai;    // empty gap below every row
  int CellW = 9 * kDefaultCunit;
  int CellH = 7 * kDefaultCunit;
  int Cunit10 = 8;  // Cunit / 10 rounded (half to even): rail offset, clearing inset

  // Geometry for a drawing unit and row gap (clamped to their ranges).
  static LadderGeometry FromUnit(int cunit, int csai);

  int Pitch() const { return CellH + Csai; }
  // Left edge of column c (0..10) and top of row r when topRow is the first row shown.
  int X(int col) const { return (col + 1) * CellW; }
  int Y(int row, int topRow) const { return CellH + (row - topRow) * Pitch(); }
  // Top of the number of the i-th shown row.
  int RowNumberY(int shownIndex) const { return CellH + shownIndex * Pitch() + 4 * Cunit; }
};

}  // namespace ladder
