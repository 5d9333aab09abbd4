#!/usr/bin/env bash
# Installs what is missing, builds a release of the program, installs it into
# its program folder and starts it. Run as root, or with sudo.
#
# The program folder holds the program and all its data (archives, password
# store, exports), so it belongs to the user who works with it:
#   default  ~/Quirvale of the user who runs the command (of $SUDO_USER under
#            sudo; as root without sudo, /root/Quirvale)
#   another  PROGRAM_FOLDER=/path/of/choice scripts/install.sh
# Installing again over an existing program folder keeps its archives and
# its password store.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"

owner=${SUDO_USER:-$(id -un)}
home=$(getent passwd "$owner" | cut -d: -f6)
folder=${PROGRAM_FOLDER:-$home/Quirvale}

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIRVALE_TESTS=OFF -DQUIRVALE_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build" --prefix "$folder"
"$root/scripts/post-install.sh" "$folder" "$owner"

echo "Quirvale 5.0 installed in $folder"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${NO_START:-}" ]; then
  cd "$folder"
  if [ "$(id -un)" != "$owner" ]; then
    exec runuser -u "$owner" -- env DISPLAY="${DISPLAY:-}" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" XAUTHORITY="${XAUTHORITY:-$home/.Xauthority}" "$folder/Quirvale"
  fi
  exec "$folder/Quirvale"
else
  echo "No display: start it with $folder/Quirvale"
fi
