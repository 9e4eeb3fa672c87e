# Writes golden cases: mkcase(program, name, inputs, stdout, stderr, exit, outputs, gone, args).
# The generators beside this file build every case from the rules and from an independent
# formulation of the number forms below, never from running the programs. Run one of them
# (python3 vantor_cases.py) to write its cases again.
import os, shutil
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'cases')
def crlf(*lines): return ''.join(l + '\r\n' for l in lines).encode()
def lf(*lines): return ''.join(l + '\n' for l in lines).encode()
def mkcase(program, name, inputs, stdout, stderr, exit, outputs={}, gone=(), real_unix2dos=False,
           args=()):
    d = os.path.join(ROOT, program, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    if inputs:
        os.makedirs(d + '/in')
        for k, v in inputs.items():
            os.makedirs(os.path.dirname(os.path.join(d, 'in', k)), exist_ok=True)
            open(os.path.join(d, 'in', k), 'wb').write(v)
    if outputs:
        os.makedirs(d + '/out')
        for k, v in outputs.items():
            os.makedirs(os.path.dirname(os.path.join(d, 'out', k)), exist_ok=True)
            open(os.path.join(d, 'out', k), 'wb').write(v)
    open(d + '/stdout', 'wb').write(stdout if isinstance(stdout, bytes) else stdout.encode())
    open(d + '/stderr', 'wb').write(stderr if isinstance(stderr, bytes) else stderr.encode())
    open(d + '/exit', 'w').write('%d\n' % exit)
    if gone: open(d + '/gone', 'w').write(''.join(g + '\n' for g in gone))
    if real_unix2dos: open(d + '/real-unix2dos', 'w').write('')
    if args: open(d + '/args', 'w').write(''.join(a + '\n' for a in args))
def report(first, unit, name, fmt='list io', writing=False):
    s = first + '\n' + 'apparent state: unit %d ' % unit + ('named ' + name if name else '(unnamed)') + '\n'
    if fmt: s += 'last format: ' + fmt + '\n'
    return s + 'lately %s sequential formatted external IO\n' % ('writing' if writing else 'reading')
VANTOR_BANNER = '\n Converter from DigiElch to ZEP format\n XQ 28/1/2011\n\n'
PRESSIK_BANNER = '\n Converter from DigiElch7.use to ZEP format\n XQ 22/11/2011\n\n'

# An independent oracle for the 13-character E field and the console real, from Python's
# correctly rounded formatting.
import math
def efield(v, w=13, d=6):
    if math.isnan(v): return ('NAN').rjust(w)
    if math.isinf(v): return (('-' if v < 0 else '') + 'INF').rjust(w)
    s = 1 if v < 0 else 0
    m = abs(v)
    if m == 0:
        digits, q = '0' * d, 0
    else:
        t = '%.*E' % (d - 1, m)
        mant, p = t.split('E')
        digits, q = mant.replace('.', ''), int(p) + 1
    exp = ('E%+03d' % q) if abs(q) <= 99 else ('%+04d' % q)
    r = w - (d + 5 + s)
    if r < 0: return '*' * w
    return ' ' * (r - 1) + ('-' if s else '') + ('0' if r > 0 else '') + '.' + digits + exp
def zep_point(a, b, c): return efield(a) + '  ' + efield(b) + '  ' + efield(c)
def zep_header(estart, evertex, eend, vscan, amp, freq):
    D = lambda label, v: label + ' ' + efield(v)
    recs = ['cvsin_type_2  ', D('Start(mV):    ', 1000.0*estart), D('End(mV):      ', 1000.0*eend),
            D('Max(mV):      ', 1000.0*evertex), D('Min(mV):      ', 1000.0*(evertex if evertex < estart else estart))]
    for k in range(1, 9):
        recs += [D(('Freq%d(Hz):' % k).ljust(14), freq if k == 1 else 0.0),
                 D(('Amp%d(mV):' % k).ljust(14), amp if k == 1 else 0.0),
                 D(('Phase%d(deg):' % k).ljust(14), 0.0)]
    recs += ['Type(0-4):      4 ', D('Rate(mV/s):   ', 1000.0*vscan), 'Direction:      c ', 'Scans:  1',
             'Average:        19', 'Gain(0-4):      1 ', D('Initial(mV):  ', 1000.0*estart),
             D('Initial(mS):  ', 10000.0), D('Pre(mV):      ', 0.0), D('Pre(ms):      ', 0.0),
             D('Post(mV):     ', 0.0), D('Post(ms):     ', 0.0)]
    assert len(recs) == 41
    return recs
def lreal(x):
    if x == 0: return '  0.'
    t = ' ' + ('-' if x < 0 else ' ')
    n = '%.9G' % abs(x)
    if n[0] not in 'NnIi' and '.' not in n:
        n = n.replace('E', '.E') if 'E' in n else n + '.'
    return t + n
