#!/usr/bin/env bash
# End to end: Tavulella installed as a desktop application. Builds the Debian package from this
# build folder (cpack), checks it against Debian's policy (lintian) and checks what it holds
# (launcher entry and AppStream metadata through their validators, the icon at every size, the
# manual page), installs it with apt-get, sees the desktop offer it for plain text files, starts
# the INSTALLED program on a virtual X server and sees its frame with its icon, then removes the
# package again.
#
# Installing needs root (or sudo without a password). The package is installed machine-wide, so
# the check refuses to run where Tavulella is already installed by other means, and runs one at
# a time on a machine (a lock in /tmp), even from several build folders.
#
# usage: e2e_install.sh path/to/tavulella   (the program in the build folder)
set -euo pipefail
E2E_A11Y=0 # only window titles and properties are needed
source "$(dirname "$0")/lib.sh"
e2e_changes_machine "installs and removes a system package"

PACKAGE=tavulella
APP_ID=org.example.Tavulella
INSTALLED_BIN=/usr/bin/tavulella
ICON_SIZES=(16 32 48 64 128)
LOCK_FILE=/tmp/tavulella-e2e-install.lock

for tool in cpack dpkg-deb dpkg-shlibdeps dpkg-query dpkg-parsechangelog apt-get lintian \
  desktop-file-validate appstreamcli gio identify xprop flock; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$(basename "$0" .sh): '$tool' is missing; scripts/deps.sh test installs it" >&2
    exit 1
  fi
done

if [[ $(id -u) -eq 0 ]]; then
  as_root=(env)
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n env)
else
  echo "$(basename "$0" .sh): installing a package needs root or sudo without a password" >&2
  exit 1
fi

e2e_setup "$1"
if [[ ! -f "$E2E_BUILD_DIR/CPackConfig.cmake" ]]; then
  e2e_fail "no CPackConfig.cmake in $E2E_BUILD_DIR"
fi

# e2e_cleanup (from lib.sh) stops the program and the X server; before that, take the package
# off the machine again if this check put it there.
INSTALLED_HERE=""
install_cleanup() {
  local status=$?
  set +e
  if [[ -n "$INSTALLED_HERE" ]]; then
    "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get remove -y -q \
      -o DPkg::Lock::Timeout=300 "$PACKAGE" >>"$E2E_TMP/apt.log" 2>&1 || true
  fi
  (exit "$status")
  e2e_cleanup
}
trap install_cleanup EXIT

# --- The package ---------------------------------------------------------------------------
e2e_log "building the package with cpack"
debdir=$E2E_TMP/deb
if ! cpack -G DEB --config "$E2E_BUILD_DIR/CPackConfig.cmake" -B "$debdir" \
  >"$E2E_TMP/cpack.log" 2>&1; then
  cat "$E2E_TMP/cpack.log" >&2
  e2e_fail "cpack could not build the package"
fi
debs=("$debdir"/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || e2e_fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
e2e_log "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == "$PACKAGE" ]] || e2e_fail "the package is named '$(field Package)'"
version=$(field Version)
depends=$(field Depends)
e2e_log "depends: $depends"
# The dependencies come from the program's libraries: the Qt runtime must be among them, with
# the platform plugins and the translations of Qt's own texts.
for lib in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n; do
  grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || e2e_fail "the package does not depend on $lib"
done
[[ -n "$(field Maintainer)" ]] || e2e_fail "the package names no maintainer"
[[ -n "$(field Description)" ]] || e2e_fail "the package has no description"

e2e_log "checking the package with lintian"
# Errors and warnings both fail: the package has none, and needs no overrides.
if ! lintian --fail-on error,warning "$deb" >"$E2E_TMP/lintian.log" 2>&1; then
  cat "$E2E_TMP/lintian.log" >&2
  e2e_fail "lintian finds faults in the package"
fi

root=$E2E_TMP/root
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/$APP_ID.desktop
metainfo=$root/usr/share/metainfo/$APP_ID.metainfo.xml
doc=$root/usr/share/doc/$PACKAGE
for f in "$root$INSTALLED_BIN" "$desktop" "$metainfo" "$doc/copyright" "$doc/changelog.gz" \
  "$root/usr/share/man/man1/tavulella.1.gz"; do
  [[ -f "$f" ]] || e2e_fail "the package lacks ${f#"$root"}"
done
changelog_version=$(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[[ "$changelog_version" == "$version" ]] ||
  e2e_fail "the changelog's latest entry is $changelog_version, not the package's version $version"

# --- Launcher entry and metadata -------------------------------------------------------------
e2e_log "validating the launcher entry"
# Hints count as failures too: the entry is small enough to be spotless.
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [[ -n "$out" ]]; then
  echo "$out" >&2
  e2e_fail "desktop-file-validate rejects $APP_ID.desktop"
fi
entry() { sed -n "s/^$1=//p" "$desktop"; }
[[ "$(entry Exec)" == "tavulella %F" ]] ||
  e2e_fail "the entry starts '$(entry Exec)', not the program with the chosen files"
[[ "$(entry Icon)" == "$APP_ID" ]] || e2e_fail "the entry's icon is '$(entry Icon)'"
for category in Utility TextEditor; do
  grep -qE "(^|;)$category(;|$)" <<<"$(entry Categories)" ||
    e2e_fail "the entry is not listed under $category"
done
# Plain text files, and empty ones, which the desktop types apart, may be opened with it.
[[ "$(entry MimeType)" == "text/plain;application/x-zerosize;" ]] ||
  e2e_fail "the entry declares the types '$(entry MimeType)'"

e2e_log "validating the AppStream metadata"
if ! appstreamcli validate --no-net "$metainfo" >"$E2E_TMP/appstream.log" 2>&1; then
  cat "$E2E_TMP/appstream.log" >&2
  e2e_fail "appstreamcli rejects $APP_ID.metainfo.xml"
fi
grep -qF "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" ||
  e2e_fail "the metadata does not point at the launcher entry"
grep -qE "<release version=\"$version\"" "$metainfo" ||
  e2e_fail "the metadata names no release $version, the package's version"

e2e_log "checking the icons"
for size in "${ICON_SIZES[@]}"; do
  png=$root/usr/share/icons/hicolor/${size}x$size/apps/$APP_ID.png
  [[ -f "$png" ]] || e2e_fail "no $size px icon in the package"
  got=$(identify -format '%wx%h' "$png")
  [[ "$got" == "${size}x$size" ]] || e2e_fail "the $size px icon is $got"
done
[[ -f "$root/usr/share/icons/hicolor/scalable/apps/$APP_ID.svg" ]] ||
  e2e_fail "no scalable icon in the package"

# --- Installing, starting, removing ----------------------------------------------------------
# One installing check at a time on this machine.
# A read descriptor is enough for flock, so a lock file another user made works as well.
[[ -e "$LOCK_FILE" ]] || : >>"$LOCK_FILE"
exec 9<"$LOCK_FILE"
e2e_log "waiting for the install lock"
flock -w 600 9 || e2e_fail "another install check holds $LOCK_FILE"

status=$(dpkg-query -W -f='${db:Status-Status}' "$PACKAGE" 2>/dev/null || true)
if [[ "$status" == installed || -e "$INSTALLED_BIN" ]]; then
  e2e_fail "Tavulella is already installed on this machine ($INSTALLED_BIN); this check would" \
    "replace and then remove it. Remove it first: apt-get remove $PACKAGE"
fi

e2e_log "installing $(basename "$deb") with apt-get"
# apt reads the file as root; a world-readable copy spares its note about the _apt user.
shared_deb=$(mktemp -d /tmp/tavulella-deb.XXXXXX)
chmod 0755 "$shared_deb"
cp "$deb" "$shared_deb/"
chmod 0644 "$shared_deb/$(basename "$deb")"
INSTALLED_HERE=1
if ! "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
  -o DPkg::Lock::Timeout=300 "$shared_deb/$(basename "$deb")" >"$E2E_TMP/apt.log" 2>&1; then
  rm -rf "$shared_deb"
  cat "$E2E_TMP/apt.log" >&2
  e2e_fail "apt-get could not install the package"
fi
rm -rf "$shared_deb"
status=$(dpkg-query -W -f='${db:Status-Status} ${Version}' "$PACKAGE" 2>/dev/null || true)
[[ "$status" == "installed $version" ]] || e2e_fail "after apt-get install: '$status'"
[[ -x "$INSTALLED_BIN" ]] || e2e_fail "no program at $INSTALLED_BIN after installing"

# desktop-file-utils' trigger has rebuilt the index of which launcher entries open which types;
# file managers build their "Open With" lists from it.
MIME_CACHE=/usr/share/applications/mimeinfo.cache
offered_for() { grep -E "^$1=(.*;)?$APP_ID\.desktop;" "$MIME_CACHE" >/dev/null 2>&1; }
for type in text/plain application/x-zerosize; do
  offered_for "$type" || e2e_fail "$MIME_CACHE does not offer the entry for $type"
done
gio mime text/plain >"$E2E_TMP/gio-mime.log" 2>&1 || true
grep -qxE "[[:space:]]*$APP_ID\.desktop" "$E2E_TMP/gio-mime.log" || {
  cat "$E2E_TMP/gio-mime.log" >&2
  e2e_fail "gio does not list Tavulella among the programs for text/plain"
}

e2e_log "starting the installed program"
E2E_BIN=$INSTALLED_BIN
e2e_start_program
e2e_log "its frame: window $E2E_FRAME, '$(e2e_window_name "$E2E_FRAME")'"
# The frame hands its icon to the window system at the two sizes it is drawn in.
icons=$(xprop -id "$E2E_FRAME" _NET_WM_ICON 2>/dev/null | grep -o 'Icon ([0-9]* x [0-9]*)' || true)
for size in 16 32; do
  grep -qF "Icon ($size x $size)" <<<"$icons" ||
    e2e_fail "the frame shows no $size x $size icon (it offers: ${icons:-none})"
done
e2e_screenshot installed
e2e_stop "$E2E_PID"
E2E_PID=""

e2e_log "removing the package"
if ! "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get remove -y -q \
  -o DPkg::Lock::Timeout=300 "$PACKAGE" >>"$E2E_TMP/apt.log" 2>&1; then
  cat "$E2E_TMP/apt.log" >&2
  e2e_fail "apt-get could not remove the package"
fi
INSTALLED_HERE=""
status=$(dpkg-query -W -f='${db:Status-Status}' "$PACKAGE" 2>/dev/null || true)
[[ "$status" != installed ]] || e2e_fail "the package is still installed after apt-get remove"
for f in "$INSTALLED_BIN" "/usr/share/applications/$APP_ID.desktop" \
  "/usr/share/icons/hicolor/32x32/apps/$APP_ID.png"; do
  [[ ! -e "$f" ]] || e2e_fail "$f is still there after removing the package"
done
! offered_for text/plain || e2e_fail "$MIME_CACHE still offers the entry after removing the package"

e2e_log "passed"
