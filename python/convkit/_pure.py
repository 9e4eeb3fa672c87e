"""The pure-Python twin of the compiled module (numpy only): the same names, the same results,
the same refusals at the same lines and columns."""
import math
import re

import numpy as np

from ._trace import ParseError, Trace

MAX_LINE_LENGTH = 1024
HARMONICS = 8
_THREE_NUMBERS = "three numbers (potential, current, time)"
_LAYOUTS = {b"cvsin_type_1": ("cvsin_type_1", 19), b"cvsin_type_2": ("cvsin_type_2", 41)}

# number := sign? mantissa exponent? | sign? (NAN | INF | INFINITY), any case
# mantissa := digits ("." digits?)? | "." digits;  exponent := [EeDd] sign? digits | sign digits
_NUMBER = re.compile(
    rb"([+-]?)(?:(\d+\.?\d*|\.\d+)(?:([EeDd][+-]?|[+-])(\d+))?|(nan|inf|infinity))", re.I)
_NUM = rb"[+-]?(?:(?:\d+\.?\d*|\.\d+)(?:(?:[EeDd][+-]?|[+-])\d+)?|(?:nan|inf|infinity))"
_DATA_LINE = re.compile(rb"[ \t]*(" + _NUM + rb")[ \t]+(" + _NUM + rb")[ \t]+(" + _NUM +
                        rb")[ \t]*", re.I)
_ITEM = re.compile(rb"[^ \t]+")

_WHOLE_LABELS = {"Type(0-4):", "Scans:", "Average:", "Gain(0-4):"}
_NUMBER_LABELS = {"Start(mV):", "End(mV):", "Max(mV):", "Min(mV):", "Rate(mV/s):", "Freq(Hz):",
                  "Amp(mV):", "Initial(mV):", "Initial(mS):", "Pre(mV):", "Pre(ms):",
                  "Post(mV):", "Post(ms):"}
_SLOT = re.compile(r"(Freq|Amp|Phase)([1-8])(\(Hz\):|\(mV\):|\(deg\):)\Z")
_SLOT_UNITS = {"Freq": "(Hz):", "Amp": "(mV):", "Phase": "(deg):"}
_SLOT_KEYS = {"Freq": "freq_hz", "Amp": "amp_mv", "Phase": "phase_deg"}
_TYPED = {"Start(mV):": "start_mv", "End(mV):": "end_mv", "Max(mV):": "max_mv",
          "Min(mV):": "min_mv", "Rate(mV/s):": "rate_mv_s"}
_TYPED_KEYS = {"layout", "line_end", "start_mv", "end_mv", "max_mv", "min_mv", "rate_mv_s",
               "freq_hz", "amp_mv", "phase_deg", "n_ac", "raw"}


def _scan(item):
    """(value, "finite" | "not_finite" | "not_a_number" | "out_of_range") of one item."""
    m = _NUMBER.fullmatch(item)
    if m is None:
        return 0.0, "not_a_number"
    sign, mantissa, letter, exponent, word = m.groups()
    if word is not None:
        value = float(word if word.lower() != b"infinity" else b"inf")
        if sign == b"-" and not math.isnan(value):
            value = -value
        return value, "not_finite"
    text = sign + mantissa
    if letter is not None:
        text += b"e" + (letter[-1:] if letter[-1:] in (b"+", b"-") else b"") + exponent
    value = float(text)
    if math.isinf(value) or (value == 0.0 and mantissa.strip(b"0.") != b""):
        return 0.0, "out_of_range"
    return value, "finite"


_NUMBERS = ("finite", "not_finite")  # the outcomes of _scan that are numbers


def _is_number(item):
    return _scan(item)[1] in _NUMBERS


def _expected_number(outcome):
    """What a refused number item was expected to be."""
    return "a number within the range of a double" if outcome == "out_of_range" else "a number"


def _quoted(text):
    out = "'"
    for c in text[:40]:
        out += "\\x%02X" % c if c < 0x20 or c >= 0x7f or c == 0x5c else chr(c)
    return out + ("..." if len(text) > 40 else "") + "'"


def _value_kind(label):
    if label in _WHOLE_LABELS:
        return "whole"
    if label in _NUMBER_LABELS or _slot(label) is not None:
        return "number"
    return "text"


def _slot(label):
    m = _SLOT.match(label)
    if m is None or _SLOT_UNITS[m.group(1)] != m.group(3):
        return None
    return _SLOT_KEYS[m.group(1)], int(m.group(2)) - 1


def _required(layout):
    labels = ["Start(mV):", "End(mV):", "Max(mV):", "Min(mV):", "Rate(mV/s):"]
    if layout == "cvsin_type_2":
        return labels + ["Freq1(Hz):", "Amp1(mV):"]
    return labels + ["Freq(Hz):", "Amp(mV):"]


class _Lines:
    """The file's lines, one at a time: (text without its line end, ended in CR LF)."""

    def __init__(self, path, data):
        self.path = path
        self.data = data
        self.pos = 0
        self.line = 0

    def next(self):
        if self.pos >= len(self.data):
            return None
        lf = self.data.find(b"\n", self.pos)
        end = len(self.data) if lf < 0 else lf
        text = self.data[self.pos:end]
        self.pos = end + 1
        self.line += 1
        cr = text.endswith(b"\r") and len(text) <= MAX_LINE_LENGTH + 2
        if cr:
            text = text[:-1]
        if len(text) > MAX_LINE_LENGTH:
            raise ParseError(self.path, self.line, MAX_LINE_LENGTH + 1,
                             _quoted(text[MAX_LINE_LENGTH:MAX_LINE_LENGTH + 2]),
                             "a line end within %d bytes" % MAX_LINE_LENGTH)
        return text, cr


def _point(path, line_number, text):
    """The three values of a data line, and whether all are finite; refuses it otherwise."""
    m = _DATA_LINE.fullmatch(text)
    if m is not None:
        scans = [_scan(g) for g in m.groups()]
        if all(s[1] != "out_of_range" for s in scans):
            return [s[0] for s in scans], all(s[1] == "finite" for s in scans)
    items = list(_ITEM.finditer(text))
    values = []
    finite = True
    for i in range(3):
        if i >= len(items):
            raise ParseError(path, line_number, len(text) + 1, "end of line", _THREE_NUMBERS)
        value, outcome = _scan(items[i].group())
        if outcome not in _NUMBERS:
            raise ParseError(path, line_number, items[i].start() + 1, _quoted(items[i].group()),
                             _expected_number(outcome))
        finite = finite and outcome == "finite"
        values.append(value)
    if len(items) > 3:
        raise ParseError(path, line_number, items[3].start() + 1, _quoted(items[3].group()),
                         "the end of the line after " + _THREE_NUMBERS)
    return values, finite


def _set_value(header, label, text, number):
    if label in _TYPED:
        header[_TYPED[label]] = number
    elif label == "Freq(Hz):":
        header["freq_hz"][0] = number
    elif label == "Amp(mV):":
        header["amp_mv"][0] = number
    elif _slot(label) is not None:
        key, index = _slot(label)
        header[key][index] = number
    else:
        header[label[:-1] if label.endswith(":") else label] = text
        return
    header["n_ac"] = sum(1 for a in header["amp_mv"] if a != 0.0)


def _read_header(path, lines):
    first = lines.next()
    if first is None:
        raise ParseError(path, 1, 1, "end of file", "cvsin_type_1 or cvsin_type_2")
    text, cr = first
    items = list(_ITEM.finditer(text))
    if not items or items[0].start() != 0 or items[0].group() not in _LAYOUTS:
        raise ParseError(path, 1, 1, _quoted(text[:items[0].end()]) if items else "end of line",
                         "cvsin_type_1 or cvsin_type_2")
    if len(items) > 1:
        raise ParseError(path, 1, items[1].start() + 1, _quoted(items[1].group()),
                         "the end of the line")
    layout, expected = _LAYOUTS[items[0].group()]
    header = {"layout": layout, "line_end": "crlf" if cr else "lf", "start_mv": 0.0,
              "end_mv": 0.0, "max_mv": 0.0, "min_mv": 0.0, "rate_mv_s": 0.0,
              "freq_hz": [0.0] * HARMONICS, "amp_mv": [0.0] * HARMONICS,
              "phase_deg": [0.0] * HARMONICS, "n_ac": 0}
    raw = [(layout, "", 1, 0)]
    seen = {}
    data_line = None
    while True:
        got = lines.next()
        if got is None:
            break
        text = got[0]
        items = list(_ITEM.finditer(text))
        if items and all(_is_number(i.group()) for i in items):
            data_line = (lines.line, text)
            break
        if len(raw) == expected:
            _point(path, lines.line, text)
        if not items:
            raise ParseError(path, lines.line, 1, "end of line", "a label and its value")
        label = items[0].group().decode("latin-1")
        if not label.endswith(":"):
            raise ParseError(path, lines.line, items[0].start() + 1, _quoted(items[0].group()),
                             "a label ending in ':'")
        if label in seen:
            raise ParseError(path, lines.line, items[0].start() + 1, _quoted(items[0].group()),
                             "each label once (also on line %d)" % seen[label])
        if len(items) < 2:
            raise ParseError(path, lines.line, len(text) + 1, "end of line",
                             "a value after the label")
        if len(items) > 2:
            raise ParseError(path, lines.line, items[2].start() + 1, _quoted(items[2].group()),
                             "the end of the line")
        value = items[1].group()
        kind = _value_kind(label)
        number = 0.0
        if kind == "number":
            number, outcome = _scan(value)
            if outcome not in _NUMBERS:
                raise ParseError(path, lines.line, items[1].start() + 1, _quoted(value),
                                 _expected_number(outcome))
        elif kind == "whole" and not (len(value) <= 9 and value.isdigit()):
            raise ParseError(path, lines.line, items[1].start() + 1, _quoted(value),
                             "a whole number of up to 9 digits")
        value_text = value.decode("latin-1")
        seen[label] = lines.line
        raw.append((label, value_text, lines.line, items[1].start() + 1))
        _set_value(header, label, value_text, number)
    place = data_line[0] if data_line else lines.line + 1
    found = _quoted(data_line[1]) if data_line else "end of file"
    if len(raw) < expected:
        raise ParseError(path, place, 1, found, "header record %d of %d (%s)"
                         % (len(raw) + 1, expected, layout))
    for label in _required(layout):
        if label not in seen:
            raise ParseError(path, place, 1, found,
                             "a header record '%s' before the data" % label)
    header["raw"] = raw
    return header, data_line


def read(path):
    """Reads the trace file at path; raises ParseError when it is refused, OSError when it
    cannot be read."""
    with open(path, "rb") as f:
        data = f.read()
    name = str(path)
    lines = _Lines(name, data)
    header, data_line = _read_header(name, lines)
    columns = []
    non_finite = 0
    first_non_finite = 0
    first_data_line = 0
    if data_line is not None:
        first_data_line = data_line[0]
        line_number, text = data_line
        while True:
            values, finite = _point(name, line_number, text)
            columns.append(values)
            if not finite:
                if non_finite == 0:
                    first_non_finite = line_number
                non_finite += 1
            got = lines.next()
            if got is None:
                break
            line_number, text = lines.line, got[0]
    table = np.array(columns, dtype=np.float64).reshape(-1, 3)
    arrays = []
    for k in range(3):
        a = np.ascontiguousarray(table[:, k])
        a.flags.writeable = False
        arrays.append(a)
    return Trace(name, header, arrays[0], arrays[1], arrays[2], first_data_line,
                 non_finite, first_non_finite)


# ---- write -----------------------------------------------------------------------------------

def _e13(value):
    """The 13-character E13.6 field of the programs' data lines and header values."""
    value = float(value)
    if math.isnan(value):
        return ("%#.5E" % abs(value)).rjust(13)
    if math.isinf(value):
        return (("-" if value < 0 else "") + "%#.5E" % abs(value)).rjust(13)
    negative = value < 0.0
    digits, exponent = ("%#.5E" % abs(value)).split("E")
    q = int(exponent) + 1 if value != 0.0 else 0
    mantissa = digits.replace(".", "")
    tail = ("E%+03d" % q) if abs(q) <= 99 else ("%+04d" % q)
    return ("-" if negative else " ") + "0." + mantissa + tail


def _whole(header, key, largest, otherwise):
    if key not in header:
        return otherwise
    text = str(header[key])
    if not (text.isdigit() and len(text) <= 9 and int(text) <= largest):
        raise ValueError("%s '%s' does not fit its field (0 to %d)" % (key, text, largest))
    return int(text)


def _setting(header, key, otherwise):
    if key not in header:
        return otherwise
    value, outcome = _scan(str(header[key]).encode("latin-1"))
    return value if outcome in _NUMBERS else otherwise


def write(path, header, potential_v, current_a, time_s):
    """Writes a ZEP file at path: the 41 header records of header, one line per point, with
    header["line_end"]'s line ends ("crlf" unless "lf")."""
    e = np.asarray(potential_v, dtype=np.float64)
    i = np.asarray(current_a, dtype=np.float64)
    t = np.asarray(time_s, dtype=np.float64)
    if not (e.shape == i.shape == t.shape) or e.ndim != 1:
        raise ValueError("write: the three columns differ in length")
    end = "\n" if header.get("line_end") == "lf" else "\r\n"
    freq = list(header.get("freq_hz", [0.0] * HARMONICS))
    amp = list(header.get("amp_mv", [0.0] * HARMONICS))
    phase = list(header.get("phase_deg", [0.0] * HARMONICS))
    direction = str(header.get("Direction", "c"))
    if len(direction) != 1:
        raise ValueError("Direction '%s' is not one character" % direction)
    start = float(header.get("start_mv", 0.0))

    def labelled(label, value):
        return label.ljust(14) + " " + _e13(value)

    records = ["cvsin_type_2  "]
    for label, key in (("Start(mV):", "start_mv"), ("End(mV):", "end_mv"),
                       ("Max(mV):", "max_mv"), ("Min(mV):", "min_mv")):
        records.append(labelled(label, header.get(key, 0.0)))
    for k in range(HARMONICS):
        records.append(labelled("Freq%d(Hz):" % (k + 1), freq[k]))
        records.append(labelled("Amp%d(mV):" % (k + 1), amp[k]))
        records.append(labelled("Phase%d(deg):" % (k + 1), phase[k]))
    records.append("Type(0-4):      %s " % _whole(header, "Type(0-4)", 9, 4))
    records.append(labelled("Rate(mV/s):", header.get("rate_mv_s", 0.0)))
    records.append("Direction:      %s " % direction)
    records.append("Scans:  %d" % _whole(header, "Scans", 9, 1))
    records.append("Average:        %2d" % _whole(header, "Average", 99, 19))
    records.append("Gain(0-4):      %d " % _whole(header, "Gain(0-4)", 9, 1))
    records.append(labelled("Initial(mV):", _setting(header, "Initial(mV)", start)))
    records.append(labelled("Initial(mS):", _setting(header, "Initial(mS)", 10000.0)))
    for label in ("Pre(mV)", "Pre(ms)", "Post(mV)", "Post(ms)"):
        records.append(labelled(label + ":", _setting(header, label, 0.0)))
    text = end.join(records) + end
    text += "".join(_e13(a) + "  " + _e13(b) + "  " + _e13(c) + end
                    for a, b, c in zip(e.tolist(), i.tolist(), t.tolist()))
    with open(path, "wb") as f:
        f.write(text.encode("latin-1"))


# ---- sampling and check ----------------------------------------------------------------------

def sampling(trace):
    """The sampling facts of trace's time column (see the C++ header sampling.h)."""
    t = np.asarray(trace.time_s, dtype=np.float64)
    n = int(t.size)
    nan = float("nan")
    s = {"n": n, "duration_s": 0.0, "dt": nan, "min_step_s": nan, "max_step_s": nan,
         "max_deviation_s": 0.0, "tolerance_s": 0.0, "uniform": False,
         "power_of_two": n > 0 and (n & (n - 1)) == 0, "points_per_period": nan,
         "periods": nan, "whole_periods": 0}
    if n == 0:
        return s
    largest = float(np.max(np.abs(t)))
    if largest > 0.0 or math.isnan(largest):
        s["tolerance_s"] = 10.0 ** (math.floor(math.log10(largest)) + 1 - 6) \
            if math.isfinite(largest) else nan
    if n < 2:
        return s
    s["duration_s"] = float(t[-1] - t[0])
    dt = s["duration_s"] / (n - 1)
    s["dt"] = dt
    steps = np.diff(t)
    s["min_step_s"] = float(np.min(steps))
    s["max_step_s"] = float(np.max(steps))
    deviation = np.abs(t - (t[0] + np.arange(n, dtype=np.float64) * dt))
    s["max_deviation_s"] = float(np.max(deviation))
    s["uniform"] = bool(s["min_step_s"] > 0.0 and s["max_deviation_s"] <= s["tolerance_s"])
    f = trace.header["freq_hz"][0]
    if f > 0.0 and dt > 0.0:
        s["points_per_period"] = 1.0 / (f * dt)
        s["periods"] = s["duration_s"] * f
        s["whole_periods"] = int(math.floor(s["periods"] + s["tolerance_s"] * f))
    return s


def _fit_line(t, e):
    mt, me = t.mean(), e.mean()
    stt = float(np.sum((t - mt) ** 2))
    slope = float(np.sum((t - mt) * (e - me))) / stt if stt > 0.0 else 0.0
    return slope, float(me - slope * mt)


def _crossings(t, r, h):
    """(count - 1, span) of the zero crossings that follow a swing past +-h, or (0, 0)."""
    state = np.where(r > h, 1, np.where(r < -h, -1, 0))
    idx = np.nonzero(state)[0]
    if idx.size < 2:
        return 0.0, 0.0
    flips = idx[1:][state[idx[1:]] != state[idx[:-1]]]
    pos = r > 0.0
    changes = np.nonzero(pos[1:] != pos[:-1])[0] + 1
    if flips.size == 0 or changes.size == 0:
        return 0.0, 0.0
    k = changes[np.searchsorted(changes, flips, side="right") - 1]
    crossing = t[k - 1] + (t[k] - t[k - 1]) * (0.0 - r[k - 1]) / (r[k] - r[k - 1])
    if crossing.size < 3:
        return 0.0, 0.0
    return float(crossing.size - 1), float(crossing[-1] - crossing[0])


def _fit_sweep(trace):
    t = np.asarray(trace.time_s, dtype=np.float64)
    e = 1000.0 * np.asarray(trace.potential_v, dtype=np.float64)
    n = t.size
    fit = {"fitted": False, "sine": False, "freq_hz": 0.0, "amp_mv": 0.0}
    if n < 16 or trace.non_finite_points > 0:
        return fit
    i_min, i_max = int(np.argmin(e)), int(np.argmax(e))
    vertex = i_max if abs(e[i_max] - e[0]) >= abs(e[i_min] - e[0]) else i_min
    guard = max(2, n // 100)
    end1 = vertex - guard if vertex > guard else 0
    start2 = min(n, vertex + guard + 1)
    turns = end1 >= 4 and n - start2 >= 4
    if turns:
        s1, c1 = _fit_line(t[:end1], e[:end1])
        s2, c2 = _fit_line(t[start2:], e[start2:])
        tv = (c2 - c1) / (s1 - s2) if s1 != s2 else t[vertex]
        if not (t[0] <= tv <= t[-1]):
            tv = t[vertex]
        w1, w2 = float(end1), float(n - start2)
        fit["rate_mv_s"] = (abs(s1) * w1 + abs(s2) * w2) / (w1 + w2)
        used = np.concatenate([np.arange(end1), np.arange(start2, n)])
        ramp = np.where(used >= start2, c2 + s2 * t[used], c1 + s1 * t[used])
    else:
        s1, c1 = _fit_line(t, e)
        s2, c2 = s1, c1
        tv = t[-1]
        fit["rate_mv_s"] = abs(s1)
        used = np.arange(n)
        ramp = c1 + s1 * t
    fit.update(fitted=True, start_mv=c1 + s1 * t[0], vertex_mv=c1 + s1 * tv,
               end_mv=c2 + s2 * t[-1])
    r = e[used] - ramp
    tu = t[used]
    amplitude = math.sqrt(2.0 * float(np.sum(r * r)) / r.size)
    halves = span = 0.0
    if amplitude > 0.0:
        parts = [(0, end1), (end1, r.size)] if turns else [(0, r.size)]
        for a, b in parts:
            h, s = _crossings(tu[a:b], r[a:b], amplitude / 2.0)
            halves, span = halves + h, span + s
    if halves < 2.0 or not span > 0.0:
        return fit
    freq = halves / (2.0 * span)
    w = 2.0 * math.pi * freq
    basis = np.stack([np.sin(w * tu), np.cos(w * tu), np.ones_like(tu)], axis=1)
    try:
        x = np.linalg.solve(basis.T @ basis, basis.T @ r)
    except np.linalg.LinAlgError:
        return fit
    fit["amp_mv"] = math.hypot(x[0], x[1])
    fit["sine"] = fit["amp_mv"] > 0.05
    fit["freq_hz"] = freq if fit["sine"] else 0.0
    return fit


def _g(v):
    return "%.4g" % v


def check(trace):
    """The findings about trace, as "FILE:LINE:COLUMN: warning: TEXT" lines (see the C++ header
    header_check.h for what is compared and the tolerances)."""
    h = trace.header
    places = {r[0]: (r[2], r[3]) for r in h.get("raw", [])}
    findings = []

    def at(label, text):
        line, column = places.get(label, (0, 0))
        findings.append((line, column, "warning", text))

    if trace.non_finite_points > 0:
        findings.append((trace.first_non_finite_line, 1, "warning",
                         "%d points hold NAN or INF (the first here); the sweep is not fitted"
                         % trace.non_finite_points))
    s = sampling(trace)
    if s["n"] >= 2 and not s["uniform"]:
        findings.append((trace.first_data_line, 1, "warning",
                         "the time steps are not uniform: largest deviation %s s from %s s a "
                         "step, tolerance %s s" % (_g(s["max_deviation_s"]), _g(s["dt"]),
                                                   _g(s["tolerance_s"]))))
    n = len(trace.time_s)
    if trace.non_finite_points == 0 and n < 16:
        findings.append((trace.first_data_line, 0, "note",
                         "too few points to fit the sweep: %d, 16 at least" % n))
    elif trace.non_finite_points == 0:
        fit = _fit_sweep(trace)
        rate = h["rate_mv_s"]
        if abs(fit["rate_mv_s"] - abs(rate)) > 0.01 * abs(rate):
            at("Rate(mV/s):", "the header's scan rate is %s mV/s, the potential sweeps at %s "
               "mV/s (fitted; tolerance 1%%)" % (_g(rate), _g(fit["rate_mv_s"])))
        span = abs(h["max_mv"] - h["start_mv"]) + abs(h["max_mv"] - h["end_mv"])
        tolerance = max(0.01 * span, 0.5)
        for label, what, said, got in (("Start(mV):", "starts at", h["start_mv"], fit["start_mv"]),
                                       ("Max(mV):", "turns at", h["max_mv"], fit["vertex_mv"]),
                                       ("End(mV):", "ends at", h["end_mv"], fit["end_mv"])):
            if abs(got - said) > tolerance:
                at(label, "%s is %s mV, the sweep %s %s mV (fitted; tolerance %s mV)"
                   % (label[:-1], _g(said), what, _g(got), _g(tolerance)))
        type1 = h["layout"] == "cvsin_type_1"
        amp_label = "Amp(mV):" if type1 else "Amp1(mV):"
        freq_label = "Freq(Hz):" if type1 else "Freq1(Hz):"
        amp, freq = h["amp_mv"][0], h["freq_hz"][0]
        if amp != 0.0 and not fit["sine"]:
            at(amp_label, "the header's AC amplitude is %s mV, the potential holds no sine"
               % _g(amp))
        elif fit["sine"]:
            if abs(fit["amp_mv"] - abs(amp)) > max(0.05 * abs(amp), 0.05):
                at(amp_label, "the header's AC amplitude is %s mV, the potential's sine has %s "
                   "mV (fitted; tolerance 5%% or 0.05 mV)" % (_g(amp), _g(fit["amp_mv"])))
            if amp != 0.0 and abs(fit["freq_hz"] - freq) > 0.01 * abs(freq):
                at(freq_label, "the header's AC frequency is %s Hz, the potential's sine has %s "
                   "Hz (fitted; tolerance 1%%)" % (_g(freq), _g(fit["freq_hz"])))
    findings.sort(key=lambda f: f[0])
    out = []
    for line, column, level, text in findings:
        place = trace.path
        if line > 0:
            place += ":%d" % line
            if column > 0:
                place += ":%d" % column
        out.append("%s: %s: %s" % (place, level, text))
    return out
