#!/usr/bin/env bash
# Qt 6.4.2 (qtbase: Core, Gui, Widgets, Test and the windows, offscreen
# platform plugins) cross-built for 64-bit Windows with MinGW-w64, cached in
# ~/.cache/corvane-windows so that it is built once (35 to 60 minutes on 2
# cores) and reused after that in well under a second. Also: the DLLs a Windows build needs beside
# its .exe, and running such an .exe under Wine.
#
# Sourced by scripts/windows for its functions; run directly, it makes sure the
# cached Qt is there (building it if not) and prints its folder.
#
# Settings (environment):
#   CORVANE_WINDOWS_CACHE  cache folder [~/.cache/corvane-windows]
#   CORVANE_WINDOWS_JOBS   parallel compile jobs for Qt [nproc]
#   CORVANE_DEBIAN_MIRROR  where Debian's sources come from [http://deb.debian.org/debian]

CORVANE_WINDOWS_CACHE="${CORVANE_WINDOWS_CACHE:-$HOME/.cache/corvane-windows}"
CORVANE_WINDOWS_QT_VERSION=6.4.2
CORVANE_WINDOWS_QT="$CORVANE_WINDOWS_CACHE/qt-$CORVANE_WINDOWS_QT_VERSION-mingw"
CORVANE_WINDOWS_QT_BUILD="$CORVANE_WINDOWS_CACHE/build/qtbase-$CORVANE_WINDOWS_QT_VERSION-mingw"
CORVANE_WINDOWS_QT_STAMP="$CORVANE_WINDOWS_QT/corvane-qt-complete.stamp"
CORVANE_WINDOWS_WINEPREFIX="$CORVANE_WINDOWS_CACHE/wineprefix"
CORVANE_WINDOWS_TOOLCHAIN="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/cmake/mingw-w64-x86_64.cmake"
CORVANE_WINDOWS_TRIPLET=x86_64-w64-mingw32
# Debian's host Qt: moc, rcc and uic for the cross build come from here.
CORVANE_WINDOWS_HOST_QT=/usr
CORVANE_WINDOWS_HOST_QT_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null ||
    echo x86_64-linux-gnu)/cmake"

CORVANE_WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix
    wine wine64
    nsis
    # 7z unpacks the NSIS installer to check what it holds
    p7zip-full
    qt6-base-dev qt6-base-dev-tools
    cmake ninja-build dpkg-dev
    xz-utils
    # zh_CN.UTF-8 for Wine, so that Windows programs see code page 936
    locales
    # fonts for Qt under Wine, and an X server for the windows platform plugin
    fonts-wine fonts-dejavu-core fonts-wqy-microhei
    xvfb xauth
)

# How Qt is configured. Changing this list rebuilds the cached Qt.
#  - Debian's qt6-base sources lack src/3rdparty/{sqlite,wintab,iaccessible2}:
#    no Qt Sql (sqlite) and no tablet events (the tablet support of the windows
#    and direct2d plugins needs wintab.h). Direct2D stays on: Qt 6.4 builds its
#    DirectWrite font engine and font database only with it, and the windows
#    plugin fails to link when directwrite3 is on and direct2d off.
#  - Debian's cross.patch lets androiddeployqt build when cross-compiling: off.
#  - Modules Corvane does not use are off: network, xml, sql, printsupport,
#    concurrent, dbus; no OpenGL (widgets paint with the raster engine), no
#    Vulkan, no JPEG, no ICU (Windows' own code pages are used).
#  - zlib, libpng, freetype, harfbuzz and pcre2 are Qt's bundled copies, so no
#    other DLL is needed and no library of the build machine can be taken.
CORVANE_WINDOWS_QT_CONFIGURE_OPTIONS=(
    -release -shared
    -xplatform win32-g++
    -qt-host-path "$CORVANE_WINDOWS_HOST_QT"
    -nomake examples -nomake tests
    -no-pkg-config
    -no-opengl -no-dbus -no-icu -no-zstd -no-libjpeg
    -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre
    -no-feature-sql -no-feature-network -no-feature-xml -no-feature-printsupport
    -no-feature-concurrent -no-feature-vulkan
    -no-feature-tabletevent -no-feature-androiddeployqt
)

windows_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# windows_log_failure <log> <what>: says what failed and shows the log's end.
windows_log_failure() {
    echo "windows: $2 failed; see $1" >&2
    if grep -q -E '^FAILED: |error:|Error|^E: ' "$1"; then
        echo "windows: the errors in it:" >&2
        grep -E -A3 '^FAILED: |error:|Error|^E: ' "$1" | cut -c1-400 | head -n 40 >&2
    fi
    echo "windows: its last lines:" >&2
    tail -n 15 "$1" | cut -c1-400 >&2
    return 1
}

# Installs the missing packages of CORVANE_WINDOWS_PACKAGES (and any given),
# quietly: apt's output goes to a log in the cache folder.
# shellcheck disable=SC2120 # callers may name more packages
windows_install_packages() {
    local missing=() package
    for package in "${CORVANE_WINDOWS_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            missing+=("$package")
        fi
    done
    [ "${#missing[@]}" -gt 0 ] || return 0
    mkdir -p "$CORVANE_WINDOWS_CACHE"
    local log="$CORVANE_WINDOWS_CACHE/apt-install.log"
    echo "windows: installing ${missing[*]} (log: $log)"
    {
        windows_as_root apt-get update &&
            windows_as_root env DEBIAN_FRONTEND=noninteractive \
                apt-get install -y --no-install-recommends "${missing[@]}"
    } >"$log" 2>&1 || windows_log_failure "$log" "apt-get install" || return 1
    echo "windows: installed ${#missing[@]} package(s) and $(grep -c '^Setting up ' "$log") in all"
}

# apt-get with a sources list of our own (only Debian's deb-src line), its own
# package lists and cache, so that /etc/apt stays as it is.
windows_apt_sources() {
    local apt="$CORVANE_WINDOWS_CACHE/apt"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d"
    local signed=""
    if [ -f /usr/share/keyrings/debian-archive-keyring.gpg ]; then
        signed="[signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] "
    fi
    echo "deb-src ${signed}${CORVANE_DEBIAN_MIRROR:-http://deb.debian.org/debian} bookworm main" \
        >"$apt/sources.list"
    apt-get \
        -o Dir::Etc::SourceList="$apt/sources.list" \
        -o Dir::Etc::SourceParts="$apt/sources.list.d" \
        -o Dir::State::Lists="$apt/lists" \
        -o Dir::Cache="$apt/cache" \
        "$@"
}

# Fetches and unpacks Debian's qt6-base source package (Debian's patches
# applied, nothing built) and prints the unpacked folder.
windows_qt_source() {
    local sources="$CORVANE_WINDOWS_CACHE/src"
    local folder
    folder="$(find "$sources" -mindepth 1 -maxdepth 1 -type d \
        -name "qt6-base-$CORVANE_WINDOWS_QT_VERSION*" 2>/dev/null | sort | tail -n 1)"
    if [ -n "$folder" ] && [ -f "$folder/.corvane-unpacked" ]; then
        echo "$folder"
        return 0
    fi
    mkdir -p "$sources"
    local log="$CORVANE_WINDOWS_CACHE/apt-source.log"
    echo "windows: fetching Debian's qt6-base sources (log: $log)" >&2
    rm -rf "$sources"/qt6-base-*/
    {
        windows_apt_sources update &&
            (cd "$sources" && windows_apt_sources source "qt6-base")
    } >"$log" 2>&1 || { windows_log_failure "$log" "apt-get source qt6-base"; return 1; }
    folder="$(find "$sources" -mindepth 1 -maxdepth 1 -type d \
        -name "qt6-base-$CORVANE_WINDOWS_QT_VERSION*" | sort | tail -n 1)"
    if [ -z "$folder" ]; then
        echo "windows: Debian's qt6-base is not Qt $CORVANE_WINDOWS_QT_VERSION:" \
            "$(ls "$sources")" >&2
        return 1
    fi
    touch "$folder/.corvane-unpacked"
    echo "$folder"
}

# What the cached Qt was built from (the toolchain file without its comments);
# a different one means a rebuild.
windows_qt_recipe() {
    printf '%s\n' "qt $CORVANE_WINDOWS_QT_VERSION from Debian's qt6-base" \
        "${CORVANE_WINDOWS_QT_CONFIGURE_OPTIONS[@]}" \
        "toolchain $(grep -v -E '^[[:space:]]*(#|$)' "$CORVANE_WINDOWS_TOOLCHAIN" |
            sha256sum | cut -c1-16)"
}

# True when the cached Qt is complete (stamp written after a full install).
windows_qt_ready() {
    local file
    [ -f "$CORVANE_WINDOWS_QT_STAMP" ] || return 1
    for file in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Test.dll \
        plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
        lib/cmake/Qt6/Qt6Config.cmake; do
        [ -f "$CORVANE_WINDOWS_QT/$file" ] || return 1
    done
}

# Configures, builds and installs qtbase; output into build-qt.log.
windows_qt_build() {
    local source="$1"
    local build="$CORVANE_WINDOWS_QT_BUILD"
    local log="$CORVANE_WINDOWS_CACHE/build-qt.log"
    local jobs="${CORVANE_WINDOWS_JOBS:-$(nproc)}"
    local recipe
    recipe="$(windows_qt_recipe)"
    # A build folder of another recipe starts again from nothing; one of the
    # same recipe (an interrupted build) goes on where it stopped.
    if [ ! -f "$build/corvane-recipe" ] || [ "$(cat "$build/corvane-recipe")" != "$recipe" ]; then
        rm -rf "$build"
    fi
    mkdir -p "$build"
    local started=$SECONDS
    echo "windows: building Qt $CORVANE_WINDOWS_QT_VERSION for Windows," \
        "35 to 60 minutes on 2 cores (log: $log)"
    : >"$log"
    if [ ! -f "$build/build.ninja" ]; then
        rm -rf "$CORVANE_WINDOWS_QT"
        (
            cd "$build" &&
                "$source/configure" -prefix "$CORVANE_WINDOWS_QT" \
                    "${CORVANE_WINDOWS_QT_CONFIGURE_OPTIONS[@]}" -- -G Ninja \
                    -DCMAKE_TOOLCHAIN_FILE="$CORVANE_WINDOWS_TOOLCHAIN" \
                    -DQT_HOST_PATH_CMAKE_DIR="$CORVANE_WINDOWS_HOST_QT_CMAKE_DIR"
        ) >>"$log" 2>&1 || { windows_log_failure "$log" "configuring Qt"; return 1; }
        echo "$recipe" >"$build/corvane-recipe"
    fi
    nice -n 10 cmake --build "$build" --parallel "$jobs" >>"$log" 2>&1 ||
        { windows_log_failure "$log" "building Qt"; return 1; }
    cmake --install "$build" >>"$log" 2>&1 ||
        { windows_log_failure "$log" "installing Qt"; return 1; }
    echo "$recipe" >"$CORVANE_WINDOWS_QT_STAMP"
    windows_qt_ready || { echo "windows: the Qt install in $CORVANE_WINDOWS_QT is incomplete" >&2; return 1; }
    # The build folder (almost 1 GB) is of no use once Qt is installed.
    rm -rf "$build"
    echo "windows: Qt built in $(((SECONDS - started) / 60)) min: $CORVANE_WINDOWS_QT"
}

# Makes sure the cached Qt is there: reuses it when complete and of the same
# recipe, builds it otherwise. Prints nothing when it is reused.
windows_qt_ensure() {
    windows_install_packages || return 1
    if windows_qt_ready && [ "$(windows_qt_recipe)" = "$(cat "$CORVANE_WINDOWS_QT_STAMP")" ]; then
        return 0
    fi
    local source
    source="$(windows_qt_source)" || return 1
    windows_qt_build "$source"
}

# Paths of the MinGW-w64 runtime DLLs that every program of this compiler needs.
windows_runtime_dlls() {
    local dll path
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        path="$("$CORVANE_WINDOWS_TRIPLET-g++-posix" -print-file-name="$dll")"
        [ -f "$path" ] || { echo "windows: $dll not found" >&2; return 1; }
        realpath "$path"
    done
}

# windows_deploy <folder> [Qt module...]: copies beside the .exe files in
# <folder> the DLLs they need: the MinGW runtime, the Qt modules (default
# Core Gui Widgets) and the windows and offscreen platform plugins, plus the
# windowsvista style when it was built.
windows_deploy() {
    local folder="$1"
    shift
    local modules=("$@")
    [ "${#modules[@]}" -gt 0 ] || modules=(Core Gui Widgets)
    local module dll
    while read -r dll; do
        cp -u "$dll" "$folder/"
    done < <(windows_runtime_dlls)
    for module in "${modules[@]}"; do
        cp -u "$CORVANE_WINDOWS_QT/bin/Qt6$module.dll" "$folder/"
    done
    mkdir -p "$folder/platforms"
    cp -u "$CORVANE_WINDOWS_QT/plugins/platforms/qwindows.dll" \
        "$CORVANE_WINDOWS_QT/plugins/platforms/qoffscreen.dll" "$folder/platforms/"
    if [ -f "$CORVANE_WINDOWS_QT/plugins/styles/qwindowsvistastyle.dll" ]; then
        mkdir -p "$folder/styles"
        cp -u "$CORVANE_WINDOWS_QT/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
    fi
}

# The environment for Wine: a 64-bit prefix of our own, quiet, no prompts to
# install Mono or Gecko.
windows_wine_env() {
    export WINEPREFIX="$CORVANE_WINDOWS_WINEPREFIX"
    export WINEARCH=win64
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

# Creates the Wine prefix once (10 to 30 seconds): Windows
# 10 as the version Wine reports (Qt 6 wants Windows 10; Wine 8 says 7), Wine's
# fonts (Tahoma, Marlett, ...) copied into C:\windows\Fonts because Debian's
# Wine 8 looks for them in a folder that does not exist, and fonts of the
# build machine standing in for Courier New, Arial, Times New Roman and
# Segoe UI.
windows_wine_init() {
    (
        windows_wine_env
        local stamp="$WINEPREFIX/corvane-prefix-ready"
        [ ! -f "$stamp" ] || exit 0
        local log="$CORVANE_WINDOWS_CACHE/wineboot.log"
        mkdir -p "$(dirname "$WINEPREFIX")"
        echo "windows: preparing the Wine prefix $WINEPREFIX (log: $log)"
        {
            wineboot -i &&
                wineserver -w &&
                if [ -d /usr/share/wine/fonts ]; then
                    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
                fi &&
                windows_wine_registry >"$WINEPREFIX/drive_c/corvane-prefix.reg" &&
                wine reg import 'C:\corvane-prefix.reg' &&
                wineserver -w
        } >"$log" 2>&1 || { windows_log_failure "$log" "preparing the Wine prefix"; exit 1; }
        touch "$stamp"
    )
}

# The registry settings of the Wine prefix, as a .reg file.
windows_wine_registry() {
    printf '%s\r\n' \
        'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine]' \
        '"Version"="win10"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"Arial"="DejaVu Sans"' \
        '"Consolas"="DejaVu Sans Mono"' \
        '"Courier New"="DejaVu Sans Mono"' \
        '"Segoe UI"="Tahoma"' \
        '"Times New Roman"="DejaVu Serif"'
}

# Prints a folder of links to the fonts that Qt's offscreen plugin should use
# under Wine: DejaVu (Latin, Greek, Cyrillic), WenQuanYi Micro Hei (CJK) and
# Wine's own Tahoma, as far as they are installed.
windows_wine_fonts() {
    local folder="$CORVANE_WINDOWS_CACHE/fonts" font
    mkdir -p "$folder"
    for font in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
        /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
        /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf \
        /usr/share/fonts/truetype/wqy/wqy-microhei.ttc \
        /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
        if [ -f "$font" ]; then
            ln -sf "$font" "$folder/"
        fi
    done
    echo "$folder"
}

# Prints a folder (for LOCPATH) with the zh_CN.UTF-8 locale compiled into it.
# Wine takes the Windows code page from LC_ALL, but only for a locale that
# the C library has: without one it falls back to ASCII file names. The
# locale is compiled into the cache folder, so the system's locales stay
# as they are.
windows_wine_locale() {
    local folder="$CORVANE_WINDOWS_CACHE/locale"
    if [ ! -f "$folder/zh_CN.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$folder"
        localedef -i zh_CN -f UTF-8 "$folder/zh_CN.UTF-8" >/dev/null 2>&1 || true
        [ -f "$folder/zh_CN.UTF-8/LC_CTYPE" ] ||
            { echo "windows: could not compile the zh_CN.UTF-8 locale" >&2; return 1; }
    fi
    echo "$folder"
}

# windows_wine_run <program.exe> [arguments...]: runs a Windows program under
# Wine and returns its exit code. Platform plugin offscreen unless
# QT_QPA_PLATFORM says otherwise.
#
# Wine does not hand variables whose names start with QT_ (or VK_) to Windows
# programs; it hands WINEQT_X on as QT_X. So each QT_ variable is exported
# again as WINEQT_. Under Wine a program has no console window, so Qt would
# send its messages and Qt Test's results to OutputDebugString (unseen) rather
# than to the terminal: QT_FORCE_STDERR_LOGGING=1 sends them to stdout/stderr.
#
# The offscreen plugin on Windows reads fonts with FreeType from one folder,
# QT_QPA_FONTDIR, never from Windows: windows_wine_fonts makes that folder.
windows_wine_run() {
    windows_wine_init || return 1
    local fonts
    fonts="$(windows_wine_fonts)" || return 1
    (
        windows_wine_env
        export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
        export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-Z:$fonts}"
        export QT_FORCE_STDERR_LOGGING="${QT_FORCE_STDERR_LOGGING:-1}"
        local name
        for name in $(compgen -e); do
            case "$name" in
            QT_*) export "WINE$name=${!name}" ;;
            esac
        done
        wine "$@"
    )
}

windows_qt_main() {
    set -euo pipefail
    windows_qt_ensure
    echo "$CORVANE_WINDOWS_QT"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    windows_qt_main "$@"
fi
