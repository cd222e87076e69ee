# Shared by scripts/run and scripts/test: installs what the build needs and
# configures + builds one build folder. Sourced, not run.

set -euo pipefail

CORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build, the tests and the program need.
CORVANE_PACKAGES=(
    g++ cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-wqy-microhei qt6-translations-l10n xdg-utils
    # validators of the desktop files; dpkg-shlibdeps for cpack -G DEB
    desktop-file-utils appstream dpkg-dev
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

install_packages() {
    local missing=()
    local package
    for package in "${CORVANE_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
    fi
}

# build_tree <folder> [cmake options...]
build_tree() {
    local folder="$1"
    shift
    if [ ! -f "$folder/CMakeCache.txt" ]; then
        cmake -S "$CORVANE_ROOT" -B "$folder" -G Ninja "$@"
    fi
    cmake --build "$folder" -j "$(nproc)"
}
