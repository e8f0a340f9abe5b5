#!/bin/sh
# Emulation speed over a tune corpus: runs vexlor-dump on every tune (the full write stream,
# printed to /dev/null) and reports emulated C64 seconds per wall-clock second, per tune and as
# median and minimum over the PSID, the RSID and all tunes. On a busy machine the wall clock
# also counts other programs' time, so the same figures per second of CPU time the tool used
# come beside them. Tunes that do not play (bad files, tunes that need a real BASIC ROM) are
# listed and left out.
#   corpus_speed.sh [VEXLOR_DUMP] [CORPUS_DIR] [SECONDS]
set -eu
dump=${1:-build/src/cli/vexlor-dump}
corpus=${2:-../shared/testdata/tunes}
seconds=${3:-300}

[ -x "$dump" ] || { echo "no vexlor-dump at $dump (build the vexlor-dump target)" >&2; exit 2; }
[ -d "$corpus" ] || { echo "no corpus folder $corpus" >&2; exit 2; }

results=$(mktemp)
cpu=$(mktemp)
trap 'rm -f "$results" "$cpu"' EXIT

find "$corpus" -type f \( -iname '*.sid' -o -iname '*.prg' -o -iname '*.p[0-9][0-9]' \) | sort |
while IFS= read -r tune; do
  kind=$(head -c 4 "$tune" | tr -cd 'A-Z')
  [ "$kind" = PSID ] || [ "$kind" = RSID ] || kind=PRG
  start=$(date +%s%N)
  if /usr/bin/time -f '%U %S' -o "$cpu" "$dump" "$tune" --seconds "$seconds" > /dev/null 2>&1; then
    status=0
  else
    status=$?
  fi
  end=$(date +%s%N)
  if [ "$status" -ne 0 ]; then
    printf '%-8s %s (exit status %s, left out)\n' "-" "${tune#"$corpus"/}" "$status" >&2
    continue
  fi
  speed=$(awk -v s="$seconds" -v ns=$((end - start)) 'BEGIN { printf "%.0f", s / (ns / 1e9) }')
  cpuSpeed=$(awk -v s="$seconds" '{ t = $1 + $2; printf "%.0f", s / (t > 0.001 ? t : 0.001) }' "$cpu")
  printf '%s %s %s %s\n' "$speed" "$kind" "$cpuSpeed" "${tune#"$corpus"/}" >> "$results"
  printf '%7sx wall %7sx CPU  %s  %s\n' "$speed" "$cpuSpeed" "$kind" "${tune#"$corpus"/}"
done

summary() {  # label, kind to keep ("" for all), column of the figure, what it is per
  sort -n -k "$3,$3" "$results" | awk -v label="$1" -v want="$2" -v column="$3" -v per="$4" '
    want == "" || $2 == want { v[n++] = $column }
    END {
      if (n == 0) { printf "%s: no tunes\n", label; exit }
      median = (n % 2) ? v[int(n / 2)] : (v[n / 2 - 1] + v[n / 2]) / 2
      printf "%s: %d tunes, median %.0fx, minimum %.0fx (C64 seconds per %s second)\n", label, n, median, v[0], per
    }'
}
echo "$seconds s of C64 time per tune:"
for kind in PSID RSID ""; do
  summary "${kind:-all} wall" "$kind" 1 wall-clock
  summary "${kind:-all} CPU " "$kind" 3 CPU
done
