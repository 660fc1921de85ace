#!/usr/bin/env bash
# Writes a month of made-up day files, one line a minute with the meters'
# counters, so that the history window's month view has something to show:
#   tools/sample_history.sh 2026-11 [FOLDER]
# FOLDER defaults to the demo's history (build/demo/data/Pelmora/history, as
# ./run.sh uses it). Existing files of that month are replaced. The times are
# written in UTC (+00:00).
set -euo pipefail
cd "$(dirname "$0")/.."
month=${1:?usage: tools/sample_history.sh YYYY-MM [FOLDER]}
folder=${2:-build/demo/data/Pelmora/history}
[[ $month =~ ^[0-9]{4}-(0[1-9]|1[0-2])$ ]] || { echo "sample_history.sh: not a month: $month" >&2; exit 2; }
mkdir -p "$folder"
days=$(date -u -d "$month-01 +1 month -1 day" +%d)
header="time,production_w,consumption_w,grid_w,samples,produced_wh,consumed_wh,imported_wh,exported_wh"
header+=",produced_total_wh,imported_total_wh,exported_total_wh,consumed_total_wh,charged_total_wh,discharged_total_wh"
for day in $(seq -w 1 "$days"); do
  awk -v date="$month-$day" -v seed="$((10#$day))" -v header="$header" 'BEGIN {
    srand(seed); print header
    sun = 0.6 + 0.4 * rand(); produced = 8e6 + seed * 2e4; imported = 5e6 + seed * 9e3; exported = 3e6 + seed * 1e4
    for (m = 0; m < 1440; m++) {
      h = m / 60; p = (h > 7 && h < 17) ? 4200 * sun * sin((h - 7) / 10 * 3.14159) : -3
      c = 350 + 250 * rand() + ((h > 17 && h < 21) ? 900 : 0); g = c - p
      pw = (p > 0 ? p : 0) / 60; cw = c / 60; iw = (g > 0 ? g : 0) / 60; ew = (g < 0 ? -g : 0) / 60
      produced += pw; imported += iw; exported += ew
      printf "%sT%02d:%02d:00+00:00,%.1f,%.1f,%.1f,60,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,,,\n",
        date, int(m / 60), m % 60, p, c, g, pw, cw, iw, ew, produced, imported, exported
    }
  }' >"$folder/$month-$day.csv"
done
echo "$days day files of $month in $folder"
