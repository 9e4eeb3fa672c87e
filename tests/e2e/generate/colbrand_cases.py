# Golden cases for colbrand. Expected bytes come from the oracle in mkcase (efield, lreal) and the
# rules of the run order, never from running the program. The shell tools (mv, cat, rm) are the
# system's; the runner checks that no file other than those of in/ and out/ is left behind, so a
# scratch file that stays or a command smuggled in through a name shows as an extra file.
from mkcase import *
import math

HEADER = b'# DigiSim trace converted\r\n# E/V  -I/A  t/s\r\n'
CAT_MISSING = 'cat: Header.txt: No such file or directory\n'   # coreutils cat, C locale


def console(inname, outname, delt, npts=None):
    s = ' %d %d\n Converting %s to %s\n using delt=%s\n' % (len(inname), len(outname), inname, outname,
                                                            lreal(delt))
    # "Found " + integer (blank, digits) + " points"
    if npts is not None: s += ' Found  %d points\n' % npts
    return s


def point_lines(points, delt):
    return ''.join(zep_point(x, -y, float(i) * delt) + '\n' for i, (x, y) in enumerate(points)).encode()


# Hand-typed checks of the oracle and the console forms.
assert console('in.txt', 'out.txt', 0.5, 3) == (' 6 7\n Converting in.txt to out.txt\n using delt=  0.5\n'
                                                ' Found  3 points\n')
assert console('a', 'b', -0.25, 0).endswith(' using delt= -0.25\n Found  0 points\n')
assert point_lines([(1234565.0, 9.9999996), (1.0E-101, -5.0E99)], 0.5) == (
    b' 0.123456E+07  -0.100000E+02   0.000000E+00\n'
    b' 0.100000-100   0.500000+100   0.500000E+00\n')

CTL = crlf('in.txt', 'out.txt', '0.5')
pts = [(-0.2, -1.0389453E-06), (-0.182, -1.0087891E-06), (1234565.0, 9.9999996), (1.0E-101, -5.0E99),
       (0.6, 1.3610542E-06), (0.0, 0.0), (-1.5, 2.5E-9)]
TEXT = ['-2.0000000E-01\t-1.0389453E-06', '-1.82e-1 -1.0087891E-06', '1234565.0,9.9999996',
        '1.0E-101   -5.0E99', '6.0000000E-01\t1.3610542E-06', '0 -0', '-1.5 2.5E-9']
EXPORT = crlf('DigiSim 3.05 export', 'CV simulation', 'Number of points 7', 'numb', 'number  E/V  I/A', *TEXT)
POINTS = point_lines(pts, 0.5)
assert all(len(l) == 43 for l in POINTS.decode().split('\n')[:-1])

# A complete run: Header.txt's bytes unchanged, then 43-character point lines ending in LF; the four
# console lines; no scratch file left.
mkcase('colbrand', 'complete-run', {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': EXPORT},
       console('in.txt', 'out.txt', 0.5, 7), '', 0,
       {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': EXPORT, 'out.txt': HEADER + POINTS})

# No Header.txt: cat's own complaint, the point lines alone, status 0.
mkcase('colbrand', 'no-header-file', {'colbrand.inp': CTL, 'in.txt': EXPORT},
       console('in.txt', 'out.txt', 0.5, 7), CAT_MISSING, 0, {'in.txt': EXPORT, 'out.txt': POINTS})

# No data records: Header.txt alone.
ZEXP = crlf('DigiSim 3.05 export', 'number  E/V  I/A')
mkcase('colbrand', 'no-data-records', {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': ZEXP},
       console('in.txt', 'out.txt', 0.5, 0), '', 0, {'Header.txt': HEADER, 'in.txt': ZEXP, 'out.txt': HEADER})

# Name records of six characters: with CR LF the whole name; with LF alone, or followed by a blank
# and a comment, the first five characters. The files named in full stay untouched.
SMALL = lf('header', 'number E I', '0.1 -1E-6', '0.2 -2E-6')
SPTS = point_lines([(0.1, -1E-6), (0.2, -2E-6)], 0.5)
DECOY = b'not the export\n'
mkcase('colbrand', 'six-character-names-crlf',
       {'colbrand.inp': crlf('trace1', 'result', '0.5'), 'Header.txt': HEADER, 'trace1': SMALL, 'trace': DECOY},
       console('trace1', 'result', 0.5, 2), '', 0,
       {'Header.txt': HEADER, 'trace1': SMALL, 'trace': DECOY, 'result': HEADER + SPTS})
for name, ctl in [('six-character-names-lf', lf('trace1', 'result', '0.5')),
                  ('six-character-names-comment', crlf('trace1 the export', 'result the output', '0.5 s'))]:
    mkcase('colbrand', name,
           {'colbrand.inp': ctl, 'Header.txt': HEADER, 'trace1': DECOY, 'trace': SMALL},
           console('trace', 'resul', 0.5, 2), '', 0,
           {'colbrand.inp': ctl, 'Header.txt': HEADER, 'trace1': DECOY, 'trace': SMALL, 'resul': HEADER + SPTS})

# A blank at position 2 of a name record: the length comes from the second blank.
mkcase('colbrand', 'blank-at-position-2',
       {'colbrand.inp': crlf('x in.txt', 'y out.txt', '0.5'), 'Header.txt': HEADER, 'x in.txt': SMALL},
       console('x in.txt', 'y out.txt', 0.5, 2), '', 0,
       {'Header.txt': HEADER, 'x in.txt': SMALL, 'y out.txt': HEADER + SPTS})

# Slashes, commas and quotes are ordinary name characters of the whole-record read.
odd = 'sub/in,"q\'.txt'
mkcase('colbrand', 'name-with-slash-comma-quotes',
       {'colbrand.inp': crlf(odd, 'o,"q\'.txt', '0.5'), 'Header.txt': HEADER, odd: SMALL},
       console(odd, 'o,"q\'.txt', 0.5, 2), '', 0, {'Header.txt': HEADER, 'o,"q\'.txt': HEADER + SPTS})

# A negative time step: the first time is 0, the later ones fall.
NEG = crlf('in.txt', 'out.txt', '-0.25')
npl = point_lines(pts, -0.25)
assert npl.split(b'\n')[2].endswith(b'  -0.500000E+00')
mkcase('colbrand', 'negative-delt', {'colbrand.inp': NEG, 'Header.txt': HEADER, 'in.txt': EXPORT},
       console('in.txt', 'out.txt', -0.25, 7), '', 0, {'in.txt': EXPORT, 'out.txt': HEADER + npl})

# Data records of three or more values: the first two are used.
TEXP = lf('header', 'number E I', '0.1 -1E-6 99', '0.2,-2E-6,x y z', '0.3 -3E-6 7 8 9')
mkcase('colbrand', 'three-values-a-record', {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': TEXP},
       console('in.txt', 'out.txt', 0.5, 3), '', 0,
       {'in.txt': TEXP, 'out.txt': HEADER + point_lines([(0.1, -1E-6), (0.2, -2E-6), (0.3, -3E-6)], 0.5)})

# A last record without a line end: converted when only blanks or tabs follow its second value;
# not converted when a third value or a lone CR follows.
for name, last, counted in [('last-record-unended', b'0.3 -3E-6', True),
                            ('last-record-unended-blanks', b'0.3 -3E-6 \t ', True),
                            ('last-record-unended-third-value', b'0.3 -3E-6 7', False),
                            ('last-record-unended-cr', b'0.3 -3E-6\r', False)]:
    body = lf('header', 'number E I', '0.1 -1E-6', '0.2 -2E-6') + last
    p = [(0.1, -1E-6), (0.2, -2E-6)] + ([(0.3, -3E-6)] if counted else [])
    mkcase('colbrand', name, {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': body},
           console('in.txt', 'out.txt', 0.5, len(p)), '', 0,
           {'in.txt': body, 'out.txt': HEADER + point_lines(p, 0.5)})

# No "number" heading: the end-of-file failure on unit 2; the output exists and is empty, and no
# shell command ran (no scratch file, no header text in the output).
NEXP = lf('DigiSim 3.05 export', 'Number E I', '0.1 -1E-6')
mkcase('colbrand', 'no-number-heading', {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': NEXP},
       console('in.txt', 'out.txt', 0.5), report('list in: end of file', 2, 'in.txt'), 134,
       {'Header.txt': HEADER, 'in.txt': NEXP, 'out.txt': b''})

# The same with an existing output: a run that fails before its first point line leaves it as it was.
mkcase('colbrand', 'no-number-heading-longer-output',
       {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': NEXP, 'out.txt': b'old\n' * 5000},
       console('in.txt', 'out.txt', 0.5), report('list in: end of file', 2, 'in.txt'), 134,
       {'Header.txt': HEADER, 'in.txt': NEXP, 'out.txt': b'old\n' * 5000})

# The two names swapped, as users do by mistake: the missing name is created empty, the header scan
# meets its end, and the export named as the output survives byte for byte.
EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'examples', 'colbrand')
DIGISIM = open(os.path.join(EXAMPLE, 'digisim.txt'), 'rb').read()
SWAP = crlf('digisim.dat', 'digisim.txt', '0.008')
mkcase('colbrand', 'names-swapped-export-survives',
       {'colbrand.inp': SWAP, 'Header.txt': HEADER, 'digisim.txt': DIGISIM},
       console('digisim.dat', 'digisim.txt', 0.008), report('list in: end of file', 2, 'digisim.dat'), 134,
       {'colbrand.inp': SWAP, 'Header.txt': HEADER, 'digisim.txt': DIGISIM, 'digisim.dat': b''})

# Header.txt named as the output is refused at its open, before a byte of it changes.
mkcase('colbrand', 'output-named-header-txt',
       {'colbrand.inp': crlf('in.txt', 'Header.txt', '0.5'), 'Header.txt': HEADER, 'in.txt': SMALL},
       console('in.txt', 'Header.txt', 0.5),
       report('open: file is the header file Header.txt', 3, 'Header.txt', writing=True), 134,
       {'Header.txt': HEADER, 'in.txt': SMALL})

# A name record "a b c" cuts to "a" and a blank; the file opened is "a", and the commands name "a"
# too: no file "a " appears.
mkcase('colbrand', 'output-name-ending-in-a-blank',
       {'colbrand.inp': crlf('in.txt', 'a b c', '0.5'), 'Header.txt': HEADER, 'in.txt': SMALL},
       console('in.txt', 'a ', 0.5, 2), '', 0, {'Header.txt': HEADER, 'in.txt': SMALL, 'a': HEADER + SPTS})

# A bad data record after good ones: the point lines so far, without the header text.
BEXP = crlf('header', 'number E I', '0.1 -1E-6', '0.2 -2E-6', 'Time/s I/A', '0.3 -3E-6')
mkcase('colbrand', 'bad-data-record', {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': BEXP},
       console('in.txt', 'out.txt', 0.5), report('invalid number: incomprehensible list input', 2, 'in.txt'), 134,
       {'Header.txt': HEADER, 'in.txt': BEXP, 'out.txt': SPTS})

# A record of one number among CR LF records: the second value meets the CR.
OEXP = crlf('header', 'number E I', '0.1 -1E-6', '0.2')
mkcase('colbrand', 'crlf-one-number-record', {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': OEXP},
       console('in.txt', 'out.txt', 0.5), report('invalid number: incomprehensible list input', 2, 'in.txt'), 134,
       {'Header.txt': HEADER, 'in.txt': OEXP, 'out.txt': point_lines([(0.1, -1E-6)], 0.5)})

# An existing temp.txt survives untouched.
PRECIOUS = b'a file of the user\'s\n'
mkcase('colbrand', 'existing-temp-txt-survives',
       {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': EXPORT, 'temp.txt': PRECIOUS},
       console('in.txt', 'out.txt', 0.5, 7), '', 0,
       {'Header.txt': HEADER, 'in.txt': EXPORT, 'temp.txt': PRECIOUS, 'out.txt': HEADER + POINTS})

# An output named temp.txt comes out right (and is not removed).
mkcase('colbrand', 'output-named-temp-txt',
       {'colbrand.inp': crlf('in.txt', 'temp.txt', '0.5'), 'Header.txt': HEADER, 'in.txt': EXPORT},
       console('in.txt', 'temp.txt', 0.5, 7), '', 0,
       {'Header.txt': HEADER, 'in.txt': EXPORT, 'temp.txt': HEADER + POINTS})

# An older, longer output and no data records: Header.txt alone.
mkcase('colbrand', 'longer-output-no-data',
       {'colbrand.inp': CTL, 'Header.txt': HEADER, 'in.txt': ZEXP, 'out.txt': b'x' * 100000},
       console('in.txt', 'out.txt', 0.5, 0), '', 0, {'Header.txt': HEADER, 'in.txt': ZEXP, 'out.txt': HEADER})

# The output named like the export is refused; the export is unchanged, no command ran.
mkcase('colbrand', 'output-named-like-export',
       {'colbrand.inp': crlf('in.txt', 'in.txt', '0.5'), 'Header.txt': HEADER, 'in.txt': EXPORT},
       console('in.txt', 'in.txt', 0.5),
       report('open: file already connected to unit 2', 3, 'in.txt', writing=True), 134,
       {'Header.txt': HEADER, 'in.txt': EXPORT})

# Names that a shell would read as commands stay names: no extra command runs, no extra file.
for out in ['o;touch${IFS}x', 'o ;touch${IFS}x', 'o$(touch${IFS}x)', "o'q`touch${IFS}x`", 'o ${IFS}>x']:
    mkcase('colbrand', 'shell-name-' + ''.join(ch if ch.isalnum() else '_' for ch in out),
           {'colbrand.inp': crlf('in.txt', out, '0.5'), 'Header.txt': HEADER, 'in.txt': SMALL},
           console('in.txt', out, 0.5, 2), '', 0, {'Header.txt': HEADER, 'in.txt': SMALL, out: HEADER + SPTS})
# The same for the export's name, which reaches no command but the console and the open.
mkcase('colbrand', 'shell-name-export-o_touch__IFS_x',
       {'colbrand.inp': crlf('i;touch${IFS}x', 'out.txt', '0.5'), 'Header.txt': HEADER, 'i;touch${IFS}x': SMALL},
       console('i;touch${IFS}x', 'out.txt', 0.5, 2), '', 0,
       {'Header.txt': HEADER, 'i;touch${IFS}x': SMALL, 'out.txt': HEADER + SPTS})

# An output name that begins with a dash is a file, not an option of mv, cat or rm.
mkcase('colbrand', 'output-name-leading-dash',
       {'colbrand.inp': crlf('in.txt', '-o.txt', '0.5'), 'Header.txt': HEADER, 'in.txt': SMALL},
       console('in.txt', '-o.txt', 0.5, 2), '', 0, {'Header.txt': HEADER, 'in.txt': SMALL, '-o.txt': HEADER + SPTS})

# A name record starting with a blank cuts to -1: shown as cut, the message of exactly
# inlen + outlen + 15 characters, an empty name, the open refused.
mkcase('colbrand', 'name-leading-blank', {'colbrand.inp': crlf(' in.txt', 'out.txt', '0.5'), 'in.txt': SMALL},
       ' -1 7\n Converting  to out.tx\n using delt=  0.5\n', report('open: null file name', 2, None, writing=True),
       134, {'in.txt': SMALL})
mkcase('colbrand', 'output-name-leading-blank',
       {'colbrand.inp': crlf('in.txt', ' out.txt', '0.5'), 'in.txt': SMALL},
       ' 6 -1\n Converting in.txt to\n using delt=  0.5\n', report('open: null file name', 3, None, writing=True),
       134, {'in.txt': SMALL})

# The argument form: names with blanks in another folder, the header file given by --header, the
# Header.txt beside them neither read nor joined; the console shows the names and their lengths as
# given. The colbrand.inp beside them is not read.
inn, outn, hdr = 'sim runs/cv 1, 0.5 s.txt', 'sim runs/cv 1, 0.5 s, points.dat', 'sim runs/my header.txt'
mkcase('colbrand', 'arguments-names-with-blanks',
       {'colbrand.inp': lf('x', 'y', 'z'), 'Header.txt': b'not this\n', hdr: HEADER, inn: EXPORT},
       console(inn, outn, 0.5, 7), '', 0,
       {'colbrand.inp': lf('x', 'y', 'z'), 'Header.txt': b'not this\n', hdr: HEADER, inn: EXPORT,
        outn: HEADER + POINTS}, args=[inn, '--delt', '0.5', outn, '--header=' + hdr])
