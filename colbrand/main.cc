#include "colbrand/check_colbrand.h"
#include "colbrand/run_colbrand.h"
#include "common/cli/arguments.h"
#include "common/cli/help.h"
#include "common/recordio/run_end.h"

int main(int argc, char** argv) {
  const convkit::Invocation invocation =
      convkit::parse_arguments(argc, argv, convkit::kColbrandText);
  if (invocation.check) return convkit::check_colbrand(invocation);
  convkit::start_run();
  convkit::run_colbrand(invocation);
}
