#!/usr/bin/env bash
# Lays the C++ sources out by .clang-format and the Designer forms one element
# per line. With --check it changes nothing and fails listing what differs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=$(command -v clang-format-14 || command -v clang-format) || { echo "clang-format is missing" >&2; exit 2; }
mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if [[ "${1:-}" == "--check" ]]; then
  status=0
  "$format" --dry-run -Werror "${sources[@]}" 2>/dev/null || { "$format" --dry-run "${sources[@]}" 2>&1 | grep -o '^[^:]*:' | sort -u | sed 's/:$//; s/^/not formatted: /'; status=1; }
  python3 scripts/format-ui.py --check || status=1
  exit $status
fi
"$format" -i "${sources[@]}"
python3 scripts/format-ui.py
