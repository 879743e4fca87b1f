// Grounds from the coastlines (--ground coastlines): each receiving point's ground (the code
// of GCR.dat) and each path's midpoint ground (the code of GCM.dat) come from the land/sea
// mask, sea code 1 and land the run's land code (2 land, 3 dry land); the transmitter's
// ground from the mask at its own site unless --tx-ground gives it. Each point is then
// predicted exactly as fieldcast predicts it with those codes in its files: the ground-wave
// curve follows the transmitter's code, the receiving end's antenna factors the point's code,
// the sky wave's ground reflection the midpoint's code.
//
// Rules: a point takes the ground of the mask node nearest to it (coastline_mask.h: a node on
// a coastline is land, a point halfway between nodes takes the node to its east or north);
// the midpoint is that of the great circle between the transmitter and the point.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "coastline_mask.h"
#include "run_inputs.h"

namespace fieldcast::map {

enum class GroundSource {
    codes,       // GCT.dat, GCR.dat, GCM.dat or their options, one of each for the run
    coastlines,  // the land/sea mask
};

// Margin of the mask around the run's paths, degrees: more than half the coarsest cell.
constexpr double kMaskMarginDeg = 0.25;

struct RunGrounds {
    LandSeaMask mask;
    CoastlineResolution resolution;
    MaskCost cost;
    int landCode;              // 2 or 3
    bool txGroundFromSite;     // false: given by --tx-ground
    AfTable seaAfTable;        // "AF1.dat"
    AfTable landAfTable;       // the AF file of landCode
    bool seaAfIsTxAf = false;  // the receiving table equals the transmitter's: one lookup
    bool landAfIsTxAf = false;
    // The grid's own mask at the resolution's cell, where the paths' mask had to take a
    // coarser one (a fine grid far from its transmitter): the nodes' grounds and every place
    // within the grid come from it, the mixed paths' sections from `mask`.
    std::optional<LandSeaMask> gridMask = std::nullopt;

    int groundCode(double latDeg, double lonDeg) const {
        if (gridMask && gridMask->covers(latDeg, lonDeg)) {
            return gridMask->groundCode(latDeg, lonDeg, landCode);
        }
        return mask.groundCode(latDeg, lonDeg, landCode);
    }
    // The ground under the midpoint of the great circle from the transmitter to the point.
    int midpointGroundCode(double txLatDeg, double txLonDeg, double rxLatDeg,
                           double rxLonDeg) const;
};

// One line on the grounds of a run, for standard output:
// "grounds from the intermediate GSHHG coastlines (gmt-gshhg-high): mask cell 60", ..."
std::string groundsNote(const RunGrounds& grounds, int txGroundType);

}  // namespace fieldcast::map
