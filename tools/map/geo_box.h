// A latitude/longitude box, the one shape of a region that the land/sea mask and the page's
// coastlines share.
#pragma once

namespace fieldcast::map {

// Longitudes and latitudes in degrees; east may exceed 180 (up to west + 360).
struct GeoBox {
    double westDeg;
    double eastDeg;
    double southDeg;
    double northDeg;
};

}  // namespace fieldcast::map
