# Shared by the scripts in this folder; sourced, not run.

QX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QX_JOBS="$(nproc 2>/dev/null || echo 2)"

# qx_need_packages PKG...: installs the Debian packages that are missing.
qx_need_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

QX_BUILD_PACKAGES=(cmake make g++ libsqlite3-dev libgtest-dev)

# clang with its sanitizer and libFuzzer runtimes: the UBSan unit build and
# the fuzz targets (scripts/test.sh).
QX_CLANG_PACKAGES=(clang libclang-rt-14-dev)
