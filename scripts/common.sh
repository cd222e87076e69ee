# Shared by the scripts in this folder: installs what the build needs and
# configures + builds one build folder. Sourced, not run.

set -euo pipefail

CORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build, the tests and the program need.
CORVANE_PACKAGES=(
    g++ cmake ninja-build pkg-config clang-format
    # libxkbcommon-dev: Qt 6 Gui's CMake package looks for it
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    fonts-wqy-microhei qt6-translations-l10n xdg-utils
    # validators of the desktop files; file and dpkg-shlibdeps for cpack -G DEB
    desktop-file-utils appstream file dpkg-dev
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs the packages that are missing. apt's own lines go to a log file,
# which is shown (its end) only when apt fails.
install_packages() {
    local missing=()
    local package
    for package in "${CORVANE_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    local log started=$SECONDS
    log="$(mktemp "${TMPDIR:-/tmp}/corvane-apt.XXXXXX.log")"
    local count="${#missing[@]} packages"
    [ "${#missing[@]}" -gt 1 ] || count="1 package"
    echo "Installing $count: ${missing[*]}"
    echo "(apt's output goes to $log; this takes a few minutes on a fresh machine)"
    if as_root apt-get update >"$log" 2>&1 &&
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
            "${missing[@]}" >>"$log" 2>&1; then
        rm -f "$log"
        echo "Installing packages: done in $((SECONDS - started)) s"
    else
        echo "Installing packages failed; the end of $log:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
}

# build_tree [--target <name>] <folder> [cmake options...]
# Configures the folder when it has no build yet, then builds every target,
# or only the one named (and what it needs).
build_tree() {
    local target=()
    if [ "${1:-}" = "--target" ]; then
        target=(--target "$2")
        shift 2
    fi
    local folder="$1"
    shift
    if [ ! -f "$folder/CMakeCache.txt" ]; then
        cmake -S "$CORVANE_ROOT" -B "$folder" -G Ninja "$@"
    fi
    cmake --build "$folder" -j "$(nproc)" "${target[@]}"
}
