#!/usr/bin/env bash
# The whole test suite: set up, build (Release and a ThreadSanitizer build), run CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)

status=0

# Threading tests under ThreadSanitizer first, so that the full run's summary comes last.
if [ "${QUORVANE_SKIP_TSAN:-0}" != "1" ]; then
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_TSAN=ON
    cmake --build build-tsan -j"$jobs" --target quorvane_plugin_tests
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        xvfb-run -a -s "-screen 0 1280x800x24" \
        ctest --test-dir build-tsan --output-on-failure -R 'Threads\.' || status=$?
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
xvfb-run -a -s "-screen 0 1280x800x24" ctest --test-dir build --output-on-failure -j"$jobs" || status=$?

exit $status
