#!/usr/bin/env bash
# Sets up this machine (Debian 12, as root), builds the Windows programs and
#   bash build.sh        runs the main job: vmsum hashes a folder under Wine,
#                        then verifies the checksum file it wrote
#   bash build.sh test     runs every test
#   bash build.sh build    stops after building
#   bash build.sh release  builds and lists the zip, the setup, the Explorer package
#                          and the winget and Scoop manifests in dist/
# Both are idempotent: packages already present are not fetched again.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
BUILD=${VM_BUILD_DIR:-$ROOT/build}

PACKAGES=(
    cmake ninja-build python3 g++-mingw-w64-x86-64-posix
    wine wine64 libxxhash-dev librust-blake3-dev googletest
    coreutils xxhash b3sum rhash xvfb xauth x11-utils imagemagick openssl nsis libxml2-utils
    libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev gpg gpgv hashdeep python3-yaml python3-jsonschema
    minisign signify-openbsd
    openssh-client
    libksba-mingw-w64-dev nlohmann-json3-dev
)

install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Signing an MSIX needs osslsigncode 2.7 or later; bookworm has 2.5, bookworm-backports a newer one.
install_osslsigncode() {
    local version
    version=$(dpkg-query -W -f='${Status} ${Version}' osslsigncode 2>/dev/null || true)
    if [[ $version == "install ok installed "* ]] && dpkg --compare-versions "${version##* }" ge 2.7; then
        return
    fi
    if ! grep -qsE '^[^#]*bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources; then
        cat >/etc/apt/sources.list.d/bookworm-backports.sources <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    fi
    echo "Installing: osslsigncode from bookworm-backports"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends -t bookworm-backports osslsigncode >/dev/null
}

build() {
    if [ ! -f "$BUILD/build.ninja" ]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja >/dev/null
    fi
    cmake --build "$BUILD"
}

main_job() {
    local demo="$BUILD/demo"
    rm -rf "$demo"
    mkdir -p "$demo/photos/2024" "$demo/docs"
    head -c 3000000 /dev/urandom >"$demo/photos/2024/beach.raw"
    printf 'Verimond demo\n' >"$demo/docs/readme.txt"
    printf 'Grüße aus Köln\n' >"$demo/docs/grüße.txt"
    : >"$demo/empty.dat"
    "$BUILD/wine-session" start
    trap '"$BUILD/wine-session" stop' EXIT
    cd "$demo"
    echo "== vmsum -r . > SHA256SUMS"
    "$BUILD/wine-run" "$BUILD/vmsum.exe" -r . >"$BUILD/SHA256SUMS"
    cat "$BUILD/SHA256SUMS"
    cp "$BUILD/SHA256SUMS" "$demo/SHA256SUMS"
    echo "== vmsum -c SHA256SUMS"
    "$BUILD/wine-run" "$BUILD/vmsum.exe" -c SHA256SUMS
    echo "== GNU sha256sum -c SHA256SUMS"
    sha256sum -c SHA256SUMS
}

install_missing
install_osslsigncode
build
case "${1:-}" in
"") main_job ;;
test) cd "$BUILD" && ctest --output-on-failure ;;
build) ;;
release) ls -l "$ROOT"/dist/verimond-*-win64.zip "$ROOT"/dist/verimond-*-setup.exe "$ROOT"/dist/verimond-*-explorer.msix \
    "$ROOT"/dist/winget/* "$ROOT"/dist/scoop/* ;;
*) echo "usage: bash build.sh [test|build|release]" >&2; exit 2 ;;
esac
