// What the two batch runs share: one predictor per worker, the worker count, the check for
// gmt, the title of maps and plots, GMT session names, and the end of a run at a point
// whose hour fieldcast refuses.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "batch_options.h"
#include "point_prediction.h"

namespace fieldcast::map {

unsigned threadCount(const CommonOptions& common);

std::vector<std::unique_ptr<PointPredictor>> makePredictors(const RunInputs& inputs,
                                                            unsigned threads);

// Throws GmtError when no gmt program answers; `withoutGmt` names the options that make the
// run do without it.
void requireGmt(const char* withoutGmt);

// "594 kHz, 10 kW, June, sky wave with ground wave"
std::string runTitle(const RunInputs& inputs);

// A GMT session name of its own for each picture of this process.
std::string sessionName(const std::string& what);

// Ends the run as fieldcast ends it: fieldcast's line, with the point (`point` names it) and
// the hour. Throws DataError.
[[noreturn]] void refusePoint(const PointRefusal& refusal, const std::string& point, double latDeg,
                              double lonDeg);

}  // namespace fieldcast::map
