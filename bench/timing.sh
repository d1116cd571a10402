# Shared by the benchmark scripts: whole-command timings. Sourced, not run.
now_us() { echo $(($(date +%s%N) / 1000)); }
# Runs a command once with its output discarded; prints microseconds.
time_us() {
  local start end
  start=$(now_us)
  "$@" >/dev/null 2>&1 || true
  end=$(now_us)
  echo $((end - start))
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
