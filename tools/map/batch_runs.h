// The two kinds of batch run: every point of a list, and a latitude/longitude grid.
#pragma once

#include "batch_options.h"

namespace fieldcast::map {

// Each returns the exit status; DataError, OutputError, UsageError and GmtError propagate.
int runPoints(const CommonOptions& common, const PointsOptions& options);
int runArea(const CommonOptions& common, const AreaOptions& options);

}  // namespace fieldcast::map
