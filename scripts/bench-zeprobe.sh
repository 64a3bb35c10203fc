#!/usr/bin/env bash
# Benchmark of zeprobe (native Linux build, simulated driver), in one run and side by side:
#   floor        a program that links the same loader and only calls zeInit and zeDriverGet,
#                against 8 devices (scripts/bench/zeprobe_floor.cpp)
#   zeprobe-8    zeprobe against the same 8 devices, none with a card power domain
#   zeprobe-2pw  zeprobe against 2 devices with card power domains (two 100 ms waits)
#   floor-2pw    the floor against the same 2 devices, followed by two 100 ms sleeps: what the
#                two waits cost on this machine beyond 200 ms
# Prints mean times, the ratio zeprobe-8 / floor (target: at most 1.25), the power run's time
# minus its 200 ms of waiting against the floor (same target), and peak memory (target: under
# 8 MiB). Not a test: the figures depend on the machine.
# BUILD_DIR chooses the build folder (default: build/linux, the linux preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v hyperfine >/dev/null || [ ! -x /usr/bin/time ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends hyperfine time >/dev/null
fi
build=$(realpath -m "${BUILD_DIR:-build/linux}")
cmake --preset linux -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target zeprobe simulated_level_zero_driver zeprobe_floor >/dev/null

export ZE_ENABLE_ALT_DRIVERS=$build/lib/libze_simulated.so
scenarios=$PWD/simulated/level_zero/scenarios
bin=$build/bin
floor=$build/test_support/zeprobe_floor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

names=(floor zeprobe-8 zeprobe-2pw floor-2pw)
commands=(
  "env ZE_SIM_SCENARIO=$scenarios/benchmark_8_devices.json $floor"
  "env ZE_SIM_SCENARIO=$scenarios/benchmark_8_devices.json $bin/zeprobe"
  "env ZE_SIM_SCENARIO=$scenarios/benchmark_2_power_domains.json $bin/zeprobe"
  "env ZE_SIM_SCENARIO=$scenarios/benchmark_2_power_domains.json $floor 2"
)
arguments=()
for index in "${!names[@]}"; do
  arguments+=(-n "${names[$index]}" "${commands[$index]}")
done
hyperfine -N --warmup 5 --runs "${BENCH_RUNS:-40}" --style basic --export-json "$work/times.json" \
  "${arguments[@]}" >/dev/null

for index in "${!names[@]}"; do
  peak=0
  for _ in 1 2 3 4 5; do
    kib=$( /usr/bin/time -f %M -o "$work/rss" ${commands[$index]} >/dev/null 2>&1; cat "$work/rss")
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  echo "${names[$index]} $peak" >>"$work/memory"
done

python3 - "$work/times.json" "$work/memory" <<'PY'
import json, sys
times = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
memory = dict(line.split() for line in open(sys.argv[2]))
ms = lambda name: times[name]["mean"] * 1000
sd = lambda name: times[name]["stddev"] * 1000
cpu = lambda name: (times[name]["user"] + times[name]["system"]) * 1000
median = lambda name: times[name]["median"] * 1000
print(f"{'run':<12} {'mean ms':>9} {'± ms':>6} {'median ms':>10} {'CPU ms':>7} {'peak RSS MiB':>13}")
for name in ("floor", "zeprobe-8", "zeprobe-2pw", "floor-2pw"):
    print(f"{name:<12} {ms(name):9.2f} {sd(name):6.2f} {median(name):10.2f} {cpu(name):7.2f} "
          f"{int(memory[name]) / 1024:13.2f}")
ratio = ms("zeprobe-8") / ms("floor")
power_overhead = ms("zeprobe-2pw") - 200.0
print(f"zeprobe-8 / floor:              {ratio:.3f}  (target <= 1.25; medians {median('zeprobe-8') / median('floor'):.3f}, CPU time {cpu('zeprobe-8') / cpu('floor'):.3f})")
print(f"zeprobe-2pw - 200 ms:           {power_overhead:.2f} ms = {power_overhead / ms('floor'):.3f} x floor  (target <= 1.25)")
print(f"zeprobe-2pw / floor-2pw:        {ms('zeprobe-2pw') / ms('floor-2pw'):.3f}  (the same sleeps on both sides)")
peak = max(int(memory[n]) for n in ("zeprobe-8", "zeprobe-2pw")) / 1024
print(f"zeprobe peak memory:            {peak:.2f} MiB  (target < 8 MiB)")
PY
