// fieldcast: hourly LF/MF field-strength prediction from the files of the working directory.
#include <cstdio>

#include "driver/run.h"
#include "record/prediction_state.h"

int main() {
    // One record for the whole run, zero at start; static, as it holds 50 receiving points
    // and every table.
    static fieldcast::PredictionState state{};
    int status = fieldcast::runPrediction(state);
    if (status == fieldcast::kExitComplete) fieldcast::waitForKey();
    // the console lines are the run's result as much as the report: lines that did not reach
    // standard output (a full disk) end the run as a failure
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fputs("fieldcast: standard output cannot be written\n", stderr);
        status = fieldcast::kExitEarlyEnd;
    }
    return status;
}
