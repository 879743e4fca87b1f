// What the two batch runs share: one predictor per worker, the worker count, the check for
// gmt, the title of maps and plots, GMT session names, and the end of a run at a point
// whose hour fieldcast refuses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "batch_options.h"
#include "mixed_path.h"
#include "point_prediction.h"

namespace fieldcast::map {

unsigned threadCount(const CommonOptions& common);

// The inputs of a run and, under --ground coastlines, its grounds.
struct RunSetup {
    std::unique_ptr<RunInputs> inputs;
    std::unique_ptr<RunGrounds> grounds;  // null under --ground codes
    // the three curve tables of the mixed-path ground wave: the extended model under
    // --ground coastlines only
    std::unique_ptr<GroundWaveCurves> curves;
};

// Under --ground codes the run's inputs (loadRunInputs). Under --ground coastlines first the
// transmitter's position, then the mask at `resolution` over the transmitter, the paths that
// `addPaths` adds and kMaskMarginDeg around them, then the inputs with the transmitter's
// ground from its site (unless --tx-ground gives it); "GCR.dat" and "GCM.dat" are not read,
// "AF1.dat" and the AF file of the land code are. When the mask's cell had to grow past the
// resolution's and `gridBox` is given, a second mask at the resolution's cell over the grid
// gives the grid's own grounds. Throws DataError, CoastlineError.
RunSetup loadRunSetup(const CommonOptions& common, CoastlineResolution resolution,
                      const std::function<void(PathRegion&)>& addPaths,
                      const GeoBox* gridBox = nullptr);

std::vector<std::unique_ptr<PointPredictor>> makePredictors(const RunSetup& setup,
                                                            unsigned threads);

// Tables made for another band would be looked up outside their axes, without
// interpolation: a warning on standard error that names the bundled data set for the
// frequency (frequencyCoverageWarning).
void warnOutsideFrequencyAxes(const RunInputs& inputs);

// Throws GmtError when no gmt program answers; `withoutGmt` names the options that make the
// run do without it.
void requireGmt(const char* withoutGmt);

// "June" for 6; "?" for a number that is no month.
const char* monthName(int month);

// "sea" for ground code 1, "land" for 2, "dry land" for any other, as the program takes them.
const char* groundName(int code);

// A GMT session name of its own for each picture of this process.
std::string sessionName(const std::string& what);

// Ends the run as fieldcast ends it: fieldcast's line, with the point (`point` names it) and
// the hour. Throws DataError.
[[noreturn]] void refusePoint(const PointRefusal& refusal, const std::string& point, double latDeg,
                              double lonDeg);

}  // namespace fieldcast::map
