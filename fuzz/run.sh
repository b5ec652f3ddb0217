#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, each on a working copy of its
# seed corpus so the seeds in the repository stay small. Usage:
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
# FUZZ_FLAGS adds libFuzzer options, e.g. FUZZ_FLAGS=-runs=10000000.
# Stops with a failure when any target finds a crash; the input is left in
# BUILD_DIR/fuzz/artifacts/.
set -euo pipefail
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(server_address connect_link platform_answers script_message go_menu download_destination
           last_copy)
fi

status=0
for name in "${targets[@]}"; do
  corpus="$build/fuzz/corpus/$name"
  artifacts="$build/fuzz/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $name: ${seconds}s"
  if ! "$build/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$artifacts" -max_len=4096 ${FUZZ_FLAGS:-} "$corpus" "$here/corpus/$name" \
       2>"$build/fuzz/$name.log"; then
    status=1
    tail -n 40 "$build/fuzz/$name.log"
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' \
    "$build/fuzz/$name.log" || true
done
exit $status
