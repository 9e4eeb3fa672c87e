#include "colbrand/check_colbrand.h"
#include "colbrand/run_colbrand.h"
#include "common/recordio/run_end.h"

int main(int argc, char** argv) {
  if (convkit::parse_arguments(argc, argv, convkit::kColbrandText) == convkit::Mode::check) {
    return convkit::check_colbrand();
  }
  convkit::start_run();
  convkit::run_colbrand();
}
