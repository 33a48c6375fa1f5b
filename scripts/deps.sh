#!/usr/bin/env bash
# Installs the Debian packages Tavulella needs, and only those that are missing.
#
#   scripts/deps.sh run     what building and running the editor needs
#   scripts/deps.sh test    that, plus what the unit, widget and end-to-end tests need
#   scripts/deps.sh xvfb    a virtual X server, for looking at the editor without a desktop
#   scripts/deps.sh package what building the Debian package needs
#   scripts/deps.sh bench   what scripts/bench.sh needs beyond a build and a virtual X server
#
# Several purposes may be given at once. Runs apt-get as root, through sudo otherwise.
# To add packages, extend the array of the purpose they serve.
set -euo pipefail

# Compiler, build tool and Qt (qt6-base-dev brings Widgets, PrintSupport, DBus, Test, the xcb
# platform plugin and the OpenGL headers that CMake's Qt6Gui package looks for), libxcb's
# headers for the startup notification on X11, zlib's for the CRC-32 of the copies of unsaved
# text, and fontconfig's for the faces of the default font and of the forms' font.
BUILD_PACKAGES=(cmake g++ make qt6-base-dev libxcb1-dev zlib1g-dev libfontconfig-dev)

# What the program itself needs at run time beyond the Qt libraries: one font family, and Qt's
# translations of its own texts (message-box buttons, file dialogs) into the user's language.
RUN_PACKAGES=(fonts-dejavu-core qt6-translations-l10n)

# A virtual X server, a tool to ask it whether it is up, one to find windows and send keys,
# and screenshots.
XVFB_PACKAGES=(xvfb x11-utils xdotool imagemagick)

# Driving the real program from outside: the clipboard, and reading its widgets over the
# accessibility bus (dbus-daemon, at-spi-bus-launcher, python3-pyatspi).
E2E_PACKAGES=(xclip dbus at-spi2-core python3-pyatspi)
# A dead key on a key of its own (xmodmap).
E2E_PACKAGES+=(x11-xserver-utils)
# The program as git's editor.
E2E_PACKAGES+=(git)
# Printing through a real spooler to a PDF queue, and reading the PDF back as text.
E2E_PACKAGES+=(cups printer-driver-cups-pdf poppler-utils)
# Building the Debian package (cpack runs dpkg-shlibdeps and file) and checking it against
# Debian's policy (lintian); the tests also validate the launcher entry and the AppStream
# metadata it installs.
PACKAGE_PACKAGES=(dpkg-dev file lintian)
E2E_PACKAGES+=("${PACKAGE_PACKAGES[@]}" desktop-file-utils appstream)
# Opening a file as the desktop does, through the launcher entry and the default application
# for its type: GLib's gio and the freedesktop xdg-open.
E2E_PACKAGES+=(libglib2.0-bin xdg-utils)

# The hardening stages of the test command: clang with libFuzzer's runtime for the fuzz targets,
# and valgrind for memcheck.
HARDEN_PACKAGES=(clang libclang-rt-dev valgrind)
# A compiler cache: the test command builds twice, and clones share what was compiled once.
HARDEN_PACKAGES+=(ccache)
# A quicker linker and a quicker build tool for the test command's builds.
HARDEN_PACKAGES+=(lld ninja-build)
# The layout check of the test command (clang-format 14 is Debian 12's).
HARDEN_PACKAGES+=(clang-format)

# The benchmarks: sending keys through XTest and seeing the window's first repaint after each
# through XDamage (the typing latency), counting instructions (valgrind's callgrind), and a
# heap profiler to find where a window's memory goes (heaptrack).
BENCH_PACKAGES=(libxtst-dev libxdamage-dev valgrind heaptrack)

usage() {
  echo "usage: $0 run|test|xvfb|package|bench ..." >&2
  exit 2
}

[[ $# -ge 1 ]] || usage

wanted=()
for purpose in "$@"; do
  case "$purpose" in
    run) wanted+=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}") ;;
    test) wanted+=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${XVFB_PACKAGES[@]}" "${E2E_PACKAGES[@]}"
                   "${HARDEN_PACKAGES[@]}") ;;
    xvfb) wanted+=("${XVFB_PACKAGES[@]}") ;;
    package) wanted+=("${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}") ;;
    bench) wanted+=("${BUILD_PACKAGES[@]}" "${XVFB_PACKAGES[@]}" "${BENCH_PACKAGES[@]}") ;;
    *) usage ;;
  esac
done

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" == installed ]]
}

missing=()
for pkg in "${wanted[@]}"; do
  if ! is_installed "$pkg" && [[ " ${missing[*]-} " != *" $pkg "* ]]; then
    missing+=("$pkg")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "deps: everything needed for '$*' is installed"
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  as_root=(env)
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo env)
else
  echo "deps: missing packages: ${missing[*]}" >&2
  echo "deps: run this script as root, or install sudo, to install them" >&2
  exit 1
fi

echo "deps: installing ${missing[*]}"
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  "${missing[@]}" </dev/null
