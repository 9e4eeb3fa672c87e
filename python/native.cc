// convkit._native: the trace library (common/trace) for Python, built from source against
// Debian's python3, python3-numpy and pybind11-dev. The Trace class and ParseError are the
// package's own (convkit/_trace.py), shared with the pure-Python twin.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "common/trace/header_check.h"
#include "common/trace/parse_error.h"
#include "common/trace/sampling.h"
#include "common/trace/trace.h"

namespace py = pybind11;

namespace convkit {
namespace {

py::array_t<double> to_array(std::vector<double>&& values) {
  auto* held = new std::vector<double>(std::move(values));
  py::capsule owner(held, [](void* p) { delete static_cast<std::vector<double>*>(p); });
  py::array_t<double> array(static_cast<py::ssize_t>(held->size()), held->data(), owner);
  array.attr("flags").attr("writeable") = false;
  return array;
}

std::vector<double> to_vector(const py::handle& values) {
  auto array = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
  if (!array || array.ndim() != 1) throw py::value_error("a column must be one-dimensional");
  return std::vector<double>(array.data(), array.data() + array.size());
}

py::list to_list(const std::array<double, kZepHarmonics>& values) {
  py::list list;
  for (double v : values) list.append(v);
  return list;
}

py::dict header_dict(const TraceHeader& h) {
  py::dict d;
  d["layout"] = std::string(layout_name(h.layout));
  d["line_end"] = h.line_end == LineEnd::lf ? "lf" : "crlf";
  d["start_mv"] = h.start_mv;
  d["end_mv"] = h.end_mv;
  d["max_mv"] = h.max_mv;
  d["min_mv"] = h.min_mv;
  d["rate_mv_s"] = h.rate_mv_s;
  d["freq_hz"] = to_list(h.freq_hz);
  d["amp_mv"] = to_list(h.amp_mv);
  d["phase_deg"] = to_list(h.phase_deg);
  d["n_ac"] = h.n_ac;
  for (const auto& [label, value] : h.other) d[py::str(label)] = value;
  py::list raw;
  for (const HeaderRecord& r : h.records) {
    raw.append(py::make_tuple(r.label, r.value_text, r.line, r.value_column));
  }
  d["raw"] = raw;
  return d;
}

void take_slots(const py::dict& d, const char* key, std::array<double, kZepHarmonics>& slots) {
  if (!d.contains(key)) return;
  const py::sequence values = d[key].cast<py::sequence>();
  for (size_t k = 0; k < slots.size() && k < values.size(); ++k) {
    slots[k] = values[k].cast<double>();
  }
}

TraceHeader header_of(const py::dict& d) {
  TraceHeader h;
  const auto number = [&](const char* key, double& field) {
    if (d.contains(key)) field = d[key].cast<double>();
  };
  number("start_mv", h.start_mv);
  number("end_mv", h.end_mv);
  number("max_mv", h.max_mv);
  number("min_mv", h.min_mv);
  number("rate_mv_s", h.rate_mv_s);
  take_slots(d, "freq_hz", h.freq_hz);
  take_slots(d, "amp_mv", h.amp_mv);
  take_slots(d, "phase_deg", h.phase_deg);
  for (double a : h.amp_mv) h.n_ac += a != 0.0 ? 1 : 0;
  if (d.contains("layout") && py::str(d["layout"]).cast<std::string>() == "cvsin_type_1") {
    h.layout = Layout::cvsin_type_1;
  }
  if (d.contains("line_end") && py::str(d["line_end"]).cast<std::string>() == "lf") {
    h.line_end = LineEnd::lf;
  }
  static const char* const typed[] = {"layout", "line_end",  "start_mv",  "end_mv",
                                      "max_mv", "min_mv",    "rate_mv_s", "freq_hz",
                                      "amp_mv", "phase_deg", "n_ac",      "raw"};
  for (const auto& [key, value] : d) {
    const std::string k = py::str(key).cast<std::string>();
    bool is_typed = false;
    for (const char* t : typed) is_typed = is_typed || k == t;
    if (!is_typed) h.other[k] = py::str(value).cast<std::string>();
  }
  if (d.contains("raw")) {
    for (const py::handle& r : d["raw"].cast<py::sequence>()) {
      const py::sequence record = r.cast<py::sequence>();
      HeaderRecord hr;
      hr.label = record[0].cast<std::string>();
      hr.value_text = record[1].cast<std::string>();
      hr.line = record[2].cast<int64_t>();
      hr.value_column = record.size() > 3 ? record[3].cast<int64_t>() : 0;
      h.records.push_back(std::move(hr));
    }
  }
  return h;
}

Trace trace_of(const py::object& tr) {
  Trace t;
  t.path = py::str(tr.attr("path")).cast<std::string>();
  t.header = header_of(tr.attr("header").cast<py::dict>());
  t.potential_v = to_vector(tr.attr("potential_v"));
  t.current_a = to_vector(tr.attr("current_a"));
  t.time_s = to_vector(tr.attr("time_s"));
  t.first_data_line = tr.attr("first_data_line").cast<int64_t>();
  t.non_finite_points = tr.attr("non_finite_points").cast<int64_t>();
  t.first_non_finite_line = tr.attr("first_non_finite_line").cast<int64_t>();
  return t;
}

py::object read_trace(const py::object& path_like) {
  const std::string path = py::str(py::module_::import("os").attr("fspath")(path_like));
  Trace t;
  {
    py::gil_scoped_release free;
    t = read(path);
  }
  const py::object trace_class = py::module_::import("convkit._trace").attr("Trace");
  return trace_class(t.path, header_dict(t.header), to_array(std::move(t.potential_v)),
                     to_array(std::move(t.current_a)), to_array(std::move(t.time_s)),
                     t.first_data_line, t.non_finite_points, t.first_non_finite_line);
}

void write_trace(const py::object& path_like, const py::dict& header, const py::handle& e,
                 const py::handle& i, const py::handle& t) {
  const std::string path = py::str(py::module_::import("os").attr("fspath")(path_like));
  const TraceHeader h = header_of(header);
  const std::vector<double> ev = to_vector(e), iv = to_vector(i), tv = to_vector(t);
  py::gil_scoped_release free;
  write(path, h, ev, iv, tv);
}

py::dict sampling_dict(const py::object& tr) {
  const Sampling s = sampling(trace_of(tr));
  py::dict d;
  d["n"] = s.n;
  d["duration_s"] = s.duration_s;
  d["dt"] = s.dt;
  d["min_step_s"] = s.min_step_s;
  d["max_step_s"] = s.max_step_s;
  d["max_deviation_s"] = s.max_deviation_s;
  d["tolerance_s"] = s.tolerance_s;
  d["uniform"] = s.uniform;
  d["power_of_two"] = s.power_of_two;
  d["points_per_period"] = s.points_per_period;
  d["periods"] = s.periods;
  d["whole_periods"] = s.whole_periods;
  return d;
}

py::list check_list(const py::object& tr) {
  const Trace t = trace_of(tr);
  py::list findings;
  for (const Finding& f : check(t)) findings.append(finding_line(t.path, f));
  return findings;
}

}  // namespace
}  // namespace convkit

PYBIND11_MODULE(_native, m) {
  using namespace convkit;
  m.doc() = "The compiled trace library: read, write, sampling, check.";
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ParseError& e) {
      const py::object error = py::module_::import("convkit._trace").attr("ParseError");
      PyErr_SetObject(error.ptr(),
                      error(e.file(), e.line(), e.column(), e.found(), e.expected()).ptr());
    } catch (const std::system_error& e) {
      const py::object os_error = py::module_::import("builtins").attr("OSError");
      PyErr_SetObject(os_error.ptr(), os_error(e.code().value(), e.what()).ptr());
    }
  });
  m.def("read", &read_trace, py::arg("path"), "Reads a trace file: a convkit.Trace.");
  m.def("write", &write_trace, py::arg("path"), py::arg("header"), py::arg("potential_v"),
        py::arg("current_a"), py::arg("time_s"), "Writes a ZEP file through the ZEP writer.");
  m.def("sampling", &sampling_dict, py::arg("trace"), "The sampling facts of a trace: a dict.");
  m.def("check", &check_list, py::arg("trace"), "The findings about a trace: a list of lines.");
}
