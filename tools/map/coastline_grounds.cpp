#include "coastline_grounds.h"

#include <cstdio>

namespace fieldcast::map {

int RunGrounds::midpointGroundCode(double txLatDeg, double txLonDeg, double rxLatDeg,
                                   double rxLonDeg) const {
    double midLatDeg = 0.0;
    double midLonDeg = 0.0;
    greatCircleMidpoint(txLatDeg, txLonDeg, rxLatDeg, rxLonDeg, midLatDeg, midLonDeg);
    return groundCode(midLatDeg, midLonDeg);
}

std::string groundsNote(const RunGrounds& grounds, int txGroundType) {
    char text[320];
    std::snprintf(text, sizeof text,
                  "grounds from the %s GSHHG coastlines (%s): mask cell %.0f arc-seconds, "
                  "%d x %d nodes, made in %.1f s; sea 1, land %d; transmitter %d (%s)",
                  coastlineResolutionName(grounds.resolution), coastlinePackage(grounds.resolution),
                  grounds.mask.cellDeg() * 3600.0, grounds.mask.lonCount(), grounds.mask.latCount(),
                  grounds.cost.seconds, grounds.landCode, txGroundType,
                  grounds.txGroundFromSite ? "from its site" : "--tx-ground");
    std::string note = text;
    if (grounds.gridMask) {
        std::snprintf(text, sizeof text,
                      "; the grid's own grounds on a %.0f arc-second mask, %d x %d nodes",
                      grounds.gridMask->cellDeg() * 3600.0, grounds.gridMask->lonCount(),
                      grounds.gridMask->latCount());
        note += text;
    }
    return note;
}

}  // namespace fieldcast::map
