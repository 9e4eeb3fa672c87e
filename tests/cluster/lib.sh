# Shared pieces of the cluster tests (sourced by bash): the table of a dozen rows with one
# broken, the comparison with a local run, and the daemons' start and certain stop.

absolute() { case $1 in /*) printf '%s\n' "$1" ;; *) printf '%s/%s\n' "$PWD" "$1" ;; esac; }
fail() { echo "FAILED: $*" >&2; exit 1; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
examples=$(cd "$here/../../examples" && pwd)

# use_programs DIR...: the programs' directories first on PATH (absolute, for every engine).
use_programs() {
  local dir
  for dir in "$@"; do PATH=$(cd "$dir" && pwd):$PATH; done
  export PATH LC_ALL=C
  command -v vantor >/dev/null || fail "no vantor in $*"
  command -v unix2dos >/dev/null || fail "unix2dos is not installed (Debian package dos2unix)"
}

# wait_for SECONDS COMMAND...: until COMMAND succeeds, at most SECONDS.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.5
  done
}

# stop_pids PID...: TERM to each process, KILL to those still there after 10 s.
stop_pids() {
  local pid i
  for pid in "$@"; do kill -TERM "$pid" 2>/dev/null; done
  for ((i = 0; i < 20; i++)); do
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && break; done || return 0
    sleep 0.5
  done
  for pid in "$@"; do kill -KILL "$pid" 2>/dev/null; done
  return 0
}

# free_ports N: N TCP ports on 127.0.0.1 that nothing listens on, one line.
free_ports() {
  local found=() port=$((20000 + RANDOM % 20000))
  while [ "${#found[@]}" -lt "$1" ]; do
    port=$((port + 1))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || found+=("$port")
  done
  echo "${found[@]}"
}

# make_table DIR BROKEN: DIR/runs.tsv, a dozen vantor rows with different AC signals, outputs
# in DIR/out/; row 7 is broken: with BROKEN "big" it alone converts the example export, the
# others a shorter sweep (every fourth point), so that under a file-size limit of 8 KiB its run
# alone fails, which its check cannot foresee; with "missing" its export is not there, so that
# its check refuses it.
make_table() {
  mkdir -p "$1/exports" "$1/out"
  cp "$examples/vantor/sweep.txt" "$1/exports/sweep.txt"
  { head -n 10 "$1/exports/sweep.txt"; printf 'Points: 51\r\n'; sed -n 12p "$1/exports/sweep.txt"
    sed -n '13,$p' "$1/exports/sweep.txt" | awk 'NR % 4 == 1'; } >"$1/exports/short.txt"
  {
    printf 'export\toutput\tvscan\testart\tevertex\teend\tamp\tnper\n'
    local i export
    for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
      case $2/$i in
        big/7) export=exports/sweep.txt ;;
        big/*) export=exports/short.txt ;;
        missing/7) export=exports/missing.txt ;;
        *) export=exports/sweep.txt ;;
      esac
      printf '%s\tout/run%s.zep\t0.1\t-0.2\t0.6\t-0.2\t%s\t%s\n' "$export" "$i" "$((i * 5))" "$((i * 10))"
    done
  } >"$1/runs.tsv"
}

# compare_runs LOCAL OTHER: the same files in both, byte for byte: outputs, logs and summary;
# eleven outputs at least.
compare_runs() {
  local diffs
  diffs=$(diff -r "$1" "$2") || fail "the runs differ from the local run:
$diffs"
  [ "$(ls "$1/out" | wc -l)" -ge 11 ] || fail "the local run made $(ls "$1/out" | wc -l) outputs, not 11"
}

# check_broken_row DIR BROKEN: row 7's log holds the failure report of its run (big) or its
# check (missing), and ends with the row's failure or refusal.
check_broken_row() {
  local log=$1/runs.logs/7.log report last
  if [ "$2" = big ]; then
    report='apparent state: unit 25 named out/run7.zep'
    last='row 7: failed (exit status 134): write: File too large'
  else
    report="EXPORT: error: there is no export 'exports/missing.txt'*"
    last="row 7: refused: $report"
  fi
  grep -q "^${report%\*}" "$log" || fail "row 7's log holds no report: $(cat "$log")"
  # shellcheck disable=SC2254
  case $(tail -n 1 "$log") in
    $last) ;;
    *) fail "row 7's log does not end with its result: $(tail -n 1 "$log")" ;;
  esac
}
