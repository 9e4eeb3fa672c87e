// Arguments are read before the record layer starts, so that --help, --version and a wrong
// command line end the process before any unit is connected or any file is opened. A value is
// read by the record layer's own number scanner, so that --vscan 0.1 and a control-file line
// 0.1 give the same bits; the whole argument must be that one number.
#include "common/cli/arguments.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/recordio/free_reader.h"
#include "common/recordio/run_end.h"

#ifndef CONVKIT_VERSION
#error "CONVKIT_VERSION comes from the build: project(VERSION) in the top CMakeLists.txt"
#endif

namespace convkit {
namespace {

enum class Kind { flag, number, name, columns };

struct Option {
  std::string_view name;
  Kind kind;
  bool zep;                                   // vantor and pressik take it
  bool colbrand;                              // colbrand takes it
  std::string_view what;                      // for messages: the value's meaning and unit
  std::string_view such;                      // for messages: a value of the right form
  ReadItem (*target)(Invocation&) = nullptr;  // a number's item: where its value goes
};

constexpr Option kOptions[] = {
    {"--check", Kind::flag, true, true, "", ""},
    {"--columns", Kind::columns, true, false, "", ""},
    {"--vscan", Kind::number, true, false, "the scan rate in V/s", "0.1",
     [](Invocation& i) { return real_item(i.values.vscan); }},
    {"--estart", Kind::number, true, false, "the start potential in V", "-0.2",
     [](Invocation& i) { return real_item(i.values.estart); }},
    {"--evertex", Kind::number, true, false, "the vertex potential in V", "0.6",
     [](Invocation& i) { return real_item(i.values.evertex); }},
    {"--eend", Kind::number, true, false, "the end potential in V", "-0.2",
     [](Invocation& i) { return real_item(i.values.eend); }},
    {"--amp", Kind::number, true, false, "the AC amplitude in mV", "10.0",
     [](Invocation& i) { return real_item(i.values.amp); }},
    {"--nper", Kind::number, true, false, "the number of AC periods", "50",
     [](Invocation& i) { return integer_item(i.values.nper); }},
    {"--delt", Kind::number, false, true, "the time step in s", "0.008",
     [](Invocation& i) { return real_item(i.delt); }},
    {"--header", Kind::name, false, true, "the header file", ""},
};
constexpr int kOptionCount = static_cast<int>(sizeof kOptions / sizeof kOptions[0]);

class Parser {
 public:
  explicit Parser(const ProgramText& program) : program_(program) {}

  [[noreturn]] void refuse(const std::string& what) const {
    std::string name(program_.name);
    write_all(STDERR_FILENO, name + ": " + what + "\nTry '" + name + " --help'.\n");
    std::exit(2);
  }

  const Option* find(std::string_view name) const {
    for (const Option& option : kOptions) {
      if (option.name == name &&
          (program_.options == Options::zep ? option.zep : option.colbrand)) {
        return &option;
      }
    }
    return nullptr;
  }

  void take(const Option& option, std::string_view value) {
    int index = static_cast<int>(&option - kOptions);
    if (given_[index]) refuse(std::string(option.name) + " is given twice");
    given_[index] = true;
    const std::string quoted = std::string(option.name) + " '" + std::string(value) + "'";
    switch (option.kind) {
      case Kind::flag:
        invocation_.check = true;
        break;
      case Kind::columns: {
        std::string wrong = parse_columns(value, invocation_.columns);
        if (!wrong.empty()) refuse(quoted + ": " + wrong);
        invocation_.columns_given = true;
        break;
      }
      case Kind::name:
        check_name(std::string(option.name), value);
        invocation_.header_file = value;
        break;
      case Kind::number:
        take_number(option, value, quoted);
        break;
    }
  }

  void take_number(const Option& option, std::string_view value, const std::string& quoted) {
    switch (read_free_number(value, option.target(invocation_))) {
      case NumberTextOutcome::completed:
        return;
      case NumberTextOutcome::not_whole:
        refuse(quoted + " is not a whole number: give " + std::string(option.what) +
               " without a point or an exponent, such as " + std::string(option.such));
      case NumberTextOutcome::trailing:
        if (value.find(',') != std::string_view::npos) {
          refuse(quoted + " is not a number: write a point, not a comma, before the decimals");
        }
        refuse(quoted + " is not a number: give " + std::string(option.what) +
               " alone, without a unit or other text");
      case NumberTextOutcome::not_a_number:
        refuse(quoted + " is not a number: give " + std::string(option.what) + ", such as " +
               std::string(option.such));
    }
  }

  // A name is opened as it is given; an open drops trailing blanks, so such a name is refused
  // rather than quietly taken for another file.
  void check_name(const std::string& role, std::string_view name) const {
    if (name.empty()) refuse(role + " is empty: give a file name");
    if (name.back() == ' ') {
      refuse(role + " '" + std::string(name) + "' ends in a blank, which the open would drop");
    }
  }

  Invocation run(int argc, char** argv) {
    std::string_view names[3];
    int name_count = 0;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
      std::string_view arg = argv[i];
      bool option_like = arg.size() > 1 && arg[0] == '-' && !options_ended;
      if (!option_like) {
        if (name_count == 3) continue;  // the third is refused below
        names[name_count++] = arg;
        continue;
      }
      if (arg == "--") {
        options_ended = true;
        continue;
      }
      if (arg == "--help") {
        write_all(STDOUT_FILENO, program_.help);
        std::exit(0);
      }
      if (arg == "--version") {
        write_all(STDOUT_FILENO, version_line(program_.name));
        std::exit(0);
      }
      size_t equals = arg.find('=');
      const Option* option = arg.substr(0, 2) == "--" ? find(arg.substr(0, equals)) : nullptr;
      if (option == nullptr) refuse("unrecognized argument '" + std::string(arg) + "'");
      if (option->kind == Kind::flag) {
        if (equals != std::string_view::npos) {
          refuse("option '" + std::string(option->name) + "' doesn't allow an argument");
        }
        take(*option, {});
      } else if (equals != std::string_view::npos) {
        take(*option, arg.substr(equals + 1));
      } else if (i + 1 < argc) {
        take(*option, argv[++i]);
      } else {
        refuse("option '" + std::string(option->name) + "' requires an argument");
      }
    }

    const std::string control(program_.control);
    if (name_count == 0) {
      for (int k = 0; k < kOptionCount; ++k) {
        Kind kind = kOptions[k].kind;
        if (given_[k] && kind != Kind::flag && kind != Kind::columns) {
          refuse(std::string(kOptions[k].name) +
                 " is given without EXPORT and OUTPUT: give both names and every value, or no "
                 "value to convert as " +
                 control + " says");
        }
      }
      return invocation_;
    }
    if (name_count == 1) {
      refuse("OUTPUT is missing after EXPORT '" + std::string(names[0]) +
             "': give both names, or none to convert as " + control + " says");
    }
    if (name_count == 3) {
      refuse("a third name '" + std::string(names[2]) + "': give EXPORT and OUTPUT only");
    }
    check_name("EXPORT", names[0]);
    check_name("OUTPUT", names[1]);
    invocation_.control_file = false;
    invocation_.export_name = names[0];
    invocation_.output_name = names[1];
    std::string missing;
    for (int k = 0; k < kOptionCount; ++k) {
      Kind kind = kOptions[k].kind;
      bool mine = program_.options == Options::zep ? kOptions[k].zep : kOptions[k].colbrand;
      if (mine && !given_[k] && kind == Kind::number) {
        missing += (missing.empty() ? "" : ", ") + std::string(kOptions[k].name);
      }
    }
    if (!missing.empty()) {
      refuse("missing " + missing + ": with EXPORT and OUTPUT, give every value as an option");
    }
    return invocation_;
  }

 private:
  const ProgramText& program_;
  Invocation invocation_;
  bool given_[kOptionCount] = {};
};

}  // namespace

std::string_view version_line(std::string_view name) {
  static std::string line;
  line = std::string(name) + " (convkit) " CONVKIT_VERSION "\n";
  return line;
}

Invocation parse_arguments(int argc, char** argv, const ProgramText& program) {
  return Parser(program).run(argc, argv);
}

}  // namespace convkit
