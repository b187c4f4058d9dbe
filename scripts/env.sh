# Shared by the scripts: where things are, and how Wine is run.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${BRASK_BUILD_DIR:-$root/build}"
export WINEDEBUG=-all
export BRASK_BUILD_DIR="$build"

# The native package builder first (build/native): the Windows build's tests
# compare the installers the two builders make.
configure_and_build() {
    cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build/native"
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build"
}

# Wine's servers are stopped on exit. No persistent server: the system
# processes it keeps alive inherit ctest's output pipe and stall ctest.
start_wineservers() {
    trap stop_wineservers EXIT
}
stop_wineservers() {
    for p in "$build/wine64" "$build/wine32"; do WINEPREFIX="$p" wineserver -k 2>/dev/null || true; done
}

# The emulator that runs 32-bit programs here ("qemu 10.0.x"), or nothing
# where the machine runs them natively (scripts/bootstrap decides).
i386_emulator() {
    local entry=/proc/sys/fs/binfmt_misc/qemu-i386
    if [ -f "$entry" ] && grep -qx enabled "$entry"; then
        "$(sed -n 's/^interpreter //p' "$entry")" --version 2>/dev/null | sed -n '1s/.*version \([^ ]*\).*/qemu \1/p'
    fi
}
