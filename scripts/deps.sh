#!/usr/bin/env bash
# Installs the Debian packages Tavulella needs, and only those that are missing; for the tests,
# also generates the locale they run in.
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
# A screen reader over the accessibility bus, speaking through speech-dispatcher with espeak-ng
# (its log of what it speaks is what the reading check compares).
E2E_PACKAGES+=(orca speech-dispatcher speech-dispatcher-espeak-ng)
# The program as git's editor.
E2E_PACKAGES+=(git)
# A saved file keeps its extended attributes (setfattr, getfattr) and its access list (setfacl,
# getfacl).
E2E_PACKAGES+=(attr acl)
# The other programs that start the editor and wait for it: crontab -e (the crontab command and
# its spool; no cron daemon needs to run), sudoedit and visudo (sudo; as root sudoedit needs a
# rule that lets it edit), less (its v key).
E2E_PACKAGES+=(cron sudo less)
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

# The unit and widget tests pin a time zone (TZ=Europe/Rome) and name others: the zone database.
# They also pin a locale (it_IT.UTF-8, see TEST_LOCALES) and draw with DejaVu Sans, which the
# run packages bring.
UNIT_PACKAGES=(tzdata locales)

# The hardening stages of the test command: clang with libFuzzer's runtime for the fuzz targets,
# and valgrind for memcheck.
HARDEN_PACKAGES=(clang libclang-rt-dev valgrind)
# A compiler cache: the test command builds twice, and clones share what was compiled once.
HARDEN_PACKAGES+=(ccache)
# A quicker linker and a quicker build tool for the test command's builds.
HARDEN_PACKAGES+=(lld ninja-build)
# The layout check of the test command (clang-format 14 is Debian 12's).
HARDEN_PACKAGES+=(clang-format)

# The locales the tests and the end-to-end checks run the program in. Qt takes its own locale
# from LANG and LC_ALL alone; the C library takes it from the locales generated on the machine
# and, where this one is not, keeps to "C" (the reasons it gives for a failed read or write, which
# the program shows, then come in English), so the tests would run the program differently from
# machine to machine. Generated through /etc/locale.gen, which keeps them when the locales
# package is upgraded.
TEST_LOCALES=(it_IT.UTF-8)

# The benchmarks: sending keys through XTest and seeing the window's first repaint after each
# through XDamage (the typing latency), counting instructions (valgrind's callgrind), and a
# heap profiler to find where a window's memory goes (heaptrack).
BENCH_PACKAGES=(libxtst-dev libxdamage-dev valgrind heaptrack)
# A private session bus for the programs measured, as a desktop session has (dbus-run-session).
BENCH_PACKAGES+=(dbus)

usage() {
  echo "usage: $0 run|test|xvfb|package|bench ..." >&2
  exit 2
}

[[ $# -ge 1 ]] || usage

wanted=()
locales=()
for purpose in "$@"; do
  case "$purpose" in
    run) wanted+=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}") ;;
    test) wanted+=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${XVFB_PACKAGES[@]}" "${E2E_PACKAGES[@]}"
                   "${UNIT_PACKAGES[@]}" "${HARDEN_PACKAGES[@]}")
          locales+=("${TEST_LOCALES[@]}") ;;
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

# Whether the C library has locale NAME (ll_CC.UTF-8), which "locale -a" lists as ll_CC.utf8.
has_locale() {
  local want=${1%%.*}.utf8
  command -v locale >/dev/null 2>&1 && locale -a 2>/dev/null | grep -qxiF -- "$want"
}

missing_locales=()
for name in "${locales[@]}"; do
  has_locale "$name" || missing_locales+=("$name")
done

if [[ ${#missing[@]} -eq 0 && ${#missing_locales[@]} -eq 0 ]]; then
  echo "deps: everything needed for '$*' is installed"
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  as_root=(env)
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo env)
else
  [[ ${#missing[@]} -eq 0 ]] || echo "deps: missing packages: ${missing[*]}" >&2
  [[ ${#missing_locales[@]} -eq 0 ]] || echo "deps: missing locales: ${missing_locales[*]}" >&2
  echo "deps: run this script as root, or install sudo, to install them" >&2
  exit 1
fi

if [[ ${#missing[@]} -gt 0 ]]; then
  echo "deps: installing ${missing[*]}"
  "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" </dev/null
fi

if [[ ${#missing_locales[@]} -gt 0 ]]; then
  echo "deps: generating the locales ${missing_locales[*]}"
  for name in "${missing_locales[@]}"; do
    # An entry of /etc/locale.gen, commented out or not: "it_IT.UTF-8 UTF-8".
    line="$name ${name#*.}"
    if grep -qxF -- "# $line" /etc/locale.gen 2>/dev/null; then
      "${as_root[@]}" sed -i "s/^# $line\$/$line/" /etc/locale.gen
    elif ! grep -qxF -- "$line" /etc/locale.gen 2>/dev/null; then
      echo "$line" | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
    fi
  done
  "${as_root[@]}" locale-gen
  for name in "${missing_locales[@]}"; do
    if ! has_locale "$name"; then
      echo "deps: the locale $name could not be generated" >&2
      exit 1
    fi
  done
fi
