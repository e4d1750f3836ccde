# Shared by the processor-time figures (sourced, not run). Times come from the scheduler's own count in
# nanoseconds (/proc/<pid>/task/*/schedstat), far finer than the 10 ms ticks of /proc/<pid>/stat, so a share
# of 0.1 % over 10 s is still 10 ms of difference rather than one tick.

# cpu_ns PID [TID]: processor time of a whole process (its live threads) or of one thread, in nanoseconds
cpu_ns() {
  local pid=$1 tid=${2:-} sum=0 f
  if [ -n "$tid" ]; then
    awk '{ print $1 }' "/proc/$pid/task/$tid/schedstat"
    return
  fi
  for f in /proc/"$pid"/task/*/schedstat; do
    sum=$((sum + $(awk '{ print $1 }' "$f" 2>/dev/null || echo 0)))
  done
  echo "$sum"
}

# measure PID SECONDS: prints "<whole process %> <main thread %>" of one core over SECONDS
measure() {
  local pid=$1 secs=$2 a u b v
  a=$(cpu_ns "$pid"); u=$(cpu_ns "$pid" "$pid")
  sleep "$secs"
  b=$(cpu_ns "$pid"); v=$(cpu_ns "$pid" "$pid")
  awk -v t=$((b - a)) -v m=$((v - u)) -v s="$secs" 'BEGIN { printf "%.3f %.3f\n", t / s / 1e7, m / s / 1e7 }'
}

# wait_line FILE TEXT SECONDS: waits until FILE holds a line TEXT
wait_line() {
  local i
  for ((i = 0; i < $3 * 10; ++i)); do
    grep -qx "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# median of the numbers on standard input
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
                   else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# probe_run NAME SECONDS ARGS...: one measured run of build/bin/player_dj_probe with ARGS; its whole-process share
# is printed and appended to $work/NAME ($top and $work set by the caller)
probe_run() {
  local name=$1 secs=$2 pid all ui
  shift 2
  "$top/build/bin/player_dj_probe" "$@" >"$work/probe.out" 2>/dev/null &
  pid=$!
  wait_line "$work/probe.out" ready 60
  sleep 2
  read -r all ui < <(measure $pid "$secs")
  kill $pid
  wait $pid 2>/dev/null || true
  echo "$all" >>"$work/$name"
  echo "$all"
}

# A skinned Qt audio player to measure beside Deckmora: qmmp with its skinned face and its null output, fresh
# settings in a folder of its own. peer_available says whether it is installed.
peer_available() { command -v qmmp >/dev/null 2>&1; }

# peer_start HOME [SONG]: starts it (with SONG enqueued and playing when given) and prints its process id
peer_start() {
  local home=$1 song=${2:-} pid i
  mkdir -p "$home/.qmmp"
  printf '[Output]\ncurrent_plugin=null\n' >"$home/.qmmp/qmmprc"
  HOME="$home" qmmp --ui skinned >/dev/null 2>&1 &
  pid=$!
  if [ -n "$song" ]; then
    # a song named at start is not taken by a fresh qmmp: enqueue it and play it once the player is up
    sleep 3
    HOME="$home" qmmp -e "$song" >/dev/null 2>&1
    for ((i = 0; i < 50; ++i)); do
      HOME="$home" qmmp --pl-play 1 1 >/dev/null 2>&1
      HOME="$home" qmmp --status 2>/dev/null | grep -q '^\[playing\]' && break
      sleep 0.2
    done
  fi
  echo "$pid"
}

# measure_pair PID1 PID2 SECONDS: prints "<PID1 %> <PID1 main thread %> <PID2 %>" over the same SECONDS
measure_pair() {
  local a u x b v y
  a=$(cpu_ns "$1"); u=$(cpu_ns "$1" "$1"); x=$(cpu_ns "$2")
  sleep "$3"
  b=$(cpu_ns "$1"); v=$(cpu_ns "$1" "$1"); y=$(cpu_ns "$2")
  awk -v t=$((b - a)) -v m=$((v - u)) -v o=$((y - x)) -v s="$3" \
    'BEGIN { printf "%.3f %.3f %.3f\n", t / s / 1e7, m / s / 1e7, o / s / 1e7 }'
}
