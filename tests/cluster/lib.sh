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

# make_table DIR: DIR/runs.tsv, a dozen vantor rows over the example export with different
# sweeps, outputs in DIR/out/; row 7 names an export that is not there.
make_table() {
  mkdir -p "$1/exports" "$1/out"
  cp "$examples/vantor/sweep.txt" "$1/exports/sweep.txt"
  {
    printf 'export\toutput\tvscan\testart\tevertex\teend\tamp\tnper\n'
    local i
    for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
      if [ "$i" = 7 ]; then
        printf 'exports/missing.txt\tout/run%s.zep\t0.1\t-0.2\t0.6\t-0.2\t10\t50\n' "$i"
      else
        printf 'exports/sweep.txt\tout/run%s.zep\t0.%s\t-0.2\t0.6\t-0.2\t%s\t%s\n' \
          "$i" "$i" "$((i * 5))" "$((i * 10))"
      fi
    done
  } >"$1/runs.tsv"
}

# compare_runs LOCAL OTHER: the same files in both, byte for byte: outputs, logs and summary.
compare_runs() {
  local diffs
  diffs=$(diff -r "$1" "$2") || fail "the runs differ from the local run:
$diffs"
  [ "$(ls "$1/out" | wc -l)" = 11 ] || fail "the local run made $(ls "$1/out" | wc -l) outputs, not 11"
}

# check_broken_row DIR: row 7's log ends with its refusal, naming the missing export.
check_broken_row() {
  local last
  last=$(tail -n 1 "$1/runs.logs/7.log")
  case $last in
    "row 7: refused: "*) ;;
    *) fail "row 7's log does not end with its refusal: $last" ;;
  esac
}
