#!/usr/bin/env bash
# libgx beside Cairo and Skia on the same scenes: bench/peers.sh [BUILD_DIR] (default
# build/release, a configured build with benchmarks). PEERS_REPS sets the repetitions
# (default 5).
#
# Skia is the @napi-rs/canvas package from npm, installed into BUILD_DIR/peers on first use:
# a benchmark peer only, never a dependency of the library. Each repetition runs every scene
# once per peer, each in its own process, the peers' order rotating from one repetition to
# the next; a process prints the median of its timed paints (see peers_bench.cpp), and the
# table shows the median over repetitions. The first repetition also keeps every peer's
# last paint and prints its mean channel difference (0..255) from Cairo's, which shows that
# all three drew the same scene.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/release}" && pwd)"
reps="${PEERS_REPS:-5}"
work="$build/peers"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1

for tool in node npm; do
  if ! command -v "$tool" >/dev/null; then
    echo "peers.sh needs Node.js and npm (apt-get install nodejs npm)" >&2
    exit 1
  fi
done
cmake --build "$build" --target peers_bench >/dev/null
mkdir -p "$work/out"
if [ ! -d "$work/node_modules/@napi-rs/canvas" ]; then
  [ -f "$work/package.json" ] || echo '{"private": true}' >"$work/package.json"
  (cd "$work" && npm install --no-audit --no-fund --loglevel=error @napi-rs/canvas@1.2.1)
fi
export NODE_PATH="$work/node_modules"

bench="$build/bench/peers_bench"
"$bench" write "$work/scenes.bin"
scenes=(shapes polygon-nonzero polygon-evenodd gradients bitmap multiply hue)
peers=(gx cairo skia)
results="$work/results.txt"
: >"$results"
for ((rep = 0; rep < reps; ++rep)); do
  for scene in "${scenes[@]}"; do
    for ((k = 0; k < ${#peers[@]}; ++k)); do
      peer="${peers[$(((k + rep) % ${#peers[@]}))]}"
      dump=()
      [ "$rep" -eq 0 ] && dump=("$work/out/$scene.$peer.bgra")
      if [ "$peer" = skia ]; then
        line="$(node "$root/bench/peers_skia.js" "$work/scenes.bin" "$scene" "${dump[@]}")"
      else
        line="$("$bench" draw "$peer" "$scene" "$work/scenes.bin" "${dump[@]}")"
      fi
      echo "$scene $peer ${line#ms }" >>"$results"
    done
  done
  echo "repetition $((rep + 1)) of $reps done" >&2
done

diffs="$work/diffs.txt"
: >"$diffs"
for scene in "${scenes[@]}"; do
  for peer in gx skia; do
    difference="$("$bench" diff "$work/out/$scene.$peer.bgra" "$work/out/$scene.cairo.bgra")"
    echo "$scene $peer $difference" >>"$diffs"
  done
done

node - "$results" "$diffs" "$reps" <<'EOF'
const fs = require('fs');
const [resultsFile, diffsFile, reps] = process.argv.slice(2);
const labels = {
  'shapes': '10,000 small AA triangles and circles',
  'polygon-nonzero': '10,000-vertex self-intersecting polygon, non-zero',
  'polygon-evenodd': 'same, even-odd',
  'gradients': 'full-target linear + radial gradient',
  'bitmap': '512² bitmap ×1.7 rotated 30°, bilinear',
  'multiply': 'scene 1 in Multiply over the gradient',
  'hue': 'scene 1 in Hue over the gradient',
};
const times = {}, diffs = {};
for (const line of fs.readFileSync(resultsFile, 'utf8').trim().split('\n')) {
  const [scene, peer, ms] = line.split(' ');
  ((times[scene] ??= {})[peer] ??= []).push(Number(ms));
}
for (const line of fs.readFileSync(diffsFile, 'utf8').trim().split('\n')) {
  const [scene, peer, diff] = line.split(' ');
  (diffs[scene] ??= {})[peer] = diff;
}
const median = (v) => { const s = [...v].sort((a, b) => a - b), n = s.length;
                        return n % 2 ? s[n >> 1] : (s[n / 2 - 1] + s[n / 2]) / 2; };
const ms = (v) => (v < 10 ? v.toFixed(2) : v < 100 ? v.toFixed(1) : v.toFixed(0)) + ' ms';
console.log(`1024 x 1024 target; median over ${reps} interleaved repetitions of each process's`);
console.log('median paint. diff: mean channel difference (0..255) from Cairo\'s last paint.\n');
console.log('On a loaded machine the ratio of the fastest repetitions (best) is steadier.\n');
console.log('| scene | Cairo | Skia | libgx | libgx / fastest | best | diff libgx | diff Skia |');
console.log('|---|---|---|---|---|---|---|---|');
const shown = (ratio) => (ratio > 1 ? `**${ratio.toFixed(2)}**` : ratio.toFixed(2));
for (const [scene, label] of Object.entries(labels)) {
  const t = times[scene];
  const m = Object.fromEntries(Object.entries(t).map(([p, v]) => [p, median(v)]));
  const best = Math.min(...t.gx) / Math.min(...t.cairo, ...t.skia);
  console.log(`| ${label} | ${ms(m.cairo)} | ${ms(m.skia)} | ${ms(m.gx)} | ` +
              `${shown(m.gx / Math.min(m.cairo, m.skia))} | ${shown(best)} | ` +
              `${diffs[scene].gx} | ${diffs[scene].skia} |`);
}
EOF
