#!/usr/bin/env bash
# Sets up, builds and runs the main job: the host tool on its built-in sample.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
# The main job needs the tool and the module only.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- filterhost corefilters
"$root/build/bin/filterhost" list
echo
# The built-in camera through the demo chain: the figures, and one picture per stage.
"$root/build/bin/filterhost" demo --stages "$root/out/demo"
