# SPDX-License-Identifier: Apache-2.0
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
    # wireshark-common (pulled in by tshark) asks whether non-root users may
    # capture; answer it beforehand so the install never waits for input.
    echo "wireshark-common wireshark-common/install-setuid boolean false" \
        | $sudo debconf-set-selections
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# help2man: every build makes the manual pages of the package from the
# programs' --help and --version.
QX_BUILD_PACKAGES=(cmake make g++ libsqlite3-dev libgtest-dev help2man libssl-dev)

# ------------------------------------------------------------------ armhf
# Cross build for the controller (32-bit ARM, cmake/armhf-linux-gnueabihf.cmake):
# Debian's cross compiler, SQLite and GoogleTest from the armhf multiarch
# archive, and qemu-arm to run the tests. The suite starts the ARM gateway
# through qemu-arm itself, so binfmt_misc is neither needed nor touched.
QX_ARMHF_PACKAGES=(g++-arm-linux-gnueabihf libsqlite3-dev:armhf libgtest-dev:armhf libssl-dev:armhf
    qemu-user)
QX_ARMHF_TOOLCHAIN="$QX_ROOT/cmake/armhf-linux-gnueabihf.cmake"

# qx_need_armhf: adds the armhf architecture to dpkg when it is missing, then
# installs the cross packages (apt-get update runs when something is missing).
qx_need_armhf() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! dpkg --print-foreign-architectures | grep -qx armhf; then
        echo "Adding the armhf architecture to dpkg"
        $sudo dpkg --add-architecture armhf
    fi
    qx_need_packages "${QX_ARMHF_PACKAGES[@]}"
}
# The process tests decode their exchanges with Wireshark's IEC 104 dissector
# (tshark; text2pcap comes with it through wireshark-common). The package
# tests run lintian on the package and render its manual pages with man. The
# TLS tests make their certificates with the openssl command and check
# interworking with GnuTLS's client (gnutls-cli).
QX_TEST_PACKAGES=(tshark lintian man-db openssl gnutls-bin)
# clang with its sanitizer and libFuzzer runtimes: the UBSan unit build and
# the fuzz targets (scripts/test.sh).
QX_CLANG_PACKAGES=(clang libclang-rt-14-dev)
