"""What both readers return and raise: the Trace and the ParseError."""


class ParseError(ValueError):
    """A refused trace file: .file, .line and .column (from 1), the text .found there and what
    was .expected instead. str() is "FILE:LINE:COLUMN: error: found X, expected Y"."""

    def __init__(self, file, line, column, found, expected):
        super().__init__(
            "%s:%d:%d: error: found %s, expected %s" % (file, line, column, found, expected))
        self.file = file
        self.line = line
        self.column = column
        self.found = found
        self.expected = expected


class Trace:
    """A whole trace: .header (a dict: the typed fields, the other records by label, and "raw",
    every record as (label, value text, line, value column)), .potential_v, .current_a, .time_s
    (read-only float64 arrays), .path, .first_data_line, .non_finite_points,
    .first_non_finite_line."""

    def __init__(self, path, header, potential_v, current_a, time_s, first_data_line,
                 non_finite_points, first_non_finite_line):
        self.path = path
        self.header = header
        self.potential_v = potential_v
        self.current_a = current_a
        self.time_s = time_s
        self.first_data_line = first_data_line
        self.non_finite_points = non_finite_points
        self.first_non_finite_line = first_non_finite_line

    def __len__(self):
        return len(self.time_s)

    def __repr__(self):
        return "<convkit.Trace %r: %s, %d points>" % (
            self.path, self.header.get("layout"), len(self.time_s))
