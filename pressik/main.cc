#include "common/recordio/run_end.h"
#include "pressik/check_pressik.h"
#include "pressik/run_pressik.h"

int main(int argc, char** argv) {
  if (convkit::parse_arguments(argc, argv, convkit::kPressikText) == convkit::Mode::check) {
    return convkit::check_pressik();
  }
  convkit::start_run();
  convkit::run_pressik();
}
