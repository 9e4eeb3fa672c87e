# SUPERSEDED for new cases: golden cases of --check are now made by blessing what the programs
# print (tests/e2e/run_case --bless PROGRAM CASE_DIR, the diff reviewed). Cases this file once
# wrote whose texts the check has since changed were blessed again and must not be rewritten from
# here: vantor check-capitalised-heading, check-data-lines, check-lf-control,
# check-lf-short-line-text-after-data, check-name-control-byte, check-sweep-not-the-export;
# pressik check-derived-not-numbers, check-two-values-a-line.
#
# Golden cases of --check, --help and a wrong argument, for the three programs. The
# findings and the summary are written out here from the reading rules of the conversions, the
# number forms of mkcase and the texts of the check; never from running the programs. Every case
# expects its input files unchanged and nothing else in the folder: a check writes no file.
from mkcase import *
import math, os



def num(x):
    return lreal(x).strip()


def div(a, b):
    # IEEE quotient without traps.
    if b == 0.0:
        return math.nan if a == 0.0 or math.isnan(a) else math.copysign(math.inf, a) * math.copysign(1.0, b)
    return a / b


def shown(name):
    if isinstance(name, str): name = name.encode('latin-1')
    return "'" + ''.join(chr(c) if 32 <= c < 127 and c != 92 else '\\x%02X' % c for c in name) + "'"


def sline(label, value):
    return '  ' + label.ljust(14) + ' ' + value + '\n'


def finding(place, severity, text):
    return '%s: %s: %s\n' % (place, severity, text)


def check(prog, name, inputs, findings, summary, exit, tools=None):
    # The control file's findings first, then the export's, then Header.txt's; each file's by line,
    # a finding about the whole file first.
    def key(text):
        place = text.split(': ')[0].split(':')
        return (['colbrand.inp', 'vantor.inp', 'pressik.inp'].count(place[0]) == 0, place[0] == 'Header.txt',
                int(place[1]) if len(place) > 1 else 0)
    findings = sorted(findings, key=key)
    stdout = ''.join(findings) + ('\n' if findings else '') + 'What %s will do:\n' % prog + summary
    mkcase(prog, name, inputs, stdout, '', exit, dict(inputs), args=['--check'])
    if tools: open(os.path.join(ROOT, prog, name, 'tools'), 'w').write(tools + '\n')


# ---- Texts of the findings ------------------------------------------------------------------

def heading_note(prog, export, line, text):
    return finding('%s:%d' % (export, line), 'note',
                   'the column heading %s takes: %s; the data lines follow it' % (prog, shown(text)))


def lf_name(prog, ctl, line, visible, what):
    return finding('%s:%d:%d' % (ctl, line, len(visible)), 'warning',
                   "this line ends in LF only, not CR LF: %s drops a name's last character, which with CR LF "
                   "ends is the carriage return; here it is %s, and %s opens %s as the %s; give %s CR LF line "
                   "ends (unix2dos %s)" % (prog, shown(visible[-1]), prog, shown(visible[:-1]), what, ctl, ctl))


def no_export(ctl, line, name, stop='list in: end of file', created=True):
    return finding('%s:%d' % (ctl, line), 'error',
                   'there is no export %s: the conversion would %sstop with "%s"; correct the name on this line'
                   % (shown(name), 'create it empty and ' if created else '', stop))


def stops(place, first, why=''):
    return finding(place, 'error', 'the conversion stops here with "%s"%s' % (first, why))


def replaced(ctl, line, out):
    return finding('%s:%d' % (ctl, line), 'note',
                   'the output %s exists and will be replaced: its old content is lost' % shown(out))


NO_NUMBER_HEADING = (": no line's first word begins with 'number', so the search for the column heading reads "
                     "to the end of the export")


# ---- vantor and pressik --------------------------------------------------------------------

CTL = ['in.txt', 'out.txt', '0.1', '-0.2', '0.6', '-0.2', '10.0', '50']
VALS = (0.1, -0.2, 0.6, -0.2, 10.0, 50)
# The worked export: two header lines, the heading, three data lines, LF ends.
WEXP = lf('DigiElch export', 'second header line', 'numbers E t I', '-0.2 0.0 1.5E-6', '0.6 0.1 -2.5E-7',
          '-0.2 0.2 0.0')
WPTS = [(-0.2, 0.0, 1.5E-6), (0.6, 0.1, -2.5E-7), (-0.2, 0.2, 0.0)]


def zep_control(prog, inname='in.txt', outname='out.txt', vals=VALS, ends='CR LF line ends'):
    vscan, estart, evertex, eend, amp, nper = vals
    s = sline('control file', '%s.inp (%s)' % (prog, ends))
    s += sline('export', shown(inname) + ' (line 1)') + sline('output', shown(outname) + ' (line 2)')
    for k, (label, v, unit) in enumerate([('vscan', vscan, ' V/s'), ('estart', estart, ' V'),
                                          ('evertex', evertex, ' V'), ('eend', eend, ' V'), ('amp', amp, ' mV')]):
        s += sline(label, num(v) + unit + ' (line %d)' % (k + 3))
    s += sline('nper', '%d (line 8)' % nper)
    erange = abs(estart - evertex) + abs(eend - evertex)
    return s + sline('erange', num(erange) + ' V') + sline('freq', num(div(nper * vscan, erange)) + ' Hz')


def zep_delt(prog, npts, vals=VALS):
    vscan, estart, evertex, eend = vals[:4]
    erange = abs(estart - evertex) + abs(eend - evertex)
    return div(erange, float(npts - 1 if prog == 'pressik' else npts) * vscan)


def zep_export(prog, heading_line, heading, points, npts=None, vals=VALS, nhead=None, export='in.txt'):
    # points: the (E, -I) pairs as converted.
    npts = len(points) if npts is None else npts
    delt = zep_delt(prog, npts, vals)
    s = sline('delt', num(delt) + ' s')
    s += sline('header lines', '%d' % heading_line +
               (' ("Header length = %d")' % (heading_line if nhead is None else nhead) if prog == 'vantor' else ''))
    s += sline('heading', '%s:%d: %s' % (export, heading_line, shown(heading)))
    s += sline('points', '%d ("Found %d data points")' % (npts, npts) +
               (', %d written' % len(points) if len(points) != npts else ''))
    if points:
        s += sline('first point', 'E %s V, -I %s A, t 0. s' % (num(points[0][0]), num(points[0][1])))
        s += sline('last point', 'E %s V, -I %s A, t %s s' % (num(points[-1][0]), num(points[-1][1]),
                                                             num(float(len(points) - 1) * delt)))
    return s


def zep_done(out='out.txt', points=3, fate='created'):
    return (sline('output file', '%s is %s: 41 header records and %d data lines' % (shown(out), fate, points)) +
            sline('then', 'unix2dos ' + out) + sline('result', 'the conversion completes (exit status 0)'))


def zep_fails(out, stop, where='', opened=False):
    return (sline('output file', shown(out) + (' cannot be opened or written' if opened else ' is not opened')) +
            sline('result', 'the conversion fails%s with "%s" (exit status 134)' % (where, stop)))


WP = [(e, -i) for e, t, i in WPTS]
for prog in ['vantor', 'pressik']:
    # A sound run: the heading, the summary, status 0.
    check(prog, 'check-worked-export', {prog + '.inp': crlf(*CTL), 'in.txt': WEXP},
          [heading_note(prog, 'in.txt', 3, 'numbers E t I')],
          zep_control(prog) + zep_export(prog, 3, 'numbers E t I', WP) + zep_done(), 0)

# LF line ends: both names lose their last character; the export so named does not exist.
check('vantor', 'check-lf-control', {'vantor.inp': lf(*CTL), 'in.txt': WEXP},
      [lf_name('vantor', 'vantor.inp', 1, 'in.txt', 'export'), no_export('vantor.inp', 1, 'in.tx'),
       lf_name('vantor', 'vantor.inp', 2, 'out.txt', 'output')],
      zep_control('vantor', 'in.tx', 'out.tx', ends='LF line ends') +
      zep_fails('out.tx', 'list in: end of file') .replace('(exit status 134)', "(exit status 134); an empty 'in.tx' is left behind"), 2)

# Output lines that give another name than they show.
for case, line, cut, column, why in [
        ('check-name-comment', 'out.txt ! the ZEP file', 'out.tx', 8,
         'the name ends at this blank, so it has no carriage return and loses its last character: vantor opens '
         "'out.tx' as the output; put nothing after the name on its line, and no blank inside a name"),
        ('check-name-quoted', "'out.txt'", 'out.tx', 1,
         "a quoted name has no carriage return inside its quotes, so its last character is dropped: vantor opens "
         "'out.tx' as the output; write one spare last character inside the quotes ('out.txt_') or, without a "
         "slash, comma or blank in it, no quotes"),
        ('check-name-slash', 'res/out.txt', 're', 4,
         "the name ends at this slash: vantor reads 'res' and drops its last character: vantor opens 're' as the "
         "output; quote a name with a slash or comma and give it one spare last character inside the quotes: "
         "'res/out.txt_'"),
        ('check-name-control-byte', 'out\x01.txt', 'out\x01.txt', 4,
         "the name holds a byte that does not show ('\\x01'): vantor opens 'out\\x01.txt' as the output; retype "
         "the name")]:
    c = [CTL[0], line] + CTL[2:]
    check('vantor', case, {'vantor.inp': crlf(*c), 'in.txt': WEXP},
          [heading_note('vantor', 'in.txt', 3, 'numbers E t I'), finding('vantor.inp:2:%d' % column, 'warning', why)],
          zep_control('vantor', outname=cut) + zep_export('vantor', 3, 'numbers E t I', WP) + zep_done(cut), 1)

# A name cut to nothing: the open of an empty name.
c = [',in.txt'] + CTL[1:]
check('vantor', 'check-name-null-item', {'vantor.inp': crlf(*c)},
      [finding('vantor.inp:1:1', 'error',
               "the line begins with a comma, which gives no name: the export's name is cut to nothing, and the "
               'conversion stops with "open: null file name"; write the name at the start of the line, CR LF ended')],
      zep_control('vantor', '') + zep_fails('out.txt', 'open: null file name'), 2)

# A byte-order mark: the export's name begins with it.
BOM = b'\xef\xbb\xbf'
check('vantor', 'check-bom-control', {'vantor.inp': BOM + crlf(*CTL), 'in.txt': WEXP},
      [finding('vantor.inp:1:1', 'warning',
               'the file begins with a UTF-8 byte-order mark (bytes EF BB BF), invisible in most editors: the '
               "conversion reads it as the first characters of line 1, so the export's name begins with it; save "
               'vantor.inp without it'),
       no_export('vantor.inp', 1, BOM + b'in.txt')],
      zep_control('vantor', BOM + b'in.txt') +
      zep_fails('out.txt', 'list in: end of file').replace(
          '(exit status 134)', "(exit status 134); an empty '\\xEF\\xBB\\xBFin.txt' is left behind"), 2)

# What data lines hold: a mark, a decimal comma, a special value, four values, an unended last line
# with a fourth value (the skip past it meets the end of the file: not counted). Two statements in
# a row take the same three values from the line with the comma: -0, 2 and 0.0.
sexp = BOM + crlf('DigiElch export', 'number E t I', '-0,2 0.0 1.5E-6', '0.6 0.1 1.#INF', '-0.2 0.2 0.0 7') + \
    b'0.1 0.3 1E-7 5'
check('vantor', 'check-data-lines', {'vantor.inp': crlf(*CTL), 'in.txt': sexp},
      [finding('in.txt:1:1', 'warning',
               'the file begins with a UTF-8 byte-order mark (bytes EF BB BF): the conversion reads them as the '
               'first characters of line 1; save the export without it'),
       heading_note('vantor', 'in.txt', 2, 'number E t I'),
       finding('in.txt:3:3', 'warning',
               "a decimal comma: the conversion takes the comma for a separator between two values, so '-0,2' "
               'becomes two numbers; export with a decimal point'),
       finding('in.txt:4:11', 'warning',
               "'1.#INF' is no plain number: the conversion reads only the leading 1. and the rest is no number (a "
               'special value such as 1.#INF, or a unit); write every value as a plain number'),
       finding('in.txt:5', 'note',
               '2 data lines hold more than 3 values, the first here: vantor reads the first 3 and ignores the rest '
               'of the line'),
       finding('in.txt:6', 'warning',
               'the last line has no line end: the conversion does not count or convert it (the read past its last '
               'value meets the end of the file); end the file with a line end')],
      zep_control('vantor') + zep_export('vantor', 2, 'number E t I', [(-0.0, -0.0), (0.6, -1.0), (-0.2, -0.0)]) +
      zep_done(), 1)

# A header line that begins with "number" is taken for the heading; the real one is no number.
hexp = crlf('DigiElch export', 'number of points: 3', 'E t I', '-0.2 0.0 1.5E-6', '0.6 0.1 -2.5E-7')
check('vantor', 'check-heading-number-of-points', {'vantor.inp': crlf(*CTL), 'in.txt': hexp},
      [heading_note('vantor', 'in.txt', 2, 'number of points: 3'),
       finding('in.txt:3', 'warning',
               "this line follows the line vantor takes for the column heading (line 2: 'number of points: 3') but "
               "holds no number: the heading is the first line whose first word begins with 'number'; if the real "
               'column heading comes later, reword that header line'),
       stops('in.txt:3:1', 'invalid number: incomprehensible list input', ": 'E' stands where a number is due")],
      zep_control('vantor') + sline('header lines', '2 ("Header length = 2")') +
      sline('heading', "in.txt:2: 'number of points: 3'") +
      zep_fails('out.txt', 'invalid number: incomprehensible list input', ' at in.txt:3'), 2)

# No heading at all, and one with a capital N.
nexp = crlf('header', 'Number E t I', '1 2 3')
check('vantor', 'check-capitalised-heading', {'vantor.inp': crlf(*CTL), 'in.txt': nexp},
      [stops('in.txt:3', 'list in: end of file', NO_NUMBER_HEADING +
             "; line 2 begins with 'Number', and the heading must begin with a lower-case 'number'")],
      zep_control('vantor') + zep_fails('out.txt', 'list in: end of file', ' at in.txt:3'), 2)

# CR LF and a line of two numbers: the carriage return stands where the third is due.
texp = crlf('header', 'number', '0.1 1 1E-7', '0.2 2', '0.3 3 3E-7')
check('vantor', 'check-crlf-two-numbers', {'vantor.inp': crlf(*CTL), 'in.txt': texp},
      [heading_note('vantor', 'in.txt', 2, 'number'),
       stops('in.txt:4:6', 'invalid number: incomprehensible list input',
             ': this line holds 2 values where 3 are due, and with CR LF line ends its carriage return stands where '
             'the next value is looked for')],
      zep_control('vantor') + sline('header lines', '2 ("Header length = 2")') + sline('heading', "in.txt:2: 'number'") +
      zep_fails('out.txt', 'invalid number: incomprehensible list input', ' at in.txt:4'), 2)

# LF: a short line takes its missing value from the next; text after the data stops the run.
lexp = lf('header', 'number', '-0.2 0 1E-7', '0.6 1', '2E-7', '-0.2 2 3E-7', 'End of data')
check('vantor', 'check-lf-short-line-text-after-data', {'vantor.inp': crlf(*CTL), 'in.txt': lexp},
      [heading_note('vantor', 'in.txt', 2, 'number'),
       finding('in.txt:4', 'warning',
               'this data line holds 2 values where vantor reads 3: with LF line ends the missing values are taken '
               'from the next line, so the points after it are misaligned (2 short lines in all); give every data '
               'line 3 values'),
       stops('in.txt:7:1', 'invalid number: incomprehensible list input',
             ": 'End' stands where a number is due; this is text after the data lines: the export must end right "
             'after the line end of its last data line')],
      zep_control('vantor') + sline('header lines', '2 ("Header length = 2")') + sline('heading', "in.txt:2: 'number'") +
      zep_fails('out.txt', 'invalid number: incomprehensible list input', ' at in.txt:7'), 2)

# Two values a line, as DigiElch exports of E and I: pressik counts them, then reads three a point.
two = lf('header', 'number', '-0.2 1E-6', '0.6 2E-6', '-0.2 3E-6', '0.2 4E-6')
check('pressik', 'check-two-values-a-line', {'pressik.inp': crlf(*CTL), 'in.txt': two},
      [finding('in.txt', 'warning',
               'pressik reports 4 points but writes only 2: its conversion reads three values per point where its '
               'count reads two'),
       heading_note('pressik', 'in.txt', 2, 'number'),
       finding('in.txt:3', 'warning',
               'every data line holds two values, as current DigiElch text exports of E and I do, and pressik reads '
               'three per point (potential, time, current): the values shift from line to line, and every point '
               'after this line is misaligned; colbrand is the program that reads two-value records')],
      zep_control('pressik') + zep_export('pressik', 2, 'number', [(-0.2, -0.6), (-0.2, -0.2)], npts=4) +
      zep_done(points=2), 1)

# UTF-16: the heading is never found.
u16 = b'\xff\xfe' + 'number E t I\r\n1 2 3\r\n'.encode('utf-16-le')
check('vantor', 'check-utf16-export', {'vantor.inp': crlf(*CTL), 'in.txt': u16},
      [finding('in.txt:1:1', 'error',
               'the file begins with a UTF-16 byte-order mark: it is UTF-16 text, two bytes a character, which the '
               'conversion cannot read; save the export as plain text (ANSI or UTF-8)'),
       stops('in.txt:3', 'read start: end of file', NO_NUMBER_HEADING + '; is this an export of the right kind?')],
      zep_control('vantor') + zep_fails('out.txt', 'read start: end of file', ' at in.txt:3'), 2)

# Control values that make freq and delt no numbers, and a sweep the data does not run.
zc = ['in.txt', 'out.txt', '0', '-0.2', '-0.2', '-0.2', '10.0', '50']
zv = (0.0, -0.2, -0.2, -0.2, 10.0, 50)
check('pressik', 'check-derived-not-numbers', {'pressik.inp': crlf(*zc), 'in.txt': WEXP},
      [heading_note('pressik', 'in.txt', 3, 'numbers E t I'),
       finding('in.txt', 'warning',
               'the first column runs from -0.2 to 0.6 V, but pressik.inp gives a sweep from -0.2 to -0.2 V (estart, '
               'evertex, eend): is the control file written for another export?'),
       finding('pressik.inp:3', 'warning',
               'vscan is 0: freq is NAN and delt NAN, and the ZEP file shows them so; give the scan rate in V/s'),
       finding('pressik.inp:4', 'warning',
               'estart, evertex and eend are equal: the potential range erange is 0, so freq is NAN and delt NAN, and '
               'the ZEP file shows them so; check lines 4 to 6')],
      zep_control('pressik', vals=zv) + zep_export('pressik', 3, 'numbers E t I', WP, vals=zv) + zep_done(), 1)
oexp = lf('header', 'number', '-0.2 0.0 1.5E-6')
check('pressik', 'check-one-point', {'pressik.inp': crlf(*CTL), 'in.txt': oexp},
      [finding('in.txt', 'warning',
               'the export gives 1 point, so delt = erange / ((npts - 1) * vscan) is INF and the times of the ZEP file '
               'are not numbers'),
       heading_note('pressik', 'in.txt', 2, 'number')],
      zep_control('pressik') + zep_export('pressik', 2, 'number', [(-0.2, -1.5E-6)]) + zep_done(points=1), 1)
sc = ['in.txt', 'out.txt', '0.1', '-0.5', '0.9', '-0.5', '10.0', '50']
sv = (0.1, -0.5, 0.9, -0.5, 10.0, 50)
check('vantor', 'check-sweep-not-the-export', {'vantor.inp': crlf(*sc), 'in.txt': WEXP},
      [finding('in.txt', 'warning',
               'the first column runs from -0.2 to 0.6 V, but vantor.inp gives a sweep from -0.5 to 0.9 V (estart, '
               'evertex, eend): is the control file written for another export?'),
       heading_note('vantor', 'in.txt', 3, 'numbers E t I')],
      zep_control('vantor', vals=sv) + zep_export('vantor', 3, 'numbers E t I', WP, vals=sv) + zep_done(), 1)

# The output: the export itself, an existing file, a folder that does not exist.
same = ['in.txt', 'in.txt'] + CTL[2:]
check('vantor', 'check-output-named-like-export', {'vantor.inp': crlf(*same), 'in.txt': WEXP},
      [heading_note('vantor', 'in.txt', 3, 'numbers E t I'),
       finding('vantor.inp:2', 'error',
               'the output is the export itself: the conversion refuses to open it ("open: file already connected '
               'to unit 2") and the export stays untouched; name another output file')],
      zep_control('vantor', outname='in.txt') + zep_export('vantor', 3, 'numbers E t I', WP) +
      zep_fails('in.txt', 'open: file already connected to unit 2', ' at vantor.inp:2', opened=True), 2)
check('vantor', 'check-output-exists', {'vantor.inp': crlf(*CTL), 'in.txt': WEXP, 'out.txt': b'old\n'},
      [replaced('vantor.inp', 2, 'out.txt'), heading_note('vantor', 'in.txt', 3, 'numbers E t I')],
      zep_control('vantor') + zep_export('vantor', 3, 'numbers E t I', WP) + zep_done(fate='replaced'), 0)
nd = [CTL[0], "'nodir/out.txt_'"] + CTL[2:]
check('vantor', 'check-output-directory-missing', {'vantor.inp': crlf(*nd), 'in.txt': WEXP},
      [heading_note('vantor', 'in.txt', 3, 'numbers E t I'),
       finding('vantor.inp:2', 'error',
               "the folder 'nodir' of the output does not exist: the conversion stops with \"open: No such file or "
               'directory"; create the folder or correct the name')],
      zep_control('vantor', outname='nodir/out.txt') + zep_export('vantor', 3, 'numbers E t I', WP) +
      zep_fails('nodir/out.txt', 'open: No such file or directory', ' at vantor.inp:2', opened=True), 2)

# No unix2dos on PATH.
check('vantor', 'check-unix2dos-none', {'vantor.inp': crlf(*CTL), 'in.txt': WEXP},
      [heading_note('vantor', 'in.txt', 3, 'numbers E t I'),
       finding('vantor.inp:2', 'warning',
               'unix2dos is not found on PATH: the shell reports "unix2dos: not found", the ZEP file keeps LF line '
               'ends and the exit status is still 0; install the dos2unix package')],
      zep_control('vantor') + zep_export('vantor', 3, 'numbers E t I', WP) +
      zep_done().replace('unix2dos out.txt', 'unix2dos out.txt (not found)'), 1, tools='none')

# No control file: reported, not created.
check('vantor', 'check-missing-control', {},
      [finding('vantor.inp', 'error',
               'there is no vantor.inp in this folder: the conversion would create it empty and stop with "list in: '
               'end of file"; run vantor in the folder of your export, next to its control file (eight lines: '
               'export, output, vscan, estart, evertex, eend, amp, nper; CR LF ends)')],
      sline('result', 'the conversion fails and leaves an empty vantor.inp behind'), 2)

# A number of periods with a point.
pc = CTL[:7] + ['50.0']
check('vantor', 'check-periods-with-a-point', {'vantor.inp': crlf(*pc), 'in.txt': WEXP},
      [stops('vantor.inp:8', 'invalid integer: read unexpected character',
             ': nper, the number of AC periods, must be a whole number (50, not 50.0)')],
      sline('control file', 'vantor.inp') +
      sline('result', 'the conversion fails at vantor.inp (invalid integer: read unexpected character); no output '
            'file is written'), 2)

# ---- colbrand ------------------------------------------------------------------------------

CCTL = ['in.txt', 'out.txt', '0.008']
CEXP = crlf('DigiSim export', 'number  E/V  I/A', '-0.2 1.5E-6', '0.6 -2.5E-7')
HEADER = lf('# DigiSim trace converted by colbrand')


def colbrand_summary(inname='in.txt', outname='out.txt', delt=0.008, ends='CR LF line ends'):
    return (sline('control file', 'colbrand.inp (%s)' % ends) + sline('export', shown(inname) + ' (line 1)') +
            sline('output', shown(outname) + ' (line 2)') + sline('delt', num(delt) + ' s (line 3)'))


def colbrand_points(points, delt=0.008):
    s = sline('header lines', '2') + sline('heading', "in.txt:2: 'number  E/V  I/A'")
    s += sline('points', '%d ("Found  %d points")' % (len(points), len(points)))
    s += sline('first point', 'E %s, -I %s, t 0.' % (num(points[0][0]), num(points[0][1])))
    s += sline('last point', 'E %s, -I %s, t %s' % (num(points[-1][0]), num(points[-1][1]),
                                                   num(float(len(points) - 1) * delt)))
    return s


def colbrand_done(n, out='out.txt', header=True):
    return (sline('output file', '%s is created: %s%d point lines'
                  % (shown(out), 'the bytes of Header.txt, then ' if header else 'no header, only ', n)) +
            sline('then', 'mv %s colbrand.XXXXXX; cat Header.txt colbrand.XXXXXX > %s; rm -f colbrand.XXXXXX'
                  % (out, out)) +
            sline('result', 'the conversion completes (exit status 0)'))


CP = [(-0.2, -1.5E-6), (0.6, 2.5E-7)]
check('colbrand', 'check-complete-run', {'colbrand.inp': crlf(*CCTL), 'in.txt': CEXP, 'Header.txt': HEADER},
      [heading_note('colbrand', 'in.txt', 2, 'number  E/V  I/A')],
      colbrand_summary() + colbrand_points(CP) + colbrand_done(2), 0)

# Header.txt missing, or without a line end after its last line.
for case, header, text in [
        ('check-no-header-file', None,
         finding('Header.txt', 'warning',
                 'there is no Header.txt in this folder: cat reports it missing, and the output holds the point lines '
                 'only, with exit status 0; put your header file here')),
        ('check-header-file-unended', b'# header\n# columns',
         finding('Header.txt:2', 'warning',
                 'the last line has no line end: the first point line is joined to it; end Header.txt with a line '
                 'end'))]:
    inputs = {'colbrand.inp': crlf(*CCTL), 'in.txt': CEXP}
    if header is not None: inputs['Header.txt'] = header
    check('colbrand', case, inputs, [heading_note('colbrand', 'in.txt', 2, 'number  E/V  I/A'), text],
          colbrand_summary() + colbrand_points(CP) + colbrand_done(2, header=header is not None), 1)

# The whole line is the name: a comment after it costs the name its last character.
cc = ['in.txt ! the export', 'out.txt', '0.008']
check('colbrand', 'check-name-comment', {'colbrand.inp': crlf(*cc), 'in.txt': CEXP, 'Header.txt': HEADER},
      [finding('colbrand.inp:1:7', 'warning',
               "the name ends at this blank, so it has no carriage return and loses its last character: colbrand "
               "opens 'in.tx' as the export; put nothing after the name on its line, and no blank inside a name"),
       no_export('colbrand.inp', 1, 'in.tx')],
      colbrand_summary('in.tx') + sline('output file', "'out.txt' is created, but without Header.txt: it holds "
                                        'the point lines written before the failure (an existing file '
                                        'keeps its bytes when none was)') +
      sline('result', "the conversion fails with \"list in: end of file\" (exit status 134); an empty 'in.tx' is "
            'left behind'), 2)

# The header file as the output: refused, and left as it is.
hc = ['in.txt', 'Header.txt', '0.008']
check('colbrand', 'check-output-is-header-file', {'colbrand.inp': crlf(*hc), 'in.txt': CEXP, 'Header.txt': HEADER},
      [finding('colbrand.inp:2', 'error',
               'the output is Header.txt, the header file itself: the conversion refuses it ("open: file is the '
               'header file Header.txt") and leaves it as it is; name another output file')],
      colbrand_summary(outname='Header.txt') + sline('output file', "'Header.txt' cannot be opened or written") +
      sline('result', 'the conversion fails at colbrand.inp:2 with "open: file is the header file Header.txt" '
            '(exit status 134)'), 2)

check('colbrand', 'check-missing-control', {},
      [finding('colbrand.inp', 'error',
               'there is no colbrand.inp in this folder: the conversion would create it empty and stop with "fmt: end '
               'of file"; run colbrand in the folder of your export, next to its control file (three lines: export, '
               'output, delt; CR LF ends)')],
      sline('result', 'the conversion fails and leaves an empty colbrand.inp behind'), 2)

# ---- --help and a wrong argument: no file is touched (--version: tests/e2e/CMakeLists.txt) -----------------------------

VANTOR_HELP = '''Usage: vantor [--check] [--columns LIST] --vscan V --estart V --evertex V
         --eend V --amp MV --nper N EXPORT OUTPUT
  or:  vantor [--check] [--columns LIST]
Converts a trace exported by DigiElch (releases before 7) into a ZEP trace file.

With EXPORT and OUTPUT it reads the export EXPORT and writes the ZEP file OUTPUT
(created, or replaced) from these values, and reads no control file:
  --vscan V    the scan rate (V/s)        --eend V   the end potential (V)
  --estart V   the start potential (V)    --amp MV   the AC amplitude (mV)
  --evertex V  the vertex potential (V)   --nper N   AC periods, a whole number
Without them it reads vantor.inp in the working directory: eight lines, CR LF ended,
one value at the start of each:
  1  the export to read              5  evertex, the vertex potential (V)
  2  the ZEP file to write           6  eend, the end potential (V)
  3  vscan, the scan rate (V/s)      7  amp, the AC amplitude (mV)
  4  estart, the start potential (V) 8  nper, AC periods, a whole number
Either way it writes the ZEP file, then runs unix2dos on it.

  --columns LIST  the roles of a data line's values, comma-separated: E the
                  potential, I the current, t the time, - ignored (default E,t,I;
                  E,I for two-value exports, E,I,t for time last); either form
  --check         read what the conversion reads, change no file, and report
                  what it will do and what will go wrong (exit status 0: all
                  well, 1: warnings, 2: the conversion would fail)
  --help          show this help
  --version       show the version

Manual: man vantor; the ZEP file: man 5 zep.
'''
mkcase('vantor', 'help', {}, VANTOR_HELP, '', 0, args=['--help'])
for prog in ['vantor', 'pressik', 'colbrand']:
    mkcase(prog, 'unrecognized-argument', {prog + '.inp': crlf(*CTL)},
           '', "%s: unrecognized argument '-check'\nTry '%s --help'.\n" % (prog, prog), 2,
           {prog + '.inp': crlf(*CTL)}, args=['-check'])
