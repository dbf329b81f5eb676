#!/usr/bin/env bash
# The CSV export bench beside sqlite3's own CSV output of the same rows, in
# one run. Needs a built tree (scripts/build.sh) and the sqlite3 shell.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KARVO_WINEPREFIX="$root/build/wineprefix"
export LANG=${KARVO_LOCALE:-pl_PL.UTF-8} LC_ALL=${KARVO_LOCALE:-pl_PL.UTF-8}
(cd build/mingw/bin && "$root/tools/wine-run" bench_CsvExportBench.exe "Z:${work//\//\\}\\bench.db")
query="SELECT ID, NAZWA, MIASTO, CENA, UWAGI FROM BENCH ORDER BY ID"
best=""
for run in 1 2 3; do
  start=$(date +%s%N)
  sqlite3 -csv -header "$work/bench.db" "$query" >"$work/out.csv"
  end=$(date +%s%N)
  ns=$((end - start))
  if [ -z "$best" ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
done
rows=$(($(wc -l <"$work/out.csv") - 1))
awk -v ns="$best" -v rows="$rows" -v bytes="$(wc -c <"$work/out.csv")" \
  'BEGIN { printf "sqlite3 -csv (native shell): %d rows, %d bytes, best of 3: %.3f s = %.0f rows/s\n", rows, bytes, ns/1e9, rows/(ns/1e9) }'
