// The two-axis table lookup shared by the ground-wave curves and the sky-wave tables.
#pragma once

#include <span>

namespace fieldcast {

enum class AxisOrder { ascending, descending };

// How the last lookup found its cell: the sky-wave RCX step reports one of the cases.
struct GridCase {
    bool exactColumn;
    bool exactRow;
};

// Looks up (x on the column axis, y on the row axis) in `grid`, nr rows of nc values,
// row-major (row r belongs to rowAxis[r], column c to columnAxis[c]).
//
// Search rules, column axis first, each search from index 0 upwards taking the first hit:
//   1. an axis value equal to x (exact double equality): that column, no interpolation;
//   2. else the first interval with x strictly inside it (in the axis order); if none,
//      interval columnOutInterval, which extrapolates linearly;
//   3. an axis value equal to y: that row;
//   4. else the first interval strictly containing y; if none, row rowOutRow alone.
// Interpolation is bilinear with the column direction first.
double interpolateGrid(std::span<const double> columnAxis, AxisOrder columnOrder,
                       std::span<const double> rowAxis, std::span<const double> grid, double x,
                       double y, int columnOutInterval, int rowOutRow,
                       GridCase* foundCase = nullptr);

}  // namespace fieldcast
