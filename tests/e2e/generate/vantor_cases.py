from mkcase import *
import math
V = VANTOR_BANNER
ctl = ['in.txt', 'out.txt', '0.1', '-0.2', '0.6', '-0.2', '10.0', '50']
CTL = crlf(*ctl)
HDR = ZEP = zep_header(-0.2, 0.6, -0.2, 0.1, 10.0, 3.125)
def summary(npts, nhead, amp, freq, delt):
    return ('\n Found %d data points\n Header length = %d\n AC signal of amplitude,freq =%s%s\n Determined delt =%s\n'
            % (npts, nhead, lreal(amp), lreal(freq), lreal(delt)))
TAIL = '\n Converting output file from unix to dos\n'
NAMES = ' Converting X to Y:\n in.txt\n out.txt\n'
def zep_file(points, delt, eol='\r\n'):
    lines = HDR + [zep_point(a, -c, (i) * delt) for i, (a, b, c) in enumerate(points)]
    return ''.join(l + eol for l in lines).encode()

# The worked run: 11 header lines, the heading, 1001 data lines; the real unix2dos.
pts = []
for i in range(1001):
    t = i * 1.6 / 0.1 / 1001
    e = -0.2 + 0.1 * t if t <= 8 else 0.6 - 0.1 * (t - 8)
    pts.append((float('%.7E' % e), float('%.7E' % t), float('%.7E' % (1e-6 * math.sin(t) + 2e-7 * math.sin(50 * t)))))
hdr = ['DigiElch export', 'Mechanism E', 'Area 0.0707', 'T 298.15', 'Estart -0.2', 'Evertex 0.6',
       'Eend -0.2', 'Scan rate 0.1', 'Amplitude 10', 'Periods 50', 'Points 1001']
export = crlf(*(hdr + ['number\tE/V\tt/s\tI/A'] + ['%.7E\t%.7E\t%.7E' % p for p in pts]))
delt = 1.6 / 100.1
mkcase('vantor', 'worked-run', {'vantor.inp': CTL, 'in.txt': export},
       V + NAMES + summary(1001, 12, 10.0, 3.125, delt) + TAIL,
       'unix2dos: converting file out.txt to DOS format...\n', 0,
       {'vantor.inp': CTL, 'in.txt': export, 'out.txt': zep_file(pts, delt)}, real_unix2dos=True)

# The worked export: its three data lines.
wpts = [(-0.2, 0.0, 1.5E-6), (0.6, 0.1, -2.5E-7), (-0.2, 0.2, 0.0)]
wexp = lf('DigiElch export', 'second header line', 'numbers E t I', '-0.2 0.0 1.5E-6', '0.6 0.1 -2.5E-7', '-0.2 0.2 0.0')
d3 = 1.6 / 0.3
mkcase('vantor', 'worked-export', {'vantor.inp': CTL, 'in.txt': wexp},
       V + NAMES + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
       {'in.txt': wexp, 'out.txt': zep_file(wpts, d3)})
assert zep_file(wpts, d3).decode().split('\r\n')[41:44] == ['-0.200000E+00  -0.150000E-05   0.000000E+00',
    ' 0.600000E+00   0.250000E-06   0.533333E+01', '-0.200000E+00   0.000000E+00   0.106667E+02']

# A heading with a capital N is no heading: the end of the export, no output file.
nexp = crlf('header', 'Number E t I', '1 2 3')
mkcase('vantor', 'capitalised-heading', {'vantor.inp': CTL, 'in.txt': nexp},
       V + NAMES, report('list in: end of file', 2, 'in.txt'), 134, {'in.txt': nexp})

# No data lines: the header block alone; delt is the quotient by zero.
hexp = crlf('header', 'number E t I')
mkcase('vantor', 'no-data-lines', {'vantor.inp': CTL, 'in.txt': hexp},
       V + NAMES + summary(0, 2, 10.0, 3.125, math.inf) + TAIL, '', 0,
       {'in.txt': hexp, 'out.txt': zep_file([], 0.0)})

# A last line without a line end: counted when it ends right after its third number.
for name, last, counted in [('last-line-unended', b'0.3 9 7E-7', True),
                            ('last-line-unended-fourth-number', b'0.3 9 7E-7 5', False),
                            ('last-line-unended-cr', b'0.3 9 7E-7\r', False)]:
    body = lf('header', 'number E t I', '0.1 1 1E-7', '0.2 2 2E-7') + last
    p = [(0.1, 1, 1E-7), (0.2, 2, 2E-7)] + ([(0.3, 9, 7E-7)] if counted else [])
    dl = 1.6 / (len(p) * 0.1)
    mkcase('vantor', name, {'vantor.inp': CTL, 'in.txt': body},
           V + NAMES + summary(len(p), 2, 10.0, 3.125, dl) + TAIL, '', 0,
           {'in.txt': body, 'out.txt': zep_file(p, dl)})

# Four numbers on a line: the first three count. LF-only: a two-number line takes its third
# number from the next line.
body = lf('header', 'number', '0.1 1 1E-7 99', '0.2 2', '2E-7', '0.3 3 3E-7')
p = [(0.1, 1, 1E-7), (0.2, 2, 2E-7), (0.3, 3, 3E-7)]
mkcase('vantor', 'lf-export-short-and-long-lines', {'vantor.inp': CTL, 'in.txt': body},
       V + NAMES + summary(3, 2, 10.0, 3.125, 1.6 / 0.3) + TAIL, '', 0,
       {'in.txt': body, 'out.txt': zep_file(p, 1.6 / 0.3)})

# CR LF: an empty line among the data, or a two-number line, is the reading failure.
for name, bad in [('crlf-export-empty-line', ''), ('crlf-export-two-numbers', '0.2 2')]:
    body = crlf('header', 'number', '0.1 1 1E-7', bad, '0.3 3 3E-7')
    mkcase('vantor', name, {'vantor.inp': CTL, 'in.txt': body},
           V + NAMES, report('invalid number: incomprehensible list input', 2, 'in.txt'), 134, {'in.txt': body})

# An older, longer output is cut after the new content.
old = b'x' * 100000
mkcase('vantor', 'longer-output-replaced', {'vantor.inp': CTL, 'in.txt': wexp, 'out.txt': old},
       V + NAMES + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
       {'in.txt': wexp, 'out.txt': zep_file(wpts, d3)})

# The output named like the export is refused; the export stays as it was.
same = ['in.txt', 'in.txt'] + ctl[2:]
mkcase('vantor', 'output-named-like-export', {'vantor.inp': crlf(*same), 'in.txt': wexp},
       V + ' Converting X to Y:\n in.txt\n in.txt\n' + summary(3, 3, 10.0, 3.125, d3),
       report('open: file already connected to unit 2', 25, 'in.txt', fmt='list io', writing=True), 134,
       {'in.txt': wexp})

# Names that a shell would read as commands stay names.
for out in ['o;touch${IFS}x', 'o$(touch${IFS}x)', "o'q`touch${IFS}x`"]:
    c = [ctl[0], out] + ctl[2:]
    mkcase('vantor', 'shell-name-' + ''.join(ch if ch.isalnum() else '_' for ch in out),
           {'vantor.inp': crlf(*c), 'in.txt': wexp},
           V + ' Converting X to Y:\n in.txt\n ' + out + '\n' + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
           {'in.txt': wexp, out: zep_file(wpts, d3)})

# A quoted name 'a b' cuts to "a" and a blank; the file opened is "a", and unix2dos is given "a".
c = [ctl[0], "'a b'"] + ctl[2:]
mkcase('vantor', 'output-name-ending-in-a-blank', {'vantor.inp': crlf(*c), 'in.txt': wexp},
       V + ' Converting X to Y:\n in.txt\n a \n' + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
       {'in.txt': wexp, 'a': zep_file(wpts, d3)})

# An output directory that does not exist: the open failure with the system's text.
# A slash ends a free-form item, so a path is quoted; a quoted item has no CR, so it carries one
# spare character for the cut to drop.
c = [ctl[0], "'nodir/out.txt_'"] + ctl[2:]
mkcase('vantor', 'output-directory-missing', {'vantor.inp': crlf(*c), 'in.txt': wexp},
       V + ' Converting X to Y:\n in.txt\n nodir/out.txt\n' + summary(3, 3, 10.0, 3.125, d3),
       report('open: No such file or directory', 25, 'nodir/out.txt', writing=True), 134, {'in.txt': wexp})

# unix2dos failing, or not found at all: whatever the shell says, then the silent stop, status 0.
for tools, err in [('failing', 'unix2dos: cannot convert out.txt\n'), ('none', 'sh: 1: unix2dos: not found\n')]:
    mkcase('vantor', 'unix2dos-' + tools, {'vantor.inp': CTL, 'in.txt': wexp},
           V + NAMES + summary(3, 3, 10.0, 3.125, d3) + TAIL, err, 0,
           {'in.txt': wexp, 'out.txt': zep_file(wpts, d3, eol='\n')})
    open(os.path.join(ROOT, 'vantor', 'unix2dos-%s' % tools, 'tools'), 'w').write(tools + '\n')

# Names cut to nothing: a null item (a leading comma), or 72 characters without a blank. The
# console shows an empty item; the open fails as an empty name; nothing outside a buffer.
for name, line in [('name-null-item', ',in.txt'), ('name-without-blank', 'n' * 80)]:
    c = [line] + ctl[1:]
    mkcase('vantor', name, {'vantor.inp': crlf(*c)},
           V + ' Converting X to Y:\n \n out.txt\n', report('open: null file name', 2, None), 134,
           {'vantor.inp': crlf(*c)})

# The worked export again under a locale with a decimal comma: no byte changes.
mkcase('vantor', 'decimal-comma-locale', {'vantor.inp': CTL, 'in.txt': wexp},
       V + NAMES + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
       {'in.txt': wexp, 'out.txt': zep_file(wpts, d3)})
open(os.path.join(ROOT, 'vantor', 'decimal-comma-locale', 'locale'), 'w').write('de_DE.UTF-8\n')

# ---- The argument form: no control file read, the same conversion --------------------------------

# Options in both forms, before, between and after the names: the worked export's bytes and
# console. The vantor.inp beside it names other files with LF ends; were it read, the run would
# fail on a cut name.
ARGS = ['--vscan', '0.1', 'in.txt', '--estart=-0.2', '--evertex', '0.6', '--eend', '-0.2', 'out.txt',
        '--amp=10.0', '--nper', '50']
other = lf('other.txt', 'other.zep', '1', '2', '3', '4', '5', '6')
mkcase('vantor', 'arguments', {'vantor.inp': other, 'in.txt': wexp},
       V + NAMES + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
       {'vantor.inp': other, 'in.txt': wexp, 'out.txt': zep_file(wpts, d3)}, args=ARGS)

# Names with blanks and commas, in another folder, longer than a control line could hold: used
# as given, shown whole, one word each for the shell.
inn = 'runs/sweep 1, scan 0.1 V per s.txt'
outn = 'runs/sweep 1, scan 0.1 V per s, estart -0.2 V, evertex 0.6 V, eend -0.2 V, 10 mV, 50 periods.zep'
assert len(outn) > 72
mkcase('vantor', 'arguments-names-with-blanks', {inn: wexp},
       V + ' Converting X to Y:\n %s\n %s\n' % (inn, outn) + summary(3, 3, 10.0, 3.125, d3) + TAIL, '', 0,
       {inn: wexp, outn: zep_file(wpts, d3)}, args=ARGS[:2] + ARGS[3:8] + ARGS[9:] + ['--', inn, outn])

# --columns E,I with the control file: the two-value export that current DigiElch writes gives
# the ZEP file of the three-value worked export with the same E and I.
two = crlf('DigiElch export', 'number of E (V), I (A) couples: 3', '-0.2 1.5E-6', '0.6 -2.5E-7', '-0.2 0.0')
mkcase('vantor', 'columns-two-values', {'vantor.inp': CTL, 'in.txt': two},
       V + NAMES + summary(3, 2, 10.0, 3.125, d3) + TAIL, '', 0,
       {'vantor.inp': CTL, 'in.txt': two, 'out.txt': zep_file(wpts, d3)}, args=['--columns', 'E,I'])

# A wrong command line: the message, the hint, status 2, and the folder as it was.
def refused(name, args, message):
    mkcase('vantor', 'refused-' + name, {'vantor.inp': CTL, 'in.txt': wexp}, '',
           "vantor: %s\nTry 'vantor --help'.\n" % message, 2, {'vantor.inp': CTL, 'in.txt': wexp}, args=args)
refused('decimal-comma', ARGS[:1] + ['0,1'] + ARGS[2:],
        "--vscan '0,1' is not a number: write a point, not a comma, before the decimals")
refused('unit-after-value', ['--vscan=0.1V'] + ARGS[2:],
        "--vscan '0.1V' is not a number: give the scan rate in V/s alone, without a unit or other text")
refused('periods-not-whole', ARGS[:11] + ['50.0'],
        "--nper '50.0' is not a whole number: give the number of AC periods without a point or an "
        "exponent, such as 50")
refused('value-missing', ARGS[:9] + ARGS[10:],
        "missing --amp: with EXPORT and OUTPUT, give every value as an option")
refused('value-without-names', ['--vscan', '0.1'],
        "--vscan is given without EXPORT and OUTPUT: give both names and every value, or no value "
        "to convert as vantor.inp says")
refused('third-name', ARGS + ['more.txt'], "a third name 'more.txt': give EXPORT and OUTPUT only")
refused('columns-without-current', ['--columns', 'E,t'],
        "--columns 'E,t': name E (potential) and I (current) once each, such as E,I or E,t,I")
