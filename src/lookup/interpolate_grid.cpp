#include "lookup/interpolate_grid.h"

#include <cstddef>

namespace fieldcast {

double interpolateGrid(std::span<const double> columnAxis, AxisOrder columnOrder,
                       std::span<const double> rowAxis, std::span<const double> grid, double x,
                       double y, int columnOutInterval, int rowOutRow, GridCase* foundCase) {
    const std::size_t nc = columnAxis.size();
    const std::size_t nr = rowAxis.size();
    auto cell = [&](std::size_t r, std::size_t c) { return grid[r * nc + c]; };

    std::size_t column = 0;
    bool exactColumn = false;
    for (std::size_t c = 0; c < nc; ++c) {
        if (columnAxis[c] == x) {
            column = c;
            exactColumn = true;
            break;
        }
    }
    if (!exactColumn) {
        column = static_cast<std::size_t>(columnOutInterval);
        for (std::size_t c = 0; c + 1 < nc; ++c) {
            const bool inside = columnOrder == AxisOrder::ascending
                                    ? columnAxis[c] < x && x < columnAxis[c + 1]
                                    : columnAxis[c] > x && x > columnAxis[c + 1];
            if (inside) {
                column = c;
                break;
            }
        }
    }

    std::size_t row = 0;
    bool exactRow = false;
    for (std::size_t r = 0; r < nr; ++r) {
        if (rowAxis[r] == y) {
            row = r;
            exactRow = true;
            break;
        }
    }
    if (!exactRow) {
        row = static_cast<std::size_t>(rowOutRow);
        exactRow = true;  // out of range: that one row, no interpolation in y
        for (std::size_t r = 0; r + 1 < nr; ++r) {
            if (rowAxis[r] < y && y < rowAxis[r + 1]) {
                row = r;
                exactRow = false;
                break;
            }
        }
    }
    if (foundCase != nullptr) *foundCase = GridCase{exactColumn, exactRow};

    // value of row r at x
    auto alongColumns = [&](std::size_t r) {
        if (exactColumn) return cell(r, column);
        const double left = cell(r, column);
        return left + (cell(r, column + 1) - left) * (x - columnAxis[column]) /
                          (columnAxis[column + 1] - columnAxis[column]);
    };
    const double a = alongColumns(row);
    if (exactRow) return a;
    const double b = alongColumns(row + 1);
    return a + (b - a) * (y - rowAxis[row]) / (rowAxis[row + 1] - rowAxis[row]);
}

}  // namespace fieldcast
