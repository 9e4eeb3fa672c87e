#include "colbrand/run_colbrand.h"
#include "common/recordio/run_end.h"

int main() {
  convkit::start_run();
  convkit::run_colbrand();
}
