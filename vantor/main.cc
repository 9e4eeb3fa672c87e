#include "common/recordio/run_end.h"
#include "vantor/run_vantor.h"

int main() {
  convkit::start_run();
  convkit::run_vantor();
}
