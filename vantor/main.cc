#include "common/cli/arguments.h"
#include "common/cli/help.h"
#include "common/recordio/run_end.h"
#include "vantor/check_vantor.h"
#include "vantor/run_vantor.h"

int main(int argc, char** argv) {
  const convkit::Invocation invocation = convkit::parse_arguments(argc, argv, convkit::kVantorText);
  if (invocation.check) return convkit::check_vantor(invocation);
  convkit::start_run();
  convkit::run_vantor(invocation);
}
