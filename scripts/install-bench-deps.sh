#!/usr/bin/env bash
# The tools the benchmark scripts compare against and check with. None of them is a dependency of Pictavo.
set -euo pipefail
exec "$(dirname "$0")/apt-install-missing.sh" hyperfine imagemagick icoutils python3 librsvg2-bin
