#include "common/cli/arguments.h"
#include "common/cli/help.h"
#include "common/recordio/run_end.h"
#include "pressik/check_pressik.h"
#include "pressik/run_pressik.h"

int main(int argc, char** argv) {
  const convkit::Invocation invocation =
      convkit::parse_arguments(argc, argv, convkit::kPressikText);
  if (invocation.check) return convkit::check_pressik(invocation);
  convkit::start_run();
  convkit::run_pressik(invocation);
}
