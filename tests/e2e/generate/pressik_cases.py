# Golden cases for pressik (and one vantor case paired with a pressik case on the same inputs).
# Expected bytes come from the oracle in mkcase (efield, zep_header, lreal) and the rules of the
# run order, never from running the programs.
from mkcase import *
import math

P = PRESSIK_BANNER
ctl = ['in.txt', 'out.txt', '0.1', '-0.2', '0.6', '-0.2', '10.0', '50']
CTL = crlf(*ctl)
ESTART, EVERTEX, EEND, VSCAN, AMP, NPER = -0.2, 0.6, -0.2, 0.1, 10.0, 50
ERANGE = abs(ESTART - EVERTEX) + abs(EEND - EVERTEX)
FREQ = (float(NPER) * VSCAN) / ERANGE
HDR = zep_header(ESTART, EVERTEX, EEND, VSCAN, AMP, FREQ)
NAMES = ' Converting X to Y:\n in.txt\n out.txt\n'
TAIL = '\n Converting output file from unix to dos\n'


def pdelt(npts, erange=ERANGE, vscan=VSCAN):
    # IEEE quotient without traps, as the run computes it.
    den = float(npts - 1) * vscan
    if den == 0.0:
        return math.nan if erange == 0.0 else math.copysign(math.inf, erange) * math.copysign(1.0, den)
    return erange / den


def psummary(npts, delt, amp=AMP, freq=FREQ, erange=ERANGE, vscan=VSCAN):
    return ('\n Found %d data points\n AC signal of amplitude,freq =%s%s\n Total E range,vscan = %s%s\n'
            ' Determined delt =%s\n' % (npts, lreal(amp), lreal(freq), lreal(erange), lreal(vscan), lreal(delt)))


def vsummary(npts, nhead, delt):
    return ('\n Found %d data points\n Header length = %d\n AC signal of amplitude,freq =%s%s\n'
            ' Determined delt =%s\n' % (npts, nhead, lreal(AMP), lreal(FREQ), lreal(delt)))


def time(i, delt):
    # (i - 1) x delt with i counted from 1; here i is the 0-based index.
    return float(i) * delt


def zep_lines(points, delt):
    return HDR + [zep_point(a, -c, time(i, delt)) for i, (a, b, c) in enumerate(points)]


def zep_file(points, delt, eol='\r\n'):
    return ''.join(l + eol for l in zep_lines(points, delt)).encode()


# Fixed spot checks of the oracle against forms written out by hand.
assert lreal(math.inf) == '  INF' and lreal(-16.0) == ' -16.' and lreal(1.6) == '  1.6'
assert efield(0.0 * math.inf) == '          NAN' and efield(-0.0) == ' 0.000000E+00'
assert psummary(3, 8.0).endswith(' Total E range,vscan =   1.6  0.1\n Determined delt =  8.\n')

# A completed run: exactly the 14 console lines, nothing on standard error, the ZEP file with CR LF
# ends from the line-end stand-in.
wpts = [(-0.2, 0.0, 1.5E-6), (0.6, 0.1, -2.5E-7), (-0.2, 0.2, 0.0)]
wexp = crlf('DigiElch 7 export', 'second header line', 'number E t I',
            '-0.2 0.0 1.5E-6', '0.6 0.1 -2.5E-7', '-0.2 0.2 0.0')
d3 = pdelt(3)
run_out = P + NAMES + psummary(3, d3) + TAIL
assert run_out.count('\n') == 14
assert run_out == ('\n Converter from DigiElch7.use to ZEP format\n XQ 22/11/2011\n\n Converting X to Y:\n'
                   ' in.txt\n out.txt\n\n Found 3 data points\n AC signal of amplitude,freq =  10.  3.125\n'
                   ' Total E range,vscan =   1.6  0.1\n Determined delt =  8.\n\n'
                   ' Converting output file from unix to dos\n')
assert zep_lines(wpts, d3)[41:] == ['-0.200000E+00  -0.150000E-05   0.000000E+00',
                                    ' 0.600000E+00   0.250000E-06   0.800000E+01',
                                    '-0.200000E+00   0.000000E+00   0.160000E+02']
mkcase('pressik', 'completed-run', {'pressik.inp': CTL, 'in.txt': wexp}, run_out, '', 0,
       {'pressik.inp': CTL, 'in.txt': wexp, 'out.txt': zep_file(wpts, d3)})

# The same run with the system's unix2dos: its own report is all that follows the console lines.
mkcase('pressik', 'completed-run-real-unix2dos', {'pressik.inp': CTL, 'in.txt': wexp}, run_out,
       'unix2dos: converting file out.txt to DOS format...\n', 0,
       {'pressik.inp': CTL, 'in.txt': wexp, 'out.txt': zep_file(wpts, d3)}, real_unix2dos=True)

# One control file and one well-formed export for both converters: the same header block and the
# same first two columns; pressik's times are npts / (npts - 1) times vantor's.
ppts = [(-0.2 + 0.1 * k, 0.01 * k, (-1) ** k * 1.25E-6 * (k + 1)) for k in range(9)]
ppts = [(float('%.7E' % a), float('%.7E' % b), float('%.7E' % c)) for a, b, c in ppts]
pexp = crlf('DigiElch export', 'Mechanism E', 'T 298.15', 'number\tE/V\tt/s\tI/A',
            *['%.7E\t%.7E\t%.7E' % p for p in ppts])
n = len(ppts)
vd = ERANGE / (float(n) * VSCAN)
pd = pdelt(n)
vz, pz = zep_lines(ppts, vd), zep_lines(ppts, pd)
assert vz[:41] == pz[:41] and len(vz) == len(pz) == 41 + n
assert all(a[:30] == b[:30] for a, b in zip(vz[41:], pz[41:]))
assert all(math.isclose(time(i, pd), time(i, vd) * n / (n - 1), rel_tol=1e-12) for i in range(n))
assert pz[-1].endswith('   0.160000E+02') and vz[-1].endswith('   0.142222E+02')
mkcase('pressik', 'same-inputs-as-vantor', {'pressik.inp': CTL, 'in.txt': pexp},
       P + NAMES + psummary(n, pd) + TAIL, '', 0, {'in.txt': pexp, 'out.txt': zep_file(ppts, pd)})
mkcase('vantor', 'same-inputs-as-pressik', {'vantor.inp': CTL, 'in.txt': pexp},
       VANTOR_BANNER + NAMES + vsummary(n, 4, vd) + TAIL, '', 0,
       {'in.txt': pexp, 'out.txt': zep_file(ppts, vd)})

# A heading item that only begins with "number" ends the header; header lines before it whose
# first items are Number or numb do not.
hexp = lf('Number of points 3', 'numb 1 2 3', 'number_of_points E t I', '-0.2 0.0 1.5E-6',
          '0.6 0.1 -2.5E-7', '-0.2 0.2 0.0')
mkcase('pressik', 'heading-number-of-points', {'pressik.inp': CTL, 'in.txt': hexp},
       run_out, '', 0, {'in.txt': hexp, 'out.txt': zep_file(wpts, d3)})

# A heading with a capital N only: the end-of-file failure on unit 2 in the scan, no output file.
nexp = crlf('header', 'Number E t I', '1 2 3')
mkcase('pressik', 'capitalised-heading', {'pressik.inp': CTL, 'in.txt': nexp},
       P + NAMES, report('list in: end of file', 2, 'in.txt'), 134, {'in.txt': nexp})

# One data record: delt divides by zero (infinite on the console), the single time is 0 x inf,
# not a number, written without a sign.
oexp = crlf('header', 'number E t I', '0.25 7 -3.5E-6')
assert pdelt(1) == math.inf
one = zep_lines([(0.25, 7, -3.5E-6)], math.inf)
assert one[41] == ' 0.250000E+00   0.350000E-05            NAN'
mkcase('pressik', 'one-data-record', {'pressik.inp': CTL, 'in.txt': oexp},
       P + NAMES + psummary(1, math.inf) + TAIL, '', 0,
       {'in.txt': oexp, 'out.txt': ''.join(l + '\r\n' for l in one).encode()})
assert psummary(1, math.inf).endswith(' Determined delt =  INF\n')

# No data records: the header block alone; delt = -erange / vscan.
zexp = crlf('header', 'number E t I')
assert pdelt(0) == -16.0
mkcase('pressik', 'no-data-records', {'pressik.inp': CTL, 'in.txt': zexp},
       P + NAMES + psummary(0, -16.0) + TAIL, '', 0, {'in.txt': zexp, 'out.txt': zep_file([], 0.0)})

# A last record without a line end is not counted: the count reads two of its values, and the
# skip to the end of the record meets the end of the file.
body = lf('header', 'number E t I', '0.1 1 1E-7', '0.2 2 2E-7') + b'0.3 9 7E-7'
p = [(0.1, 1, 1E-7), (0.2, 2, 2E-7)]
mkcase('pressik', 'last-record-unended', {'pressik.inp': CTL, 'in.txt': body},
       P + NAMES + psummary(2, pdelt(2)) + TAIL, '', 0, {'in.txt': body, 'out.txt': zep_file(p, pdelt(2))})

# An unended last record of two numbers: the end of the file is met right after the second value,
# so the two-value count completes and counts it; the conversion's three-value read then meets the
# end at its third item and takes its end-of-file branch: three counted, two converted.
body = lf('header', 'number E t I', '0.1 1 1E-7', '0.2 2 2E-7') + b'0.3 9'
mkcase('pressik', 'last-record-unended-two-numbers', {'pressik.inp': CTL, 'in.txt': body},
       P + NAMES + psummary(3, pdelt(3)) + TAIL, '', 0, {'in.txt': body, 'out.txt': zep_file(p, pdelt(3))})

# A two-number record with LF ends: counted as a record; in the conversion the third value is the
# first number of the next record, whose rest is skipped, so four records give three data lines.
body = lf('header', 'number', '0.1 1 1E-7', '0.2 2', '0.5 5 5E-7', '0.3 3 3E-7')
p = [(0.1, 1, 1E-7), (0.2, 2, 0.5), (0.3, 3, 3E-7)]
d4 = pdelt(4)
assert zep_lines(p, d4)[42] == ' 0.200000E+00  -0.500000E+00   0.533333E+01'
mkcase('pressik', 'lf-two-number-record', {'pressik.inp': CTL, 'in.txt': body},
       P + NAMES + psummary(4, d4) + TAIL, '', 0, {'in.txt': body, 'out.txt': zep_file(p, d4)})

# The same with CR LF ends: the count passes (two values a record), the conversion fails at the CR
# of the two-number record; the output holds the header and the first data line, LF ends, cut and
# closed; no line-end conversion ran.
body = crlf('header', 'number', '0.1 1 1E-7', '0.2 2', '0.5 5 5E-7', '0.3 3 3E-7')
lines = zep_lines([(0.1, 1, 1E-7)], d4)
mkcase('pressik', 'crlf-two-number-record', {'pressik.inp': CTL, 'in.txt': body},
       P + NAMES + psummary(4, d4), report('invalid number: incomprehensible list input', 2, 'in.txt'), 134,
       {'in.txt': body, 'out.txt': ''.join(l + '\n' for l in lines).encode()})

# A data record whose second item is no number fails in the count, before the output is opened.
body = crlf('header', 'number', '0.1 1 1E-7', 'Time/s Current/A')
mkcase('pressik', 'text-after-data', {'pressik.inp': CTL, 'in.txt': body},
       P + NAMES, report('invalid number: incomprehensible list input', 2, 'in.txt'), 134, {'in.txt': body})

# No control file: it is created empty and stays; the first read fails on unit 1.
mkcase('pressik', 'missing-control', {}, P, report('list in: end of file', 1, 'pressik.inp'), 134,
       {'pressik.inp': b''})

# The output named like the export is refused; the export is unchanged.
same = ['in.txt', 'in.txt'] + ctl[2:]
mkcase('pressik', 'output-named-like-export', {'pressik.inp': crlf(*same), 'in.txt': wexp},
       P + ' Converting X to Y:\n in.txt\n in.txt\n' + psummary(3, d3),
       report('open: file already connected to unit 2', 25, 'in.txt', fmt='list io', writing=True), 134,
       {'in.txt': wexp})

# Output names that a shell would read as commands stay names: no extra file appears.
for out in ['o;touch${IFS}x', 'o$(touch${IFS}x)', "o'q`touch${IFS}x`"]:
    c = [ctl[0], out] + ctl[2:]
    mkcase('pressik', 'shell-name-' + ''.join(ch if ch.isalnum() else '_' for ch in out),
           {'pressik.inp': crlf(*c), 'in.txt': wexp},
           P + ' Converting X to Y:\n in.txt\n ' + out + '\n' + psummary(3, d3) + TAIL, '', 0,
           {'in.txt': wexp, out: zep_file(wpts, d3)})

# The argument form with --columns E,I on the two-value export current DigiElch writes: the ZEP
# file and console of the completed run above, which has the same E and I in three values.
two = crlf('DigiElch export', 'number of E (V), I (A) couples: 3', '-0.2 1.5E-6', '0.6 -2.5E-7', '-0.2 0.0')
mkcase('pressik', 'arguments-columns-two-values', {'in.txt': two}, run_out, '', 0,
       {'in.txt': two, 'out.txt': zep_file(wpts, d3)},
       args=['--columns=E,I', '--vscan=0.1', '--estart', '-0.2', '--evertex', '0.6', '--eend', '-0.2',
             '--amp', '10.0', '--nper', '50', 'in.txt', 'out.txt'])
