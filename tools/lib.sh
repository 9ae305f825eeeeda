# Shared by tools/run and tools/test: packages, builds and Wine prefixes.

KARNIO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Installs the Debian packages that are not there yet.
need_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    if ((${#missing[@]})); then
        echo "== Installing ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}

WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth imagemagick nsis wixl)
NATIVE_PACKAGES=(cmake make g++ googletest libgtest-dev)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

build_win64() {  # build-dir [targets...]
    local dir="$1"; shift
    mkdir -p "$(dirname "$dir")"
    cmake -S "$KARNIO_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$KARNIO_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
    if (($#)); then
        cmake --build "$dir" -j"$(nproc)" --target "$@"
    else
        cmake --build "$dir" -j"$(nproc)"
    fi
}

# Starts a persistent wineserver for the prefix with its streams away from any
# pipe of ours, then creates the prefix.
wine_start() {  # prefix
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -i </dev/null >"$WINEPREFIX/../wineboot.log" 2>&1
}

# Makes the prefix's desktop behave as a Windows one: Wine draws the windows'
# frames itself inside a virtual desktop, and .txt files open in Notepad (a new
# prefix has the txtfile class but not the .txt extension that names it).
wine_use_desktop() {
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${1:-1024x768}" /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCR\.txt' /ve /d txtfile /f </dev/null >/dev/null 2>&1
}

wine_stop() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# Wine reads the screen DPI from here when a process starts.
wine_set_dpi() {  # dpi
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
}
