# Shared by scripts/run, scripts/test and scripts/check-windows: install what
# is missing, configure and build into build/ (build-sanitize/ and build-fuzz/
# for the sanitized and the fuzzing builds, build-windows/ for the Windows
# check), run the tests.

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$TOP/build}
SANITIZE_BUILD_DIR=$TOP/build-sanitize
FUZZ_BUILD_DIR=$TOP/build-fuzz
WINDOWS_BUILD_DIR=$TOP/build-windows

PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev
    binutils-mingw-w64-x86-64
    fonts-dejavu-core
    # The manual: typeset by WeasyPrint, read back by its test with poppler.
    weasyprint poppler-utils
)
# The fuzz targets are built with clang's libFuzzer.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The Windows build is compiled with the MinGW-w64 cross compiler.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64)

missing_packages() {
    local pkg
    for pkg in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            printf '%s\n' "$pkg"
    done
}

ensure_packages() {
    local missing
    mapfile -t missing < <(missing_packages "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing: ${missing[*]}" >&2
        echo "Install them with: sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures the build folder $1; further arguments go to cmake.
configure_build() {
    local dir=$1
    shift
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$TOP" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
        "${launcher[@]}" "$@" >/dev/null
}

configure_and_build() {
    configure_build "$BUILD_DIR" "$@"
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

# The fuzz targets alone, built with clang and libFuzzer into build-fuzz/.
configure_and_build_fuzzers() {
    configure_build "$FUZZ_BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DTQ_FUZZ=ON "$@"
    cmake --build "$FUZZ_BUILD_DIR" --target fuzzers --parallel "$(nproc)"
}

# Runs the tests of the build folder $1 through CTest; further arguments go to ctest.
run_tests() {
    local dir=$1
    shift
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@")
}
