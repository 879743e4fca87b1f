// fieldcast: hourly LF/MF field-strength prediction from the files of the working directory.
#include "driver/run.h"
#include "record/prediction_state.h"

int main() {
    // One record for the whole run, zero at start; static, as it holds 50 receiving points
    // and every table.
    static fieldcast::PredictionState state{};
    const int status = fieldcast::runPrediction(state);
    if (status == fieldcast::kExitComplete) fieldcast::waitForKey();
    return status;
}
