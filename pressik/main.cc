#include "common/recordio/run_end.h"
#include "pressik/run_pressik.h"

int main() {
  convkit::start_run();
  convkit::run_pressik();
}
