#!/bin/sh
# Emulation speed over a tune corpus: runs vexlor-dump on every tune (the full write stream,
# printed to /dev/null) and reports emulated C64 seconds per wall-clock second, per tune and as
# median and minimum over the PSID tunes and over all tunes. Tunes that do not play (bad files,
# tunes that need a real BASIC ROM) are listed and left out.
#   corpus_speed.sh [VEXLOR_DUMP] [CORPUS_DIR] [SECONDS]
set -eu
dump=${1:-build/src/cli/vexlor-dump}
corpus=${2:-../shared/testdata/tunes}
seconds=${3:-120}

[ -x "$dump" ] || { echo "no vexlor-dump at $dump (build the vexlor-dump target)" >&2; exit 2; }
[ -d "$corpus" ] || { echo "no corpus folder $corpus" >&2; exit 2; }

results=$(mktemp)
trap 'rm -f "$results"' EXIT

find "$corpus" -type f \( -iname '*.sid' -o -iname '*.prg' -o -iname '*.p[0-9][0-9]' \) | sort |
while IFS= read -r tune; do
  kind=$(head -c 4 "$tune" | tr -cd 'A-Z')
  [ "$kind" = PSID ] || [ "$kind" = RSID ] || kind=PRG
  start=$(date +%s%N)
  if "$dump" "$tune" --seconds "$seconds" > /dev/null 2>&1; then status=0; else status=$?; fi
  end=$(date +%s%N)
  if [ "$status" -ne 0 ]; then
    printf '%-8s %s (exit status %s, left out)\n' "-" "${tune#"$corpus"/}" "$status" >&2
    continue
  fi
  speed=$(awk -v s="$seconds" -v ns=$((end - start)) 'BEGIN { printf "%.0f", s / (ns / 1e9) }')
  printf '%s %s %s\n' "$speed" "$kind" "${tune#"$corpus"/}" >> "$results"
  printf '%7sx  %s  %s\n' "$speed" "$kind" "${tune#"$corpus"/}"
done

summary() {  # label, awk filter on the kind column
  sort -n "$results" | awk -v label="$1" -v want="$2" '
    want == "" || $2 == want { v[n++] = $1 }
    END {
      if (n == 0) { printf "%s: no tunes\n", label; exit }
      median = (n % 2) ? v[int(n / 2)] : (v[n / 2 - 1] + v[n / 2]) / 2
      printf "%s: %d tunes, median %.0fx, minimum %.0fx real time\n", label, n, median, v[0]
    }'
}
echo "C64 seconds per wall-clock second, $seconds s of C64 time per tune:"
summary "PSID" PSID
summary "RSID" RSID
summary "all " ""
