#include "common/recordio/run_end.h"
#include "vantor/check_vantor.h"
#include "vantor/run_vantor.h"

int main(int argc, char** argv) {
  if (convkit::parse_arguments(argc, argv, convkit::kVantorText) == convkit::Mode::check) {
    return convkit::check_vantor();
  }
  convkit::start_run();
  convkit::run_vantor();
}
