#!/usr/bin/env bash
# scripts/run on a copy of the repository's scripts, with stand-ins for the
# package manager, CMake and the program, each of which prints a line to
# standard output: only the program's line may reach the script's standard
# output, so that `scripts/run > matrix.csv` holds the matrix alone.
set -euo pipefail
root="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/repo/scripts" "$work/repo/build/release/app" "$work/bin"
cp "$root/scripts/run" "$root/scripts/packages.sh" "$work/repo/scripts/"
stand_in() { # name, body
    printf '#!/usr/bin/env bash\n%s\n' "$2" >"$1"
    chmod +x "$1"
}
stand_in "$work/bin/dpkg-query" 'echo "dpkg-query line"; exit 1'
stand_in "$work/bin/apt-get" 'echo "apt-get line"'
stand_in "$work/bin/sudo" '"$@"'
stand_in "$work/bin/cmake" 'echo "cmake line"'
stand_in "$work/repo/build/release/app/distamatic" 'printf "0,5\r\n"; echo "program error line" >&2; echo "args: $*"'

PATH="$work/bin:$PATH" bash "$work/repo/scripts/run" -platform offscreen >"$work/out" 2>"$work/err"

expected=$'0,5\r\nargs: -platform offscreen'
if [ "$(cat "$work/out")" != "$expected" ]; then
    echo "standard output holds more than the program's output:" >&2
    cat "$work/out" >&2
    exit 1
fi
for line in "apt-get line" "cmake line" "program error line"; do
    if ! grep -q "$line" "$work/err"; then
        echo "standard error lacks \"$line\":" >&2
        cat "$work/err" >&2
        exit 1
    fi
done
