"""The convkit Python module: the shared read vectors against the compiled and the pure-Python
reader, the read-write identity over the golden cases' ZEP files for both writers, and the two
agreeing on sampling and check. Run by CTest (tests/trace/run_pytest)."""
import math
import os
import pathlib
import re

import numpy as np
import pytest

import convkit
from convkit import _pure

try:
    from convkit import _native
except ImportError:
    _native = None

VECTORS = pathlib.Path(os.environ.get("CONVKIT_READ_VECTORS",
                                      pathlib.Path(__file__).with_name("read_vectors.txt")))
CASES = pathlib.Path(os.environ.get("CONVKIT_E2E_CASES",
                                    pathlib.Path(__file__).parents[1] / "e2e" / "cases"))
IMPLEMENTATIONS = [pytest.param(_pure, id="pure"),
                   pytest.param(_native, id="compiled", marks=pytest.mark.skipif(
                       _native is None, reason="the compiled module was not built"))]


def unescape(text):
    out = bytearray()
    i = 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            c = text[i + 1]
            if c == "x":
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            if c == "_":
                out += b" " * int(text[i + 2:i + 6])
                i += 6
                continue
            out += {"t": b"\t", "r": b"\r", "n": b"\n", "\\": b"\\"}[c]
            i += 2
            continue
        out += text[i].encode()
        i += 1
    return bytes(out)


def load_vectors():
    blocks, vectors = {}, []
    for line in VECTORS.read_text().splitlines():
        if not line or line.startswith("#"):
            continue
        if line.startswith("@"):
            name, record = line[1:].split(" ", 1)
            blocks.setdefault(name, []).append(record)
            continue
        name, raw, expect = line.split(" | ")

        def block(m):
            parts = m.group(1).split(";")
            name, end = parts[0], "\\n"
            if name.endswith("crlf"):
                name, end = name[:-4], "\\r\\n"
            records = list(blocks[name])
            dropped = set()
            for part in parts[1:]:
                k, eq, text = part.partition("=")
                if eq:
                    records[int(k) - 1] = text
                else:
                    dropped.add(int(k) - 1)
            return "".join(r + end for i, r in enumerate(records) if i not in dropped)

        vectors.append(pytest.param(unescape(re.sub(r"\{([^}]*)\}", block, raw)), expect,
                                    id=name))
    return vectors


def fact(tr, key):
    h = tr.header
    facts = {"n": len(tr.time_s), "layout": h["layout"], "line_end": h["line_end"],
             "start_mv": h["start_mv"], "max_mv": h["max_mv"], "rate_mv_s": h["rate_mv_s"],
             "freq1": h["freq_hz"][0], "amp1": h["amp_mv"][0], "n_ac": h["n_ac"],
             "non_finite": tr.non_finite_points, "non_finite_line": tr.first_non_finite_line,
             "data_line": tr.first_data_line}
    return facts[key]


@pytest.mark.parametrize("impl", IMPLEMENTATIONS)
@pytest.mark.parametrize("data,expect", load_vectors())
def test_read_vector(impl, data, expect, tmp_path):
    path = tmp_path / "trace.zep"
    path.write_bytes(data)
    verdict, *facts = expect.split()
    if verdict == "refuse":
        with pytest.raises(convkit.ParseError) as refused:
            impl.read(path)
        assert "%d:%d" % (refused.value.line, refused.value.column) == facts[0], str(refused.value)
        assert refused.value.file == str(path)
        return
    tr = impl.read(path)
    for item in facts:
        key, value = item.split("=")
        if key == "p0":
            got = [tr.potential_v[0], tr.current_a[0], tr.time_s[0]]
            assert got == [float(v) for v in value.split(",")]
        elif isinstance(fact(tr, key), str):
            assert fact(tr, key) == value, key
        else:
            assert fact(tr, key) == float(value), key
    for column in (tr.potential_v, tr.current_a, tr.time_s):
        assert column.dtype == np.float64 and not column.flags.writeable


def golden_zep_files():
    files = []
    for program in ("vantor", "pressik"):
        for out in sorted((CASES / program).glob("*/out/*")):
            if out.is_file() and out.read_bytes().startswith(b"cvsin_type_2"):
                files.append(out)
    return files


@pytest.mark.parametrize("impl", IMPLEMENTATIONS)
def test_read_write_identity_over_the_golden_zep_files(impl, tmp_path):
    files = golden_zep_files()
    assert len(files) > 10
    for f in files:
        tr = impl.read(f)
        impl.write(tmp_path / "copy.zep", tr.header, tr.potential_v, tr.current_a, tr.time_s)
        assert (tmp_path / "copy.zep").read_bytes() == f.read_bytes(), f


def synthetic(tmp_path):
    """A sweep -200 -> 600 -> -200 mV at 100 mV/s with 10 mV at 3.125 Hz, written by the ZEP
    writer with a header that says 50 mV/s."""
    t = np.arange(4096) * (16.0 / 4095)
    ramp = np.where(t <= 8.0, -200.0 + 100.0 * t, 600.0 - 100.0 * (t - 8.0))
    e = (ramp + 10.0 * np.sin(2 * np.pi * 3.125 * t)) / 1000.0
    header = {"start_mv": -200.0, "end_mv": -200.0, "max_mv": 600.0, "min_mv": -200.0,
              "rate_mv_s": 50.0, "freq_hz": [3.125] + [0.0] * 7, "amp_mv": [10.0] + [0.0] * 7}
    path = tmp_path / "synthetic.zep"
    _pure.write(path, header, e, np.zeros_like(t), t)
    return path


@pytest.mark.skipif(_native is None, reason="the compiled module was not built")
def test_both_agree_on_sampling_and_check(tmp_path):
    path = synthetic(tmp_path)
    pure, native = _pure.read(path), _native.read(path)
    s_pure, s_native = _pure.sampling(pure), _native.sampling(native)
    assert s_pure.keys() == s_native.keys()
    for key in s_pure:
        assert s_pure[key] == pytest.approx(s_native[key], rel=1e-9), key
    assert s_native["uniform"] and s_native["power_of_two"] and s_native["whole_periods"] == 50
    findings = _native.check(native)
    assert findings == _pure.check(pure)
    assert findings == ["%s:31:17: warning: the header's scan rate is 50 mV/s, the potential "
                        "sweeps at 100 mV/s (fitted; tolerance 1%%)" % path]
