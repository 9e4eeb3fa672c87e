"""Read and write the ZEP trace file family exactly, with the sampling facts and a check of the
header against the data.

    tr = convkit.read("sweep.zep")   # tr.header (dict, with "raw"), tr.potential_v, tr.current_a,
                                     # tr.time_s: read-only float64 arrays
    convkit.write("copy.zep", tr.header, tr.potential_v, tr.current_a, tr.time_s)
    convkit.sampling(tr)             # dict: "n", "dt", "uniform", ...
    convkit.check(tr)                # list of findings, "FILE:LINE:COLUMN: warning: TEXT"

A refused file raises convkit.ParseError (.file, .line, .column). The compiled module is used
where it was built; the pure-Python twin (numpy only) takes over where it is missing.
"""
from ._trace import ParseError, Trace

try:
    from ._native import read, write, sampling, check
    implementation = "compiled"
except ImportError:
    from ._pure import read, write, sampling, check
    implementation = "pure"

__all__ = ["read", "write", "sampling", "check", "ParseError", "Trace", "implementation"]
